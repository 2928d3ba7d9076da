// Workbook packages: the zip container as it lies on disk, and the XML parts
// of a package zipped here, so that mutations reach the parts' contents. A
// workbook read is computed, shown in both notations and saved again into its
// own package, and the saved copy reads back with the same sheets and the same
// constants; a copy with a renamed sheet, a new value and a wider column (as
// the interval workbook is made) reads back with those changes.
#include <zip.h>

#include "fuzz/targets.h"
#include "host/address.h"
#include "host/file_kind.h"
#include "host/state.h"

namespace fuzz {

namespace {

// Every cell computed and every formula rendered, as the add-in's scan and
// sum detection ask for them.
void exercise(host::Model& m, host::Workbook& book) {
    for (auto& sheet : book.sheets) {
        if (!host::sheetNameProblem(sheet->name).empty())
            fail("a sheet read has a valid name", sheet->name);
        std::vector<std::pair<int, int>> places;
        for (auto& [key, cell] : sheet->cells)
            places.push_back(
                {static_cast<int>(key / host::kMaxCols), static_cast<int>(key % host::kMaxCols)});
        for (auto [row, col] : places) {
            if (row < 0 || row >= host::kMaxRows) fail("cells lie inside the grid");
            m.value(*sheet, row, col);
            m.formulaText(*sheet, row, col, host::Notation::A1);
            m.formulaText(*sheet, row, col, host::Notation::R1C1);
        }
    }
}

void changedCopy(host::Model& m, host::Workbook& b);

void readAndExercise(const std::string& path) {
    static const std::string copy = scratchPath("copy.xlsx");
    host::Model m;
    std::string error;
    std::unique_ptr<host::Workbook> book = host::readXlsx(m, path, error);
    if (!book) {
        if (error.empty()) fail("a refused workbook says why");
        return;
    }
    host::Workbook* b = m.addWorkbook(std::move(book));
    b->name = "Fuzz";
    exercise(m, *b);
    size_t cells = 0;
    for (auto& s : b->sheets) cells += s->cells.size();
    // Saving takes a few milliseconds; small workbooks are saved every time.
    if (cells > 64) return;
    if (!host::writeXlsx(m, *b, copy, error)) return;
    host::Model again;
    std::unique_ptr<host::Workbook> back = host::readXlsx(again, copy, error);
    if (!back) fail("a saved workbook reads back", error);
    if (back->sheets.size() != b->sheets.size()) fail("a saved workbook keeps its sheets");
    for (size_t i = 0; i < back->sheets.size(); ++i) {
        if (back->sheets[i]->name != b->sheets[i]->name) fail("a saved workbook keeps sheet names");
        for (auto& [key, cell] : b->sheets[i]->cells) {
            if (cell.formula || cell.value.isNil()) continue;
            const host::Cell* other = back->sheets[i]->find(static_cast<int>(key / host::kMaxCols),
                                                            static_cast<int>(key % host::kMaxCols));
            if (!other || other->formula || !(other->value == cell.value))
                fail("a saved workbook keeps its constants", b->sheets[i]->name);
        }
    }
    changedCopy(m, *b);
}

// A copy of every sheet, the first renamed, a text written into its first
// cell and its first column widened: saved and read back with those changes.
void changedCopy(host::Model& m, host::Workbook& b) {
    static const std::string path = scratchPath("changed.xlsx");
    std::vector<host::Sheet*> from;
    for (auto& s : b.sheets) from.push_back(s.get());
    auto made = std::make_unique<host::Workbook>();
    made->name = "Copy";
    made->createdInRun = true;
    host::Workbook* copy = m.addWorkbook(std::move(made));
    m.copySheets(from, *copy, -1);
    host::Sheet& first = *copy->sheets[0];
    const std::string name = "Renamed - p.i.";
    if (!copy->sheetNamed(name)) first.name = name;
    m.setValue(first, 0, 0, host::Value::text("(1,2)"));
    first.widths[0] = first.width(0) + 5;
    first.widthsChanged.insert(0);
    std::string error;
    if (!host::writeXlsx(m, *copy, path, error)) return;
    host::Model again;
    std::unique_ptr<host::Workbook> back = host::readXlsx(again, path, error);
    if (!back) fail("a changed copy reads back", error);
    if (back->sheets.size() != copy->sheets.size() || back->sheets[0]->name != first.name)
        fail("a changed copy keeps its sheets and the new name");
    const host::Cell* a1 = back->sheets[0]->find(0, 0);
    if (!a1 || !(a1->value == host::Value::text("(1,2)")))
        fail("a changed copy holds the value written");
    if (back->sheets[0]->width(0) != first.width(0)) fail("a changed copy keeps the new width");
    m.closeBook(copy);
}

}  // namespace

void xlsxPackage(const uint8_t* data, size_t size) {
    static const std::string path = scratchPath("package.xlsx");
    writeScratch(path, data, size);
    host::fileKind(path);  // tells the kind from any bytes without failing
    readAndExercise(path);
}

// The input is a list of parts, each "@@ NAME" on a line of its own followed
// by the part's bytes up to the next such line.
void xlsxParts(const uint8_t* data, size_t size) {
    static const std::string path = scratchPath("parts.xlsx");
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::pair<std::string, std::string>> parts;
    size_t pos = text.rfind("@@ ", 0) == 0 ? 0 : text.find("\n@@ ");
    if (pos != std::string::npos && pos != 0) ++pos;
    while (pos != std::string::npos) {
        size_t nameEnd = text.find('\n', pos);
        if (nameEnd == std::string::npos) nameEnd = text.size();
        std::string name = text.substr(pos + 3, nameEnd - pos - 3);
        size_t next = text.find("\n@@ ", nameEnd);
        size_t bodyStart = nameEnd < text.size() ? nameEnd + 1 : nameEnd;
        size_t bodyEnd = next == std::string::npos ? text.size() : next;
        parts.push_back({name, bodyStart <= bodyEnd ? text.substr(bodyStart, bodyEnd - bodyStart)
                                                    : std::string()});
        pos = next == std::string::npos ? next : next + 1;
    }
    if (parts.empty()) return;

    int code = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!z) fail("the scratch package can be made");
    for (const auto& [name, body] : parts) {
        zip_source_t* src = zip_source_buffer(z, body.data(), body.size(), 0);
        if (!src) fail("libzip takes a buffer");
        // Names libzip refuses (empty, duplicate) are left out.
        if (zip_file_add(z, name.c_str(), src, 0) < 0) {
            zip_source_free(src);
            continue;
        }
        zip_set_file_compression(z, static_cast<zip_uint64_t>(zip_name_locate(z, name.c_str(), 0)),
                                 ZIP_CM_STORE, 0);
    }
    if (zip_close(z) != 0) {
        zip_discard(z);
        return;
    }
    readAndExercise(path);
}

}  // namespace fuzz
