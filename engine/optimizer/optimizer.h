// The optimizer library interface used by the rounding engine.
//
// A small mixed-integer / linear programming library with a C calling
// interface: problems are created, loaded column-wise, given rows, solved, and
// queried through numbered controls and attributes. Callbacks report messages,
// new integer solutions and progress. The implementation behind it lives in
// this folder (backed by COIN-OR CBC for global search and CLP for linear
// programs); nothing outside this folder knows which backend is used.
//
// Every call returns 0 on success and a non-zero status otherwise.
#pragma once

extern "C" {

struct xo_prob_struct;
typedef struct xo_prob_struct* XPRSprob;

// ---- library and problems ----------------------------------------------------
int XPRSinit(const char* path);  // path may be null
int XPRSfree(void);
int XPRScreateprob(XPRSprob* prob);
int XPRSdestroyprob(XPRSprob prob);

// ---- controls ----------------------------------------------------------------
int XPRSsetintcontrol(XPRSprob prob, int control, int value);

// Integer controls set by the engine. Meanings in this library:
enum {
    XPRS_EXTRAROWS = 8004,   // rows to reserve space for (a sizing hint)
    XPRS_EXTRAELEMS = 8006,  // matrix elements to reserve space for (a sizing hint)
    XPRS_LPLOG = 8009,       // LP log callback every N simplex iterations (0 = never)
    XPRS_MIPLOG = 8028,      // global log callback: -1 every node, 0 never, N every N nodes
    XPRS_CONTROL_8072 = 8072,  // accepted; see optimizer.cpp for what it maps to
    XPRS_CONTROL_8154 = 8154,
    XPRS_CONTROL_8155 = 8155,
    XPRS_CONTROL_8156 = 8156,
};

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

// ---- loading -----------------------------------------------------------------
// Columns, with `nrows` rows given by row types / rhs / ranges and the matrix in
// column form (start, length optional, index, value). The engine always passes
// nrows = 0 and adds its rows with XPRSaddrows.
int XPRSloadlp(XPRSprob prob, const char* name, int ncols, int nrows, const char rowtype[],
               const double rhs[], const double range[], const double obj[], const int mstart[],
               const int mnel[], const int mrwind[], const double dmatval[], const double dlb[],
               const double dub[]);

// As XPRSloadlp, plus `ngents` global entities: column `mgcols[i]` gets type
// `qgtype[i]` ('B' binary, 'I' integer). Sets (nsets, ...) are not supported
// and must be 0 / null.
int XPRSloadglobal(XPRSprob prob, const char* name, int ncols, int nrows, const char rowtype[],
                   const double rhs[], const double range[], const double obj[],
                   const int mstart[], const int mnel[], const int mrwind[],
                   const double dmatval[], const double dlb[], const double dub[], int ngents,
                   int nsets, const char qgtype[], const int mgcols[], const double mplim[],
                   const char qstype[], const int msstart[], const int mscols[],
                   const double dref[]);

// Adds `nrows` rows with `ncoeffs` elements in row form. Row types: 'E' equal,
// 'L' less or equal, 'G' greater or equal. `range` must be null.
int XPRSaddrows(XPRSprob prob, int nrows, int ncoeffs, const char qrtype[], const double rhs[],
                const double range[], const int mstart[], const int mclind[],
                const double dmatval[]);

// ---- solving -----------------------------------------------------------------
// flags: "g" global (mixed-integer) search; "d" dual simplex; "p" primal
// simplex; "" or null the default LP algorithm.
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

// LP status values
enum {
    XPRS_LP_OPTIMAL = 1,
    XPRS_LP_INFEAS = 2,
    XPRS_LP_CUTOFF = 3,
    XPRS_LP_UNFINISHED = 4,
    XPRS_LP_UNBOUNDED = 5,
    XPRS_LP_CUTOFF_IN_DUAL = 6,
};

// MIP status values
enum {
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
// of the new integer solution). Any of the arrays may be null.
int XPRSgetsol(XPRSprob prob, double x[], double slack[], double duals[], double dj[]);

// ---- changing a loaded problem -----------------------------------------------
int XPRSchgobj(XPRSprob prob, int ncols, const int mindex[], const double obj[]);
// qbtype: 'U' upper, 'L' lower, 'B' both.
int XPRSchgbounds(XPRSprob prob, int nbnds, const int mindex[], const char qbtype[],
                  const double bnd[]);
int XPRSgetlb(XPRSprob prob, double lb[], int first, int last);
int XPRSgetub(XPRSprob prob, double ub[], int first, int last);

}  // extern "C"
