// The C++ face of the host: workbooks, sheets and cells for the program,
// front ends and tests.
#include "host/host.h"

#include <algorithm>
#include <filesystem>

#include "host/address.h"
#include "host/dispatch.h"

namespace host {

namespace {

Model& model() {
    return state().model;
}

Workbook* bookOrError(const std::string& name, std::string& error) {
    Workbook* b = name.empty() ? model().activeBook() : model().bookNamed(name);
    if (!b) error = name.empty() ? "no workbook is open" : "there is no workbook named " + name;
    return b;
}

// The cells a reference text names (one or more areas on one sheet).
bool cellsOf(const std::string& ref, Sheet*& s, std::vector<Rect>& areas, std::string& error) {
    return parseReferenceText(ref, false, s, areas, error);
}

}  // namespace

std::string newWorkbook() {
    return model().newWorkbook(3)->name;
}

bool openWorkbook(const std::string& path, std::string& error, const OpenOptions& options) {
    return openFile(path, options.delimiter, error);
}

bool saveWorkbook(const std::string& book, const std::string& path, std::string& error) {
    Workbook* b = bookOrError(book, error);
    if (!b) return false;
    // Said plainly here: the writer would only report that it cannot create the file.
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code ec;
    if (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
        error = "The workbook " + book + " cannot be saved as " + path + ": there is no folder " +
                folder.string() + ".";
        return false;
    }
    return saveFile(*b, path, error);
}

bool saveNewWorkbooks(const std::string& folder, std::vector<std::string>& saved,
                      std::string& error) {
    saved.clear();
    std::vector<std::string> names = unsavedWorkbooks();
    std::error_code ec;
    if (!names.empty() && !folder.empty()) std::filesystem::create_directories(folder, ec);
    for (const std::string& name : names) {
        std::string path = (std::filesystem::path(folder) / (name + ".xlsx")).string();
        if (!saveWorkbook(name, path, error)) return false;
        saved.push_back(path);
    }
    return true;
}

std::string workbookExtension(const std::string& book) {
    Workbook* b = model().bookNamed(book);
    return b && b->package && b->package->macros ? ".xlsm" : ".xlsx";
}

std::vector<std::string> uncomputedResults(const std::string& book) {
    Workbook* b = model().bookNamed(book);
    return b ? model().uncomputed(*b) : std::vector<std::string>{};
}

std::vector<std::string> cachesLeftToRebuild(const std::string& book) {
    Workbook* b = model().bookNamed(book);
    return b ? b->cachesCleared : std::vector<std::string>{};
}

bool closeWorkbook(const std::string& book, std::string& error) {
    Workbook* b = bookOrError(book, error);
    if (!b) return false;
    model().closeBook(b);
    return true;
}

std::vector<std::string> windows() {
    std::vector<std::string> out;
    for (auto& b : model().windows) out.push_back(b->name);
    return out;
}

std::vector<std::string> workbooksInOrderMade() {
    std::vector<Workbook*> books;
    for (auto& b : model().windows) books.push_back(b.get());
    std::sort(books.begin(), books.end(),
              [](const Workbook* a, const Workbook* b) { return a->serial < b->serial; });
    std::vector<std::string> out;
    for (Workbook* b : books) out.push_back(b->name);
    return out;
}

std::vector<std::string> sheetNames(const std::string& book) {
    std::vector<std::string> out;
    std::string ignored;
    if (Workbook* b = bookOrError(book, ignored))
        for (auto& s : b->sheets) out.push_back(s->name);
    return out;
}

std::string activeWorkbook() {
    Workbook* b = model().activeBook();
    return b ? b->name : "";
}

std::string activeSheet() {
    Sheet* s = model().activeSheet();
    return s ? s->name : "";
}

bool activateWorkbook(const std::string& book, std::string& error) {
    Workbook* b = bookOrError(book, error);
    if (!b) return false;
    model().activate(b);
    return true;
}

bool workbookChanged(const std::string& book) {
    std::string error;
    const Workbook* b = bookOrError(book, error);
    return b != nullptr && b->dirty;
}

bool holdsPivotTable(const std::string& book) {
    std::string error;
    const Workbook* b = bookOrError(book, error);
    if (!b) return false;
    for (const auto& s : b->sheets)
        if (!s->pivots.empty()) return true;
    return false;
}

bool selectSheet(const std::string& sheet, std::string& error) {
    Sheet* s = model().findSheet(sheet);
    if (!s) {
        error = "there is no sheet named " + sheet;
        return false;
    }
    model().activate(s->book);
    s->book->active = s->book->indexOf(s);
    return true;
}

bool selectRange(const std::string& areas, std::string& error) {
    Sheet* s = nullptr;
    std::vector<Rect> rects;
    if (!cellsOf(areas, s, rects, error)) return false;
    if (s != model().activeSheet()) {
        model().activate(s->book);
        s->book->active = s->book->indexOf(s);
    }
    s->selection = rects;
    s->activeRow = rects[0].row1;
    s->activeCol = rects[0].col1;
    return true;
}

std::string selectionText() {
    Sheet* s = model().activeSheet();
    if (!s) return "";
    std::string out = sheetPrefix(s->name);
    for (size_t i = 0; i < s->selection.size(); ++i)
        out += (i ? "," : "") + a1Rect(s->selection[i]);
    return out;
}

bool workbookOrigin(const std::string& book, WorkbookOrigin& out, std::string& error) {
    Workbook* b = bookOrError(book, error);
    if (!b) return false;
    out.path = b->path;
    out.copiedFrom = b->copiedFrom;
    out.createdInRun = b->createdInRun;
    out.changed = b->dirty;
    return true;
}

std::vector<std::string> unsavedWorkbooks() {
    std::vector<std::string> out;
    for (auto& b : model().windows)
        if (b->createdInRun && (b->dirty || b->path.empty())) out.push_back(b->name);
    return out;
}

bool readCell(const std::string& ref, CellInfo& out, std::string& error) {
    Sheet* s = nullptr;
    std::vector<Rect> areas;
    if (!cellsOf(ref, s, areas, error)) return false;
    int row = areas[0].row1, col = areas[0].col1;
    out = CellInfo{};
    out.value = model().value(*s, row, col);
    out.text = valueToText(out.value);
    const Cell* c = s->find(row, col);
    if (c && c->formula) {
        out.formulaA1 = model().formulaText(*s, row, col, Notation::A1);
        out.formulaR1C1 = model().formulaText(*s, row, col, Notation::R1C1);
    }
    out.format = c && !c->format.empty() ? c->format : "General";
    return true;
}

bool setCellValue(const std::string& ref, const Value& value, std::string& error) {
    if (value.isArray() || value.isRef()) {
        error = "a cell holds one value";
        return false;
    }
    Sheet* s = nullptr;
    std::vector<Rect> areas;
    if (!cellsOf(ref, s, areas, error)) return false;
    for (const Rect& r : areas)
        for (int row = r.row1; row <= r.row2; ++row)
            for (int col = r.col1; col <= r.col2; ++col) model().setValue(*s, row, col, value);
    return true;
}

bool setCellFormula(const std::string& ref, const std::string& formula, bool r1c1,
                    std::string& error) {
    Sheet* s = nullptr;
    std::vector<Rect> areas;
    if (!cellsOf(ref, s, areas, error)) return false;
    FormulaPtr f = model().parse(*s, formula, r1c1 ? Notation::R1C1 : Notation::A1, areas[0].row1,
                                 areas[0].col1, error);
    if (!f) {
        error = "the formula " + formula + " cannot be read: " + error;
        return false;
    }
    for (const Rect& r : areas)
        for (int row = r.row1; row <= r.row2; ++row)
            for (int col = r.col1; col <= r.col2; ++col) model().setFormula(*s, row, col, f);
    return true;
}

bool enterCell(const std::string& ref, const std::string& input, std::string& error) {
    if (!input.empty() && input[0] == '=') return setCellFormula(ref, input, false, error);
    Value v;
    double d = 0;
    int e = -1;
    if (input.empty())
        v = Value::nil();
    else if (textToNumber(input, d))
        v = Value::number(d);
    else if (sameText(input, "TRUE") || sameText(input, "FALSE"))
        v = Value::boolean_(sameText(input, "TRUE"));
    else if ((e = errorCode(input)) >= 0)
        v = Value::error(e);
    else
        v = Value::text(input[0] == '\'' ? input.substr(1) : input);
    return setCellValue(ref, v, error);
}

bool setNumberFormat(const std::string& ref, const std::string& format, std::string& error) {
    Sheet* s = nullptr;
    std::vector<Rect> areas;
    if (!cellsOf(ref, s, areas, error)) return false;
    std::string f = format == "General" ? "" : format;
    for (const Rect& r : areas) {
        for (int row = r.row1; row <= r.row2; ++row) {
            for (int col = r.col1; col <= r.col2; ++col) {
                if (f.empty()) {
                    Cell* c = s->find(row, col);
                    if (!c) continue;
                    c->format.clear();
                    if (c->empty()) s->erase(row, col);
                } else {
                    s->at(row, col).format = f;
                }
            }
        }
        model().touch(*s);
    }
    return true;
}

bool readSheet(const std::string& sheet, std::vector<SheetCellInfo>& out, std::string& error) {
    Sheet* s = sheet.empty() ? model().activeSheet() : model().findSheet(sheet);
    if (!s) {
        error = sheet.empty() ? "no workbook is open" : "there is no sheet named " + sheet;
        return false;
    }
    out.clear();
    std::vector<uint32_t> keys;
    for (auto& [k, c] : s->cells)
        if (!c.empty()) keys.push_back(k);
    for (uint32_t k : keys) {
        SheetCellInfo cell;
        cell.row = static_cast<int>(k / kMaxCols);
        cell.col = static_cast<int>(k % kMaxCols);
        const Cell& c = s->cells[k];
        cell.info.value = model().value(*s, cell.row, cell.col);
        cell.info.text = valueToText(cell.info.value);
        if (c.formula) {
            cell.info.formulaA1 = model().formulaText(*s, cell.row, cell.col, Notation::A1);
            cell.info.formulaR1C1 = model().formulaText(*s, cell.row, cell.col, Notation::R1C1);
        }
        cell.info.format = c.format.empty() ? "General" : c.format;
        out.push_back(std::move(cell));
    }
    return true;
}

unsigned long long changeCount() {
    return model().generation;
}

bool showSheet(const std::string& sheet, bool formulas, std::string& out, std::string& error) {
    Sheet* s = sheet.empty() ? model().activeSheet() : model().findSheet(sheet);
    if (!s) {
        error = sheet.empty() ? "no workbook is open" : "there is no sheet named " + sheet;
        return false;
    }
    out.clear();
    std::vector<uint32_t> keys;
    for (auto& [k, c] : s->cells)
        if (!c.empty()) keys.push_back(k);
    for (uint32_t k : keys) {
        int row = static_cast<int>(k / kMaxCols), col = static_cast<int>(k % kMaxCols);
        const Cell& c = s->cells[k];
        std::string text = formulas && c.formula ? model().formulaText(*s, row, col, Notation::A1)
                                                 : valueToText(model().value(*s, row, col));
        out += a1Cell(row, col) + ": " + text + "\n";
    }
    return true;
}

}  // namespace host
