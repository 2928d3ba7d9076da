#include "engine/optimizer/structured_start.h"

#include <ClpSimplex.hpp>
#include <CoinPackedMatrix.hpp>
#include <algorithm>
#include <cmath>
#include <random>

#include "engine/optimizer/cycle_repair.h"
#include "engine/optimizer/log_pacer.h"
#include "engine/optimizer/network_split.h"

namespace qtb::opt {

namespace {

// The best solution so far, in the minimised objective.
class Incumbent {
  public:
    Incumbent(const ModelData& m, const StartSearch& s) : m_(m), s_(s) {}
    bool Has() const { return has_; }
    double Value() const { return value_; }
    const std::vector<double>& X() const { return x_; }
    double ValueOf(const std::vector<double>& x) const {
        double z = 0;
        for (int j = 0; j < m_.Cols(); ++j) z += s_.sense * m_.obj[j] * x[j];
        return z;
    }
    void Offer(const std::vector<double>& x) {
        const double z = ValueOf(x);
        if (has_ && z >= value_ - 1e-9 * std::max(1.0, std::fabs(value_))) return;
        x_ = x;
        value_ = z;
        has_ = true;
        if (s_.found) s_.found(x_, s_.sense * z);
    }

  private:
    const ModelData& m_;
    const StartSearch& s_;
    std::vector<double> x_;
    double value_ = 0;
    bool has_ = false;
};

bool Stopped(const StartSearch& s) {
    return s.stop && s.stop();
}

// Subgradient steps on the multipliers of the side rows; every few steps the
// network part's solution is repaired into a solution of the whole model.
void Lagrange(const ModelData& m, NetworkSplit& s, const StartSearch& ss, Incumbent& inc) {
    const int n = m.Cols();
    const int rows = static_cast<int>(s.side_rows.size());
    const double deadline = NowSeconds() + ss.lagrange_seconds;
    std::vector<double> c(n), cost(n), x, lambda(rows, 0.0), g(rows);
    for (int j = 0; j < n; ++j) c[j] = ss.sense * m.obj[j];
    CycleRepair repair(m, s);
    auto stop = [&] { return Stopped(ss) || NowSeconds() > deadline; };
    double best_bound = -kInfinity, mu = 2.0;
    int flat = 0;
    for (int it = 0; it < 400 && !stop(); ++it) {
        cost = c;
        for (int j = 0; j < n; ++j)
            for (int k = s.side_start[j]; k < s.side_start[j + 1]; ++k)
                cost[j] -= lambda[s.side_row[k]] * s.side_coef[k];
        for (int j = 0; j < n; ++j) {
            const int a = s.form.col_arc[j];
            if (a >= 0)
                s.flow->SetCost(a, ArcCost(s.form, 1, j, cost[j]));
            else if (a == kLooseColumn)
                s.net_model.obj[j] = cost[j];
        }
        const auto r = s.flow->Solve([&](long pivots) { return pivots % 1024 == 0 && stop(); });
        if (r != NetworkSimplex::Result::kOptimal) return;
        ColumnValues(s.net_model, s.form, *s.flow, 1, &x);
        for (double& v : x) v = std::round(v);

        double bound = 0, g2 = 0;
        for (int j = 0; j < n; ++j) bound += cost[j] * x[j];
        for (int q = 0; q < rows; ++q) {
            const int i = s.side_rows[q];
            bound += lambda[q] * m.rhs[i];
            g[q] = m.rhs[i];
        }
        for (int j = 0; j < n; ++j)
            for (int k = s.side_start[j]; k < s.side_start[j + 1]; ++k)
                g[s.side_row[k]] -= s.side_coef[k] * x[j];
        for (double v : g) g2 += v * v;
        if (bound > best_bound + 1e-9) {
            best_bound = bound;
            flat = 0;
            if (ss.bound) ss.bound(ss.sense * bound);
        } else if (++flat >= 10) {
            mu *= 0.6;
            flat = 0;
        }
        if (g2 == 0 || (it >= 10 && it % 3 == 0)) {
            std::vector<double> candidate = x;
            const bool ok = repair.Repair(candidate, c, stop);
            if (ok) inc.Offer(candidate);
        }
        if (g2 == 0 || mu < 1e-4) return;
        double target = inc.Has() ? inc.Value() : best_bound + 0.005 * std::fabs(best_bound) + 2;
        if (target <= bound) target = bound + 1;
        const double step = mu * (target - bound) / g2;
        for (int q = 0; q < rows; ++q) lambda[q] += step * g[q];
    }
}

// Components in one exchange at most.
constexpr size_t kMaxGroup = 4;
// Components that, with `first`, leave some freedom: a side row in which the
// chosen components have a single column would fix it, so a component with
// another column of that row joins (up to four in all).
std::vector<int> Group(const ModelData& m, const NetworkSplit& s,
                       const std::vector<std::vector<int>>& members, int first,
                       std::mt19937& random) {
    std::vector<int> group{first};
    std::vector<char> chosen(s.components, 0);
    chosen[first] = 1;
    while (group.size() < kMaxGroup) {
        int add = -1;
        for (int comp : group) {
            for (int j : members[comp]) {
                for (int k = s.side_start[j]; k < s.side_start[j + 1] && add < 0; ++k) {
                    const int i = s.side_rows[s.side_row[k]];
                    int inside = 0;
                    std::vector<int> others;
                    for (int e = m.start[i]; e < m.start[i + 1]; ++e) {
                        const int c = s.component[m.index[e]];
                        if (c < 0) continue;
                        if (chosen[c])
                            ++inside;
                        else
                            others.push_back(c);
                    }
                    if (inside == 1 && !others.empty()) add = others[random() % others.size()];
                }
                if (add >= 0) break;
            }
            if (add >= 0) break;
        }
        if (add < 0) break;
        chosen[add] = 1;
        group.push_back(add);
    }
    return group;
}

// The LP over the columns of `group` with every other column fixed at the
// incumbent; an integer optimum below the incumbent's part replaces it.
bool Exchange(const ModelData& m, const ColumnRows& inc_rows,
              const std::vector<std::vector<int>>& members, const std::vector<int>& group,
              int sense, std::vector<double>& x) {
    std::vector<int> cols;
    for (int comp : group) cols.insert(cols.end(), members[comp].begin(), members[comp].end());
    std::vector<int> local(m.Cols(), -1);
    for (size_t q = 0; q < cols.size(); ++q) local[cols[q]] = static_cast<int>(q);
    std::vector<int> rows;
    std::vector<char> seen(m.Rows(), 0);
    for (int j : cols)
        for (int k = inc_rows.start[j]; k < inc_rows.start[j + 1]; ++k)
            if (!seen[inc_rows.row[k]]) {
                seen[inc_rows.row[k]] = 1;
                rows.push_back(inc_rows.row[k]);
            }
    std::vector<int> ri, ci;
    std::vector<double> vals, rhs;
    for (size_t q = 0; q < rows.size(); ++q) {
        const int i = rows[q];
        double r = m.rhs[i];
        for (int k = m.start[i]; k < m.start[i + 1]; ++k) {
            const int j = m.index[k];
            if (local[j] >= 0) {
                ri.push_back(static_cast<int>(q));
                ci.push_back(local[j]);
                vals.push_back(m.value[k]);
            } else {
                r -= m.value[k] * x[j];
            }
        }
        rhs.push_back(r);
    }
    const int nf = static_cast<int>(cols.size());
    std::vector<double> obj(nf), lo(nf), up(nf);
    double before = 0;
    for (int q = 0; q < nf; ++q) {
        const int j = cols[q];
        obj[q] = sense * m.obj[j];
        lo[q] = m.lb[j];
        up[q] = m.ub[j];
        before += obj[q] * x[j];
    }
    CoinPackedMatrix a(true, ri.data(), ci.data(), vals.data(), static_cast<int>(ri.size()));
    a.setDimensions(static_cast<int>(rows.size()), nf);
    ClpSimplex lp;
    lp.setLogLevel(0);
    lp.loadProblem(a, lo.data(), up.data(), obj.data(), rhs.data(), rhs.data());
    lp.dual();
    if (lp.status() != 0) return false;
    if (lp.objectiveValue() >= before - 1e-7 * std::max(1.0, std::fabs(before))) return false;
    const double* y = lp.primalColumnSolution();
    for (int q = 0; q < nf; ++q)
        if (std::fabs(y[q] - std::round(y[q])) > 1e-7) return false;
    for (int q = 0; q < nf; ++q) x[cols[q]] = std::round(y[q]);
    return true;
}

void ExchangeRounds(const ModelData& m, const StartSearch& ss, Incumbent& inc) {
    if (!inc.Has()) return;
    const double deadline = NowSeconds() + ss.exchange_seconds;
    auto stop = [&] { return Stopped(ss) || NowSeconds() > deadline; };
    const ColumnRows incidence(m);
    std::vector<NetworkSplit> splits;
    const int rows = m.Rows();
    for (int first : {0, rows / 3, 2 * rows / 3, rows / 4, rows / 2, 3 * rows / 4}) {
        NetworkSplit s;
        if (!SplitByNetwork(m, first, &s)) continue;
        bool same = false;
        for (const NetworkSplit& t : splits) same = same || t.net_rows == s.net_rows;
        if (!same) splits.push_back(std::move(s));
    }
    std::mt19937 random(12345);
    std::vector<double> x = inc.X();
    for (int idle = 0; idle < 2 && !stop();) {
        bool improved = false;
        for (const NetworkSplit& s : splits) {
            std::vector<std::vector<int>> members(s.components);
            for (int j = 0; j < m.Cols(); ++j)
                if (s.component[j] >= 0) members[s.component[j]].push_back(j);
            std::vector<int> order(s.components);
            for (int q = 0; q < s.components; ++q) order[q] = q;
            std::shuffle(order.begin(), order.end(), random);
            for (int first : order) {
                for (int tries = 0; tries < 3 && !stop(); ++tries) {
                    const std::vector<int> group = Group(m, s, members, first, random);
                    if (group.size() < 2) break;
                    if (Exchange(m, incidence, members, group, ss.sense, x)) {
                        inc.Offer(x);
                        improved = true;
                    }
                }
                if (stop()) return;
            }
        }
        idle = improved ? 0 : idle + 1;
    }
}

}  // namespace

bool RunStructuredStart(const ModelData& model, const StartSearch& search) {
    if (!SplittableModel(model)) return false;
    NetworkSplit split;
    if (!SplitByNetwork(model, 0, &split)) return false;
    Incumbent incumbent(model, search);
    Lagrange(model, split, search, incumbent);
    ExchangeRounds(model, search, incumbent);
    return incumbent.Has();
}

}  // namespace qtb::opt
