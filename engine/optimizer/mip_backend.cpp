#include "engine/optimizer/mip_backend.h"

#include <memory>
#include <mutex>

#include "engine/optimizer/cbc_search.h"
#include "engine/optimizer/log_pacer.h"
#include "engine/optimizer/search_process.h"

namespace qtb::opt {

namespace {

// CbcMain0/CbcMain1 keep global state: one search at a time in the process.
std::mutex g_search_mutex;

// The search running on this thread, for CbcMain1's stage callback, which
// carries no user data.
thread_local CbcSearch* t_search = nullptr;
// A search of this thread runs in a child process (its callbacks are made
// here).
thread_local bool t_child_search = false;

int StageCallback(CbcModel* model, int where) {
    if (t_search) t_search->OnStage(model, where);
    return 0;
}

}  // namespace

int SearchUnlocked(xo_prob_struct& problem, const SolutionFeed& feed, bool announce) {
    CbcSearch search(problem, feed, announce);
    struct Current {
        explicit Current(CbcSearch* s) { t_search = s; }
        ~Current() { t_search = nullptr; }
    } current(&search);
    return search.Run(&StageCallback);
}

// The search in this process, with the start heuristic on a thread beside it.
int SearchHere(xo_prob_struct& problem) {
    std::lock_guard<std::mutex> lock(g_search_mutex);
    std::unique_ptr<StartBeside> beside = StartBeside::Start(problem, NowSeconds());
    SolutionFeed feed;
    if (beside) {
        feed = [b = beside.get()](std::vector<double>* x, double* found_at) {
            return b->Take(x, found_at);
        };
    }
    const int status = SearchUnlocked(problem, feed, true);
    if (beside) beside->Stop();
    return status;
}

// The search in a child process: its feed is what this process's heuristic
// found, announced here already.
int SearchInChild(xo_prob_struct& problem, const SolutionFeed& feed) {
    return SearchUnlocked(problem, feed, false);
}

int RunGlobalSearch(xo_prob_struct& problem) {
    if (t_search || t_child_search) return XO_ERR_BUSY;
    if (problem.Control(XO_SEARCH_PROCESS)) {
        struct Current {
            Current() { t_child_search = true; }
            ~Current() { t_child_search = false; }
        } current;
        // The child's copy of CBC's global state is its own, so searches of
        // different threads need not wait for each other there; the lock is
        // held only while the child is made, so that no copy is taken while
        // this process is inside CBC's driver. (The child never takes it.)
        int status = 0;
        if (RunSearchInChild(problem, SearchInChild, &status, &g_search_mutex)) return status;
    }
    return SearchHere(problem);
}

}  // namespace qtb::opt
