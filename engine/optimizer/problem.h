// One optimizer problem: the loaded model, controls, callbacks, the outcome of
// the last solve and the LP kept between solves. The C functions of
// optimizer.h check the handle and forward to the members here, which check
// everything else and return the library's status codes.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/optimizer/log_pacer.h"
#include "engine/optimizer/model_data.h"
#include "engine/optimizer/optimizer.h"

namespace qtb::opt {

class LpSolver;
struct NetworkForm;
struct RowNesting;

struct Callbacks {
    XPRSmessagecb message = nullptr;
    void* message_data = nullptr;
    XPRSintsolcb intsol = nullptr;
    void* intsol_data = nullptr;
    XPRSlogcb global_log = nullptr;
    void* global_log_data = nullptr;
    XPRSlogcb lp_log = nullptr;
    void* lp_log_data = nullptr;
};

// Attribute values: the last solve's outcome, or the solve in progress while
// callbacks run. Objective values are in the caller's sense.
struct Attributes {
    int simplex_iter = 0;
    int lp_status = XPRS_LP_UNSTARTED;
    int mip_status = XPRS_MIP_NOT_LOADED;
    int nodes = 0;
    int active_nodes = 0;
    int mip_sols = 0;
    double lp_obj = 0.0;
    double mip_obj = kInfinity;
    double best_bound = -kInfinity;
};

// Column values and, after an LP, duals and reduced costs.
struct Solution {
    std::vector<double> x;
    std::vector<double> duals;
    std::vector<double> dj;
    bool has_x = false;
    bool has_duals = false;
};

// Default, smallest and largest value of every integer control.
struct ControlSpec {
    int id;
    int def;
    int min;
    int max;
};
const ControlSpec* FindControl(int id);

// Whether a column's new bounds can change how the model is recognised
// (fixed, lower bound infinite, crossed).
bool StructureChanged(double old_lb, double old_ub, double lb, double ub);

}  // namespace qtb::opt

struct xo_prob_struct {
    xo_prob_struct();
    ~xo_prob_struct();
    xo_prob_struct(const xo_prob_struct&) = delete;
    xo_prob_struct& operator=(const xo_prob_struct&) = delete;

    // ---- calls of the interface (arguments not yet checked) ----
    int SetControl(int id, int value);
    int GetControl(int id, int* value) const;
    int Load(const char* name, int ncols, int nrows, const char rowtype[], const double rhs[],
             const double range[], const double obj[], const int mstart[], const int mnel[],
             const int mrwind[], const double dmatval[], const double dlb[], const double dub[],
             int ngents, const char qgtype[], const int mgcols[]);
    int AddRows(int nrows, int ncoeffs, const char qrtype[], const double rhs[],
                const double range[], const int mstart[], const int mclind[],
                const double dmatval[]);
    int Solve(const char* flags, int sense);
    int GetIntAttrib(int id, int* value) const;
    int GetDblAttrib(int id, double* value) const;
    int GetSol(double x[], double slack[], double duals[], double dj[]) const;
    int ChgObj(int n, const int mindex[], const double obj[]);
    int ChgBounds(int n, const int mindex[], const char qbtype[], const double bnd[]);
    int GetBounds(double out[], int first, int last, bool upper) const;

    // ---- used by the solver backends ----
    int Control(int id) const;
    // The model the solvers work on: `model` itself, or (with XO_STRUCTURE)
    // a copy whose equations are rewritten as equivalent sparser ones
    // (row_nesting.h), kept in step with the objective and bounds of `model`.
    // Set up by Solve before any backend runs.
    const qtb::opt::ModelData& SolverModel() const { return nested_ ? *nested_ : model; }
    // Duals of the solver model's rows, turned into duals of `model`'s rows
    // (the two may differ in number).
    void ToModelDuals(std::vector<double>* duals) const;
    // What the log pacer of a solve needs: the log controls and callbacks.
    qtb::opt::LogPacer::Settings PacerSettings(bool global_search) const;
    // Passes one line of solver output to the message callback.
    void EmitMessage(std::string_view line, int type);
    // Calls a log callback (global when `global`, else LP); returns its result
    // (0 when none is registered).
    int CallLog(bool global);
    // Calls the integer-solution callback (XPRSgetsol reads live_incumbent).
    void CallIntSol();
    void ResetOutcome();

    qtb::opt::ModelData model;
    qtb::opt::Callbacks cb;
    qtb::opt::Attributes attrs;
    qtb::opt::Solution sol;
    // Objective sense of the solve in progress or last solved: +1 min, -1 max.
    int sense = 1;
    bool solving = false;
    bool loaded = false;
    // While a global search runs: its incumbent, if any, for XPRSgetsol.
    const std::vector<double>* live_incumbent = nullptr;
    // While a global search runs: the LP status of its root relaxation once
    // solved (0 before).
    int root_lp = 0;
    // While a global search runs in a child process: set by the calling
    // process to ask the search to stop (in memory both processes share).
    const std::atomic<int>* remote_stop = nullptr;

  private:
    int CheckColumns(int n, const int idx[]) const;
    void DropLp();
    void ApplySizingHints();
    // The model as a network, or null when it is none (or structure is not
    // to be used); recognised once per model.
    const qtb::opt::NetworkForm* Network();
    // After changes of the rows: the network form and the solver model go.
    void ForgetStructure();
    // After changes of bounds that can change the network form.
    void ForgetNetwork();
    // Rewrites the rows for the solvers once per set of rows.
    void PrepareSolverModel();

    std::map<int, int> controls_;
    // The LP kept between LP solves, warm started after changes.
    std::unique_ptr<qtb::opt::LpSolver> lp_;
    std::unique_ptr<qtb::opt::NetworkForm> network_;
    bool network_checked_ = false;
    std::unique_ptr<qtb::opt::ModelData> nested_;
    std::unique_ptr<qtb::opt::RowNesting> nesting_;
    bool nesting_checked_ = false;
};
