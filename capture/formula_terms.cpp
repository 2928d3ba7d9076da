#include "capture/formula_terms.h"

#include <algorithm>
#include <unordered_map>

#include "capture/linear_formula.h"
#include "shell/host_api.h"
#include "shell/host_values.h"

int sheetPositionOf(const std::string& sheetName) {
    HostResult book;
    if (CallHost(xlfGetDocument, book.get(), 1, ScratchNumber(88)) != xlretSuccess ||
        book.isError())
        return -1;
    CountedText full("[" + textOf(*book) + "]" + sheetName);
    HostResult position;
    double p = 0;
    if (CallHost(xlfGetDocument, position.get(), 2, ScratchNumber(87), full.value()) !=
            xlretSuccess ||
        position.isError() || !numberOf(*position, p))
        return -1;
    return int(p) - 1;
}

bool cellsOfReference(const CellReference& first, const CellReference& last, const Cell* at,
                      int sheet, int16_t coef, std::vector<PlannedTerm>& out) {
    const InstanceState& s = gInstance;
    int rangeSheet = sheet;
    const CellReference* prefixed = last.hasSheet ? &last : first.hasSheet ? &first : nullptr;
    if (prefixed) {
        rangeSheet = sheetPositionOf(prefixed->sheet);
        if (rangeSheet < 0) {
            ShowAlert(
                "  Error in formula! Could not find worksheet from formula in actual workbook!", 1);
            return false;
        }
    }
    int r1 = first.row.resolve(at->row), r2 = last.row.resolve(at->row);
    int c1 = first.col.resolve(at->col), c2 = last.col.resolve(at->col);
    if (r1 > r2) std::swap(r1, r2);
    if (c1 > c2) std::swap(c1, c2);
    // Only positions inside the scanned grid can hold a cell: a whole-column
    // range costs its used rows, not a million lookups.
    r1 = std::max(r1, 0);
    c1 = std::max(c1, 0);
    r2 = std::min(r2, s.maxRow);
    c2 = std::min(c2, s.maxCol);
    for (int c = c1; c <= c2; ++c)
        for (int r = r1; r <= r2; ++r)
            if (Cell* part = cellAt(rangeSheet, r, c)) out.push_back({part, coef});
    return true;
}

namespace {

bool planOneSum(const std::string& text, const Cell* cell, FormulaPlan& plan) {
    std::vector<std::string> arguments;
    if (!splitSumFormula(text, arguments)) return false;
    struct Arg {
        CellReference first, last;
    };
    std::vector<Arg> refs;
    for (const std::string& argument : arguments) {
        size_t colon = std::string::npos;
        bool quoted = false;
        for (size_t i = 0; i < argument.size(); ++i) {
            if (argument[i] == '\'') quoted = !quoted;
            if (argument[i] == ':' && !quoted) colon = i;
        }
        Arg a;
        if (!parseR1C1Reference(argument.substr(0, colon), a.first)) return false;
        if (colon == std::string::npos)
            a.last = a.first;
        else if (!parseR1C1Reference(argument.substr(colon + 1), a.last))
            return false;
        refs.push_back(a);
    }
    plan.kind = FormulaKind::OneSum;
    for (const Arg& a : refs) {
        if (!cellsOfReference(a.first, a.last, cell, cell->sheet, 1, plan.parts)) {
            plan.unknownSheet = true;
            plan.parts.clear();
            return true;
        }
    }
    return true;
}

// A sum or difference of cells: each cell once, with its net sign. A cell
// that comes out added twice (=A1+A1) or subtracted twice is no part of an
// equation with coefficients +1 and -1, and the formula is something else.
bool planLinear(const std::string& text, const Cell* cell, FormulaPlan& plan) {
    std::vector<LinearItem> items;
    if (!parseLinearFormula(text, items)) return false;
    std::vector<PlannedTerm> made;
    for (const LinearItem& item : items) {
        if (!cellsOfReference(item.first, item.last, cell, cell->sheet, int16_t(item.sign), made)) {
            plan.kind = FormulaKind::Linear;
            plan.unknownSheet = true;
            return true;
        }
    }
    std::unordered_map<const Cell*, int> net;
    std::vector<Cell*> order;
    for (const PlannedTerm& t : made) {
        auto [it, fresh] = net.emplace(t.cell, 0);
        if (fresh) order.push_back(t.cell);
        it->second += t.coef;
    }
    for (Cell* c : order) {
        const int coef = net[c];
        if (coef > 1 || coef < -1) return false;
        if (coef != 0) plan.parts.push_back({c, int16_t(coef)});
    }
    plan.kind = FormulaKind::Linear;
    return true;
}

}  // namespace

FormulaPlan planFormula(const std::string& text, const Cell* cell) {
    FormulaPlan plan;
    if (text.empty() || text[0] != '=') return plan;
    if (planOneSum(text, cell, plan)) return plan;
    plan = FormulaPlan{};
    if (planLinear(text, cell, plan)) return plan;
    plan = FormulaPlan{};
    plan.kind = FormulaKind::Other;
    return plan;
}

void commitPlan(const FormulaPlan& plan, Sum* sum, Cell* cell) {
    auto add = [sum](Cell* c, int16_t coef) {
        SumTerm* term = newSumTerm(c, coef, sum->terms);
        if (!term) return;
        sum->terms = term;
        ++sum->termCount;
        ++c->useCount;
    };
    for (const PlannedTerm& t : plan.parts) add(t.cell, t.coef);
    if (Cell* total = cellAt(cell->sheet, cell->row, cell->col)) add(total, -1);
}
