// When log callbacks are due, and how solver text is cut into message lines.
// Wrong pacing means a caller's time limit cannot act (too few calls) or a
// search slowed down by its own log (too many).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/optimizer/log_pacer.h"
#include "engine/optimizer/message_text.h"
#include "engine/optimizer/optimizer.h"

namespace qtb::opt {
namespace {

using Call = LogPacer::Call;

LogPacer::Settings Both(int lp_log, int mip_log) {
    LogPacer::Settings s;
    s.lp_log = lp_log;
    s.mip_log = mip_log;
    s.has_lp_cb = true;
    s.has_global_cb = true;
    s.global_search = true;
    return s;
}

TEST(LogPacer, LpLogEveryNIterationsAndLivenessOtherwise) {
    LogPacer pacer(Both(3, 0), 0.0);
    std::vector<long> due;
    for (long it = 1; it <= 10; ++it) {
        if (pacer.OnIteration(it, 0.01) == Call::kLpLog) {
            due.push_back(it);
            pacer.Called(0.01);
        }
    }
    EXPECT_EQ(due, (std::vector<long>{3, 6, 9}));
    // A quarter of a second without a call: the next iteration calls.
    EXPECT_EQ(pacer.OnIteration(11, 0.01 + LogPacer::kLivenessSeconds), Call::kLpLog);
    EXPECT_EQ(pacer.OnIteration(11, 0.02), Call::kNone);
}

TEST(LogPacer, GlobalLogByNodesAndLivenessFallsBackToIt) {
    LogPacer every(Both(0, -1), 0.0);
    EXPECT_EQ(every.OnNode(1, 0.0), Call::kGlobalLog);
    EXPECT_EQ(every.OnNode(2, 0.0), Call::kGlobalLog);

    LogPacer tenth(Both(0, 10), 0.0);
    EXPECT_EQ(tenth.OnNode(9, 0.0), Call::kNone);
    EXPECT_EQ(tenth.OnNode(10, 0.0), Call::kGlobalLog);
    EXPECT_EQ(tenth.OnNode(15, 0.0), Call::kNone);
    EXPECT_EQ(tenth.OnNode(23, 0.0), Call::kGlobalLog);  // skipped past 20
    EXPECT_EQ(tenth.OnNode(29, 0.0), Call::kNone);
    // With the LP log off, liveness calls the global log, from iterations too.
    EXPECT_EQ(tenth.OnIteration(1, 1.0), Call::kGlobalLog);
    EXPECT_EQ(tenth.OnEvent(1.0), Call::kGlobalLog);
}

TEST(LogPacer, ZeroMeansNeverAndMissingCallbacksAreNeverDue) {
    LogPacer off(Both(0, 0), 0.0);
    EXPECT_EQ(off.OnIteration(100, 10.0), Call::kNone);
    EXPECT_EQ(off.OnNode(100, 10.0), Call::kNone);

    LogPacer::Settings none = Both(1, -1);
    none.has_lp_cb = false;
    none.has_global_cb = false;
    LogPacer silent(none, 0.0);
    EXPECT_EQ(silent.OnIteration(1, 10.0), Call::kNone);
    EXPECT_EQ(silent.OnNode(1, 10.0), Call::kNone);

    // Outside a global search the global log is never due.
    LogPacer::Settings lp_only = Both(0, -1);
    lp_only.global_search = false;
    LogPacer lp(lp_only, 0.0);
    EXPECT_EQ(lp.OnIteration(1, 10.0), Call::kNone);
}

TEST(MessageSink, LinesAndTypes) {
    std::vector<std::string> lines;
    ForEachLine("Welcome \nVersion: 2\r\n\nlast",
                [&](std::string_view l) { lines.emplace_back(l); });
    EXPECT_EQ(lines, (std::vector<std::string>{"Welcome ", "Version: 2", "", "last"}));
    lines.clear();
    ForEachLine("one line\n", [&](std::string_view l) { lines.emplace_back(l); });
    EXPECT_EQ(lines, (std::vector<std::string>{"one line"}));
    lines.clear();
    ForEachLine("", [&](std::string_view l) { lines.emplace_back(l); });
    EXPECT_TRUE(lines.empty());

    EXPECT_EQ(MessageTypeOf('I', 1), XPRS_MSG_INFO);
    EXPECT_EQ(MessageTypeOf('I', 3), XPRS_MSG_LOG);
    EXPECT_EQ(MessageTypeOf('W', 1), XPRS_MSG_WARNING);
    EXPECT_EQ(MessageTypeOf('E', 1), XPRS_MSG_ERROR);
    EXPECT_EQ(MessageTypeOf('S', 0), XPRS_MSG_ERROR);
}

}  // namespace
}  // namespace qtb::opt
