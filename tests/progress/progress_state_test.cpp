// The run's progress state: a new run starts clean, figures never go back,
// and a reader on another thread always gets a consistent copy, also through
// the add-in's exported reader with an older, shorter record.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "engine/engine.h"
#include "engine/run_progress.h"

extern "C" int QTBTXfRunProgress(RunProgress* out, int size);

namespace {

RunProgress snapshot() {
    RunProgress p{};
    ProgressSnapshot(p);
    return p;
}

TEST(ProgressState, ANewRunForgetsTheLastOneAndAnEndedRunKeepsItsFigures) {
    ProgressBeginRun(ProcessClockSeconds(), 60, 10);
    ProgressWeightsSeed(7);
    ProgressRounding(130, true, 120);
    ProgressAuditResult(4, 6, true);
    ProgressAcceptBest(true);
    const int run = snapshot().run;

    ProgressBeginRun(ProcessClockSeconds(), 600, 3);
    RunProgress p = snapshot();
    EXPECT_EQ(p.run, run + 1);
    EXPECT_EQ(p.phase, kRunChecking);
    EXPECT_EQ(p.cellCount, 3);
    EXPECT_EQ(p.limitSeconds, 600);
    // Nothing of the last run is reported as this one's.
    EXPECT_EQ(p.weightsSeedUsed, 0);
    EXPECT_EQ(p.hasRounding, 0);
    EXPECT_EQ(p.auditRan, 0);
    EXPECT_EQ(p.acceptBest, 0);

    ProgressSetPhase(kRunSolving);
    ProgressRounding(50, true, 40);
    p = snapshot();
    EXPECT_DOUBLE_EQ(p.gapPercent, 20);
    // A bound never gets worse, and never passes the rounding it bounds.
    ProgressBound(30);
    EXPECT_EQ(snapshot().bound, 40);
    ProgressBound(60);
    EXPECT_EQ(snapshot().bound, 50);
    EXPECT_EQ(snapshot().gapPercent, 0);
    // With random weights no bound on the distance is known: no gap either.
    ProgressRounding(52, false, 0);
    p = snapshot();
    EXPECT_EQ(p.hasBound, 0);
    EXPECT_EQ(p.gapPercent, 0);
    ProgressBound(51);
    EXPECT_EQ(snapshot().hasBound, 0);

    ProgressEndRun();
    p = snapshot();
    EXPECT_EQ(p.phase, kRunEnded);
    const double ended = p.elapsedSeconds;
    EXPECT_GE(ended, 0);
    EXPECT_EQ(snapshot().elapsedSeconds, ended) << "an ended run's time does not go on";
}

TEST(ProgressState, AReaderOnAnotherThreadSeesWholeUpdatesOnly) {
    // The writer keeps bound = distance - 1 and cells audited = distance; a
    // copy mixing two updates would break either.
    ProgressBeginRun(ProcessClockSeconds(), 60, 1000000);
    ProgressSetPhase(kRunSolving);
    ProgressAuditStep(1);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int d = 2; d < 200000; ++d) {
            ProgressRounding(d, true, d - 1);
            ProgressAuditStep(d);
        }
        done = true;
    });
    int torn = 0, seen = 0;
    while (!done) {
        RunProgress p{};
        QTBTXfRunProgress(&p, int(sizeof p));
        if (!p.hasRounding) continue;
        ++seen;
        if (p.bound != p.bestDistance - 1) ++torn;
        if (p.cellsAuditedSoFar < p.bestDistance - 1) ++torn;
    }
    writer.join();
    EXPECT_EQ(torn, 0) << "of " << seen << " copies";
}

TEST(ProgressState, AnOlderShorterRecordGetsItsPartOnly) {
    ProgressBeginRun(ProcessClockSeconds(), 120, 42);
    unsigned char buffer[sizeof(RunProgress) + 8];
    std::memset(buffer, 0xAB, sizeof buffer);
    const int half = int(offsetof(RunProgress, hasRounding));
    EXPECT_EQ(QTBTXfRunProgress(reinterpret_cast<RunProgress*>(buffer), half),
              int(sizeof(RunProgress)));
    RunProgress head{};
    std::memcpy(&head, buffer, size_t(half));
    EXPECT_EQ(head.cellCount, 42);
    EXPECT_EQ(head.limitSeconds, 120);
    for (size_t i = size_t(half); i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], 0xAB) << i;
    EXPECT_EQ(QTBTXfRunProgress(nullptr, 0), int(sizeof(RunProgress)));
}

}  // namespace
