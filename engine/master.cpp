// Solving the master problem, and the three callbacks the optimizer calls from
// inside the search: messages, new integer solutions and progress.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "engine/engine.h"
#include "engine/engine_texts.h"
#include "engine/logfile.h"
#include "engine/master_model.h"
#include "engine/run_progress.h"
#include "instance/instance.h"

namespace {

// Destroys the master problem however SolveMaster ends.
struct MasterProblemGuard {
    ~MasterProblemGuard() { release(); }
    void release() {
        if (gEngine.masterProblem) XPRSdestroyprob(gEngine.masterProblem);
        gEngine.masterProblem = nullptr;
    }
};

// Loads the columns; false (logged) on failure.
bool loadColumns(const MasterColumns& c, const char* logName) {
    const int status = XPRSloadglobal(
        gEngine.masterProblem, "QTBmaster", c.count, 0, nullptr, nullptr, nullptr, c.obj.data(),
        c.start.data(), nullptr, nullptr, nullptr, c.lb.data(), c.ub.data(), c.count, 0,
        c.type.data(), c.entities.data(), nullptr, nullptr, nullptr, nullptr, nullptr);
    if (status != 0) AppendLog(logName, kLogLoadSolver, status);
    return status == 0;
}

// Adds the rows in one call; false (logged) on failure.
bool addRows(const MasterRows& r, const char* logName) {
    const int built = static_cast<int>(r.index.size());
    if (built != r.expectedElements) {
        AppendLog(logName, kLogElementCount, built, r.expectedElements);
        return false;
    }
    if (r.sense.empty()) return true;  // a table without equations
    const int status =
        XPRSaddrows(gEngine.masterProblem, static_cast<int>(r.sense.size()), built, r.sense.data(),
                    r.rhs.data(), nullptr, r.start.data(), r.index.data(), r.value.data());
    if (status != 0) AppendLog(logName, kLogAddRows, status);
    return status == 0;
}

void registerCallbacksAndControls(XPRSprob prob, const char* logName, int* larger) {
    XPRSsetcbmessage(prob, OnSolverMessage, const_cast<char*>(logName));
    XPRSsetintcontrol(prob, XPRS_MIPLOG, -1);
    XPRSsetcbintsol(prob, OnIntegerSolution, larger);
    XPRSsetcbgloballog(prob, OnProgress, nullptr);
    XPRSsetintcontrol(prob, XPRS_EXTRAROWS, gEngine.equationCount + 500);
    XPRSsetintcontrol(prob, XPRS_CONTROL_8072, 0);
    XPRSsetintcontrol(prob, XPRS_CONTROL_8156, 5);
    XPRSsetintcontrol(prob, XPRS_CONTROL_8155, 1);
    XPRSsetintcontrol(prob, XPRS_CONTROL_8154, 1);
    XPRSsetintcontrol(prob, XPRS_LPLOG, 500);
    XPRSsetcblplog(prob, OnProgress, nullptr);
}

}  // namespace

double RoundingDistance() {
    double d = 0;
    for (const EngineCell& c : gEngine.cells) {
        const double rounded = c.floorValue + gEngine.base * c.steps;
        d += std::fabs(rounded - c.nominal);
    }
    return d;
}

int SolveMaster(int larger, const char* logName) {
    // The weights of a run are drawn from the run's seed (EngineSolve), so a
    // run is repeated by giving the same seed.
    RanrotGenerator binom(gEngine.weightsSeed);
    ProgressSetPhase(larger >= 1 ? kRunSolvingExtended : kRunSolving);
    if (larger >= 1)
        AppendLog(logName, kLogExtendedStart, larger);
    else
        AppendLog(logName, kLogZeroRestrictedStart);

    MasterColumns columns;
    try {
        if (!BuildMasterColumns(larger, gOptions.randomWeights != 0, binom, columns)) {
            AppendLog(logName, kLogGeneratorFailed);
            return 10;
        }
    } catch (const std::bad_alloc&) {
        AppendLog(logName, kLogNoMemoryObj);
        return 10;
    }
    for (int i : columns.emptyRangeCells)
        AppendLog(logName, kLogCellInfeasible, gEngine.cells[i].name.c_str());

    MasterProblemGuard guard;
    const int created = XPRScreateprob(&gEngine.masterProblem);
    if (created != 0) {
        gEngine.masterProblem = nullptr;
        AppendLog(logName, kLogCreateMaster, created);
        return 10;
    }
    int largerData = larger;
    registerCallbacksAndControls(gEngine.masterProblem, logName, &largerData);
    if (!loadColumns(columns, logName)) return 10;

    MasterRows rows;
    try {
        BuildMasterRows(larger, rows);
    } catch (const std::bad_alloc&) {
        AppendLog(logName, kLogNoMemoryDmatval);
        return 10;
    }
    if (!addRows(rows, logName)) return 10;

    const int minim = XPRSminim(gEngine.masterProblem, "g");
    if (minim != 0) {
        AppendLog(logName, kLogBadMinim, minim);
        return 10;
    }

    int mipstatus = 0, lpstatus = 0;
    XPRSgetintattrib(gEngine.masterProblem, XPRS_MIPSTATUS, &mipstatus);
    XPRSgetintattrib(gEngine.masterProblem, XPRS_LPSTATUS, &lpstatus);
    XPRSgetdblattrib(gEngine.masterProblem, XPRS_MIPOBJVAL, &gEngine.bestUB);
    gEngine.masterNodes = 0;
    gEngine.masterBound = 0;
    XPRSgetintattrib(gEngine.masterProblem, XPRS_NODES, &gEngine.masterNodes);
    XPRSgetdblattrib(gEngine.masterProblem, XPRS_BESTBOUND, &gEngine.masterBound);
    guard.release();

    const MasterOutcome outcome = MapMipStatus(mipstatus, lpstatus);
    if (outcome.line) AppendLog(logName, outcome.line, mipstatus);
    if (outcome.result == 1) gEngine.bestLB = gEngine.bestUB;
    return outcome.result;
}

