// Global searches on small models with known optima, and on generated
// rounding tables checked by their properties.
#include <cmath>

#include "tests/optimizer/test_support.h"

namespace qtb::opt::test {
namespace {

class Mip : public OptimizerTest {};

// max 3a + 4b + 5c  s.t.  2a + 3b + 4c <= 6, binary.
// Integer optimum 8 at (1, 0, 1); LP relaxation 8.25 at (1, 1, 0.25).
void LoadKnapsack(Prob& p) {
    Rows rows;
    rows.Add('L', 6, {0, 1, 2}, {2, 3, 4});
    ASSERT_EQ(LoadColumns(p, {3, 4, 5}, {0, 0, 0}, {1, 1, 1}, {'B', 'B', 'B'}, rows), 0);
}

TEST_F(Mip, TinyBinaryKnapsackMaxAndMin) {
    Prob p;
    LoadKnapsack(p);
    ASSERT_EQ(XPRSmaxim(p, "g"), 0);
    EXPECT_EQ(p.Int(XPRS_MIPSTATUS), XPRS_MIP_OPTIMAL);
    EXPECT_EQ(p.Int(XPRS_LPSTATUS), XPRS_LP_OPTIMAL);
    EXPECT_NEAR(p.Dbl(XPRS_MIPOBJVAL), 8.0, 1e-9);
    EXPECT_NEAR(p.Dbl(XPRS_BESTBOUND), 8.0, 1e-9);
    EXPECT_NEAR(p.Dbl(XPRS_LPOBJVAL), 8.25, 1e-9);  // the root relaxation
    EXPECT_GE(p.Int(XPRS_MIPSOLS), 1);
    const std::vector<double> x = p.Sol(3);
    EXPECT_NEAR(x[0], 1, 1e-9);
    EXPECT_NEAR(x[1], 0, 1e-9);
    EXPECT_NEAR(x[2], 1, 1e-9);
    double slack = 0;
    ASSERT_EQ(XPRSgetsol(p, nullptr, &slack, nullptr, nullptr), 0);
    EXPECT_NEAR(slack, 0.0, 1e-9);  // 6 - (2 + 4)
    double dual = 0;
    EXPECT_EQ(XPRSgetsol(p, nullptr, nullptr, &dual, nullptr), XO_ERR_NO_SOLUTION);

    // Minimising the same objective takes nothing: 0 at (0, 0, 0).
    ASSERT_EQ(XPRSminim(p, "g"), 0);
    EXPECT_EQ(p.Int(XPRS_MIPSTATUS), XPRS_MIP_OPTIMAL);
    EXPECT_NEAR(p.Dbl(XPRS_MIPOBJVAL), 0.0, 1e-9);

    // Without "g" only the relaxation is solved.
    ASSERT_EQ(XPRSmaxim(p, ""), 0);
    EXPECT_EQ(p.Int(XPRS_LPSTATUS), XPRS_LP_OPTIMAL);
    EXPECT_EQ(p.Int(XPRS_MIPSTATUS), XPRS_MIP_LP_OPTIMAL);
    EXPECT_NEAR(p.Dbl(XPRS_LPOBJVAL), 8.25, 1e-9);
}

TEST_F(Mip, InfeasibleModels) {
    {
        // x0 + x1 = 1 and x0 - x1 = 0: the relaxation (0.5, 0.5) is feasible,
        // no binary point is.
        Prob p;
        Rows rows;
        rows.Add('E', 1, {0, 1}, {1, 1});
        rows.Add('E', 0, {0, 1}, {1, -1});
        ASSERT_EQ(LoadColumns(p, {1, 1}, {0, 0}, {1, 1}, {'B', 'B'}, rows), 0);
        ASSERT_EQ(XPRSminim(p, "g"), 0);
        EXPECT_EQ(p.Int(XPRS_MIPSTATUS), XPRS_MIP_INFEAS);
        EXPECT_EQ(p.Int(XPRS_LPSTATUS), XPRS_LP_OPTIMAL);
        EXPECT_EQ(p.Int(XPRS_MIPSOLS), 0);
        double x[2];
        EXPECT_EQ(XPRSgetsol(p, x, nullptr, nullptr, nullptr), XO_ERR_NO_SOLUTION);
    }
    {
        // x0 + x1 = 3 over binaries: even the relaxation is infeasible.
        Prob p;
        Rows rows;
        rows.Add('E', 3, {0, 1}, {1, 1});
        ASSERT_EQ(LoadColumns(p, {1, 1}, {0, 0}, {1, 1}, {'B', 'B'}, rows), 0);
        ASSERT_EQ(XPRSminim(p, "g"), 0);
        EXPECT_EQ(p.Int(XPRS_MIPSTATUS), XPRS_MIP_INFEAS);
        EXPECT_EQ(p.Int(XPRS_LPSTATUS), XPRS_LP_INFEAS);
    }
}

// A 2x2 table with its totals, base 10, as the engine models it (x = 1
// rounds a cell up, objective 10 - 2 f, rhs in base units):
//
//        12   27 |  39          columns: a b r1 c d r2 C1 C2 T
//        33    6 |  39
//        --------+----
//        45   33 |  78
//
// Unique optimum -24 (distance 28 with the offset 52): a, c down; b, d, r1,
// r2, C2, T up; C1 down:  10 30 | 40 / 30 10 | 40 / 40 40 | 80.
TEST_F(Mip, TwoByTwoTableWithTotals) {
    const std::vector<double> obj = {6, -4, -8, 4, -2, -8, 0, 4, -6};
    Rows rows;
    rows.Add('E', 0, {0, 1, 2}, {1, 1, -1});  // a + b = r1
    rows.Add('E', 0, {3, 4, 5}, {1, 1, -1});  // c + d = r2
    rows.Add('E', 0, {0, 3, 6}, {1, 1, -1});  // a + c = C1
    rows.Add('E', 1, {1, 4, 7}, {1, 1, -1});  // b + d = C2
    rows.Add('E', 1, {2, 5, 8}, {1, 1, -1});  // r1 + r2 = T
    rows.Add('E', 0, {6, 7, 8}, {1, 1, -1});  // C1 + C2 = T
    Prob p;
    ASSERT_EQ(LoadColumns(p, obj, std::vector<double>(9, 0), std::vector<double>(9, 1),
                          std::vector<char>(9, 'B'), rows),
              0);
    ASSERT_EQ(XPRSminim(p, "g"), 0);
    EXPECT_EQ(p.Int(XPRS_MIPSTATUS), XPRS_MIP_OPTIMAL);
    EXPECT_NEAR(p.Dbl(XPRS_MIPOBJVAL), -24.0, 1e-9);
    const std::vector<double> x = p.Sol(9);
    const std::vector<double> want = {0, 1, 1, 0, 1, 1, 0, 1, 1};
    for (int j = 0; j < 9; ++j) EXPECT_NEAR(x[j], want[j], 1e-9) << "column " << j;
}

// No equations at all: every column goes to its cheaper bound.
TEST_F(Mip, NoRowsAndGeneralIntegers) {
    {
        Prob p;
        ASSERT_EQ(LoadColumns(p, {6, -4, 2}, {0, 0, 0}, {1, 1, 1}, {'B', 'B', 'B'}, Rows{}), 0);
        ASSERT_EQ(XPRSminim(p, "g"), 0);
        EXPECT_EQ(p.Int(XPRS_MIPSTATUS), XPRS_MIP_OPTIMAL);
        EXPECT_NEAR(p.Dbl(XPRS_MIPOBJVAL), -4.0, 1e-9);
        const std::vector<double> x = p.Sol(3);
        EXPECT_NEAR(x[1], 1.0, 1e-9);
    }
    {
        // min -x - y  s.t. 2x + 2y <= 7, x, y integer in [0, 10]: -3 (LP -3.5).
        Prob p;
        Rows rows;
        rows.Add('L', 7, {0, 1}, {2, 2});
        ASSERT_EQ(LoadColumns(p, {-1, -1}, {0, 0}, {10, 10}, {'I', 'I'}, rows), 0);
        ASSERT_EQ(XPRSminim(p, "g"), 0);
        EXPECT_EQ(p.Int(XPRS_MIPSTATUS), XPRS_MIP_OPTIMAL);
        EXPECT_NEAR(p.Dbl(XPRS_MIPOBJVAL), -3.0, 1e-9);
        EXPECT_NEAR(p.Dbl(XPRS_LPOBJVAL), -3.5, 1e-9);
        const std::vector<double> x = p.Sol(2);
        EXPECT_NEAR(x[0] + x[1], 3.0, 1e-9);
        EXPECT_NEAR(x[0], std::round(x[0]), 1e-9);
    }
}

// A generated 2-D 12x12 table: the rounding found is optimal, integral,
// keeps every equation, and its objective is its distance minus the offset.
TEST_F(Mip, GeneratedTableRoundingHoldsItsEquations) {
    const RoundingTable t = MakeRoundingTable(2, 12, 11);
    Prob p;
    ASSERT_EQ(LoadColumns(p, t.obj, t.lb, t.ub, std::vector<char>(t.Cells(), 'B'), t.rows), 0);
    ASSERT_EQ(XPRSminim(p, "g"), 0);
    ASSERT_EQ(p.Int(XPRS_MIPSTATUS), XPRS_MIP_OPTIMAL);
    const std::vector<double> x = p.Sol(t.Cells());
    double offset = 0;
    for (int c = 0; c < t.Cells(); ++c) {
        EXPECT_NEAR(x[c], std::round(x[c]), 1e-6);
        EXPECT_GE(x[c], t.lb[c] - 1e-9);
        EXPECT_LE(x[c], t.ub[c] + 1e-9);
        offset += t.value[c] - t.floors[c];
    }
    EXPECT_LT(t.MaxViolation(x), 1e-6);
    EXPECT_NEAR(p.Dbl(XPRS_MIPOBJVAL) + offset, t.Distance(x), 1e-6);
}

}  // namespace
}  // namespace qtb::opt::test

