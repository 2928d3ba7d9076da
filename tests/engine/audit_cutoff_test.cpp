// An audit cut off by the time limit publishes nothing it did not compute:
// every interval end it did not reach is the end of the rounding's box (the
// published value plus or minus w, cut only by bounds common to all cells),
// never the cell's own bounds, which are built from its original value; the
// intervals it did compute are those of a full audit.
#include <algorithm>
#include <cmath>

#include "tests/engine/engine_fixture.h"

namespace {

using enginetest::SolverTest;
using roundcheck::Table;

std::vector<std::pair<double, double>> intervals() {
    std::vector<std::pair<double, double>> out;
    for (const EngineCell& c : gEngine.cells) out.emplace_back(c.auditMin, c.auditMax);
    return out;
}

class AuditCutOffTest : public SolverTest {};

TEST_F(AuditCutOffTest, UnreachedCellsShowTheBoxAndAuditedOnesAreUnchanged) {
    // Bounds as the capture gives them at base 10: max(0, v - 20), v + 20.
    // Published from them, a cell's original value would be their midpoint.
    Table t = roundcheck::MarginalTable({12, 12}, 7);
    for (int i = 0; i < t.size(); ++i) {
        t.lower[i] = std::max(0.0, t.nominal[i] - 20);
        t.upper[i] = t.nominal[i] + 20;
    }
    ASSERT_EQ(solve(t, 10), 1);
    gEngine.boxFloor = 0;
    ASSERT_EQ(AuditSolution(10, log()), 0);
    const auto full = intervals();
    const int n = gEngine.cellCount;
    ASSERT_EQ(gEngine.auditedCells, n);
    ASSERT_EQ(gEngine.auditStoppedByLimit, 0);

    // Again, with the budget used up before the audit starts (a limit the test
    // controls): the loop stops after its first cell.
    gEngine.timeLimit = 0;
    gEngine.startTime = ProcessClockSeconds() - 1;
    ASSERT_EQ(AuditSolution(10, log()), 0);
    const auto cut = intervals();
    EXPECT_EQ(gEngine.auditStoppedByLimit, 1);
    EXPECT_LE(gEngine.auditedCells, 1);

    const std::vector<double> published = enginetest::Rounded();
    int same = 0;
    for (int i = 0; i < n; ++i) {
        double lo = 0, hi = 0;
        RoundingBox(published[i], 10, 0, HUGE_VAL, lo, hi);
        SCOPED_TRACE("cell " + std::to_string(i) + " published " + std::to_string(published[i]));
        // Inside the rounding's box, whatever was computed.
        EXPECT_GE(cut[i].first, lo);
        EXPECT_LE(cut[i].second, hi);
        // Each end is either the full audit's or the box's end.
        EXPECT_TRUE(cut[i].first == full[i].first || cut[i].first == lo) << cut[i].first;
        EXPECT_TRUE(cut[i].second == full[i].second || cut[i].second == hi) << cut[i].second;
        // Never the cell's bounds, which would give its original value away.
        if (t.lower[i] != lo && cut[i].first != full[i].first) {
            EXPECT_NE(cut[i].first, t.lower[i]);
        }
        if (t.upper[i] != hi && cut[i].second != full[i].second) {
            EXPECT_NE(cut[i].second, t.upper[i]);
        }
        if (cut[i] == full[i]) ++same;
    }
    EXPECT_GE(same, gEngine.auditedCells);
    EXPECT_LT(gEngine.auditedCells, n);
}

TEST(RoundingBox, HalfWidthAroundThePublishedValueCutByCommonBounds) {
    double lo = 0, hi = 0;
    RoundingBox(20, 10, -HUGE_VAL, HUGE_VAL, lo, hi);
    EXPECT_EQ(std::make_pair(lo, hi), std::make_pair(10.0, 30.0));
    // Published 0 with the common floor 0: the box starts at 0, not -10.
    RoundingBox(0, 10, 0, HUGE_VAL, lo, hi);
    EXPECT_EQ(std::make_pair(lo, hi), std::make_pair(0.0, 10.0));
    // The extended model's wider box (maxJump 1: w = 20) and a common cap.
    RoundingBox(1000, 20, 0, 1005, lo, hi);
    EXPECT_EQ(std::make_pair(lo, hi), std::make_pair(980.0, 1005.0));
    // A floor or cap on the wrong side of the published value (a loaded
    // instance with bounds of its own) never cuts past that value.
    RoundingBox(30, 10, 0, 25, lo, hi);
    EXPECT_EQ(std::make_pair(lo, hi), std::make_pair(20.0, 30.0));
    RoundingBox(5, 10, 8, HUGE_VAL, lo, hi);
    EXPECT_EQ(std::make_pair(lo, hi), std::make_pair(5.0, 15.0));
}

}  // namespace
