// What a cell's formula says about the table: no formula (a typed value), one
// SUM of references, a sum or difference of cells, or something else; and the
// cells it adds, found through the positional cell index.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/sum_formula.h"
#include "instance/instance.h"

struct PlannedTerm {
    Cell* cell;
    int16_t coef;
};

enum class FormulaKind {
    Typed,   // no formula: the cell holds a value typed in
    OneSum,  // =SUM(...) of references: the sum as sum detection has always read it
    Linear,  // references, ranges in SUM and groups added and subtracted
    Other,   // any other formula: no equation, and its cell is no cell of the table
};

struct FormulaPlan {
    FormulaKind kind = FormulaKind::Typed;
    // The parts in the order their terms are made (the sum's list holds them
    // reversed, behind the total). Cells that are not in the instance (empty,
    // text, outside the grid) give no part.
    std::vector<PlannedTerm> parts;
    // A sheet the formula names is not in the workbook (the alert was shown):
    // the equation would miss that sheet's cells, so there is none.
    bool unknownSheet = false;
};

// Reads the formula `text` of `cell` (the host's R1C1 text).
FormulaPlan planFormula(const std::string& text, const Cell* cell);

// Puts the parts of a plan into `sum` (+1 or -1 as planned) and the formula's
// own cell with -1 at the head, raising each cell's use count.
void commitPlan(const FormulaPlan& plan, Sum* sum, Cell* cell);

// Position of a sheet named in a formula, asked of the host in the form
// "[Book]Sheet"; -1 when the host does not know it.
int sheetPositionOf(const std::string& sheetName);

// Adds the cells of the reference or range first:last, seen from `at` on sheet
// position `sheet`, column by column and each column from its top row down.
// False when a sheet it names is unknown (alert shown, nothing added).
bool cellsOfReference(const CellReference& first, const CellReference& last, const Cell* at,
                      int sheet, int16_t coef, std::vector<PlannedTerm>& out);
