// One global search on CBC and everything it reports while it runs: the
// incumbents (passed on once each), the log points (paced by LogPacer) and the
// stop that a log callback or the time backstop asks for, which is obeyed at
// the next simplex iteration or search event.
//
// Solutions found outside the search (by the start heuristic beside it,
// start_beside.h) can be fed in: they are taken over on the search's own
// thread between nodes, where they become CBC's incumbent (and cutoff), and
// at the end the better of the two is the result.
#pragma once

#include <CbcEventHandler.hpp>
#include <functional>
#include <vector>

#include "engine/optimizer/coin_model.h"
#include "engine/optimizer/log_pacer.h"
#include "engine/optimizer/message_sink.h"
#include "engine/optimizer/problem.h"
#include "engine/optimizer/start_beside.h"

class CbcModel;

namespace qtb::opt {

// The message line saying that the start heuristic found a solution.
void AnnounceStartSolution(xo_prob_struct& p, double objective, double found_at);

class CbcSearch : public IterationObserver {
  public:
    // `announce_feed`: whether a fed solution that is taken over is announced
    // in a message (the feeder may have done so).
    explicit CbcSearch(xo_prob_struct& problem, SolutionFeed feed = {}, bool announce_feed = true);
    ~CbcSearch();

    // Runs the search; `stage` is handed to CBC's driver, which calls it at its
    // stages, and must call OnStage. Returns a status code.
    int Run(int (*stage)(CbcModel*, int));

    // CBC driver stages: 1 after the initial LP, 3 before branch and bound, ...
    void OnStage(CbcModel* model, int where);
    // Every CBC event of the search (sub-searches of heuristics included).
    CbcEventHandler::CbcAction OnEvent(CbcModel* model, CbcEventHandler::CbcEvent event);
    // Every simplex iteration of every LP of the search.
    bool OnIteration(ClpSimplex* simplex) override;

  private:
    // Takes over a solution fed in since the last call; with a model
    // (between nodes), CBC gets it too.
    void TakeFedSolution(CbcModel* model);
    // The walk (violation_walk.h) before the search; its solution becomes the
    // first incumbent.
    void WalkFirst();
    // Hands a solution to CBC as its incumbent when it is better than CBC's.
    void Inject(CbcModel* model, const double* x, double obj);
    // Offers a solution of CBC; passes it on if it is a new incumbent.
    void Offer(const double* x);
    void Snapshot(CbcModel* model);
    // The best bound known (the solver's minimised objective).
    double BestBound(CbcModel& model);
    // Makes the call the pacer asked for; a non-zero return asks to stop.
    void Call(LogPacer::Call call, double now, bool in_lp);
    bool BackstopReached(double now);
    // An objective value of the (minimising) solver in the caller's sense,
    // with anything beyond kInfinity clamped.
    double ToCaller(double internal) const;
    void Finish(CbcModel& model, int* status);

    xo_prob_struct& p_;
    const int n_;
    const int sense_;
    const double start_;
    double backstop_;  // seconds; 0 = none
    LogPacer pacer_;
    MessageSink sink_;
    std::vector<double> obj_;  // the objective the solver minimises
    bool stop_ = false;
    bool failed_ = false;        // something went wrong inside a handler
    int root_lp_ = 0;            // LP status of the root relaxation; 0 = not solved
    double root_obj_ = 0.0;      // its objective, in the caller's sense
    double bound_ = -kInfinity;  // best bound so far, minimised objective
    long iterations_ = 0;
    int active_nodes_ = 0;
    std::vector<double> incumbent_;
    double incumbent_obj_ = 0.0;  // minimised objective of incumbent_
    bool has_incumbent_ = false;
    SolutionFeed feed_;
    bool announce_feed_;
    bool injecting_ = false;  // inside CBC's setBestSolution
    std::vector<double> walk_x_;  // the walk's solution, until CBC has it
    double walk_obj_ = 0;
    bool walk_pending_ = false;
};

}  // namespace qtb::opt
