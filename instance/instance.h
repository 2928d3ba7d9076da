// The instance: the table to be rounded (cells, sums, the cell index, counters,
// origin) and the user's rounding options. Both are process-wide state, reached
// by every part of the add-in without being passed around.
//
// Lists are singly linked; new records always go to the head, so list order is
// the reverse of creation order. Files, numbering and logs depend on that order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Cell {
    int32_t row;       // 0-based worksheet row
    int32_t col;       // 0-based worksheet column (0-255)
    int32_t sheet;     // 0-based position of the cell's sheet in sheetNames
    int32_t number;    // cell number: the key of files, solutions and sum terms
    int32_t useCount;  // number of SumTerms that refer to this cell (16 bits would wrap)
    char* name;        // owned, NUL-terminated; may be null
    double nominal;    // original value
    Cell* next;
    double lbd;      // lower bound of the rounded value
    double ubd;      // upper bound of the rounded value
    double lpl;      // lower protection level
    double upl;      // upper protection level
    double spl;      // sliding protection level
    char status;     // 's' not sensitive, 'u' sensitive, 'z' accepted as not sensitive
    double rounded;  // rounded value (nominal until a rounding writes it)
    double auditMin;
    double auditMax;
    int32_t weight;  // weight read from instance files; written as 1
};

struct SumTerm {
    Cell* cell;
    int16_t coef;  // +1 or -1
    SumTerm* next;
};

// One additive equation: the terms times their coefficients add up to zero.
struct Sum {
    int32_t termCount;
    int32_t row;          // row of the total's cell (formula sums); 0 otherwise
    int32_t col;
    int32_t sheet;
    int16_t fromFormula;  // 1 when read from a worksheet formula (written back as it was)
    int16_t found;        // 1 when proposed by the search for typed totals
    SumTerm* terms;
    char* text;           // owned formula text (formula sums), else null
    Sum* next;
};

enum class InstanceOrigin : int32_t {
    Worksheet = 0,     // no instance, or captured by the worksheet scan
    InstanceFile = 1,  // loaded from a .qtb file
    WqFile = 2,        // loaded from a .wq file
    Random = 3,        // random instance
    TestBatch = 4,     // instance of a computational test batch
    DbTable = 5,       // database-style import
};

// Fast lookup of cells, by number or by position (see buildCellIndex).
struct CellIndex;

struct InstanceState {
    Cell* cellList = nullptr;
    Sum* sumList = nullptr;
    CellIndex* cellIndex = nullptr;  // see buildCellIndex
    int32_t ncells = 0;
    int32_t nsums = 0;
    int32_t maxRow = 0;
    int32_t maxCol = 0;
    int32_t sheetCount = 0;
    std::vector<std::string> sheetNames;  // names of the captured workbook's sheets
    int32_t scanSheet = 0;
    InstanceOrigin origin = InstanceOrigin::Worksheet;
    int32_t zeroCount = 0;
    int32_t baseMultipleCount = 0;
    int32_t integerCount = 0;
    int32_t dbFirstRow = 0;
    int32_t dbLastRow = 0;
    int32_t dbFirstCol = 0;
    int32_t dbLastCol = 0;
    double optionsSeconds = 0;
    double maxDeviation = 0;
    int32_t targetSheet = 0;
    int32_t runStartClock = 0;
    int32_t runEndClock = 0;
    int32_t solveStartClock = 0;
    int32_t solveEndClock = 0;
};

struct RoundingOptions {
    double basenumber = 10.0;
    int32_t timelim = 10;  // minutes
    int32_t maxJump = 0;
    int32_t auditing = 1;
    int32_t keepLoaded = 0;
    int32_t randomWeights = 0;
    int32_t actualizePivot = 0;
    // 1: when the time limit ends a search that found a rounding, that
    // rounding is published (marked as not proven optimal) instead of nothing.
    int32_t acceptBest = 0;
    // 1: the random weights are drawn with weightsSeed; 0: with a seed drawn
    // for each run (and logged).
    int32_t weightsSeedSet = 0;
    uint32_t weightsSeed = 0;
    double lbFloor = 0;
    int32_t lbFloorInf = 0;
    double lbDist = 0;
    int32_t lbDistInf = 0;
    double ubCap = 0;
    int32_t ubCapInf = 0;
    double ubDist = 0;
    int32_t ubDistInf = 0;
    double lplValue = 0;
    double uplValue = 0;
    double splValue = 0;
    double lplThreshold = 0;
    int32_t lplAll = 0;
    double uplThreshold = 0;
    int32_t uplAll = 0;
    int32_t setLbd = 0;
    int32_t setUbd = 0;
    int32_t setLpl = 0;
    int32_t setUpl = 0;
    int32_t setSpl = 0;
};

// The one instance and the one set of options of the process.
extern InstanceState gInstance;
extern RoundingOptions gOptions;

// ---- records -------------------------------------------------------------------
// A new cell: every field 0 / null, status 's', weight 1. None when memory is out.
// The caller links it into the CellList.
Cell* newCell();
// Gives the cell an owned copy of `name`; false when memory is out.
bool setCellName(Cell* cell, const char* name);
// An owned copy of `text` for a record's text field (freed with the record).
char* newInstanceText(const char* text);
// A new term for `cell` with `coef`; none when memory is out. Does not touch useCount.
SumTerm* newSumTerm(Cell* cell, int16_t coef, SumTerm* next);

Sum* newSum(int32_t termCount, int32_t row, int32_t col, SumTerm* terms, Sum* next,
            const char* text, int16_t fromFormula);
void freeSum(Sum* sum);
void freeCell(Cell* cell);
void freeSumList();
void freeCellList();
void freeCellIndex();

// ---- the instance ----------------------------------------------------------------
void resetInstance();
void unloadInstance();
// Builds the cell index in the layout the origin selects: by number for .wq
// files, random, test-batch and database-style instances (slot k holds the cell
// numbered k), by position for worksheet and .qtb instances (sheet, row, col).
// With renumber = 1 the cells are first numbered 0, 1, ... in list order.
// 0 success, 1 no memory (alert shown; the previous index is gone).
int buildCellIndex(int renumber);
Cell* findCellByNumber(int32_t number);
// Positional lookup; none outside sheets 0..S (S = sheetCount when the index was
// built), rows 0..maxRow, columns 0..maxCol, or when the index is by number.
Cell* cellAt(int32_t sheet, int32_t row, int32_t col);
// By-number lookup in the index; none when out of range or by position.
Cell* indexedCellByNumber(int32_t number);
// Clears the index slot that holds `cell` (a cell about to be freed).
void removeFromCellIndex(const Cell* cell);
int sumIsBalanced(const Sum* sum);

// Instance records (cells, sums, terms, names, index) still allocated; the
// unload command reports leaks when this is not 0 after a reset.
long instanceRecordsOutstanding();