void OnSolverMessage(XPRSprob, void* data, const char* text, int length, int type) {
    if (type < 1 || type > 4) {
        std::fflush(stdout);
        return;
    }
    const char* logName = static_cast<const char*>(data);
    const size_t n = text ? (length > 0 ? strnlen(text, length) : std::strlen(text)) : 0;
    try {
        const std::string message(text ? text : "", n);
        AppendLog(logName, kLogSolverMessage, message.c_str());
    } catch (const std::bad_alloc&) {
        // A message that cannot be copied is dropped.
    }
}

void OnIntegerSolution(XPRSprob prob, void* data) {
    const int larger = data ? *static_cast<const int*>(data) : 0;
    const int C = gEngine.cellCount;
    const int n = larger >= 1 ? 3 * C : C;
    double* x = new (std::nothrow) double[n > 0 ? n : 1];
    if (!x) return;
    // A solution that cannot be read is not recorded.
    if (XPRSgetsol(prob, x, nullptr, nullptr, nullptr) != 0) {
        delete[] x;
        return;
    }
    for (int i = 0; i < C; ++i)
        gEngine.cells[i].steps = larger >= 1 ? StepsFromSolution(x[i], x[C + i], x[2 * C + i])
                                             : StepsFromSolution(x[i], 0.0, 0.0);
    delete[] x;
    XPRSgetdblattrib(prob, XPRS_MIPOBJVAL, &gEngine.bestUB);
    XPRSgetdblattrib(prob, XPRS_BESTBOUND, &gEngine.bestLB);
    ++gEngine.solutionCount;
    // With random weights the objective is not the distance, nor its bound.
    if (gOptions.randomWeights)
        ProgressRounding(RoundingDistance(), false, 0);
    else
        ProgressRounding(gEngine.distanceOffset + gEngine.bestUB, true,
                         gEngine.distanceOffset + gEngine.bestLB);
}

int OnProgress(XPRSprob prob, void*) {
    if (gEngine.timedOut) return 1;
    int mipstatus = 0, lpstatus = 0, status = 0;
    if ((status = XPRSgetintattrib(prob, XPRS_MIPSTATUS, &mipstatus)) != 0) return status;
    if ((status = XPRSgetintattrib(prob, XPRS_LPSTATUS, &lpstatus)) != 0) return status;
    // Read as the progress figures of a log point; not kept.
    int iterations = 0, nodes = 0, activeNodes = 0, solutions = 0;
    double lpObjective = 0, mipObjective = 0, bound = 0;
    if (lpstatus == XPRS_LP_UNFINISHED) {
        if ((status = XPRSgetdblattrib(prob, XPRS_LPOBJVAL, &lpObjective)) != 0) return status;
        if ((status = XPRSgetintattrib(prob, XPRS_SIMPLEXITER, &iterations)) != 0) return status;
    } else {
        if ((status = XPRSgetintattrib(prob, XPRS_NODES, &nodes)) != 0) return status;
        if ((status = XPRSgetintattrib(prob, XPRS_ACTIVENODES, &activeNodes)) != 0) return status;
        if ((status = XPRSgetdblattrib(prob, XPRS_MIPOBJVAL, &mipObjective)) != 0) return status;
        if ((status = XPRSgetdblattrib(prob, XPRS_BESTBOUND, &bound)) != 0) return status;
        if ((status = XPRSgetintattrib(prob, XPRS_MIPSOLS, &solutions)) != 0) return status;
        ProgressBound(gEngine.distanceOffset + bound);
    }
    gEngine.elapsed = ProcessClockSeconds() - gEngine.startTime;
    if (gEngine.elapsed > gEngine.timeLimit) {
        gEngine.timedOut = 1;
        return 1;
    }
    return status;
}
