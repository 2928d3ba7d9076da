// Global searches in a child process: ended when asked even if the search
// itself never looks, with the best solution it reported; a child that dies
// is a failure, not a result; and a stop request ends every kind of solve.
// Wrong here would be a time limit that does not hold, a rounding lost at
// the limit, or a crash reported as an outcome.
#include "engine/optimizer/search_process.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "engine/optimizer/problem.h"
#include "tests/optimizer/test_support.h"

namespace qtb::opt::test {
namespace {

class SearchProcessTest : public OptimizerTest {
  protected:
    void TearDown() override {
        XO_ClearStopRequest();
        OptimizerTest::TearDown();
    }
};

struct Seen {
    int solutions = 0;
    int logs = 0;
    std::string messages;
    std::thread::id thread;
    bool other_thread = false;
};

void LoadTable(Prob& p, const RoundingTable& t, Seen* seen) {
    std::vector<char> types(t.Cells(), 'B');
    ASSERT_EQ(LoadColumns(p, t.obj, t.lb, t.ub, types, t.rows), 0);
    XPRSsetcbmessage(
        p,
        [](XPRSprob, void* data, const char* text, int, int) {
            static_cast<Seen*>(data)->messages += std::string(text) + "\n";
        },
        seen);
    XPRSsetcbintsol(
        p,
        [](XPRSprob, void* data) {
            Seen* s = static_cast<Seen*>(data);
            ++s->solutions;
            if (std::this_thread::get_id() != s->thread) s->other_thread = true;
        },
        seen);
}

// A search that reports one solution (the table rounded down where that
// holds, found by the library itself beforehand) and then never ends and
// never looks at a stop: only the calling process can end it.
TEST_F(SearchProcessTest, ASearchThatNeverStopsIsEndedWithItsLastSolution) {
    const RoundingTable t = MakeRoundingTable(2, 3, 2);
    std::vector<double> known;
    {
        Prob q;
        Seen unused;
        LoadTable(q, t, &unused);
        ASSERT_EQ(XPRSminim(q, "g"), 0);
        known = q.Sol(t.Cells());
    }
    Prob p;
    Seen seen;
    seen.thread = std::this_thread::get_id();
    LoadTable(p, t, &seen);
    // The first progress check asks to stop.
    XPRSsetcbgloballog(
        p,
        [](XPRSprob, void* data) {
            ++static_cast<Seen*>(data)->logs;
            return 1;
        },
        &seen);
    xo_prob_struct& problem = *static_cast<XPRSprob>(p);
    problem.ResetOutcome();
    problem.solving = true;
    auto stubborn = [&known, &t](xo_prob_struct& q, const SolutionFeed&) -> int {
        q.attrs.mip_obj = 0;
        for (int j = 0; j < t.Cells(); ++j) q.attrs.mip_obj += t.obj[j] * known[j];
        q.attrs.mip_status = XPRS_MIP_SOLUTION;
        q.attrs.mip_sols = 1;
        q.live_incumbent = &known;
        q.CallIntSol();
        for (;;) pause();
    };
    std::mutex lock;
    int status = -1;
    ASSERT_TRUE(RunSearchInChild(problem, stubborn, &status, &lock));
    problem.solving = false;
    EXPECT_EQ(status, 0);
    EXPECT_EQ(seen.logs, 1);  // none after the one that asked to stop
    EXPECT_EQ(seen.solutions, 1);
    EXPECT_FALSE(seen.other_thread);
    EXPECT_EQ(problem.attrs.mip_status, XPRS_MIP_SOLUTION);
    ASSERT_TRUE(problem.sol.has_x);
    EXPECT_EQ(problem.sol.x, known);
    EXPECT_NE(seen.messages.find("ended from outside"), std::string::npos) << seen.messages;
}

TEST_F(SearchProcessTest, AChildThatDiesIsAFailureNotAnOutcome) {
    const RoundingTable t = MakeRoundingTable(2, 3, 2);
    Prob p;
    Seen seen;
    LoadTable(p, t, &seen);
    xo_prob_struct& problem = *static_cast<XPRSprob>(p);
    problem.ResetOutcome();
    std::mutex lock;
    int status = -1;
    ASSERT_TRUE(RunSearchInChild(
        problem, [](xo_prob_struct&, const SolutionFeed&) -> int { _exit(9); }, &status, &lock));
    EXPECT_EQ(status, XO_ERR_SOLVER);
    EXPECT_FALSE(problem.sol.has_x);
    EXPECT_NE(seen.messages.find("ended with status 9"), std::string::npos) << seen.messages;
}

TEST_F(SearchProcessTest, AStopRequestEndsEveryKindOfSolve) {
    // A table no search finishes in a moment; no callbacks that could stop it.
    const RoundingTable t = MakeRoundingTable(3, 20, 4242);
    XO_RequestStop();
    EXPECT_EQ(XO_StopRequested(), 1);
    for (int in_child : {1, 0}) {
        Prob p;
        std::vector<char> types(t.Cells(), 'B');
        ASSERT_EQ(LoadColumns(p, t.obj, t.lb, t.ub, types, t.rows), 0);
        ASSERT_EQ(XPRSsetintcontrol(p, XO_SEARCH_PROCESS, in_child), 0);
        ASSERT_EQ(XPRSminim(p, "g"), 0);
        const int mip = p.Int(XPRS_MIPSTATUS);
        EXPECT_TRUE(mip == XPRS_MIP_NO_SOL_FOUND || mip == XPRS_MIP_SOLUTION ||
                    mip == XPRS_MIP_LP_NOT_OPTIMAL)
            << "in child " << in_child << ": " << mip;
    }
    Prob lp;
    ASSERT_EQ(LoadColumns(lp, t.obj, t.lb, t.ub, {}, t.rows), 0);
    ASSERT_EQ(XPRSminim(lp, ""), 0);
    EXPECT_EQ(lp.Int(XPRS_LPSTATUS), XPRS_LP_UNFINISHED);
    XO_ClearStopRequest();
    EXPECT_EQ(XO_StopRequested(), 0);
}

}  // namespace
}  // namespace qtb::opt::test
