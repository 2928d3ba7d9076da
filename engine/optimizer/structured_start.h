// First solutions for global searches of models that split into a network
// and side rows (network_split.h), such as tables of three or more
// dimensions, where the search itself may take minutes to find any.
//
// 1. Lagrangian relaxation of the side rows: each multiplier update is one
//    warm network simplex solve of the network part; its solutions hold the
//    network rows and come close to the side rows.
// 2. Those solutions are repaired along cycles of the network part
//    (cycle_repair.h); the best one is kept.
// 3. Exchanges between a few components of the network part: an LP over their
//    columns with everything else fixed. Such an LP is nearly a network and
//    comes out integer; an integer optimum that is cheaper replaces the
//    solution. The split is taken from several starting rows in turn, so that
//    the components lie across the model in different directions.
#pragma once

#include <functional>
#include <vector>

#include "engine/optimizer/model_data.h"

namespace qtb::opt {

struct StartSearch {
    // Minimise sense * objective.
    int sense = 1;
    // Effort: seconds for the multipliers and the exchanges each.
    double lagrange_seconds = 10;
    double exchange_seconds = 20;
    // Polled often; true stops the heuristic.
    std::function<bool()> stop;
    // Called with every solution better than the ones before (column values
    // and the objective in the caller's sense).
    std::function<void(const std::vector<double>&, double)> found;
    // Called with every better bound that the multipliers prove, in the
    // caller's sense (no solution is better than it).
    std::function<void(double)> bound;
};

// Runs the heuristic when the model qualifies; returns whether it found a
// solution.
bool RunStructuredStart(const ModelData& model, const StartSearch& search);

}  // namespace qtb::opt
