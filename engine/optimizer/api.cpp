// The C functions of the library: the run (XPRSinit / XPRSfree), the registry
// of live problems, and for every call the handle check and the guard that
// keeps exceptions from crossing the interface.
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <new>

#include "engine/optimizer/optimizer.h"
#include "engine/optimizer/problem.h"
#include "engine/optimizer/stop_request.h"

namespace {

// Set from signal handlers too: must be lock-free.
std::atomic<int> g_stop_request{0};
static_assert(std::atomic<int>::is_always_lock_free);

struct Registry {
    std::mutex mutex;
    int init_count = 0;
    // Problems are kept alive by shared pointers: a call in progress holds
    // one, so destroying a problem (or ending the run) from inside one of its
    // callbacks leaves the solve running on a valid object.
    std::map<const xo_prob_struct*, std::shared_ptr<xo_prob_struct>> problems;
};

Registry& TheRegistry() {
    static Registry r;
    return r;
}

template <typename F>
int Guarded(F&& f) noexcept {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return XO_ERR_MEMORY;
    } catch (...) {
        return XO_ERR_INTERNAL;
    }
}

// Looks up a live problem; `status` receives the failure if there is none.
std::shared_ptr<xo_prob_struct> Find(XPRSprob prob, int* status) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (r.init_count == 0) {
        *status = XO_ERR_NOT_INITIALISED;
        return nullptr;
    }
    auto it = r.problems.find(prob);
    if (it == r.problems.end()) {
        *status = XO_ERR_BAD_PROBLEM;
        return nullptr;
    }
    return it->second;
}

// Runs `f(problem)` on a live problem.
template <typename F>
int With(XPRSprob prob, F&& f) noexcept {
    return Guarded([&]() -> int {
        int status = 0;
        std::shared_ptr<xo_prob_struct> p = Find(prob, &status);
        if (!p) return status;
        return f(*p);
    });
}

}  // namespace

namespace qtb::opt {

bool StopRequested() {
    return g_stop_request.load(std::memory_order_relaxed) != 0;
}

}  // namespace qtb::opt

