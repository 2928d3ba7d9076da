// A model of equations over integer columns, split into a network part and
// the rows beyond it.
//
// Rows are taken in turn (starting at a chosen offset, round the list) into
// the network part while every column stays in at most two of its rows with
// signs that a flip of rows makes opposite; the rest are "side rows". A table
// of three or more dimensions with all its marginal totals splits into its
// two-dimensional slices (the network, one component per slice) and the lines
// across them. The start heuristics work on the network part with the
// network simplex and treat the side rows separately.
#pragma once

#include <memory>
#include <vector>

#include "engine/optimizer/model_data.h"
#include "engine/optimizer/network_form.h"
#include "engine/optimizer/network_simplex.h"

namespace qtb::opt {

struct NetworkSplit {
    int cols = 0;
    std::vector<int> net_rows;   // model rows in the network part
    std::vector<int> side_rows;  // the other rows
    // Per column, its side rows (indices into side_rows) and coefficients.
    std::vector<int> side_start;  // cols + 1 entries
    std::vector<int> side_row;
    std::vector<double> side_coef;
    // The network part as a model of its own (same columns), its form and
    // the flow problem built from it (for the caller's objective).
    ModelData net_model;
    NetworkForm form;
    std::unique_ptr<NetworkSimplex> flow;
    // Per column: the network nodes its arc joins (-1 for fixed columns).
    std::vector<int> tail, head;
    // Per column: its component of the network part (-1 for fixed columns).
    std::vector<int> component;
    int components = 0;
};

// Whether the start heuristics apply at all: equations only, every element
// +1 or -1, every column integer with finite bounds.
bool SplittableModel(const ModelData& model);

// Splits the model, taking rows from `first` on. False when no row is left
// beside the network part (the model is a network) or the model does not
// qualify.
bool SplitByNetwork(const ModelData& model, int first, NetworkSplit* split);

}  // namespace qtb::opt
