// A global search run in a child process, so that it can be ended at any
// moment: parts of CBC's search (a heuristic's sub-search with its own
// preprocessing, some cut generators) report nothing for minutes, and a
// thread cannot be abandoned safely while it runs them.
//
// The child runs the search on its copy of the problem and sends everything
// the callbacks need through a pipe: messages, each new incumbent, and the
// log points with the attributes of the moment. The calling process makes the
// callbacks from those records on its own thread, as an in-process search
// would, and keeps the best incumbent received. The start heuristic runs on a
// thread of the calling process: its solutions count at once, and the child
// takes them over through shared memory as the incumbent of its search. When a log callback, the
// time backstop or a stop request (XO_RequestStop) asks to stop, it tells the child through shared
// memory; a child that has not ended a short grace period later is killed, and the search ends as
// one stopped with the incumbent received last. While the child is silent the calling process makes
// a log callback at least every quarter of a second itself, so the caller's time limit acts
// whatever the search is doing.
#pragma once

#include <functional>
#include <mutex>

#include "engine/optimizer/problem.h"
#include "engine/optimizer/start_beside.h"

namespace qtb::opt {

// Seconds a child may take to end after it was asked to, before it is killed.
inline constexpr double kChildGraceSeconds = 0.5;

// A global search on a problem that leaves its outcome in the problem's
// attributes and solution and returns a status code; it takes over the
// solutions of `feed` (the start heuristic's, announced already).
using ChildSearch = std::function<int(xo_prob_struct& problem, const SolutionFeed& feed)>;

// Runs `search` in a child process, as above, with the start heuristic
// (start_beside.h) on a thread of this process when the problem qualifies;
// `fork_lock` is held while the child is made. False when no child process
// could be started: nothing has run and the caller may run the search itself.
// Otherwise true, with the outcome in the problem and the status code in
// *status.
bool RunSearchInChild(xo_prob_struct& problem, const ChildSearch& search, int* status,
                      std::mutex* fork_lock);

}  // namespace qtb::opt
