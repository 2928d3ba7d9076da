// The spreadsheet host: a small spreadsheet engine with the add-in call
// interface (Excel4v, see hostcall.h) in front of it. This header is its C++
// face for the quorant program, its front ends and tests.
//
// There is one host per process. Every function here, and Excel4v, must be
// called from one thread. Functions that can fail return false and put a
// message for the user into `error`.
//
// References to cells are texts in A1 notation: "B3", "A1:C4", with an
// optional sheet part "Sheet2!B3", "'My sheet'!A1:B2" or "[Book2]Sheet1!B3".
// Without a sheet part they mean the active sheet of the active workbook.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "host/hostcall.h"
#include "host/value.h"

namespace host {

// ---- front end ------------------------------------------------------------------

// The table of a table-driven dialog box: rows of seven cells (item type, x, y,
// width, height, text, initial value or result), as texts without the length
// byte; an empty cell is "". Row 0 describes the dialog itself (text: caption).
// Item types: 1 default OK button, 2 Cancel button, 3 OK button, 5 static text,
// 6 text edit, 7 integer edit, 8 number edit, 10 reference edit, 11 option
// button group, 12 option button, 13 check box, 14 group box, 15 list box;
// 200 added means the item is shown dimmed (it cannot be used).
struct DialogTable {
    std::vector<std::array<std::string, 7>> cells;
    // For every row: the items of its list when the row is a list box (the
    // host resolves the defined name in the row's text column), else empty.
    std::vector<std::vector<std::string>> lists;
    // Set by the front end: the row of the OK-type button (1 or 3) that closed
    // the dialog; 0 means the default button (type 1).
    int pressed = 0;
    // The add-in gets the table back with column 6 holding: in row 0 the
    // number of the closing button; texts for text and reference edits;
    // numbers for integer and number edits, check boxes (1/0), option groups
    // and list boxes (1-based, 0 for none); dimmed items keep their value.

