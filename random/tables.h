// Random k-dimensional tables with all their marginal totals, turned into a
// complete instance: the values of the internal cells are drawn (with a share
// of zeros), the table is written into the active worksheet one row per cell
// (the category index of every dimension, then the value), one Cell is made
// per internal cell, every marginal total is derived over the internal cells
// it covers, written below them and given its own Sum.
//
// The database-style import uses the same writer and builders with given
// labels and values instead of drawn ones.
//
// Sheet layout: every cell of the table has a sequence position p (internal
// cell i has p = i, the j-th marginal cell p = N + 1 + j, so position N is an
// empty separator row). Positions fill blocks of 65535 rows below a title row;
// block B uses the columns (k + 1) * B ... (k + 1) * B + k, shifted by the
// instance's dbFirstRow / dbFirstCol (0 for random tables).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "instance/instance.h"
#include "random/ranrot.h"
#include "shell/host_texts.h"

// ---- texts shown by the generators --------------------------------------------
inline constexpr char kStatusCantWriteTitles[] = "  Can't write column titles!";
inline constexpr char kStatusLastCellSelected[] = " Last internal cell selected!";
inline constexpr char kAlertTooBigForSheet[] = " Instance too big for worksheet!";
inline constexpr char kAlertWriteTableFailed[] =
    "  Error while trying to write table into workbook!";
inline constexpr char kAlertBuildCellsFailed[] = "  Error while trying to build cell list!";
inline constexpr char kAlertBuildIndexFailed[] =
    "  Error while trying to build up index array of cells!";
inline constexpr char kMessageSumsFailed[] = "Error while creatint sums of table ...";
inline constexpr char kAlertPercentRange[] =
    " Entry of field Percentage of zeros must be between 0 and 100.";
inline constexpr char kAlertToBelowFrom[] = " Entry of field To must be >= entry of field from.";
// Requests the builders refuse before anything is written.
inline constexpr char kAlertCategoryCount[] =
    " Every dimension needs a positive number of categories.";
inline constexpr char kAlertTooManyDimensions[] = " A table can have at most 15 dimensions.";
inline constexpr char kAlertTableTooLarge[] =
    " Table too large: at most 4000000 cells and 16000000 equation terms.";
inline constexpr char kAlertRangeUnusable[] =
    " Entries of fields From and To are out of range for the random values.";
inline constexpr char kAlertGeneratorFailed[] =
    " Random number generator failed its self-test! No table was generated.";
// Shared with the database-style import.
inline constexpr char kAlertOverwriteInstance[] =
    " Existing QTB-instance found! Overwrite (OK) or CANCEL?";
inline constexpr char kAlertNewWorkbookFailed[] = " Unable to open new workbook!";

// The position of the active document in its workbook's sheet list, the sheet
// that receives a table: reads sheetNames and sheetCount and sets targetSheet
// (-1 when the document is not in the list). When no document is active a new
// workbook is opened first if `openWhenNone`. `noWorkbookAlert` (type 2) is
// shown when the sheet list cannot be had. False when no target was found.
bool findTargetSheet(bool openWhenNone, const char* noWorkbookAlert);

// ---- limits ---------------------------------------------------------------------
// One block of the sheet holds this many positions below its title row.
inline constexpr int32_t kBlockPositions = 65535;
inline constexpr int32_t kLastSheetRow = 65535;
inline constexpr int32_t kLastSheetCol = 255;
// The use count of an internal cell (2^k - 1) must fit its 16-bit field.
inline constexpr int kMaxDimensions = 15;
inline constexpr int64_t kMaxTableCells = 4000000;
inline constexpr int64_t kMaxTableTerms = 16000000;

// ---- records of one generation ---------------------------------------------------

// The index tuples: row i holds the 1-based category index of internal cell i
// in every dimension; rows in lexicographic order, dimension 0 slowest.
struct TupleTable {
    int k = 0;
    std::vector<int32_t> dim;
    int32_t count = 0;             // N, the number of rows
    std::vector<int32_t> entries;  // count * k
    int32_t at(int32_t row, int d) const { return entries[size_t(row) * size_t(k) + size_t(d)]; }
};

