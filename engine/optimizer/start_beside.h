// The start heuristic (structured_start.h) on a thread of its own beside a
// global search, and what it hands over: its latest better solution, to be
// taken by the search's own thread whenever it looks.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/optimizer/problem.h"

namespace qtb::opt {

// A source of solutions found outside a search: true with a new one, and the
// seconds from the search's start to its finding.
using SolutionFeed = std::function<bool(std::vector<double>* x, double* found_at)>;

class StartBeside {
  public:
    // Starts the heuristic on the problem's model when the model, its size
    // (XO_START_THREAD_COLUMNS) and the machine qualify; null otherwise.
    // `start` is the search's start on NowSeconds' clock.
    static std::unique_ptr<StartBeside> Start(const xo_prob_struct& problem, double start);
    ~StartBeside();
    StartBeside(const StartBeside&) = delete;
    StartBeside& operator=(const StartBeside&) = delete;

    // Asks the thread to stop, without waiting.
    void RequestStop();
    // Stops the thread and waits for it.
    void Stop();
    // Takes the solution found since the last call, if any, with the seconds
    // from the search's start to its finding.
    bool Take(std::vector<double>* x, double* found_at);
    // The best bound the heuristic has proved (caller's sense), if any.
    bool Bound(double* bound);

  private:
    StartBeside() = default;
    std::atomic<bool> stop_{false};
    std::atomic<bool> pending_{false};
    std::mutex mutex_;
    std::vector<double> x_;
    double found_at_ = 0;
    bool has_bound_ = false;
    double bound_ = 0;
    std::thread thread_;
};

// Whether x holds every row, bound and integrality of the model.
bool SolutionFeasible(const ModelData& model, const std::vector<double>& x);

// sum of obj * x.
double ObjectiveOf(const ModelData& model, const std::vector<double>& x);

}  // namespace qtb::opt
