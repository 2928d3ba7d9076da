#include "engine/optimizer/lp_backend.h"

#include <ClpSimplex.hpp>
#include <ClpSolve.hpp>
#include <algorithm>

#include "engine/optimizer/coin_model.h"
#include "engine/optimizer/log_pacer.h"
#include "engine/optimizer/status_map.h"
#include "engine/optimizer/stop_request.h"

namespace qtb::opt {

namespace {

// Keep work areas and factorisation after a solve (1) and reuse the old
// factorisation when the row count is unchanged (2): the warm re-solve. After
// objective changes only, also skip re-initialising what CLP knows has not
// changed (4); about a quarter faster on auditing LPs.
constexpr int kKeepFactorisation = 1;
constexpr int kWarm = 1 | 2;
constexpr int kWarmObjectiveOnly = 1 | 2 | 4;

// Objective coefficients changed since the last solve from which the old
// basis is no better than none: a fresh solve is then much faster. (Auditing
// LPs of a 30x30x30 table that push every cell at once: 56 s warm, 3 s fresh.)
int WholesaleChanges(int cols) {
    return std::max(64, cols / 4);
}

// Passes of the idiot crash in a fresh solve.
constexpr int kIdiotPasses = 50;

}  // namespace

// One LP solve as the LP log callback sees it.
class LpBackend::Run : public IterationObserver {
  public:
    Run(xo_prob_struct& p, int sense)
        : p_(p), sense_(sense), pacer_(p.PacerSettings(false), NowSeconds()) {}

    bool OnIteration(ClpSimplex* simplex) override {
        if (stop_) return true;
        ++iterations_;
        if (StopRequested()) {
            stop_ = true;
            return true;
        }
        const double now = NowSeconds();
        if (pacer_.OnIteration(iterations_, now) != LogPacer::Call::kLpLog) return false;
        pacer_.Called(now);
        p_.attrs.lp_status = XPRS_LP_UNFINISHED;
        p_.attrs.simplex_iter = static_cast<int>(iterations_);
        if (simplex) p_.attrs.lp_obj = sense_ * simplex->objectiveValue();
        if (p_.CallLog(false) != 0) stop_ = true;
        return stop_;
    }

    bool Stopped() const { return stop_; }
    long Iterations() const { return iterations_; }