// How the values of a random table are drawn.
struct TableParams {
    int randint = 1;    // 1: whole numbers from round(from) .. round(to)
    uint32_t seed = 0;  // generator of the values
    double from = 1;
    double to = 50;
    double pzeroinp = 0;    // percentage of zero cells, 0 ... 100
    uint32_t zeroseed = 0;  // generator of the zero positions
};

// Where a sequence position lands on the sheet (may lie beyond it).
struct TablePlace {
    int32_t row = 0;
    int32_t col = 0;
    bool onSheet() const {
        return row >= 0 && row <= kLastSheetRow && col >= 0 && col <= kLastSheetCol;
    }
};
// The label column of dimension d (0 <= d < k), or the value column for d = k.
TablePlace tablePlace(int64_t position, int k, int d);

// Checks a table request before anything is written: positive category
// counts, at most kMaxDimensions dimensions, the size limits, and (when
// `params` is given) the percentage of zeros and the value range. Shows the
// alert of the first problem and returns false.
bool acceptTableRequest(int k, const std::vector<int32_t>& dim, const TableParams* params);

// ---- the builders -------------------------------------------------------------------

// The index tuples of a table; none when a count is not positive, the table is
// too large or memory runs out. For k = 1 the rows are 1, 2, ..., dim[0].
std::optional<TupleTable> enumerateTuples(int k, const std::vector<int32_t>& dim);

// Writes the title row of a block (" Dim 1" ... " Value"); nothing for
// database-style tables. 0 success, 1 failure.
int writeTitles(int k, int block);

enum class TableWriteFailure { None, NoMemory, Titles, NoSheet, BadRequest, Generator };

// Draws the values (or takes `givenValues`), writes labels and values into the
// active sheet and returns the N values; none on failure (`failure` says
// which). `labels`: all category labels, dimension 0 first; null for the
// indexes. Sets maxRow to N and maxCol to k + 1.
std::optional<std::vector<double>> writeTable(const TupleTable& tuples, const TableParams& params,
                                              const std::vector<std::string>* labels,
                                              const std::vector<double>* givenValues,
                                              TableWriteFailure* failure = nullptr);

// Shows the "too big for the worksheet" alert, once per table written; from
// then on nothing more of the table is written.
void reportTableBeyondSheet();
bool tableWritingStopped();

// The values of the internal cells: `rg2` places the zeros, `rg` draws the
// rest in cell order. False when a generator's self-test tripped.
bool drawTableValues(RanrotGenerator& rg, RanrotGenerator& rg2, const TableParams& params,
                     std::vector<double>& values);

// A table cell at the head of the CellList, numbered ncells (then ncells + 1),
// named "cell" + sheet + "_" + row + "_" + col. None when memory runs out.
Cell* newTableCell(int32_t col, int32_t row, int32_t sheet, double nominal, int16_t useCount);

// One Cell per internal cell (cell i gets number i when the instance was
// empty). Returns ncells, or -1 after releasing the instance.
int buildTableCells(const std::vector<double>& values, const TupleTable& tuples);

// The marginal groups: 2^k - 1 rows of k entries (d + 1 where the group keeps
// dimension d, 0 where it sums over it), fewest summed dimensions first, then
// in descending order of the entries. Returns the row count, or -1.
int marginalGroups(int k, std::vector<int32_t>& rows);

// One marginal cell and one Sum per combination of every marginal group,
// totals written below the internal cells; sets keepLoaded. Needs the index
// by number over the internal cells. 0 done (also when the active sheet is
// unknown: then nothing is built), 1 when memory ran out (the instance is
// incomplete).
int buildMarginals(const TupleTable& tuples);

// Selects the value cell of the last internal cell; a status text says so
// when the host accepts.
void selectLastInternalCell(const TupleTable& tuples);

// The whole generation for the random instance dialog and the test runner:
// tuples, table, cells, index, marginals, final numbering. The instance must
// be empty and targetSheet set. 0 done; 1 failed (alert shown, except for
// the silent cases).
int buildRandomInstance(int k, const std::vector<int32_t>& dim, const TableParams& params,
                        InstanceOrigin origin);
