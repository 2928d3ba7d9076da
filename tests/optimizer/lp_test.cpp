// Linear programs on CLP: known optima under bound and objective changes,
// unbounded and infeasible outcomes, and the warm-started auditing pattern
// against cold solves.
#include <cmath>
#include <memory>

#include "tests/optimizer/test_support.h"

namespace qtb::opt::test {
namespace {

class Lp : public OptimizerTest {};

// x + y <= 4, x - y >= -2, x and y in [0, 3].
// max x + 2y = 7 at (1, 3); min x + 2y = 0 at (0, 0).
void LoadSmallLp(Prob& p) {
    Rows rows;
    rows.Add('L', 4, {0, 1}, {1, 1});
    rows.Add('G', -2, {0, 1}, {1, -1});
    ASSERT_EQ(LoadColumns(p, {1, 2}, {0, 0}, {3, 3}, {}, rows), 0);
}

double MaxOf(Prob& p, const char* flags = "d") {
    EXPECT_EQ(XPRSmaxim(p, flags), 0);
    EXPECT_EQ(p.Int(XPRS_LPSTATUS), XPRS_LP_OPTIMAL);
    return p.Dbl(XPRS_LPOBJVAL);
}

double MinOf(Prob& p, const char* flags = "d") {
    EXPECT_EQ(XPRSminim(p, flags), 0);
    EXPECT_EQ(p.Int(XPRS_LPSTATUS), XPRS_LP_OPTIMAL);
    return p.Dbl(XPRS_LPOBJVAL);
}

TEST_F(Lp, MaxMinWithBoundChangesAndRestores) {
    Prob p;
    LoadSmallLp(p);
    EXPECT_NEAR(MaxOf(p), 7.0, 1e-9);
    std::vector<double> x = p.Sol(2);
    EXPECT_NEAR(x[0], 1.0, 1e-9);
    EXPECT_NEAR(x[1], 3.0, 1e-9);
    EXPECT_EQ(p.Int(XPRS_MIPSTATUS), XPRS_MIP_NOT_LOADED);
    EXPECT_NEAR(MinOf(p), 0.0, 1e-9);

    const int y = 1, xc = 0;
    const char U = 'U', L = 'L', B = 'B';
    double v = 2;
    ASSERT_EQ(XPRSchgbounds(p, 1, &y, &U, &v), 0);  // y <= 2: max 6 at (2, 2)
    EXPECT_NEAR(MaxOf(p), 6.0, 1e-9);
    double ub = 0;
    ASSERT_EQ(XPRSgetub(p, &ub, 1, 1), 0);
    EXPECT_EQ(ub, 2.0);
    v = 3;
    ASSERT_EQ(XPRSchgbounds(p, 1, &y, &U, &v), 0);  // restored
    EXPECT_NEAR(MaxOf(p), 7.0, 1e-9);

    v = 2;
    ASSERT_EQ(XPRSchgbounds(p, 1, &xc, &L, &v), 0);  // x >= 2: max 6, min 2
    EXPECT_NEAR(MaxOf(p), 6.0, 1e-9);
    EXPECT_NEAR(MinOf(p), 2.0, 1e-9);
    v = 1.5;
    ASSERT_EQ(XPRSchgbounds(p, 1, &xc, &B, &v), 0);  // x = 1.5: max 1.5 + 2 * 2.5
    EXPECT_NEAR(MaxOf(p, "p"), 6.5, 1e-9);
    double lb = 0;
    ASSERT_EQ(XPRSgetlb(p, &lb, 0, 0), 0);
    EXPECT_EQ(lb, 1.5);
    v = 0;
    ASSERT_EQ(XPRSchgbounds(p, 1, &xc, &L, &v), 0);
    v = 3;
    ASSERT_EQ(XPRSchgbounds(p, 1, &xc, &U, &v), 0);
    EXPECT_NEAR(MaxOf(p), 7.0, 1e-9);
    EXPECT_NEAR(MinOf(p), 0.0, 1e-9);

    // Objective changes: max 3x + y = 3*3 + 1 = 10 at (3, 1).
    const int cols[] = {0, 1};
    const double obj[] = {3, 1};
    ASSERT_EQ(XPRSchgobj(p, 2, cols, obj), 0);
    EXPECT_NEAR(MaxOf(p), 10.0, 1e-9);
}

TEST_F(Lp, DualsReducedCostsAndSlacks) {
    // max x + 2y  s.t. x + y <= 4, x, y in [0, 3]: 7 at (1, 3); the row's
    // dual is 1 (x is basic), y's reduced cost 2 - 1 = 1, the slack 0.
    Prob p;
    Rows rows;
    rows.Add('L', 4, {0, 1}, {1, 1});
    ASSERT_EQ(LoadColumns(p, {1, 2}, {0, 0}, {3, 3}, {}, rows), 0);
    EXPECT_NEAR(MaxOf(p), 7.0, 1e-9);
    double x[2], slack, dual, dj[2];
    ASSERT_EQ(XPRSgetsol(p, x, &slack, &dual, dj), 0);
    EXPECT_NEAR(slack, 0.0, 1e-9);
    EXPECT_NEAR(dual, 1.0, 1e-9);
    EXPECT_NEAR(dj[0], 0.0, 1e-9);
    EXPECT_NEAR(dj[1], 1.0, 1e-9);
}

TEST_F(Lp, UnboundedAndInfeasible) {
    {
        // max x  s.t. x - y <= 1, x, y >= 0 without upper bounds.
        Prob p;
        Rows rows;
        rows.Add('L', 1, {0, 1}, {1, -1});
        ASSERT_EQ(LoadColumns(p, {1, 0}, {0, 0}, {1e20, 1e20}, {}, rows), 0);
        ASSERT_EQ(XPRSmaxim(p, "d"), 0);
        EXPECT_EQ(p.Int(XPRS_LPSTATUS), XPRS_LP_UNBOUNDED);
        // Bounding y makes it finite: x <= 1 + 5.
        const int y = 1;
        const char U = 'U';
        const double five = 5;
        ASSERT_EQ(XPRSchgbounds(p, 1, &y, &U, &five), 0);
        EXPECT_NEAR(MaxOf(p), 6.0, 1e-9);
    }
    {
        // x + y >= 5 with x, y <= 2.
        Prob p;
        Rows rows;
        rows.Add('G', 5, {0, 1}, {1, 1});
        ASSERT_EQ(LoadColumns(p, {1, 1}, {0, 0}, {2, 2}, {}, rows), 0);
        ASSERT_EQ(XPRSminim(p, ""), 0);
        EXPECT_EQ(p.Int(XPRS_LPSTATUS), XPRS_LP_INFEAS);
        // A warm re-solve that stays infeasible is still reported so.
        const int x = 0;
        const char U = 'U';
        const double two_and_half = 2.5;
        ASSERT_EQ(XPRSchgbounds(p, 1, &x, &U, &two_and_half), 0);
        ASSERT_EQ(XPRSminim(p, ""), 0);
        EXPECT_EQ(p.Int(XPRS_LPSTATUS), XPRS_LP_INFEAS);
        const double three = 3;
        ASSERT_EQ(XPRSchgbounds(p, 1, &x, &U, &three), 0);  // now 3 + 2 = 5: feasible
        EXPECT_NEAR(MinOf(p), 5.0, 1e-9);
    }
}

// The auditing pattern: one LP over the cells' boxes, and per cell a maximum
// and a minimum with only that cell's objective coefficient set.
struct Audit {
    long iterations = 0;  // simplex iterations of all its LPs
};

// Builds the auditing LP of a table: columns are cell values within [lo, hi],
// rows say every total equals the sum of its parts.
void LoadAuditLp(Prob& p, const RoundingTable& t, const std::vector<double>& lo,
                 const std::vector<double>& hi) {
    Rows rows;
    for (int i = 0; i < t.rows.Count(); ++i) {
        std::vector<int> cols(t.rows.cols.begin() + t.rows.start[i],
                              t.rows.cols.begin() + t.rows.start[i + 1]);
        std::vector<double> vals(t.rows.vals.begin() + t.rows.start[i],
                                 t.rows.vals.begin() + t.rows.start[i + 1]);
        rows.Add('E', 0.0, cols, vals);
    }
    ASSERT_EQ(LoadColumns(p, std::vector<double>(t.Cells(), 0.0), lo, hi, {}, rows), 0);
}

// Max and min of one cell on the problem; returns false if not optimal.
bool Bounds(Prob& p, int cell, double* min, double* max, long* iterations) {
    const double plus = 1, minus = -1, zero = 0;
    if (XPRSchgobj(p, 1, &cell, &plus) != 0 || XPRSmaxim(p, "d") != 0) return false;
    if (p.Int(XPRS_LPSTATUS) != XPRS_LP_OPTIMAL) return false;
    *max = p.Dbl(XPRS_LPOBJVAL);
    *iterations += p.Int(XPRS_SIMPLEXITER);
    if (XPRSchgobj(p, 1, &cell, &minus) != 0 || XPRSmaxim(p, "d") != 0) return false;
    if (p.Int(XPRS_LPSTATUS) != XPRS_LP_OPTIMAL) return false;
    *min = -p.Dbl(XPRS_LPOBJVAL);
    *iterations += p.Int(XPRS_SIMPLEXITER);
    return XPRSchgobj(p, 1, &cell, &zero) == 0;
}

TEST_F(Lp, WarmAuditMatchesColdSolves) {
    const RoundingTable t = MakeRoundingTable(2, 6, 5);
    std::vector<double> r(t.Cells());
    {
        Prob mip;
        ASSERT_EQ(LoadColumns(mip, t.obj, t.lb, t.ub, std::vector<char>(t.Cells(), 'B'), t.rows),
                  0);
        ASSERT_EQ(XPRSminim(mip, "g"), 0);
        ASSERT_EQ(mip.Int(XPRS_MIPSTATUS), XPRS_MIP_OPTIMAL);
        const std::vector<double> x = mip.Sol(t.Cells());
        for (int c = 0; c < t.Cells(); ++c) r[c] = t.floors[c] + t.base * std::round(x[c]);
    }
    std::vector<double> lo(t.Cells()), hi(t.Cells());
    for (int c = 0; c < t.Cells(); ++c) {
        lo[c] = std::max(r[c] - t.base, 0.0);
        hi[c] = r[c] + t.base;
    }
    Audit warm, cold;
    Prob kept;
    LoadAuditLp(kept, t, lo, hi);
    for (int c = 0; c < t.Cells(); ++c) {
        double wmin = 0, wmax = 0, cmin = 0, cmax = 0;
        ASSERT_TRUE(Bounds(kept, c, &wmin, &wmax, &warm.iterations)) << "cell " << c;
        Prob fresh_max, fresh_min;  // one new problem per cold solve
        LoadAuditLp(fresh_max, t, lo, hi);
        LoadAuditLp(fresh_min, t, lo, hi);
        double unused = 0;
        ASSERT_TRUE(Bounds(fresh_max, c, &unused, &cmax, &cold.iterations));
        ASSERT_TRUE(Bounds(fresh_min, c, &cmin, &unused, &cold.iterations));
        EXPECT_NEAR(wmin, cmin, 1e-7) << "cell " << c;
        EXPECT_NEAR(wmax, cmax, 1e-7) << "cell " << c;
        // The published value always lies inside its interval.
        EXPECT_LE(wmin, r[c] + 1e-7);
        EXPECT_GE(wmax, r[c] - 1e-7);
    }
    // Warm starting is what makes auditing affordable: it must take far
    // fewer simplex iterations than solving every LP from scratch.
    EXPECT_LT(warm.iterations * 2, cold.iterations);
}

// Base 10, w = 10, cells 23 and 47 with total 70 published as 20, 50, 70:
// the intervals are [10, 30], [40, 60] and [60, 80].
TEST_F(Lp, AuditOfTwoCellTable) {
    Prob p;
    Rows rows;
    rows.Add('E', 0, {0, 1, 2}, {1, 1, -1});
    ASSERT_EQ(LoadColumns(p, {0, 0, 0}, {10, 40, 60}, {30, 60, 80}, {}, rows), 0);
    const double want[3][2] = {{10, 30}, {40, 60}, {60, 80}};
    long iterations = 0;
    for (int c = 0; c < 3; ++c) {
        double min = 0, max = 0;
        ASSERT_TRUE(Bounds(p, c, &min, &max, &iterations));
        EXPECT_NEAR(min, want[c][0], 1e-9) << "cell " << c;
        EXPECT_NEAR(max, want[c][1], 1e-9) << "cell " << c;
    }
}

}  // namespace
}  // namespace qtb::opt::test
