// The search for typed totals on pictures of workbooks made from the input:
// the first byte gives the number of sheets (1 to 3) and the grid's width (4
// to 11 columns); then each byte is one cell, row by row, of the first sheet,
// then of the next: its value mod 8 picks empty (0-2), a text (3: a label
// from a small list, some naming totals, some indented), something else (4),
// a number (5, 6: typed; 7: from a formula) whose value is the next byte
// (small counts, a few years, one in four with a fraction).
#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "capture/total_finder.h"
#include "fuzz/targets.h"

namespace fuzz {

namespace {

const char* const kLabels[] = {"Total", "a", "  b", "..c", "....d", "All", "", "Summe", "x y"};

bool close(double a, double b) {
    return std::fabs(a - b) <= 1e-9 * std::max({1.0, std::fabs(a), std::fabs(b)});
}

}  // namespace

void totalsSearch(const uint8_t* data, size_t size) {
    if (size < 1) return;
    const int sheetCount = 1 + data[0] % 3;
    const int width = 4 + (data[0] / 3) % 8;
    std::vector<totals::Sheet> sheets(static_cast<size_t>(sheetCount));
    size_t at = 1;
    const size_t perSheet = (size - 1) / size_t(sheetCount) + 1;
    for (int s = 0; s < sheetCount; ++s) {
        const size_t end = std::min(size, at + perSheet);
        int cell = 0;
        while (at < end) {
            const uint8_t b = data[at++];
            const int32_t row = cell / width, col = cell % width;
            ++cell;
            totals::Spot spot;
            switch (b % 8) {
                case 0:
                case 1:
                case 2:
                    continue;
                case 3:
                    spot.kind = totals::Spot::Text;
                    spot.text = kLabels[(b / 8) % (sizeof kLabels / sizeof kLabels[0])];
                    break;
                case 4:
                    spot.kind = totals::Spot::Other;
                    break;
                default: {
                    spot.kind = totals::Spot::Number;
                    spot.typed = b % 8 != 7;
                    const uint8_t v = at < end ? data[at++] : 0;
                    spot.value = v >= 240 ? 2000 + (v - 240) : v % 4 == 3 ? v / 8.0 : v / 4;
                    break;
                }
            }
            sheets[size_t(s)][{row, col}] = spot;
        }
    }
    const std::vector<std::string> names = {"One", "Two", "Three"};
    const auto proposals = totals::findTotals(sheets, names);
    std::set<std::vector<int64_t>> seen;
    for (const totals::Proposal& p : proposals) {
        auto spotAt = [&](const totals::Pos& q) -> const totals::Spot* {
            if (q.sheet < 0 || q.sheet >= sheetCount) return nullptr;
            auto it = sheets[size_t(q.sheet)].find({q.row, q.col});
            return it == sheets[size_t(q.sheet)].end() ? nullptr : &it->second;
        };
        const totals::Spot* total = spotAt(p.total);
        if (!total || total->kind != totals::Spot::Number || !total->typed)
            fail("a proposed total is a typed number");
        if (p.parts.size() < 2) fail("a proposed total has two parts or more");
        double sum = 0;
        std::set<std::vector<int32_t>> parts;
        for (const totals::Pos& q : p.parts) {
            const totals::Spot* part = spotAt(q);
            if (!part || part->kind != totals::Spot::Number) fail("every part is a number");
            if (q == p.total) fail("a total is no part of itself");
            if (!parts.insert({q.sheet, q.row, q.col}).second) fail("each part is named once");
            sum += part->value;
        }
        if (!close(total->value, sum)) fail("a proposed total equals the sum of its parts");
        std::vector<int64_t> key = {p.total.sheet, p.total.row, p.total.col};
        for (const totals::Pos& q : p.parts) key.insert(key.end(), {q.sheet, q.row, q.col});
        if (!seen.insert(key).second) fail("a proposal is made once");
    }
}

}  // namespace fuzz
