// The search for typed totals: tables found on the sheets, their headers and
// labels, tables continued on the next sheet, sheets laid out alike; each
// seen as matrices whose totals the analysis of total_matrix.cpp finds.
#include "capture/total_finder.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <tuple>

#include "capture/total_matrix.h"

namespace totals {

namespace {

using RC = std::pair<int32_t, int32_t>;  // row, col

// Splits deeper than this are not looked for (a table is rarely nested so).
constexpr int kMaxCutDepth = 48;
// A table seen as more positions than this (rows with numbers times columns
// with numbers) is not searched: it would take more memory than a workbook.
constexpr size_t kMaxPositions = size_t(4) << 20;

struct Region {
    int sheet = 0;
    std::set<RC> cells;  // the occupied positions of the table, labels included
    int32_t r0 = 0, r1 = 0, c0 = 0, c1 = 0;
    std::set<RC> headers;             // numbers read as headers
    std::vector<int32_t> rows, cols;  // rows and columns holding numbers of the table
    struct Label {
        std::string text;
        int indent = 0;
    };
    // The texts of a row left of the table's numbers, of a column above them.
    std::map<int32_t, Label> rowLabels, colLabels;
};

// Groups of positions separated by at least one empty row (or column).
std::vector<std::vector<RC>> splitAt(const std::vector<RC>& cells, bool byRow) {
    std::vector<int32_t> keys;
    for (const RC& c : cells) keys.push_back(byRow ? c.first : c.second);
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    std::vector<int32_t> starts{keys.front()};
    for (size_t i = 1; i < keys.size(); ++i)
        if (keys[i] > keys[i - 1] + 1) starts.push_back(keys[i]);
    std::vector<std::vector<RC>> groups(starts.size());
    for (const RC& c : cells) {
        const int32_t k = byRow ? c.first : c.second;
        const size_t g =
            size_t(std::upper_bound(starts.begin(), starts.end(), k) - starts.begin()) - 1;
        groups[g].push_back(c);
    }
    return groups;
}

void cut(const std::vector<RC>& cells, bool rowsFirst, int depth,
         std::vector<std::vector<RC>>& out) {
    if (depth < kMaxCutDepth) {
        for (bool byRow : {rowsFirst, !rowsFirst}) {
            auto groups = splitAt(cells, byRow);
            if (groups.size() > 1) {
                for (const auto& g : groups) cut(g, !byRow, depth + 1, out);
                return;
            }
        }
    }
    out.push_back(cells);
}

bool isNumber(const Sheet& s, const RC& at) {
    auto it = s.find(at);
    return it != s.end() && it->second.kind == Spot::Number;
}

// Whole numbers that look like years, or that count 0/1, 2, 3, ...
bool headerRun(const std::vector<double>& v) {
    if (v.empty()) return false;
    for (double x : v)
        if (x != std::floor(x)) return false;
    bool years = true;
    for (double x : v) years &= x >= 1800 && x <= 2200;
    if (years) return true;
    if (v.size() < 2 || (v[0] != 0 && v[0] != 1)) return false;
    for (size_t i = 1; i < v.size(); ++i)
        if (v[i] != v[i - 1] + 1) return false;
    return true;
}

void findHeaders(const Sheet& s, Region& r) {
    auto numbersOf = [&](bool row, int32_t at) {
        std::vector<RC> found;
        for (const RC& c : r.cells)
            if ((row ? c.first : c.second) == at && isNumber(s, c) && !r.headers.count(c))
                found.push_back(c);
        return found;
    };
    for (bool row : {true, false}) {
        int32_t first = INT32_MAX;
        for (const RC& c : r.cells)
            if (isNumber(s, c) && !r.headers.count(c))
                first = std::min(first, row ? c.first : c.second);
        if (first == INT32_MAX) return;
        const std::vector<RC> line = numbersOf(row, first);  // ordered along the line
        std::vector<double> values;
        for (const RC& c : line) values.push_back(s.at(c).value);
        if (headerRun(values)) r.headers.insert(line.begin(), line.end());
    }
}

// A label is the texts of a row left of the table's numbers (of a column
// above them), joined; its depth is that of the first: its column (row) and
// its leading blanks or dots.
void findLabels(const Sheet& s, Region& r) {
    const int32_t firstCol = r.cols.empty() ? r.c1 + 1 : r.cols.front();
    const int32_t firstRow = r.rows.empty() ? r.r1 + 1 : r.rows.front();
    for (const RC& c : r.cells) {  // row by row, left to right
        auto it = s.find(c);
        if (it == s.end() || it->second.kind != Spot::Text) continue;
        const std::string& text = it->second.text;
        auto add = [&](Region::Label& l, int32_t depth) {
            if (l.text.empty()) l.indent = depth * 100 + labelIndent(text);
            l.text += (l.text.empty() ? "" : " ") + text;
        };
        if (c.second < firstCol) add(r.rowLabels[c.first], c.second - r.c0);
        if (c.first < firstRow) add(r.colLabels[c.second], c.first - r.r0);
    }
}

const Region::Label& labelOf(const std::map<int32_t, Region::Label>& labels, int32_t at) {
    static const Region::Label none;
    auto it = labels.find(at);
    return it == labels.end() ? none : it->second;
}

Region makeRegion(int sheet, const Sheet& s, const std::vector<RC>& cells) {
    Region r;
    r.sheet = sheet;
    r.cells.insert(cells.begin(), cells.end());
    r.r0 = r.c0 = INT32_MAX;
    r.r1 = r.c1 = INT32_MIN;
    for (const RC& c : cells) {
        r.r0 = std::min(r.r0, c.first);
        r.r1 = std::max(r.r1, c.first);
        r.c0 = std::min(r.c0, c.second);
        r.c1 = std::max(r.c1, c.second);
    }
    findHeaders(s, r);
    std::set<int32_t> rows, cols;
    for (const RC& c : r.cells)
        if (isNumber(s, c) && !r.headers.count(c)) {
            rows.insert(c.first);
            cols.insert(c.second);
        }
    r.rows.assign(rows.begin(), rows.end());
    r.cols.assign(cols.begin(), cols.end());
    findLabels(s, r);
    return r;
}

bool tableNumber(const Sheet& s, const Region& r, const RC& at) {
    return r.cells.count(at) && isNumber(s, at) && !r.headers.count(at);
}

// Tables of a sheet: blocks between empty rows and columns; blocks one empty
// row (column) apart whose numbers lie in the same columns (rows) are one
// table.
std::vector<Region> regionsOf(int sheet, const Sheet& s) {
    std::vector<RC> cells;
    for (const auto& [at, spot] : s) cells.push_back(at);
    if (cells.empty()) return {};
    std::vector<std::vector<RC>> blocks;
    cut(cells, true, 0, blocks);
    std::vector<Region> parts;
    for (const auto& b : blocks) parts.push_back(makeRegion(sheet, s, b));
    std::vector<size_t> root(parts.size());
    for (size_t i = 0; i < root.size(); ++i) root[i] = i;
    auto find = [&](size_t i) {
        while (root[i] != i) i = root[i] = root[root[i]];
        return i;
    };
    std::multimap<int32_t, size_t> byTop, byLeft;
    for (size_t i = 0; i < parts.size(); ++i) {
        byTop.emplace(parts[i].r0, i);
        byLeft.emplace(parts[i].c0, i);
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        const Region& a = parts[i];
        if (a.cols.empty()) continue;
        for (auto [it, end] = byTop.equal_range(a.r1 + 2); it != end; ++it)
            if (parts[it->second].cols == a.cols) root[find(it->second)] = find(i);
        for (auto [it, end] = byLeft.equal_range(a.c1 + 2); it != end; ++it)
            if (parts[it->second].rows == a.rows) root[find(it->second)] = find(i);
    }
    std::map<size_t, std::vector<size_t>> groups;
    for (size_t i = 0; i < parts.size(); ++i) groups[find(i)].push_back(i);
    std::vector<Region> regions;
    for (const auto& [first, members] : groups) {
        if (members.size() == 1) {
            regions.push_back(parts[members.front()]);
            continue;
        }
        std::vector<RC> all;
        for (size_t i : members)
            all.insert(all.end(), parts[i].cells.begin(), parts[i].cells.end());
        regions.push_back(makeRegion(sheet, s, all));
    }
    std::sort(regions.begin(), regions.end(), [](const Region& a, const Region& b) {
        return std::tie(a.r0, a.c0) < std::tie(b.r0, b.c0);
    });
    return regions;
}

Slot slotOf(const Sheet& s, int sheet, const Region& r, const RC& at) {
    Slot slot;
    if (!tableNumber(s, r, at)) return slot;
    const Spot& spot = s.at(at);
    slot.present = true;
    slot.typed = spot.typed;
    slot.value = spot.value;
    slot.pos = {sheet, at.first, at.second};
    return slot;
}

// Rows as items, columns as lines, over one table or a table continued on
// further sheets.
Matrix rowMatrix(const std::vector<Sheet>& sheets, const std::vector<const Region*>& chain) {
    std::set<int32_t> cols;
    int items = 0;
    for (const Region* r : chain) {
        cols.insert(r->cols.begin(), r->cols.end());
        items += int(r->rows.size());
    }
    const std::vector<int32_t> lines(cols.begin(), cols.end());
    Matrix m;
    m.resize(items, int(lines.size()));
    int item = 0;
    for (const Region* r : chain) {
        const Sheet& s = sheets[size_t(r->sheet)];
        for (int32_t row : r->rows) {
            for (size_t l = 0; l < lines.size(); ++l)
                m.at(item, int(l)) = slotOf(s, r->sheet, *r, {row, lines[l]});
            const Region::Label& label = labelOf(r->rowLabels, row);
            m.labels[size_t(item)] = label.text;
            m.indents[size_t(item)] = label.indent;
            ++item;
        }
    }
    return m;
}

// Columns as items, rows as lines, over one table.
Matrix columnMatrix(const Sheet& s, const Region& r) {
    Matrix m;
    m.resize(int(r.cols.size()), int(r.rows.size()));
    for (size_t i = 0; i < r.cols.size(); ++i) {
        for (size_t l = 0; l < r.rows.size(); ++l)
            m.at(int(i), int(l)) = slotOf(s, r.sheet, r, {r.rows[l], r.cols[i]});
        const Region::Label& label = labelOf(r.colLabels, r.cols[i]);
        m.labels[i] = label.text;
        m.indents[i] = label.indent;
    }
    return m;
}

// The labels of a table's columns, for telling a continued table.
std::vector<std::string> columnLabels(const Region& r) {
    std::vector<std::string> labels;
    for (int32_t c : r.cols) labels.push_back(labelOf(r.colLabels, c).text);
    return labels;
}

// Chains of tables: the first table of a sheet continues the last table of
// the sheet before when its numbers lie in the same columns under the same
// column labels.
std::vector<std::vector<const Region*>> chainsOf(const std::vector<std::vector<Region>>& regions) {
    std::vector<std::vector<const Region*>> chains;
    for (size_t k = 0; k < regions.size(); ++k) {
        for (size_t i = 0; i < regions[k].size(); ++i) {
            const Region& r = regions[k][i];
            bool continues = false;
            if (i == 0 && k > 0 && !regions[k - 1].empty() && !chains.empty()) {
                const Region& prev = regions[k - 1].back();
                const auto labels = columnLabels(r);
                bool named = false;
                for (const std::string& l : labels) named |= !l.empty();
                continues = named && !r.cols.empty() && prev.cols == r.cols &&
                            columnLabels(prev) == labels && chains.back().back() == &prev;
            }
            if (continues)
                chains.back().push_back(&r);
            else
                chains.push_back({&r});
        }
    }
    return chains;
}

// Sheets laid out alike: numbers and texts at the same positions.
std::vector<std::vector<int>> layoutGroups(const std::vector<Sheet>& sheets) {
    std::vector<std::vector<std::tuple<int32_t, int32_t, int>>> shapes(sheets.size());
    for (size_t k = 0; k < sheets.size(); ++k)
        for (const auto& [at, spot] : sheets[k])
            if (spot.kind != Spot::Other)
                shapes[k].emplace_back(at.first, at.second, int(spot.kind));
    std::vector<std::vector<int>> groups;
    std::vector<bool> taken(sheets.size(), false);
    for (size_t k = 0; k < sheets.size(); ++k) {
        if (taken[k] || shapes[k].empty()) continue;
        std::vector<int> group{int(k)};
        for (size_t j = k + 1; j < sheets.size(); ++j)
            if (!taken[j] && shapes[j] == shapes[k]) {
                group.push_back(int(j));
                taken[j] = true;
            }
        if (group.size() >= 3) groups.push_back(group);
    }
    return groups;
}

// Sheets as items, positions as lines.
Matrix sheetMatrix(const std::vector<Sheet>& sheets, const std::vector<std::string>& names,
                   const std::vector<int>& group, const std::vector<std::vector<Region>>& regions) {
    std::set<RC> positions;
    for (const Region& r : regions[size_t(group.front())])
        for (const RC& c : r.cells)
            if (tableNumber(sheets[size_t(group.front())], r, c)) positions.insert(c);
    for (int k : group)
        for (const Region& r : regions[size_t(k)])
            for (const RC& h : r.headers) positions.erase(h);
    const std::vector<RC> lines(positions.begin(), positions.end());
    Matrix m;
    if (group.size() * lines.size() > kMaxPositions) return m;
    m.resize(int(group.size()), int(lines.size()));
    for (size_t i = 0; i < group.size(); ++i) {
        const int k = group[i];
        for (size_t l = 0; l < lines.size(); ++l) {
            auto it = sheets[size_t(k)].find(lines[l]);
            if (it == sheets[size_t(k)].end()) continue;
            const Spot& spot = it->second;
            Slot& slot = m.at(int(i), int(l));
            slot.present = spot.kind == Spot::Number;
            slot.typed = spot.typed;
            slot.value = spot.value;
            slot.pos = {k, lines[l].first, lines[l].second};
        }
        m.labels[i] = size_t(k) < names.size() ? names[size_t(k)] : "";
    }
    return m;
}

}  // namespace

std::vector<Proposal> findTotals(const std::vector<Sheet>& sheets,
                                 const std::vector<std::string>& names) {
    std::vector<std::vector<Region>> regions;
    for (size_t k = 0; k < sheets.size(); ++k) regions.push_back(regionsOf(int(k), sheets[k]));
    std::vector<Proposal> out;
    for (const auto& chain : chainsOf(regions)) {
        size_t rows = 0;
        for (const Region* r : chain) rows += r->rows.size();
        if (rows * chain.front()->cols.size() > kMaxPositions) continue;
        const Matrix m = rowMatrix(sheets, chain);
        emitProposals(m, analyseMatrix(m), out);
    }
    for (size_t k = 0; k < sheets.size(); ++k)
        for (const Region& r : regions[k]) {
            if (r.rows.size() * r.cols.size() > kMaxPositions) continue;
            const Matrix m = columnMatrix(sheets[k], r);
            emitProposals(m, analyseMatrix(m), out);
        }
    for (const auto& group : layoutGroups(sheets)) {
        const Matrix m = sheetMatrix(sheets, names, group, regions);
        emitProposals(m, analyseMatrix(m), out);
    }
    return out;
}

}  // namespace totals
