// The callbacks as the rounding engine relies on them: messages as text with
// nothing printed, every new incumbent passed on once with its values and
// objective readable, and log callbacks that stop a search.
#include <cmath>
#include <cstring>
#include <string>
#include <thread>

#include "tests/optimizer/test_support.h"

namespace qtb::opt::test {
namespace {

class Callbacks : public OptimizerTest {};

struct Messages {
    std::vector<std::string> lines;
    std::vector<int> types;
    bool length_ok = true;
};

void OnMessage(XPRSprob, void* data, const char* text, int length, int type) {
    auto* m = static_cast<Messages*>(data);
    m->lines.emplace_back(text);
    m->types.push_back(type);
    if (static_cast<int>(std::strlen(text)) != length) m->length_ok = false;
}

void LoadTable(Prob& p, const RoundingTable& t) {
    ASSERT_EQ(LoadColumns(p, t.obj, t.lb, t.ub, std::vector<char>(t.Cells(), 'B'), t.rows), 0);
}

TEST_F(Callbacks, MessagesArriveAsLinesAndNothingIsPrinted) {
    // Three dimensions: a model that goes to CBC (two-dimensional tables are
    // networks and take the network simplex).
    const RoundingTable t = MakeRoundingTable(3, 4, 3);
    Messages m;
    Prob p;
    LoadTable(p, t);
    ASSERT_EQ(XPRSsetcbmessage(p, OnMessage, &m), 0);
    int rc = -1;
    const std::string printed = CaptureOutput([&] { rc = XPRSminim(p, "g"); });
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(printed, "");
    ASSERT_FALSE(m.lines.empty());
    bool banner = false;
    for (size_t i = 0; i < m.lines.size(); ++i) {
        EXPECT_EQ(m.lines[i].find('\n'), std::string::npos);
        EXPECT_GE(m.types[i], XPRS_MSG_INFO);
        EXPECT_LE(m.types[i], XPRS_MSG_ERROR);
        if (m.lines[i].find("CBC") != std::string::npos) banner = true;
    }
    EXPECT_TRUE(banner) << "the solver's banner should be among the messages";
    EXPECT_TRUE(m.length_ok);
}

int StopAtOnce(XPRSprob, void*) {
    return 1;
}

// Whatever the outcome, the solvers print nothing of their own, with or
// without a message callback.
TEST_F(Callbacks, NothingIsPrintedWhateverTheOutcome) {
    const RoundingTable t = MakeRoundingTable(3, 8, 1);
    for (bool with_callback : {false, true}) {
        Messages m;
        const std::string printed = CaptureOutput([&] {
            auto solve = [&](const std::vector<double>& obj, const std::vector<double>& ub,
                             const std::vector<char>& types, const Rows& rows, const char* flags,
                             bool stop) {
                Prob p;
                if (with_callback) XPRSsetcbmessage(p, OnMessage, &m);
                if (stop) XPRSsetcbgloballog(p, StopAtOnce, nullptr);
                if (stop) XPRSsetcblplog(p, StopAtOnce, nullptr);
                EXPECT_EQ(LoadColumns(p, obj, std::vector<double>(obj.size(), 0), ub, types, rows),
                          0);
                EXPECT_EQ(XPRSminim(p, flags), 0);
            };
            Rows three;  // x0 + x1 = 3
            three.Add('E', 3, {0, 1}, {1, 1});
            Rows half;  // x0 + x1 = 1, x0 = x1
            half.Add('E', 1, {0, 1}, {1, 1});
            half.Add('E', 0, {0, 1}, {1, -1});
            Rows open;  // x0 >= x1
            open.Add('G', 0, {0, 1}, {1, -1});
            const std::vector<double> big = {1e20, 1e20};
            solve({1, 1}, {1, 1}, {'B', 'B'}, three, "g", false);  // root LP infeasible
            solve({1, 1}, {1, 1}, {'B', 'B'}, half, "g", false);   // integer infeasible
            solve({-1, 0}, big, {'I', 'I'}, open, "g", false);     // unbounded
            solve({-1, 0}, big, {}, open, "", false);              // unbounded LP
            solve({1, 1}, {1, 1}, {}, three, "", false);           // infeasible LP
            solve(t.obj, t.ub, std::vector<char>(t.Cells(), 'B'), t.rows, "g", true);  // stopped
        });
        EXPECT_EQ(printed, "") << (with_callback ? "with" : "without") << " a message callback";
        EXPECT_EQ(m.lines.empty(), !with_callback);
    }
}

struct Incumbents {
    const RoundingTable* table = nullptr;
    std::vector<std::vector<double>> x;
    std::vector<double> obj, bound;
    std::vector<int> sols, status;
    int busy_changes = 0, dual_refusals = 0;
};

void OnIntSol(XPRSprob p, void* data) {
    auto* s = static_cast<Incumbents*>(data);
    std::vector<double> x(s->table->Cells());
    EXPECT_EQ(XPRSgetsol(p, x.data(), nullptr, nullptr, nullptr), 0);
    double obj = 0, bound = 0;
    int sols = 0, status = 0;
    EXPECT_EQ(XPRSgetdblattrib(p, XPRS_MIPOBJVAL, &obj), 0);
    EXPECT_EQ(XPRSgetdblattrib(p, XPRS_BESTBOUND, &bound), 0);
    EXPECT_EQ(XPRSgetintattrib(p, XPRS_MIPSOLS, &sols), 0);
    EXPECT_EQ(XPRSgetintattrib(p, XPRS_MIPSTATUS, &status), 0);
    s->x.push_back(x);
    s->obj.push_back(obj);
    s->bound.push_back(bound);
    s->sols.push_back(sols);
    s->status.push_back(status);
    // The problem cannot change under a running search; duals do not exist.
    const int col = 0;
    const double zero = 0;
    if (XPRSchgobj(p, 1, &col, &zero) == XO_ERR_BUSY) ++s->busy_changes;
    double dual = 0;
    if (XPRSgetsol(p, nullptr, nullptr, &dual, nullptr) == XO_ERR_NO_SOLUTION) ++s->dual_refusals;
}

// A 3-D 6x6x6 table on which CBC improves its incumbent several times.
TEST_F(Callbacks, EveryNewIncumbentOnceWithItsValues) {
    const RoundingTable t = MakeRoundingTable(3, 6, 2);
    Incumbents s;
    s.table = &t;
    Prob p;
    LoadTable(p, t);
    ASSERT_EQ(XPRSsetcbintsol(p, OnIntSol, &s), 0);
    ASSERT_EQ(XPRSminim(p, "g"), 0);
    ASSERT_EQ(p.Int(XPRS_MIPSTATUS), XPRS_MIP_OPTIMAL);
    const size_t n = s.x.size();
    ASSERT_GE(n, 2u) << "the table should give more than one incumbent";
    for (size_t k = 0; k < n; ++k) {
        double obj = 0;
        for (int c = 0; c < t.Cells(); ++c) obj += t.obj[c] * s.x[k][c];
        EXPECT_NEAR(s.obj[k], obj, 1e-6) << "report " << k;
        EXPECT_LE(s.bound[k], s.obj[k] + 1e-6);
        EXPECT_EQ(s.sols[k], static_cast<int>(k) + 1) << "each report is a new incumbent";
        EXPECT_EQ(s.status[k], XPRS_MIP_SOLUTION);
        EXPECT_LT(t.MaxViolation(s.x[k]), 1e-6);
        if (k > 0) {
            EXPECT_LE(s.obj[k], s.obj[k - 1] + 1e-9);
            EXPECT_NE(s.x[k], s.x[k - 1]) << "a repeated report was passed on";
        }
    }
    EXPECT_EQ(s.busy_changes, static_cast<int>(n));
    EXPECT_EQ(s.dual_refusals, static_cast<int>(n));
    // The last report is the final solution.
    EXPECT_EQ(p.Sol(t.Cells()), s.x.back());
    EXPECT_NEAR(p.Dbl(XPRS_MIPOBJVAL), s.obj.back(), 1e-9);
    EXPECT_EQ(p.Int(XPRS_MIPSOLS), static_cast<int>(n));
}

// What a log callback sees, and when it asks to stop.
struct Progress {
    int calls = 0;
    int stop_after_solutions = -1;  // stop once this many solutions exist; -1: at once
    int failed_reads = 0;
    int unfinished_lp_seen = 0;
    int bad_values = 0;
};

int OnLog(XPRSprob p, void* data) {
    auto* g = static_cast<Progress*>(data);
    ++g->calls;
    int lp = 0, mip = 0, nodes = 0, active = 0, sols = 0, iters = 0;
    double mipobj = 0, bound = 0, lpobj = 0;
    const int reads[] = {
        XPRSgetintattrib(p, XPRS_LPSTATUS, &lp),
        XPRSgetintattrib(p, XPRS_MIPSTATUS, &mip),
        XPRSgetintattrib(p, XPRS_NODES, &nodes),
        XPRSgetintattrib(p, XPRS_ACTIVENODES, &active),
        XPRSgetintattrib(p, XPRS_MIPSOLS, &sols),
        XPRSgetintattrib(p, XPRS_SIMPLEXITER, &iters),
        XPRSgetdblattrib(p, XPRS_MIPOBJVAL, &mipobj),
        XPRSgetdblattrib(p, XPRS_BESTBOUND, &bound),
        XPRSgetdblattrib(p, XPRS_LPOBJVAL, &lpobj),
    };
    for (int r : reads) g->failed_reads += r != 0;
    if (lp == XPRS_LP_UNFINISHED) ++g->unfinished_lp_seen;
    if (lp < 0 || lp > 6 || mip < 0 || mip > 6 || nodes < 0 || active < 0 || iters < 0) {
        ++g->bad_values;
    }
    if (g->stop_after_solutions < 0) return 1;
    return sols >= g->stop_after_solutions ? 1 : 0;
}

// A 3-D 12x12x12 table takes CBC many seconds to prove optimal: a callback
// that asks to stop must end it early, with an incomplete-search status.
TEST_F(Callbacks, LogCallbackStopsAHardSearch) {
    const RoundingTable t = MakeRoundingTable(3, 12, 1);
    {
        Progress g;
        Prob p;
        LoadTable(p, t);
        ASSERT_EQ(XPRSsetintcontrol(p, XPRS_LPLOG, 1), 0);
        ASSERT_EQ(XPRSsetcbgloballog(p, OnLog, &g), 0);
        ASSERT_EQ(XPRSsetcblplog(p, OnLog, &g), 0);
        ASSERT_EQ(XPRSminim(p, "g"), 0);
        EXPECT_EQ(g.calls, 1) << "no log callback after the one that asked to stop";
        EXPECT_EQ(g.failed_reads, 0);
        EXPECT_EQ(g.bad_values, 0);
        EXPECT_EQ(g.unfinished_lp_seen, 1) << "the first call comes from the root LP";
        const int mip = p.Int(XPRS_MIPSTATUS);
        EXPECT_TRUE(mip == XPRS_MIP_NO_SOL_FOUND || mip == XPRS_MIP_SOLUTION) << mip;
        EXPECT_EQ(p.Int(XPRS_LPSTATUS), XPRS_LP_UNFINISHED);
    }
    {
        // Stop once a rounding exists: status "incomplete with solution", and
        // the objective is that rounding's. (Without the start heuristic and
        // the walk, whose roundings may come before the root LP is solved.)
        Progress g;
        g.stop_after_solutions = 1;
        Prob p;
        LoadTable(p, t);
        ASSERT_EQ(XPRSsetintcontrol(p, XO_START_THREAD_COLUMNS, 1000000), 0);
        ASSERT_EQ(XPRSsetintcontrol(p, XO_START_WALK_EFFORT, 0), 0);
        ASSERT_EQ(XPRSsetintcontrol(p, XPRS_MIPLOG, 1), 0);
        ASSERT_EQ(XPRSsetcbgloballog(p, OnLog, &g), 0);
        ASSERT_EQ(XPRSsetcblplog(p, OnLog, &g), 0);
        ASSERT_EQ(XPRSminim(p, "g"), 0);
        EXPECT_EQ(g.failed_reads, 0);
        EXPECT_EQ(g.bad_values, 0);
        EXPECT_GT(g.unfinished_lp_seen, 0);
        ASSERT_EQ(p.Int(XPRS_MIPSTATUS), XPRS_MIP_SOLUTION);
        EXPECT_EQ(p.Int(XPRS_LPSTATUS), XPRS_LP_OPTIMAL);
        const std::vector<double> x = p.Sol(t.Cells());
        double obj = 0;
        for (int c = 0; c < t.Cells(); ++c) obj += t.obj[c] * x[c];
        EXPECT_NEAR(p.Dbl(XPRS_MIPOBJVAL), obj, 1e-6);
        EXPECT_LE(p.Dbl(XPRS_BESTBOUND), obj + 1e-6);
        EXPECT_LT(t.MaxViolation(x), 1e-6);
    }
}

TEST_F(Callbacks, TimeBackstopStopsASearchWithoutCallbacks) {
    const RoundingTable t = MakeRoundingTable(3, 12, 1);
    Prob p;
    LoadTable(p, t);
    ASSERT_EQ(XPRSsetintcontrol(p, XO_SEARCH_SECONDS, 1), 0);
    ASSERT_EQ(XPRSminim(p, "g"), 0);
    const int mip = p.Int(XPRS_MIPSTATUS);
    EXPECT_TRUE(mip == XPRS_MIP_NO_SOL_FOUND || mip == XPRS_MIP_SOLUTION) << mip;
}

TEST_F(Callbacks, LpLogCallbackInAPlainLp) {
    // The relaxation of a 2-D 15x15 table needs many iterations from scratch.
    const RoundingTable t = MakeRoundingTable(2, 15, 4);
    Progress g;
    Prob p;
    ASSERT_EQ(LoadColumns(p, t.obj, t.lb, t.ub, {}, t.rows), 0);
    ASSERT_EQ(XPRSsetintcontrol(p, XPRS_LPLOG, 1), 0);
    ASSERT_EQ(XPRSsetcblplog(p, OnLog, &g), 0);
    ASSERT_EQ(XPRSminim(p, "p"), 0);
    EXPECT_EQ(g.calls, 1);
    EXPECT_EQ(g.unfinished_lp_seen, 1);
    EXPECT_EQ(p.Int(XPRS_LPSTATUS), XPRS_LP_UNFINISHED);
    // Without the callback the same LP solves to optimality.
    ASSERT_EQ(XPRSsetcblplog(p, nullptr, nullptr), 0);
    ASSERT_EQ(XPRSminim(p, "p"), 0);
    EXPECT_EQ(p.Int(XPRS_LPSTATUS), XPRS_LP_OPTIMAL);
}

// Searches from two threads at once are run one after the other and give
// each thread its own right answer.
TEST_F(Callbacks, SearchesFromTwoThreads) {
    const RoundingTable a = MakeRoundingTable(2, 10, 21);
    const RoundingTable b = MakeRoundingTable(2, 10, 22);
    double obj_alone[2] = {0, 0};
    const RoundingTable* tables[2] = {&a, &b};
    for (int k = 0; k < 2; ++k) {
        Prob p;
        LoadTable(p, *tables[k]);
        ASSERT_EQ(XPRSminim(p, "g"), 0);
        obj_alone[k] = p.Dbl(XPRS_MIPOBJVAL);
    }
    double obj_parallel[2] = {0, 0};
    int status[2] = {0, 0};
    auto run = [&](int k) {
        Messages m;  // callbacks on both threads
        Prob p;
        LoadTable(p, *tables[k]);
        XPRSsetcbmessage(p, OnMessage, &m);
        if (XPRSminim(p, "g") != 0) return;
        XPRSgetintattrib(p, XPRS_MIPSTATUS, &status[k]);
        XPRSgetdblattrib(p, XPRS_MIPOBJVAL, &obj_parallel[k]);
    };
    std::thread t0(run, 0), t1(run, 1);
    t0.join();
    t1.join();
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(status[k], XPRS_MIP_OPTIMAL);
        EXPECT_NEAR(obj_parallel[k], obj_alone[k], 1e-9);
    }
}

}  // namespace
}  // namespace qtb::opt::test
