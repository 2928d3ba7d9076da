// The search for totals typed as numbers. It works on a plain picture of the
// workbook (which positions hold numbers of the table, texts, or anything
// else) and proposes equations "total = part + part + ...", where every part
// is a cell next to the previous one in the total's row, column or layout:
//
// - a table is a block of cells between empty rows and columns (one empty
//   row or column inside a block whose numbers line up does not split it);
// - in a table, a row (column) is a total of the rows (columns) just before
//   or just after it when, in its columns (rows), each of its values equals
//   the sum of theirs; a total found this way is itself one part of a total
//   further on, so subtotals, totals of totals and a grand total are seen;
// - a proposal needs evidence: it holds in two or more columns with at least
//   two parts that are not zero, or the total's label says so ("Total",
//   "All", "Sum" in the languages of common office files, or a label less
//   indented than its parts' labels), or the whole run adds up as one tree;
// - rows or columns of whole numbers that look like years (1800-2200) or
//   count 1, 2, 3, ... at the top or left of a table are headers: never a
//   total, never a part;
// - sheets laid out alike (numbers and texts at the same positions) are
//   layers of one table: a sheet can be the total of the sheets before or
//   after it; a table continued on the next sheet under the same column
//   labels is read as one table;
// - a value equal to a sum only within a tolerance is no total, and a total
//   of one part (a copy) is not proposed.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace totals {

struct Spot {
    enum Kind : uint8_t { Number, Text, Other } kind = Other;
    double value = 0;    // Number
    bool typed = false;  // Number without a formula: it may be a total
    std::string text;    // Text
};

struct Pos {
    int32_t sheet = 0, row = 0, col = 0;
    bool operator==(const Pos& o) const { return sheet == o.sheet && row == o.row && col == o.col; }
};

// The non-empty positions of one sheet, by (row, col). Numbers are the
// numbers of the table; anything else that occupies a position (a number
// outside the table, a formula kept as a formula) is Other.
using Sheet = std::map<std::pair<int32_t, int32_t>, Spot>;

struct Proposal {
    Pos total;
    std::vector<Pos> parts;  // in layout order
};

// Proposals for the sheets of a workbook (in workbook order, with their
// names), each total at most once per direction (row, column, sheets).
std::vector<Proposal> findTotals(const std::vector<Sheet>& sheets,
                                 const std::vector<std::string>& names);

// True when a label names a total in one of the languages the search knows.
bool isTotalLabel(const std::string& label);

}  // namespace totals
