// Sorting a block of cells, as the spreadsheet's sort command does.
#pragma once

#include <string>
#include <vector>

#include "host/workbook.h"

namespace host {

struct SortKey {
    int index = 0;  // the column (sorting rows) or row (sorting columns) that decides
    bool descending = false;
};

struct SortSpec {
    bool byColumns = false;  // false: the rows of the block are reordered
    std::vector<SortKey> keys;
    bool header = false;     // the first row (column) stays in place
    bool matchCase = false;  // texts differing in case only: lower case first
};

// The order of two values in an ascending sort: numbers, then texts, then
// FALSE and TRUE, then error values. Empty cells are not compared here: they
// go last in either direction. Returns <0, 0 or >0.
int compareForSort(const Value& a, const Value& b, bool matchCase);

// Sorts the block in place (stable: equal keys keep their order). Cells move
// with their formulas and number formats.
bool sortBlock(Model& m, Sheet& s, const Rect& block, const SortSpec& spec, std::string& error);

}  // namespace host
