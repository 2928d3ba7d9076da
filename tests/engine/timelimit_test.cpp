// The time budget: a search on a hard table stops at the first progress check
// after the budget, and a stopped search still leaves a sound rounding when it
// reports one.
#include "tests/engine/engine_fixture.h"

namespace {

using enginetest::SolverTest;

class TimeLimitTest : public SolverTest {};

TEST_F(TimeLimitTest, ZeroMinutesStopsTheSearchOnAHardTable) {
    // 3-D 20 x 20 x 20 with all marginal totals: no solver proves it optimal
    // within a millisecond.
    const roundcheck::Table t = roundcheck::MarginalTable({20, 20, 20}, 4242);
    const int r = solve(t, 10, 0, 0);
    ASSERT_TRUE(r == 3 || r == 4) << "result " << r;
    EXPECT_EQ(gEngine.timedOut, 1);
    EXPECT_EQ(gEngine.extendedUsed, 0);
    const auto stopped = logLines("Global search incomplete - ");
    ASSERT_EQ(stopped.size(), 1u);
    if (r == 3) {
        EXPECT_EQ(stopped[0], "Global search incomplete - integer solution found.");
        EXPECT_GE(gEngine.solutionCount, 1);
        EXPECT_EQ(roundcheck::CheckRounding(t, enginetest::Rounded(), {10, 0}, upper_), "");
    } else {
        EXPECT_EQ(stopped[0], "Global search incomplete - no integer solution found.");
    }
}

// A stop request (the program was interrupted) ends a search with plenty of
// time left as the time limit would, and the audit does not run on.
TEST_F(TimeLimitTest, AStopRequestEndsTheSearchAsTheTimeLimitDoes) {
    const roundcheck::Table t = roundcheck::MarginalTable({20, 20, 20}, 4242);
    XOrequeststop();
    const int r = solve(t, 10, 0, 10);
    XOclearstop();
    ASSERT_TRUE(r == 3 || r == 4) << "result " << r;
    ASSERT_EQ(logLines("Global search incomplete - ").size(), 1u);
    if (r == 3) {
        EXPECT_EQ(roundcheck::CheckRounding(t, enginetest::Rounded(), {10, 0}, upper_), "");
    }
}

TEST_F(TimeLimitTest, OnceTimedOutEveryProgressCheckStops) {
    gEngine.timedOut = 1;
    EXPECT_EQ(OnProgress(nullptr, nullptr), 1);
    gEngine.timedOut = 0;
}

}  // namespace
