// The loaded model in the shapes COIN-OR's loaders take: a column-ordered
// matrix and bound arrays with COIN's infinity, objective in the solve's sense.
#pragma once

#include <ClpEventHandler.hpp>
#include <CoinPackedMatrix.hpp>
#include <vector>

#include "engine/optimizer/model_data.h"

namespace qtb::opt {

struct CoinArrays {
    CoinPackedMatrix matrix;  // column ordered
    std::vector<double> col_lo, col_up, obj, row_lo, row_up;
};

// `sense` +1 keeps the objective, -1 negates it (the solvers always minimise).
CoinArrays ToCoin(const ModelData& model, int sense);

// A bound in COIN's terms (+-kInfinity becomes COIN's infinity).
double CoinBound(double v);

// Something that wants to hear of every simplex iteration.
class IterationObserver {
  public:
    virtual ~IterationObserver() = default;
    // `simplex` is the LP iterating. Returns true to stop that LP at once.
    // Must not throw.
    virtual bool OnIteration(ClpSimplex* simplex) = 0;
};

// The CLP event handler passing every end of iteration to an observer. The
// LP keeps a clone, and so do the copies CBC makes; all share the observer.
class IterationEvents : public ClpEventHandler {
  public:
    explicit IterationEvents(IterationObserver* observer) : observer_(observer) {}
    IterationEvents(const IterationEvents& other) = default;
    ClpEventHandler* clone() const override { return new IterationEvents(*this); }
    int event(Event which) override;

  private:
    IterationObserver* observer_;
};

}  // namespace qtb::opt
