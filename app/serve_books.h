// The workbooks as the page shows them: a sheet as a grid of cells with their
// shown values, formulas and number formats; the captured table marked on
// its workbook (cells of an equation, totals, numbers in no equation); a
// rounded copy compared with the workbook it was made from.
#pragma once

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/value.h"

namespace app {

enum class CellMark { Part, Total };

struct TermPosition {
    int sign = 1;  // +1 a part, -1 a total
    int sheet = 0, row = 0, col = 0;
};

// The table the add-in holds, as its instance description tells it.
struct CapturedTable {
    bool present = false;   // cells at worksheet positions are loaded
    std::string origin;     // "worksheet", "db-style table", ...
    int cells = 0, sumCount = 0;
    // (sheet, row, col) of every cell in an equation of two or more terms:
    // Total where it is the total of one, Part otherwise.
    std::map<std::tuple<int, int, int>, CellMark> marks;
    // Every sum in the add-in's order (the order of its equation list), with
    // the positions of its terms.
    std::vector<std::vector<TermPosition>> sums;

    // From the add-in's capture record, which outlives the instance: the
    // numbers the rounding leaves as they are and the formulas it keeps, by
    // sheet name. Without a record (`haveRecord` false) every number of the
    // workbook outside the equations counts as left as it is.
    bool haveRecord = false;
    std::map<std::string, std::vector<host::Rect>> unrounded, kept;
};

// Reads the add-in's instance description (one line per cell and per sum).
// Only instances captured from a workbook give marks.
CapturedTable capturedTable(const std::string& report);

// "'Region x Age'!B2": a cell of a sheet in A1 notation, the sheet quoted as
// the host quotes it.
std::string referenceName(const std::string& sheet, int row, int col);

// Adds what the capture record (QTBTXfCaptureReport: lines "key<TAB>value",
// among them unrounded-range and kept-formula, "Sheet1!B2:D4") says to `t`.
void readCaptureReport(const std::string& report, CapturedTable& t);

// A sum as a person reads it on the workbook: "'Region x Age'!B2 +
// 'Region x Age'!C2 = 'Region x Age'!E2" (parts, then totals).
std::string equationNames(const std::vector<TermPosition>& sum,
                          const std::vector<std::string>& sheetNames);

struct SheetViewOptions {
    const CapturedTable* table = nullptr;  // marks for this sheet; null: none
    std::string original;                  // "[Book]Sheet" this sheet was rounded from
    int maxRows = 5000;                    // rows beyond are left out (truncated)
};

// The sheet `sheetIndex` of `book`: {"book", "sheet", "rows", "cols",
// "truncated", "cells": [{"r", "c", "t" shown text, "k" kind n/s/b/e, "v"
// number, "f" formula, "fmt", "color", "m" part/total/free, "d" moved by,
// "o" original shown}]}. False with `error` when there is no such sheet.
bool sheetView(const std::string& book, int sheetIndex, const SheetViewOptions& options,
               nlohmann::json& view, std::string& error);

}  // namespace app
