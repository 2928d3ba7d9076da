#include "engine/optimizer/problem.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <string>

#include "engine/optimizer/lp_backend.h"
#include "engine/optimizer/mip_backend.h"
#include "engine/optimizer/network_backend.h"
#include "engine/optimizer/row_nesting.h"

using qtb::opt::ControlSpec;
using qtb::opt::kInfinity;
using qtb::opt::LogPacer;
using qtb::opt::ModelData;
using qtb::opt::NormaliseBound;
using qtb::opt::StructureChanged;

namespace qtb::opt {

namespace {

const ControlSpec kControls[] = {
    {XPRS_EXTRAROWS, 0, 0, INT_MAX},
    {XPRS_EXTRAELEMS, 0, 0, INT_MAX},
    {XPRS_LPLOG, 100, 0, INT_MAX},
    {XPRS_MIPLOG, -1, INT_MIN, INT_MAX},
    // Stored only: CBC's default strategy has no settings that mean the same.
    {XPRS_CONTROL_8072, 0, INT_MIN, INT_MAX},
    {XPRS_CONTROL_8154, 0, INT_MIN, INT_MAX},
    {XPRS_CONTROL_8155, 0, INT_MIN, INT_MAX},
    {XPRS_CONTROL_8156, 0, INT_MIN, INT_MAX},
    {XO_SEARCH_SECONDS, 0, 0, INT_MAX},
    {XO_STRUCTURE, 1, 0, 1},
    {XO_START_THREAD_COLUMNS, 5000, 0, INT_MAX},
    {XO_SEARCH_PROCESS, 1, 0, 1},
    {XO_START_WALK_EFFORT, 50, 0, INT_MAX},
};

bool IsRowType(char t) {
    return t == 'E' || t == 'L' || t == 'G' || t == 'N' || t == 'R';
}

// A ranged row needs a finite, non-negative range.
bool RowOk(char type, const double rhs[], const double range[], int i) {
    if (!IsRowType(type) || std::isnan(rhs[i])) return false;
    if (type != 'R') return true;
    return range != nullptr && std::isfinite(range[i]) && range[i] >= 0.0;
}

}  // namespace

bool StructureChanged(double old_lb, double old_ub, double lb, double ub) {
    auto shape = [](double l, double u) {
        return (l == u ? 1 : 0) | (l <= -kInfinity ? 2 : 0) | (l > u ? 4 : 0);
    };
    return shape(old_lb, old_ub) != shape(lb, ub);
}

const ControlSpec* FindControl(int id) {
    for (const ControlSpec& c : kControls) {
        if (c.id == id) return &c;
    }
    return nullptr;
}

}  // namespace qtb::opt

xo_prob_struct::xo_prob_struct() = default;
xo_prob_struct::~xo_prob_struct() = default;

int xo_prob_struct::Control(int id) const {
    auto it = controls_.find(id);
    if (it != controls_.end()) return it->second;
    const ControlSpec* spec = qtb::opt::FindControl(id);
    return spec ? spec->def : 0;
}

LogPacer::Settings xo_prob_struct::PacerSettings(bool global_search) const {
    LogPacer::Settings s;
    s.lp_log = Control(XPRS_LPLOG);
    s.mip_log = Control(XPRS_MIPLOG);
    s.has_lp_cb = cb.lp_log != nullptr;
    s.has_global_cb = cb.global_log != nullptr;
    s.global_search = global_search;
    return s;
}

int xo_prob_struct::SetControl(int id, int value) {
    const ControlSpec* spec = qtb::opt::FindControl(id);
    if (!spec) return XO_ERR_UNKNOWN_ID;
    if (value < spec->min || value > spec->max) return XO_ERR_BAD_ARGUMENT;
    controls_[id] = value;
    if (id == XPRS_EXTRAROWS || id == XPRS_EXTRAELEMS) ApplySizingHints();
    return 0;
}

