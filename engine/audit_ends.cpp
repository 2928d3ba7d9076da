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
    open_ -= (high_[cell] ? 0 : 1) + (low_[cell] ? 0 : 1);
    high_[cell] = low_[cell] = 1;
}

void CertifyWithoutLps(const std::vector<double>& published, EndCertificates& ends) {
    const int n = gEngine.cellCount;
    std::vector<char> inEquation(n, 0);
    bool holds = true;
    for (const EngineEquation& eq : gEngine.equations) {
        double sum = 0, scale = std::fabs(eq.rhs);
        for (int k = 0; k < eq.count; ++k) {
            const int i = eq.cells[k]->index;
            inEquation[i] = 1;
            sum += eq.coef[k] * published[i];
            scale += std::fabs(published[i]);
        }
        holds = holds && std::fabs(sum - eq.rhs) <= 1e-9 * std::max(1.0, scale);
    }
    for (int i = 0; i < n; ++i) {
        if (!inEquation[i]) ends.CertifyBoth(i);
    }
    if (holds) ends.Offer(published.data());
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
