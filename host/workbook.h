// The workbook model: windows (workbooks, most recent first), their sheets and
// cells, selections, and the lookups by sheet id and by name that host
// functions use.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <set>

#include "host/formula.h"
#include "host/package.h"
#include "host/pivot.h"
#include "host/value.h"

namespace host {

struct Workbook;

struct Cell {
    Value value;         // the constant, or the formula's last computed result
    FormulaPtr formula;  // null for a constant
    std::string format;  // number format; empty means "General"
    // The result a file stored for the formula when it was read: it stands
    // for a result the host cannot compute itself, as long as nothing the
    // formula depends on has changed since.
    std::shared_ptr<const Value> stored;
    // The cell holds what the file held at this place (no write since).
    bool asRead = false;
    // A cell of an array formula: its result comes from the whole array,
    // which the host does not compute.
    bool arrayPart = false;
    // Formula results are valid while cacheGen equals the model's generation.
    uint64_t cacheGen = 0;
    bool evaluating = false;
    // Whether something the cell depends on changed since it was read,
    // valid while taintGen equals the model's generation.
    uint64_t taintGen = 0;
    bool tainted = false;
    bool empty() const { return !formula && value.isNil(); }
};

class Sheet {
  public:
    uint32_t id = 0;
    std::string name;
    Workbook* book = nullptr;
    std::map<uint32_t, Cell> cells;  // key: row * 256 + column
    std::vector<Rect> selection{Rect{}};
    int activeRow = 0, activeCol = 0;
    std::vector<PivotTable> pivots;  // pivot tables placed on this sheet
    // The sheet of the workbook's source package this sheet was read from
    // (or copied from), -1 for a sheet the package does not hold.
    int source = -1;
    // Column widths in characters: the ones the file set and the ones set
    // since; `widthsChanged` names the columns set since the file was read.
    std::map<int, double> widths;
    std::set<int> widthsChanged;
    double defaultWidth = 8.43;
    double width(int col) const {
        auto it = widths.find(col);
        return it == widths.end() ? defaultWidth : it->second;
    }

    static uint32_t key(int row, int col) { return static_cast<uint32_t>(row) * kMaxCols + col; }
    Cell* find(int row, int col);
    const Cell* find(int row, int col) const;
    Cell& at(int row, int col);
    void erase(int row, int col);
    // The last used row and column (each the largest of any cell holding a
    // value or formula), or nothing for an empty sheet.
    std::optional<std::pair<int, int>> lastUsed() const;
};

// A defined name stored with a workbook file (text of its formula, without '=').
struct BookName {
    std::string name;
    std::string formula;
    int localSheet = -1;  // position of the sheet it belongs to, -1 for the workbook
};

struct Workbook {
    std::string name;  // as in "[name]Sheet1"
    std::string path;  // file it was read from or last saved to
    std::vector<std::unique_ptr<Sheet>> sheets;
    int active = 0;
    int nextSheetNumber = 1;    // for names of inserted sheets, "Sheet<n>"
    bool createdInRun = false;  // made by New or Copy (not read from a file)
    bool dirty = false;         // changed since created, read or saved
    std::string copiedFrom;     // the workbook a Copy took its sheets from
    std::vector<BookName> names;
    // The package the workbook was read from, shared by copies made of it:
    // saving writes it again with only what changed. Null for workbooks made
    // from nothing.
    std::shared_ptr<const SourcePackage> package;
    // Memo of whether any cell changed since reading (see cellsChanged).
    uint64_t changedGen = 0;
    bool changed = false;

    Sheet* activeSheet() { return sheets.empty() ? nullptr : sheets[active].get(); }
    int indexOf(const Sheet* s) const;
    Sheet* sheetNamed(const std::string& name);
};

class Model {
  public:
    std::vector<std::unique_ptr<Workbook>> windows;  // front: the active workbook
    uint64_t generation = 1;                         // raised by every change

    Workbook* activeBook() { return windows.empty() ? nullptr : windows.front().get(); }
    Sheet* activeSheet();
    Sheet* sheetById(uint32_t id);
    Workbook* bookNamed(const std::string& name);
    // "[Book]Sheet", "Sheet" (of the active workbook) or, for a one-sheet
    // workbook whose sheet has the workbook's name, that name alone.
    Sheet* findSheet(const std::string& text);

    // New workbooks and sheets. The workbook goes to the front and is active.
    Workbook* addWorkbook(std::unique_ptr<Workbook> book);
    Workbook* newWorkbook(int sheetCount = 3);
    std::string nextBookName();
    std::string uniqueBookName(const std::string& wanted);
    Sheet* addSheet(Workbook& book, const std::string& name, int position);
    // Copies the sheets (all from one workbook) into `dest` before `position`
    // (or at the end); formulas between copied sheets follow the copies.
    void copySheets(const std::vector<Sheet*>& from, Workbook& dest, int position);
    void closeBook(Workbook* book);
    void activate(Workbook* book);  // brings the window to the front
    void clear();

    // "[Book]Sheet" always, and the name the host reports for a document.
    static std::string fullName(const Sheet& s);
    static std::string documentName(const Sheet& s);

    // Cell contents. Writing raises the generation and marks the book changed.
    Value value(Sheet& s, int row, int col);  // formulas computed on demand
    // The same, except that a result the host cannot compute is the error
    // kErrUnknown instead of #N/A (for writing files).
    Value result(Sheet& s, int row, int col);
    // Formula cells of the workbook whose results the host cannot compute
    // now, as "Sheet!A1" texts in sheet, row and column order.
    std::vector<std::string> uncomputed(Workbook& book);
    void setValue(Sheet& s, int row, int col, Value v);
    void setFormula(Sheet& s, int row, int col, FormulaPtr f);
    void touch(Sheet& s);

    // Formula texts of a cell, and formula parsing with this model's sheets.
    std::string formulaText(Sheet& s, int row, int col, Notation n);
    FormulaPtr parse(Sheet& s, const std::string& text, Notation n, int row, int col,
                     std::string& error);
    SheetResolver resolverFor(Sheet& s);
    SheetNamer namerFor(Sheet& s);

    uint32_t allocateSheetId() { return nextSheetId_++; }

  private:
    std::map<uint32_t, Sheet*> byId_;
    uint32_t nextSheetId_ = 1;
    int nextBookNumber_ = 1;

    void registerSheet(Sheet* s) { byId_[s->id] = s; }
    void unregisterSheet(uint32_t id) { byId_.erase(id); }
};

}  // namespace host
