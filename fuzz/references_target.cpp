// References as sum detection and the add-sums dialog read them. Each line of
// the input is one case; its first character picks the reader:
//   '0'-'3' (and every byte whose value is 0 mod 4): one R1C1 reference and
//           a SUM formula split into its arguments
//   1 mod 4: A1 and R1C1 areas and sheet prefixes of the host
//   2 mod 4: a whole formula read into a Sum of the instance, as one SUM and
//           as a sum or difference of cells
//   3 mod 4: a hand-entered equation "left=right" of the add-sums dialog
// The instance holds a 10 x 6 grid of cells on two sheets of the active
// workbook; every Sum made is checked against it and released again.
#include <set>

#include "capture/capture.h"
#include "capture/formula_terms.h"
#include "capture/sum_dialog.h"
#include "capture/sum_formula.h"
#include "fuzz/targets.h"
#include "host/address.h"
#include "host/host.h"
#include "host/state.h"

namespace fuzz {

namespace {

constexpr int kRows = 10, kCols = 6, kSheets = 2;

// The active workbook: Sheet1, "My sheet", Sheet3 (made again when another
// user of the host has closed it).
void setUpHost() {
    host::Workbook* book = host::state().model.activeBook();
    if (book && book->sheets.size() == 3 && book->sheets[1]->name == "My sheet") return;
    host::reset();
    host::newWorkbook();
    host::state().model.activeBook()->sheets[1]->name = "My sheet";
}

void buildGrid() {
    unloadInstance();
    InstanceState& s = gInstance;
    s.sheetNames = {"Sheet1", "My sheet", "Sheet3"};
    for (int sheet = 0; sheet < kSheets; ++sheet)
        for (int col = 0; col < kCols; ++col)
            for (int row = 0; row < kRows; ++row) {
                Cell* c = newCell();
                if (!c) fail("a cell can be allocated");
                c->sheet = sheet;
                c->row = row;
                c->col = col;
                c->nominal = c->rounded = row == kRows - 1 ? 0 : 1;
                c->next = s.cellList;
                s.cellList = c;
                ++s.ncells;
            }
    s.maxRow = kRows - 1;
    s.maxCol = kCols - 1;
    s.sheetCount = kSheets;
    if (buildCellIndex(1) != 0) fail("the index of the grid can be built");
}

std::set<const Cell*> gridCells() {
    std::set<const Cell*> cells;
    for (const Cell* c = gInstance.cellList; c; c = c->next) cells.insert(c);
    return cells;
}

void checkSum(const Sum* sum) {
    const std::set<const Cell*> cells = gridCells();
    long terms = 0;
    for (const SumTerm* t = sum->terms; t; t = t->next, ++terms)
        if (!cells.count(t->cell)) fail("every term names a cell of the instance");
    if (terms != sum->termCount) fail("termCount counts the terms of a sum");
}

void checkUnused() {
    for (const Cell* c = gInstance.cellList; c; c = c->next)
        if (c->useCount != 0) fail("a released sum leaves every cell unused");
}

void areas(const std::string& text) {
    if (auto r = host::parseA1Area(text)) {
        if (r->row1 < 0 || r->row2 >= host::kMaxRows || r->col1 < 0 || r->col2 >= host::kMaxCols)
            fail("an A1 area lies inside the grid");
        if (host::parseA1Area(host::a1Rect(*r)) != r) fail("an A1 area shown reads back", text);
    }
    if (auto r = host::parseR1C1Area(text)) {
        if (r->row1 < 0 || r->row2 >= host::kMaxRows || r->col1 < 0 || r->col2 >= host::kMaxCols)
            fail("an R1C1 area lies inside the grid");
    }
    std::string book, sheet, ref;
    if (host::splitSheetReference(text, book, sheet, ref) &&
        host::sheetNameProblem(sheet).empty()) {
        // A prefix made for the parts splits back into them. Only names a
        // sheet can have: "[][a]b" reads as the sheet "[a]b" of no book, a
        // name no sheet can carry, whose prefix "[a]b!" names sheet b of book a.
        std::string book2, sheet2, ref2;
        const std::string again = host::sheetPrefix(sheet, book) + "A1";
        if (!host::splitSheetReference(again, book2, sheet2, ref2) || sheet2 != sheet ||
            book2 != book || ref2 != "A1")
            fail("a sheet prefix splits back into its parts", again);
    }
}

void sumFormula(const std::string& text) {
    Cell* total = cellAt(0, kRows - 1, kCols - 1);
    Sum* sum = newSum(0, 0, 0, nullptr, nullptr, nullptr, 1);
    if (!sum) fail("a sum can be allocated");
    if (Sum* read = parseSumFormula(text.c_str(), sum, total, 0)) {
        checkSum(read);
        freeSum(read);
    }
    checkUnused();
    // Any formula as sum detection reads it: a sum or difference of cells
    // names each cell once, with +1 or -1.
    const FormulaPlan plan = planFormula(text, total);
    if (plan.kind == FormulaKind::Linear) {
        std::set<const Cell*> seen;
        for (const PlannedTerm& t : plan.parts) {
            if (t.coef != 1 && t.coef != -1) fail("a part of a linear total has +1 or -1", text);
            if (!seen.insert(t.cell).second) fail("a linear total names each cell once", text);
        }
    }
    if ((plan.kind == FormulaKind::Linear || plan.kind == FormulaKind::OneSum) &&
        !plan.unknownSheet) {
        Sum* made = newSum(0, 0, 0, nullptr, nullptr, nullptr, 1);
        if (!made) fail("a sum can be allocated");
        commitPlan(plan, made, total);
        checkSum(made);
        freeSum(made);
    }
    if ((plan.kind == FormulaKind::Other || plan.kind == FormulaKind::Typed) && !plan.parts.empty())
        fail("a formula that is no sum of cells has no parts", text);
    checkUnused();
}

void handEquation(const std::string& text) {
    const size_t eq = text.find('=');
    const std::string left = text.substr(0, eq);
    const std::string right = eq == std::string::npos ? "" : text.substr(eq + 1);
    const int32_t before = gInstance.nsums;
    const int result = addHandEquation(left, right);
    if (result == 0 && gInstance.nsums > before) {
        Sum* sum = gInstance.sumList;
        checkSum(sum);
        removeSum(0);
    } else if (gInstance.nsums != before) {
        fail("a refused equation leaves the sum list alone");
    }
    checkUnused();
}

}  // namespace

void references(const uint8_t* data, size_t size) {
    setUpHost();
    buildGrid();
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    for (int line = 0; start < text.size() && line < 64; ++line) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string whole = text.substr(start, end - start);
        start = end + 1;
        if (whole.empty()) continue;
        const std::string rest = whole.substr(1);
        switch (static_cast<unsigned char>(whole[0]) % 4) {
            case 0: {
                CellReference ref;
                parseR1C1Reference(rest, ref);
                std::vector<std::string> arguments;
                splitSumFormula(rest, arguments);
                break;
            }
            case 1:
                areas(rest);
                break;
            case 2:
                sumFormula(rest);
                break;
            default:
                handEquation(rest);
                break;
        }
    }
    unloadInstance();
    if (instanceRecordsOutstanding() != 0) fail("an unloaded instance leaves no record");
    host::clearJournal();
}

}  // namespace fuzz
