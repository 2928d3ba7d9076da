// What the rounding run in progress is doing, for whoever shows it to a
// person: the phase, the time used against the limit, the best rounding and
// its bound while the search runs, the cells audited while auditing; and,
// once a run has ended, what it leaves for its summary (cells audited or not,
// the seed of the random weights, the gap of an unpublished rounding).
//
// The engine writes this state from the points it already passes (the
// optimizer's callbacks, the auditing loop); any other thread may take a
// consistent copy at any time with ProgressSnapshot. Writing never blocks for
// long: each call holds one lock for a few assignments.
//
// The program reads the copy through the add-in's exported function
// QTBTXfRunProgress (shell/run_progress_export.cpp), so RunProgress is plain
// data with a fixed layout; new fields go at its end.
#pragma once

#include <cstdint>

enum RunPhase : int32_t {
    kRunIdle = 0,             // no run yet in this process
    kRunChecking = 1,         // loading the table and checking feasibility
    kRunSolving = 2,          // searching the zero-restricted model
    kRunSolvingExtended = 3,  // searching the extended model
    kRunAuditing = 4,         // computing the protection intervals
    kRunEnded = 5,            // the run is over; the summary fields hold
};

struct RunProgress {
    int32_t size;   // sizeof(RunProgress) of the add-in that filled it
    int32_t run;    // runs started in this process (0: none yet)
    int32_t phase;  // a RunPhase
    int32_t cellCount;
    double elapsedSeconds;  // since the run started; frozen when it ended
    double limitSeconds;    // the run's time limit

    // The search: the best rounding known and the proven bound on its
    // distance. With random weights the search minimises a weighted objective,
    // so only the rounding's distance is known, not a bound on it.
    int32_t hasRounding;
    int32_t hasBound;
    double bestDistance;
    double bound;
    double gapPercent;  // (bestDistance - bound) / bestDistance * 100

    // The audit: cells done so far while it runs; when it has ended, cells
    // whose two interval ends were both computed, the others, and whether the
    // time limit stopped it (else an auditing LP failed).
    int32_t cellsAuditedSoFar;
    int32_t auditRan;
    int32_t auditedCells;
    int32_t unauditedCells;
    int32_t auditStoppedByLimit;

    // The seed the random weights were drawn with (when the run used them).
    int32_t weightsSeedUsed;
    uint32_t weightsSeed;

    // 1 when a rounding the time limit leaves unproven is published.
    int32_t acceptBest;
};

// ---- writing (the engine) ---------------------------------------------------------
// A new run: everything of the previous one is cleared.
void ProgressBeginRun(double startClockSeconds, double limitSeconds, int cellCount);
void ProgressSetPhase(RunPhase phase);
// A rounding of total distance `distance` was found; `bound` is the proven
// lower bound on the distance (ignored without `hasBound`).
void ProgressRounding(double distance, bool hasBound, double bound);
// A better proven bound while the search goes on.
void ProgressBound(double bound);
void ProgressAuditStep(int cellsDone);
void ProgressAuditResult(int audited, int unaudited, bool stoppedByLimit);
void ProgressWeightsSeed(uint32_t seed);
void ProgressAcceptBest(bool acceptBest);
void ProgressEndRun();

// ---- reading (any thread) ---------------------------------------------------------
void ProgressSnapshot(RunProgress& out);
