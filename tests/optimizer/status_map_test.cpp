// The translation of CBC and CLP outcomes into the library's statuses, as one
// table each, unknown codes included. A wrong row here would make the engine
// report a rounding as optimal when the search was cut short, or the reverse.
#include "engine/optimizer/optimizer.h"
#include "engine/optimizer/status_map.h"

#include <gtest/gtest.h>

namespace qtb::opt {
namespace {

TEST(StatusMap, EveryBackendOutcomeMapsToOneStatusPair) {
    struct ClpCase {
        int status, secondary, lp;
        bool failed;
    };
    const ClpCase clp[] = {
        {0, 0, XPRS_LP_OPTIMAL, false},
        {0, 2, XPRS_LP_OPTIMAL, false},  // optimal scaled, small unscaled infeasibilities
        {1, 0, XPRS_LP_INFEAS, false},
        {1, 1, XPRS_LP_INFEAS, false},  // no objective limit is set: still infeasible
        {2, 0, XPRS_LP_UNBOUNDED, false},
        {3, 0, XPRS_LP_UNFINISHED, false},
        {3, 9, XPRS_LP_UNFINISHED, false},
        {5, 100, XPRS_LP_UNFINISHED, false},  // stopped by a log callback
        {4, 0, XPRS_LP_UNFINISHED, true},     // numerical errors
        {-1, 0, XPRS_LP_UNFINISHED, true},    // never solved
        {42, 0, XPRS_LP_UNFINISHED, true},    // unknown code
    };
    for (const ClpCase& c : clp) {
        const MappedStatus m = MapClpStatus(c.status, c.secondary);
        EXPECT_EQ(m.lp, c.lp) << "CLP status " << c.status << "/" << c.secondary;
        EXPECT_EQ(m.failed, c.failed) << "CLP status " << c.status << "/" << c.secondary;
    }

    const int kOpt = XPRS_LP_OPTIMAL, kUnf = XPRS_LP_UNFINISHED;
    struct CbcCase {
        const char* what;
        CbcOutcome in;
        int lp, mip;
        bool failed;
    };
    // in: status, secondary, proven optimal, proven infeasible, has solution,
    //     stop requested, root LP status.
    const CbcCase cbc[] = {
        {"optimal", {0, 0, true, false, true, false, kOpt}, kOpt, XPRS_MIP_OPTIMAL, false},
        {"root LP infeasible", {0, 1, false, true, false, false, XPRS_LP_INFEAS},
         XPRS_LP_INFEAS, XPRS_MIP_INFEAS, false},
        {"tree exhausted", {0, 0, false, true, false, false, kOpt}, kOpt, XPRS_MIP_INFEAS, false},
        {"root LP unbounded", {0, 7, false, false, false, false, XPRS_LP_UNBOUNDED},
         XPRS_LP_UNBOUNDED, XPRS_MIP_LP_NOT_OPTIMAL, false},
        {"finished, nothing proven", {0, 0, false, false, false, false, kOpt}, kOpt,
         XPRS_MIP_LP_NOT_OPTIMAL, true},
        {"stopped on gap", {1, 2, false, false, true, false, kOpt}, kOpt, XPRS_MIP_OPTIMAL, false},
        {"time limit, solution", {1, 4, false, false, true, false, kOpt}, kOpt,
         XPRS_MIP_SOLUTION, false},
        {"node limit, none", {1, 3, false, false, false, false, kOpt}, kOpt,
         XPRS_MIP_NO_SOL_FOUND, false},
        {"event in search", {5, 5, false, false, true, false, kOpt}, kOpt, XPRS_MIP_SOLUTION,
         false},
        {"event in root LP", {5, 100, false, false, false, false, kUnf}, kUnf,
         XPRS_MIP_NO_SOL_FOUND, false},
        {"our stop, CBC claims optimal", {0, 0, true, false, true, true, kOpt}, kOpt,
         XPRS_MIP_SOLUTION, false},
        {"our stop, CBC claims infeasible", {0, 0, false, true, false, true, kOpt}, kOpt,
         XPRS_MIP_NO_SOL_FOUND, false},
        {"our stop before root LP ended", {5, 100, false, false, false, true, 0}, kUnf,
         XPRS_MIP_NO_SOL_FOUND, false},
        {"abandoned with solution", {2, 0, false, false, true, false, kOpt}, kOpt,
         XPRS_MIP_SOLUTION, true},
        {"abandoned without", {2, 0, false, false, false, false, kOpt}, kOpt,
         XPRS_MIP_LP_NOT_OPTIMAL, true},
        {"never ran", {-1, -1, false, false, false, false, 0}, kUnf, XPRS_MIP_LP_NOT_OPTIMAL,
         true},
        {"unknown code", {17, 3, false, false, false, false, kOpt}, kOpt,
         XPRS_MIP_LP_NOT_OPTIMAL, true},
        {"unknown code, solution", {17, 3, false, false, true, false, kOpt}, kOpt,
         XPRS_MIP_SOLUTION, true},
    };
    for (const CbcCase& c : cbc) {
        const MappedStatus m = MapCbcOutcome(c.in);
        EXPECT_EQ(m.lp, c.lp) << c.what;
        EXPECT_EQ(m.mip, c.mip) << c.what;
        EXPECT_EQ(m.failed, c.failed) << c.what;
    }
}

}  // namespace
}  // namespace qtb::opt
