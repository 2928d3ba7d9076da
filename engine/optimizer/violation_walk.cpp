#include "engine/optimizer/violation_walk.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace qtb::opt {

namespace {

constexpr double kTol = 1e-9;
// Values a column of at most this range tries all of; wider ones try a step
// either way and the values that satisfy one of their rows.
constexpr double kSmallRange = 4;
// Columns sampled among those whose change helps.
constexpr int kSample = 25;
// Rows longer than this do not have all their columns evaluated again after
// every change (a total over thousands of cells would make each change cost
// thousands of evaluations): the gains of their columns may be stale, so a
// column is evaluated afresh before it moves.
constexpr int kLongRow = 64;

// A set of indices 0..n-1 with constant-time insertion, removal and draws.
class IndexSet {
  public:
    void Reset(int n) {
        items_.clear();
        pos_.assign(n, -1);
    }
    bool Has(int j) const { return pos_[j] >= 0; }
    void Set(int j, bool on) {
        if (on == Has(j)) return;
        if (on) {
            pos_[j] = static_cast<int>(items_.size());
            items_.push_back(j);
        } else {
            const int p = pos_[j], last = items_.back();
            items_[p] = last;
            pos_[last] = p;
            items_.pop_back();
            pos_[j] = -1;
        }
    }
    bool empty() const { return items_.empty(); }
    size_t size() const { return items_.size(); }
    int operator[](size_t k) const { return items_[k]; }
    std::vector<int>::const_iterator begin() const { return items_.begin(); }
    std::vector<int>::const_iterator end() const { return items_.end(); }

  private:
    std::vector<int> items_, pos_;
};

class Walk {
  public:
    Walk(const ModelData& m, const WalkSearch& s)
        : m_(m), s_(s), rng_(s.seed), cols_(m, [](char type) { return type != 'N'; }) {}

    WalkOutcome Run();

  private:
    void Build();
    double Violation(int i, double activity) const {
        if (activity < lo_[i] - kTol) return lo_[i] - activity;
        if (activity > up_[i] + kTol) return activity - up_[i];
        return 0;
    }
    // The change of the weighted sum if column j took value v.
    double Delta(int j, double v);
    // The best value of column j and its gain; keeps the helpful set.
    void Evaluate(int j);
    void Move(int j, double v);
    // Raises the weights of the violated rows.
    void Bump();
    // A change from the violated row with the best gain, helpful or not.
    bool MoveInViolatedRow();
    // At a feasible point nothing helps: a change that lowers the objective,
    // kept from being undone for a while.
    bool Perturb();
    void Record();
    bool Stopped() {
        if (!s_.stop || ++polls_ % 256 != 0) return false;
        return s_.stop();
    }

