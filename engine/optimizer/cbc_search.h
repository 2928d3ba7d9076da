// One global search on CBC and everything it reports while it runs: the
// incumbents (passed on once each), the log points (paced by LogPacer) and the
// stop that a log callback or the time backstop asks for, which is obeyed at
// the next simplex iteration or search event.
//
// On large models that split into a network and side rows (tables of three or
// more dimensions), a start heuristic (structured_start.h) runs on a second
// thread beside CBC. Its solutions are taken over on the search's own thread:
// at node events they become CBC's incumbent (and cutoff), and at the end the
// better of the two searches' solutions is the result.
#pragma once

#include <CbcEventHandler.hpp>
#include <memory>
#include <vector>

#include "engine/optimizer/coin_model.h"
#include "engine/optimizer/log_pacer.h"
#include "engine/optimizer/message_sink.h"
#include "engine/optimizer/problem.h"

class CbcModel;

namespace qtb::opt {

class CbcSearch : public IterationObserver {
  public:
    explicit CbcSearch(xo_prob_struct& problem);
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
    struct Beside;
    // Starts the heuristic's thread when the model and the machine qualify.
    void StartBeside();
    // Takes over a solution the heuristic found since the last call; with a
    // model (at a node event), CBC gets it too.
    void TakeBesideSolution(CbcModel* model);
    // Stops the heuristic's thread and waits for it.
    void StopBeside();
    // Whether x holds every row, bound and integrality of the model.
    bool Feasible(const std::vector<double>& x) const;
    // Offers a solution of CBC; passes it on if it is a new incumbent.
    void Offer(const double* x);
    void Snapshot(CbcModel* model);
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
    bool failed_ = false;    // something went wrong inside a handler
    int root_lp_ = 0;        // LP status of the root relaxation; 0 = not solved
    double root_obj_ = 0.0;  // its objective, in the caller's sense
    long iterations_ = 0;
    int active_nodes_ = 0;
    std::vector<double> incumbent_;
    double incumbent_obj_ = 0.0;  // minimised objective of incumbent_
    bool has_incumbent_ = false;
    std::unique_ptr<Beside> beside_;
    bool injecting_ = false;  // inside CBC's setBestSolution
};

}  // namespace qtb::opt
