#include "capture/find_totals.h"

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "capture/capture_record.h"
#include "capture/total_finder.h"
#include "shell/host_api.h"

namespace {

using Signature = std::vector<std::pair<const Cell*, int>>;

Signature signatureOf(const Sum* sum, int sign) {
    Signature sig;
    for (const SumTerm* t = sum->terms; t; t = t->next) sig.emplace_back(t->cell, t->coef * sign);
    std::sort(sig.begin(), sig.end());
    return sig;
}

// The picture of the workbook the search works on: numbers of the instance
// (typed or from a formula), texts, and anything else that occupies a cell.
std::vector<totals::Sheet> pictureOfWorkbook() {
    std::vector<totals::Sheet> sheets(gCapture.sheets.size());
    for (size_t k = 0; k < gCapture.sheets.size(); ++k) {
        for (const auto& [key, entry] : gCapture.sheets[k]) {
            const int32_t row = int32_t(key >> 20), col = int32_t(key & 0xFFFFF);
            totals::Spot spot;
            if (entry.kind == ScannedEntry::Number) {
                if (const Cell* c = cellAt(int32_t(k), row, col)) {
                    spot.kind = totals::Spot::Number;
                    spot.value = c->nominal;
                    spot.typed = !entry.formula;
                }
            } else if (entry.kind == ScannedEntry::Text) {
                spot.kind = totals::Spot::Text;
                spot.text = entry.text;
            }
            sheets[k][{row, col}] = spot;
        }
    }
    return sheets;
}

}  // namespace

int findTypedTotals() {
    InstanceState& s = gInstance;
    if (!gCapture.fromWorkbook || s.origin != InstanceOrigin::Worksheet || !s.cellList) {
        ShowStatus(" Find Totals looks for totals in a table captured from a workbook.");
        return 0;
    }
    ShowStatus(" Finding totals typed as numbers...");
    const auto proposals = totals::findTotals(pictureOfWorkbook(), gCapture.sheetNames);
    std::set<Signature> known;
    for (const Sum* sum = s.sumList; sum; sum = sum->next) {
        known.insert(signatureOf(sum, 1));
        known.insert(signatureOf(sum, -1));
    }
    int added = 0;
    for (const totals::Proposal& p : proposals) {
        Cell* total = cellAt(p.total.sheet, p.total.row, p.total.col);
        std::vector<Cell*> parts;
        for (const totals::Pos& at : p.parts)
            if (Cell* c = cellAt(at.sheet, at.row, at.col)) parts.push_back(c);
        if (!total || parts.size() != p.parts.size()) continue;
        Sum* sum = newSum(0, total->row, total->col, nullptr, nullptr, nullptr, 0);
        if (!sum) {
            ShowAlert(" Unable to allocate necessary memory.", 1);
            break;
        }
        sum->sheet = total->sheet;
        sum->found = 1;
        bool complete = true;
        auto add = [&](Cell* c, int16_t coef) {
            SumTerm* term = newSumTerm(c, coef, sum->terms);
            if (!term) {
                complete = false;
                return;
            }
            sum->terms = term;
            ++sum->termCount;
            ++c->useCount;
        };
        for (Cell* c : parts) add(c, 1);
        add(total, -1);
        if (!complete || !known.insert(signatureOf(sum, 1)).second) {
            freeSum(sum);
            if (!complete) break;
            continue;
        }
        known.insert(signatureOf(sum, -1));
        sum->next = s.sumList;
        s.sumList = sum;
        ++s.nsums;
        ++added;
        ShowStatus((" Found total: " + foundTotalText(sum)).c_str());
    }
    const std::string done = added == 1
                                 ? " Done: 1 typed total found."
                                 : " Done: " + std::to_string(added) + " typed totals found.";
    ShowStatus(done.c_str());
    return added;
}
