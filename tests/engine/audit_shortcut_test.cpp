// The auditing phase with its shortcuts (ends certified by feasible tables,
// cells in no equation answered from their boxes, network LPs) against the
// plain audit: one LP per interval end, on the general LP solver, for every
// cell. Both must give the same intervals on random tables.
#include <cmath>

#include "engine/audit_ends.h"
#include "random/ranrot.h"
#include "tests/engine/engine_fixture.h"

namespace {

using enginetest::SolverTest;
using roundcheck::Table;

class AuditShortcutTest : public SolverTest {
  protected:
    // The plain audit of the solved table: each end by its own LP, CLP only.
    std::vector<std::pair<double, double>> plainIntervals(double w) {
        const int n = gEngine.cellCount;
        std::vector<double> lo(n), hi(n);
        for (int i = 0; i < n; ++i) {
            const EngineCell& c = gEngine.cells[i];
            const double r = c.floorValue + gEngine.base * c.steps;
            lo[i] = std::max(r - w, c.lowerBound);
            hi[i] = std::min(r + w, c.upperBound);
        }
        EXPECT_EQ(BuildSubproblem(lo.data(), hi.data(), log()), 0);
        EXPECT_EQ(XPRSsetintcontrol(gEngine.subProblem, XO_STRUCTURE, 0), 0);
        std::vector<std::pair<double, double>> out;
        for (int i = 0; i < n; ++i) {
            const EngineCell& c = gEngine.cells[i];
            double min = NAN, max = NAN;
            SolveSubproblemBound(+1, i, c.upperBound, max, log());
            SolveSubproblemBound(-1, i, c.lowerBound, min, log());
            out.emplace_back(min, max);
        }
        DestroySubproblem();
        return out;
    }
    static std::vector<std::pair<double, double>> intervals() {
        std::vector<std::pair<double, double>> out;
        for (const EngineCell& c : gEngine.cells) out.emplace_back(c.auditMin, c.auditMax);
        return out;
    }
};

// A random table with all marginals; a third of the cells get bounds just
// outside their two multiples (so that the boxes are clipped and the equations
// narrow the intervals of other cells), some are sensitive, and one cell is in
// no equation.
Table randomTable(const std::vector<int>& sizes, uint32_t seed) {
    Table t = roundcheck::MarginalTable(sizes, seed);
    RanrotGenerator g(seed * 31u + 7u);
    for (int i = 0; i < t.size(); ++i) {
        const double v = t.nominal[i];
        if (g.nextInRange(0, 2) == 0) {
            t.lower[i] = roundcheck::FloorMultiple(v, 10) - g.nextInRange(0, 4);
            t.upper[i] = roundcheck::CeilMultiple(v, 10) + g.nextInRange(0, 4);
        }
        if (g.nextInRange(0, 9) == 0) {
            t.status[i] = 'u';
            t.lpl[i] = std::min<double>(g.nextInRange(0, 4), v - t.lower[i]);
            t.upl[i] = std::min<double>(g.nextInRange(0, 4), t.upper[i] - v);
        }
    }
    t.addCell(37, 0, 45, 's', 0, 0, "alone");
    return t;
}

TEST_F(AuditShortcutTest, SameIntervalsAsThePlainAudit) {
    // The 7x6x5 table is large enough for auditing LPs that change most of
    // their objective at once and are solved afresh.
    const std::vector<std::vector<int>> shapes = {{6, 5}, {12, 12}, {3, 4, 3}, {2, 2, 2, 3}, {7, 6, 5}};
    int compared = 0, narrowed = 0;
    for (const auto& shape : shapes) {
        for (uint32_t seed = 1; seed <= 4; ++seed) {
            const Table t = randomTable(shape, seed);
            for (int maxJump = 0; maxJump <= 1; ++maxJump) {
                const int r = solve(t, 10, maxJump);
                if (r != 1) continue;
                const double w = (maxJump + 1) * 10.0;
                const auto plain = plainIntervals(w);
                ASSERT_EQ(AuditSolution(w, log()), 0);
                const auto audited = intervals();
                ASSERT_EQ(audited.size(), plain.size());
                for (size_t i = 0; i < plain.size(); ++i) {
                    const EngineCell& c = gEngine.cells[i];
                    const double r = c.floorValue + gEngine.base * c.steps;
                    if (plain[i].second < std::min(r + w, c.upperBound) - 1e-6 ||
                        plain[i].first > std::max(r - w, c.lowerBound) + 1e-6)
                        ++narrowed;
                    EXPECT_NEAR(audited[i].first, plain[i].first, 1e-6)
                        << "cell " << i << " seed " << seed << " shape " << shape.size();
                    EXPECT_NEAR(audited[i].second, plain[i].second, 1e-6)
                        << "cell " << i << " seed " << seed << " shape " << shape.size();
                }
                EXPECT_EQ(gEngine.auditedCells, gEngine.cellCount);
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 12);
    // Many intervals are narrower than their boxes: the LPs matter.
    EXPECT_GT(narrowed, 100);
}

TEST_F(AuditShortcutTest, LinesInCellOrderAndLoneCellsGetTheirBox) {
    const Table t = randomTable({8, 8}, 3);
    ASSERT_EQ(solve(t, 10), 1);
    std::remove(log());
    ASSERT_EQ(AuditSolution(10, log()), 0);
    const auto lines = logLines();
    ASSERT_EQ(lines.size(), static_cast<size_t>(t.size() + 3));
    for (int i = 0; i < t.size(); ++i) {
        EXPECT_EQ(lines[i + 2].rfind(t.names[i] + " from ", 0), 0u) << lines[i + 2];
    }
    // 37 in [0, 45] and in no equation: published 40, the box [30, 45].
    const EngineCell& alone = gEngine.cells.back();
    EXPECT_EQ(alone.auditMin, 30);
    EXPECT_EQ(alone.auditMax, 45);
    EXPECT_EQ(lines[t.size() + 1],
              "alone from       37.0 to       40.0 with protection [30.0,45.0]");
}

TEST(EndCertificatesTest, EndsReachedByPointsAreCertifiedOnce) {
    const double lo[] = {0, 10, -5}, hi[] = {10, 30, 5};
    EndCertificates ends(lo, hi, 3);
    EXPECT_EQ(ends.Open(), 6);
    const double a[] = {10, 20, -5};
    EXPECT_EQ(ends.Offer(a), 2);
    EXPECT_TRUE(ends.High(0));
    EXPECT_FALSE(ends.Low(0));
    EXPECT_TRUE(ends.Low(2));
    EXPECT_EQ(ends.Offer(a), 0);  // nothing new
    // Within the rounding of sums: 30 - 1e-12 is at 30.
    const double b[] = {0, 30 - 1e-12, 4.999};
    EXPECT_EQ(ends.Offer(b), 2);
    EXPECT_FALSE(ends.High(2));
    ends.CertifyBoth(2);
    EXPECT_EQ(ends.Open(), 1);
    EXPECT_FALSE(ends.Low(1));
}

}  // namespace
