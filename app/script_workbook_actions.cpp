// Script actions on workbooks and cells.
#include <algorithm>
#include <ostream>
#include <cstdlib>
#include <vector>
#include <sstream>
#include <map>
#include <string>

#include "app/interrupt.h"
#include "app/script.h"
#include "host/host.h"

namespace app {
namespace {

// A counted-string value for a host call over `buffer` (cut at 255 characters).
XLOPER countedValue(const std::string& text, std::vector<char>& buffer) {
    const size_t n = text.size() > 255 ? 255 : text.size();
    buffer.assign(n + 2, '\0');
    buffer[0] = char(n);
    std::copy(text.begin(), text.begin() + long(n), buffer.begin() + 1);
    XLOPER v{};
    v.xltype = xltypeStr;
    v.val.str = buffer.data();
    return v;
}

bool words(const ScriptLine& line, size_t low, size_t high, std::string& error) {
    size_t n = line.words.size() - 1;
    if (n >= low && n <= high) return true;
    error = "usage: " + scriptActions()[line.words[0]].usage;
    return false;
}

// A path of the script, relative to the script's folder.
std::string scriptPath(const ScriptContext& ctx, const std::string& path) {
    if (path.empty() || path[0] == '/' || ctx.scriptDir.empty()) return path;
    return ctx.scriptDir + "/" + path;
}

bool openAction(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    if (!words(line, 1, 1, error)) return false;
    return host::openWorkbook(scriptPath(ctx, line.words[1]), error);
}

bool newAction(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    if (!words(line, 0, 0, error)) return false;
    *ctx.out << "new workbook " << host::newWorkbook() << "\n";
    return true;
}

bool activateAction(ScriptContext&, const ScriptLine& line, std::string& error) {
    return words(line, 1, 1, error) && host::activateWorkbook(line.words[1], error);
}

bool closeBookAction(ScriptContext&, const ScriptLine& line, std::string& error) {
    if (!words(line, 0, 1, error)) return false;
    std::string book = line.words.size() > 1 ? line.words[1] : host::activeWorkbook();
    return host::closeWorkbook(book, error);
}

bool selectSheetAction(ScriptContext&, const ScriptLine& line, std::string& error) {
    return words(line, 1, 1, error) && host::selectSheet(line.words[1], error);
}

bool selectAction(ScriptContext&, const ScriptLine& line, std::string& error) {
    return words(line, 1, 1, error) && host::selectRange(line.words[1], error);
}

bool setAction(ScriptContext&, const ScriptLine& line, std::string& error) {
    return words(line, 2, 2, error) && host::enterCell(line.words[1], line.words[2], error);
}

bool formulaAction(ScriptContext&, const ScriptLine& line, std::string& error) {
    if (!words(line, 2, 3, error)) return false;
    bool r1c1 = line.words.size() > 3 && line.words[3] == "r1c1";
    if (line.words.size() > 3 && !r1c1) {
        error = "the notation after the formula must be r1c1 (A1 is the default)";
        return false;
    }
    return host::setCellFormula(line.words[1], line.words[2], r1c1, error);
}

bool formatAction(ScriptContext&, const ScriptLine& line, std::string& error) {
    return words(line, 2, 2, error) && host::setNumberFormat(line.words[1], line.words[2], error);
}

bool saveAction(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    if (!words(line, 1, 2, error)) return false;
    std::string book = line.words.size() > 2 ? line.words[1] : host::activeWorkbook();
    std::string path = scriptPath(ctx, line.words.back());
    interrupt::noteOutputFile(path);
    if (!host::saveWorkbook(book, path, error)) return false;
    *ctx.out << "saved " << book << " as " << path << "\n";
    return true;
}

bool saveNewAction(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    if (!words(line, 1, 1, error)) return false;
    std::vector<std::string> saved;
    interrupt::addPartialFolder(scriptPath(ctx, line.words[1]));
    if (!host::saveNewWorkbooks(scriptPath(ctx, line.words[1]), saved, error)) return false;
    for (const auto& p : saved) *ctx.out << "saved " << p << "\n";
    return true;
}

// The cell lines of a sheet ("B3: text") laid out as a grid, columns padded
// to their widest text, with row numbers and column letters.
std::string asGrid(const std::string& lines) {
    std::map<std::pair<int, int>, std::string> cells;
    int rows = 0, cols = 0;
    std::istringstream in(lines);
    std::string line;
    while (std::getline(in, line)) {
        size_t colon = line.find(": ");
        if (colon == std::string::npos) continue;
        std::string ref = line.substr(0, colon);
        size_t digits = ref.find_first_of("0123456789");
        if (digits == 0 || digits == std::string::npos) continue;
        int col = 0;
        for (size_t i = 0; i < digits; ++i) col = col * 26 + (ref[i] - 'A' + 1);
        int row = std::atoi(ref.c_str() + digits);
        cells[{row, col}] = line.substr(colon + 2);
        rows = std::max(rows, row);
        cols = std::max(cols, col);
    }
    std::vector<size_t> width(size_t(cols) + 1, 1);
    for (const auto& [at, text] : cells) width[size_t(at.second)] = std::max(width[size_t(at.second)], text.size());
    std::string out;
    auto letters = [](int col) {
        std::string name;
        for (; col > 0; col = (col - 1) / 26) name.insert(name.begin(), char('A' + (col - 1) % 26));
        return name;
    };
    out += "     ";
    for (int c = 1; c <= cols; ++c) {
        std::string head = letters(c);
        out += "  " + head + std::string(width[size_t(c)] - std::min(width[size_t(c)], head.size()), ' ');
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    out += "\n";
    for (int r = 1; r <= rows; ++r) {
        std::string number = std::to_string(r);
        out += std::string(5 - std::min<size_t>(5, number.size()), ' ') + number;
        for (int c = 1; c <= cols; ++c) {
            auto it = cells.find({r, c});
            std::string text = it == cells.end() ? "" : it->second;
            out += "  " + text + std::string(width[size_t(c)] - text.size(), ' ');
        }
        while (!out.empty() && out.back() == ' ') out.pop_back();
        out += "\n";
    }
    return out;
}

bool showAction(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    if (!words(line, 0, 3, error)) return false;
    std::string sheet;
    bool formulas = false, grid = false;
    for (size_t i = 1; i < line.words.size(); ++i) {
        if (line.words[i] == "formulas")
            formulas = true;
        else if (line.words[i] == "values")
            formulas = false;
        else if (line.words[i] == "grid")
            grid = true;
        else
            sheet = line.words[i];
    }
    std::string out;
    if (!host::showSheet(sheet, formulas, out, error)) return false;
    *ctx.out << (grid ? asGrid(out) : out);
    if (!out.empty() && out.back() != '\n') *ctx.out << "\n";
    return true;
}

bool cellAction(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    if (!words(line, 1, 1, error)) return false;
    host::CellInfo info;
    if (!host::readCell(line.words[1], info, error)) return false;
    *ctx.out << line.words[1] << ": " << info.text;
    if (!info.formulaA1.empty()) *ctx.out << "  " << info.formulaA1 << "  " << info.formulaR1C1;
    if (info.format != "General") *ctx.out << "  [" << info.format << "]";
    *ctx.out << "\n";
    return true;
}

// expect-cell CELL TEXT [formula|r1c1|format]
bool expectCellAction(ScriptContext&, const ScriptLine& line, std::string& error) {
    if (!words(line, 2, 3, error)) return false;
    host::CellInfo info;
    if (!host::readCell(line.words[1], info, error)) return false;
    std::string what = line.words.size() > 3 ? line.words[3] : "value";
    const std::string* actual = what == "value"     ? &info.text
                                : what == "formula" ? &info.formulaA1
                                : what == "r1c1"    ? &info.formulaR1C1
                                : what == "format"  ? &info.format
                                                    : nullptr;
    if (!actual) {
        error = "expect-cell checks value, formula, r1c1 or format";
        return false;
    }
    if (*actual == line.words[2]) return true;
    error = line.words[1] + " " + what + " is \"" + *actual + "\", expected \"" + line.words[2] + "\"";
    return false;
}

// Copies every sheet of the active workbook into a new workbook, which
// becomes the active one (as the rounding command copies a workbook).
bool copyBookAction(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    if (!words(line, 0, 0, error)) return false;
    const std::string book = host::activeWorkbook();
    const auto sheets = host::sheetNames(book);
    std::vector<std::vector<char>> buffers(sheets.size());
    std::vector<XLOPER> names;
    for (size_t i = 0; i < sheets.size(); ++i)
        names.push_back(countedValue("[" + book + "]" + sheets[i], buffers[i]));
    XLOPER list{};
    list.xltype = xltypeMulti;
    list.val.array.lparray = names.data();
    list.val.array.rows = 1;
    list.val.array.columns = uint16_t(names.size());
    XLOPER* args[] = {&list};
    if (names.empty() || Excel4v(xlcWorkbookCopy, nullptr, 1, args) != xlretSuccess) {
        error = "cannot copy the workbook " + book;
        return false;
    }
    *ctx.out << "copied " << book << " to " << host::activeWorkbook() << "\n";
    return true;
}

// Renames a sheet of the active workbook, as a person would on its tab.
bool renameSheetAction(ScriptContext&, const ScriptLine& line, std::string& error) {
    if (!words(line, 2, 2, error)) return false;
    std::vector<char> a, b;
    XLOPER oldName = countedValue(line.words[1], a), newName = countedValue(line.words[2], b);
    XLOPER* args[] = {&oldName, &newName};
    if (Excel4v(xlcWorkbookName, nullptr, 2, args) == xlretSuccess) return true;
    error = "cannot rename sheet \"" + line.words[1] + "\" to \"" + line.words[2] +
            "\" (no such sheet, a name in use, or not a valid sheet name)";
    return false;
}

bool windowsAction(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    if (!words(line, 0, 0, error)) return false;
    for (const auto& book : host::windows()) {
        *ctx.out << book << ":";
        for (const auto& sheet : host::sheetNames(book)) *ctx.out << " [" << sheet << "]";
        *ctx.out << "\n";
    }
    return true;
}

}  // namespace

REGISTER_SCRIPT_ACTION("open", "open FILE", "open a workbook (.xlsx, or ; or , separated text)",
                       openAction);
REGISTER_SCRIPT_ACTION("new", "new", "make a new workbook (Book1, Book2, ...)", newAction);
REGISTER_SCRIPT_ACTION("activate", "activate BOOK", "make a workbook the active window",
                       activateAction);
REGISTER_SCRIPT_ACTION("close-book", "close-book [BOOK]", "close a workbook without saving",
                       closeBookAction);
REGISTER_SCRIPT_ACTION("select-sheet", "select-sheet SHEET", "make a sheet active",
                       selectSheetAction);
REGISTER_SCRIPT_ACTION("select", "select RANGE", "select cells of the active sheet (A1:C4)",
                       selectAction);
REGISTER_SCRIPT_ACTION("set", "set CELL TEXT",
                       "enter a text as typed: a number, TRUE/FALSE, =formula (A1) or text",
                       setAction);
REGISTER_SCRIPT_ACTION("formula", "formula CELL FORMULA [r1c1]", "enter a formula", formulaAction);
REGISTER_SCRIPT_ACTION("format", "format CELL FORMAT", "set a number format such as 0.00",
                       formatAction);
REGISTER_SCRIPT_ACTION("save", "save [BOOK] PATH", "save a workbook (.xlsx or text by extension)",
                       saveAction);
REGISTER_SCRIPT_ACTION("save-new", "save-new FOLDER",
                       "save every workbook made during the run and not saved", saveNewAction);
REGISTER_SCRIPT_ACTION("show", "show [SHEET] [values|formulas] [grid]",
                       "print a sheet's cells, one per line or as a grid",
                       showAction);
REGISTER_SCRIPT_ACTION("cell", "cell CELL", "print one cell: value, formulas, format", cellAction);
REGISTER_SCRIPT_ACTION("expect-cell", "expect-cell CELL TEXT [value|formula|r1c1|format]",
                       "fail unless the cell shows this", expectCellAction);
REGISTER_SCRIPT_ACTION("copy-book", "copy-book",
                       "copy every sheet of the active workbook into a new, active workbook",
                       copyBookAction);
REGISTER_SCRIPT_ACTION("rename-sheet", "rename-sheet SHEET NEWNAME",
                       "rename a sheet of the active workbook", renameSheetAction);
REGISTER_SCRIPT_ACTION("windows", "windows", "print the open workbooks and their sheets",
                       windowsAction);

}  // namespace app
