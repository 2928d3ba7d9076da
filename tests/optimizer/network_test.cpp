// Models with the structure of a network: the network simplex on flows small
// enough to check by hand, the recognition of networks among models, and LPs
// and global searches through the library compared with the general solvers
// (XO_STRUCTURE 0) on the same models.
#include <cmath>
#include <random>

#include "engine/optimizer/network_form.h"
#include "engine/optimizer/network_simplex.h"
#include "tests/optimizer/test_support.h"

namespace qtb::opt::test {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(NetworkSimplexTest, SmallFlowsWithKnownOptima) {
    // Two sources (supply 4 at node 0, 2 at node 1), two sinks (demand 3 at
    // nodes 2 and 3):
    //   0->2 cost 1 cap 3, 0->3 cost 4, 1->2 cost 2, 1->3 cost 1 cap 1,
    //   0->1 cost 1 cap 2.
    // Node 3 can get one unit over 1->3 and the other two only over 0->3 (8).
    // Node 0 then has 2 left for node 2 over 0->2 (2), and node 1's second
    // unit goes 1->2 (2): 1 + 8 + 2 + 2 = 13.
    NetworkSimplex ns(4);
    const int a02 = ns.AddArc(0, 2, 3, 1);
    const int a03 = ns.AddArc(0, 3, kInf, 4);
    const int a12 = ns.AddArc(1, 2, kInf, 2);
    const int a13 = ns.AddArc(1, 3, 1, 1);
    const int a01 = ns.AddArc(0, 1, 2, 1);
    ns.SetSupply(0, 4);
    ns.SetSupply(1, 2);
    ns.SetSupply(2, -3);
    ns.SetSupply(3, -3);
    ASSERT_EQ(ns.Solve(), NetworkSimplex::Result::kOptimal);
    double out[4] = {0, 0, 0, 0};
    for (int a : {a02, a03, a12, a13, a01}) EXPECT_GE(ns.Flow(a), -1e-12);
    // Flow conservation at every node.
    out[0] = ns.Flow(a02) + ns.Flow(a03) + ns.Flow(a01);
    out[1] = ns.Flow(a12) + ns.Flow(a13) - ns.Flow(a01);
    out[2] = -ns.Flow(a02) - ns.Flow(a12);
    out[3] = -ns.Flow(a03) - ns.Flow(a13);
    EXPECT_DOUBLE_EQ(out[0], 4);
    EXPECT_DOUBLE_EQ(out[1], 2);
    EXPECT_DOUBLE_EQ(out[2], -3);
    EXPECT_DOUBLE_EQ(out[3], -3);
    EXPECT_DOUBLE_EQ(ns.Objective(), 13);
    // No arc has a negative reduced cost at its lower bound or a positive one
    // at its upper bound.
    for (int a : {a02, a03, a12, a13, a01}) {
        const int t = a == a12 || a == a13 ? 1 : 0;
        const int h = a == a02 || a == a12 ? 2 : (a == a01 ? 1 : 3);
        const double cost[] = {1, 4, 2, 1, 1};
        const double cap[] = {3, kInf, kInf, 1, 2};
        const double rc = cost[a] + ns.Potential(t) - ns.Potential(h);
        if (ns.Flow(a) < cap[a] - 1e-9) {
            EXPECT_GE(rc, -1e-9) << "arc " << a;
        }
        if (ns.Flow(a) > 1e-9) {
            EXPECT_LE(rc, 1e-9) << "arc " << a;
        }
    }
}

TEST(NetworkSimplexTest, InfeasibleUnboundedAndWarmRestarts) {
    NetworkSimplex tight(2);
    tight.AddArc(0, 1, 1, 1);
    tight.SetSupply(0, 2);
    tight.SetSupply(1, -2);
    EXPECT_EQ(tight.Solve(), NetworkSimplex::Result::kInfeasible);

    // A negative cycle of infinite capacity.
    NetworkSimplex loop(2);
    loop.AddArc(0, 1, kInf, -1);
    loop.AddArc(1, 0, kInf, 0);
    EXPECT_EQ(loop.Solve(), NetworkSimplex::Result::kUnbounded);

    // Random transportation problems: after cost changes the warm solve
    // reaches the same optimum as a solve from scratch.
    std::mt19937 gen(7);
    for (int round = 0; round < 20; ++round) {
        const int s = 4 + round % 5, d = 3 + round % 4;
        NetworkSimplex warm(s + d), cold(s + d);
        std::vector<double> cost;
        for (int i = 0; i < s; ++i) {
            for (int j = 0; j < d; ++j) {
                cost.push_back(static_cast<double>(gen() % 19) - 9);
                warm.AddArc(i, s + j, 2, cost.back());
                cold.AddArc(i, s + j, 2, cost.back());
            }
        }
        for (int i = 0; i < s; ++i) warm.SetSupply(i, d / 2 + (i < d % 2 ? 1 : 0));
        for (int i = 0; i < s; ++i) cold.SetSupply(i, d / 2 + (i < d % 2 ? 1 : 0));
        double total = 0;
        for (int i = 0; i < s; ++i) total += d / 2 + (i < d % 2 ? 1 : 0);
        for (int j = 0; j < d; ++j) {
            const double demand = std::floor(total / d) + (j < static_cast<int>(total) % d ? 1 : 0);
            warm.SetSupply(s + j, -demand);
            cold.SetSupply(s + j, -demand);
        }
        ASSERT_EQ(warm.Solve(), NetworkSimplex::Result::kOptimal);
        for (int a = 0; a < s * d; a += 3) {
            cost[a] = static_cast<double>(gen() % 19) - 9;
            warm.SetCost(a, cost[a]);
            cold.SetCost(a, cost[a]);
        }
        ASSERT_EQ(warm.Solve(), NetworkSimplex::Result::kOptimal);
        ASSERT_EQ(cold.Solve(), NetworkSimplex::Result::kOptimal);
        EXPECT_DOUBLE_EQ(warm.Objective(), cold.Objective()) << "round " << round;
        for (int a = 0; a < s * d; ++a) EXPECT_EQ(warm.Flow(a), std::round(warm.Flow(a)));
    }
}

TEST(NetworkFormTest, WhichModelsAreNetworks) {
    NetworkForm form;
    // Two-dimensional tables with their totals are; three-dimensional are not.
    EXPECT_TRUE(RecogniseNetwork(ModelOf(MakeRoundingTable(2, 6, 1)), &form));
    EXPECT_TRUE(form.integral);
    EXPECT_FALSE(RecogniseNetwork(ModelOf(MakeRoundingTable(3, 3, 1)), &form));

    ModelData m;
    m.obj = {1, 1, 1};
    m.lb = {0, 0, 0};
    m.ub = {1, 1, 1};
    m.type = {'C', 'C', 'C'};
    auto row = [&m](char t, double r, std::vector<int> c, std::vector<double> v) {
        m.AppendRow(t, r, 0, c.data(), v.data(), static_cast<int>(c.size()));
    };
    // x0 + x1 = 1 and x1 + x2 = 1: the second row flips.
    row('E', 1, {0, 1}, {1, 1});
    row('E', 1, {1, 2}, {1, 1});
    ASSERT_TRUE(RecogniseNetwork(m, &form));
    EXPECT_EQ(form.row_sign[0] * form.row_sign[1], -1);
    // Closing an odd cycle x0 + x2 = 1 leaves no consistent flip.
    row('E', 1, {0, 2}, {1, 1});
    EXPECT_FALSE(RecogniseNetwork(m, &form));
    // ... unless one of its columns is fixed.
    m.lb[2] = m.ub[2] = 0.5;
    ASSERT_TRUE(RecogniseNetwork(m, &form));
    EXPECT_EQ(form.col_arc[2], kFixedColumn);
    EXPECT_FALSE(form.integral);
    // A coefficient other than +-1 is no network.
    ModelData two = m;
    two.value[0] = 2;
    EXPECT_FALSE(RecogniseNetwork(two, &form));
}

class NetworkLpTest : public OptimizerTest {};

// Loads the same LP into two problems, the second with structure off.
void LoadBoth(Prob& net, Prob& general, const std::vector<double>& obj,
              const std::vector<double>& lb, const std::vector<double>& ub,
              const std::vector<char>& types, const Rows& rows) {
    ASSERT_EQ(XPRSsetintcontrol(general, XO_STRUCTURE, 0), 0);
    ASSERT_EQ(LoadColumns(net, obj, lb, ub, types, rows), 0);
    ASSERT_EQ(LoadColumns(general, obj, lb, ub, types, rows), 0);
}

TEST_F(NetworkLpTest, LpsAgreeWithTheGeneralSolverUnderChanges) {
    // Equations, inequalities and ranges, columns in one row, bounds that are
    // not integers, a column with no finite lower bound: all as flows.
    Rows rows;
    rows.Add('E', 2.5, {0, 1, 2}, {1, 1, -1});
    rows.Add('L', 4, {2, 3}, {1, 1});
    rows.Add('G', -1, {3, 4}, {-1, 1});
    rows.Add('E', 0, {1, 5}, {1, 1});
    // Column 6 is in no row: unbounded whenever its cost favours growing.
    const std::vector<double> lb = {0, -3, 0, 0.5, -1e20, -2, 0};
    const std::vector<double> ub = {3, 2, 4, 2, 2, 1e20, 1e20};
    std::mt19937 gen(3);
    int optimal = 0, other = 0;
    Prob net, general;
    LoadBoth(net, general, {1, -1, 2, 0, 1, 1, 0}, lb, ub, {}, rows);
    for (int round = 0; round < 40; ++round) {
        const int col = static_cast<int>(gen() % 7);
        const double c = static_cast<double>(gen() % 7) - 3;
        ASSERT_EQ(XPRSchgobj(net, 1, &col, &c), 0);
        ASSERT_EQ(XPRSchgobj(general, 1, &col, &c), 0);
        const bool max = gen() % 2;
        ASSERT_EQ(max ? XPRSmaxim(net, "d") : XPRSminim(net, "d"), 0);
        ASSERT_EQ(max ? XPRSmaxim(general, "d") : XPRSminim(general, "d"), 0);
        const int status = general.Int(XPRS_LPSTATUS);
        ASSERT_EQ(net.Int(XPRS_LPSTATUS), status) << "round " << round;
        if (status != XPRS_LP_OPTIMAL) {
            ++other;
            continue;
        }
        ++optimal;
        const double z = general.Dbl(XPRS_LPOBJVAL);
        EXPECT_NEAR(net.Dbl(XPRS_LPOBJVAL), z, 1e-9) << "round " << round;
        // The duals prove the optimum: b'y plus the reduced costs at the
        // bounds gives the same objective.
        std::vector<double> x(7), slack(4), dual(4), dj(7);
        ASSERT_EQ(XPRSgetsol(net, x.data(), slack.data(), dual.data(), dj.data()), 0);
        double dual_obj = 0;
        for (int i = 0; i < 4; ++i) dual_obj += dual[i] * (rows.rhs[i] - slack[i]);
        for (int j = 0; j < 7; ++j) dual_obj += dj[j] * x[j];
        EXPECT_NEAR(dual_obj, z, 1e-9) << "round " << round;
        for (int i = 0; i < 4; ++i) {
            const double s = slack[i];
            EXPECT_TRUE(rows.type[i] == 'E' ? std::fabs(s) < 1e-9
                                            : (rows.type[i] == 'L' ? s > -1e-9 : s < 1e-9))
                << "row " << i << " slack " << s;
        }
    }
    // Both kinds of outcome occur.
    EXPECT_GT(optimal, 10);
    EXPECT_GT(other, 2);

    // x1 + x5 = 0 with x5 at most -3 needs x1 >= 3, above its bound 2.
    const int col = 5;
    const char upper = 'U';
    const double bound = -3;
    ASSERT_EQ(XPRSchgbounds(net, 1, &col, &upper, &bound), 0);
    ASSERT_EQ(XPRSminim(net, "d"), 0);
    EXPECT_EQ(net.Int(XPRS_LPSTATUS), XPRS_LP_INFEAS);
}

TEST_F(NetworkLpTest, GlobalSearchOfATwoDimensionalTable) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        const RoundingTable t = MakeRoundingTable(2, 4 + 3 * seed, seed);
        const std::vector<char> types(t.Cells(), 'B');
        Prob net, general;
        LoadBoth(net, general, t.obj, t.lb, t.ub, types, t.rows);
        int solutions = 0;
        XPRSsetcbintsol(
            net, [](XPRSprob, void* data) { ++*static_cast<int*>(data); }, &solutions);
        ASSERT_EQ(XPRSminim(net, "g"), 0);
        ASSERT_EQ(XPRSminim(general, "g"), 0);
        ASSERT_EQ(net.Int(XPRS_MIPSTATUS), XPRS_MIP_OPTIMAL);
        ASSERT_EQ(general.Int(XPRS_MIPSTATUS), XPRS_MIP_OPTIMAL);
        EXPECT_NEAR(net.Dbl(XPRS_MIPOBJVAL), general.Dbl(XPRS_MIPOBJVAL), 1e-6);
        EXPECT_EQ(net.Dbl(XPRS_BESTBOUND), net.Dbl(XPRS_MIPOBJVAL));
        EXPECT_EQ(net.Int(XPRS_MIPSOLS), 1);
        EXPECT_EQ(solutions, 1);
        const std::vector<double> x = net.Sol(t.Cells());
        for (double v : x) EXPECT_TRUE(v == 0 || v == 1);
        EXPECT_LT(t.MaxViolation(x), 1e-9);
    }
}

TEST_F(NetworkLpTest, ALogCallbackStopsTheNetworkSearch) {
    const RoundingTable t = MakeRoundingTable(2, 40, 9);
    Prob p;
    ASSERT_EQ(LoadColumns(p, t.obj, t.lb, t.ub, std::vector<char>(t.Cells(), 'B'), t.rows), 0);
    ASSERT_EQ(XPRSsetintcontrol(p, XPRS_LPLOG, 1), 0);
    XPRSsetcblplog(
        p, [](XPRSprob, void*) { return 1; }, nullptr);
    ASSERT_EQ(XPRSminim(p, "g"), 0);
    EXPECT_EQ(p.Int(XPRS_MIPSTATUS), XPRS_MIP_NO_SOL_FOUND);
    EXPECT_EQ(p.Int(XPRS_MIPSOLS), 0);
    double x = 0;
    EXPECT_EQ(XPRSgetsol(p, &x, nullptr, nullptr, nullptr), XO_ERR_NO_SOLUTION);
}

}  // namespace
}  // namespace qtb::opt::test
