// The three passes of the database-style import over the selected block:
// counting the categories, reading their names, reading the values.
#include <new>
#include <unordered_map>

#include "capture/db_import.h"
#include "instance/instance.h"
#include "shell/host_api.h"
#include "shell/host_texts.h"
#include "shell/host_values.h"

namespace {

// The block on the active sheet, as the passes see it.
struct Block {
    uint32_t sheetId = 0;
    int firstRow = 0, lastRow = 0, firstCol = 0, lastCol = 0;
    int header = 0;
    int k() const { return lastCol - firstCol; }
    int firstDataRow() const { return firstRow + header; }
    bool hasData() const { return firstDataRow() <= lastRow; }
};

// The block from the instance's bounds and the active sheet's id (an alert
// when the id cannot be had; the pass goes on).
Block currentBlock(int header) {
    const InstanceState& s = gInstance;
    Block b;
    b.firstRow = s.dbFirstRow;
    b.lastRow = s.dbLastRow;
    b.firstCol = s.dbFirstCol;
    b.lastCol = s.dbLastCol;
    b.header = header;
    HostResult id;
    if (CallHost(xlSheetId, id.get(), 0) != xlretSuccess || id.isError())
        ShowAlert(kAlertNoSheetId, 1);
    else
        b.sheetId = sheetIdOf(*id);
    return b;
}

bool selectDataArea(const Block& b) {
    RefValue area(b.sheetId, b.firstDataRow(), b.lastRow, b.firstCol, b.lastCol);
    return CallHost(xlcSelect, nullptr, 1, area.get()) == xlretSuccess;
}

// Sorts the selected rows by one label column, as the three keys, without
// header, case-sensitive.
bool sortByColumn(const Block& b, int column, bool descending) {
    RefValue key(b.sheetId, b.firstDataRow(), b.firstCol + column);
    XLOPER* order = ScratchNumber(descending ? 2 : 1);
    return CallHost(xlcSort, nullptr, 10, ScratchNumber(1), key.get(), order, key.get(), order,
                    key.get(), order, ScratchNumber(2), ScratchNumber(1),
                    ScratchBool(true)) == xlretSuccess;
}

// The text of a label cell; false when it is empty, logical, an error, or a
// host call fails.
bool labelText(const Block& b, int row, int column, std::string& text) {
    RefValue ref(b.sheetId, row, b.firstCol + column);
    HostResult value;
    if (CallHost(xlCoerce, value.get(), 1, ref.get()) != xlretSuccess) return false;
    const int type = value.type();
    if (type != xltypeNum && type != xltypeInt && type != xltypeStr) return false;
    HostResult asText;
    if (CallHost(xlCoerce, asText.get(), 2, value.get(), ScratchInt(xltypeStr)) != xlretSuccess ||
        asText.type() != xltypeStr)
        return false;
    text = textOf(*asText);
    return true;
}

}  // namespace

std::optional<DbCategories> countCategories() {
    Block b = currentBlock(0);
    {
        RefValue first(b.sheetId, b.firstRow, b.lastCol);
        HostResult value;
        if (CallHost(xlCoerce, value.get(), 1, first.get()) != xlretSuccess) return {};
        b.header = value.type() == xltypeStr ? 1 : 0;
    }
    DbCategories result;
    result.header = b.header;
    result.dim.assign(size_t(b.k()), 0);
    if (!b.hasData()) return result;
    if (!selectDataArea(b)) return {};
    for (int j = b.k() - 1; j >= 0; --j) {
        if (!sortByColumn(b, j, false)) return {};
        std::string previous, text;
        for (int row = b.firstDataRow(); row <= b.lastRow; ++row) {
            if (!labelText(b, row, j, text)) return {};
            if (row == b.firstDataRow() || text != previous) ++result.dim[size_t(j)];
            previous = text;
        }
    }
    return result;
}

std::optional<std::vector<std::string>> readCategoryNames(const DbCategories& categories) {
    Block b = currentBlock(categories.header);
    if (!selectDataArea(b)) return {};
    size_t total = 0;
    for (int32_t n : categories.dim) total += size_t(n);
    std::vector<std::string> names(total);
    // Filled from the end: the last dimension first, each read in descending order.
    size_t fill = total;
    for (int j = b.k() - 1; j >= 0; --j) {
        if (!sortByColumn(b, j, true)) return {};
        std::string previous, text;
        for (int row = b.firstDataRow(); row <= b.lastRow; ++row) {
            if (!labelText(b, row, j, text)) return {};
            if (row == b.firstDataRow() || text != previous) {
                // More names than counted would mean the sheet changed between passes.
                if (fill == 0) return {};
                names[--fill] = text;
            }
            previous = text;
        }
    }
    return names;
}

std::optional<std::vector<double>> readTableValues(const DbCategories& categories,
                                                   const std::vector<std::string>& names) {
    Block b = currentBlock(categories.header);
    if (!selectDataArea(b)) return {};
    const int k = b.k();
    int64_t n = 1;
    for (int32_t d : categories.dim) n *= d;
    std::vector<double> values(size_t(n), 0.0);
    std::vector<char> filled(size_t(n), 0);
    // Label lookup per dimension; the first of equal names wins.
    auto index = std::vector<std::unordered_map<std::string, int64_t>>(size_t(k));
    size_t offset = 0;
    for (int j = 0; j < k; ++j) {
        for (int32_t t = 0; t < categories.dim[size_t(j)]; ++t)
            index[size_t(j)].emplace(names[offset + size_t(t)], t);
        offset += size_t(categories.dim[size_t(j)]);
    }
    for (int row = b.firstDataRow(); row <= b.lastRow; ++row) {
        int64_t position = 0, stride = n;
        std::string text;
        for (int j = 0; j < k; ++j) {
            stride /= categories.dim[size_t(j)];
            if (!labelText(b, row, j, text)) return {};
            auto found = index[size_t(j)].find(text);
            if (found != index[size_t(j)].end()) position += found->second * stride;
        }
        RefValue cell(b.sheetId, row, b.lastCol);
        HostResult value;
        double number = 0;
        if (CallHost(xlCoerce, value.get(), 1, cell.get()) != xlretSuccess ||
            !numberOf(*value, number))
            return {};
        if (filled[size_t(position)]) {
            std::string alert = kAlertVariousValues + std::to_string(row + 1) + "!";
            ShowAlert(alert.c_str(), 2);
            return {};
        }
        filled[size_t(position)] = 1;
        values[size_t(position)] = number;
    }
    return values;
}
