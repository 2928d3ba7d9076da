// What a capture tells the user: the formulas kept as formulas, the totals
// found, the counts of cells and equations, and the numbers left as they are;
// as status texts and as the report a front end reads.
#include <algorithm>
#include <string>
#include <vector>

#include "capture/capture.h"
#include "capture/capture_record.h"
#include "capture/formula_cells.h"
#include "shell/host_api.h"

namespace {

std::string counted(size_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

struct Counts {
    int cells = 0, equations = 0, fromFormulas = 0, found = 0, byHand = 0;
    std::vector<GridPos> unrounded;
    std::vector<std::string> foundTexts;
};

// The counts of the instance held now (a scanned workbook's).
Counts countNow() {
    Counts c;
    const InstanceState& s = gInstance;
    c.cells = s.ncells;
    for (const Sum* sum = s.sumList; sum; sum = sum->next) {
        ++c.equations;
        if (sum->fromFormula) {
            ++c.fromFormulas;
        } else if (sum->found) {
            ++c.found;
            c.foundTexts.push_back(foundTotalText(sum));
        } else {
            ++c.byHand;
        }
    }
    // The list holds the last found first; report them as they were found.
    std::reverse(c.foundTexts.begin(), c.foundTexts.end());
    c.unrounded = numbersInNoEquation();
    return c;
}

Counts recorded() {
    const CaptureRecord& r = gCapture;
    Counts c;
    c.cells = r.cells;
    c.equations = r.equations;
    c.fromFormulas = r.fromFormulas;
    c.found = r.found;
    c.byHand = r.byHand;
    c.unrounded = r.unrounded;
    c.foundTexts = r.foundTexts;
    return c;
}

std::string unroundedSentence(size_t n) {
    return n == 1 ? "1 number is in no equation and was left as it is: "
                  : std::to_string(n) + " numbers are in no equation and were left as they are: ";
}

}  // namespace

std::string foundTotalText(const Sum* sum) {
    const Cell* total = nullptr;
    std::vector<const Cell*> parts;
    for (const SumTerm* t = sum->terms; t; t = t->next) {
        if (t->coef < 0 && !total)
            total = t->cell;
        else
            parts.push_back(t->cell);
    }
    std::reverse(parts.begin(), parts.end());
    if (!total || parts.empty()) return "";
    std::string text = cellAddress(total->sheet, total->row, total->col) + " = ";
    auto name = [](const Cell* c) { return cellAddress(c->sheet, c->row, c->col); };
    bool line = parts.size() >= 3;
    for (size_t i = 1; i < parts.size() && line; ++i) {
        const Cell* a = parts[i - 1];
        const Cell* b = parts[i];
        line = a->sheet == b->sheet && ((a->row == b->row && b->col == a->col + 1) ||
                                        (a->col == b->col && b->row == a->row + 1));
    }
    if (line) return text + name(parts.front()) + " + ... + " + name(parts.back());
    std::string joined;
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string piece = (i ? " + " : "") + name(parts[i]);
        if (text.size() + joined.size() + piece.size() > 200 && i + 1 < parts.size()) {
            joined +=
                " + ... + " + name(parts.back()) + " (" + std::to_string(parts.size()) + " parts)";
            break;
        }
        joined += piece;
    }
    return text + joined;
}

void reportKeptFormulas() {
    struct Group {
        KeptReason reason;
        const char* one;
        const char* many;
    };
    const Group groups[] = {
        {KeptReason::NotASum,
         "formula is no sum or difference of cells: it keeps its formula and is no cell of the "
         "table: ",
         "formulas are no sums or differences of cells: they keep their formulas and are no "
         "cells of the table: "},
        {KeptReason::UnknownSheet,
         "formula names a sheet this workbook does not have: it keeps its formula: ",
         "formulas name a sheet this workbook does not have: they keep their formulas: "},
        {KeptReason::OutsideTable,
         "formula lies outside the table's ranges and keeps its formula: ",
         "formulas lie outside the table's ranges and keep their formulas: "},
    };
    for (const Group& g : groups) {
        std::vector<GridPos> at;
        for (const KeptFormula& k : gCapture.keptFormulas)
            if (k.reason == g.reason) at.push_back(k.at);
        if (!at.empty()) showListed(counted(at.size(), g.one, g.many), rangeTexts(at));
    }
    std::vector<std::string> adds;
    for (const KeptFormula& k : gCapture.keptFormulas)
        if (k.reason == KeptReason::AddsNonTable)
            adds.push_back(cellAddress(k.at) + " (adds " + cellAddress(k.via) + ")");
    if (!adds.empty())
        showListed(counted(adds.size(),
                           "total adds a cell that is no cell of the table: it keeps its formula "
                           "and is no equation: ",
                           "totals add a cell that is no cell of the table: they keep their "
                           "formulas and are no equations: "),
                   adds);
}

void summariseCapture() {
    CaptureRecord& r = gCapture;
    if (!r.fromWorkbook) return;
    const Counts c = countNow();
    r.summarised = true;
    r.cells = c.cells;
    r.equations = c.equations;
    r.fromFormulas = c.fromFormulas;
    r.found = c.found;
    r.byHand = c.byHand;
    r.unrounded = c.unrounded;
    r.foundTexts = c.foundTexts;
    const std::string counts = " Captured " + counted(size_t(c.cells), "cell", "cells") + " and " +
                               counted(size_t(c.equations), "equation", "equations") + " (" +
                               std::to_string(c.fromFormulas) + " from formulas, " +
                               std::to_string(c.found) + " found totals, " +
                               std::to_string(c.byHand) + " by hand).";
    ShowStatus(counts.c_str());
    if (!c.unrounded.empty())
        showListed(unroundedSentence(c.unrounded.size()), rangeTexts(c.unrounded));
}

QTB_EXPORT const char* QTBTXfCaptureReport(void) {
    static std::string report;
    report.clear();
    const CaptureRecord& r = gCapture;
    if (!r.fromWorkbook) return report.c_str();
    const bool live = gInstance.cellList && gInstance.origin == InstanceOrigin::Worksheet;
    if (!live && !r.summarised) return report.c_str();
    const Counts c = live ? countNow() : recorded();
    auto line = [](const std::string& key, const std::string& value) {
        report += key + "\t" + value + "\n";
    };
    line("cells", std::to_string(c.cells));
    line("equations", std::to_string(c.equations));
    line("equations-formulas", std::to_string(c.fromFormulas));
    line("equations-found", std::to_string(c.found));
    line("equations-by-hand", std::to_string(c.byHand));
    line("unrounded-cells", std::to_string(c.unrounded.size()));
    const std::vector<std::string> ranges = rangeTexts(c.unrounded);
    for (const std::string& range : ranges) line("unrounded-range", range);
    std::vector<GridPos> kept;
    for (const KeptFormula& k : r.keptFormulas) kept.push_back(k.at);
    line("kept-formulas", std::to_string(kept.size()));
    for (const std::string& range : rangeTexts(kept)) line("kept-formula", range);
    for (const std::string& text : c.foundTexts) line("found", text);
    if (!c.unrounded.empty()) {
        std::string sentence = unroundedSentence(c.unrounded.size());
        for (size_t i = 0; i < ranges.size(); ++i) sentence += (i ? ", " : "") + ranges[i];
        line("summary", sentence);
    }
    return report.c_str();
}
