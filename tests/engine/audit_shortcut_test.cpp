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

// The published values and boxes of the solved table, with half-width w.
struct Boxes {
    std::vector<double> published, lo, hi;
};
Boxes boxesOf(double w) {
    Boxes b;
    for (const EngineCell& c : gEngine.cells) {
        const double r = c.floorValue + gEngine.base * c.steps;
        b.published.push_back(r);
        b.lo.push_back(std::max(r - w, c.lowerBound));
        b.hi.push_back(std::min(r + w, c.upperBound));
    }
    return b;
}

TEST_F(AuditShortcutTest, MovesOfACellWithItsTotalsReachOnlyTrueEnds) {
    // Tables of two to five dimensions, with line sums and with totals
    // written as sums of the inner cells they cover (as imported tables
    // are), counts with zeros, and bounds that clip boxes: every end the
    // moves certify is the end the cell's own LP finds.
    struct Case {
        Table t;
        const char* what;
        bool bounded = false;
    };
    std::vector<Case> cases;
    cases.push_back({roundcheck::MarginalTable({7, 6}, 1), "7x6"});
    cases.push_back({roundcheck::MarginalTable({4, 3, 5}, 2), "4x3x5"});
    cases.push_back({roundcheck::MarginalTable({3, 3, 2, 2}, 3), "3x3x2x2"});
    cases.push_back({roundcheck::MarginalTable({2, 2, 2, 2, 2}, 4), "2x2x2x2x2"});
    cases.push_back({roundcheck::MarginalTable({4, 3, 3}, 5, 1, 50, roundcheck::Sums::kOfInnerCells),
                     "4x3x3 of inner cells"});
    cases.push_back({roundcheck::CountTable({5, 4, 3}, 6, 0.3), "counts 5x4x3"});
    cases.push_back({randomTable({5, 4, 3}, 7), "5x4x3 with bounds", true});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int maxJump = 0; maxJump <= 1; ++maxJump) {
            const int r = solve(c.t, 10, maxJump);
            if (r != 1) continue;
            const double w = (maxJump + 1) * 10.0;
            const Boxes b = boxesOf(w);
            EndCertificates ends(b.lo.data(), b.hi.data(), gEngine.cellCount);
            CertifyWithoutLps(b.published, ends);
            const int before = ends.Open();
            const int moved = CertifyByMoves(b.published, b.lo.data(), b.hi.data(), ends);
            EXPECT_EQ(moved, before - ends.Open());
            const auto plain = plainIntervals(w);
            for (int i = 0; i < gEngine.cellCount; ++i) {
                if (ends.High(i)) {
                    EXPECT_NEAR(plain[i].second, b.hi[i], 1e-6) << "cell " << i;
                }
                if (ends.Low(i)) {
                    EXPECT_NEAR(plain[i].first, b.lo[i], 1e-6) << "cell " << i;
                }
            }
            // Without bounds of their own, a cell's box is its published value
            // plus or minus w, cut at 0: nearly every end is settled.
            if (!c.bounded) {
                EXPECT_LE(20 * ends.Open(), before) << "K=" << maxJump;
            }
        }
    }
}

TEST_F(AuditShortcutTest, MovesOnlyFollowSumsTheyCanBalance) {
    // a + b = t, with t also in 2t = u (a coefficient the moves do not
    // follow): no move exists, the LPs decide.
    Table t;
    t.addCell(14, 0, 1000);
    t.addCell(23, 0, 1000);
    t.addCell(37, 0, 1000);
    t.addCell(74, 0, 1000);
    t.addSum({0, 1}, 2);
    ASSERT_EQ(solve(t, 10), 1);
    const Boxes b = boxesOf(10);
    EndCertificates ends(b.lo.data(), b.hi.data(), gEngine.cellCount);
    CertifyWithoutLps(b.published, ends);
    EXPECT_GT(CertifyByMoves(b.published, b.lo.data(), b.hi.data(), ends), 0);
    EngineEquation twice;
    twice.count = 2;
    twice.cells = {&gEngine.cells[2], &gEngine.cells[3]};
    twice.coef = {2.0, -1.0};
    twice.rhs = 0;
    gEngine.equations.push_back(twice);
    // Published 2 * t = u must hold for the moves to start at all.
    std::vector<double> published = b.published;
    published[3] = 2 * published[2];
    EndCertificates others(b.lo.data(), b.hi.data(), gEngine.cellCount);
    EXPECT_EQ(CertifyByMoves(published, b.lo.data(), b.hi.data(), others), 0);
    // A published table that breaks an equation starts no move either.
    gEngine.equations.pop_back();
    published = b.published;
    published[0] += 10;
    EndCertificates broken(b.lo.data(), b.hi.data(), gEngine.cellCount);
    EXPECT_EQ(CertifyByMoves(published, b.lo.data(), b.hi.data(), broken), 0);
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
