// The walk that looks for a first solution before a global search: what it
// returns holds every row and bound of the model, the same model gives the same
// walk, a model without a solution gives none (with the least violation it
// met), and a global search that starts from the walk's solution ends at the
// optimum it reaches without it.
#include <algorithm>
#include <cmath>
#include <string>
#include <tuple>
#include <vector>

#include "engine/optimizer/violation_walk.h"
#include "tests/optimizer/test_support.h"

namespace qtb::opt::test {
namespace {

// Largest violation of any row or bound of the model by x, and whether x is
// integer.
double WorstViolation(const ModelData& m, const std::vector<double>& x) {
    double worst = 0;
    for (int j = 0; j < m.Cols(); ++j) {
        worst = std::max({worst, m.lb[j] - x[j], x[j] - m.ub[j]});
        if (x[j] != std::round(x[j])) worst = std::max(worst, 0.5);
    }
    const std::vector<double> slack = m.Slacks(x.data());
    for (int i = 0; i < m.Rows(); ++i) {
        double lo = 0, up = 0;
        m.RowLimits(i, kInfinity, &lo, &up);
        const double a = m.rhs[i] - slack[i];
        worst = std::max({worst, lo - a, a - up});
    }
    return worst;
}

// The extended model of a table: besides the 0/1 column per cell, one column
// of whole steps up beyond the upper multiple and one of steps down below the
// lower, at most `jump` each, priced at the base per step.
ModelData ExtendedModelOf(const RoundingTable& t, int jump) {
    const int c = t.Cells();
    ModelData m;
    m.obj = t.obj;
    m.lb = t.lb;
    m.ub = t.ub;
    m.type.assign(c, 'B');
    for (int k = 0; k < 2; ++k) {
        for (int i = 0; i < c; ++i) {
            m.obj.push_back(t.base);
            m.lb.push_back(0);
            // No step down below zero.
            m.ub.push_back(k == 1 ? std::min<double>(jump, t.floors[i] / t.base) : jump);
            m.type.push_back('I');
        }
    }
    for (int r = 0; r < t.rows.Count(); ++r) {
        std::vector<int> cols;
        std::vector<double> vals;
        for (int e = t.rows.start[r]; e < t.rows.start[r + 1]; ++e) {
            const int j = t.rows.cols[e];
            const double v = t.rows.vals[e];
            cols.insert(cols.end(), {j, c + j, 2 * c + j});
            vals.insert(vals.end(), {v, v, -v});
        }
        m.AppendRow(t.rows.type[r], t.rows.rhs[r], 0, cols.data(), vals.data(),
                    static_cast<int>(cols.size()));
    }
    return m;
}

WalkSearch Effort(double millions) {
    WalkSearch w;
    w.effort = static_cast<int64_t>(millions * 1e6);
    return w;
}

TEST(ViolationWalkTest, SolutionsOfTablesHoldEveryRowAndRepeat) {
    struct Case {
        int dims, n;
        unsigned seed;
    };
    for (const Case& c : std::vector<Case>{{3, 4, 1}, {3, 8, 2}, {3, 12, 3}, {4, 3, 4}}) {
        SCOPED_TRACE(std::to_string(c.dims) + "-D n=" + std::to_string(c.n));
        const RoundingTable t = MakeRoundingTable(c.dims, c.n, c.seed);
        const ModelData m = ModelOf(t);
        const WalkOutcome a = RunViolationWalk(m, Effort(20));
        ASSERT_TRUE(a.found);
        EXPECT_EQ(WorstViolation(m, a.x), 0);
        EXPECT_LT(t.MaxViolation(a.x), 1e-9);
        EXPECT_NEAR(a.objective, ObjectiveOf(m, a.x), 1e-9);
        EXPECT_TRUE(a.closest.empty());
        EXPECT_LE(a.work_at_found, a.work);
        // Counted in work, not seconds: the same model walks the same way.
        const WalkOutcome b = RunViolationWalk(m, Effort(20));
        EXPECT_EQ(a.x, b.x);
        EXPECT_EQ(a.moves, b.moves);
        // Maximising walks the other way round: the objective comes back in
        // the caller's sense.
        WalkSearch up = Effort(20);
        up.sense = -1;
        const WalkOutcome u = RunViolationWalk(m, up);
        ASSERT_TRUE(u.found);
        EXPECT_EQ(WorstViolation(m, u.x), 0);
        EXPECT_NEAR(u.objective, ObjectiveOf(m, u.x), 1e-9);
    }
}

TEST(ViolationWalkTest, ATableWithoutAZeroRestrictedRoundingGetsAnExtendedOne) {
    // 2x2x2x2x2 with every marginal total: no zero-restricted rounding exists
    // (exhaustive search in the engine's tests), so no walk can find one; the
    // extended model with one step either way has solutions.
    const RoundingTable t = MakeRoundingTable(5, 2, 1);
    const WalkOutcome zero = RunViolationWalk(ModelOf(t), Effort(5));
    EXPECT_FALSE(zero.found);
    EXPECT_GT(zero.closest_violation, 0);
    ASSERT_EQ(static_cast<int>(zero.closest.size()), t.Cells());
    for (double v : zero.closest) EXPECT_TRUE(v == 0 || v == 1) << v;
    EXPECT_GE(zero.work, 5000000);

    const ModelData ext = ExtendedModelOf(t, 1);
    const WalkOutcome e = RunViolationWalk(ext, Effort(20));
    ASSERT_TRUE(e.found);
    EXPECT_EQ(WorstViolation(ext, e.x), 0);
    EXPECT_NEAR(e.objective, ObjectiveOf(ext, e.x), 1e-9);
    // The rounded table adds up: value = floor + base * (x + up - down).
    std::vector<double> rounded(t.Cells());
    for (int i = 0; i < t.Cells(); ++i)
        rounded[i] = t.floors[i] + t.base * (e.x[i] + e.x[t.Cells() + i] - e.x[2 * t.Cells() + i]);
    for (int r = 0; r < t.rows.Count(); ++r) {
        double sum = 0;
        for (int k = t.rows.start[r]; k < t.rows.start[r + 1]; ++k)
            sum += t.rows.vals[k] * rounded[t.rows.cols[k]];
        EXPECT_EQ(sum, 0) << "equation " << r;
    }
}

TEST(ViolationWalkTest, InequalitiesStartsStopsAndModelsBeyondIt) {
    // Three items, at least 2 and at most 3 of weight: x0 + x1 + x2 >= 2,
    // x0 + x2 <= 1, minimise x0 + 2 x1 + 3 x2 -> x0 = x1 = 1.
    ModelData m;
    m.obj = {1, 2, 3};
    m.lb = {0, 0, 0};
    m.ub = {1, 1, 1};
    m.type = {'B', 'B', 'B'};
    const int all[] = {0, 1, 2}, ends[] = {0, 2};
    const double ones[] = {1, 1, 1};
    m.AppendRow('G', 2, 0, all, ones, 3);
    m.AppendRow('L', 1, 0, ends, ones, 2);
    WalkOutcome o = RunViolationWalk(m, Effort(1));
    ASSERT_TRUE(o.found);
    EXPECT_EQ(o.x, (std::vector<double>{1, 1, 0}));
    EXPECT_EQ(o.objective, 3);

    // A start outside the bounds is brought inside them; a start that is a
    // solution already is one.
    WalkSearch from = Effort(1);
    from.start = {7, -3, 0.4};
    o = RunViolationWalk(m, from);
    ASSERT_TRUE(o.found);
    EXPECT_EQ(WorstViolation(m, o.x), 0);
    from.start = {0, 1, 1};
    o = RunViolationWalk(m, from);
    ASSERT_TRUE(o.found);
    EXPECT_LE(o.objective, 5);

    // Asked to stop at once, it stops within its first polls.
    const ModelData big = ModelOf(MakeRoundingTable(4, 4, 9));
    WalkSearch stopped = Effort(1000);
    stopped.stop = [] { return true; };
    o = RunViolationWalk(big, stopped);
    EXPECT_LE(o.moves, 256);

    // Continuous columns, infinite or fractional bounds: not for the walk.
    ModelData cont = m;
    cont.type[1] = 'C';
    ModelData open = m;
    open.ub[2] = kInfinity;
    ModelData half = m;
    half.ub[0] = 0.5;
    for (const ModelData* beyond : {&cont, &open, &half}) {
        EXPECT_FALSE(WalkableModel(*beyond));
        EXPECT_FALSE(RunViolationWalk(*beyond, Effort(1)).found);
    }
    EXPECT_TRUE(WalkableModel(m));
}

class WalkSearchTest : public OptimizerTest {};

TEST_F(WalkSearchTest, SearchesFromTheWalksSolutionReachTheSameOptimum) {
    for (const auto& [dims, n, seed] :
         std::vector<std::tuple<int, int, unsigned>>{{3, 6, 41}, {3, 9, 42}, {4, 3, 43}}) {
        SCOPED_TRACE(std::to_string(dims) + "-D n=" + std::to_string(n));
        const RoundingTable t = MakeRoundingTable(dims, n, seed);
        double optimum[2] = {0, 0};
        std::string messages[2];
        for (int walk = 0; walk < 2; ++walk) {
            Prob p;
            ASSERT_EQ(XPRSsetintcontrol(p, XO_START_WALK_EFFORT, walk ? 50 : 0), 0);
            ASSERT_EQ(XPRSsetintcontrol(p, XO_START_THREAD_COLUMNS, 1000000), 0);
            ASSERT_EQ(LoadColumns(p, t.obj, t.lb, t.ub, std::vector<char>(t.Cells(), 'B'), t.rows),
                      0);
            XPRSsetcbmessage(
                p,
                [](XPRSprob, void* data, const char* text, int length, int) {
                    if (text && length > 0)
                        static_cast<std::string*>(data)->append(text, length).append("\n");
                },
                &messages[walk]);
            ASSERT_EQ(XPRSminim(p, "g"), 0);
            ASSERT_EQ(p.Int(XPRS_MIPSTATUS), XPRS_MIP_OPTIMAL);
            optimum[walk] = p.Dbl(XPRS_MIPOBJVAL);
            EXPECT_LT(t.MaxViolation(p.Sol(t.Cells())), 1e-9);
        }
        EXPECT_NEAR(optimum[0], optimum[1], 1e-6);
        // A search asked to stop at its first log callback (in the root LP)
        // ends with the walk's solution, which came before it.
        Prob stopped;
        ASSERT_EQ(LoadColumns(stopped, t.obj, t.lb, t.ub, std::vector<char>(t.Cells(), 'B'), t.rows),
                  0);
        ASSERT_EQ(XPRSsetintcontrol(stopped, XO_START_THREAD_COLUMNS, 1000000), 0);
        ASSERT_EQ(XPRSsetintcontrol(stopped, XPRS_LPLOG, 1), 0);
        XPRSsetcbgloballog(
            stopped, [](XPRSprob, void*) { return 1; }, nullptr);
        XPRSsetcblplog(
            stopped, [](XPRSprob, void*) { return 1; }, nullptr);
        ASSERT_EQ(XPRSminim(stopped, "g"), 0);
        ASSERT_EQ(stopped.Int(XPRS_MIPSTATUS), XPRS_MIP_SOLUTION);
        const std::vector<double> x = stopped.Sol(t.Cells());
        EXPECT_LT(t.MaxViolation(x), 1e-9);
        EXPECT_NEAR(ObjectiveOf(ModelOf(t), x), stopped.Dbl(XPRS_MIPOBJVAL), 1e-6);
        EXPECT_GE(stopped.Dbl(XPRS_MIPOBJVAL), optimum[1] - 1e-6);
        EXPECT_EQ(messages[0].find("Start walk"), std::string::npos);
        EXPECT_NE(messages[1].find("Start walk: a solution after"), std::string::npos)
            << messages[1];
        EXPECT_NE(messages[1].find("Start walk: solution of"), std::string::npos);
    }
}

}  // namespace
}  // namespace qtb::opt::test
