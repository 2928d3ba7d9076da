// Random tables: the cells of the internal cells, the marginal groups, the
// marginal cells with their sums, and the whole generation of an instance.
#include <algorithm>
#include <cstdio>
#include <new>

#include "gui/driver.h"
#include "random/tables.h"
#include "shell/host_api.h"
#include "shell/host_values.h"

namespace {

bool activeSheetId(uint32_t& id) {
    HostResult ref;
    if (CallHost(xlSheetId, ref.get(), 0) != xlretSuccess || ref.isError()) return false;
    id = sheetIdOf(*ref);
    return true;
}

void writeNumber(uint32_t sheetId, const TablePlace& at, double value) {
    // Once part of the table did not fit, nothing more of it is written.
    if (!at.onSheet() || tableWritingStopped()) {
        reportTableBeyondSheet();
        return;
    }
    RefValue ref(sheetId, at.row, at.col);
    CallHost(xlSet, nullptr, 2, ref.get(), ScratchNumber(value));
}

// The marginal cells and sums of one group, made in the order of its reduced
// tuples: the total of each is the only term of its sum so far.
bool makeGroupTotals(const TupleTable& tuples, const TupleTable& reduced,
                     std::vector<Cell*>& totals, std::vector<Sum*>& sums) {
    InstanceState& s = gInstance;
    const int k = tuples.k;
    for (int32_t m = 0; m < reduced.count; ++m) {
        const TablePlace at = tablePlace(int64_t(tuples.count) + 1 + s.nsums, k, k);
        Cell* total = newTableCell(at.col, at.row, s.targetSheet, 0, 1);
        if (!total) return false;
        Sum* sum = newSum(0, at.row, at.col, nullptr, s.sumList, nullptr, 0);
        if (!sum) return false;
        s.sumList = sum;
        ++s.nsums;
        sum->terms = newSumTerm(total, -1, nullptr);
        if (!sum->terms) return false;
        sum->termCount = 1;
        totals[size_t(m)] = total;
        sums[size_t(m)] = sum;
    }
    return true;
}

// Adds every internal cell to the total of its combination of the kept
// dimensions. Cells are visited in increasing order and put at the head of
// the term lists, so each list ends with its total, and each total adds its
// parts in cell order.
bool addCoveredCells(const TupleTable& tuples, const std::vector<int32_t>& reducedDim,
                     const std::vector<int32_t>& group, std::vector<Cell*>& totals,
                     std::vector<Sum*>& sums) {
    const int k = tuples.k;
    std::vector<int64_t> stride(size_t(k), 1);
    for (int d = k - 2; d >= 0; --d)
        stride[size_t(d)] = stride[size_t(d + 1)] * reducedDim[size_t(d + 1)];
    for (int32_t i = 0; i < tuples.count; ++i) {
        int64_t m = 0;
        for (int d = 0; d < k; ++d)
            if (group[size_t(d)] != 0) m += int64_t(tuples.at(i, d) - 1) * stride[size_t(d)];
        Cell* inner = indexedCellByNumber(i);
        if (!inner) continue;
        Sum* sum = sums[size_t(m)];
        SumTerm* term = newSumTerm(inner, 1, sum->terms);
        if (!term) return false;
        sum->terms = term;
        ++sum->termCount;
        ++inner->useCount;
        totals[size_t(m)]->nominal += inner->nominal;
    }
    return true;
}

}  // namespace

Cell* newTableCell(int32_t col, int32_t row, int32_t sheet, double nominal, int16_t useCount) {
    Cell* cell = newCell();
    if (!cell) return nullptr;
    char name[64];
    std::snprintf(name, sizeof name, "cell%d_%d_%d", sheet, row, col);
    if (!setCellName(cell, name)) {
        freeCell(cell);
        return nullptr;
    }
    InstanceState& s = gInstance;
    cell->number = s.ncells++;
    cell->row = row;
    cell->col = col;
    cell->sheet = sheet;
    cell->nominal = cell->rounded = nominal;
    cell->useCount = useCount;
    cell->next = s.cellList;
    s.cellList = cell;
    return cell;
}

int buildTableCells(const std::vector<double>& values, const TupleTable& tuples) {
    InstanceState& s = gInstance;
    for (int32_t i = 0; i < tuples.count; ++i) {
        const TablePlace at = tablePlace(i, tuples.k, tuples.k);
        if (!newTableCell(at.col, at.row, s.targetSheet, values[size_t(i)], 0)) {
            resetInstance();
            return -1;
        }
    }
    return s.ncells;
}

