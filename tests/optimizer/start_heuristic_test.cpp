// The start heuristic of models that split into a network and side rows
// (tables of three and more dimensions with their totals): the split itself,
// the solutions it hands over (each one a solution of the whole model and
// better than the one before, never better than the optimum), the bounds it
// proves (never past the optimum), its stop, and global searches with it on a
// thread beside the search.
#include <string>
#include <vector>

#include "engine/optimizer/network_split.h"
#include "engine/optimizer/structured_start.h"
#include "tests/optimizer/test_support.h"

namespace qtb::opt::test {
namespace {

double OptimumOf(const RoundingTable& t) {
    Prob p;
    EXPECT_EQ(LoadColumns(p, t.obj, t.lb, t.ub, std::vector<char>(t.Cells(), 'B'), t.rows), 0);
    EXPECT_EQ(XPRSminim(p, "g"), 0);
    EXPECT_EQ(p.Int(XPRS_MIPSTATUS), XPRS_MIP_OPTIMAL);
    return p.Dbl(XPRS_MIPOBJVAL);
}

TEST(NetworkSplitTest, TablesSplitIntoANetworkAndSideRows) {
    NetworkSplit split;
    // A two-dimensional table is a network as a whole: nothing to split.
    EXPECT_FALSE(SplitByNetwork(ModelOf(MakeRoundingTable(2, 5, 1)), 0, &split));

    for (const auto& [dims, n] : std::vector<std::pair<int, int>>{{3, 4}, {3, 6}, {4, 3}}) {
        const ModelData m = ModelOf(MakeRoundingTable(dims, n, 11));
        for (int first : {0, m.Rows() / 2}) {
            NetworkSplit s;
            ASSERT_TRUE(SplitByNetwork(m, first, &s)) << dims << "-D, first row " << first;
            EXPECT_EQ(static_cast<int>(s.net_rows.size() + s.side_rows.size()), m.Rows());
            EXPECT_FALSE(s.side_rows.empty());
            EXPECT_GE(s.components, 1);
            // Every free column lies in at most two rows of the network part
            // (fixed ones are constants there).
            std::vector<int> in_net(m.Cols(), 0);
            for (int i : s.net_rows)
                for (int k = m.start[i]; k < m.start[i + 1]; ++k) ++in_net[m.index[k]];
            for (int j = 0; j < m.Cols(); ++j) {
                if (m.lb[j] == m.ub[j]) {
                    EXPECT_EQ(s.component[j], -1) << "column " << j;
                } else {
                    EXPECT_LE(in_net[j], 2) << "column " << j;
                    EXPECT_GE(s.component[j], 0) << "column " << j;
                }
            }
        }
    }

    // Models beyond the heuristic: an inequality, a coefficient other than
    // +-1, a continuous column.
    ModelData m = ModelOf(MakeRoundingTable(3, 3, 2));
    ModelData ineq = m;
    ineq.row_type[0] = 'L';
    EXPECT_FALSE(SplittableModel(ineq));
    ModelData coef = m;
    coef.value[0] = 2;
    EXPECT_FALSE(SplittableModel(coef));
    ModelData cont = m;
    cont.type[0] = 'C';
    EXPECT_FALSE(SplittableModel(cont));
    EXPECT_TRUE(SplittableModel(m));
}

class StartHeuristicTest : public OptimizerTest {};

TEST_F(StartHeuristicTest, SolutionsHoldTheWholeModelAndImprove) {
    struct Case {
        int dims, n;
        unsigned seed;
    };
    int tables_with_a_solution = 0;
    const std::vector<Case> cases = {{3, 5, 1}, {3, 7, 2}, {3, 9, 3}, {4, 4, 4}, {4, 3, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.dims) + "-D n=" + std::to_string(c.n));
        const RoundingTable t = MakeRoundingTable(c.dims, c.n, c.seed);
        const ModelData m = ModelOf(t);
        std::vector<double> found;
        StartSearch search;
        search.lagrange_seconds = 5;
        search.exchange_seconds = 5;
        search.found = [&](const std::vector<double>& x, double objective) {
            ASSERT_EQ(static_cast<int>(x.size()), t.Cells());
            for (double v : x) ASSERT_TRUE(v == 0 || v == 1) << v;
            EXPECT_LT(t.MaxViolation(x), 1e-9);
            EXPECT_NEAR(objective, ObjectiveOf(m, x), 1e-9);
            if (!found.empty()) {
                EXPECT_LT(objective, found.back());
            }
            found.push_back(objective);
        };
        // The bounds the multipliers prove rise and never pass the optimum
        // (a bound past it would make a search claim a gap it does not have).
        std::vector<double> bounds;
        search.bound = [&](double b) {
            if (!bounds.empty()) {
                EXPECT_GT(b, bounds.back());
            }
            bounds.push_back(b);
        };
        const bool any = RunStructuredStart(m, search);
        EXPECT_EQ(any, !found.empty());
        const double optimum = OptimumOf(t);
        EXPECT_FALSE(bounds.empty());
        for (double b : bounds) EXPECT_LE(b, optimum + 1e-6);
        if (any) {
            ++tables_with_a_solution;
            EXPECT_GE(found.back(), optimum - 1e-6);
        }
    }
    // Small tables leave the repair little room, but most of them give way.
    EXPECT_GE(tables_with_a_solution, 4);
}

TEST_F(StartHeuristicTest, StopsWhenAsked) {
    const ModelData m = ModelOf(MakeRoundingTable(3, 8, 6));
    int calls = 0;
    StartSearch at_once;
    at_once.stop = [] { return true; };
    at_once.found = [&](const std::vector<double>&, double) { ++calls; };
    EXPECT_FALSE(RunStructuredStart(m, at_once));
    EXPECT_EQ(calls, 0);

    // Stopped after the first solution: no other follows.
    StartSearch after_first;
    after_first.stop = [&] { return calls > 0; };
    after_first.found = [&](const std::vector<double>&, double) { ++calls; };
    RunStructuredStart(m, after_first);
    EXPECT_LE(calls, 1);
}

class StartThreadTest : public OptimizerTest {};

struct SearchCounts {
    int intsol = 0;
    std::string messages;
};

// A global search of table t, with the heuristic beside it when `beside`.
void Search(Prob& p, const RoundingTable& t, bool beside, SearchCounts* counts) {
    ASSERT_EQ(XPRSsetintcontrol(p, XO_START_THREAD_COLUMNS, beside ? 0 : 1000000), 0);
    ASSERT_EQ(LoadColumns(p, t.obj, t.lb, t.ub, std::vector<char>(t.Cells(), 'B'), t.rows), 0);
    XPRSsetcbintsol(
        p, [](XPRSprob, void* data) { ++static_cast<SearchCounts*>(data)->intsol; }, counts);
    XPRSsetcbmessage(
        p,
        [](XPRSprob, void* data, const char* text, int length, int) {
            if (text && length > 0)
                static_cast<SearchCounts*>(data)->messages.append(text, length).append("\n");
        },
        counts);
}

TEST_F(StartThreadTest, SearchesBesideTheHeuristicReachTheSameOptimum) {
    for (const auto& [dims, n, seed] :
         std::vector<std::tuple<int, int, unsigned>>{{3, 6, 21}, {3, 8, 22}, {4, 4, 23}}) {
        SCOPED_TRACE(std::to_string(dims) + "-D n=" + std::to_string(n));
        const RoundingTable t = MakeRoundingTable(dims, n, seed);
        Prob with, alone;
        SearchCounts with_counts, alone_counts;
        Search(with, t, true, &with_counts);
        Search(alone, t, false, &alone_counts);
        ASSERT_EQ(XPRSminim(with, "g"), 0);
        ASSERT_EQ(XPRSminim(alone, "g"), 0);
        ASSERT_EQ(with.Int(XPRS_MIPSTATUS), XPRS_MIP_OPTIMAL);
        ASSERT_EQ(alone.Int(XPRS_MIPSTATUS), XPRS_MIP_OPTIMAL);
        EXPECT_NEAR(with.Dbl(XPRS_MIPOBJVAL), alone.Dbl(XPRS_MIPOBJVAL), 1e-6);
        const std::vector<double> x = with.Sol(t.Cells());
        EXPECT_LT(t.MaxViolation(x), 1e-9);
        EXPECT_NEAR(ObjectiveOf(ModelOf(t), x), with.Dbl(XPRS_MIPOBJVAL), 1e-6);
        // Every incumbent, whichever search found it, was passed on once.
        EXPECT_EQ(with.Int(XPRS_MIPSOLS), with_counts.intsol);
        EXPECT_GE(with_counts.intsol, 1);
        EXPECT_EQ(alone_counts.messages.find("Start heuristic"), std::string::npos);
    }
}

TEST_F(StartThreadTest, AStoppedSearchEndsWithAnySolutionOfTheHeuristic) {
    // The log callback stops the search at its first call: the heuristic is
    // stopped too, and what it found by then is the search's result.
    const RoundingTable t = MakeRoundingTable(3, 10, 31);
    for (int round = 0; round < 3; ++round) {
        Prob p;
        SearchCounts counts;
        Search(p, t, true, &counts);
        ASSERT_EQ(XPRSsetintcontrol(p, XPRS_MIPLOG, -1), 0);
        XPRSsetcbgloballog(
            p, [](XPRSprob, void*) { return 1; }, nullptr);
        ASSERT_EQ(XPRSminim(p, "g"), 0);
        const int status = p.Int(XPRS_MIPSTATUS);
        EXPECT_TRUE(status == XPRS_MIP_SOLUTION || status == XPRS_MIP_NO_SOL_FOUND ||
                    status == XPRS_MIP_OPTIMAL)
            << status;
        EXPECT_EQ(p.Int(XPRS_MIPSOLS), counts.intsol);
        if (status != XPRS_MIP_NO_SOL_FOUND) {
            const std::vector<double> x = p.Sol(t.Cells());
            EXPECT_LT(t.MaxViolation(x), 1e-9);
            EXPECT_NEAR(ObjectiveOf(ModelOf(t), x), p.Dbl(XPRS_MIPOBJVAL), 1e-6);
        }
    }
}

TEST_F(StartThreadTest, TheBoundOfAStoppedSearchNeverPassesTheOptimum) {
    // The heuristic's Lagrangian bound counts as the search's bound: stopped
    // early or late, the bound reported must stay at or below the least
    // objective (a bound past it would call a rounding optimal that is not,
    // or a gap smaller than the truth) and at or below the solution in hand.
    const RoundingTable t = MakeRoundingTable(3, 7, 41);
    const double optimum = OptimumOf(t);
    for (int stopAfter : {1, 4, 16}) {
        SCOPED_TRACE("stopped at log call " + std::to_string(stopAfter));
        Prob p;
        SearchCounts counts;
        Search(p, t, true, &counts);
        ASSERT_EQ(XPRSsetintcontrol(p, XPRS_MIPLOG, -1), 0);
        int calls = 0;
        struct Stop {
            int* calls;
            int after;
        } stop{&calls, stopAfter};
        XPRSsetcbgloballog(
            p,
            [](XPRSprob, void* data) {
                Stop* s = static_cast<Stop*>(data);
                return ++*s->calls >= s->after ? 1 : 0;
            },
            &stop);
        ASSERT_EQ(XPRSminim(p, "g"), 0);
        const int status = p.Int(XPRS_MIPSTATUS);
        const double bound = p.Dbl(XPRS_BESTBOUND);
        EXPECT_LE(bound, optimum + 1e-6);
        if (status == XPRS_MIP_SOLUTION || status == XPRS_MIP_OPTIMAL) {
            EXPECT_LE(bound, p.Dbl(XPRS_MIPOBJVAL) + 1e-6);
        }
        if (status == XPRS_MIP_OPTIMAL) {
            EXPECT_NEAR(p.Dbl(XPRS_MIPOBJVAL), optimum, 1e-6);
        }
    }
}

}  // namespace
}  // namespace qtb::opt::test
