// Parsing of R1C1 cell references and of =SUM formulas into their arguments.
#pragma once

#include <string>
#include <vector>

// One row or column part of a reference: relative ("R[-3]", or "R" for 0) or
// absolute ("R5", 1-based).
struct Axis {
    bool absolute = false;
    int value = 0;
    // The 0-based position, seen from the formula cell at `base`.
    int resolve(int base) const { return absolute ? value - 1 : base + value; }
};

struct CellReference {
    bool hasSheet = false;
    std::string sheet;  // without enclosing apostrophes
    Axis row;
    Axis col;
};

// "R[-3]C", "R5C[2]", "Sheet2!R1C1", "'My sheet'!RC[-1]". False when the text
// is not exactly one such reference.
bool parseR1C1Reference(const std::string& text, CellReference& ref);

// Splits "=SUM(a,b,...)" into its arguments. False when the text is not one
// SUM call whose arguments are references or ranges (anything after the
// closing parenthesis, nested calls, constants, strings).
bool splitSumFormula(const std::string& text, std::vector<std::string>& arguments);
