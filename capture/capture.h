// Capturing an instance from the spreadsheet: the cell scan, sum detection,
// the database-style import and the add-sums dialog.
#pragma once

#include <string>

#include "host/hostcall.h"
#include "instance/instance.h"

// Cell scan of every sheet of the active workbook. 0 ready, 1 failure.
QTB_EXPORT int fLookup(void);
// Sum detection, options sheet, removal of empty equations and redundant cells,
// attributes from the options. 0 ready, 1 abandoned (instance released).
QTB_EXPORT int fAddsums(void);
// Database-style import of the selected block (also run by the scan when the
// workbook holds a pivot table). 0 built, 1 otherwise.
QTB_EXPORT int QTBTXfPRead(void);
// The add-sums dialog; `previous` is null when opened from the options sheet.
QTB_EXPORT int fSumdialog(XLOPER* previous);

// Fills `sum` from the =SUM formula `text` of `cell` on sheet position `sheet`.
// Returns the sum, or none when the formula is not one SUM over cell
// references (such a formula states no additive equation of its cells).
Sum* parseSumFormula(const char* text, Sum* sum, Cell* cell, int sheet);

// Assigns bounds, protection levels and status to a kept cell from the options.
void assignCellAttributes(Cell* cell);
// The same with the options `o` (their set* flags say what is assigned).
void assignCellAttributesWith(Cell* cell, const RoundingOptions& o);

// State of the add-sums dialog that outlives one showing.
struct SumDialogState {
    int advancedMode = 0;      // the advanced table is in use
    int prevAdvanced = 0;      // the previous showing used the advanced table
    int advancedShowings = 0;  // advanced showings since opened from the options sheet
    std::string lastAdvancedResult[6];  // rows 37..42 as the user last left them
};
extern SumDialogState sumDialogState;
