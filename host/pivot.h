// Pivot tables: a cross-tabulation of a source list (first row: field names)
// into a destination area, by row, column and page fields, with the sums of
// one or more data fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/value.h"

namespace host {

class Model;
class Sheet;

struct PivotDataField {
    std::string name;    // e.g. "Sum of Value"
    std::string source;  // the source field, e.g. "Value"
};

struct PivotTable {
    std::string name;
    uint32_t sourceSheet = 0;      // 0 when the source is only known as text
    Rect source;                   // header row included
    std::string sourceText;        // the source as read from a file when not resolved
    int destRow = 0, destCol = 0;  // top-left cell of the table
    Rect area;                     // cells the table occupies now
    bool rowGrand = true, colGrand = true;
    std::vector<std::string> rowFields, colFields, pageFields;
    std::vector<PivotDataField> dataFields;
};

// The field names of the source list (the text of its first row).
std::vector<std::string> pivotSourceFields(Model& m, const PivotTable& p);

// Clears the table's old area and writes it anew from its source into `dest`.
// Fails with a message when a field is not in the source or the table would
// leave the sheet.
bool layoutPivot(Model& m, Sheet& dest, PivotTable& p, std::string& error);

// The pivot table of the sheet whose area holds the cell, or null.
const PivotTable* pivotAt(const Sheet& s, int row, int col);

}  // namespace host
