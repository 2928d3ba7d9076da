// The analysis of test logs works on the log opened as a worksheet through
// the host. These are the steps both analyses share and small cell helpers.
#pragma once

#include <cstdint>
#include <string>

#include "host/hostcall.h"

class HostResult;

namespace batch {

// The opened log: its sheet's document name and id, and the last used cell.
struct LogSheet {
    std::string name;
    uint32_t id = 0;
    int lastRow = 0;
    int lastCol = 0;
};

// Asks for the log file, opens it as semicolon-separated text and sorts its
// rows below the title by the test number. A bias log keeps its base number
// line last. False when the command ends (cancelled, or alert shown).
bool openSortedLog(const char* filter, bool bias, LogSheet& log);

// ---- cells of a sheet (ids from xlSheetId) ------------------------------------------
// Cells beyond the sheet (rows 0 ... 65535, columns 0 ... 255) are neither read
// nor written: these helpers then return false.

// The value of a cell, as the host computes it, into `value` (released by the
// caller's HostResult). False when the host gives none.
bool cellValue(uint32_t sheetId, int row, int col, HostResult& value);
// A number in a cell; false for any other content.
bool cellNumber(uint32_t sheetId, int row, int col, double& number);
bool writeNumber(uint32_t sheetId, int row, int col, double number);
bool writeText(uint32_t sheetId, int row, int col, const std::string& text);
// A value as the host gave it (a number, text or error value).
bool writeValue(uint32_t sheetId, int row, int col, const XLOPER& value);
// A formula in R1C1 notation with the international flag.
bool writeFormula(uint32_t sheetId, int row, int col, const std::string& formula);
// Copies the cells of one row, columns 0 ... lastCol.
bool copyRow(uint32_t fromId, int fromRow, uint32_t toId, int toRow, int lastCol);

// The id of a sheet named "[Book]Sheet" (or a document name).
bool sheetIdNamed(const std::string& name, uint32_t& id);
// A number as it names a test: whole numbers without decimals.
std::string testNumberText(double number);

}  // namespace batch
