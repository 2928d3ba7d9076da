// Problems whose model is a network (network_form.h), solved by the network
// simplex: their LPs, warm started between solves like CLP's, and their
// global searches when all data are integers, where the LP optimum is an
// integer optimum and no branching is needed.
#pragma once

#include <memory>

#include "engine/optimizer/lp_solver.h"
#include "engine/optimizer/network_form.h"
#include "engine/optimizer/problem.h"

namespace qtb::opt {

class NetworkLp : public LpSolver {
  public:
    NetworkLp(xo_prob_struct& problem, const NetworkForm& form);

    int Sense() const override { return sense_; }
    void SetSense(int sense) override;
    void SetObjective(int col, double value) override;
    // Bounds move supplies and capacities: the next solve starts afresh.
    void SetBounds(int col, double lo, double up) override;
    int Solve(char algorithm) override;

  private:
    // Builds the flow problem; false when a column in no row makes the LP
    // unbounded.
    bool Build();

    xo_prob_struct& p_;
    const NetworkForm& form_;
    int sense_;
    NetworkSimplex flow_{1};
    bool built_ = false;
    bool bounded_ = true;
    bool solved_ = false;
    long cost_changes_ = 0;  // arc costs changed since the last solve
};

// The global search of a network problem with integer data: one network
// simplex solve, whose optimum is reported as the one integer solution and
// as optimal. Calls the log callbacks while it runs, as a search does.
int RunNetworkSearch(xo_prob_struct& problem, const NetworkForm& form);

}  // namespace qtb::opt
