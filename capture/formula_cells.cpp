// Sum detection's reading of the scanned cells' formulas. A formula that adds
// and subtracts cells is an equation of the table (written back as it was);
// a cell whose formula is anything else keeps its formula and is no cell of
// the table, and so is a total that adds such a cell or a number outside the
// table's ranges.
#include "capture/formula_cells.h"

#include <deque>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "capture/capture_record.h"
#include "capture/formula_terms.h"
#include "shell/host_api.h"
#include "shell/host_values.h"

namespace {

struct FormulaEntry {
    Cell* cell;
    std::string text;
    FormulaPlan plan;
};

GridPos positionOf(const Cell* c) {
    return {c->sheet, c->row, c->col};
}

// The formula text of a cell, or false when its sheet has no id.
bool formulaOf(const InstanceState& s, const Cell* cell, std::string& text) {
    if (cell->sheet < 0 || size_t(cell->sheet) >= s.sheetNames.size()) return false;
    CountedText sheetName(s.sheetNames[size_t(cell->sheet)]);
    HostResult id;
    if (CallHost(xlSheetId, id.get(), 1, sheetName.value()) != xlretSuccess || id.isError())
        return false;
    RefValue ref(sheetIdOf(*id), cell->row, cell->col);
    HostResult formula;
    text.clear();
    if (CallHost(xlfGetFormula | xlIntl, formula.get(), 1, ref.get()) == xlretSuccess)
        text = textOf(*formula);
    return true;
}

// Excludes the totals that add an excluded cell, and the totals that add
// those, and so on.
void excludeDependents(const std::vector<FormulaEntry>& entries,
                       std::unordered_set<const Cell*>& excluded, std::vector<KeptFormula>& kept) {
    std::unordered_map<const Cell*, std::vector<size_t>> users;
    for (size_t i = 0; i < entries.size(); ++i)
        for (const PlannedTerm& t : entries[i].plan.parts) users[t.cell].push_back(i);
    std::deque<const Cell*> queue(excluded.begin(), excluded.end());
    while (!queue.empty()) {
        const Cell* gone = queue.front();
        queue.pop_front();
        auto it = users.find(gone);
        if (it == users.end()) continue;
        for (size_t i : it->second) {
            const Cell* total = entries[i].cell;
            if (!excluded.insert(total).second) continue;
            kept.push_back({positionOf(total), KeptReason::AddsNonTable, positionOf(gone)});
            queue.push_back(total);
        }
    }
}

void commitSums(InstanceState& s, const std::vector<FormulaEntry>& entries,
                const std::unordered_set<const Cell*>& excluded) {
    for (const FormulaEntry& e : entries) {
        if (excluded.count(e.cell) || e.plan.unknownSheet) continue;
        if (e.plan.kind != FormulaKind::OneSum && e.plan.kind != FormulaKind::Linear) continue;
        Sum* sum = newSum(0, e.cell->row, e.cell->col, nullptr, nullptr, e.text.c_str(), 1);
        if (!sum) {
            ShowAlert(" No se podía reservar la memoria necesaria!", 1);
            continue;
        }
        sum->sheet = e.cell->sheet;
        commitPlan(e.plan, sum, e.cell);
        sum->next = s.sumList;
        s.sumList = sum;
        ++s.nsums;
    }
}

// Takes the excluded cells out of the instance; numbers stay dense.
void removeExcluded(InstanceState& s, const std::unordered_set<const Cell*>& excluded) {
    if (excluded.empty()) return;
    int32_t number = 0;
    Cell** link = &s.cellList;
    while (*link) {
        Cell* cell = *link;
        if (excluded.count(cell)) {
            removeFromCellIndex(cell);
            *link = cell->next;
            freeCell(cell);
            --s.ncells;
            continue;
        }
        cell->number = number++;
        link = &cell->next;
    }
}

}  // namespace

void readFormulaSums(InstanceState& s) {
    ShowStatus(" Scanning for sums...");
    // Only a scanned workbook has cells that can leave the table: the cells of
    // other instances are the table by definition.
    const bool worksheet = s.origin == InstanceOrigin::Worksheet && gCapture.fromWorkbook;
    std::vector<FormulaEntry> entries;
    std::unordered_set<const Cell*> excluded;
    std::vector<KeptFormula> kept;
    for (Cell* cell = s.cellList; cell; cell = cell->next) {
        std::string text;
        if (!formulaOf(s, cell, text)) {
            ShowAlert(" No such sheet id.", 1);
            continue;
        }
        const GridPos at = positionOf(cell);
        const bool outside = worksheet && !insideTable(at.sheet, at.row, at.col);
        if (text.empty() || text[0] != '=') {
            if (worksheet) gCapture.typedNumbers.push_back(at);
            if (outside) excluded.insert(cell);
            continue;
        }
        if (worksheet)
            if (ScannedEntry* e = scannedEntry(at.sheet, at.row, at.col)) e->formula = true;
        FormulaPlan plan = planFormula(text, cell);
        if (worksheet) {
            KeptReason reason = KeptReason::NotASum;
            bool leaves = true;
            if (outside)
                reason = KeptReason::OutsideTable;
            else if (plan.kind == FormulaKind::Other)
                reason = KeptReason::NotASum;
            else if (plan.unknownSheet)
                reason = KeptReason::UnknownSheet;
            else
                leaves = false;
            if (leaves) {
                excluded.insert(cell);
                kept.push_back({at, reason, {}});
            }
        }
        entries.push_back({cell, text, std::move(plan)});
    }
    excludeDependents(entries, excluded, kept);
    commitSums(s, entries, excluded);
    removeExcluded(s, excluded);
    if (worksheet) {
        gCapture.keptFormulas = kept;
        reportKeptFormulas();
    }
    ShowStatus(" Done");
}
