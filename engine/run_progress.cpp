#include "engine/run_progress.h"

#include <mutex>

#include "engine/engine.h"

namespace {

struct State {
    std::mutex lock;
    RunProgress data{};
    double startClock = 0;
};

State& state() {
    static State s;
    return s;
}

void updateGap(RunProgress& p) {
    if (!p.hasRounding || !p.hasBound) {
        p.gapPercent = 0;
        return;
    }
    const double gap = p.bestDistance - p.bound;
    p.gapPercent = p.bestDistance > 0 && gap > 0 ? gap / p.bestDistance * 100 : 0;
}

}  // namespace

void ProgressBeginRun(double startClockSeconds, double limitSeconds, int cellCount) {
    State& s = state();
    std::lock_guard<std::mutex> hold(s.lock);
    const int32_t run = s.data.run + 1;
    s.data = RunProgress{};
    s.data.run = run;
    s.data.phase = kRunChecking;
    s.data.cellCount = cellCount;
    s.data.limitSeconds = limitSeconds;
    s.startClock = startClockSeconds;
}

void ProgressSetPhase(RunPhase phase) {
    State& s = state();
    std::lock_guard<std::mutex> hold(s.lock);
    s.data.phase = phase;
}

void ProgressRounding(double distance, bool hasBound, double bound) {
    State& s = state();
    std::lock_guard<std::mutex> hold(s.lock);
    s.data.hasRounding = 1;
    s.data.bestDistance = distance;
    s.data.hasBound = hasBound ? 1 : 0;
    s.data.bound = hasBound ? bound : 0;
    updateGap(s.data);
}

void ProgressBound(double bound) {
    State& s = state();
    std::lock_guard<std::mutex> hold(s.lock);
    if (!s.data.hasRounding || !s.data.hasBound) return;
    // A bound never gets worse; the optimizer's figure may lag a little.
    if (bound > s.data.bound)
        s.data.bound = bound < s.data.bestDistance ? bound : s.data.bestDistance;
    updateGap(s.data);
}

void ProgressAuditStep(int cellsDone) {
    State& s = state();
    std::lock_guard<std::mutex> hold(s.lock);
    s.data.cellsAuditedSoFar = cellsDone;
}

void ProgressAuditResult(int audited, int unaudited, bool stoppedByLimit) {
    State& s = state();
    std::lock_guard<std::mutex> hold(s.lock);
    s.data.auditRan = 1;
    s.data.auditedCells = audited;
    s.data.unauditedCells = unaudited;
    s.data.auditStoppedByLimit = stoppedByLimit ? 1 : 0;
}

void ProgressWeightsSeed(uint32_t seed) {
    State& s = state();
    std::lock_guard<std::mutex> hold(s.lock);
    s.data.weightsSeedUsed = 1;
    s.data.weightsSeed = seed;
}

void ProgressAcceptBest(bool acceptBest) {
    State& s = state();
    std::lock_guard<std::mutex> hold(s.lock);
    s.data.acceptBest = acceptBest ? 1 : 0;
}

void ProgressEndRun() {
    State& s = state();
    std::lock_guard<std::mutex> hold(s.lock);
    if (s.data.phase == kRunIdle || s.data.phase == kRunEnded) return;
    s.data.elapsedSeconds = ProcessClockSeconds() - s.startClock;
    s.data.phase = kRunEnded;
}

void ProgressSnapshot(RunProgress& out) {
    State& s = state();
    std::lock_guard<std::mutex> hold(s.lock);
    out = s.data;
    out.size = static_cast<int32_t>(sizeof(RunProgress));
    if (out.phase != kRunIdle && out.phase != kRunEnded)
        out.elapsedSeconds = ProcessClockSeconds() - s.startClock;
}
