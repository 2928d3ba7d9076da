#include "host/sort.h"

#include <algorithm>
#include <cctype>
#include <numeric>

namespace host {

namespace {

int rank(const Value& v) {
    switch (v.type) {
        case Value::Type::Num:
            return 0;
        case Value::Type::Str:
            return 1;
        case Value::Type::Bool:
            return 2;
        default:
            return 3;  // errors
    }
}

int compareTexts(const std::string& a, const std::string& b, bool matchCase) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int x = std::tolower(static_cast<unsigned char>(a[i]));
        int y = std::tolower(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    if (!matchCase) return 0;
    for (size_t i = 0; i < n; ++i) {
        if (a[i] == b[i]) continue;
        // Same letter in another case: the lower-case one first.
        bool lowerA = std::islower(static_cast<unsigned char>(a[i])) != 0;
        return lowerA ? -1 : 1;
    }
    return 0;
}

}  // namespace

int compareForSort(const Value& a, const Value& b, bool matchCase) {
    int ra = rank(a), rb = rank(b);
    if (ra != rb) return ra < rb ? -1 : 1;
    switch (a.type) {
        case Value::Type::Num:
            return a.num < b.num ? -1 : a.num > b.num ? 1 : 0;
        case Value::Type::Str:
            return compareTexts(a.str, b.str, matchCase);
        case Value::Type::Bool:
            return a.boolean == b.boolean ? 0 : a.boolean ? 1 : -1;
        default:
            return 0;
    }
}

bool sortBlock(Model& m, Sheet& s, const Rect& block, const SortSpec& spec, std::string& error) {
    // Work on lines (rows, or columns when sorting columns) of the block.
    const bool cols = spec.byColumns;
    const int first = (cols ? block.col1 : block.row1) + (spec.header ? 1 : 0);
    const int last = cols ? block.col2 : block.row2;
    const int across1 = cols ? block.row1 : block.col1;
    const int across2 = cols ? block.row2 : block.col2;
    for (const SortKey& k : spec.keys) {
        if (k.index < across1 || k.index > across2) {
            error = "a sort key lies outside the block being sorted";
            return false;
        }
    }
    if (last <= first) return true;
    auto cellPos = [&](int line, int across, int& row, int& col) {
        row = cols ? across : line;
        col = cols ? line : across;
    };
    const int n = last - first + 1;
    std::vector<std::vector<Value>> keys(n);
    for (int i = 0; i < n; ++i) {
        for (const SortKey& k : spec.keys) {
            int row, col;
            cellPos(first + i, k.index, row, col);
            keys[i].push_back(m.value(s, row, col));
        }
    }
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int x, int y) {
        for (size_t k = 0; k < spec.keys.size(); ++k) {
            const Value& a = keys[x][k];
            const Value& b = keys[y][k];
            if (a.isNil() || b.isNil()) {
                if (a.isNil() && b.isNil()) continue;
                return b.isNil();  // empty cells last in either direction
            }
            int c = compareForSort(a, b, spec.matchCase);
            if (spec.keys[k].descending) c = -c;
            if (c != 0) return c < 0;
        }
        return false;
    });
    // Take every line out, then put them back in their new order.
    std::vector<std::vector<std::pair<int, Cell>>> lines(n);
    for (int i = 0; i < n; ++i) {
        for (int a = across1; a <= across2; ++a) {
            int row, col;
            cellPos(first + i, a, row, col);
            if (Cell* c = s.find(row, col)) {
                lines[i].emplace_back(a, std::move(*c));
                s.erase(row, col);
            }
        }
    }
    for (int i = 0; i < n; ++i) {
        for (auto& [a, cell] : lines[order[i]]) {
            int row, col;
            cellPos(first + i, a, row, col);
            cell.cacheGen = 0;
            // A moved cell no longer holds what the file held at its place.
            if (order[i] != i) {
                cell.asRead = false;
                cell.stored.reset();
            }
            s.at(row, col) = std::move(cell);
        }
    }
    m.touch(s);
    return true;
}

}  // namespace host
