#include "engine/audit_ends.h"

#include <algorithm>
#include <cmath>

namespace {

// A value this close to a box end (relative to its size) is at that end: the
// solvers keep values at their bounds exactly, so this only absorbs the
// rounding of sums.
bool AtEnd(double x, double end) {
    return std::fabs(x - end) <= 1e-9 * std::max(1.0, std::fabs(end));
}

}  // namespace

EndCertificates::EndCertificates(const double lo[], const double hi[], int n)
    : lo_(lo), hi_(hi), n_(n), high_(n, 0), low_(n, 0), open_(2 * n) {}

int EndCertificates::Offer(const double* x) {
    int fresh = 0;
    for (int i = 0; i < n_; ++i) {
        if (!high_[i] && AtEnd(x[i], hi_[i])) {
            high_[i] = 1;
            ++fresh;
        }
        if (!low_[i] && AtEnd(x[i], lo_[i])) {
            low_[i] = 1;
            ++fresh;
        }
    }
    open_ -= fresh;
    return fresh;
}

void EndCertificates::CertifyBoth(int cell) {
    CertifyHigh(cell);
    CertifyLow(cell);
}

void EndCertificates::CertifyHigh(int cell) {
    if (high_[cell]) return;
    high_[cell] = 1;
    --open_;
}

void EndCertificates::CertifyLow(int cell) {
    if (low_[cell]) return;
    low_[cell] = 1;
    --open_;
}

bool HoldsEveryEquation(const std::vector<double>& published) {
    for (const EngineEquation& eq : gEngine.equations) {
        double sum = 0, scale = std::fabs(eq.rhs);
        for (int k = 0; k < eq.count; ++k) {
            const double v = published[eq.cells[k]->index];
            sum += eq.coef[k] * v;
            scale += std::fabs(v);
        }
        if (std::fabs(sum - eq.rhs) > 1e-9 * std::max(1.0, scale)) return false;
    }
    return true;
}

void CertifyWithoutLps(const std::vector<double>& published, EndCertificates& ends) {
    const int n = gEngine.cellCount;
    std::vector<char> inEquation(n, 0);
    for (const EngineEquation& eq : gEngine.equations)
        for (int k = 0; k < eq.count; ++k) inEquation[eq.cells[k]->index] = 1;
    for (int i = 0; i < n; ++i) {
        if (!inEquation[i]) ends.CertifyBoth(i);
    }
    if (HoldsEveryEquation(published)) ends.Offer(published.data());
}

namespace {

// The equations of every cell, and per equation the one cell that carries
// its other sign (the total of a sum), when there is exactly one.
class MoveFinder {
  public:
    MoveFinder() {
        const int n = gEngine.cellCount;
        const int m = static_cast<int>(gEngine.equations.size());
        start_.assign(n + 1, 0);
        for (const EngineEquation& eq : gEngine.equations)
            for (int k = 0; k < eq.count; ++k) ++start_[eq.cells[k]->index + 1];
        for (int i = 0; i < n; ++i) start_[i + 1] += start_[i];
        eq_.resize(start_[n]);
        sign_.resize(start_[n]);
        std::vector<int> fill(start_.begin(), start_.end() - 1);
        lone_.assign(2 * m, -1);
        usable_.assign(m, 1);
        std::vector<int> count(2 * m, 0);
        for (int e = 0; e < m; ++e) {
            const EngineEquation& eq = gEngine.equations[e];
            for (int k = 0; k < eq.count; ++k) {
                const int i = eq.cells[k]->index;
                const double c = eq.coef[k];
                if (c != 1.0 && c != -1.0) usable_[e] = 0;
                const int s = c > 0 ? 0 : 1;
                ++count[2 * e + s];
                lone_[2 * e + s] = i;
                eq_[fill[i]] = e;
                sign_[fill[i]++] = c > 0 ? 1 : -1;
            }
        }
        for (int q = 0; q < 2 * m; ++q)
            if (count[q] != 1) lone_[q] = -1;
        net_.assign(m, 0);
        netStamp_.assign(m, 0);
        memberStamp_.assign(n, 0);
    }

    // The cells that move with `cell` (itself first); false when there is
    // no such move or it would be larger than `limit` cells.
    bool Move(int cell, size_t limit, std::vector<int>& members) {
        ++stamp_;
        members.clear();
        touched_.clear();
        pending_.clear();
        Add(cell, members);
        while (!pending_.empty()) {
            const int e = pending_.back();
            pending_.pop_back();
            const int net = net_[e];
            if (net == 0) continue;
            if (!usable_[e] || (net != 1 && net != -1)) return false;
            // A rise of +1 in the equation's sum can only be balanced by its
            // cell of sign -1 when it has one alone, and the other way round.
            // Without one, cells added for other equations may still balance
            // it: the check below says.
            const int other = lone_[2 * e + (net > 0 ? 1 : 0)];
            if (other < 0) continue;
            if (memberStamp_[other] == stamp_) return false;
            if (members.size() >= limit) return false;
            Add(other, members);
        }
        for (int e : touched_)
            if (net_[e] != 0) return false;
        return true;
    }