void xo_prob_struct::ApplySizingHints() {
    // Hints beyond this many entries are not taken up front; the arrays grow
    // as rows arrive anyway.
    constexpr size_t kMaxHint = size_t{1} << 24;
    const size_t rows = model.row_type.size() + std::min<size_t>(Control(XPRS_EXTRAROWS), kMaxHint);
    const size_t elems = model.index.size() + std::min<size_t>(Control(XPRS_EXTRAELEMS), kMaxHint);
    try {
        model.row_type.reserve(rows);
        model.rhs.reserve(rows);
        model.range.reserve(rows);
        model.start.reserve(rows + 1);
        model.index.reserve(elems);
        model.value.reserve(elems);
    } catch (const std::exception&) {
        // A hint that cannot be honoured is ignored.
    }
}

int xo_prob_struct::GetControl(int id, int* value) const {
    if (!value) return XO_ERR_BAD_ARGUMENT;
    if (!qtb::opt::FindControl(id)) return XO_ERR_UNKNOWN_ID;
    *value = Control(id);
    return 0;
}

void xo_prob_struct::ResetOutcome() {
    attrs = qtb::opt::Attributes{};
    attrs.mip_obj = sense * kInfinity;
    attrs.best_bound = -sense * kInfinity;
    sol = qtb::opt::Solution{};
}

void xo_prob_struct::DropLp() {
    lp_.reset();
}

void xo_prob_struct::ForgetNetwork() {
    DropLp();  // a network LP refers to the form
    network_.reset();
    network_checked_ = false;
}

void xo_prob_struct::ForgetStructure() {
    ForgetNetwork();
    nested_.reset();
    nesting_.reset();
    nesting_checked_ = false;
}

void xo_prob_struct::PrepareSolverModel() {
    if (nesting_checked_) return;
    nesting_checked_ = true;
    if (!Control(XO_STRUCTURE)) return;
    auto nested = std::make_unique<ModelData>();
    auto nesting = std::make_unique<qtb::opt::RowNesting>();
    if (!qtb::opt::NestRows(model, nested.get(), nesting.get())) return;
    nested_ = std::move(nested);
    nesting_ = std::move(nesting);
}

void xo_prob_struct::ToModelDuals(std::vector<double>* duals) const {
    if (nesting_) *duals = qtb::opt::OriginalDuals(*nesting_, *duals, model.Rows());
}

const qtb::opt::NetworkForm* xo_prob_struct::Network() {
    if (!Control(XO_STRUCTURE)) return nullptr;
    if (!network_checked_) {
        auto form = std::make_unique<qtb::opt::NetworkForm>();
        PrepareSolverModel();
        if (qtb::opt::RecogniseNetwork(SolverModel(), form.get())) network_ = std::move(form);
        network_checked_ = true;
    }
    return network_.get();
}

