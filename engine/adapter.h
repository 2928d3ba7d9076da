// The engine's one entry point for the rest of the add-in: rounds the instance
// model's table and writes the results back into its Cells.
#pragma once

#include "instance/instance.h"

// Numbers the cells 0, 1, ... from the head of `cells`, copies the table into
// the engine, solves it with the rounding options, and on success writes every
// Cell's rounded value (and, with auditing, its audit interval) and the run's
// maxDeviation. Shows the outcome in the host's status bar or an alert.
//   0 rounding written back (optimal; or, with the acceptBest option, the
//     best one found when the time limit ended the search: then
//     gEngine.bestNotProven is 1 and gEngine.publishedGap the gap)
//                                  -1 no memory, or inconsistent term lists
//  -2 the optimizer did not start  -3 the engine refused the instance
//   2 infeasible   3 time limit with a rounding (not written back)
//   4 time limit without a rounding               10 engine error
int RunRounding(Cell* cells, Sum* sums);

// The bounds the rounding options give every cell whatever its value: the
// common lower floor and upper cap (-inf and inf where there are none). The
// rounding's box of a cell, shown where no interval was computed, is cut only
// by these (RoundingBox, engine/engine.h).
void CommonBounds(double& floor, double& cap);

// Starts the optimizer library: 0, or 2 (logged) when it does not start.
int StartOptimizer(const char* logName);
// Ends the optimizer library; always 0.
int StopOptimizer();

// Texts shown in the host (the first character is the reserved length byte).
inline constexpr char kStatusOptimal[] = " Optimal solution found!";
inline constexpr char kStatusBestAtTimeLimit[] = " Time limit reached: best solution published!";
inline constexpr char kAlertInfeasible[] = " Problem infeasible!";
inline constexpr char kAlertAbortedWithSolution[] = " Aborted with solution!";
inline constexpr char kAlertAbortedWithoutSolution[] = " Aborted without solution!";
inline constexpr char kAlertSolveError[] = " Error while solving the QTB-instance!";
// After the auditing phase (%d: cells not audited, all cells).
inline constexpr char kStatusAllAudited[] = " All %d cells audited";
inline constexpr char kStatusAuditCutByLimit[] =
    " %d of %d cells were not audited within the time limit; their intervals show the "
    "rounding's box";
inline constexpr char kStatusAuditIncomplete[] =
    " %d of %d cells could not be audited; their intervals show the rounding's box";
// After " Aborted with solution!" (the rounding's distance, its gap in percent).
inline constexpr char kStatusBestNotPublished[] =
    " Best rounding found: distance %.1f, gap %.2f%% to the bound; tick \"Publish Best Rounding "
    "at Time Limit\" to publish it";

// The engine log the adapter passes to every engine routine.
inline constexpr char kEngineLogName[] = "qtb.out";
