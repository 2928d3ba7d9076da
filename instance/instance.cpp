// The instance model: records, lists, the cell index and their release.
#include "instance/instance.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_map>
#include <vector>

#include "shell/host_api.h"

InstanceState gInstance;
RoundingOptions gOptions;

namespace {

// Records still allocated, for the unload command's leak report.
long outstandingRecords = 0;

// Grids up to this many slots get a flat array; larger ones (a table spread
// over a big sheet) a hash map, so memory follows the number of cells.
constexpr size_t kFlatIndexLimit = size_t{1} << 23;
// So do grids with more than this many slots per cell (a few cells far apart,
// as a small file can place them), beyond a first 65536 slots.
constexpr size_t kFlatSlotsPerCell = 8;
constexpr size_t kFlatIndexAlways = size_t{1} << 16;

const char* const kAlertNoIndexMemory = " Not enough memory to create index array!";

char* copyText(const char* text) {
    size_t n = std::strlen(text);
    char* copy = new (std::nothrow) char[n + 1];
    if (copy) {
        std::memcpy(copy, text, n + 1);
        ++outstandingRecords;
    }
    return copy;
}

void freeText(char* text) {
    if (text) {
        delete[] text;
        --outstandingRecords;
    }
}

}  // namespace

struct CellIndex {
    bool byNumber = false;
    int32_t maxRow = 0;
    int32_t maxCol = 0;
    int32_t sheets = 0;  // sheetCount at build time; there are sheets + 1 slabs
    size_t slots = 0;
    std::vector<Cell*> flat;
    std::unordered_map<size_t, Cell*> sparse;

    bool slotOf(int32_t sheet, int32_t row, int32_t col, size_t& slot) const {
        if (byNumber || sheet < 0 || sheet > sheets || row < 0 || row > maxRow || col < 0 ||
            col > maxCol)
            return false;
        slot = (size_t(sheet) * size_t(maxRow + 1) + size_t(row)) * size_t(maxCol + 1) +
               size_t(col);
        return true;
    }
    Cell* get(size_t slot) const {
        if (slot >= slots) return nullptr;
        if (!flat.empty()) return flat[slot];
        auto it = sparse.find(slot);
        return it == sparse.end() ? nullptr : it->second;
    }
    void put(size_t slot, Cell* cell) {
        if (slot >= slots) return;
        if (!flat.empty())
            flat[slot] = cell;
        else if (cell)
            sparse[slot] = cell;
        else
            sparse.erase(slot);
    }
    size_t slotOfCell(const Cell* cell) const {
        size_t slot = slots;
        if (byNumber) {
            if (cell->number >= 0) slot = size_t(cell->number);
        } else if (!slotOf(cell->sheet, cell->row, cell->col, slot)) {
            slot = slots;
        }
        return slot;
    }
};

Cell* newCell() {
    Cell* cell = new (std::nothrow) Cell{};
    if (!cell) return nullptr;
    ++outstandingRecords;
    cell->status = 's';
    cell->weight = 1;
    return cell;
}

bool setCellName(Cell* cell, const char* name) {
    char* copy = copyText(name ? name : "");
    if (!copy) return false;
    freeText(cell->name);
    cell->name = copy;
    return true;
}

char* newInstanceText(const char* text) { return copyText(text ? text : ""); }

SumTerm* newSumTerm(Cell* cell, int16_t coef, SumTerm* next) {
    SumTerm* term = new (std::nothrow) SumTerm{cell, coef, next};
    if (term) ++outstandingRecords;
    return term;
}

Sum* newSum(int32_t termCount, int32_t row, int32_t col, SumTerm* terms, Sum* next,
            const char* text, int16_t fromFormula) {
    Sum* sum = new (std::nothrow) Sum{};
    if (!sum) return nullptr;
    ++outstandingRecords;
    sum->termCount = termCount;
    sum->row = row;
    sum->col = col;
    sum->sheet = 0;
    sum->fromFormula = fromFormula;
    sum->terms = terms;
    sum->next = next;
    if (text) {
        sum->text = copyText(text);
        if (!sum->text) {
            delete sum;
            --outstandingRecords;
            return nullptr;
        }
    }
    return sum;
}

void freeSum(Sum* sum) {
    if (!sum) return;
    SumTerm* term = sum->terms;
    while (term) {
        SumTerm* next = term->next;
        if (term->cell) --term->cell->useCount;
        delete term;
        --outstandingRecords;
        term = next;
    }
    freeText(sum->text);
    delete sum;
    --outstandingRecords;
}

void freeCell(Cell* cell) {
    if (!cell) return;
    freeText(cell->name);
    delete cell;
    --outstandingRecords;
}

void freeSumList() {
    ShowStatus("  Free sum list memory ...");
    Sum* sum = gInstance.sumList;
    while (sum) {
        Sum* next = sum->next;
        freeSum(sum);
        sum = next;
    }
    gInstance.sumList = nullptr;
    ShowStatus("  Sum list memory free ...");
}

