// The auditing phase: intervals against hand-checked answers, its log lines,
// lower bounds at 0, the shared time budget, and what happens when the
// auditing LP cannot be built.
#include <thread>

#include "tests/engine/engine_fixture.h"

namespace {

using enginetest::SolverTest;
using roundcheck::Table;

class AuditTest : public SolverTest {
  protected:
    // 23 + 47 = 70, bounds [0, 1000]: published 20 + 50 = 70.
    void solveTwoCellTable() {
        Table t;
        t.addCell(23, 0, 1000, 's', 0, 0, "a");
        t.addCell(47, 0, 1000, 's', 0, 0, "b");
        t.addCell(70, 0, 1000, 's', 0, 0, "total");
        t.addSum({0, 1}, 2);
        ASSERT_EQ(solve(t, 10), 1);
        ASSERT_EQ(enginetest::Rounded(), (std::vector<double>{20, 50, 70}));
    }
    static std::vector<std::pair<double, double>> intervals() {
        std::vector<std::pair<double, double>> out;
        for (const EngineCell& c : gEngine.cells) out.emplace_back(c.auditMin, c.auditMax);
        return out;
    }
};

TEST_F(AuditTest, TwoCellTableGivesTheKnownIntervals) {
    solveTwoCellTable();
    std::remove(log());
    // Each value within 10 of its published one: a in [10, 30], b in [40, 60],
    // total in [60, 80], and the equation does not narrow any of them.
    EXPECT_EQ(AuditSolution(10, log()), 0);
    EXPECT_EQ(intervals(), (std::vector<std::pair<double, double>>{{10, 30}, {40, 60}, {60, 80}}));
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              "Dentro de auditing (type=2)",
                              "Begin of the auditing phase (only sensitive cells!):",
                              "a from       23.0 to       20.0 with protection [10.0,30.0]",
                              "b from       47.0 to       50.0 with protection [40.0,60.0]",
                              "total from       70.0 to       70.0 with protection [60.0,80.0]",
                              "End of the auditing phase",
                          }));
    EXPECT_EQ(gEngine.subProblem, nullptr);
}

TEST_F(AuditTest, EquationsNarrowIntervalsAndBoundsClipThem) {
    // 3 + 4 = 7 -> 0 + 10 = 10 (distance 12). Cell 3 is published as 0 with
    // lower bound 0, so its column starts at 0, not -10: [0, 10]; the others
    // get [0, 20], which the equation does not narrow.
    Table t;
    t.addCell(3, 0, 1000, 's', 0, 0, "three");
    t.addCell(4, 0, 1000, 's', 0, 0, "four");
    t.addCell(7, 0, 1000, 's', 0, 0, "seven");
    t.addSum({0, 1}, 2);
    ASSERT_EQ(solve(t, 10), 1);
    ASSERT_EQ(enginetest::Rounded(), (std::vector<double>{0, 10, 10}));
    EXPECT_EQ(AuditSolution(10, log()), 0);
    EXPECT_EQ(intervals(), (std::vector<std::pair<double, double>>{{0, 10}, {0, 20}, {0, 20}}));

    // A total bounded to [5, 12] bounds the parts through the equation: four
    // is at most 12 although its own box reaches 20.
    Table u = t;
    u.lower[2] = 5;
    u.upper[2] = 12;
    ASSERT_EQ(solve(u, 10), 1);
    ASSERT_EQ(enginetest::Rounded(), (std::vector<double>{0, 10, 10}));
    EXPECT_EQ(AuditSolution(10, log()), 0);
    EXPECT_EQ(intervals(), (std::vector<std::pair<double, double>>{{0, 10}, {0, 12}, {5, 12}}));
}

TEST_F(AuditTest, WithoutASolutionNothingIsAudited) {
    Table t;
    t.addCell(25, 21, 29);
    ASSERT_EQ(solve(t, 10), 2);
    std::remove(log());
    EXPECT_EQ(AuditSolution(10, log()), 1);
    EXPECT_EQ(logLines(),
              (std::vector<std::string>{"Dentro de auditing (type=2)", "No solution exists"}));
}

TEST_F(AuditTest, UsedUpBudgetAuditsExactlyOneCell) {
    solveTwoCellTable();
    // The solve used the whole budget.
    gEngine.timeLimit = 0;
    gEngine.startTime = ProcessClockSeconds() - 1;
    std::remove(log());
    EXPECT_EQ(AuditSolution(10, log()), 0);
    EXPECT_EQ(logLines("a from").size(), 1u);
    EXPECT_TRUE(logLines("b from").empty());
    EXPECT_EQ(logLines().back(), "End of the auditing phase");
    // Cells the loop did not reach show their rounding's box (published value
    // plus or minus w), never their bounds [0, 1000].
    EXPECT_EQ(intervals(), (std::vector<std::pair<double, double>>{{10, 30}, {40, 60}, {60, 80}}));
    EXPECT_LE(gEngine.auditedCells, 1);
    EXPECT_EQ(gEngine.auditStoppedByLimit, 1);
}

