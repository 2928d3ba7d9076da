// The engine's own copy of the table: loading, validation and release.
#include <chrono>
#include <cmath>
#include <new>

#include "engine/engine.h"
#include "engine/engine_texts.h"
#include "engine/logfile.h"

EngineState gEngine;

double ProcessClockSeconds() {
    using namespace std::chrono;
    static const steady_clock::time_point processStart = steady_clock::now();
    const auto ms = duration_cast<milliseconds>(steady_clock::now() - processStart).count();
    return static_cast<double>(ms) / 1000.0;
}

double EngineFloor(double value, double base) {
    return std::floor((value + kEngineTolerance) / base) * base;
}

double EngineCeil(double value, double base) {
    return std::ceil((value - kEngineTolerance) / base) * base;
}

namespace {

// Fills cell i and checks it; false (with its log line written) when the cell
// is refused.
bool loadCell(int i, double nominal, char status, double lpl, double upl, double lowerBound,
              double upperBound, const char* name, const char* logName) {
    EngineCell& c = gEngine.cells[i];
    const double base = gEngine.base;
    c.nominal = nominal;
    c.floorValue = EngineFloor(nominal, base);
    c.ceilValue = EngineCeil(nominal, base);
    c.lowerBound = lowerBound;
    c.upperBound = upperBound;
    c.lpl = status == 'u' ? lpl : 0.0;
    c.upl = status == 'u' ? upl : 0.0;
    c.status = status;
    c.steps = 0;
    c.index = i;
    c.auditMin = 0;
    c.auditMax = 0;

    // Non-finite numbers would slip through every comparison below.
    const char* refusal = nullptr;
    if (!std::isfinite(nominal))
        refusal = kLogNominalNotFinite;
    else if (!std::isfinite(lowerBound) || !std::isfinite(upperBound))
        refusal = kLogBoundsNotFinite;
    else if (!std::isfinite(lpl) || !std::isfinite(upl))
        refusal = kLogLevelsNotFinite;
    else if (nominal + kEngineTolerance < lowerBound || nominal - kEngineTolerance > upperBound)
        refusal = kLogWrongBounds;
    // The given levels count here whatever the status.
    else if (nominal - lpl + kEngineTolerance < lowerBound ||
             nominal + upl - kEngineTolerance > upperBound)
        refusal = kLogWrongLevels;
    else if (status != 's' && status != 'u' && status != 'z')
        refusal = kLogWrongStatus;
    if (refusal) {
        AppendLog(logName, refusal, i);
        return false;
    }

    if (!name || !*name) AppendLog(logName, kLogNoName, i);
    try {
        c.name = name ? name : "";
    } catch (const std::bad_alloc&) {
        AppendLog(logName, kLogNoMemoryNames);
        return false;
    }
    return true;
}

// Builds equation e from its terms starting at termCell[first]; false (with
// its log line) when a term is unusable.
bool loadEquation(int e, double rhs, int count, const int termCell[], const signed char termSign[],
                  int first, const char* logName) {
    if (!std::isfinite(rhs)) {
        AppendLog(logName, kLogRhsNotFinite, e);
        return false;
    }
    EngineEquation& eq = gEngine.equations[e];
    eq.count = count;
    eq.cells.assign(count, nullptr);
    eq.coef.assign(count, 0.0);
    double d = rhs;
    int j = first;
    for (int k = count - 1; k >= 0; --k, ++j) {
        const int cell = termCell[j];
        const int s = termSign[j];
        if (cell < 0 || cell >= gEngine.cellCount) {
            AppendLog(logName, kLogBadTermCell, e, cell);
            return false;
        }
        if (s != 1 && s != -1) {
            AppendLog(logName, kLogBadTermSign, e);
            return false;
        }
        d -= s * gEngine.cells[cell].nominal;
        eq.cells[k] = &gEngine.cells[cell];
        eq.coef[k] = s;
    }
    eq.rhs = rhs;
    eq.sense = 'E';
    if (std::fabs(d) > kEngineTolerance) AppendLog(logName, kLogNotAdditive, e, d);
    return true;
}

int loadAll(int equationCount, const double rhs[], int cellCount, const double nominal[],
            const char status[], const double lpl[], const double upl[], const double lowerBound[],
            const double upperBound[], const char* const names[], const int termCount[],
            const int termCell[], const signed char termSign[], const char* logName) {
    gEngine.cells.resize(cellCount);
    gEngine.equations.resize(equationCount);
    for (int i = 0; i < cellCount; ++i) {
        if (!loadCell(i, nominal[i], status[i], lpl[i], upl[i], lowerBound[i], upperBound[i],
                      names ? names[i] : nullptr, logName))
            return 1;
    }
    int first = 0;
    for (int e = 0; e < equationCount; ++e) {
        if (termCount[e] < 0) {
            AppendLog(logName, kLogBadTermCount, e, termCount[e]);
            return 1;
        }
        if (!loadEquation(e, rhs[e], termCount[e], termCell, termSign, first, logName)) return 1;
        first += termCount[e];
    }
    return 0;
}

}  // namespace

int EngineLoad(int equationCount, const double rhs[], int cellCount, const double nominal[],
               const char status[], const double lpl[], const double upl[],
               const double lowerBound[], const double upperBound[], const char* const names[],
               const int termCount[], const int termCell[], const signed char termSign[],
               double base, const char* logName) {
    EngineUnload();
    gEngine.cellCount = cellCount;
    gEngine.equationCount = equationCount;
    gEngine.base = base;
    gEngine.boxFloor = -HUGE_VAL;  // the adapter sets them for the audit
    gEngine.boxCap = HUGE_VAL;
    AppendLog(logName, kLogLoadHeader, cellCount, equationCount, base);

    int result = 1;
    if (!std::isfinite(base) || base <= 0) {
        AppendLog(logName, kLogBadBase, base);
    } else if (cellCount < 0 || equationCount < 0) {
        AppendLog(logName, kLogBadCounts, cellCount, equationCount);
    } else {
        try {
            result = loadAll(equationCount, rhs, cellCount, nominal, status, lpl, upl, lowerBound,
                             upperBound, names, termCount, termCell, termSign, logName);
        } catch (const std::bad_alloc&) {
            result = 1;  // the arrays themselves could not be allocated
        }
    }
    if (result != 0) EngineUnload();
    return result;
}

int EngineUnload() {
    std::vector<EngineEquation>().swap(gEngine.equations);
    std::vector<EngineCell>().swap(gEngine.cells);
    gEngine.cellCount = 0;
    gEngine.equationCount = 0;
    return 0;
}