namespace qtb::opt::test {
namespace {

// A global search on a problem without entities solves its LP and reports
// that as the optimal solution; an unbounded one is no solution at all.
TEST_F(Mip, GlobalSearchWithoutEntitiesAndUnbounded) {
    {
        // max x + 2y  s.t. x + y <= 4, x, y in [0, 3]: 7 at (1, 3).
        Prob p;
        Rows rows;
        rows.Add('L', 4, {0, 1}, {1, 1});
        ASSERT_EQ(LoadColumns(p, {1, 2}, {0, 0}, {3, 3}, {}, rows), 0);
        ASSERT_EQ(XPRSmaxim(p, "g"), 0);
        EXPECT_EQ(p.Int(XPRS_MIPSTATUS), XPRS_MIP_OPTIMAL);
        EXPECT_NEAR(p.Dbl(XPRS_MIPOBJVAL), 7.0, 1e-9);
        const std::vector<double> x = p.Sol(2);
        EXPECT_NEAR(x[1], 3.0, 1e-9);
    }
    {
        // min -x, x integer without upper bound.
        Prob p;
        Rows rows;
        rows.Add('G', 0, {0, 1}, {1, -1});
        ASSERT_EQ(LoadColumns(p, {-1, 0}, {0, 0}, {1e20, 1e20}, {'I', 'I'}, rows), 0);
        ASSERT_EQ(XPRSminim(p, "g"), 0);
        EXPECT_EQ(p.Int(XPRS_LPSTATUS), XPRS_LP_UNBOUNDED);
        EXPECT_EQ(p.Int(XPRS_MIPSTATUS), XPRS_MIP_LP_NOT_OPTIMAL);
        EXPECT_EQ(p.Int(XPRS_MIPSOLS), 0);
    }
}

}  // namespace
}  // namespace qtb::opt::test