int xo_prob_struct::Load(const char* name, int ncols, int nrows, const char rowtype[],
                         const double rhs[], const double range[], const double obj[],
                         const int mstart[], const int mnel[], const int mrwind[],
                         const double dmatval[], const double dlb[], const double dub[], int ngents,
                         const char qgtype[], const int mgcols[]) {
    if (solving) return XO_ERR_BUSY;
    if (ncols < 1 || nrows < 0 || ngents < 0) return XO_ERR_BAD_ARGUMENT;
    if (nrows > 0 && (!rowtype || !rhs)) return XO_ERR_BAD_ARGUMENT;
    if (ngents > 0 && (!qgtype || !mgcols)) return XO_ERR_BAD_ARGUMENT;
    for (int i = 0; i < nrows; ++i) {
        if (!qtb::opt::RowOk(rowtype[i], rhs, range, i)) return XO_ERR_BAD_ARGUMENT;
    }
    ModelData m;
    if (name) m.name = name;
    m.obj.assign(ncols, 0.0);
    m.lb.assign(ncols, 0.0);
    m.ub.assign(ncols, kInfinity);
    m.type.assign(ncols, 'C');
    for (int j = 0; j < ncols; ++j) {
        if (obj) m.obj[j] = obj[j];
        if (dlb) m.lb[j] = NormaliseBound(dlb[j]);
        if (dub) m.ub[j] = NormaliseBound(dub[j]);
        if (!std::isfinite(m.obj[j]) || std::isnan(m.lb[j]) || std::isnan(m.ub[j])) {
            return XO_ERR_BAD_ARGUMENT;
        }
    }
    for (int k = 0; k < ngents; ++k) {
        const int j = mgcols[k];
        if (j < 0 || j >= ncols || (qgtype[k] != 'B' && qgtype[k] != 'I')) {
            return XO_ERR_BAD_ARGUMENT;
        }
        m.type[j] = qgtype[k];
        if (qgtype[k] == 'B') {
            m.lb[j] = std::max(m.lb[j], 0.0);
            m.ub[j] = std::min(m.ub[j], 1.0);
        }
    }
    // The matrix arrives by columns; gather every row's entries.
    std::vector<std::vector<int>> row_cols(nrows);
    std::vector<std::vector<double>> row_vals(nrows);
    if (mstart) {
        for (int j = 0; j < ncols; ++j) {
            const int begin = mstart[j];
            const int count = mnel ? mnel[j] : mstart[j + 1] - mstart[j];
            if (begin < 0 || count < 0 || count > INT_MAX - begin) return XO_ERR_BAD_ARGUMENT;
            if (count > 0 && (!mrwind || !dmatval)) return XO_ERR_BAD_ARGUMENT;
            for (int k = begin; k < begin + count; ++k) {
                const int i = mrwind[k];
                if (i < 0 || i >= nrows || !std::isfinite(dmatval[k])) {
                    return XO_ERR_BAD_ARGUMENT;
                }
                row_cols[i].push_back(j);
                row_vals[i].push_back(dmatval[k]);
            }
        }
    }
    for (int i = 0; i < nrows; ++i) {
        m.AppendRow(rowtype[i], rhs[i], range && rowtype[i] == 'R' ? range[i] : 0.0,
                    row_cols[i].data(), row_vals[i].data(), static_cast<int>(row_cols[i].size()));
    }
    model = std::move(m);
    ApplySizingHints();
    loaded = true;
    ForgetStructure();
    ResetOutcome();
    return 0;
}

int xo_prob_struct::AddRows(int nrows, int ncoeffs, const char qrtype[], const double rhs[],
                            const double range[], const int mstart[], const int mclind[],
                            const double dmatval[]) {
    if (solving) return XO_ERR_BUSY;
    if (!loaded || nrows < 0 || ncoeffs < 0) return XO_ERR_BAD_ARGUMENT;
    if (nrows == 0) return 0;
    if (!qrtype || !rhs || !mstart) return XO_ERR_BAD_ARGUMENT;
    if (ncoeffs > 0 && (!mclind || !dmatval)) return XO_ERR_BAD_ARGUMENT;
    auto row_end = [&](int i) { return i + 1 < nrows ? mstart[i + 1] : ncoeffs; };
    for (int i = 0; i < nrows; ++i) {
        if (!qtb::opt::RowOk(qrtype[i], rhs, range, i)) return XO_ERR_BAD_ARGUMENT;
        if (mstart[i] < 0 || mstart[i] > row_end(i) || row_end(i) > ncoeffs) {
            return XO_ERR_BAD_ARGUMENT;
        }
    }
    for (int k = mstart[0]; k < ncoeffs; ++k) {
        if (mclind[k] < 0 || mclind[k] >= model.Cols() || !std::isfinite(dmatval[k])) {
            return XO_ERR_BAD_ARGUMENT;
        }
    }
    // All rows or none: undo a partial append if memory runs out.
    const size_t rows_before = model.row_type.size();
    const size_t elems_before = model.index.size();
    try {
        for (int i = 0; i < nrows; ++i) {
            model.AppendRow(qrtype[i], rhs[i], range && qrtype[i] == 'R' ? range[i] : 0.0,
                            mclind + mstart[i], dmatval + mstart[i], row_end(i) - mstart[i]);
        }
    } catch (...) {
        model.row_type.resize(rows_before);
        model.rhs.resize(rows_before);
        model.range.resize(rows_before);
        model.start.resize(rows_before + 1);
        model.index.resize(elems_before);
        model.value.resize(elems_before);
        throw;
    }
    ForgetStructure();
    ResetOutcome();
    return 0;
}

