// The solve driver: resets the run, checks feasibility cell by cell, and runs
// the zero-restricted and, where allowed and needed, the extended model.
#include <ctime>
#include <exception>
#include <random>

#include "engine/engine.h"
#include "engine/engine_texts.h"
#include "engine/feasibility.h"
#include "engine/logfile.h"
#include "engine/run_progress.h"
#include "instance/instance.h"

namespace {

void resetRun(double lowerbound, double upperbound, int timeLimitMinutes) {
    gEngine.solutionCount = 0;
    gEngine.bestUB = upperbound;
    gEngine.bestLB = lowerbound;
    gEngine.extendedUsed = 0;
    gEngine.timedOut = 0;
    gEngine.startTime = ProcessClockSeconds();
    gEngine.timeLimit = timeLimitMinutes * 60.0;
    gEngine.elapsed = 0;
    gEngine.masterNodes = 0;
    gEngine.masterBound = 0;
    double offset = 0;
    for (const EngineCell& c : gEngine.cells) offset += c.nominal - c.floorValue;
    gEngine.distanceOffset = offset;
    ProgressBeginRun(gEngine.startTime, gEngine.timeLimit, gEngine.cellCount);
}

// The seed of the run's random weights: the one the options fix, else a fresh
// one, logged either way so that the run can be repeated.
void chooseWeightsSeed(const char* logName) {
    if (!gOptions.randomWeights) return;
    uint32_t seed = gOptions.weightsSeed;
    if (!gOptions.weightsSeedSet) {
        try {
            std::random_device source;
            seed = source();
        } catch (const std::exception&) {
            seed = static_cast<uint32_t>(std::time(nullptr));
        }
    }
    gEngine.weightsSeed = seed;
    AppendLog(logName, kLogWeightsSeed, seed, gOptions.weightsSeedSet ? "given" : "drawn");
    ProgressWeightsSeed(seed);
}

}  // namespace

int EngineSolve(double& lowerbound, double& upperbound, const char* logName, int timeLimitMinutes,
                int maxJump) {
    resetRun(lowerbound, upperbound, timeLimitMinutes);
    chooseWeightsSeed(logName);

    const int boundsConflict = FindBoundsConflict();
    if (boundsConflict >= 0) {
        LogBoundsConflict(boundsConflict, logName);
        return 2;
    }
    const int zeroConflict = FindZeroRestrictedConflict();
    if (zeroConflict >= 0) LogZeroRestrictedConflict(zeroConflict, logName);

    int r = 2;
    int K = maxJump;
    if (zeroConflict < 0) {
        r = SolveMaster(0, logName);
    } else if (K != 0) {
        const JumpNeed need = ComputeJumpNeed();
        if ((K + 1) + kEngineTolerance < need.need) {
            LogJumpConflict(need, K, logName);
            K = 0;  // no extended model can keep that cell's protection
        }
    }
    if (r == 2 && K != 0) {
        gEngine.extendedUsed = 1;
        r = SolveMaster(K, logName);
    }

    if (r == 1 || r == 3) {
        upperbound = gEngine.distanceOffset + gEngine.bestUB;
        lowerbound = gEngine.distanceOffset + gEngine.bestLB;
        // With random weights the objective is not the distance: report the
        // distance of the rounding itself.
        if (gOptions.randomWeights) upperbound = RoundingDistance();
    }
    return r;
}
