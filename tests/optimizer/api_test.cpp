// The library's run and handles, reading a loaded model back, and bad
// arguments: every misuse must come back as a non-zero status, never a crash.
#include <cmath>
#include <limits>

#include "tests/optimizer/test_support.h"

namespace qtb::opt::test {
namespace {

TEST(Run, CallsOutsideARunFailAndInitIsCounted) {
    XPRSprob p = nullptr;
    EXPECT_EQ(XPRScreateprob(&p), XO_ERR_NOT_INITIALISED);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(XPRSfree(), XO_ERR_NOT_INITIALISED);
    EXPECT_EQ(XPRSminim(nullptr, "g"), XO_ERR_NOT_INITIALISED);

    ASSERT_EQ(XPRSinit(nullptr), 0);
    ASSERT_EQ(XPRSinit("ignored"), 0);
    ASSERT_EQ(XPRScreateprob(&p), 0);
    EXPECT_EQ(XPRSfree(), 0);  // one run still open: the problem lives on
    int value = 0;
    EXPECT_EQ(XPRSgetintcontrol(p, XPRS_LPLOG, &value), 0);
    EXPECT_EQ(XPRSfree(), 0);  // the run ends and takes the problem with it
    EXPECT_EQ(XPRSgetintcontrol(p, XPRS_LPLOG, &value), XO_ERR_NOT_INITIALISED);

    ASSERT_EQ(XPRSinit(nullptr), 0);
    EXPECT_EQ(XPRSdestroyprob(p), XO_ERR_BAD_PROBLEM);  // from the earlier run
    ASSERT_EQ(XPRScreateprob(&p), 0);
    EXPECT_EQ(XPRSdestroyprob(p), 0);
    EXPECT_EQ(XPRSdestroyprob(p), XO_ERR_BAD_PROBLEM);
    EXPECT_EQ(XPRSdestroyprob(nullptr), XO_ERR_BAD_PROBLEM);
    EXPECT_EQ(XPRScreateprob(nullptr), XO_ERR_BAD_ARGUMENT);
    EXPECT_EQ(XPRSfree(), 0);
}

class Api : public OptimizerTest {};

TEST_F(Api, ControlsAreCheckedStoredAndReadBack) {
    Prob p;
    int v = 0;
    EXPECT_EQ(XPRSgetintcontrol(p, XPRS_LPLOG, &v), 0);
    EXPECT_EQ(v, 100);
    EXPECT_EQ(XPRSgetintcontrol(p, XPRS_MIPLOG, &v), 0);
    EXPECT_EQ(v, -1);
    // The values the rounding engine sets are all accepted.
    const int settings[][2] = {{XPRS_MIPLOG, -1},      {XPRS_EXTRAROWS, 1500},
                               {XPRS_CONTROL_8072, 0}, {XPRS_CONTROL_8156, 5},
                               {XPRS_CONTROL_8155, 1}, {XPRS_CONTROL_8154, 1},
                               {XPRS_LPLOG, 500},      {XPRS_EXTRAELEMS, 4000}};
    for (const auto& s : settings) {
        EXPECT_EQ(XPRSsetintcontrol(p, s[0], s[1]), 0) << s[0];
        EXPECT_EQ(XPRSgetintcontrol(p, s[0], &v), 0);
        EXPECT_EQ(v, s[1]) << s[0];
    }
    EXPECT_EQ(XPRSsetintcontrol(p, 1234, 1), XO_ERR_UNKNOWN_ID);
    EXPECT_EQ(XPRSgetintcontrol(p, 1234, &v), XO_ERR_UNKNOWN_ID);
    EXPECT_EQ(XPRSsetintcontrol(p, XPRS_LPLOG, -1), XO_ERR_BAD_ARGUMENT);
    EXPECT_EQ(XPRSsetintcontrol(p, XPRS_EXTRAROWS, -5), XO_ERR_BAD_ARGUMENT);
    EXPECT_EQ(XPRSsetintcontrol(p, XO_SEARCH_SECONDS, -1), XO_ERR_BAD_ARGUMENT);
    // An enormous sizing hint is only a hint.
    EXPECT_EQ(XPRSsetintcontrol(p, XPRS_EXTRAELEMS, std::numeric_limits<int>::max()), 0);
    EXPECT_EQ(XPRSgetintcontrol(p, XPRS_LPLOG, nullptr), XO_ERR_BAD_ARGUMENT);
}

TEST_F(Api, ALoadedModelReadsBack) {
    Prob p;
    // Before anything is loaded or solved.
    EXPECT_EQ(p.Int(XPRS_LPSTATUS), XPRS_LP_UNSTARTED);
    EXPECT_EQ(p.Int(XPRS_MIPSTATUS), XPRS_MIP_NOT_LOADED);
    double lb[4] = {0};
    EXPECT_EQ(XPRSgetlb(p, lb, 0, 0), XO_ERR_BAD_ARGUMENT);
    double x[4];
    EXPECT_EQ(XPRSgetsol(p, x, nullptr, nullptr, nullptr), XO_ERR_NO_SOLUTION);
    EXPECT_EQ(XPRSminim(p, "g"), XO_ERR_BAD_ARGUMENT);

    // Binary bounds are clipped to [0, 1]; 1e20 and more is infinite.
    const std::vector<double> obj = {1, 2, 3, 4};
    const std::vector<double> lo = {-1, 0.5, -3, 0};
    const std::vector<double> up = {1, 1, 7.5, 5e20};
    ASSERT_EQ(LoadColumns(p, obj, lo, up, {'B', 'C', 'I', 'C'}, Rows{}), 0);
    ASSERT_EQ(XPRSgetlb(p, lb, 0, 3), 0);
    double ub[4];
    ASSERT_EQ(XPRSgetub(p, ub, 0, 3), 0);
    EXPECT_EQ(std::vector<double>(lb, lb + 4), (std::vector<double>{0, 0.5, -3, 0}));
    EXPECT_EQ(std::vector<double>(ub, ub + 4), (std::vector<double>{1, 1, 7.5, 1e20}));
    ASSERT_EQ(XPRSgetub(p, ub, 2, 2), 0);
    EXPECT_EQ(ub[0], 7.5);

    // Rows given by columns at load time: x0 + x1 = 1 with a repeated entry
    // (0.5 twice for x0) merged, and a ranged row 1 <= x2 + x3 <= 4.
    const char types[] = {'E', 'R'};
    const double rhs[] = {1, 4}, range[] = {0, 3};
    const int start[] = {0, 2, 3, 4, 5};
    const int rowidx[] = {0, 0, 0, 1, 1};
    const double val[] = {0.5, 0.5, 1, 1, 1};
    ASSERT_EQ(XPRSloadlp(p, "rows", 4, 2, types, rhs, range, obj.data(), start, nullptr, rowidx,
                         val, nullptr, nullptr),
              0);
    ASSERT_EQ(XPRSgetub(p, ub, 0, 3), 0);
    EXPECT_EQ(ub[0], 1e20);  // null bounds: [0, infinity)
    // min x0 + 2 x1 + 3 x2 + 4 x3: x0 = 1, x2 = 1 -> 4; the range's slack is 4 - 1 = 3.
    ASSERT_EQ(XPRSminim(p, ""), 0);
    EXPECT_NEAR(p.Dbl(XPRS_LPOBJVAL), 4.0, 1e-9);
    double slack[2];
    ASSERT_EQ(XPRSgetsol(p, x, slack, nullptr, nullptr), 0);
    EXPECT_NEAR(x[0], 1.0, 1e-9);
    EXPECT_NEAR(slack[0], 0.0, 1e-9);
    EXPECT_NEAR(slack[1], 3.0, 1e-9);
}

TEST_F(Api, BadArgumentsAreRefused) {
    Prob p;
    const double obj[] = {1, 1};
    const int zeros[] = {0, 0, 0};
    const char bb[] = {'B', 'B'};
    const char bad_type[] = {'B', 'S'};
    const int cols[] = {0, 1};
    const int out_of_range[] = {0, 2};
    // Loading.
    EXPECT_EQ(XPRSloadlp(p, "x", 0, 0, nullptr, nullptr, nullptr, nullptr, zeros, nullptr, nullptr,
                         nullptr, nullptr, nullptr),
              XO_ERR_BAD_ARGUMENT);
    EXPECT_EQ(XPRSloadlp(p, "x", 2, 1, nullptr, nullptr, nullptr, obj, zeros, nullptr, nullptr,
                         nullptr, nullptr, nullptr),
              XO_ERR_BAD_ARGUMENT);  // a row without type and rhs
    EXPECT_EQ(XPRSloadglobal(p, "x", 2, 0, nullptr, nullptr, nullptr, obj, zeros, nullptr, nullptr,
                             nullptr, nullptr, nullptr, 2, 0, bad_type, cols, nullptr, nullptr,
                             nullptr, nullptr, nullptr),
              XO_ERR_BAD_ARGUMENT);
    EXPECT_EQ(XPRSloadglobal(p, "x", 2, 0, nullptr, nullptr, nullptr, obj, zeros, nullptr, nullptr,
                             nullptr, nullptr, nullptr, 2, 0, bb, out_of_range, nullptr, nullptr,
                             nullptr, nullptr, nullptr),
              XO_ERR_BAD_ARGUMENT);
    EXPECT_EQ(XPRSloadglobal(p, "x", 2, 0, nullptr, nullptr, nullptr, obj, zeros, nullptr, nullptr,
                             nullptr, nullptr, nullptr, 2, 1, bb, cols, nullptr, nullptr, nullptr,
                             nullptr, nullptr),
              XO_ERR_BAD_ARGUMENT);  // sets
    const double nan_obj[] = {std::nan(""), 1};
    EXPECT_EQ(XPRSloadlp(p, "x", 2, 0, nullptr, nullptr, nullptr, nan_obj, zeros, nullptr, nullptr,
                         nullptr, nullptr, nullptr),
              XO_ERR_BAD_ARGUMENT);
    const int bad_row[] = {5};
    const double one[] = {1};
    const int col_start[] = {0, 1, 1};
    const char e[] = {'E'};
    EXPECT_EQ(XPRSloadlp(p, "x", 2, 1, e, one, nullptr, obj, col_start, nullptr, bad_row, one,
                         nullptr, nullptr),
              XO_ERR_BAD_ARGUMENT);  // row index out of range
    // Rows before anything is loaded, then a proper load.
    const int row_start[] = {0, 2};
    EXPECT_EQ(XPRSaddrows(p, 1, 2, e, one, nullptr, row_start, cols, obj), XO_ERR_BAD_ARGUMENT);
    ASSERT_EQ(LoadColumns(p, {1, 1}, {0, 0}, {1, 1}, {'B', 'B'}, Rows{}), 0);
    EXPECT_EQ(XPRSaddrows(p, 1, 2, e, one, nullptr, row_start, out_of_range, obj),
              XO_ERR_BAD_ARGUMENT);
    const char x_type[] = {'X'};
    EXPECT_EQ(XPRSaddrows(p, 1, 2, x_type, one, nullptr, row_start, cols, obj),
              XO_ERR_BAD_ARGUMENT);
    const char r_type[] = {'R'};
    EXPECT_EQ(XPRSaddrows(p, 1, 2, r_type, one, nullptr, row_start, cols, obj),
              XO_ERR_BAD_ARGUMENT);  // a ranged row needs its range
    const int past_end[] = {1};
    EXPECT_EQ(XPRSaddrows(p, 1, 0, e, one, nullptr, past_end, cols, obj), XO_ERR_BAD_ARGUMENT);
    EXPECT_EQ(XPRSaddrows(p, -1, 0, e, one, nullptr, row_start, cols, obj), XO_ERR_BAD_ARGUMENT);
    EXPECT_EQ(XPRSaddrows(p, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 0);

    // Changes and reads.
    const char u[] = {'U'}, q[] = {'Q'};
    const int minus_one[] = {-1};
    EXPECT_EQ(XPRSchgobj(p, 1, minus_one, one), XO_ERR_BAD_ARGUMENT);
    EXPECT_EQ(XPRSchgobj(p, 1, cols, nullptr), XO_ERR_BAD_ARGUMENT);
    EXPECT_EQ(XPRSchgbounds(p, 1, out_of_range + 1, u, one), XO_ERR_BAD_ARGUMENT);
    EXPECT_EQ(XPRSchgbounds(p, 1, cols, q, one), XO_ERR_BAD_ARGUMENT);
    const double nan_bound[] = {std::nan("")};
    EXPECT_EQ(XPRSchgbounds(p, 1, cols, u, nan_bound), XO_ERR_BAD_ARGUMENT);
    double b[2];
    EXPECT_EQ(XPRSgetlb(p, b, 1, 0), XO_ERR_BAD_ARGUMENT);
    EXPECT_EQ(XPRSgetlb(p, b, 0, 2), XO_ERR_BAD_ARGUMENT);
    EXPECT_EQ(XPRSgetub(p, nullptr, 0, 1), XO_ERR_BAD_ARGUMENT);
    int iv = 0;
    double dv = 0;
    EXPECT_EQ(XPRSgetintattrib(p, 9999, &iv), XO_ERR_UNKNOWN_ID);
    EXPECT_EQ(XPRSgetintattrib(p, XPRS_LPOBJVAL, &iv), XO_ERR_UNKNOWN_ID);
    EXPECT_EQ(XPRSgetdblattrib(p, XPRS_LPSTATUS, &dv), XO_ERR_UNKNOWN_ID);
    EXPECT_EQ(XPRSgetintattrib(p, XPRS_NODES, nullptr), XO_ERR_BAD_ARGUMENT);
    EXPECT_EQ(XPRSminim(p, "gz"), XO_ERR_BAD_ARGUMENT);
    // A handle that never was one.
    int not_a_problem = 0;
    EXPECT_EQ(XPRSminim(reinterpret_cast<XPRSprob>(&not_a_problem), "g"), XO_ERR_BAD_PROBLEM);
    EXPECT_EQ(XPRSsetcbmessage(nullptr, nullptr, nullptr), XO_ERR_BAD_PROBLEM);
    // After all this the problem still solves: min x0 + x1 over binaries is 0.
    ASSERT_EQ(XPRSminim(p, "g"), 0);
    EXPECT_EQ(p.Int(XPRS_MIPSTATUS), XPRS_MIP_OPTIMAL);
}

// Destroying a problem, or ending the run, from inside its own callback must
// not pull the solve's state away.
void DestroyMe(XPRSprob p, void*) {
    EXPECT_EQ(XPRSdestroyprob(p), 0);
}

TEST_F(Api, DestroyingAProblemInsideItsCallback) {
    XPRSprob p = nullptr;
    ASSERT_EQ(XPRScreateprob(&p), 0);
    const RoundingTable t = MakeRoundingTable(2, 5, 2);
    ASSERT_EQ(LoadColumns(p, t.obj, t.lb, t.ub, std::vector<char>(t.Cells(), 'B'), t.rows), 0);
    ASSERT_EQ(XPRSsetcbintsol(p, DestroyMe, nullptr), 0);
    EXPECT_EQ(XPRSminim(p, "g"), 0);
    EXPECT_EQ(XPRSdestroyprob(p), XO_ERR_BAD_PROBLEM);
}

}  // namespace
}  // namespace qtb::opt::test
