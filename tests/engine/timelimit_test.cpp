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
    XO_RequestStop();
    const int r = solve(t, 10, 0, 10);
    XO_ClearStopRequest();
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

// The progress check of a search on a problem with nothing solved yet, with
// the run's clock set back by `elapsed` seconds.
int ProgressAfter(double elapsed, double limit) {
    XPRSprob prob = nullptr;
    EXPECT_EQ(XPRScreateprob(&prob), 0);
    gEngine.startTime = ProcessClockSeconds() - elapsed;
    gEngine.timeLimit = limit;
    const int r = OnProgress(prob, nullptr);
    XPRSdestroyprob(prob);
    return r;
}

TEST_F(TimeLimitTest, HalfWayWithoutARoundingTheZeroRestrictedSearchMakesWay) {
    // The point set for the extended model has passed, no rounding yet: the
    // search stops without the time limit being reached.
    gEngine = EngineState{};
    gEngine.fallbackAt = 30;
    EXPECT_EQ(ProgressAfter(31, 60), 1);
    EXPECT_EQ(gEngine.fallbackTaken, 1);
    EXPECT_EQ(gEngine.timedOut, 0);

    // With a rounding in hand the search goes on to the limit.
    gEngine = EngineState{};
    gEngine.fallbackAt = 30;
    gEngine.solutionCount = 1;
    EXPECT_EQ(ProgressAfter(31, 60), 0);
    EXPECT_EQ(gEngine.fallbackTaken, 0);

    // Before the point, nothing happens; without one, never.
    gEngine = EngineState{};
    gEngine.fallbackAt = 30;
    EXPECT_EQ(ProgressAfter(29, 60), 0);
    gEngine = EngineState{};
    EXPECT_EQ(ProgressAfter(59, 60), 0);
    EXPECT_EQ(gEngine.fallbackTaken, 0);
}

TEST_F(TimeLimitTest, AStopRequestEndsTheRunLikeItsLimit) {
    gEngine = EngineState{};
    XO_RequestStop();
    const int r = ProgressAfter(1, 60);
    XO_ClearStopRequest();
    EXPECT_EQ(r, 1);
    EXPECT_EQ(gEngine.timedOut, 1);
    EXPECT_EQ(gEngine.interrupted, 1);
}

TEST_F(TimeLimitTest, ZeroMinutesEndsAFiveDimensionalSearchAtOnce) {
    // 4x4x4x4x4: no search decides it in the first moments, and parts of
    // CBC's search report nothing for long stretches; the run must still
    // end at its first progress check, with the time-limit result.
    const roundcheck::Table t = roundcheck::MarginalTable({4, 4, 4, 4, 4}, 1);
    const int r = solve(t, 10, 1, 0);
    EXPECT_TRUE(r == 3 || r == 4) << "result " << r;
    EXPECT_EQ(gEngine.timedOut, 1);
    EXPECT_EQ(gEngine.extendedUsed, 0);
}

}  // namespace
