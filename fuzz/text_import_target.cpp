// Separated text files: read into one sheet inside the grid, computed, and
// saved again in the same form; the saved text reads back to the same cells.
#include <algorithm>
#include <cmath>

#include "fuzz/targets.h"
#include "host/state.h"

namespace fuzz {

void textImport(const uint8_t* data, size_t size) {
    static const std::string path = scratchPath("input.txt");
    static const std::string copy = scratchPath("copy.txt");
    if (size == 0) return;
    const char delimiters[] = {0, ';', ',', '\t'};
    const char delimiter = delimiters[data[0] % 4];
    writeScratch(path, data + 1, size - 1);

    host::Model m;
    std::string error;
    std::unique_ptr<host::Workbook> book = host::readText(m, path, delimiter, error);
    if (!book) {
        if (error.empty()) fail("a refused text says why");
        return;
    }
    host::Workbook* b = m.addWorkbook(std::move(book));
    if (b->sheets.size() != 1) fail("a text file is one sheet");
    host::Sheet& sheet = *b->sheets[0];
    std::vector<std::pair<int, int>> places;
    for (auto& [key, cell] : sheet.cells)
        places.push_back(
            {static_cast<int>(key / host::kMaxCols), static_cast<int>(key % host::kMaxCols)});
    for (auto [row, col] : places) {
        if (row >= host::kMaxRows) fail("cells lie inside the grid");
        m.value(sheet, row, col);
    }
    host::TextFormat format;
    format.delimiter = delimiter ? delimiter : ';';
    format.decimalComma = format.delimiter != ',';
    if (!host::writeText(m, sheet, copy, format, error)) fail("a read sheet can be saved", error);
    // The saved text holds values only (formulas computed); read back, every
    // cell holds the same value (numbers to the 15 digits that are written).
    host::Model again;
    std::unique_ptr<host::Workbook> back = host::readText(again, copy, format.delimiter, error);
    if (!back) fail("a saved text reads back", error);
    host::Workbook* c = again.addWorkbook(std::move(back));
    for (auto [row, col] : places) {
        const host::Value before = m.value(sheet, row, col);
        const host::Value after = again.value(*c->sheets[0], row, col);
        const std::string where = std::to_string(row) + "," + std::to_string(col);
        if (before.isNum()) {
            if (!after.isNum() ||
                std::fabs(after.num - before.num) > 1e-14 * std::max(1.0, std::fabs(before.num)))
                fail("a number saved as text reads back as that number", where);
        } else if (before.isStr() && !before.str.empty()) {
            if (!after.isStr() || after.str != before.str)
                fail("a text saved reads back as that text", where + ": " + before.str);
        } else if (before.isBool() || before.isErr()) {
            if (after.type != before.type || after.boolean != before.boolean ||
                after.err != before.err)
                fail("a logical or error value saved reads back", where);
        }
    }
}

}  // namespace fuzz
