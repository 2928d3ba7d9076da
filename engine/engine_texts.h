// Every line the engine writes to its log, each defined here once. The lines
// are printf formats and are written exactly as they stand, leading blanks and
// final line feed included: users and log readers rely on them.
#pragma once

// ---- loading the instance ----
inline constexpr char kLogLoadHeader[] = " %d cells, %d equations, base=%lf\n";
inline constexpr char kLogWrongBounds[] = "Error: cell %d with wrong external bounds\n";
inline constexpr char kLogWrongLevels[] = "Error: cell %d with wrong protection levels\n";
inline constexpr char kLogWrongStatus[] = "Error: cell %d with wrong status\n";
inline constexpr char kLogNoName[] = "Warning: variable %d with no name\n";
inline constexpr char kLogNoMemoryNames[] = "ERROR: not enough memory for names\n";
inline constexpr char kLogNotAdditive[] = "ERROR: equation %d is not additive (dif=%lf)\n";
// Input that would make the arithmetic meaningless is refused.
inline constexpr char kLogBadBase[] = "Error: base %lf is not a positive finite number\n";
inline constexpr char kLogBadCounts[] = "Error: %d cells and %d equations cannot be loaded\n";
inline constexpr char kLogNominalNotFinite[] = "Error: cell %d with a value that is not finite\n";
inline constexpr char kLogBoundsNotFinite[] =
    "Error: cell %d with external bounds that are not finite\n";
inline constexpr char kLogLevelsNotFinite[] =
    "Error: cell %d with protection levels that are not finite\n";
inline constexpr char kLogRhsNotFinite[] =
    "Error: equation %d with a right-hand side that is not finite\n";
inline constexpr char kLogBadTermCount[] = "Error: equation %d with %d terms\n";
inline constexpr char kLogBadTermCell[] =
    "Error: equation %d refers to cell %d, which does not exist\n";
inline constexpr char kLogBadTermSign[] =
    "Error: equation %d with a coefficient other than +1 and -1\n";
inline constexpr char kLogNoMemoryInstance[] = "ERROR: not enough memory for the instance\n";

// ---- master problem ----
inline constexpr char kLogExtendedStart[] =
    "..... finding an output pattern of the extended QTB (larger=%d)\n";
inline constexpr char kLogZeroRestrictedStart[] =
    "..... finding an output pattern of the zero-restricted QTB\n";
inline constexpr char kLogCellInfeasible[] = "::::Infeasible problem: cell %s\n";
inline constexpr char kLogSolverMessage[] = "WQ: %s\n";
inline constexpr char kLogLpNotOptimized[] = "LP has NOT been optimized.\n";
inline constexpr char kLogLpOptimized[] = "LP has been optimized.\n";
inline constexpr char kLogIncompleteNoSolution[] =
    "Global search incomplete - no integer solution found.\n";
inline constexpr char kLogIncompleteSolution[] =
    "Global search incomplete - integer solution found.\n";
inline constexpr char kLogCompleteNoSolution[] =
    "Global search complete - no integer solution found.\n";
inline constexpr char kLogMipStatus[] = "mipstatus=%d\n";
inline constexpr char kLogNoMemoryObj[] = "ERROR: not enough memory for OBJ\n";
inline constexpr char kLogGeneratorFailed[] =
    "ERROR: the random number generator failed its self-test: no random weights\n";
inline constexpr char kLogNoMemoryMstart[] = "ERROR: not enough memory for MSTART\n";
inline constexpr char kLogNoMemorySense[] = "ERROR: not enough memory for SENSE\n";
inline constexpr char kLogNoMemoryRhs[] = "ERROR: not enough memory for RHS\n";
inline constexpr char kLogNoMemoryMclind[] = "ERROR: not enough memory for MCLIND\n";
inline constexpr char kLogNoMemoryDmatval[] = "ERROR: not enough memory for DMATVAL\n";
inline constexpr char kLogCreateMaster[] =
    "ERROR (status=%d): problems creating a master problem with XPRESS\n";
inline constexpr char kLogLoadSolver[] = "ERROR (status=%d): problems loading XPRESS-solver\n";
inline constexpr char kLogElementCount[] = "ERROR: position=%d   newnz=%d\n";
inline constexpr char kLogAddRows[] =
    "ERROR (status=%d): problems adding rows with XPRESS-solver\n";
