// Recognising a loaded model as a minimum-cost flow problem, and moving
// between the two.
//
// A model is a network when, after flipping the signs of some rows, every
// column that is not fixed has at most one +1 and at most one -1 among its
// elements and no other values. Each row is then a node (its equation says
// flow out minus flow in equals its right-hand side), each column an arc, and
// one extra node closes the arcs of columns with a single element and the
// slacks of inequality rows. Tables with two dimensions and their totals are
// such models: every cell lies in one row sum and one column sum.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/optimizer/model_data.h"
#include "engine/optimizer/network_simplex.h"

namespace qtb::opt {

inline constexpr int kFixedColumn = -1;
inline constexpr int kLooseColumn = -2;

struct NetworkForm {
    int rows = 0;  // nodes 0 .. rows-1; node `rows` closes single-element arcs
    std::vector<int8_t> row_sign;
    // Per column: its arc, or kFixedColumn (the value is its bound) or
    // kLooseColumn (in no row: the value is the cheaper bound); whether the
    // flow runs against the column (x = upper bound - flow) or with it
    // (x = lower bound + flow). Bounds are read from the model when the flow
    // problem is built, so that bound changes need no new recognition unless
    // they fix or free a column.
    std::vector<int> col_arc;
    std::vector<int8_t> col_flip;
    // Per row: the arc of its slack, or -1 for equations.
    std::vector<int> row_slack;
    bool integral = false;  // all right-hand sides and finite bounds are integers
};

// Fills `form` when `model` is a network; false otherwise (nothing is built
// for models of any other shape, or with a free column in some row).
bool RecogniseNetwork(const ModelData& model, NetworkForm* form);

// The flow problem of a recognised model, minimising `sense` times its
// objective: arcs, capacities, costs and supplies. Columns in no row take the
// cheaper of their bounds; false when that bound is infinite (unbounded).
bool BuildFlowProblem(const ModelData& model, const NetworkForm& form, int sense,
                      NetworkSimplex* flow);

// The cost of a column's arc for its objective coefficient `obj` (caller's
// sense): objective changes go straight into the flow problem.
double ArcCost(const NetworkForm& form, int sense, int col, double obj);

// Column values of the flow's solution.
void ColumnValues(const ModelData& model, const NetworkForm& form, const NetworkSimplex& flow,
                  int sense, std::vector<double>* x);
// Row duals and reduced costs (caller's sense) from the flow's potentials.
void DualValues(const ModelData& model, const NetworkForm& form, const NetworkSimplex& flow,
                int sense, std::vector<double>* duals, std::vector<double>* dj);

}  // namespace qtb::opt