void freeCellList() {
    ShowStatus("  Free cell list memory ...");
    Cell* cell = gInstance.cellList;
    while (cell) {
        Cell* next = cell->next;
        freeCell(cell);
        cell = next;
    }
    gInstance.cellList = nullptr;
    ShowStatus("  Cell list memory free ...");
}

namespace {
void releaseIndex() {
    if (gInstance.cellIndex) {
        delete gInstance.cellIndex;
        --outstandingRecords;
        gInstance.cellIndex = nullptr;
    }
}
}  // namespace

void freeCellIndex() {
    ShowStatus("  Free cell-index-array memory ...");
    releaseIndex();
    ShowStatus("  Cell-index-array memory free ...");
}

void resetInstance() {
    // Sums first: freeing a sum touches the cells its terms refer to.
    freeSumList();
    freeCellList();
    freeCellIndex();
    ShowStatus("  Reseting global variables ...");
    InstanceState& s = gInstance;
    s.scanSheet = s.sheetCount = s.ncells = s.nsums = s.maxRow = s.maxCol = 0;
    s.zeroCount = s.baseMultipleCount = s.integerCount = 0;
    s.dbLastCol = s.dbFirstCol = s.dbLastRow = s.dbFirstRow = 0;
    ShowStatus(" Global variables reseted ...");
}

void unloadInstance() {
    resetInstance();
    gInstance.origin = InstanceOrigin::Worksheet;
    gOptions.keepLoaded = 0;
}

int buildCellIndex(int renumber) {
    ShowStatus(" Creating index array for cells...");
    releaseIndex();

    InstanceState& s = gInstance;
    const InstanceOrigin o = s.origin;
    const bool byNumber = o == InstanceOrigin::WqFile || o == InstanceOrigin::Random ||
                          o == InstanceOrigin::TestBatch || o == InstanceOrigin::DbTable;

    CellIndex* index = new (std::nothrow) CellIndex;
    bool ok = index != nullptr;
    if (ok) {
        index->byNumber = byNumber;
        if (byNumber) {
            index->slots = s.ncells > 0 ? size_t(s.ncells) : 0;
        } else {
            index->maxRow = s.maxRow < 0 ? 0 : s.maxRow;
            index->maxCol = s.maxCol < 0 ? 0 : s.maxCol;
            index->sheets = s.sheetCount < 0 ? 0 : s.sheetCount;
            index->slots = size_t(index->maxRow + 1) * size_t(index->maxCol + 1) *
                           size_t(index->sheets + 1);
        }
        const size_t cells = s.ncells > 0 ? size_t(s.ncells) : 0;
        if (index->slots <= kFlatIndexLimit &&
            (index->slots <= kFlatIndexAlways || index->slots / kFlatSlotsPerCell <= cells)) {
            try {
                index->flat.assign(index->slots ? index->slots : 1, nullptr);
            } catch (const std::bad_alloc&) {
                ok = false;
            }
        }
    }
    if (!ok) {
        delete index;
        ShowAlert(kAlertNoIndexMemory, 1);
        return 1;
    }
    ++outstandingRecords;
    s.cellIndex = index;

    int32_t k = 0;
    try {
        for (Cell* cell = s.cellList; cell; cell = cell->next, ++k) {
            if (renumber == 1) cell->number = k;
            index->put(index->slotOfCell(cell), cell);
        }
    } catch (const std::bad_alloc&) {
        releaseIndex();
        ShowAlert(kAlertNoIndexMemory, 1);
        return 1;
    }
    ShowStatus(" Done");
    return 0;
}

Cell* findCellByNumber(int32_t number) {
    for (Cell* cell = gInstance.cellList; cell; cell = cell->next)
        if (cell->number == number) return cell;
    return nullptr;
}

Cell* cellAt(int32_t sheet, int32_t row, int32_t col) {
    const CellIndex* index = gInstance.cellIndex;
    size_t slot;
    if (!index || !index->slotOf(sheet, row, col, slot)) return nullptr;
    return index->get(slot);
}

Cell* indexedCellByNumber(int32_t number) {
    const CellIndex* index = gInstance.cellIndex;
    if (!index || !index->byNumber || number < 0) return nullptr;
    return index->get(size_t(number));
}

void removeFromCellIndex(const Cell* cell) {
    CellIndex* index = gInstance.cellIndex;
    if (!index || !cell) return;
    size_t slot = index->slotOfCell(cell);
    if (index->get(slot) == cell) index->put(slot, nullptr);
}

int sumIsBalanced(const Sum* sum) {
    double total = 0;
    for (const SumTerm* t = sum ? sum->terms : nullptr; t; t = t->next)
        if (t->cell) total += t->coef * t->cell->nominal;
    return total > -0.001 && total < 0.001 ? 1 : 0;
}

long instanceRecordsOutstanding() { return outstandingRecords; }
