// The LP kept by a problem between LP solves: objective and bound changes go
// straight into it, so a re-solve after a small change starts from the last
// basis. Two kinds: CLP's simplex for any model (lp_backend.h), and the
// network simplex for models that are networks (network_backend.h).
#pragma once

namespace qtb::opt {

class LpSolver {
  public:
    virtual ~LpSolver() = default;
    virtual int Sense() const = 0;
    // Switches the objective sense (all coefficients are rewritten).
    virtual void SetSense(int sense) = 0;
    // One column's objective coefficient, in the caller's sense; the
    // problem's model already holds it.
    virtual void SetObjective(int col, double value) = 0;
    virtual void SetBounds(int col, double lo, double up) = 0;
    // Solves with 'd' (dual), 'p' (primal) or 0 (default) where the method
    // has a choice, and fills the problem's attributes and solution. Returns
    // a status code.
    virtual int Solve(char algorithm) = 0;
};

}  // namespace qtb::opt