    int rows() const { return static_cast<int>(cells.size()); }
    // The item type of a row as a number (0 when empty or not a number).
    int type(int row) const;
    bool dimmed(int row) const { return type(row) >= 200; }
    int baseType(int row) const { return type(row) % 100; }
};

// What a person (or a script, or a test) sees of the host and answers. The
// program installs one; without one, alerts are answered OK and dialog boxes
// are cancelled.
class FrontEnd {
  public:
    virtual ~FrontEnd() = default;
    // A status-bar text (each xlcMessage).
    virtual void status(const std::string& text) { (void)text; }
    // An alert. Type 1 asks OK/Cancel (return true for OK); other types only
    // inform and their answer is ignored. Type 0 means none was given.
    virtual bool alert(const std::string& text, int type) {
        (void)text;
        (void)type;
        return true;
    }
    // A table-driven dialog box. The front end writes the user's entries into
    // column 6: texts of edit boxes, "1"/"0" for check boxes, the 1-based
    // number of the chosen option or list item ("0" for none); sets `pressed`
    // and returns true, or returns false for Cancel.
    virtual bool dialogBox(DialogTable& table) {
        (void)table;
        return false;
    }
    // A message of the host itself, such as why a file could not be opened.
    virtual void hostMessage(const std::string& text) { (void)text; }
};

void setFrontEnd(FrontEnd* frontEnd);  // not owned; null removes it
FrontEnd* frontEnd();

// ---- faults -------------------------------------------------------------------------
// Tests make the host fail as one in trouble would (no memory, a window
// closed under the add-in): the filter sees every call of Excel4v, with the
// function number without its flags and the arguments, before it is carried
// out, and returns 0 to let it through or the return code to answer with (the
// result is then FALSE). An empty filter removes it; reset() does too.
using CallFault = std::function<int(int function, const std::vector<Value>& args)>;
void setCallFault(CallFault fault);

// ---- journal ----------------------------------------------------------------------

enum class JournalKind { Status, Alert, HostMessage };
struct JournalEntry {
    JournalKind kind = JournalKind::Status;
    std::string text;  // without the length byte
    int type = 0;      // alerts: the type given, 0 when none
    bool ok = true;    // alerts of type 1: the answer
};
// Every status text, alert and host message in order.
const std::vector<JournalEntry>& journal();
void clearJournal();
// The text the status bar shows now ("" when cleared).
std::string statusBar();

// Closes every workbook and add-in (calling its close entry point), and sets
// menus, names, registrations and the journal back to the start. The front
// end stays installed.
void reset();

// ---- workbooks --------------------------------------------------------------------

// A new workbook "Book<n>" with Sheet1..Sheet3; it becomes the active window.
std::string newWorkbook();
// Opens a .xlsx file, or a text file (.csv, .txt, .log and any other name):
// fields separated by ';' or ',' (or a tab), numbers with a decimal comma or
// point. The workbook becomes the active window. Nothing is opened when the
// file is unreadable, malformed or too large.
struct OpenOptions {
    char delimiter = 0;  // text files: 0 guesses from the first line
};
bool openWorkbook(const std::string& path, std::string& error, const OpenOptions& options = {});
// Saves a workbook by the path's extension: .xlsx; .csv (the active sheet,
// ',' and decimal point); any other extension (the active sheet, ';' and a
// decimal comma). The file is replaced only when writing succeeded.
bool saveWorkbook(const std::string& book, const std::string& path, std::string& error);
// Saves every workbook made in this run and not saved since its last change
// as "<folder>/<name>.xlsx" (the folder is made when missing); `saved`
// receives the paths.
bool saveNewWorkbooks(const std::string& folder, std::vector<std::string>& saved,
                      std::string& error);
// ".xlsm" for a workbook whose package holds macros (they are kept, never
// run, and only a macro-enabled name keeps them usable), else ".xlsx".
std::string workbookExtension(const std::string& book);
// The formula cells of a workbook whose results the host cannot compute now
// ("Sheet!A1"): a saved file holds no result for them, and the spreadsheet
// program computes them when it opens the file.
std::vector<std::string> uncomputedResults(const std::string& book);
// The parts of the package last saved for a workbook that kept copies of
// changed cells the host could not write again (a chart whose reference it
// cannot follow, a pivot cache over results it cannot compute): their values
// were removed, and the spreadsheet program builds them when it opens the file.
std::vector<std::string> cachesLeftToRebuild(const std::string& book);
// Closes a workbook without saving.
bool closeWorkbook(const std::string& book, std::string& error);
// Workbook names, most recent (active) window first.
std::vector<std::string> windows();
// The open workbooks' names in the order they were opened or made, oldest
// first (a copy comes after the workbook it copies).
std::vector<std::string> workbooksInOrderMade();
std::vector<std::string> sheetNames(const std::string& book);
std::string activeWorkbook();  // "" when none is open
std::string activeSheet();     // sheet name of the active workbook's active sheet
bool activateWorkbook(const std::string& book, std::string& error);
// True when a sheet of the open workbook `book` holds a pivot table.
bool holdsPivotTable(const std::string& book);
// Makes a sheet ("Sheet2" of the active workbook, or "[Book]Sheet") active.
bool selectSheet(const std::string& sheet, std::string& error);
// Selects areas on the active sheet: "B2", "A1:C4", "A1:B2,D4:D6"; the active
// cell becomes the first cell of the first area.
bool selectRange(const std::string& areas, std::string& error);
// The selection of the active sheet as "Sheet1!A1:C4" (areas joined by ',').
std::string selectionText();
// True when the open workbook `book` changed since it was made, read or saved.
bool workbookChanged(const std::string& book);
// Workbooks made during this run (New, copies) that are open and hold changes
// not saved: the program lists them when it ends.
std::vector<std::string> unsavedWorkbooks();
// Where an open workbook came from, for people.
struct WorkbookOrigin {
    std::string path;        // the file it was read from or last saved to; "" for none
    std::string copiedFrom;  // the workbook its sheets were copied from; "" unless a copy
    bool createdInRun = false;  // made by New or Copy, not read from a file
    bool changed = false;       // changed since it was made, read or saved
};
bool workbookOrigin(const std::string& book, WorkbookOrigin& out, std::string& error);

// ---- cells ------------------------------------------------------------------------

struct CellInfo {
    Value value;              // the cell's value (formulas computed)
    std::string text;         // the value as text
    std::string formulaA1;    // "=SUM(A1:A2)"; empty for constants
    std::string formulaR1C1;  // "=SUM(R[-2]C:R[-1]C)" as seen from the cell
    std::string format;       // number format, "General" by default
};
bool readCell(const std::string& ref, CellInfo& out, std::string& error);
// Enters a text as typed into every cell of the reference: "=..." is a
// formula in A1 notation, a number is a number, TRUE/FALSE logical, "" clears,
// anything else is text.
bool enterCell(const std::string& ref, const std::string& input, std::string& error);
bool setCellValue(const std::string& ref, const Value& value, std::string& error);
// A formula in A1 (r1c1 false) or R1C1 notation for every cell of the reference.
bool setCellFormula(const std::string& ref, const std::string& formula, bool r1c1,
                    std::string& error);
bool setNumberFormat(const std::string& ref, const std::string& format, std::string& error);
// Every non-empty cell of a sheet ("" for the active one, "Sheet2" of the
// active workbook, or "[Book]Sheet"), row by row, with what readCell gives.
struct SheetCellInfo {
    int row = 0, col = 0;  // zero-based
    CellInfo info;
};
bool readSheet(const std::string& sheet, std::vector<SheetCellInfo>& out, std::string& error);
// A number that moves with every change of a workbook's cells or sheets:
// front ends keep what they show of the workbooks until it moves.
unsigned long long changeCount();
// The contents of a sheet ("" for the active one) as lines "A1: text", one per
// non-empty cell, row by row; with formulas, formula cells show "=..." (A1).
bool showSheet(const std::string& sheet, bool formulas, std::string& out, std::string& error);

// ---- menus --------------------------------------------------------------------------

struct MenuItemInfo {
    std::string text;     // "&Rounder... (XPRESS)"
    std::string command;  // procedure or function text run when picked
    std::string shortcut;
    std::string statusText;  // shown in the status bar
    std::string helpRef;
    std::vector<MenuItemInfo> items;  // a submenu's items (a menu's items for menus)
    bool submenu = false;
};
// The worksheet menu bar (bar 10): its menus with their items.
std::vector<MenuItemInfo> menuBar();
// The menu bar as indented lines for people.
std::string menuBarText();
// Texts are matched ignoring '&', letter case and trailing blanks.
// `path` names a menu and an item, or a menu, a submenu and an item.
bool runMenuItem(const std::vector<std::string>& path, int& result, std::string& error);

// ---- add-ins and commands --------------------------------------------------------------

using SymbolResolver = std::function<void*(const char* name)>;
struct AddInInfo {
    int handle = 0;
    std::string path;
};
// Loads an add-in library with dlopen and calls its xlAutoOpen. Loading the
// same file again gives a second, independent copy. Returns a handle (> 0),
// or 0 with an error.
int loadAddIn(const std::string& path, std::string& error);
// An add-in already in the process: its procedures come from `resolver`
// (null: the process's own symbols). `path` is the name it is known by.
int attachAddIn(const std::string& path, SymbolResolver resolver, std::string& error);
// Calls xlAutoClose and unloads; its registrations are removed.
bool closeAddIn(int handle, std::string& error);
std::vector<AddInInfo> addIns();
// The other entry points, on request. Missing entry points fail.
bool addInAdd(int handle, int& result, std::string& error);
bool addInRemove(int handle, int& result, std::string& error);
bool addInManagerInfo(int handle, const Value& action, Value& result, std::string& error);
bool addInRegister(int handle, const std::string& name, Value& result, std::string& error);
// The address of an exported function of an add-in (null when it has none):
// for the program's own helpers that an add-in offers besides its commands.
void* addInSymbol(int handle, const std::string& name);
// Runs an exported function of an add-in that takes nothing and returns an
// int, as the host runs commands (also those not registered).
bool runAddInFunction(int handle, const std::string& name, int& result, std::string& error);

struct RegistrationInfo {
    int id = 0;
    std::string path, procedure, typeText, functionText, argumentText, macroType, category,
        shortcut;
};
std::vector<RegistrationInfo> registrations();
// Runs a registered command by its function text (a defined name) or its
// procedure name.
bool runCommand(const std::string& name, int& result, std::string& error);
// The value of a defined name (xlfSetName), or of a workbook's name.
bool definedName(const std::string& name, Value& out);

}  // namespace host
