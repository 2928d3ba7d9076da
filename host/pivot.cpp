// Computing and writing pivot tables.
//
// Layout, from the table's top-left cell: one row per page field (name,
// "(All)") and a blank row when there are page fields; then a title row (the
// data field's name, or "Values" for several, and the column field names),
// one row of item labels per column field, a row of data field names when
// there are several, the row of row field names, one row per combination of
// row items (labels, then the sums per column combination and data field,
// then the row's grand totals), and a "Grand Total" row.
#include <algorithm>
#include <map>

#include "host/address.h"
#include "host/sort.h"
#include "host/workbook.h"

namespace host {

namespace {

struct FieldItems {
    std::vector<std::string> labels;  // sorted
    std::map<std::string, int> index;
};

std::string labelOf(const Value& v) {
    return v.isNil() ? "(blank)" : valueToText(v);
}

int fieldIndex(const std::vector<std::string>& fields, const std::string& name) {
    for (size_t i = 0; i < fields.size(); ++i)
        if (sameText(fields[i], name)) return static_cast<int>(i);
    return -1;
}

}  // namespace

std::vector<std::string> pivotSourceFields(Model& m, const PivotTable& p) {
    std::vector<std::string> fields;
    Sheet* src = m.sheetById(p.sourceSheet);
    if (!src) return fields;
    for (int col = p.source.col1; col <= p.source.col2; ++col)
        fields.push_back(valueToText(m.value(*src, p.source.row1, col)));
    return fields;
}

const PivotTable* pivotAt(const Sheet& s, int row, int col) {
    for (const PivotTable& p : s.pivots)
        if (p.area.contains(row, col)) return &p;
    return nullptr;
}

bool layoutPivot(Model& m, Sheet& dest, PivotTable& p, std::string& error) {
    Sheet* src = m.sheetById(p.sourceSheet);
    if (!src) {
        error = "the source of the pivot table " + p.name + " is not available";
        return false;
    }
    const std::vector<std::string> fields = pivotSourceFields(m, p);
    auto indexes = [&](const std::vector<std::string>& names, std::vector<int>& out) {
        for (const std::string& n : names) {
            int i = fieldIndex(fields, n);
            if (i < 0) {
                error = "the pivot table's source has no field " + n;
                return false;
            }
            out.push_back(i);
        }
        return true;
    };
    std::vector<int> rowIdx, colIdx, pageIdx, dataIdx;
    std::vector<std::string> dataSources;
    for (const PivotDataField& d : p.dataFields) dataSources.push_back(d.source);
    if (!indexes(p.rowFields, rowIdx) || !indexes(p.colFields, colIdx) ||
        !indexes(p.pageFields, pageIdx) || !indexes(dataSources, dataIdx))
        return false;

    // Items of the row and column fields, in sort order.
    const int firstRecord = p.source.row1 + 1, lastRecord = p.source.row2;
    auto itemsOf = [&](int field) {
        std::vector<std::pair<Value, std::string>> seen;
        std::map<std::string, bool> known;
        for (int r = firstRecord; r <= lastRecord; ++r) {
            Value v = m.value(*src, r, p.source.col1 + field);
            std::string label = labelOf(v);
            if (known.emplace(label, true).second) seen.emplace_back(v, label);
        }
        std::stable_sort(seen.begin(), seen.end(), [](const auto& a, const auto& b) {
            if (a.first.isNil() != b.first.isNil()) return b.first.isNil();
            return compareForSort(a.first, b.first, false) < 0;
        });
        FieldItems items;
        for (auto& [v, label] : seen) {
            items.index[label] = static_cast<int>(items.labels.size());
            items.labels.push_back(label);
        }
        return items;
    };
    std::vector<FieldItems> rowItems, colItems;
    for (int f : rowIdx) rowItems.push_back(itemsOf(f));
    for (int f : colIdx) colItems.push_back(itemsOf(f));

    // Sums per (row combination, column combination, data field).
    using Tuple = std::vector<int>;
    std::map<std::pair<Tuple, Tuple>, std::vector<double>> cells;
    std::map<Tuple, bool> rowTuples, colTuples;
    const size_t k = p.dataFields.size();
    for (int r = firstRecord; r <= lastRecord; ++r) {
        Tuple rt, ct;
        for (size_t i = 0; i < rowIdx.size(); ++i)
            rt.push_back(rowItems[i].index[labelOf(m.value(*src, r, p.source.col1 + rowIdx[i]))]);
        for (size_t i = 0; i < colIdx.size(); ++i)
            ct.push_back(colItems[i].index[labelOf(m.value(*src, r, p.source.col1 + colIdx[i]))]);
        rowTuples[rt] = true;
        colTuples[ct] = true;
        auto& sums = cells[{rt, ct}];
        sums.resize(k, 0.0);
        for (size_t d = 0; d < k; ++d) {
            Value v = m.value(*src, r, p.source.col1 + dataIdx[d]);
            if (v.isNum()) sums[d] += v.num;
        }
    }

    const int L = std::max<int>(1, static_cast<int>(rowIdx.size()));
    const int n = static_cast<int>(colIdx.size());
    const int K = std::max<int>(1, static_cast<int>(k));
    const int T = static_cast<int>(colTuples.size());
    const bool grandCols = n > 0 && p.colGrand;
    int lastCol = p.destCol + L - 1 + T * K + (grandCols ? K : 0);
    int pageRows = p.pageFields.empty() ? 0 : static_cast<int>(p.pageFields.size()) + 1;
    int titleRow = p.destRow + pageRows;
    int fieldRow = titleRow + 1 + n + (k > 1 ? 1 : 0);
    int lastRow =
        fieldRow + static_cast<int>(rowTuples.size()) + (p.rowGrand && !rowIdx.empty() ? 1 : 0);
    if (lastRow >= kMaxRows || lastCol >= kMaxCols) {
        error = "the pivot table " + p.name + " does not fit on the sheet";
        return false;
    }

    // Remove the old table, then write the new one.
    std::vector<uint32_t> old;
    for (auto& [key, cell] : dest.cells)
        if (p.area.contains(static_cast<int>(key / kMaxCols), static_cast<int>(key % kMaxCols)))
            old.push_back(key);
    for (uint32_t key : old) dest.cells.erase(key);
    auto put = [&](int row, int col, Value v) { m.setValue(dest, row, col, std::move(v)); };
    for (size_t i = 0; i < p.pageFields.size(); ++i) {
        put(p.destRow + static_cast<int>(i), p.destCol, Value::text(p.pageFields[i]));
        put(p.destRow + static_cast<int>(i), p.destCol + 1, Value::text("(All)"));
    }
    if (k > 0) put(titleRow, p.destCol, Value::text(k == 1 ? p.dataFields[0].name : "Values"));
    for (int i = 0; i < n; ++i) put(titleRow, p.destCol + L + i, Value::text(p.colFields[i]));
    int t = 0;
    for (const auto& [ct, unused] : colTuples) {
        int col = p.destCol + L + t * K;
        for (int i = 0; i < n; ++i)
            put(titleRow + 1 + i, col, Value::text(colItems[i].labels[ct[i]]));
        if (k > 1)
            for (size_t d = 0; d < k; ++d)
                put(titleRow + 1 + n, col + static_cast<int>(d), Value::text(p.dataFields[d].name));
        ++t;
    }
    int grandCol = p.destCol + L + T * K;
    if (grandCols) {
        put(titleRow + 1, grandCol, Value::text("Grand Total"));
        if (k > 1)
            for (size_t d = 0; d < k; ++d)
                put(titleRow + 1 + n, grandCol + static_cast<int>(d),
                    Value::text("Total " + p.dataFields[d].name));
    }
    for (size_t i = 0; i < p.rowFields.size(); ++i)
        put(fieldRow, p.destCol + static_cast<int>(i), Value::text(p.rowFields[i]));

    std::map<Tuple, std::vector<double>> columnTotals;
    std::vector<double> total(k, 0.0);
    int row = fieldRow + 1;
    for (const auto& [rt, unused] : rowTuples) {
        if (rowIdx.empty()) put(row, p.destCol, Value::text("Total"));
        for (size_t i = 0; i < rt.size(); ++i)
            put(row, p.destCol + static_cast<int>(i), Value::text(rowItems[i].labels[rt[i]]));
        std::vector<double> rowTotal(k, 0.0);
        t = 0;
        for (const auto& [ct, unused2] : colTuples) {
            auto it = cells.find({rt, ct});
            if (it != cells.end()) {
                auto& colTotal = columnTotals[ct];
                colTotal.resize(k, 0.0);
                for (size_t d = 0; d < k; ++d) {
                    put(row, p.destCol + L + t * K + static_cast<int>(d),
                        Value::number(it->second[d]));
                    rowTotal[d] += it->second[d];
                    colTotal[d] += it->second[d];
                    total[d] += it->second[d];
                }
            }
            ++t;
        }
        if (grandCols)
            for (size_t d = 0; d < k; ++d)
                put(row, grandCol + static_cast<int>(d), Value::number(rowTotal[d]));
        ++row;
    }
    if (p.rowGrand && !rowIdx.empty()) {
        put(row, p.destCol, Value::text("Grand Total"));
        t = 0;
        for (const auto& [ct, unused] : colTuples) {
            for (size_t d = 0; d < k; ++d)
                put(row, p.destCol + L + t * K + static_cast<int>(d),
                    Value::number(columnTotals[ct].empty() ? 0 : columnTotals[ct][d]));
            ++t;
        }
        if (grandCols)
            for (size_t d = 0; d < k; ++d)
                put(row, grandCol + static_cast<int>(d), Value::number(total[d]));
    }
    p.area = Rect{p.destRow, p.destCol, lastRow, lastCol};
    m.touch(dest);
    return true;
}

}  // namespace host
