// The translation of CBC and CLP outcomes into the library's statuses, as one
// table each, unknown codes included. A wrong row here would make the engine
// report a rounding as optimal when the search was cut short, or the reverse.
#include "engine/optimizer/status_map.h"

#include <gtest/gtest.h>

#include "engine/optimizer/optimizer.h"

namespace qtb::opt {
namespace {

TEST(StatusMap, EveryBackendOutcomeMapsToOneStatusPair) {
    struct ClpCase {
        int status, secondary, lp;
        bool failed;
    };
    // clang-format off
    const ClpCase clp[] = {
        {0, 0, XPRS_LP_OPTIMAL, false},
        {0, 2, XPRS_LP_OPTIMAL, false},       // optimal scaled, small unscaled infeasibilities
        {1, 0, XPRS_LP_INFEAS, false},
        {1, 1, XPRS_LP_INFEAS, false},        // no objective limit is set: still infeasible
        {2, 0, XPRS_LP_UNBOUNDED, false},
        {3, 0, XPRS_LP_UNFINISHED, false},    // iteration limit
        {3, 9, XPRS_LP_UNFINISHED, false},    // time limit
        {5, 100, XPRS_LP_UNFINISHED, false},  // stopped by a log callback
        {4, 0, XPRS_LP_UNFINISHED, true},     // numerical errors
        {-1, 0, XPRS_LP_UNFINISHED, true},    // never solved
        {42, 0, XPRS_LP_UNFINISHED, true},    // unknown code
    };
    // clang-format on
    for (const ClpCase& c : clp) {
        const MappedStatus m = MapClpStatus(c.status, c.secondary);
        EXPECT_EQ(m.lp, c.lp) << "CLP status " << c.status << "/" << c.secondary;
        EXPECT_EQ(m.failed, c.failed) << "CLP status " << c.status << "/" << c.secondary;
    }

    // LP statuses of the root relaxation and MIP statuses, abbreviated.
    const int kOpt = XPRS_LP_OPTIMAL, kInf = XPRS_LP_INFEAS, kUnb = XPRS_LP_UNBOUNDED;
    const int kUnf = XPRS_LP_UNFINISHED;
    const int kLpNotOpt = XPRS_MIP_LP_NOT_OPTIMAL, kNoSol = XPRS_MIP_NO_SOL_FOUND;
    const int kSol = XPRS_MIP_SOLUTION, kMipInf = XPRS_MIP_INFEAS, kMipOpt = XPRS_MIP_OPTIMAL;
    const bool T = true, F = false;
    struct CbcCase {
        const char* what;
        CbcOutcome in;
        int lp, mip;
        bool failed;
    };
    // in: status, secondary, proven optimal, proven infeasible, has solution,
    //     stop requested, root LP status (0: never solved).
    // clang-format off
    const CbcCase cbc[] = {
        {"optimal",                         {0, 0, T, F, T, F, kOpt},   kOpt, kMipOpt,   F},
        {"root LP infeasible",              {0, 1, F, T, F, F, kInf},   kInf, kMipInf,   F},
        {"tree exhausted",                  {0, 0, F, T, F, F, kOpt},   kOpt, kMipInf,   F},
        {"root LP unbounded",               {0, 7, F, F, F, F, kUnb},   kUnb, kLpNotOpt, F},
        {"finished, nothing proven",        {0, 0, F, F, F, F, kOpt},   kOpt, kLpNotOpt, T},
        {"stopped on gap",                  {1, 2, F, F, T, F, kOpt},   kOpt, kMipOpt,   F},
        {"time limit, solution",            {1, 4, F, F, T, F, kOpt},   kOpt, kSol,      F},
        {"node limit, none",                {1, 3, F, F, F, F, kOpt},   kOpt, kNoSol,    F},
        {"event in search",                 {5, 5, F, F, T, F, kOpt},   kOpt, kSol,      F},
        {"event in root LP",                {5, 100, F, F, F, F, kUnf}, kUnf, kNoSol,    F},
        {"our stop, CBC claims optimal",    {0, 0, T, F, T, T, kOpt},   kOpt, kSol,      F},
        {"our stop, CBC claims infeasible", {0, 0, F, T, F, T, kOpt},   kOpt, kNoSol,    F},
        {"our stop before root LP ended",   {5, 100, F, F, F, T, 0},    kUnf, kNoSol,    F},
        {"abandoned with solution",         {2, 0, F, F, T, F, kOpt},   kOpt, kSol,      T},
        {"abandoned without",               {2, 0, F, F, F, F, kOpt},   kOpt, kLpNotOpt, T},
        {"never ran",                       {-1, -1, F, F, F, F, 0},    kUnf, kLpNotOpt, T},
        {"unknown code",                    {17, 3, F, F, F, F, kOpt},  kOpt, kLpNotOpt, T},
        {"unknown code, solution",          {17, 3, F, F, T, F, kOpt},  kOpt, kSol,      T},
    };
    // clang-format on
    for (const CbcCase& c : cbc) {
        const MappedStatus m = MapCbcOutcome(c.in);
        EXPECT_EQ(m.lp, c.lp) << c.what;
        EXPECT_EQ(m.mip, c.mip) << c.what;
        EXPECT_EQ(m.failed, c.failed) << c.what;
    }
}

}  // namespace
}  // namespace qtb::opt
