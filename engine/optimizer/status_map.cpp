#include "engine/optimizer/status_map.h"

#include "engine/optimizer/optimizer.h"

namespace qtb::opt {

MappedStatus MapClpStatus(int status, int secondary) {
    MappedStatus out;
    switch (status) {
        case 0:
            // Secondary 2..4 say the scaled problem is optimal but the unscaled one
            // keeps small infeasibilities; CLP still calls it optimal and so do we.
            out.lp = XPRS_LP_OPTIMAL;
            break;
        case 1:
            // Secondary 1 would mean "dual objective limit reached", but no limit
            // is ever set here, so status 1 is always primal infeasibility.
            out.lp = XPRS_LP_INFEAS;
            break;
        case 2:
            // Dual infeasible: the primal is unbounded (or infeasible as well; CLP
            // does not tell these apart without a further solve).
            out.lp = XPRS_LP_UNBOUNDED;
            break;
        case 3:
            // Stopped on an iteration or time limit (secondary 9: on time, 10:
            // stopped while primal feasible). Neither limit is set here.
            out.lp = XPRS_LP_UNFINISHED;
            break;
        case 5:
            // Stopped by the event handler, that is by a log callback.
            out.lp = XPRS_LP_UNFINISHED;
            break;
        case 4:
            // Stopped on numerical errors: nothing trustworthy came out.
        default:
            // -1 (never solved) and any code this version did not document.
            out.lp = XPRS_LP_UNFINISHED;
            out.failed = true;
            break;
    }
    (void)secondary;
    return out;
}

namespace {

int IncompleteSearch(const CbcOutcome& o) {
    return o.has_solution ? XPRS_MIP_SOLUTION : XPRS_MIP_NO_SOL_FOUND;
}

// The root LP status, or "unfinished" when the root LP never completed.
int RootLp(const CbcOutcome& o) {
    return o.root_lp == 0 ? XPRS_LP_UNFINISHED : o.root_lp;
}

}  // namespace

MappedStatus MapCbcOutcome(const CbcOutcome& o) {
    MappedStatus out;
    out.lp = RootLp(o);
    if (o.stop_requested) {
        // Our own stop wins over whatever CBC concludes: an LP cut short by the
        // stop can look infeasible to CBC, which then prunes the node and may
        // even claim optimality or infeasibility for an unfinished search.
        out.mip = IncompleteSearch(o);
        return out;
    }
    switch (o.status) {
        case 0:
            if (o.proven_optimal && o.has_solution) {
                out.mip = XPRS_MIP_OPTIMAL;
            } else if (o.proven_infeasible) {
                // Covers both an infeasible root LP (root_lp = infeasible, CBC
                // secondary 1) and a search that exhausted the tree.
                out.mip = XPRS_MIP_INFEAS;
            } else if (o.secondary == 7) {
                // Unbounded relaxation: no search took place.
                out.lp = XPRS_LP_UNBOUNDED;
                out.mip = XPRS_MIP_LP_NOT_OPTIMAL;
            } else {
                // "Finished" without being optimal, infeasible or unbounded.
                out.mip = o.has_solution ? XPRS_MIP_SOLUTION : XPRS_MIP_LP_NOT_OPTIMAL;
                out.failed = true;
            }
            return out;
        case 1:
            if (o.secondary == 2 && o.has_solution) {
                // Stopped on gap: optimal within CBC's allowed gap.
                out.mip = XPRS_MIP_OPTIMAL;
                return out;
            }
            // Node, time, solution or iteration limit.
            out.mip = IncompleteSearch(o);
            return out;
        case 5:
            // Stopped by an event (secondary 5 during the search, 100 while the
            // initial LP ran, in which case root_lp is unfinished as well).
            out.mip = IncompleteSearch(o);
            return out;
        case 2:
            // Abandoned on numerical difficulties.
        default:
            // -1 (never ran) and undocumented codes. Keep a solution if there is
            // one; otherwise say the relaxation was not solved.
            out.mip = o.has_solution ? XPRS_MIP_SOLUTION : XPRS_MIP_LP_NOT_OPTIMAL;
            out.failed = true;
            return out;
    }
}

}  // namespace qtb::opt