    const ModelData& m_;
    const WalkSearch& s_;
    std::mt19937_64 rng_;
    int n_ = 0, rows_ = 0;
    ColumnRows cols_;  // the constraint rows of each column
    std::vector<double> lo_, up_, act_, w_;
    std::vector<double> x_, cost_, jump_, gain_;
    double obj_weight_ = 0.5;
    double objective_ = 0;  // sum cost * x, minimised
    double violation_ = 0;  // sum of the rows' violations, unweighted
    IndexSet helpful_, violated_;
    std::vector<int> stamp_;
    int stamp_now_ = 0;
    std::vector<int64_t> tabu_until_;
    bool has_long_rows_ = false;
    int64_t work_ = 0, moves_ = 0, polls_ = 0;
    WalkOutcome out_;
};

void Walk::Build() {
    n_ = m_.Cols();
    rows_ = m_.Rows();
    lo_.resize(rows_);
    up_.resize(rows_);
    for (int i = 0; i < rows_; ++i) m_.RowLimits(i, kInfinity, &lo_[i], &up_[i]);
    w_.assign(rows_, 1.0);
    for (int i = 0; i < rows_; ++i)
        has_long_rows_ = has_long_rows_ || m_.start[i + 1] - m_.start[i] > kLongRow;

    // Costs scaled to at most 1, so that one unit of violation outweighs them
    // at the start.
    cost_.resize(n_);
    double largest = 0;
    for (int j = 0; j < n_; ++j) {
        cost_[j] = s_.sense * m_.obj[j];
        largest = std::max(largest, std::fabs(cost_[j]));
    }
    if (largest > 0)
        for (double& c : cost_) c /= largest;

    // Every column at its cheapest value.
    x_.resize(n_);
    for (int j = 0; j < n_; ++j) {
        if (static_cast<int>(s_.start.size()) == n_ && std::isfinite(s_.start[j]))
            x_[j] = std::clamp(std::round(s_.start[j]), m_.lb[j], m_.ub[j]);
        else
            x_[j] = cost_[j] < 0 ? m_.ub[j] : m_.lb[j];
    }
    act_.assign(rows_, 0.0);
    for (int i = 0; i < rows_; ++i) {
        if (m_.row_type[i] == 'N') continue;
        for (int k = m_.start[i]; k < m_.start[i + 1]; ++k)
            act_[i] += m_.value[k] * x_[m_.index[k]];
    }
    for (int j = 0; j < n_; ++j) objective_ += cost_[j] * x_[j];
    violated_.Reset(rows_);
    for (int i = 0; i < rows_; ++i) {
        if (m_.row_type[i] == 'N') continue;
        violation_ += Violation(i, act_[i]);
        if (Violation(i, act_[i]) > 0) violated_.Set(i, true);
    }
    out_.closest = x_;
    out_.closest_violation = violation_;
    jump_.assign(n_, 0.0);
    gain_.assign(n_, 0.0);
    helpful_.Reset(n_);
    stamp_.assign(n_, 0);
    tabu_until_.assign(n_, 0);
    for (int j = 0; j < n_; ++j) Evaluate(j);
}

double Walk::Delta(int j, double v) {
    const double d = v - x_[j];
    double delta = obj_weight_ * cost_[j] * d;
    for (int k = cols_.start[j]; k < cols_.start[j + 1]; ++k) {
        const int i = cols_.row[k];
        const double a = act_[i];
        delta += w_[i] * (Violation(i, a + cols_.value[k] * d) - Violation(i, a));
    }
    work_ += cols_.start[j + 1] - cols_.start[j];
    return delta;
}

void Walk::Evaluate(int j) {
    const double lb = m_.lb[j], ub = m_.ub[j], cur = x_[j];
    double best = 0, best_v = cur;
    bool any = false;
    auto consider = [&](double v) {
        if (v < lb || v > ub || v == cur) return;
        const double d = Delta(j, v);
        if (!any || d < best) {
            best = d;
            best_v = v;
            any = true;
        }
    };
    if (ub - lb <= kSmallRange) {
        for (double v = lb; v <= ub; v += 1) consider(v);
    } else {
        consider(cur - 1);
        consider(cur + 1);
        for (int k = cols_.start[j]; k < cols_.start[j + 1]; ++k) {
            const int i = cols_.row[k];
            const double a = act_[i], c = cols_.value[k];
            if (a < lo_[i] - kTol) consider(std::round(cur + (lo_[i] - a) / c));
            if (a > up_[i] + kTol) consider(std::round(cur + (up_[i] - a) / c));
        }
    }
    jump_[j] = best_v;
    gain_[j] = any ? -best : 0;
    helpful_.Set(j, any && gain_[j] > 1e-9 && tabu_until_[j] <= moves_);
}

void Walk::Move(int j, double v) {
    const double d = v - x_[j];
    x_[j] = v;
    objective_ += cost_[j] * d;
    ++moves_;
    for (int k = cols_.start[j]; k < cols_.start[j + 1]; ++k) {
        const int i = cols_.row[k];
        const double before = Violation(i, act_[i]);
        act_[i] += cols_.value[k] * d;
        const double after = Violation(i, act_[i]);
        violation_ += after - before;
        violated_.Set(i, after > 0);
    }

    // Every column sharing a row with j sees its gains change.
    ++stamp_now_;
    stamp_[j] = stamp_now_;
    Evaluate(j);
    for (int k = cols_.start[j]; k < cols_.start[j + 1]; ++k) {
        const int i = cols_.row[k];
        if (m_.start[i + 1] - m_.start[i] > kLongRow) continue;
        for (int e = m_.start[i]; e < m_.start[i + 1]; ++e) {
            const int q = m_.index[e];
            if (stamp_[q] == stamp_now_) continue;
            stamp_[q] = stamp_now_;
            Evaluate(q);
        }
    }
}

void Walk::Bump() {
    ++stamp_now_;
    for (int i : violated_) w_[i] += 1.0;
    for (int i : violated_) {
        if (m_.start[i + 1] - m_.start[i] > kLongRow) continue;
        for (int e = m_.start[i]; e < m_.start[i + 1]; ++e) {
            const int q = m_.index[e];
            if (stamp_[q] == stamp_now_) continue;
            stamp_[q] = stamp_now_;
            Evaluate(q);
        }
    }
}

bool Walk::MoveInViolatedRow() {
    if (violated_.empty()) return false;
    const int i = violated_[rng_() % violated_.size()];
    const int length = m_.start[i + 1] - m_.start[i];
    // A long row: a sample of its columns, evaluated afresh.
    const bool sample = length > kLongRow;
    int best = -1;
    for (int t = 0; t < (sample ? kLongRow : length); ++t) {
        const int q = m_.index[m_.start[i] + (sample ? static_cast<int>(rng_() % length) : t)];
        if (sample) Evaluate(q);
        if (jump_[q] == x_[q]) continue;
        if (best < 0 || gain_[q] > gain_[best]) best = q;
    }
    if (best < 0) return false;
    Move(best, jump_[best]);
    return true;
}

bool Walk::Perturb() {
    int best = -1, seen = 0;
    double best_gain = 0, best_v = 0;
    // Most columns sit at their cheapest value at a feasible point: draws
    // go on until enough can move, or a bounded number were drawn.
    for (int t = 0; t < 16 * kSample && seen < kSample; ++t) {
        const int j = static_cast<int>(rng_() % n_);
        const double v = cost_[j] > 0 ? x_[j] - 1 : x_[j] + 1;
        if (cost_[j] == 0 || v < m_.lb[j] || v > m_.ub[j] || tabu_until_[j] > moves_) continue;
        ++seen;
        const double g = std::fabs(cost_[j]);
        if (best < 0 || g > best_gain) {
            best = j;
            best_gain = g;
            best_v = v;
        }
    }
    if (best < 0) return false;
    tabu_until_[best] = moves_ + 10 + static_cast<int64_t>(rng_() % 10);
    Move(best, best_v);
    return true;
}

void Walk::Record() {
    if (out_.found && objective_ >= out_.objective - 1e-9) return;
    if (!out_.found) out_.work_at_found = work_;
    out_.found = true;
    out_.x = x_;
    out_.objective = objective_;
}

WalkOutcome Walk::Run() {
    Build();
    int64_t limit = s_.effort;
    while (work_ < limit && !Stopped()) {
        if (violated_.empty()) {
            const bool first = !out_.found;
            Record();
            if (first) {
                const double more = s_.improve_share * static_cast<double>(work_);
                limit = std::min<int64_t>(s_.effort, work_ + static_cast<int64_t>(more));
            }
            if (!Perturb()) break;
            continue;
        }
        if (!helpful_.empty()) {
            int best = -1;
            const int draws = std::min<int>(kSample, static_cast<int>(helpful_.size()));
            for (int t = 0; t < draws; ++t) {
                const int j = helpful_.size() <= static_cast<size_t>(kSample)
                                  ? helpful_[t]
                                  : helpful_[rng_() % helpful_.size()];
                if (best < 0 || gain_[j] > gain_[best]) best = j;
            }
            if (has_long_rows_) {
                // Its gain may be stale: the change is made only if it still helps.
                Evaluate(best);
                if (!helpful_.Has(best)) continue;
            }
            Move(best, jump_[best]);
            continue;
        }
        // A local minimum of the violation: the closest point so far?
        if (!out_.found && violation_ < out_.closest_violation - 0.5) {
            out_.closest = x_;
            out_.closest_violation = violation_;
        }
        Bump();
        if (helpful_.empty() && !MoveInViolatedRow()) break;
    }
    out_.work = work_;
    out_.moves = moves_;
    if (out_.found) {
        out_.closest.clear();
        out_.closest_violation = 0;
        // The objective in the caller's terms, from the model's own costs.
        double z = 0;
        for (int j = 0; j < n_; ++j) z += m_.obj[j] * out_.x[j];
        out_.objective = z;
    }
    return out_;
}

}  // namespace

bool WalkableModel(const ModelData& m) {
    if (m.Rows() == 0 || m.Cols() == 0) return false;
    for (int j = 0; j < m.Cols(); ++j) {
        if (m.type[j] == 'C') return false;
        if (m.lb[j] <= -kInfinity || m.ub[j] >= kInfinity || m.lb[j] > m.ub[j]) return false;
        if (m.lb[j] != std::floor(m.lb[j]) || m.ub[j] != std::floor(m.ub[j])) return false;
    }
    return true;
}

WalkOutcome RunViolationWalk(const ModelData& model, const WalkSearch& search) {
    if (!WalkableModel(model)) return {};
    Walk walk(model, search);
    return walk.Run();
}

}  // namespace qtb::opt
