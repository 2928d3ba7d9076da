// A first solution for integer models by a walk over single-column changes
// that lowers a weighted sum of row violations (plus, lightly weighted, the
// objective). When no change lowers it, the weights of the violated rows grow,
// so the walk leaves the spot where it is stuck.
//
// It starts from every column at its cheapest value (for a table: every cell
// at its nearest multiple) and needs nothing of the model's structure, so it
// reaches tables of any number of dimensions, where the search itself may
// find nothing for minutes. The walk is deterministic: its effort is counted
// in work units (row entries visited), not seconds, so the same model gives
// the same solution on any machine; a wall-clock cap only guards the caller's
// time limit.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/optimizer/model_data.h"

namespace qtb::opt {

struct WalkSearch {
    // Minimise sense * objective.
    int sense = 1;
    // Work units (row entries visited) the walk may spend; after its first
    // feasible solution it goes on for `improve_share` of what it has spent
    // so far (within the limit), looking for cheaper ones.
    int64_t effort = 0;
    double improve_share = 1.0;
    uint64_t seed = 1;
    // Where the walk starts (rounded into the bounds); empty: every column
    // at its cheapest value.
    std::vector<double> start;
    // Polled now and then; true ends the walk.
    std::function<bool()> stop;
};

struct WalkOutcome {
    bool found = false;
    std::vector<double> x;   // the cheapest feasible solution met
    double objective = 0;    // in the caller's sense
    int64_t work = 0;        // work units spent
    int64_t moves = 0;
    int64_t work_at_found = 0;  // work units spent when the first was met
    // Without a feasible solution: the point with the least total violation
    // met, and that violation.
    std::vector<double> closest;
    double closest_violation = 0;
};

// Whether the walk applies: every column integer with finite bounds, every
// row an equation or inequality.
bool WalkableModel(const ModelData& model);

WalkOutcome RunViolationWalk(const ModelData& model, const WalkSearch& search);

}  // namespace qtb::opt
