#include "engine/optimizer/cycle_repair.h"

#include <algorithm>
#include <cmath>

namespace qtb::opt {

CycleRepair::CycleRepair(const ModelData& m, const NetworkSplit& s) : m_(m), s_(s) {
    const int n = s.cols;
    adjacent_.assign(s.flow->Nodes(), {});
    for (int j = 0; j < n; ++j) {
        if (s.tail[j] < 0) continue;
        adjacent_[s.tail[j]].push_back(j);
        adjacent_[s.head[j]].push_back(j);
        between_[PairKey(s.tail[j], s.head[j])].push_back(j);
    }
    const int rows = static_cast<int>(s.side_rows.size());
    row_start_.assign(rows + 1, 0);
    side_rhs_.assign(rows, 0.0);
    for (int r = 0; r < rows; ++r) {
        const int i = s.side_rows[r];
        side_rhs_[r] = m.rhs[i];
        row_start_[r + 1] = row_start_[r] + (m.start[i + 1] - m.start[i]);
        for (int k = m.start[i]; k < m.start[i + 1]; ++k) {
            row_col_.push_back(m.index[k]);
            row_coef_.push_back(m.value[k]);
        }
    }
}

uint64_t CycleRepair::PairKey(int a, int b) {
    if (a > b) std::swap(a, b);
    return (static_cast<uint64_t>(a) << 32) | static_cast<uint32_t>(b);
}

bool CycleRepair::Movable(int j, int d) const {
    if (s_.tail[j] < 0) return false;
    const double v = (*x_)[j] + d;
    return v >= m_.lb[j] - 1e-9 && v <= m_.ub[j] + 1e-9;
}

double CycleRepair::Score(const Move& mv, const std::vector<double>& cost) {
    touched_.clear();
    double d = 0;
    for (int q = 0; q < 4; ++q) {
        const int j = mv.col[q];
        d += cost[j] * mv.dir[q];
        for (int k = s_.side_start[j]; k < s_.side_start[j + 1]; ++k)
            touched_[s_.side_row[k]] += s_.side_coef[k] * mv.dir[q];
    }
    for (const auto& [r, change] : touched_)
        d += (weight_ + extra_[r]) * (std::fabs(g_[r] - change) - std::fabs(g_[r]));
    return d;
}

bool CycleRepair::BestCycle(int j1, int d1, const std::vector<double>& cost, Move* best) {
    // The cycle v0 -> v1 -> v2 -> v3 -> v0; an arc walked from its tail moves
    // up, from its head down.
    const int v0 = d1 > 0 ? s_.tail[j1] : s_.head[j1];
    const int v1 = d1 > 0 ? s_.head[j1] : s_.tail[j1];
    bool found = false;
    Move mv;
    mv.col[0] = j1;
    mv.dir[0] = d1;
    for (int j2 : adjacent_[v1]) {
        if (j2 == j1) continue;
        const int d2 = s_.tail[j2] == v1 ? 1 : -1;
        if (!Movable(j2, d2)) continue;
        const int v2 = d2 > 0 ? s_.head[j2] : s_.tail[j2];
        if (v2 == v0) continue;
        for (int j4 : adjacent_[v0]) {
            if (j4 == j1 || j4 == j2) continue;
            const int d4 = s_.head[j4] == v0 ? 1 : -1;
            if (!Movable(j4, d4)) continue;
            const int v3 = d4 > 0 ? s_.tail[j4] : s_.head[j4];
            if (v3 == v1 || v3 == v2) continue;
            auto it = between_.find(PairKey(v2, v3));
            if (it == between_.end()) continue;
            for (int j3 : it->second) {
                if (j3 == j1 || j3 == j2 || j3 == j4) continue;
                const int d3 = s_.tail[j3] == v2 ? 1 : -1;
                if (!Movable(j3, d3)) continue;
                mv.col[1] = j2;
                mv.dir[1] = d2;
                mv.col[2] = j3;
                mv.dir[2] = d3;
                mv.col[3] = j4;
                mv.dir[3] = d4;
                mv.score = Score(mv, cost);
                if (!found || mv.score < best->score) {
                    *best = mv;
                    found = true;
                }
            }
        }
    }
    return found;
}

void CycleRepair::Apply(const Move& mv) {
    for (int q = 0; q < 4; ++q) {
        const int j = mv.col[q];
        (*x_)[j] += mv.dir[q];
        for (int k = s_.side_start[j]; k < s_.side_start[j + 1]; ++k)
            g_[s_.side_row[k]] -= s_.side_coef[k] * mv.dir[q];
    }
}

void CycleRepair::Undo(const Move& mv) {
    Move back = mv;
    for (int q = 0; q < 4; ++q) back.dir[q] = -mv.dir[q];
    Apply(back);
}

bool CycleRepair::BestForRow(int r, const std::vector<double>& cost, Move* best,
                             std::vector<Move>* candidates) {
    bool found = false;
    Move mv;
    for (int k = row_start_[r]; k < row_start_[r + 1]; ++k) {
        const int j = row_col_[k];
        const int d = g_[r] * row_coef_[k] > 0 ? 1 : -1;
        if (!Movable(j, d) || !BestCycle(j, d, cost, &mv)) continue;
        if (candidates) candidates->push_back(mv);
        if (!found || mv.score < best->score) {
            *best = mv;
            found = true;
        }
    }
    return found;
}

bool CycleRepair::CompoundForRow(std::vector<Move>& candidates, const std::vector<double>& cost) {
    std::sort(candidates.begin(), candidates.end(),
              [](const Move& a, const Move& b) { return a.score < b.score; });
    if (candidates.size() > 3) candidates.resize(3);
    for (const Move& first : candidates) {
        std::vector<double> before = g_;
        Apply(first);
        // The side rows the first move made worse.
        std::vector<int> worse;
        for (int q = 0; q < 4; ++q) {
            const int j = first.col[q];
            for (int k = s_.side_start[j]; k < s_.side_start[j + 1]; ++k) {
                const int r = s_.side_row[k];
                if (std::fabs(g_[r]) > std::fabs(before[r]) + 0.5) worse.push_back(r);
            }
        }
        Move second;
        for (int r : worse) {
            if (BestForRow(r, cost, &second, nullptr) && first.score + second.score < 0) {
                Apply(second);
                return true;
            }
        }
        Undo(first);
    }
    return false;
}

bool CycleRepair::Repair(std::vector<double>& x, const std::vector<double>& cost,
                         const std::function<bool()>& stop) {
    x_ = &x;
    const int rows = static_cast<int>(s_.side_rows.size());
    // One unit of violation outweighs the cost of any move.
    double largest = 0;
    for (double c : cost) largest = std::max(largest, std::fabs(c));
    weight_ = 8 * largest + 1;
    g_ = side_rhs_;
    extra_.assign(rows, 0.0);
    for (int r = 0; r < rows; ++r)
        for (int k = row_start_[r]; k < row_start_[r + 1]; ++k)
            g_[r] -= row_coef_[k] * x[row_col_[k]];

    int stuck = 0;
    for (int pass = 0; pass < 256; ++pass) {
        bool moved = false, violated = false;
        for (int r = 0; r < rows; ++r) {
            if (std::fabs(g_[r]) < 0.5) continue;
            violated = true;
            // A pass over a large model takes seconds: look for a stop often.
            if ((r & 15) == 0 && stop()) return false;
            Move best;
            std::vector<Move> candidates;
            if (BestForRow(r, cost, &best, &candidates) && best.score < 0) {
                Apply(best);
                moved = true;
            } else if (!candidates.empty() && CompoundForRow(candidates, cost)) {
                moved = true;
            }
        }
        if (!violated) return true;
        if (stop()) return false;
        if (!moved) {
            // Stuck: rows that stay violated weigh more, so that moves which
            // trade them for others become worth making.
            if (++stuck > 40) return false;
            for (int r = 0; r < rows; ++r)
                if (std::fabs(g_[r]) >= 0.5) extra_[r] += weight_;
        }
    }
    for (int r = 0; r < rows; ++r)
        if (std::fabs(g_[r]) >= 0.5) return false;
    return true;
}

}  // namespace qtb::opt