  private:
    xo_prob_struct& p_;
    int sense_;
    LogPacer pacer_;
    long iterations_ = 0;
    bool stop_ = false;
};

LpBackend::LpBackend(xo_prob_struct& problem)
    : p_(problem),
      sink_([this](std::string_view line, int type) { p_.EmitMessage(line, type); }),
      sense_(problem.sense) {
    Build();
}

LpBackend::~LpBackend() = default;

void LpBackend::Build() {
    CoinArrays a = ToCoin(p_.SolverModel(), sense_);
    simplex_ = std::make_unique<ClpSimplex>();
    simplex_->passInMessageHandler(&sink_);
    simplex_->setLogLevel(0);
    simplex_->loadProblem(a.matrix, a.col_lo.data(), a.col_up.data(), a.obj.data(), a.row_lo.data(),
                          a.row_up.data());
    solved_ = false;
    obj_changed_ = false;
    obj_changes_ = 0;
    bounds_changed_ = false;
}

void LpBackend::SetSense(int sense) {
    sense_ = sense;
    for (int j = 0; j < p_.model.Cols(); ++j) {
        simplex_->setObjectiveCoefficient(j, sense_ * p_.model.obj[j]);
    }
    obj_changed_ = true;
    obj_changes_ += p_.model.Cols();
}

void LpBackend::SetObjective(int col, double value) {
    simplex_->setObjectiveCoefficient(col, sense_ * value);
    obj_changed_ = true;
    ++obj_changes_;
}

void LpBackend::SetBounds(int col, double lo, double up) {
    simplex_->setColumnBounds(col, CoinBound(lo), CoinBound(up));
    bounds_changed_ = true;
}

MappedStatus LpBackend::SolveOnce(char algorithm, bool warm, Run& run) {
    simplex_->setLogLevel(p_.cb.message ? 1 : 0);
    // The simplex keeps a clone of the handler; it must not outlive `run`.
    simplex_->passInEventHandler(std::make_unique<IterationEvents>(&run).get());
    struct Detach {
        ClpSimplex& s;
        ~Detach() {
            ClpEventHandler idle;
            s.passInEventHandler(&idle);
        }
    } detach{*simplex_};
    (void)algorithm;
    const bool wholesale = obj_changes_ >= WholesaleChanges(p_.model.Cols());
    if (!warm || (wholesale && !bounds_changed_)) {
        // A fresh solve, whatever was asked: after presolve, CLP's "idiot"
        // crash (an approximate solution by penalties, no simplex pivots)
        // and the primal simplex from its point. On the auditing LPs
        // (equations over boxes around a feasible table) a plain dual simplex
        // from scratch took minutes (200x200 table: 52 s), and so did CLP's
        // automatic choice on four dimensions; measured CPU seconds of the
        // first LP that pushes every cell, automatic choice against this:
        // 20x20x20 0.9 / 0.6, 30x30x30 13.9 / 2.4, 10x10x10x10 95 / 3.6.
        // The crash itself reports no iterations: for that long the LP
        // cannot be stopped. Later solves follow the kind of change, warm.
        simplex_->allSlackBasis(true);
        ClpSolve options;
        options.setSolveType(ClpSolve::usePrimalorSprint);
        options.setSpecialOption(1, 2, kIdiotPasses);
        options.setPresolveType(ClpSolve::presolveOn);
        simplex_->initialSolve(options);
    } else if (bounds_changed_ && !obj_changed_) {
        // New bounds: the old basis stays dual feasible.
        simplex_->dual(0, kWarm);
    } else if (!bounds_changed_) {
        // New objective (or nothing new): the old basis stays primal feasible.
        simplex_->primal(0, kWarmObjectiveOnly);
    } else {
        // Both changed: primal copes with an infeasible start.
        simplex_->primal(0, kWarm);
    }
    solved_ = true;
    obj_changed_ = false;
    obj_changes_ = 0;
    bounds_changed_ = false;
    return MapClpStatus(simplex_->status(), simplex_->secondaryStatus());
}

int LpBackend::Solve(char algorithm) {
    Run run(p_, sense_);
    const bool warm = solved_;
    MappedStatus st = SolveOnce(algorithm, warm, run);
    if (warm && !run.Stopped() && st.lp != XPRS_LP_OPTIMAL) {
        // A warm re-solve that does not end optimal is confirmed from scratch:
        // the outcome must not depend on the path taken to reach it.
        Build();
        st = SolveOnce(algorithm, false, run);
    }
    const int lp = st.lp;

    Attributes& at = p_.attrs;
    at.lp_status = lp;
    at.simplex_iter = static_cast<int>(run.Iterations());
    at.lp_obj = sense_ * simplex_->objectiveValue();
    if (p_.model.HasEntities()) {
        at.mip_status = lp == XPRS_LP_OPTIMAL ? XPRS_MIP_LP_OPTIMAL : XPRS_MIP_LP_NOT_OPTIMAL;
    }
    const int n = p_.model.Cols();
    const int m = p_.SolverModel().Rows();
    Solution& s = p_.sol;
    const double* x = simplex_->primalColumnSolution();
    const double* y = simplex_->dualRowSolution();
    const double* d = simplex_->dualColumnSolution();
    s.x.assign(x, x + n);
    s.duals.resize(m);
    s.dj.resize(n);
    for (int i = 0; i < m; ++i) s.duals[i] = sense_ * y[i];
    p_.ToModelDuals(&s.duals);
    for (int j = 0; j < n; ++j) s.dj[j] = sense_ * d[j];
    s.has_x = true;
    s.has_duals = true;
    return st.failed ? XO_ERR_SOLVER : 0;
}

}  // namespace qtb::opt
