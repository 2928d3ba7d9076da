// Equations that add up what smaller equations add up already, rewritten in
// terms of those smaller equations' own columns.
//
// A table whose every total is written as the sum of all inner cells it
// covers (as generated and imported tables are) has equations such as
// "grand total = sum of 8,000 inner cells". Subtracting the equations of the
// totals one level down ("row total i = sum of its 400 inner cells", for each
// i) leaves "grand total = sum of the 20 row totals". The rewritten system has
// the same solutions, is far sparser, and has the structure that the network
// recognition and the start heuristics look for (a two-dimensional table
// becomes a network, a three-dimensional one splits into two-dimensional
// slices).
//
// Row R may use row C when C is an equation with fewer elements than R, every
// column of C that R has carries the same coefficient in both, those shared
// columns are not already used by another of R's chosen rows, C shares at
// least two columns with R, and C has fewer columns outside R than inside. A
// set of rows so chosen that covers R is a "family" of R, and R minus a family
// (taken in their original form) is kept when it has fewer elements and every
// coefficient is +1 or -1. A total usually has several families, one per
// dimension it adds up (a row total of a three-dimensional table adds up
// along two): its row becomes the first, and each other family adds a row, so
// that the rewritten table has every line of every dimension, as a table
// written with one-dimensional sums has. Since a row is only ever reduced by
// strictly smaller rows, the rewritten rows span exactly what the original
// ones do.
//
// When the families of the largest total tell the table's dimensions (each
// family cuts the inner cells into the categories of one dimension), the rows
// are ordered by the dimension they add up along, as such a table's rows are:
// the start heuristics then find its two-dimensional slices.
#pragma once

#include <vector>

#include "engine/optimizer/model_data.h"

namespace qtb::opt {

struct RowNesting {
    // A row of the rewritten model: row `from` of the original model minus
    // the original rows `minus`.
    struct Row {
        int from = 0;
        std::vector<int> minus;
    };
    std::vector<Row> rows;  // in the rewritten model's order
    int rewritten = 0;      // original rows that changed
    int added = 0;          // rows beyond the original ones
};

// Rewrites the equations of `model` as above into `nested` (the same columns,
// bounds and objective; rows as `nesting` tells). Returns false, and writes
// nothing, when no row changes.
bool NestRows(const ModelData& model, ModelData* nested, RowNesting* nesting);

// Duals of the original rows (`rows` of them) from duals of the rewritten
// ones.
std::vector<double> OriginalDuals(const RowNesting& nesting, const std::vector<double>& duals,
                                  int rows);

}  // namespace qtb::opt