extern "C" {

void XO_RequestStop(void) {
    g_stop_request.store(1, std::memory_order_relaxed);
}

void XO_ClearStopRequest(void) {
    g_stop_request.store(0, std::memory_order_relaxed);
}

int XO_StopRequested(void) {
    return qtb::opt::StopRequested() ? 1 : 0;
}

int XPRSinit(const char* /*path*/) {
    return Guarded([]() -> int {
        Registry& r = TheRegistry();
        std::lock_guard<std::mutex> lock(r.mutex);
        ++r.init_count;
        return 0;
    });
}

int XPRSfree(void) {
    return Guarded([]() -> int {
        std::map<const xo_prob_struct*, std::shared_ptr<xo_prob_struct>> ending;
        {
            Registry& r = TheRegistry();
            std::lock_guard<std::mutex> lock(r.mutex);
            if (r.init_count == 0) return XO_ERR_NOT_INITIALISED;
            if (--r.init_count > 0) return 0;
            // The run ends: problems still alive go with it.
            ending.swap(r.problems);
        }
        return 0;  // `ending` releases them outside the lock
    });
}

int XPRScreateprob(XPRSprob* prob) {
    return Guarded([&]() -> int {
        if (!prob) return XO_ERR_BAD_ARGUMENT;
        *prob = nullptr;
        auto p = std::make_shared<xo_prob_struct>();
        p->ResetOutcome();
        Registry& r = TheRegistry();
        std::lock_guard<std::mutex> lock(r.mutex);
        if (r.init_count == 0) return XO_ERR_NOT_INITIALISED;
        r.problems.emplace(p.get(), p);
        *prob = p.get();
        return 0;
    });
}

int XPRSdestroyprob(XPRSprob prob) {
    return Guarded([&]() -> int {
        std::shared_ptr<xo_prob_struct> p;
        {
            Registry& r = TheRegistry();
            std::lock_guard<std::mutex> lock(r.mutex);
            if (r.init_count == 0) return XO_ERR_NOT_INITIALISED;
            auto it = r.problems.find(prob);
            if (it == r.problems.end()) return XO_ERR_BAD_PROBLEM;
            p = std::move(it->second);
            r.problems.erase(it);
        }
        return 0;  // `p` releases the problem outside the lock
    });
}

int XPRSsetintcontrol(XPRSprob prob, int control, int value) {
    return With(prob, [&](xo_prob_struct& p) { return p.SetControl(control, value); });
}

int XPRSgetintcontrol(XPRSprob prob, int control, int* value) {
    return With(prob, [&](xo_prob_struct& p) { return p.GetControl(control, value); });
}

int XPRSsetcbmessage(XPRSprob prob, XPRSmessagecb f, void* data) {
    return With(prob, [&](xo_prob_struct& p) -> int {
        p.cb.message = f;
        p.cb.message_data = data;
        return 0;
    });
}

int XPRSsetcbintsol(XPRSprob prob, XPRSintsolcb f, void* data) {
    return With(prob, [&](xo_prob_struct& p) -> int {
        p.cb.intsol = f;
        p.cb.intsol_data = data;
        return 0;
    });
}

int XPRSsetcbgloballog(XPRSprob prob, XPRSlogcb f, void* data) {
    return With(prob, [&](xo_prob_struct& p) -> int {
        p.cb.global_log = f;
        p.cb.global_log_data = data;
        return 0;
    });
}

int XPRSsetcblplog(XPRSprob prob, XPRSlogcb f, void* data) {
    return With(prob, [&](xo_prob_struct& p) -> int {
        p.cb.lp_log = f;
        p.cb.lp_log_data = data;
        return 0;
    });
}

int XPRSloadlp(XPRSprob prob, const char* name, int ncols, int nrows, const char rowtype[],
               const double rhs[], const double range[], const double obj[], const int mstart[],
               const int mnel[], const int mrwind[], const double dmatval[], const double dlb[],
               const double dub[]) {
    return With(prob, [&](xo_prob_struct& p) -> int {
        return p.Load(name, ncols, nrows, rowtype, rhs, range, obj, mstart, mnel, mrwind, dmatval,
                      dlb, dub, 0, nullptr, nullptr);
    });
}

int XPRSloadglobal(XPRSprob prob, const char* name, int ncols, int nrows, const char rowtype[],
                   const double rhs[], const double range[], const double obj[], const int mstart[],
                   const int mnel[], const int mrwind[], const double dmatval[], const double dlb[],
                   const double dub[], int ngents, int nsets, const char qgtype[],
                   const int mgcols[], const double /*mplim*/[], const char /*qstype*/[],
                   const int /*msstart*/[], const int /*mscols*/[], const double /*dref*/[]) {
    return With(prob, [&](xo_prob_struct& p) -> int {
        if (nsets != 0) return XO_ERR_BAD_ARGUMENT;  // sets are not supported
        return p.Load(name, ncols, nrows, rowtype, rhs, range, obj, mstart, mnel, mrwind, dmatval,
                      dlb, dub, ngents, qgtype, mgcols);
    });
}

int XPRSaddrows(XPRSprob prob, int nrows, int ncoeffs, const char qrtype[], const double rhs[],
                const double range[], const int mstart[], const int mclind[],
                const double dmatval[]) {
    return With(prob, [&](xo_prob_struct& p) -> int {
        return p.AddRows(nrows, ncoeffs, qrtype, rhs, range, mstart, mclind, dmatval);
    });
}

int XPRSminim(XPRSprob prob, const char* flags) {
    return With(prob, [&](xo_prob_struct& p) { return p.Solve(flags, 1); });
}

int XPRSmaxim(XPRSprob prob, const char* flags) {
    return With(prob, [&](xo_prob_struct& p) { return p.Solve(flags, -1); });
}

int XPRSgetintattrib(XPRSprob prob, int attrib, int* value) {
    return With(prob, [&](xo_prob_struct& p) { return p.GetIntAttrib(attrib, value); });
}

int XPRSgetdblattrib(XPRSprob prob, int attrib, double* value) {
    return With(prob, [&](xo_prob_struct& p) { return p.GetDblAttrib(attrib, value); });
}

int XPRSgetsol(XPRSprob prob, double x[], double slack[], double duals[], double dj[]) {
    return With(prob, [&](xo_prob_struct& p) { return p.GetSol(x, slack, duals, dj); });
}

int XPRSchgobj(XPRSprob prob, int ncols, const int mindex[], const double obj[]) {
    return With(prob, [&](xo_prob_struct& p) { return p.ChgObj(ncols, mindex, obj); });
}

int XPRSchgbounds(XPRSprob prob, int nbnds, const int mindex[], const char qbtype[],
                  const double bnd[]) {
    return With(prob, [&](xo_prob_struct& p) { return p.ChgBounds(nbnds, mindex, qbtype, bnd); });
}

int XPRSgetlb(XPRSprob prob, double lb[], int first, int last) {
    return With(prob, [&](xo_prob_struct& p) { return p.GetBounds(lb, first, last, false); });
}

int XPRSgetub(XPRSprob prob, double ub[], int first, int last) {
    return With(prob, [&](xo_prob_struct& p) { return p.GetBounds(ub, first, last, true); });
}

}  // extern "C"