inline constexpr char kLogBadMinim[] = "Warning: bad result from XPRSminim : status=%d\n";

// ---- feasibility analysis ----
inline constexpr char kLogNoTableCell[] =
    "   No rounded table exists due to cell %s with value=%.1lf\n";
inline constexpr char kLogBoundsInterval[] =
    "   The external bounds define the interval [%.1lf,%.1lf]\n";
inline constexpr char kLogReduceBase[] = "   You should reduce the base number\n";
inline constexpr char kLogZeroRestrictedCell[] =
    "Zero-restricted is infeasible due to cell %s with value=%.1lf\n";
inline constexpr char kLogRequiredInterval[] =
    "   The required protection interval is     [%.1lf,%.1lf]\n";
inline constexpr char kLogTryBase[] =
    "   For a feasible zero-restricted model try a base in [%.1lf,%.1lf]\n";
inline constexpr char kLogNoBase[] = "   No base is possible for a zero-restricted solution\n";
inline constexpr char kLogSeeFeatures[] = "   See input features of cells %s and %s\n";
inline constexpr char kLogJumpCell[] = "INFEASIBLE problem due to the cell %s with value %.1lf\n";
inline constexpr char kLogJumpInterval[] = "   The required protection interval is [%.1lf,%.1lf]\n";
inline constexpr char kLogMaxJumps[] =
    "   Max Jumps =%d but it should be >= %d if base=%.1lf, or increase base.\n";

// ---- auditing phase ----
inline constexpr char kLogAuditEntry[] = "Dentro de auditing (type=%d)\n";
inline constexpr char kLogNoSolution[] = "No solution exists\n";
inline constexpr char kLogAuditBegin[] = "Begin of the auditing phase (only sensitive cells!):\n";
inline constexpr char kLogNoMemoryLb[] = "ERROR: not enough memory for LB\n";
inline constexpr char kLogNoMemoryUb[] = "ERROR: not enough memory for UB\n";
inline constexpr char kLogAuditCell[] =
    "%s from %10.1lf to %10.1lf with protection [%.1lf,%.1lf]\n";
inline constexpr char kLogAuditEnd[] = "End of the auditing phase\n";
inline constexpr char kLogCreateSub[] =
    "ERROR (status=%d): problems creating a subproblem with XPRESS\n";
inline constexpr char kLogSubInfeasible[] = "ERROR: subproblem infeas! (status=%d)\n";
inline constexpr char kLogSubCutoff[] = "ERROR: subproblem cuttoff! (status=%d)\n";
inline constexpr char kLogSubUnfinished[] = "ERROR: subproblem not finished! (status=%d)\n";
inline constexpr char kLogSubUnbounded[] = "ERROR: subproblem unbounded! (status=%d)\n";
inline constexpr char kLogSubCutoffDual[] = "ERROR: subproblem cuttoff in dual! (status=%d)\n";
// A failed build or solve call never leads to values read from a stale LP.
inline constexpr char kLogAuditNotBuilt[] =
    "ERROR: the auditing LP could not be built; no cell is audited\n";
inline constexpr char kLogSubSolveFailed[] =
    "ERROR (status=%d): problems solving the auditing LP of cell %d\n";

// ---- publishing the best rounding at the time limit (an option) ----
inline constexpr char kLogBestPublished[] =
    "Time limit reached: best rounding published, not proven optimal (distance=%.1lf, "
    "bound=%.1lf, gap=%.2lf%%)\n";

// ---- random weights ----
inline constexpr char kLogWeightsSeed[] = "Random weights drawn with seed %u (%s)\n";

// ---- how much of the table the auditing phase measured ----
inline constexpr char kLogAuditCount[] = "Audited %d of %d cells\n";
inline constexpr char kLogAuditBoxes[] =
    "%d cells not audited (%s): their intervals show the rounding's box\n";

// ---- a rounding the time limit left unpublished ----
inline constexpr char kLogBestNotPublished[] =
    "Time limit reached: best rounding not published, not proven optimal (distance=%.1lf, "
    "bound=%.1lf, gap=%.2lf%%)\n";

// ---- optimizer start ----
inline constexpr char kLogInitSolver[] = "ERROR (status=%d): problems initializing XPRESS-solver\n";
