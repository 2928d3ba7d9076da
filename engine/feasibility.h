// The feasibility analysis of the solve driver: cells that make a rounded
// table impossible, and the advice the log gives about them. Each check is a
// small function over gEngine's cells, visited in index order.
#pragma once

#include "engine/engine.h"

// The first cell with no multiple of the base inside its external bounds, or -1.
int FindBoundsConflict();
// Does the rounded value r keep the cell's protection interval, with the
// published value known to within one base unit?
bool CoversProtection(const EngineCell& c, double r, double base);
// The first cell whose protection neither adjacent multiple covers, or -1.
int FindZeroRestrictedConflict();

// The figures behind the base advice: the first cell with the largest
// lpl + upl (maxk, -1 when every sum is 0) and the first cell with the
// smallest bound width among the cells that are not multiples (narrow, -1 when
// there is none), with the sum and the width (their starting values when -1).
struct BaseAdvice {
    int maxk = -1;
    double sum = 0;
    int narrow = -1;
    double width = 1000000000;
};
BaseAdvice ComputeBaseAdvice();

// The jump check: the first sensitive cell needing the most further base units
// (need = ceil((lpl + upl - tol) / (2 base))), -1 when no cell needs any.
struct JumpNeed {
    int maxk = -1;
    double need = 0;
};
JumpNeed ComputeJumpNeed();

// The log groups of the three findings.
void LogBoundsConflict(int cell, const char* logName);
void LogZeroRestrictedConflict(int cell, const char* logName);
void LogJumpConflict(const JumpNeed& need, int maxJump, const char* logName);