int marginalGroups(int k, std::vector<int32_t>& rows) {
    if (k < 1 || k > kMaxDimensions) return -1;
    try {
        // Every set of kept dimensions except all of them.
        const int count = (1 << k) - 1;
        std::vector<std::vector<int32_t>> groups;
        groups.reserve(size_t(count));
        for (int kept = 0; kept < count; ++kept) {
            std::vector<int32_t> g(size_t(k), 0);
            for (int d = 0; d < k; ++d)
                if (kept & (1 << (k - 1 - d))) g[size_t(d)] = d + 1;
            groups.push_back(std::move(g));
        }
        auto summed = [](const std::vector<int32_t>& g) {
            return std::count(g.begin(), g.end(), 0);
        };
        std::sort(groups.begin(), groups.end(), [&](const auto& a, const auto& b) {
            if (summed(a) != summed(b)) return summed(a) < summed(b);
            return a > b;  // the first differing entry decides, the larger first
        });
        rows.clear();
        rows.reserve(size_t(count) * size_t(k));
        for (const auto& g : groups) rows.insert(rows.end(), g.begin(), g.end());
        return count;
    } catch (const std::bad_alloc&) {
        gui::messageBox(kMessageSumsFailed);
        return -1;
    }
}

int buildMarginals(const TupleTable& tuples) {
    uint32_t sheetId = 0;
    if (!activeSheetId(sheetId)) return 0;
    const int k = tuples.k;
    std::vector<int32_t> rows;
    const int groupCount = marginalGroups(k, rows);
    if (groupCount < 0) return 0;
    try {
        for (int g = 0; g < groupCount; ++g) {
            const std::vector<int32_t> group(rows.begin() + g * k, rows.begin() + (g + 1) * k);
            std::vector<int32_t> reducedDim(size_t(k), 1);
            for (int d = 0; d < k; ++d)
                if (group[size_t(d)] != 0) reducedDim[size_t(d)] = tuples.dim[size_t(d)];
            std::optional<TupleTable> reduced = enumerateTuples(k, reducedDim);
            if (!reduced) return 1;
            std::vector<Cell*> totals(size_t(reduced->count), nullptr);
            std::vector<Sum*> sums(size_t(reduced->count), nullptr);
            const int64_t first = int64_t(tuples.count) + 1 + gInstance.nsums;
            if (!makeGroupTotals(tuples, *reduced, totals, sums) ||
                !addCoveredCells(tuples, reducedDim, group, totals, sums))
                return 1;
            for (int32_t m = 0; m < reduced->count; ++m) {
                Cell* total = totals[size_t(m)];
                total->rounded = total->nominal;
                // Labels: the kept dimensions' indexes, 0 for the summed ones.
                for (int d = 0; d < k; ++d)
                    writeNumber(sheetId, tablePlace(first + m, k, d),
                                group[size_t(d)] != 0 ? reduced->at(m, d) : 0);
                writeNumber(sheetId, tablePlace(first + m, k, k), total->nominal);
            }
        }
    } catch (const std::bad_alloc&) {
        return 1;
    }
    gOptions.keepLoaded = 1;
    return 0;
}

void selectLastInternalCell(const TupleTable& tuples) {
    uint32_t sheetId = 0;
    const TablePlace at = tablePlace(int64_t(tuples.count) - 1, tuples.k, tuples.k);
    if (tuples.count < 1 || !at.onSheet() || !activeSheetId(sheetId)) return;
    RefValue ref(sheetId, at.row, at.col);
    if (CallHost(xlcSelect, nullptr, 1, ref.get()) == xlretSuccess)
        ShowStatus(kStatusLastCellSelected);
}

int buildRandomInstance(int k, const std::vector<int32_t>& dim, const TableParams& params,
                        InstanceOrigin origin) {
    if (!acceptTableRequest(k, dim, &params)) return 1;
    std::optional<TupleTable> tuples = enumerateTuples(k, dim);
    if (!tuples) return 1;
    TableWriteFailure why = TableWriteFailure::None;
    std::optional<std::vector<double>> values = writeTable(*tuples, params, nullptr, nullptr, &why);
    if (!values) {
        ShowAlert(
            why == TableWriteFailure::Generator ? kAlertGeneratorFailed : kAlertWriteTableFailed,
            2);
        return 1;
    }
    selectLastInternalCell(*tuples);
    if (buildTableCells(*values, *tuples) < 0) {
        ShowAlert(kAlertBuildCellsFailed, 2);
        return 1;
    }
    gInstance.origin = origin;
    if (buildCellIndex(0) != 0) {
        ShowAlert(kAlertBuildIndexFailed, 2);
        return 1;
    }
    if (buildMarginals(*tuples) != 0) {
        // An incomplete set of totals would state wrong equations.
        ShowAlert(kAlertBuildCellsFailed, 2);
        resetInstance();
        return 1;
    }
    freeCellIndex();
    if (buildCellIndex(1) != 0) {
        ShowAlert(kAlertBuildIndexFailed, 2);
        return 1;
    }
    return 0;
}
