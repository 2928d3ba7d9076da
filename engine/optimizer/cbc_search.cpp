#include "engine/optimizer/cbc_search.h"

#include <CbcModel.hpp>
#include <CbcSolver.hpp>
#include <CbcTree.hpp>
#include <ClpSimplex.hpp>
#include <OsiClpSolverInterface.hpp>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "engine/optimizer/start_beside.h"
#include "engine/optimizer/status_map.h"
#include "engine/optimizer/stop_request.h"
#include "engine/optimizer/violation_walk.h"

namespace qtb::opt {

namespace {

// The CBC event handler: every event goes to the search. CBC keeps clones of
// it (in its working copy of the model and in the sub-searches of heuristics);
// all of them share the search.
class SearchEvents : public CbcEventHandler {
  public:
    explicit SearchEvents(CbcSearch* search) : search_(search) {}
    SearchEvents(const SearchEvents& other) = default;
    CbcEventHandler* clone() const override { return new SearchEvents(*this); }
    CbcAction event(CbcEvent which) override { return search_->OnEvent(model_, which); }

  private:
    CbcSearch* search_;
};

// A sub-search run by a heuristic: its solutions and node counts are not the
// search's own.
bool IsSubSearch(const CbcModel* model) {
    return (model->specialOptions() & 2048) != 0;
}

}  // namespace

CbcSearch::~CbcSearch() = default;

void CbcSearch::TakeFedSolution(CbcModel* model) {
    if (!feed_) return;
    std::vector<double> x;
    double found_at = 0;
    if (!feed_(&x, &found_at)) return;
    if (!SolutionFeasible(p_.model, x)) return;
    double obj = 0.0;
    for (int j = 0; j < n_; ++j) obj += obj_[j] * x[j];
    if (has_incumbent_ && obj >= incumbent_obj_ - 1e-9 * std::max(1.0, std::fabs(incumbent_obj_)))
        return;
    if (announce_feed_) AnnounceStartSolution(p_, ToCaller(obj), found_at);
    Offer(x.data());
    Inject(model, x.data(), obj);
}

void CbcSearch::Inject(CbcModel* model, const double* x, double obj) {
    if (model && model->getNumCols() == n_ && obj < model->getMinimizationObjValue()) {
        // CBC takes it as its own incumbent and prunes with it.
        injecting_ = true;
        double value = obj;
        model->setBestSolution(CBC_ROUNDING, value, x, 0);
        injecting_ = false;
    }
}

void AnnounceStartSolution(xo_prob_struct& p, double objective, double found_at) {
    char line[160];
    std::snprintf(line, sizeof line, "Start heuristic: solution of %.10g after %.2f seconds",
                  objective, found_at);
    p.EmitMessage(line, XPRS_MSG_INFO);
}

CbcSearch::CbcSearch(xo_prob_struct& p, SolutionFeed feed, bool announce_feed)
    : p_(p),
      n_(p.model.Cols()),
      sense_(p.sense),
      start_(NowSeconds()),
      backstop_(p.Control(XO_SEARCH_SECONDS)),
      pacer_(p.PacerSettings(true), start_),
      sink_([&p](std::string_view line, int type) { p.EmitMessage(line, type); }),
      feed_(std::move(feed)),
      announce_feed_(announce_feed) {
    p_.attrs.lp_status = XPRS_LP_UNFINISHED;
    p_.attrs.mip_status = XPRS_MIP_LP_NOT_OPTIMAL;
    p_.root_lp = 0;
}

double CbcSearch::ToCaller(double internal) const {
    const double v = sense_ * internal;
    return std::clamp(v, -kInfinity, kInfinity);
}

bool CbcSearch::BackstopReached(double now) {
    if (backstop_ > 0 && now - start_ >= backstop_) stop_ = true;
    if (StopRequested()) stop_ = true;
    if (p_.remote_stop && p_.remote_stop->load(std::memory_order_relaxed) != 0) stop_ = true;
    return stop_;
}

void CbcSearch::Call(LogPacer::Call call, double now, bool in_lp) {
    if (call == LogPacer::Call::kNone || stop_) return;
    pacer_.Called(now);
    p_.attrs.simplex_iter = static_cast<int>(iterations_);
    if (!in_lp) p_.attrs.lp_status = root_lp_ ? root_lp_ : XPRS_LP_UNFINISHED;
    if (p_.CallLog(call == LogPacer::Call::kGlobalLog) != 0) stop_ = true;
}

bool CbcSearch::OnIteration(ClpSimplex* simplex) {
    if (stop_) return true;
    ++iterations_;
    const double now = NowSeconds();
    if (BackstopReached(now)) return true;
    const LogPacer::Call call = pacer_.OnIteration(iterations_, now);
    if (call == LogPacer::Call::kNone) return false;
    p_.attrs.lp_status = XPRS_LP_UNFINISHED;
    if (simplex) p_.attrs.lp_obj = ToCaller(simplex->objectiveValue());
    Call(call, now, true);
    return stop_;
}

double CbcSearch::BestBound(CbcModel& model) {
    // While its root heuristics run, CBC reports the incumbent (or its
    // cutoff) as the best possible value; the root LP bounds the search
    // then. Bounds only ever rise.
    const double b = model.getBestPossibleObjValue();
    const double tol = 1e-9 * std::max(1.0, std::fabs(incumbent_obj_));
    const bool claims_no_gap = has_incumbent_ && b >= incumbent_obj_ - tol;
    if (std::isfinite(b) && std::fabs(b) < kInfinity && !claims_no_gap)
        bound_ = std::max(bound_, b);
    return bound_;
}

void CbcSearch::Snapshot(CbcModel* model) {
    Attributes& a = p_.attrs;
    a.nodes = model->getNodeCount();
    active_nodes_ = model->tree() ? model->tree()->size() : 0;
    a.active_nodes = active_nodes_;
    a.best_bound = ToCaller(BestBound(*model));
    if (model->solver()) a.lp_obj = ToCaller(model->solver()->getObjValue());
}

CbcEventHandler::CbcAction CbcSearch::OnEvent(CbcModel* model, CbcEventHandler::CbcEvent event) {
    try {
        const bool sub = IsSubSearch(model);
        if (!sub) {
            Snapshot(model);
            if (event == CbcEventHandler::solution || event == CbcEventHandler::heuristicSolution) {
                if (model->getNumCols() == n_) Offer(model->bestSolution());
            }
            // Between nodes only: a cutoff that changes while CBC processes
            // a node trips its check that the node's children lie below it.
            if (event == CbcEventHandler::treeStatus && !injecting_) {
                // The walk's solution, when CBC's root found none as good: given
                // at the first node, so that a search that does well on its own
                // runs as it would without it.
                if (walk_pending_) {
                    walk_pending_ = false;
                    Inject(model, walk_x_.data(), walk_obj_);
                }
                TakeFedSolution(model);
            }
        }
        if (stop_) return CbcEventHandler::stop;
        const double now = NowSeconds();
        if (BackstopReached(now)) return CbcEventHandler::stop;
        const LogPacer::Call call = (!sub && event == CbcEventHandler::node)
                                        ? pacer_.OnNode(model->getNodeCount(), now)
                                        : pacer_.OnEvent(now);
        Call(call, now, false);
    } catch (...) {
        failed_ = true;
        stop_ = true;
    }
    return stop_ ? CbcEventHandler::stop : CbcEventHandler::noAction;
}

void CbcSearch::Offer(const double* x) {
    if (!x) return;
    double obj = 0.0;
    for (int j = 0; j < n_; ++j) obj += obj_[j] * x[j];
    if (has_incumbent_) {
        // CBC reports one incumbent up to four times; a solution that is not
        // better than the last one passed on is no new incumbent either.
        if (std::equal(x, x + n_, incumbent_.begin())) return;
        if (obj > incumbent_obj_ + 1e-9 * std::max(1.0, std::fabs(incumbent_obj_))) return;
    }
    incumbent_.assign(x, x + n_);
    incumbent_obj_ = obj;
    has_incumbent_ = true;
    Attributes& a = p_.attrs;
    a.mip_sols += 1;
    a.mip_obj = ToCaller(obj);
    a.mip_status = XPRS_MIP_SOLUTION;
    a.lp_status = root_lp_ ? root_lp_ : XPRS_LP_UNFINISHED;
    a.simplex_iter = static_cast<int>(iterations_);
    p_.live_incumbent = &incumbent_;
    p_.CallIntSol();
}

void CbcSearch::OnStage(CbcModel* model, int where) {
    if (where != 1 || !model) return;
    // After the initial LP: its outcome is the root LP status.
    auto* osi = dynamic_cast<OsiClpSolverInterface*>(model->solver());
    if (!osi) return;
    ClpSimplex* lp = osi->getModelPtr();
    root_lp_ = MapClpStatus(lp->status(), lp->secondaryStatus()).lp;
    if (root_lp_ == XPRS_LP_OPTIMAL) {
        root_obj_ = ToCaller(lp->objectiveValue());
        bound_ = std::max(bound_, lp->objectiveValue());
        p_.attrs.lp_obj = root_obj_;
        if (!has_incumbent_) p_.attrs.mip_status = XPRS_MIP_NO_SOL_FOUND;
    }
    p_.attrs.lp_status = root_lp_;
    p_.root_lp = root_lp_;
}

void CbcSearch::WalkFirst() {
    const int millions = p_.Control(XO_START_WALK_EFFORT);
    const ModelData& m = p_.SolverModel();
    if (millions <= 0 || !WalkableModel(m)) return;
    WalkSearch w;
    w.sense = sense_;
    w.effort = static_cast<int64_t>(millions) * 1000000;
    // The caller's log callbacks go on while it walks, so its time limit and
    // stop requests act as during the search.
    w.stop = [this] {
        const double now = NowSeconds();
        if (BackstopReached(now)) return true;
        Call(pacer_.OnEvent(now), now, false);
        return stop_;
    };
    const WalkOutcome o = RunViolationWalk(m, w);
    char line[200];
    std::snprintf(line, sizeof line,
                  "Start walk: %s after %.2f seconds (%lld moves, %.1f million work units)",
                  o.found ? "a solution" : "no solution", NowSeconds() - start_,
                  static_cast<long long>(o.moves), static_cast<double>(o.work) / 1e6);
    p_.EmitMessage(line, XPRS_MSG_INFO);
    if (!o.found || !SolutionFeasible(p_.model, o.x)) return;
    std::snprintf(line, sizeof line, "Start walk: solution of %.10g", o.objective);
    p_.EmitMessage(line, XPRS_MSG_INFO);
    Offer(o.x.data());
    walk_x_ = o.x;
    walk_obj_ = incumbent_obj_;
    walk_pending_ = true;
}

int CbcSearch::Run(int (*stage)(CbcModel*, int)) {
    CoinArrays a = ToCoin(p_.SolverModel(), sense_);
    obj_ = a.obj;
    WalkFirst();
    OsiClpSolverInterface solver;
    solver.passInMessageHandler(&sink_);
    solver.loadProblem(a.matrix, a.col_lo.data(), a.col_up.data(), a.obj.data(), a.row_lo.data(),
                       a.row_up.data());
    for (int j = 0; j < n_; ++j) {
        if (p_.model.type[j] != 'C') solver.setInteger(j);
    }
    // Attached before the model copies the solver, so every copy has it.
    IterationEvents lp_events(this);
    solver.getModelPtr()->passInEventHandler(&lp_events);

    CbcModel model(solver);
    model.passInMessageHandler(&sink_);
    SearchEvents events(this);
    model.passInEventHandler(&events);

    CbcSolverUsefulData data;
    data.useSignalHandler_ = false;
    data.noPrinting_ = false;  // everything goes to the message sink
    CbcMain0(model, data);
    std::vector<std::string> args = {"quorant", "-preprocess", "off", "-presolve", "off"};
    if (backstop_ > 0) {
        args.insert(args.end(),
                    {"-sec", std::to_string(static_cast<long>(backstop_)), "-timeMode", "elapsed"});
    }
    args.insert(args.end(), {"-solve", "-quit"});
    std::vector<const char*> argv;
    for (const std::string& s : args) argv.push_back(s.c_str());
    CbcMain1(static_cast<int>(argv.size()), argv.data(), model, stage, data);

    int status = 0;
    Finish(model, &status);
    return status;
}

void CbcSearch::Finish(CbcModel& model, int* status) {
    // A final solution that no event reported is passed on now, so that the
    // last integer-solution callback always has the search's result.
    if (model.bestSolution() && model.getNumCols() == n_) Offer(model.bestSolution());
    // A fed solution not yet taken counts when it is better than CBC's.
    if (!model.isProvenOptimal() && !model.isProvenInfeasible()) TakeFedSolution(nullptr);

    CbcOutcome o;
    o.status = model.status();
    o.secondary = model.secondaryStatus();
    o.proven_optimal = model.isProvenOptimal();
    o.proven_infeasible = model.isProvenInfeasible();
    o.has_solution = has_incumbent_;
    o.stop_requested = stop_;
    o.root_lp = root_lp_;
    const MappedStatus st = MapCbcOutcome(o);

    Attributes& at = p_.attrs;
    at.lp_status = st.lp;
    at.mip_status = st.mip;
    at.simplex_iter = static_cast<int>(iterations_);
    at.lp_obj = root_obj_;
    at.nodes = model.getNodeCount();
    const bool complete = st.mip == XPRS_MIP_OPTIMAL || st.mip == XPRS_MIP_INFEAS;
    at.active_nodes = complete ? 0 : active_nodes_;
    at.mip_obj = has_incumbent_ ? ToCaller(incumbent_obj_) : sense_ * kInfinity;
    if (st.mip == XPRS_MIP_OPTIMAL) {
        at.best_bound = at.mip_obj;
    } else if (st.mip == XPRS_MIP_INFEAS) {
        at.best_bound = sense_ * kInfinity;
    } else if (root_lp_ == XPRS_LP_OPTIMAL) {
        at.best_bound = ToCaller(BestBound(model));
    }
    p_.sol.x = incumbent_;
    p_.sol.has_x = has_incumbent_;
    p_.sol.has_duals = false;
    *status = (st.failed || failed_) ? XO_ERR_SOLVER : 0;
}

}  // namespace qtb::opt
