// The solve driver's feasibility analysis: which cell it blames, the advice it
// logs (compared to the character), and which models it then tries.
#include "tests/engine/engine_fixture.h"

namespace {

using enginetest::SolverTest;
using roundcheck::Table;

class FeasibilityTest : public SolverTest {};

TEST_F(FeasibilityTest, BoundsWithoutAMultipleStopBeforeAnySolve) {
    // 21 > 20 and 29 < 30: no multiple of 10 inside the bounds of cell "b".
    Table t;
    t.addCell(14, 0, 100, 's', 0, 0, "a");
    t.addCell(25, 21, 29, 's', 0, 0, "b");
    t.addCell(26, 22, 28, 's', 0, 0, "c");  // also impossible, but not the first
    EXPECT_EQ(solve(t, 10, 3), 2);
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              " 3 cells, 0 equations, base=10.000000",
                              "   No rounded table exists due to cell b with value=25.0",
                              "   The external bounds define the interval [21.0,29.0]",
                              "   You should reduce the base number",
                          }));
    EXPECT_EQ(gEngine.solutionCount, 0);
    EXPECT_EQ(gEngine.extendedUsed, 0);
}

TEST_F(FeasibilityTest, ZeroRestrictedCheckGivesTheBaseAdvice) {
    // Protection [17, 33]: 20 + 10 < 33 and 30 - 10 > 17, so neither adjacent
    // multiple keeps it; lpl + upl = 16 and width 100 give bases in [8, 100].
    Table t;
    t.addCell(25, 0, 100, 'u', 8, 8, "s25");
    EXPECT_EQ(solve(t, 10, 0), 2);
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              " 1 cells, 0 equations, base=10.000000",
                              "Zero-restricted is infeasible due to cell s25 with value=25.0",
                              "   The external bounds define the interval [0.0,100.0]",
                              "   The required protection interval is     [17.0,33.0]",
                              "   For a feasible zero-restricted model try a base in [8.0,100.0]",
                              "   See input features of cells s25 and s25",
                          }));
    EXPECT_EQ(gEngine.extendedUsed, 0);
}

TEST_F(FeasibilityTest, NoBaseWhenTheNarrowestCellCannotHoldTheLevels) {
    // Largest lpl + upl is 16 (cell p); the narrowest cell that is not a
    // multiple is q with width 6: 2 * 6 < 16.
    Table t;
    t.addCell(40, 35, 45, 's', 0, 0, "m");  // a multiple: not a narrow candidate
    t.addCell(25, 0, 100, 'u', 8, 8, "p");
    t.addCell(24, 20, 26, 's', 0, 0, "q");
    t.addCell(57, 50, 60, 's', 0, 0, "r");  // wider than q
    EXPECT_EQ(solve(t, 10, 0), 2);
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[1], "Zero-restricted is infeasible due to cell p with value=25.0");
    EXPECT_EQ(lines[4], "   No base is possible for a zero-restricted solution");
    EXPECT_EQ(lines[5], "   See input features of cells p and q");
}

TEST_F(FeasibilityTest, OneJumpKeepsTheProtectionInTheExtendedModel) {
    // need = ceil(15.99999 / 20) = 1 <= 2: the extended model with larger = 1
    // is tried instead of the zero-restricted one, and a half-width of 20
    // makes 20 and 30 both acceptable (distance 5).
    Table t;
    t.addCell(25, 0, 100, 'u', 8, 8, "s25");
    EXPECT_EQ(solve(t, 10, 1), 1);
    EXPECT_EQ(gEngine.extendedUsed, 1);
    EXPECT_EQ(logLines("..... ").size(), 1u);
    EXPECT_EQ(logLines("..... ")[0],
              "..... finding an output pattern of the extended QTB (larger=1)");
    EXPECT_DOUBLE_EQ(upper_, 5);
    EXPECT_EQ(roundcheck::CheckRounding(t, enginetest::Rounded(), {10, 1}, upper_), "");
}

TEST_F(FeasibilityTest, TooFewJumpsAreExplainedAndNothingIsSolved) {
    // lpl + upl = 45: need = ceil(44.99999 / 20) = 3 > 1 + 1.
    Table t;
    t.addCell(14, 0, 100);
    t.addCell(25, 0, 100, 'u', 20, 25, "wide");
    EXPECT_EQ(solve(t, 10, 1), 2);
    const auto lines = logLines();
    ASSERT_GE(lines.size(), 3u);
    const std::vector<std::string> tail(lines.end() - 3, lines.end());
    EXPECT_EQ(tail, (std::vector<std::string>{
                        "INFEASIBLE problem due to the cell wide with value 25.0",
                        "   The required protection interval is [5.0,50.0]",
                        "   Max Jumps =1 but it should be >= 2 if base=10.0, or increase base.",
                    }));
    EXPECT_TRUE(logLines("..... ").empty());
    EXPECT_EQ(gEngine.extendedUsed, 0);
}

TEST_F(FeasibilityTest, ExtendedModelOnlyAfterAnInfeasibleZeroRestrictedOne) {
    // 23 + 47 = 70 rounds in the zero-restricted model: maxJump never matters.
    Table t;
    t.addCell(23, 0, 1000);
    t.addCell(47, 0, 1000);
    t.addCell(70, 0, 1000);
    t.addSum({0, 1}, 2);
    EXPECT_EQ(solve(t, 10, 3), 1);
    EXPECT_EQ(gEngine.extendedUsed, 0);
    EXPECT_EQ(
        logLines("..... "),
        (std::vector<std::string>{"..... finding an output pattern of the zero-restricted QTB"}));

    // 4 + 4 = 8 with both parts sensitive (upper level 7): with a half-width
    // of 10 each part must be published as 10, and 10 + 10 = 20 is no
    // rounding of 8, so the zero-restricted model is infeasible. One jump
    // (half-width 20) lets a part be 0 again: 0 + 10 = 10, distance 12.
    Table u;
    u.addCell(4, 0, 100, 'u', 0, 7);
    u.addCell(4, 0, 100, 'u', 0, 7);
    u.addCell(8, 0, 100);
    u.addSum({0, 1}, 2);
    std::remove(log());
    EXPECT_EQ(solve(u, 10, 1), 1);
    EXPECT_EQ(gEngine.extendedUsed, 1);
    EXPECT_EQ(logLines("..... "),
              (std::vector<std::string>{
                  "..... finding an output pattern of the zero-restricted QTB",
                  "..... finding an output pattern of the extended QTB (larger=1)"}));
    EXPECT_DOUBLE_EQ(upper_, 12);
    EXPECT_EQ(roundcheck::CheckRounding(u, enginetest::Rounded(), {10, 1}, upper_), "");
}

TEST_F(FeasibilityTest, EmptyStepRangeIsLoggedAndTheModelStillBuilt) {
    // Protection [14, 51] with one jump needs a value in [31, 34].
    Table t;
    t.addCell(25, 0, 100, 'u', 11, 26, "narrow");
    EXPECT_EQ(solve(t, 10, 1), 2);
    EXPECT_EQ(gEngine.extendedUsed, 1);
    EXPECT_EQ(logLines("::::"), (std::vector<std::string>{"::::Infeasible problem: cell narrow"}));
}

}  // namespace