  private:
    void Add(int cell, std::vector<int>& members) {
        memberStamp_[cell] = stamp_;
        members.push_back(cell);
        for (int k = start_[cell]; k < start_[cell + 1]; ++k) {
            const int e = eq_[k];
            if (netStamp_[e] != stamp_) {
                netStamp_[e] = stamp_;
                net_[e] = 0;
                touched_.push_back(e);
            }
            net_[e] += sign_[k];
            pending_.push_back(e);
        }
    }

    std::vector<int> start_, eq_, sign_;
    std::vector<int> lone_;
    std::vector<char> usable_;
    std::vector<int> net_, netStamp_, memberStamp_;
    std::vector<int> touched_, pending_;
    int stamp_ = 0;
};

}  // namespace

int CertifyByMoves(const std::vector<double>& published, const double lo[], const double hi[],
                   EndCertificates& ends) {
    const int n = gEngine.cellCount;
    const int before = ends.Open();
    if (before == 0 || !HoldsEveryEquation(published)) return 0;
    MoveFinder finder;
    // A table with k dimensions moves a cell with its 2^k - 1 totals; far
    // larger moves are not what this is for.
    constexpr size_t kLimit = 1024;
    std::vector<int> members;
    for (int c = 0; c < n && ends.Open() > 0; ++c) {
        if (!finder.Move(c, kLimit, members)) continue;
        double up = HUGE_VAL, down = HUGE_VAL;
        bool open = false;
        for (int i : members) {
            up = std::min(up, hi[i] - published[i]);
            down = std::min(down, published[i] - lo[i]);
            open = open || !ends.High(i) || !ends.Low(i);
        }
        if (!open) continue;
        // A move of no room reaches only the ends the published table is at.
        for (int i : members) {
            if (up > 0 && AtEnd(hi[i] - published[i], up)) ends.CertifyHigh(i);
            if (down > 0 && AtEnd(published[i] - lo[i], down)) ends.CertifyLow(i);
        }
    }
    return before - ends.Open();
}

int CertifyInBatches(XPRSprob prob, EndCertificates& ends, const std::function<bool()>& timeUp) {
    const int n = gEngine.cellCount;
    std::vector<double> current(n, 0.0), next(n, 0.0), x(n, 0.0);
    std::vector<int> changed;
    std::vector<double> values;
    auto apply = [&] {
        changed.clear();
        values.clear();
        for (int i = 0; i < n; ++i) {
            if (next[i] == current[i]) continue;
            changed.push_back(i);
            values.push_back(next[i]);
            current[i] = next[i];
        }
        if (!changed.empty())
            XPRSchgobj(prob, static_cast<int>(changed.size()), changed.data(), values.data());
    };

    // Every cell with an open end is pushed towards it; a cell with both ends
    // open is pushed up and down in turn, neighbours in opposite directions.
    // A cell whose push failed is pushed twice as hard the next time, and
    // cells already settled keep their coefficients, so that later rounds
    // change little of the objective and start from the last solution.
    std::vector<double> weight(n, 1.0);
    int solves = 0;
    for (int round = 0; ends.Open() > 0 && !timeUp(); ++round) {
        for (int i = 0; i < n; ++i) {
            const bool up = !ends.High(i), down = !ends.Low(i);
            if (!up && !down) {
                next[i] = 0.0;
                continue;
            }
            const double direction =
                up && down ? ((i + round) % 2 ? -1.0 : 1.0) : (up ? 1.0 : -1.0);
            next[i] = direction * weight[i];
        }
        apply();
        const int open = ends.Open();
        if (XPRSmaxim(prob, "d") != 0) break;
        ++solves;
        int lpstatus = 0;
        XPRSgetintattrib(prob, XPRS_LPSTATUS, &lpstatus);
        if (lpstatus != XPRS_LP_OPTIMAL || XPRSgetsol(prob, x.data(), nullptr, nullptr, nullptr))
            break;
        const int fresh = ends.Offer(x.data());
        for (int i = 0; i < n; ++i) {
            const bool stuck = next[i] > 0 ? !ends.High(i) : (next[i] < 0 && !ends.Low(i));
            if (stuck && weight[i] < 64) weight[i] *= 2;
        }
        // A round that settles under a fiftieth of the open ends no longer
        // pays for itself: the LPs of single cells take over.
        if (fresh * 50 < open) break;
    }
    std::fill(next.begin(), next.end(), 0.0);
    apply();
    return solves;
}
