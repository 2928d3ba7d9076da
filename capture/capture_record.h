// What a capture from a workbook is asked to do beyond the rounding options
// (search for typed totals, round the numbers in no equation, limit the table
// to ranges), what the scan saw of every sheet, and what became of it: which
// numbers are cells of the table, which formulas keep their formulas, which
// totals were found. The record outlives the instance, so that a front end can
// report it after the rounding has released the instance.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/hostcall.h"
#include "instance/instance.h"

struct GridPos {
    int32_t sheet = 0, row = 0, col = 0;
    bool operator==(const GridPos& o) const {
        return sheet == o.sheet && row == o.row && col == o.col;
    }
};

struct CaptureSettings {
    int findTotals = 0;  // propose typed totals as equations
    int allCells = 0;    // numbers in no equation are rounded as cells of their own
    std::string table;   // "Sheet1!B5:M60,Sheet2!A1:C9"; empty: every sheet whole
};
extern CaptureSettings gCaptureSettings;

// One non-empty position of a scanned sheet.
struct ScannedEntry {
    enum Kind : uint8_t { Number, Text, Other } kind = Other;
    bool formula = false;  // set when sum detection reads a formula there
    std::string text;      // the text of a Text entry
};

struct TableArea {
    int32_t sheet, row1, col1, row2, col2;
};

// Why a formula cell is no cell of the table.
enum class KeptReason {
    NotASum,       // not a sum or difference of cells
    AddsNonTable,  // adds a cell that is not a cell of the table (`via`)
    UnknownSheet,  // names a sheet the workbook does not have
    OutsideTable,  // lies outside the table's ranges
};

struct KeptFormula {
    GridPos at;
    KeptReason reason;
    GridPos via;  // for AddsNonTable
};

struct CaptureRecord {
    bool fromWorkbook = false;  // set by the scan of a workbook
    std::vector<std::string> sheetNames;
    // Per sheet position: the non-empty positions, keyed by gridKey.
    std::vector<std::unordered_map<uint64_t, ScannedEntry>> sheets;
    std::vector<TableArea> tableAreas;  // empty: every sheet whole
    std::vector<GridPos> typedNumbers;  // numbers without a formula, in scan order
    std::vector<KeptFormula> keptFormulas;
    // Filled when sum detection ends (also when it finds no equation).
    bool summarised = false;
    int cells = 0, equations = 0, fromFormulas = 0, found = 0, byHand = 0;
    std::vector<GridPos> unrounded;
    std::vector<std::string> foundTexts;
};
extern CaptureRecord gCapture;

inline uint64_t gridKey(int32_t row, int32_t col) {
    return (uint64_t(uint32_t(row)) << 20) | uint32_t(col);
}

// Starts the record of a new scan of a workbook with these sheets.
void beginCaptureRecord(const std::vector<std::string>& sheetNames);
ScannedEntry* scannedEntry(int32_t sheet, int32_t row, int32_t col);
// True when the position lies in the table's ranges (always without ranges).
bool insideTable(int32_t sheet, int32_t row, int32_t col);

// "Sheet1!B5", "'My sheet'!AA10": a cell as a user names it.
std::string cellAddress(int32_t sheet, int32_t row, int32_t col);
std::string cellAddress(const GridPos& p);
// Cells merged into rectangles, each as "Sheet1!B2:H15" (or "Sheet1!B2"), by
// sheet, then top to bottom.
std::vector<std::string> rangeTexts(std::vector<GridPos> cells);

// The typed numbers of the last scan that are no cell of the instance held now
// (or, once the instance is released, of the instance as sum detection left
// it): the numbers a rounding leaves as they are.
std::vector<GridPos> numbersInNoEquation();

// "Sheet1!E5 = Sheet1!B5 + ... + Sheet1!D5": a found total as the user reads
// it (parts in a row or column shortened, long lists cut).
std::string foundTotalText(const Sum* sum);

// Follows the alert that a capture found no equation.
inline constexpr char kNoEquationsHint[] =
    " Totals must be formulas such as =SUM(B2:B9) or =B2+B3; totals typed as numbers can be "
    "found with Find Totals (--find-totals).";

// Freezes the counts, the numbers left out and the found totals at the end of
// sum detection, and shows them in the status bar.
void summariseCapture();

// Shows `head` followed by the items, in as many status texts as the host's
// 255 characters need.
void showListed(const std::string& head, const std::vector<std::string>& items);

// Reads the resolved table ranges of the settings for the sheets of the
// active workbook into the record. False (alert shown) when a range names no
// sheet or cells of it.
bool resolveTableRanges();

// For front ends (found by name in the loaded add-in): sets one capture
// setting from "name=value" (find-totals=on, all-cells=off,
// table=Sheet1!B5:M60); 0 done, 1 unknown name or value.
QTB_EXPORT int QTBTXfCaptureSetting(const char* assignment);
// The record as lines "key<TAB>value": cells, equations, equations-formulas,
// equations-found, equations-by-hand, unrounded-cells, unrounded-range (one
// line each), kept-formula (one line per range), found (one line per found
// total), summary (the sentence about the numbers left as they are).
QTB_EXPORT const char* QTBTXfCaptureReport(void);
