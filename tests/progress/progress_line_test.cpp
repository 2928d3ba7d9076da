// The terminal's live line: what it says in each phase, when it says nothing,
// and that it is always erased: after each drawing the ticker leaves nothing
// behind once it stops.
#include "app/progress_line.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <mutex>
#include <string>

namespace {

RunProgress searching(double elapsed) {
    RunProgress p{};
    p.run = 1;
    p.phase = kRunSolving;
    p.elapsedSeconds = elapsed;
    p.limitSeconds = 600;
    p.cellCount = 9261;
    return p;
}

TEST(ProgressLine, SaysWhatTheRunDoesInEachPhase) {
    RunProgress p = searching(12.7);
    EXPECT_EQ(app::progressLineText(p, 1), "0:12 of 10:00  searching: no rounding yet");
    p.hasRounding = p.hasBound = 1;
    p.bestDistance = 130;
    p.bound = 126;
    p.gapPercent = 100.0 * 4 / 130;
    EXPECT_EQ(app::progressLineText(p, 1),
              "0:12 of 10:00  searching: distance 130, bound 126, gap 3.08%");
    // Random weights: the distance is known, a bound on it is not.
    p.hasBound = 0;
    p.phase = kRunSolvingExtended;
    EXPECT_EQ(app::progressLineText(p, 1),
              "0:12 of 10:00  searching (extended model): distance 130");
    p.phase = kRunAuditing;
    p.cellsAuditedSoFar = 1200;
    p.elapsedSeconds = 3725;
    p.limitSeconds = 7200;
    EXPECT_EQ(app::progressLineText(p, 1), "1:02:05 of 2:00:00  auditing: 1200 of 9261 cells");
}

TEST(ProgressLine, NothingBeforeTheDelayOrOutsideASolveOrAudit) {
    EXPECT_EQ(app::progressLineText(searching(0.9), 1), "");
    EXPECT_NE(app::progressLineText(searching(0.0), 0), "");
    for (int phase : {kRunIdle, kRunChecking, kRunEnded}) {
        RunProgress p = searching(30);
        p.phase = phase;
        EXPECT_EQ(app::progressLineText(p, 1), "") << "phase " << phase;
    }
}

TEST(ProgressLine, NeverWiderThanTheTerminal) {
    RunProgress p = searching(12);
    p.hasRounding = p.hasBound = 1;
    p.bestDistance = 123456789012;
    p.bound = 123456789000;
    // A line as wide as the terminal would wrap, and a carriage return would
    // then no longer reach its start.
    EXPECT_EQ(app::progressLineText(p, 0, 30).size(), 29u);
}

// A progress source the test sets; the ticker reads it on its own thread.
std::mutex gFakeLock;
RunProgress gFake{};

int readFake(RunProgress* out, int) {
    std::lock_guard<std::mutex> hold(gFakeLock);
    *out = gFake;
    return int(sizeof gFake);
}

std::string readSome(int fd) {
    struct pollfd p {
        fd, POLLIN, 0
    };
    // Waits for the ticker's first drawing (not a measure of its speed: the
    // wait ends as soon as there is something).
    if (poll(&p, 1, 60000) <= 0) return "";
    char buffer[4096];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, size_t(n)) : "";
}

TEST(ProgressLine, TheTickerDrawsInPlaceAndErasesWhenItStops) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    {
        std::lock_guard<std::mutex> hold(gFakeLock);
        gFake = searching(5);
    }
    std::string drawn;
    {
        app::ProgressTicker ticker(app::RunProgressSource(readFake), 1, 5, fds[1]);
        drawn = readSome(fds[0]);
    }
    ASSERT_EQ(drawn.rfind("\r0:05 of 10:00  searching: no rounding yet\033[K", 0), 0u) << drawn;
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    std::string rest;
    char buffer[65536];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) rest.append(buffer, size_t(n));
    const std::string all = drawn + rest;
    // The last thing written erases the line.
    ASSERT_GE(all.size(), 4u);
    EXPECT_EQ(all.substr(all.size() - 4), "\r\033[K") << all;
    close(fds[0]);
    close(fds[1]);
}

TEST(ProgressLine, EraseWritesOnlyWhenALineIsDrawn) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    fcntl(fds[0], F_SETFL, O_NONBLOCK);
    {
        app::TerminalLine line(fds[1]);
        line.erase();
        line.draw("abc");
        line.erase();
        line.erase();
    }
    char buffer[256];
    const ssize_t n = read(fds[0], buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, size_t(n > 0 ? n : 0)), "\rabc\033[K\r\033[K");
    close(fds[0]);
    close(fds[1]);
}

}  // namespace
