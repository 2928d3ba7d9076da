// The database-style import: a selected block of rows, each holding a table
// cell's category in every dimension (the first columns) and its value (the
// last column), becomes the cross-classified table with all its marginal
// totals, written into a copy of the sheet, and an instance.
//
// The three passes below read the block on the active sheet (the copy) with
// the host's sort; the block's bounds are the instance's dbFirstRow ...
// dbLastCol, so k = dbLastCol - dbFirstCol is the number of dimensions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

inline constexpr char kAlertSelectOneBlock[] = " Please do select only one block of cells.";
inline constexpr char kAlertSelectSourceData[] =
    "  Please select the source data for the table to round.\n See Help-file for more "
    "information.";
inline constexpr char kAlertCopyFailed[] = "  Unable to make a copy original workbook.";
inline constexpr char kAlertVariousValues[] =
    "  Table contains various values for one cell! "
    "Current line: ";

struct DbCategories {
    std::vector<int32_t> dim;  // distinct labels per label column
    int header = 0;            // 1 when the first row of the block is a header
};

// Counts the distinct labels of every label column (sorting the data rows by
// each column in turn). None when a host call fails or a label is neither a
// number nor a text.
std::optional<DbCategories> countCategories();

// The category names: those of dimension 0 first, each dimension in the
// host's ascending order. Leaves the rows sorted by column 0, descending.
std::optional<std::vector<std::string>> readCategoryNames(const DbCategories& categories);

// The table values in the order of the index tuples, 0 where no row names a
// combination. None when a value is not a number, or (with an alert naming
// the row) when two rows name the same combination.
std::optional<std::vector<double>> readTableValues(const DbCategories& categories,
                                                   const std::vector<std::string>& names);
