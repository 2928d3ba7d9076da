// Reading a formula that adds and subtracts cells: references, ranges inside
// SUM(...), and parenthesised groups, each with the sign +1 or -1, such as
// =R[-8]C+R[-7]C, =SUM(R[-8]C:R[-1]C)-R[-5]C or =Sheet2!R7C2+Sheet3!R7C2
// (R1C1 text as the host gives it under the international flag).
#pragma once

#include <string>
#include <vector>

#include "capture/sum_formula.h"

// One signed reference of a linear formula: one cell, or a range (a range is
// read only as an argument of SUM, where it means the sum of its cells).
struct LinearItem {
    int sign = 1;  // +1 or -1
    CellReference first;
    CellReference last;  // equal to `first` for a single cell
    bool range = false;
};

// Splits a formula into its signed references, in the order written. False
// when the formula is anything else: constants, other functions or
// operators, a range outside SUM, nesting deeper than a formula needs.
bool parseLinearFormula(const std::string& text, std::vector<LinearItem>& items);
