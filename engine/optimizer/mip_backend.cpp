#include "engine/optimizer/mip_backend.h"

#include <mutex>

#include "engine/optimizer/cbc_search.h"

namespace qtb::opt {

namespace {

// CbcMain0/CbcMain1 keep global state: one search at a time in the process.
std::mutex g_search_mutex;

// The search running on this thread, for CbcMain1's stage callback, which
// carries no user data.
thread_local CbcSearch* t_search = nullptr;

int StageCallback(CbcModel* model, int where) {
    if (t_search) t_search->OnStage(model, where);
    return 0;
}

}  // namespace

int RunGlobalSearch(xo_prob_struct& problem) {
    if (t_search) return XO_ERR_BUSY;
    std::lock_guard<std::mutex> lock(g_search_mutex);
    CbcSearch search(problem);
    struct Current {
        explicit Current(CbcSearch* s) { t_search = s; }
        ~Current() { t_search = nullptr; }
    } current(&search);
    return search.Run(&StageCallback);
}

}  // namespace qtb::opt
