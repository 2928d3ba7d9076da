// The optimizer library interface used by the rounding engine.
//
// A small mixed-integer / linear programming library with a C calling
// interface: problems are created, loaded column-wise, given rows, solved, and
// queried through numbered controls and attributes. Callbacks report messages,
// new integer solutions and progress. The implementation behind it lives in
// this folder (backed by COIN-OR CBC for global search and CLP for linear
// programs, and by a network simplex of its own for models that are networks);
// nothing outside this folder knows which backend is used.
//
// Every call returns 0 on success and a non-zero status otherwise (the XO_ERR_*
// values below). A solve call returns 0 whenever the solve ran, whatever its
// outcome: the outcome is read from the status attributes. Calls on one problem
// must come from one thread at a time; different problems may be used from
// different threads (global searches are then run one after the other).
#pragma once

extern "C" {

struct xo_prob_struct;
typedef struct xo_prob_struct* XPRSprob;

// ---- library and problems ----------------------------------------------------
int XPRSinit(const char* path);  // path may be null
int XPRSfree(void);
int XPRScreateprob(XPRSprob* prob);
int XPRSdestroyprob(XPRSprob prob);

// Non-zero statuses returned by the calls.
enum {
    XO_ERR_NOT_INITIALISED = 1,  // XPRSinit has not been called (or XPRSfree ended the run)
    XO_ERR_BAD_PROBLEM = 2,      // null, destroyed or unknown problem handle
    XO_ERR_BAD_ARGUMENT = 3,     // null array, index out of range, bad type letter, NaN, ...
    XO_ERR_UNKNOWN_ID = 4,       // unknown control or attribute number
    XO_ERR_NO_SOLUTION = 5,      // XPRSgetsol with nothing to return
    XO_ERR_BUSY = 6,             // the problem is being solved (call from inside a callback)
    XO_ERR_SOLVER = 7,           // the solver gave up (numerical trouble, unknown outcome)
    XO_ERR_MEMORY = 8,           // out of memory
    XO_ERR_INTERNAL = 9,         // any other failure inside the library
};

// ---- controls ----------------------------------------------------------------
int XPRSsetintcontrol(XPRSprob prob, int control, int value);
// Reads back the value of an integer control (its default if never set).
int XPRSgetintcontrol(XPRSprob prob, int control, int* value);

// Integer controls. Meanings in this library (defaults in brackets):
enum {
    XPRS_EXTRAROWS = 8004,   // rows to reserve space for, >= 0 (a sizing hint) [0]
    XPRS_EXTRAELEMS = 8006,  // matrix elements to reserve space for, >= 0 (a sizing hint) [0]
    XPRS_LPLOG = 8009,       // LP log callback every N simplex iterations, >= 0 (0 = never) [100]
    XPRS_MIPLOG = 8028,      // global log callback: -1 every node, 0 never, N every N nodes [-1]
    // The next four are accepted and stored (any value) and read back by
    // XPRSgetintcontrol, but change nothing: the global search always runs
    // CBC's default strategy, which has no settings that mean the same.
    XPRS_CONTROL_8072 = 8072,
    XPRS_CONTROL_8154 = 8154,
    XPRS_CONTROL_8155 = 8155,
    XPRS_CONTROL_8156 = 8156,
    // This library's own addition: elapsed seconds after which a global search
    // stops by itself as if a log callback had asked for it, >= 0 (0 = no limit)
    // [0]. A safety net for callers whose log callbacks enforce the real limit.
    XO_SEARCH_SECONDS = 9001,
    // This library's own addition: 1 to recognise models with the structure
    // of a network (every column in at most two rows, once with +1 and once
    // with -1 after flipping the signs of some rows) and solve them with the
    // network simplex; their global search then needs no branching when all
    // data are integers. 0 always uses the general solvers. [1]
    XO_STRUCTURE = 9002,
    // This library's own addition: the number of columns from which a global
    // search of a model that splits into a network and side rows (a table of
    // three or more dimensions with its totals) runs a start heuristic on a
    // second thread beside the search, >= 0 (0: every such model) [5000]. Its
    // solutions become the search's incumbents when they are better. Machines
    // with one core never run it. The moments at which they arrive depend on
    // the machine's load, so a search with the heuristic beside it may end at
    // another of several equally close solutions from run to run; below the
    // default size searches usually finish on their own, and stay
    // reproducible.
    XO_START_THREAD_COLUMNS = 9003,
    // This library's own addition: 1 runs a global search in a child process
    // that the calling process stops (and, when it does not stop at once,
    // ends) as soon as a log callback, the time backstop or a stop request
    // asks, so that a search ends within a second whatever the solver is doing
    // inside; the callbacks are made in the calling process as ever. 0 runs it
    // in the calling process, where a part of the search that reports nothing
    // (a heuristic's sub-search, say) can run on past a callback's request.
    // Where no child process can be started the search runs in the calling
    // process. [1]
    XO_SEARCH_PROCESS = 9004,
    // This library's own addition: the effort, in millions of work units (row
    // entries visited), of the walk (violation_walk.h) that looks for a first
    // solution before a global search of an all-integer model starts, >= 0
    // (0: no walk) [50]. The walk is deterministic, so the search stays
    // reproducible; its first solution becomes the search's incumbent.
    XO_START_WALK_EFFORT = 9005,
};
// XPRS_MIPLOG values below -1 mean every node as -1 does.

// ---- stopping every solve -------------------------------------------------------
// This library's own addition: a process-wide request to stop now. While it is
// set, every LP solve and global search of every problem, running or started
// later, ends within a second as if a log callback had asked it to (LP
// unfinished; global search incomplete, with the best solution found so far),
// whether or not callbacks are registered. XO_RequestStop is safe to call from
// any thread and from a signal handler; the request stays until
// XO_ClearStopRequest. XO_StopRequested returns 1 while it is set, else 0.
void XO_RequestStop(void);
void XO_ClearStopRequest(void);
int XO_StopRequested(void);

// ---- callbacks ---------------------------------------------------------------
typedef void (*XPRSmessagecb)(XPRSprob prob, void* data, const char* text, int length, int type);
typedef void (*XPRSintsolcb)(XPRSprob prob, void* data);
typedef int (*XPRSlogcb)(XPRSprob prob, void* data);

// Message types passed to the message callback.
enum { XPRS_MSG_INFO = 1, XPRS_MSG_LOG = 2, XPRS_MSG_WARNING = 3, XPRS_MSG_ERROR = 4 };

int XPRSsetcbmessage(XPRSprob prob, XPRSmessagecb f, void* data);
int XPRSsetcbintsol(XPRSprob prob, XPRSintsolcb f, void* data);
// A non-zero return of a log callback interrupts the solve.
int XPRSsetcbgloballog(XPRSprob prob, XPRSlogcb f, void* data);
int XPRSsetcblplog(XPRSprob prob, XPRSlogcb f, void* data);
// When callbacks run:
// - All callbacks run on the thread that called the solve, one at a time. A
//   null function removes a callback.
// - Message: every message of the solvers, one call per line of text (without
//   its line feed); nothing is printed on standard output or standard error.
// - Integer solution: once for every new incumbent of a global search (repeated
//   reports of the same incumbent are dropped). The last call always carries the
//   final solution. Inside it XPRSgetsol gives the incumbent, and XPRS_MIPOBJVAL,
//   XPRS_BESTBOUND, XPRS_MIPSOLS and XPRS_MIPSTATUS describe it.
// - LP log: every XPRS_LPLOG simplex iterations of any LP, including the LPs
//   solved inside a global search. XPRS_LPSTATUS is XPRS_LP_UNFINISHED there.
// - Global log: at the nodes of a global search as XPRS_MIPLOG says.
// - So that a callback can always stop a solve promptly, whenever a quarter of a
//   second has passed without a log callback, the next simplex iteration or
//   search event calls one: the LP log when XPRS_LPLOG is not 0, otherwise (in
//   a global search) the global log when XPRS_MIPLOG is not 0.
// - Once a log callback has returned non-zero, no more log callbacks are made
//   in that solve. Inside callbacks the problem cannot be loaded, changed or
//   solved (XO_ERR_BUSY); attributes can be read, and in a global search
//   XPRSgetsol gives the incumbent once there is one. Destroying the problem
//   (or ending the run) inside a callback is safe: the solve runs on, and the
//   problem goes away when it returns.

// ---- loading -----------------------------------------------------------------
// Columns, with `nrows` rows given by row types / rhs / ranges and the matrix in
// column form (start, length optional, index, value). The engine always passes
// nrows = 0 and adds its rows with XPRSaddrows. Loading replaces any problem
// loaded before. Row types: 'E', 'L', 'G', 'N' (free) and 'R' (ranged:
// rhs - range <= row <= rhs, needs `range`). Null objective: all 0; null dlb:
// all 0; null dub: all infinite. Bounds of magnitude 1e20 or more are infinite
// (and read back as +-1e20). Repeated entries of one row and column are added
// together. ncols must be at least 1.
int XPRSloadlp(XPRSprob prob, const char* name, int ncols, int nrows, const char rowtype[],
               const double rhs[], const double range[], const double obj[], const int mstart[],
               const int mnel[], const int mrwind[], const double dmatval[], const double dlb[],
               const double dub[]);

// As XPRSloadlp, plus `ngents` global entities: column `mgcols[i]` gets type
// `qgtype[i]` ('B' binary, 'I' integer). Binary columns get their bounds
// clipped to [0, 1]. Sets (nsets, ...) are not supported and must be 0; the
// set arrays and mplim are not read.
int XPRSloadglobal(XPRSprob prob, const char* name, int ncols, int nrows, const char rowtype[],
                   const double rhs[], const double range[], const double obj[], const int mstart[],
                   const int mnel[], const int mrwind[], const double dmatval[], const double dlb[],
                   const double dub[], int ngents, int nsets, const char qgtype[],
                   const int mgcols[], const double mplim[], const char qstype[],
                   const int msstart[], const int mscols[], const double dref[]);

// Adds `nrows` rows with `ncoeffs` elements in row form: row i has the elements
// mstart[i] .. mstart[i+1]-1, the last row those up to ncoeffs-1 (an entry
// mstart[nrows] may be given but is not read). Row types: 'E' equal, 'L' less
// or equal, 'G' greater or equal, and 'N' and 'R' as for loading; `range` is
// read for 'R' rows only.
int XPRSaddrows(XPRSprob prob, int nrows, int ncoeffs, const char qrtype[], const double rhs[],
                const double range[], const int mstart[], const int mclind[],
                const double dmatval[]);

// ---- solving -----------------------------------------------------------------
// flags: "g" global (mixed-integer) search; "d" dual simplex; "p" primal
// simplex; "" or null the default LP algorithm (dual).
// Without "g" the LP relaxation is solved (global entities are ignored).
// Repeated LP solves of one problem are warm started from the previous basis:
// the "d"/"p" choice applies to the first solve; a re-solve after changes of the
// objective only uses primal simplex, after changes of bounds only dual simplex
// (the previous basis stays feasible for that method). A re-solve that does not
// end optimal is repeated from scratch before its outcome is reported.
// Global search: COIN-OR CBC's default strategy without preprocessing, one
// thread; global searches of different problems run one at a time. A network
// with integer data (see XO_STRUCTURE) is solved by the network simplex
// instead: its LP optimum is integer, the one solution reported, and optimal.
int XPRSminim(XPRSprob prob, const char* flags);
int XPRSmaxim(XPRSprob prob, const char* flags);

// ---- results -----------------------------------------------------------------
enum {
    XPRS_SIMPLEXITER = 1009,
    XPRS_LPSTATUS = 1010,
    XPRS_MIPSTATUS = 1011,
    XPRS_NODES = 1013,
    XPRS_ACTIVENODES = 1015,
    XPRS_MIPSOLS = 1017,
    XPRS_LPOBJVAL = 2001,
    XPRS_MIPOBJVAL = 2003,
    XPRS_BESTBOUND = 2004,
};

// Attribute meanings: SIMPLEXITER simplex iterations of the last solve (all LPs
// of a global search); LPSTATUS, LPOBJVAL: the last LP, or in a global search
// the root LP relaxation; NODES, ACTIVENODES: nodes solved and waiting;
// MIPSOLS: integer solutions reported; MIPOBJVAL: the incumbent's objective
// (+1e20 when minimising, -1e20 when maximising, without one); BESTBOUND: the
// best bound (-1e20 / +1e20 before it is known). Inside callbacks they
// describe the solve in progress.

// LP status values
enum {
    XPRS_LP_UNSTARTED = 0,  // no LP solved yet
    XPRS_LP_OPTIMAL = 1,
    XPRS_LP_INFEAS = 2,
    XPRS_LP_CUTOFF = 3,
    XPRS_LP_UNFINISHED = 4,
    XPRS_LP_UNBOUNDED = 5,
    XPRS_LP_CUTOFF_IN_DUAL = 6,
};
// This library sets no objective cut-off, so XPRS_LP_CUTOFF and
// XPRS_LP_CUTOFF_IN_DUAL are never reported.

// MIP status values. After an LP solve of a problem with global entities:
// XPRS_MIP_LP_OPTIMAL or XPRS_MIP_LP_NOT_OPTIMAL; without entities, and before
// any solve: XPRS_MIP_NOT_LOADED.
enum {
    XPRS_MIP_NOT_LOADED = 0,
    XPRS_MIP_LP_NOT_OPTIMAL = 1,
    XPRS_MIP_LP_OPTIMAL = 2,
    XPRS_MIP_NO_SOL_FOUND = 3,  // search incomplete, no integer solution
    XPRS_MIP_SOLUTION = 4,      // search incomplete, integer solution found
    XPRS_MIP_INFEAS = 5,        // search complete, no integer solution
    XPRS_MIP_OPTIMAL = 6,
};

int XPRSgetintattrib(XPRSprob prob, int attrib, int* value);
int XPRSgetdblattrib(XPRSprob prob, int attrib, double* value);

// Column values of the current solution (inside the integer-solution callback:
// of the new integer solution). Any of the arrays may be null. slack[i] is
// rhs - activity of row i. After a global search (and inside its callbacks)
// only x and slack are available: asking for duals or dj fails, and so does
// any call before a solve has produced values.
int XPRSgetsol(XPRSprob prob, double x[], double slack[], double duals[], double dj[]);

// ---- changing a loaded problem -----------------------------------------------
// Indices are column numbers 0 .. ncols-1; first <= last.
int XPRSchgobj(XPRSprob prob, int ncols, const int mindex[], const double obj[]);
// qbtype: 'U' upper, 'L' lower, 'B' both.
int XPRSchgbounds(XPRSprob prob, int nbnds, const int mindex[], const char qbtype[],
                  const double bnd[]);
int XPRSgetlb(XPRSprob prob, double lb[], int first, int last);
int XPRSgetub(XPRSprob prob, double ub[], int first, int last);

}  // extern "C"
