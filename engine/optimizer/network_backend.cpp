#include "engine/optimizer/network_backend.h"

#include <cmath>
#include <cstdio>

#include "engine/optimizer/log_pacer.h"

namespace qtb::opt {

namespace {

int LpStatusOf(NetworkSimplex::Result r) {
    switch (r) {
        case NetworkSimplex::Result::kOptimal:
            return XPRS_LP_OPTIMAL;
        case NetworkSimplex::Result::kInfeasible:
            return XPRS_LP_INFEAS;
        case NetworkSimplex::Result::kUnbounded:
            return XPRS_LP_UNBOUNDED;
        case NetworkSimplex::Result::kStopped:
        default:
            return XPRS_LP_UNFINISHED;
    }
}

double CallerObjective(const ModelData& m, const std::vector<double>& x) {
    double z = 0.0;
    for (int j = 0; j < m.Cols(); ++j) z += m.obj[j] * x[j];
    return z;
}

// Calls the log callbacks at the points the pacer asks for; remembers a stop.
class PivotLog {
  public:
    PivotLog(xo_prob_struct& p, bool global)
        : p_(p), pacer_(p.PacerSettings(global), NowSeconds()) {}

    bool operator()(long pivots) {
        if (stop_) return true;
        const double now = NowSeconds();
        const LogPacer::Call call = pacer_.OnIteration(pivots, now);
        if (call == LogPacer::Call::kNone) return false;
        pacer_.Called(now);
        p_.attrs.lp_status = XPRS_LP_UNFINISHED;
        p_.attrs.simplex_iter = static_cast<int>(pivots);
        if (p_.CallLog(call == LogPacer::Call::kGlobalLog) != 0) stop_ = true;
        return stop_;
    }
    bool Stopped() const { return stop_; }

  private:
    xo_prob_struct& p_;
    LogPacer pacer_;
    bool stop_ = false;
};

void Emit(xo_prob_struct& p, const char* format, double a, double b, double c) {
    char line[200];
    std::snprintf(line, sizeof line, format, a, b, c);
    p.EmitMessage(line, XPRS_MSG_INFO);
}

}  // namespace

NetworkLp::NetworkLp(xo_prob_struct& problem, const NetworkForm& form)
    : p_(problem), form_(form), sense_(problem.sense) {}

bool NetworkLp::Build() {
    bounded_ = BuildFlowProblem(p_.SolverModel(), form_, sense_, &flow_);
    built_ = true;
    solved_ = false;
    return bounded_;
}

void NetworkLp::SetSense(int sense) {
    sense_ = sense;
    if (!built_) return;
    for (int j = 0; j < p_.model.Cols(); ++j) SetObjective(j, p_.model.obj[j]);
}

void NetworkLp::SetObjective(int col, double value) {
    if (!built_) return;
    const int a = form_.col_arc[col];
    if (a >= 0) {
        flow_.SetCost(a, ArcCost(form_, sense_, col, value));
        ++cost_changes_;
    } else if (a == kLooseColumn) {
        built_ = false;  // whether the LP is bounded may change
    }
}

void NetworkLp::SetBounds(int, double, double) {
    built_ = false;
}

int NetworkLp::Solve(char) {
    const bool warm = built_ && solved_;
    if (!built_) Build();
    // After a change of a large part of the objective the last tree is a
    // poor start: on auditing LPs whose objective turned round it took six
    // times the pivots of a start from scratch.
    if (cost_changes_ > flow_.Arcs() / 8) flow_.Restart();
    cost_changes_ = 0;
    PivotLog log(p_, false);
    NetworkSimplex::Result r = NetworkSimplex::Result::kUnbounded;
    const long before = flow_.Pivots();
    if (bounded_) {
        r = flow_.Solve(std::ref(log));
        if (warm && r != NetworkSimplex::Result::kOptimal && !log.Stopped()) {
            // As with CLP: an outcome other than optimal is confirmed from
            // scratch, whatever path led to it.
            Build();
            r = flow_.Solve(std::ref(log));
        }
    }
    solved_ = r != NetworkSimplex::Result::kUnbounded;
    const int lp = LpStatusOf(r);

    Solution& s = p_.sol;
    ColumnValues(p_.SolverModel(), form_, flow_, sense_, &s.x);
    DualValues(p_.SolverModel(), form_, flow_, sense_, &s.duals, &s.dj);
    p_.ToModelDuals(&s.duals);
    s.has_x = true;
    s.has_duals = true;
    Attributes& at = p_.attrs;
    at.lp_status = lp;
    at.simplex_iter = static_cast<int>(flow_.Pivots() - before);
    at.lp_obj = CallerObjective(p_.model, s.x);
    if (p_.model.HasEntities()) {
        at.mip_status = lp == XPRS_LP_OPTIMAL ? XPRS_MIP_LP_OPTIMAL : XPRS_MIP_LP_NOT_OPTIMAL;
    }
    return 0;
}

int RunNetworkSearch(xo_prob_struct& p, const NetworkForm& form) {
    const double start = NowSeconds();
    Attributes& at = p.attrs;
    at.lp_status = XPRS_LP_UNFINISHED;
    at.mip_status = XPRS_MIP_LP_NOT_OPTIMAL;
    NetworkSimplex flow(1);
    const bool bounded = BuildFlowProblem(p.SolverModel(), form, p.sense, &flow);
    Emit(p, "Network model: %.0f nodes, %.0f arcs, %.0f columns", flow.Nodes(), flow.Arcs(),
         p.model.Cols());
    PivotLog log(p, true);
    const NetworkSimplex::Result r =
        bounded ? flow.Solve(std::ref(log)) : NetworkSimplex::Result::kUnbounded;
    at.simplex_iter = static_cast<int>(flow.Pivots());
    at.nodes = 0;
    at.active_nodes = 0;
    at.lp_status = LpStatusOf(r);
    if (r == NetworkSimplex::Result::kStopped) {
        at.mip_status = XPRS_MIP_NO_SOL_FOUND;
        p.EmitMessage("Network simplex stopped", XPRS_MSG_INFO);
        return 0;
    }
    if (r != NetworkSimplex::Result::kOptimal) {
        at.mip_status =
            r == NetworkSimplex::Result::kInfeasible ? XPRS_MIP_INFEAS : XPRS_MIP_LP_NOT_OPTIMAL;
        p.EmitMessage(r == NetworkSimplex::Result::kInfeasible ? "Network model infeasible"
                                                               : "Network model unbounded",
                      XPRS_MSG_INFO);
        return 0;
    }
    std::vector<double> x;
    ColumnValues(p.SolverModel(), form, flow, p.sense, &x);
    // Integer data give integer flows; the rounding only removes the noise of
    // floating-point sums.
    for (int j = 0; j < p.model.Cols(); ++j) {
        if (p.model.type[j] != 'C') x[j] = std::round(x[j]);
    }
    const double z = CallerObjective(p.model, x);
    Emit(p, "Network simplex: optimal objective %.10g after %.0f pivots (%.2f seconds)", z,
         static_cast<double>(flow.Pivots()), NowSeconds() - start);
    at.lp_obj = z;
    at.mip_obj = z;
    at.best_bound = z;
    at.mip_sols = 1;
    at.mip_status = XPRS_MIP_SOLUTION;
    p.live_incumbent = &x;
    p.CallIntSol();
    p.live_incumbent = nullptr;
    at.mip_status = XPRS_MIP_OPTIMAL;
    p.sol.x = std::move(x);
    p.sol.has_x = true;
    p.sol.has_duals = false;
    return 0;
}

}  // namespace qtb::opt
