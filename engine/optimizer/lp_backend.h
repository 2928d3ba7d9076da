// The LP of a problem on CLP, kept between solves: objective and bound changes
// go straight into the ClpSimplex, whose basis and factorisation survive, so a
// re-solve after a small change costs a few iterations.
#pragma once

#include <memory>

#include "engine/optimizer/lp_solver.h"
#include "engine/optimizer/message_sink.h"
#include "engine/optimizer/problem.h"
#include "engine/optimizer/status_map.h"

class ClpSimplex;

namespace qtb::opt {

class LpBackend : public LpSolver {
  public:
    // Builds the LP from the problem's model for the problem's current sense.
    explicit LpBackend(xo_prob_struct& problem);
    ~LpBackend() override;
    LpBackend(const LpBackend&) = delete;
    LpBackend& operator=(const LpBackend&) = delete;

    int Sense() const override { return sense_; }
    // Switches the objective sense (all coefficients are rewritten).
    void SetSense(int sense) override;
    // One column's objective coefficient, in the caller's sense.
    void SetObjective(int col, double value) override;
    void SetBounds(int col, double lo, double up) override;

    // Solves with 'd' (dual), 'p' (primal) or 0 (default) for a cold start,
    // and fills the problem's attributes and solution. Returns a status code.
    int Solve(char algorithm) override;

  private:
    class Run;
    void Build();
    MappedStatus SolveOnce(char algorithm, bool warm, Run& run);

    xo_prob_struct& p_;
    MessageSink sink_;  // declared before simplex_: the simplex uses it until destroyed
    std::unique_ptr<ClpSimplex> simplex_;
    int sense_;
    bool solved_ = false;  // a basis from an earlier solve is in place
    bool obj_changed_ = false;
    int obj_changes_ = 0;  // coefficients set since the last solve
    bool bounds_changed_ = false;
};

}  // namespace qtb::opt
