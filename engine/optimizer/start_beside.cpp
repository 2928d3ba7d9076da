#include "engine/optimizer/start_beside.h"

#include <algorithm>
#include <cmath>

#include "engine/optimizer/log_pacer.h"
#include "engine/optimizer/network_split.h"
#include "engine/optimizer/stop_request.h"
#include "engine/optimizer/structured_start.h"

namespace qtb::opt {

std::unique_ptr<StartBeside> StartBeside::Start(const xo_prob_struct& p, double start) {
    if (p.model.Cols() < p.Control(XO_START_THREAD_COLUMNS)) return nullptr;
    if (std::thread::hardware_concurrency() < 2) return nullptr;
    if (!p.model.HasEntities() || !SplittableModel(p.SolverModel())) return nullptr;
    std::unique_ptr<StartBeside> beside(new StartBeside());
    StartBeside* b = beside.get();
    const ModelData* model = &p.SolverModel();
    const int sense = p.sense;
    try {
        b->thread_ = std::thread([b, model, sense, start] {
            StartSearch search;
            search.sense = sense;
            // Beside the search it may go on until the search ends.
            search.lagrange_seconds = 30;
            search.exchange_seconds = kInfinity;
            search.stop = [b] {
                return b->stop_.load(std::memory_order_relaxed) || StopRequested();
            };
            search.bound = [b, sense](double bound) {
                std::lock_guard<std::mutex> lock(b->mutex_);
                if (!b->has_bound_ || sense * bound > sense * b->bound_) b->bound_ = bound;
                b->has_bound_ = true;
            };
            search.found = [b, start](const std::vector<double>& x, double) {
                std::lock_guard<std::mutex> lock(b->mutex_);
                b->x_ = x;
                b->found_at_ = NowSeconds() - start;
                b->pending_.store(true, std::memory_order_release);
            };
            try {
                RunStructuredStart(*model, search);
            } catch (...) {
                // Out of memory or the like: the search goes on alone.
            }
        });
    } catch (...) {
        return nullptr;  // no thread to be had
    }
    return beside;
}

StartBeside::~StartBeside() {
    Stop();
}

void StartBeside::RequestStop() {
    stop_.store(true, std::memory_order_relaxed);
}

void StartBeside::Stop() {
    stop_.store(true, std::memory_order_relaxed);
    if (thread_.joinable()) thread_.join();
}

bool StartBeside::Take(std::vector<double>* x, double* found_at) {
    if (!pending_.load(std::memory_order_acquire)) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    x->swap(x_);
    x_.clear();
    *found_at = found_at_;
    pending_.store(false, std::memory_order_relaxed);
    return true;
}

bool StartBeside::Bound(double* bound) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (has_bound_) *bound = bound_;
    return has_bound_;
}

bool SolutionFeasible(const ModelData& m, const std::vector<double>& x) {
    const int n = m.Cols();
    if (static_cast<int>(x.size()) != n) return false;
    for (int j = 0; j < n; ++j) {
        if (!std::isfinite(x[j]) || x[j] < m.lb[j] - 1e-9 || x[j] > m.ub[j] + 1e-9) return false;
        if (m.type[j] != 'C' && x[j] != std::round(x[j])) return false;
    }
    const std::vector<double> slack = m.Slacks(x.data());
    for (int i = 0; i < m.Rows(); ++i) {
        double lo = 0, up = 0;
        m.RowLimits(i, kInfinity, &lo, &up);
        const double activity = m.rhs[i] - slack[i];
        const double tol = 1e-7 * std::max(1.0, std::fabs(m.rhs[i]));
        if (activity < lo - tol || activity > up + tol) return false;
    }
    return true;
}

double ObjectiveOf(const ModelData& m, const std::vector<double>& x) {
    double z = 0;
    for (int j = 0; j < m.Cols(); ++j) z += m.obj[j] * x[j];
    return z;
}

}  // namespace qtb::opt
