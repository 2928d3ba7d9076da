// The pieces of the master model, one rule at a time: x bounds, y and z bounds,
// costs (also the random weights), rows, steps read from a solution, and the
// mapping of every search outcome.
#include "engine/master_model.h"

#include "engine/engine_texts.h"
#include "tests/support/ranrot_peer.h"
#include "tests/engine/engine_fixture.h"

namespace {

using enginetest::EngineTest;
using enginetest::LoadTable;

EngineCell cellOf(double v, double lower = -1e9, double upper = 1e9, double lpl = 0, double upl = 0,
                  double base = 10) {
    EngineCell c{};
    c.nominal = v;
    c.floorValue = EngineFloor(v, base);
    c.ceilValue = EngineCeil(v, base);
    c.lowerBound = lower;
    c.upperBound = upper;
    c.lpl = lpl;
    c.upl = upl;
    c.status = lpl > 0 || upl > 0 ? 'u' : 's';
    return c;
}

TEST(MasterModel, XBoundsFollowTheFiveRulesInOrder) {
    struct Case {
        const char* what;
        EngineCell cell;
        int larger;
        double lo, hi;
    };
    const Case cases[] = {
        {"free cell", cellOf(25), 0, 0, 1},
        {"multiple of the base rounds to itself", cellOf(20), 0, 0, 0},
        {"within the tolerance below a multiple", cellOf(19.999995), 0, 0, 0},
        {"floor below the lower bound forces up", cellOf(25, 21), 0, 1, 1},
        {"ceiling above the upper bound forces down", cellOf(25, 0, 29), 0, 0, 0},
        {"both: the later rule wins", cellOf(25, 21, 29), 0, 1, 0},
        // 10 + 20 + tol < 25 + 12: the floor cannot keep the upper protection.
        {"sensitive 25 with upl 12", cellOf(25, 0, 100, 0, 12), 0, 1, 1},
        {"sensitive 25 with lpl 12", cellOf(25, 0, 100, 12, 0), 0, 0, 0},
        {"upl 12 is reachable with one jump", cellOf(25, 0, 100, 0, 12), 1, 0, 1},
        {"small upl is kept by the floor", cellOf(25, 0, 100, 0, 5), 0, 0, 1},
        {"multiple wins over protection", cellOf(20, 0, 100, 0, 15), 0, 0, 0},
    };
    for (const Case& c : cases) {
        const XBounds x = MasterXBounds(c.cell, 10, c.larger);
        EXPECT_EQ(x.lo, c.lo) << c.what;
        EXPECT_EQ(x.hi, c.hi) << c.what;
    }
}

TEST(MasterModel, StepBoundsOfTheExtendedModel) {
    struct Case {
        const char* what;
        EngineCell cell;
        int larger;
        StepBounds expected;  // yLo, yHi, zLo, zHi
    };
    const Case cases[] = {
        // Reach: rounded value within [F - 2b, U + 2b] = [0, 50].
        {"reach only", cellOf(25), 2, {0, 2, 0, 2}},
        // Protection [0, 50] with half-width 30: rounded value in [20, 30].
        {"protection pins to adjacent multiples", cellOf(25, -1e9, 1e9, 25, 25), 2, {0, 0, 0, 0}},
        // Upper protection 70 needs a rounded value >= 40: one unit above U.
        {"protection forces y", cellOf(25, -1e9, 1e9, 0, 45), 2, {1, 2, 0, 0}},
        {"lower bound forces y", cellOf(25, 35), 2, {1, 2, 0, 0}},
        {"upper bound forces z", cellOf(25, -1e9, 5), 2, {0, 0, 2, 2}},
        // Protection [14, 51] with half-width 20: a value in [31, 34], no multiple.
        {"protection leaves no multiple", cellOf(25, 0, 100, 11, 26), 1, {1, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        const StepBounds s = MasterStepBounds(c.cell, 10, c.larger);
        EXPECT_EQ(s.yLo, c.expected.yLo) << c.what;
        EXPECT_EQ(s.yHi, c.expected.yHi) << c.what;
        EXPECT_EQ(s.zLo, c.expected.zLo) << c.what;
        EXPECT_EQ(s.zHi, c.expected.zHi) << c.what;
    }
}

TEST(MasterModel, StepsFromSolutionReadWholeUnits) {
    EXPECT_EQ(StepsFromSolution(1, 1.9999999, 0), 3);  // 1 + trunc(1.9999999 + tol)
    EXPECT_EQ(StepsFromSolution(0.9999999, 0, 0), 1);
    EXPECT_EQ(StepsFromSolution(0.000001, 0, 0), 0);
    EXPECT_EQ(StepsFromSolution(0, 0, 2.0000001), -2);
    EXPECT_EQ(StepsFromSolution(1, 0.000001, 1.0), 0);
    EXPECT_EQ(StepsFromSolution(0, 2.5, 0), 2);
}

TEST(MasterModel, EveryMipStatusMapsToOneResult) {
    struct Case {
        int mipstatus, lpstatus, result;
        const char* line;
    };
    const Case cases[] = {
        {1, 2, 2, kLogLpNotOptimized},       {1, 1, 10, kLogLpNotOptimized},
        {1, 4, 10, kLogLpNotOptimized},      {2, 1, 10, kLogLpOptimized},
        {3, 4, 4, kLogIncompleteNoSolution}, {4, 1, 3, kLogIncompleteSolution},
        {5, 2, 2, kLogCompleteNoSolution},   {6, 1, 1, nullptr},
        {0, 1, 10, kLogMipStatus},           {7, 1, 10, kLogMipStatus},
        {-1, 0, 10, kLogMipStatus},
    };
    for (const Case& c : cases) {
        const MasterOutcome o = MapMipStatus(c.mipstatus, c.lpstatus);
        EXPECT_EQ(o.result, c.result) << c.mipstatus << "/" << c.lpstatus;
        EXPECT_EQ(o.line, c.line) << c.mipstatus << "/" << c.lpstatus;
    }
    EXPECT_STREQ(kLogMipStatus, "mipstatus=%d\n");
    EXPECT_STREQ(kLogIncompleteSolution, "Global search incomplete - integer solution found.\n");
}

class MasterModelTest : public EngineTest {
  protected:
    void loadTwoCellTable() {
        // 23 + 47 = 70
        roundcheck::Table t;
        t.addCell(23, 0, 1000);
        t.addCell(47, 0, 1000);
        t.addCell(70, 0, 1000);
        t.addSum({0, 1}, 2);
        ASSERT_EQ(LoadTable(t, 10, log()), 0);
    }
};

TEST_F(MasterModelTest, ZeroRestrictedColumnsAndRows) {
    loadTwoCellTable();
    RanrotGenerator unused(1);
    MasterColumns cols;
    BuildMasterColumns(0, false, unused, cols);
    ASSERT_EQ(cols.count, 3);
    // Costs b - 2f: 10 - 6, 10 - 14, and a multiple (fixed at 0 anyway).
    EXPECT_EQ(cols.obj, (std::vector<double>{4, -4, 10}));
    EXPECT_EQ(cols.lb, (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(cols.ub, (std::vector<double>{1, 1, 0}));
    EXPECT_EQ(cols.type, (std::vector<char>{'B', 'B', 'B'}));
    EXPECT_EQ(cols.entities, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(cols.start, (std::vector<int>{0, 0, 0, 0}));

    MasterRows rows;
    BuildMasterRows(0, rows);
    // x0 + x1 - x2 = (0 - (20 + 40 - 70)) / 10
    EXPECT_EQ(rows.sense, (std::vector<char>{'E'}));
    EXPECT_EQ(rows.rhs, (std::vector<double>{1}));
    EXPECT_EQ(rows.start, (std::vector<int>{0}));
    EXPECT_EQ(rows.index, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(rows.value, (std::vector<double>{1, 1, -1}));
    EXPECT_EQ(rows.expectedElements, 3);
}

TEST_F(MasterModelTest, ExtendedColumnsAndRows) {
    loadTwoCellTable();
    RanrotGenerator unused(1);
    MasterColumns cols;
    BuildMasterColumns(1, false, unused, cols);
    ASSERT_EQ(cols.count, 9);
    EXPECT_EQ(cols.obj, (std::vector<double>{4, -4, 10, 10, 10, 10, 10, 10, 10}));
    EXPECT_EQ(cols.type, (std::vector<char>{'B', 'B', 'B', 'I', 'I', 'I', 'I', 'I', 'I'}));
    // Reach one unit beyond the adjacent multiples; 70 is a multiple.
    EXPECT_EQ(cols.ub, (std::vector<double>{1, 1, 0, 1, 1, 1, 1, 1, 1}));
    EXPECT_TRUE(cols.emptyRangeCells.empty());

    MasterRows rows;
    BuildMasterRows(1, rows);
    EXPECT_EQ(rows.index, (std::vector<int>{0, 3, 6, 1, 4, 7, 2, 5, 8}));
    EXPECT_EQ(rows.value, (std::vector<double>{1, 1, -1, 1, 1, -1, -1, -1, 1}));
    EXPECT_EQ(rows.expectedElements, 9);
}

TEST_F(MasterModelTest, RandomWeightsDrawOncePerCell) {
    loadTwoCellTable();
    // Cell 23: f/b = 0.3, so the cost stays 4 with probability 0.7.
    const EngineCell& c = gEngine.cells[0];
    RanrotGenerator binom(2024), shadow(2024);
    int kept = 0;
    for (int i = 0; i < 1000; ++i) {
        const double cost = RandomWeightCost(c, 10, binom);
        EXPECT_EQ(cost, shadow.nextDouble() < 0.7 ? 4.0 : -4.0);
        kept += cost == 4.0;
    }
    EXPECT_GT(kept, 600);
    EXPECT_LT(kept, 800);

    RanrotGenerator g(7), h(7);
    MasterColumns cols;
    EXPECT_TRUE(BuildMasterColumns(0, true, g, cols));
    for (int i = 0; i < 3; ++i) h.nextDouble();
    EXPECT_EQ(g.nextWord(), h.nextWord());  // exactly one draw per cell
}

// A generator that failed its self-test repeats its words: weights drawn from
// it are not random, and the model must not be built on them. Without random
// weights the generator plays no part.
TEST_F(MasterModelTest, FailedGeneratorRefusesRandomWeightsOnly) {
    loadTwoCellTable();
    testing::internal::CaptureStdout();
    RanrotGenerator g = failedGenerator(7);
    EXPECT_NE(testing::internal::GetCapturedStdout(), "");
    MasterColumns cols;
    EXPECT_FALSE(BuildMasterColumns(0, true, g, cols));
    EXPECT_TRUE(BuildMasterColumns(0, false, g, cols));
}

TEST_F(MasterModelTest, EmptyStepRangesAreReported) {
    roundcheck::Table t;
    t.addCell(25, 0, 100);
    t.addCell(25, 0, 100, 'u', 11, 26, "narrow");
    ASSERT_EQ(LoadTable(t, 10, log()), 0);
    RanrotGenerator unused(1);
    MasterColumns cols;
    BuildMasterColumns(1, false, unused, cols);
    EXPECT_EQ(cols.emptyRangeCells, (std::vector<int>{1}));
}

}  // namespace