int xo_prob_struct::CheckColumns(int n, const int idx[]) const {
    if (n < 0 || (n > 0 && !idx)) return XO_ERR_BAD_ARGUMENT;
    for (int k = 0; k < n; ++k) {
        if (idx[k] < 0 || idx[k] >= model.Cols()) return XO_ERR_BAD_ARGUMENT;
    }
    return 0;
}

int xo_prob_struct::ChgObj(int n, const int mindex[], const double obj[]) {
    if (solving) return XO_ERR_BUSY;
    if (!loaded) return XO_ERR_BAD_ARGUMENT;
    if (int rc = CheckColumns(n, mindex)) return rc;
    if (n > 0 && !obj) return XO_ERR_BAD_ARGUMENT;
    for (int k = 0; k < n; ++k) {
        if (!std::isfinite(obj[k])) return XO_ERR_BAD_ARGUMENT;
    }
    for (int k = 0; k < n; ++k) {
        model.obj[mindex[k]] = obj[k];
        if (nested_) nested_->obj[mindex[k]] = obj[k];
        if (lp_) lp_->SetObjective(mindex[k], obj[k]);
    }
    return 0;
}

int xo_prob_struct::ChgBounds(int n, const int mindex[], const char qbtype[], const double bnd[]) {
    if (solving) return XO_ERR_BUSY;
    if (!loaded) return XO_ERR_BAD_ARGUMENT;
    if (int rc = CheckColumns(n, mindex)) return rc;
    if (n > 0 && (!qbtype || !bnd)) return XO_ERR_BAD_ARGUMENT;
    for (int k = 0; k < n; ++k) {
        const char t = qbtype[k];
        if ((t != 'U' && t != 'L' && t != 'B') || std::isnan(bnd[k])) return XO_ERR_BAD_ARGUMENT;
    }
    for (int k = 0; k < n; ++k) {
        const int j = mindex[k];
        double v = NormaliseBound(bnd[k]);
        if (model.type[j] == 'B') v = std::min(std::max(v, 0.0), 1.0);
        const double old_lb = model.lb[j], old_ub = model.ub[j];
        if (qbtype[k] != 'U') model.lb[j] = v;
        if (qbtype[k] != 'L') model.ub[j] = v;
        if (nested_) {
            nested_->lb[j] = model.lb[j];
            nested_->ub[j] = model.ub[j];
        }
        // Fixing or freeing a column, or a lower bound turning infinite or
        // finite, can change the model's structure.
        if (network_checked_ && StructureChanged(old_lb, old_ub, model.lb[j], model.ub[j])) {
            ForgetNetwork();
        }
        if (lp_) lp_->SetBounds(j, model.lb[j], model.ub[j]);
    }
    return 0;
}

int xo_prob_struct::GetBounds(double out[], int first, int last, bool upper) const {
    if (!loaded || !out || first < 0 || first > last || last >= model.Cols()) {
        return XO_ERR_BAD_ARGUMENT;
    }
    const std::vector<double>& src = upper ? model.ub : model.lb;
    std::copy(src.begin() + first, src.begin() + last + 1, out);
    return 0;
}

