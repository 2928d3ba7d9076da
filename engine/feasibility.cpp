#include "engine/feasibility.h"

#include <cmath>

#include "engine/engine_texts.h"
#include "engine/logfile.h"

namespace {
constexpr double eps = kEngineTolerance;
}

int FindBoundsConflict() {
    for (const EngineCell& c : gEngine.cells)
        if (c.lowerBound - eps > c.floorValue && c.upperBound + eps < c.ceilValue) return c.index;
    return -1;
}

bool CoversProtection(const EngineCell& c, double r, double base) {
    return r - base <= c.nominal - c.lpl + eps && r + base >= c.nominal + c.upl - eps;
}

int FindZeroRestrictedConflict() {
    const double b = gEngine.base;
    for (const EngineCell& c : gEngine.cells)
        if (!CoversProtection(c, c.floorValue, b) && !CoversProtection(c, c.ceilValue, b))
            return c.index;
    return -1;
}

BaseAdvice ComputeBaseAdvice() {
    BaseAdvice a;
    for (const EngineCell& c : gEngine.cells) {
        if (c.lpl + c.upl > a.sum) {
            a.sum = c.lpl + c.upl;
            a.maxk = c.index;
        }
        if (c.ceilValue - eps > c.floorValue && c.upperBound - c.lowerBound < a.width) {
            a.width = c.upperBound - c.lowerBound;
            a.narrow = c.index;
        }
    }
    return a;
}

JumpNeed ComputeJumpNeed() {
    JumpNeed j;
    for (const EngineCell& c : gEngine.cells) {
        if (c.status != 'u') continue;
        const double need = std::ceil((c.lpl + c.upl - eps) / (2.0 * gEngine.base));
        if (need > j.need) {
            j.need = need;
            j.maxk = c.index;
        }
    }
    return j;
}

void LogBoundsConflict(int cell, const char* logName) {
    const EngineCell& c = gEngine.cells[cell];
    LogFile objlogfile;
    if (!objlogfile.Open(logName)) return;
    objlogfile.Printf(kLogNoTableCell, c.name.c_str(), c.nominal);
    objlogfile.Printf(kLogBoundsInterval, c.lowerBound, c.upperBound);
    objlogfile.Printf(kLogReduceBase);
    objlogfile.Close();
}

void LogZeroRestrictedConflict(int cell, const char* logName) {
    const EngineCell& c = gEngine.cells[cell];
    const BaseAdvice a = ComputeBaseAdvice();
    LogFile objlogfile;
    if (!objlogfile.Open(logName)) return;
    objlogfile.Printf(kLogZeroRestrictedCell, c.name.c_str(), c.nominal);
    objlogfile.Printf(kLogBoundsInterval, c.lowerBound, c.upperBound);
    objlogfile.Printf(kLogRequiredInterval, c.nominal - c.lpl, c.nominal + c.upl);
    if (2.0 * a.width + eps > a.sum)
        objlogfile.Printf(kLogTryBase, a.sum / 2.0, a.width);
    else
        objlogfile.Printf(kLogNoBase);
    if (a.maxk >= 0 && a.narrow >= 0)
        objlogfile.Printf(kLogSeeFeatures, gEngine.cells[a.maxk].name.c_str(),
                          gEngine.cells[a.narrow].name.c_str());
    objlogfile.Close();
}

void LogJumpConflict(const JumpNeed& need, int maxJump, const char* logName) {
    const EngineCell& c = gEngine.cells[need.maxk];
    LogFile objlogfile;
    if (!objlogfile.Open(logName)) return;
    objlogfile.Printf(kLogJumpCell, c.name.c_str(), c.nominal);
    objlogfile.Printf(kLogJumpInterval, c.nominal - c.lpl, c.nominal + c.upl);
    objlogfile.Printf(kLogMaxJumps, maxJump, static_cast<int>(std::trunc(need.need)) - 1,
                      gEngine.base);
    objlogfile.Close();
}