// A 100 x 100 table whose first cell's upper end takes an LP: the total of
// its row may rise by 5 only (its bound), so no move of the cell with its
// totals reaches the cell's own end, 10 up.
Table tableWhoseFirstCellNeedsAnLp() {
    Table t = roundcheck::MarginalTable({100, 100}, 3);
    const int rowTotal = 100;  // cells are laid out row by row, 101 to a row
    t.upper[rowTotal] = roundcheck::FloorMultiple(t.nominal[rowTotal], 10) + 5;
    return t;
}

TEST_F(AuditTest, UsedUpBudgetAlsoStopsALongAuditingLp) {
    // The first auditing LP of a 100 x 100 table takes thousands of simplex
    // iterations from scratch: with the budget gone it is stopped, reported as
    // unfinished, and its cell shows the rounding's box.
    const Table t = tableWhoseFirstCellNeedsAnLp();
    ASSERT_EQ(solve(t, 10), 1);
    gEngine.timeLimit = 0;
    gEngine.startTime = ProcessClockSeconds() - 1;
    gEngine.boxFloor = 0;
    std::remove(log());
    EXPECT_EQ(AuditSolution(10, log()), 0);
    EXPECT_EQ(gEngine.auditedCells, 0);
    EXPECT_FALSE(logLines("ERROR: subproblem not finished! (status=4)").empty());
    const double r0 = enginetest::Rounded()[0];
    EXPECT_EQ(gEngine.cells[0].auditMin, std::max(0.0, r0 - 10));
    EXPECT_EQ(gEngine.cells[0].auditMax, r0 + 10);
    EXPECT_EQ(logLines().back(), "End of the auditing phase");
}

TEST_F(AuditTest, AStopRequestEndsTheAuditAsItsBudgetWould) {
    // A stop asked for from another thread (as an interrupt handler does)
    // while plenty of budget is left: the audit ends at its first progress
    // check, every cell keeps at least its rounding's box, and the run is
    // marked interrupted. Wrong here would be an audit that runs on to the
    // end of its budget after the user asked to stop.
    const Table t = tableWhoseFirstCellNeedsAnLp();
    ASSERT_EQ(solve(t, 10), 1);
    gEngine.timeLimit = 3600;
    gEngine.startTime = ProcessClockSeconds();
    gEngine.boxFloor = 0;
    std::thread([] { XO_RequestStop(); }).join();
    std::remove(log());
    const int r = AuditSolution(10, log());
    XO_ClearStopRequest();
    EXPECT_EQ(r, 0);
    EXPECT_EQ(gEngine.interrupted, 1);
    EXPECT_EQ(gEngine.auditedCells, 0);
    EXPECT_EQ(logLines().back(), "End of the auditing phase");
    const double r0 = enginetest::Rounded()[0];
    EXPECT_EQ(gEngine.cells[0].auditMin, std::max(0.0, r0 - 10));
    EXPECT_EQ(gEngine.cells[0].auditMax, r0 + 10);
}

TEST_F(AuditTest, NoSolvesWhenTheLpCannotBeBuilt) {
    solveTwoCellTable();
    XPRSfree();  // the library has ended: creating the LP fails
    std::remove(log());
    EXPECT_EQ(AuditSolution(10, log()), 1);
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2].rfind("ERROR (status=", 0), 0u) << lines[2];
    EXPECT_NE(lines[2].find("): problems creating a subproblem with XPRESS"), std::string::npos);
    EXPECT_EQ(lines[3], "ERROR: the auditing LP could not be built; no cell is audited");
    EXPECT_EQ(lines[4], "End of the auditing phase");
    EXPECT_TRUE(logLines("a from").empty());
    // Nothing computed: every cell shows its rounding's box, not its bounds.
    EXPECT_EQ(intervals(), (std::vector<std::pair<double, double>>{{10, 30}, {40, 60}, {60, 80}}));
    EXPECT_EQ(gEngine.auditedCells, 0);
    EXPECT_EQ(gEngine.auditStoppedByLimit, 0);
    ASSERT_EQ(XPRSinit(nullptr), 0);  // for TearDown
}

TEST_F(AuditTest, SubproblemBoundsAreRestoredAfterEachSolve) {
    solveTwoCellTable();
    std::vector<double> lo = {10, 40, 60}, hi = {30, 60, 80};
    ASSERT_EQ(BuildSubproblem(lo.data(), hi.data(), log()), 0);
    double value = -1;
    // A tighter bound for this solve only: a at most 25.
    EXPECT_EQ(SolveSubproblemBound(+1, 0, 25, value, log()), 1);
    EXPECT_DOUBLE_EQ(value, 25);
    EXPECT_EQ(SolveSubproblemBound(+1, 0, 1000, value, log()), 1);
    EXPECT_DOUBLE_EQ(value, 30);
    EXPECT_EQ(SolveSubproblemBound(-1, 2, 65, value, log()), 1);
    EXPECT_DOUBLE_EQ(value, 65);
    EXPECT_EQ(SolveSubproblemBound(-1, 2, 0, value, log()), 1);
    EXPECT_DOUBLE_EQ(value, 60);
    double b = 0;
    XPRSgetub(gEngine.subProblem, &b, 0, 0);
    EXPECT_EQ(b, 30);
    XPRSgetlb(gEngine.subProblem, &b, 2, 2);
    EXPECT_EQ(b, 60);
    EXPECT_EQ(DestroySubproblem(), 0);
    EXPECT_EQ(gEngine.subProblem, nullptr);
}

}  // namespace