int xo_prob_struct::Solve(const char* flags, int dir) {
    if (solving) return XO_ERR_BUSY;
    if (!loaded) return XO_ERR_BAD_ARGUMENT;
    bool global = false;
    char algorithm = 0;
    for (const char* f = flags ? flags : ""; *f; ++f) {
        if (*f == 'g') {
            global = true;
        } else if (*f == 'd' || *f == 'p') {
            algorithm = *f;
        } else {
            return XO_ERR_BAD_ARGUMENT;
        }
    }
    struct SolvingFlag {
        xo_prob_struct& p;
        ~SolvingFlag() {
            p.solving = false;
            p.live_incumbent = nullptr;
        }
    } guard{*this};
    sense = dir;
    ResetOutcome();
    solving = true;
    PrepareSolverModel();
    const qtb::opt::NetworkForm* network = Network();
    if (global) {
        // A network with integer data has integral LP vertices: its LP
        // optimum is the search's optimum.
        if (network && network->integral) return qtb::opt::RunNetworkSearch(*this, *network);
        return qtb::opt::RunGlobalSearch(*this);
    }
    if (!lp_) {
        if (network)
            lp_ = std::make_unique<qtb::opt::NetworkLp>(*this, *network);
        else
            lp_ = std::make_unique<qtb::opt::LpBackend>(*this);
    } else if (lp_->Sense() != sense) {
        lp_->SetSense(sense);
    }
    const int rc = lp_->Solve(algorithm);
    // An LP that failed leaves no state worth warm starting from.
    if (rc != 0) DropLp();
    return rc;
}

int xo_prob_struct::GetIntAttrib(int id, int* value) const {
    if (!value) return XO_ERR_BAD_ARGUMENT;
    switch (id) {
        case XPRS_SIMPLEXITER:
            *value = attrs.simplex_iter;
            return 0;
        case XPRS_LPSTATUS:
            *value = attrs.lp_status;
            return 0;
        case XPRS_MIPSTATUS:
            *value = attrs.mip_status;
            return 0;
        case XPRS_NODES:
            *value = attrs.nodes;
            return 0;
        case XPRS_ACTIVENODES:
            *value = attrs.active_nodes;
            return 0;
        case XPRS_MIPSOLS:
            *value = attrs.mip_sols;
            return 0;
        default:
            return XO_ERR_UNKNOWN_ID;
    }
}

int xo_prob_struct::GetDblAttrib(int id, double* value) const {
    if (!value) return XO_ERR_BAD_ARGUMENT;
    switch (id) {
        case XPRS_LPOBJVAL:
            *value = attrs.lp_obj;
            return 0;
        case XPRS_MIPOBJVAL:
            *value = attrs.mip_obj;
            return 0;
        case XPRS_BESTBOUND:
            *value = attrs.best_bound;
            return 0;
        default:
            return XO_ERR_UNKNOWN_ID;
    }
}

int xo_prob_struct::GetSol(double x[], double slack[], double duals[], double dj[]) const {
    const std::vector<double>* values = solving ? live_incumbent : (sol.has_x ? &sol.x : nullptr);
    if (!values) return XO_ERR_NO_SOLUTION;
    const bool has_duals = !solving && sol.has_duals;
    if ((duals || dj) && !has_duals) return XO_ERR_NO_SOLUTION;
    if (x) std::copy(values->begin(), values->end(), x);
    if (slack) {
        const std::vector<double> s = model.Slacks(values->data());
        std::copy(s.begin(), s.end(), slack);
    }
    if (duals) std::copy(sol.duals.begin(), sol.duals.end(), duals);
    if (dj) std::copy(sol.dj.begin(), sol.dj.end(), dj);
    return 0;
}

void xo_prob_struct::EmitMessage(std::string_view line, int type) {
    if (!cb.message) return;
    try {
        const std::string text(line);
        cb.message(this, cb.message_data, text.c_str(), static_cast<int>(text.size()), type);
    } catch (...) {
        // Out of memory for one line of text: that line is lost.
    }
}

int xo_prob_struct::CallLog(bool global) {
    XPRSlogcb f = global ? cb.global_log : cb.lp_log;
    if (!f) return 0;
    return f(this, global ? cb.global_log_data : cb.lp_log_data);
}

void xo_prob_struct::CallIntSol() {
    if (cb.intsol) cb.intsol(this, cb.intsol_data);
}
