// Translation of the backends' outcome codes into the library's LP and MIP
// statuses. One function per backend; every quirk of a backend is handled
// (and explained) there, nowhere else.
#pragma once

namespace qtb::opt {

// An outcome as the library reports it. `failed` means the backend gave up or
// reported something unknown; the solve call then returns XO_ERR_SOLVER.
struct MappedStatus {
    int lp = 0;
    int mip = 0;
    bool failed = false;
};

// What CLP says after ClpSimplex::primal/dual: status() and secondaryStatus().
// Only `lp` and `failed` of the result are meaningful.
MappedStatus MapClpStatus(int status, int secondary);

// What is known after a CBC search.
struct CbcOutcome {
    int status = -1;     // CbcModel::status()
    int secondary = -1;  // CbcModel::secondaryStatus()
    bool proven_optimal = false;
    bool proven_infeasible = false;
    bool has_solution = false;    // bestSolution() was not null
    bool stop_requested = false;  // a log callback or the time backstop asked to stop
    int root_lp = 0;              // MapClpStatus of the root LP relaxation; 0 if never solved
};

MappedStatus MapCbcOutcome(const CbcOutcome& outcome);

}  // namespace qtb::opt
