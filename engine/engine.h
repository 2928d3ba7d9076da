// The rounding engine: its own copy of the table, the master problem, the
// feasibility analysis and solve driver, and the auditing phase.
//
// The engine keeps one process-wide record, gEngine, which every run
// overwrites. Engine routines report through lines of the engine log (named by
// their logName argument) and never talk to the host; only the adapter
// (engine/adapter.h) does. Results are integer codes; no exception leaves an
// engine routine.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/optimizer/optimizer.h"

// Values within this distance of a multiple of the base count as that multiple.
inline constexpr double kEngineTolerance = 0.00001;

struct EngineCell {
    double auditMax;  // largest value in the auditing LP
    double auditMin;  // smallest value in the auditing LP
    double nominal;
    double floorValue;  // floor((nominal + tol) / base) * base
    double ceilValue;   // ceil((nominal - tol) / base) * base
    std::string name;
    int index;  // position in gEngine.cells; the column in every model
    double lowerBound;
    double upperBound;
    double lpl;  // protection levels; 0 unless status is 'u'
    double upl;
    char status;   // 's', 'u' or 'z'; only 'u' carries protection
    double steps;  // the solution: base units above floorValue
};

struct EngineEquation {
    int count = 0;
    std::vector<EngineCell*> cells;  // the terms, in the reverse of the order given to load
    std::vector<double> coef;        // +1 or -1, in the order of `cells`
    double rhs = 0;
    char sense = 'E';
};

struct EngineState {
    int cellCount = 0;
    int equationCount = 0;
    std::vector<EngineCell> cells;
    std::vector<EngineEquation> equations;
    double base = 0;
    XPRSprob masterProblem = nullptr;
    XPRSprob subProblem = nullptr;
    double startTime = 0;  // process clock (seconds) at the start of the solve
    double timeLimit = 0;  // seconds
    double elapsed = 0;    // startTime to the last time check
    int timedOut = 0;
    int extendedUsed = 0;
    int solutionCount = 0;
    double bestUB = 0;
    double bestLB = 0;
    double distanceOffset = 0;  // sum over cells of nominal - floorValue

    // Figures for measurements (not part of any result): branch-and-bound
    // nodes and the best bound when the last master search ended, and the
    // cells the last auditing phase measured.
    int masterNodes = 0;
    double masterBound = 0;

    // The last auditing phase: cells whose two interval ends were both
    // computed, and 1 when the time budget ended it before every cell was.
    int auditedCells = 0;
    int auditStoppedByLimit = 0;

    // Bounds that hold for every cell whatever its value (the options' common
    // floor and cap; -inf and inf when there are none). An interval end the
    // audit did not compute is the end of the rounding's box, cut only by
    // these: never by a bound built from the cell's own value.
    double boxFloor = -HUGE_VAL;
    double boxCap = HUGE_VAL;

    // The seed of the random weights of the current run (drawn by the solve
    // driver unless the options fix it).
    uint32_t weightsSeed = 0;

    // Set by the adapter: 1 when the rounding it published is the best one
    // found before the time limit ended the search (not proven optimal), and
    // the gap between its distance and the proven bound, in percent of the
    // distance (0 for an optimal rounding).
    int bestNotProven = 0;
    double publishedGap = 0;
};

extern EngineState gEngine;

// The process clock: elapsed milliseconds divided by 1000.
double ProcessClockSeconds();

// ---- engine instance -----------------------------------------------------------
// Builds gEngine from plain arrays (per cell, per equation, per term) and
// validates it cell by cell. 0 loaded, 1 refused (the log says why; nothing of
// the refused instance stays allocated). A previous instance is released first.
// Audit values start at 0; only the auditing phase gives them a meaning.
int EngineLoad(int equationCount, const double rhs[], int cellCount, const double nominal[],
               const char status[], const double lpl[], const double upl[],
               const double lowerBound[], const double upperBound[], const char* const names[],
               const int termCount[], const int termCell[], const signed char termSign[],
               double base, const char* logName);
// Frees the cells and equations; always 0.
int EngineUnload();

// floor((value + tol) / base) * base and ceil((value - tol) / base) * base.
double EngineFloor(double value, double base);
double EngineCeil(double value, double base);

// ---- master problem ---------------------------------------------------------------
// Solves the zero-restricted model (larger = 0) or the extended model with up
// to `larger` further base units. 1 optimal, 2 infeasible, 3 interrupted with
// a solution, 4 interrupted without, 10 error. The last integer solution is
// left in the cells' steps.
int SolveMaster(int larger, const char* logName);
// The total absolute distance of the rounding held in the cells' steps.
double RoundingDistance();
void OnSolverMessage(XPRSprob prob, void* data, const char* text, int length, int type);
void OnIntegerSolution(XPRSprob prob, void* data);
int OnProgress(XPRSprob prob, void* data);

// ---- solve driver -----------------------------------------------------------------
// Pre-checks, then the zero-restricted model and, when allowed and needed, the
// extended model, within the time budget. 1 optimal, 2 no rounded table, 3 time
// limit with a rounding, 4 time limit without, 10 error. On 1 and 3 the bounds
// receive the total distance of the rounding and the best bound on it.
int EngineSolve(double& lowerbound, double& upperbound, const char* logName, int timeLimitMinutes,
                int maxJump);

// ---- auditing phase ---------------------------------------------------------------
// Measures for every cell the interval its value can take given the published
// table with half-width w. 0 done, 1 not done. An end it could not compute
// (time budget used up, LP not solved, LP not built) is the end of the cell's
// rounding box (RoundingBox with w, gEngine.boxFloor and gEngine.boxCap).
int AuditSolution(double w, const char* logName);
// What the published table alone says of a cell published as `rounded`: it
// lies within `halfWidth` of it, and within `floor` and `cap` (bounds that
// hold for every cell), which never cut past the published value itself.
void RoundingBox(double rounded, double halfWidth, double floor, double cap, double& lo,
                 double& hi);
// 0 built, 1 failed after creation, 9 creation failed.
int BuildSubproblem(const double lo[], const double hi[], const char* logName);
// direction +1 maximises, -1 minimises the column; `value` receives the optimum
// when the LP is solved to optimality.
int SolveSubproblemBound(int direction, int column, double bound, double& value,
                         const char* logName);
int DestroySubproblem();
