// Host functions that change cells and selections: xlSet, select, formula
// entry, copy, clear and sort.
#include "host/address.h"
#include "host/dispatch.h"
#include "host/sort.h"

namespace host {

namespace {

Model& model() {
    return state().model;
}

constexpr long kMaxCellsPerWrite = 1L << 20;

long cellCount(const std::vector<Rect>& areas) {
    long n = 0;
    for (const Rect& r : areas) n += static_cast<long>(r.rows()) * r.cols();
    return n;
}

Outcome setHandler(Call& c) {
    const Value& ref = c.arg(0);
    Sheet* s = refSheet(ref);
    if (!ref.isRef() || ref.areas.empty()) return Outcome::badValue();
    if (!s) return Outcome::failed();
    const Value& v = c.arg(1);
    if (v.isRef()) return Outcome::badValue();
    if (isAbsent(v)) {
        // No value: the contents of the cells are removed.
        for (const Rect& r : ref.areas) {
            std::vector<std::pair<int, int>> used;
            for (auto& [k, cell] : s->cells) {
                int row = static_cast<int>(k / kMaxCols), col = static_cast<int>(k % kMaxCols);
                if (r.contains(row, col)) used.emplace_back(row, col);
            }
            for (auto [row, col] : used) model().setValue(*s, row, col, Value::nil());
        }
        return Outcome::ok(Value::boolean_(true));
    }
    if (cellCount(ref.areas) > kMaxCellsPerWrite) return Outcome::failed();
    for (const Rect& r : ref.areas) {
        for (int row = r.row1; row <= r.row2; ++row) {
            for (int col = r.col1; col <= r.col2; ++col) {
                Value item = v;
                if (v.isArray()) {
                    int i = row - r.row1, j = col - r.col1;
                    item = i < v.rows && j < v.cols ? v.at(i, j) : Value::error(xlerrNA);
                }
                model().setValue(*s, row, col, item);
            }
        }
    }
    return Outcome::ok(Value::boolean_(true));
}

Outcome selectHandler(Call& c) {
    auto ref = refArg(c.arg(0), c.intl);
    if (!ref) return c.arg(0).isRef() || c.arg(0).isStr() ? Outcome::failed() : Outcome::badValue();
    Sheet* s = model().sheetById(ref->sheetId);
    if (!s || s != model().activeSheet()) return Outcome::failed();
    int row = ref->areas[0].row1, col = ref->areas[0].col1;
    if (c.given(1)) {
        auto active = refArg(c.arg(1), c.intl);
        if (!active || active->sheetId != s->id) return Outcome::failed();
        row = active->areas[0].row1;
        col = active->areas[0].col1;
    }
    s->selection = ref->areas;
    s->activeRow = row;
    s->activeCol = col;
    return Outcome::ok(Value::boolean_(true));
}

Outcome selectLastCellHandler(Call& c) {
    (void)c;
    Sheet* s = model().activeSheet();
    if (!s) return Outcome::failed();
    auto last = s->lastUsed();
    int row = last ? last->first : 0, col = last ? last->second : 0;
    s->selection = {Rect{row, col, row, col}};
    s->activeRow = row;
    s->activeCol = col;
    return Outcome::ok(Value::boolean_(true));
}

// A constant as typed: numbers, TRUE/FALSE, error texts, "'" forces text.
Value typedConstant(const std::string& text) {
    if (text.empty()) return Value::nil();
    if (text[0] == '\'') return Value::text(text.substr(1));
    double d = 0;
    if (textToNumber(text, d)) return Value::number(d);
    if (sameText(text, "TRUE")) return Value::boolean_(true);
    if (sameText(text, "FALSE")) return Value::boolean_(false);
    int e = errorCode(text);
    if (e >= 0) return Value::error(e);
    return Value::text(text);
}

Outcome formulaHandler(Call& c) {
    Sheet* s = nullptr;
    std::vector<Rect> areas;
    if (c.given(1)) {
        auto ref = refArg(c.arg(1), c.intl);
        if (!ref)
            return c.arg(1).isRef() || c.arg(1).isStr() ? Outcome::failed() : Outcome::badValue();
        s = model().sheetById(ref->sheetId);
        areas = ref->areas;
    } else {
        s = model().activeSheet();
        if (s) areas = {Rect{s->activeRow, s->activeCol, s->activeRow, s->activeCol}};
    }
    if (!s) return Outcome::failed();
    if (cellCount(areas) > kMaxCellsPerWrite) return Outcome::failed();
    const Value& input = c.arg(0);
    if (input.isArray() || input.isRef()) return Outcome::badValue();
    if (!input.isStr() || input.str.empty() || input.str[0] != '=') {
        Value v = input.isStr() ? typedConstant(input.str) : input;
        for (const Rect& r : areas)
            for (int row = r.row1; row <= r.row2; ++row)
                for (int col = r.col1; col <= r.col2; ++col) model().setValue(*s, row, col, v);
        return Outcome::ok(Value::boolean_(true));
    }
    const Rect& first = areas[0];
    // Under xlIntl formulas are written in R1C1 notation, else in A1.
    std::string error;
    FormulaPtr f = model().parse(*s, input.str, c.intl ? Notation::R1C1 : Notation::A1, first.row1,
                                 first.col1, error);
    if (!f) {
        hostMessage("The formula " + input.str + " cannot be entered: " + error + ".");
        return Outcome::failed();
    }
    // Relative references are kept as offsets: the same formula suits every cell.
    for (const Rect& r : areas)
        for (int row = r.row1; row <= r.row2; ++row)
            for (int col = r.col1; col <= r.col2; ++col) model().setFormula(*s, row, col, f);
    return Outcome::ok(Value::boolean_(true));
}

Outcome copyHandler(Call& c) {
    auto from = refArg(c.arg(0), c.intl);
    auto to = refArg(c.arg(1), c.intl);
    if (!from || !to) return Outcome::failed();
    Sheet* src = model().sheetById(from->sheetId);
    Sheet* dst = model().sheetById(to->sheetId);
    if (!src || !dst || from->areas.size() != 1) return Outcome::failed();
    const Rect& r = from->areas[0];
    int row0 = to->areas[0].row1, col0 = to->areas[0].col1;
    if (row0 + r.rows() > kMaxRows || col0 + r.cols() > kMaxCols) return Outcome::failed();
    // Take a snapshot first: the areas may overlap.
    std::vector<std::pair<std::pair<int, int>, Cell>> snapshot;
    for (int row = r.row1; row <= r.row2; ++row)
        for (int col = r.col1; col <= r.col2; ++col)
            if (const Cell* cell = src->find(row, col))
                snapshot.push_back({{row - r.row1, col - r.col1}, *cell});
    for (int row = 0; row < r.rows(); ++row)
        for (int col = 0; col < r.cols(); ++col) dst->erase(row0 + row, col0 + col);
    for (auto& [pos, cell] : snapshot) {
        cell.cacheGen = 0;
        cell.evaluating = false;
        cell.asRead = false;
        cell.stored.reset();
        dst->at(row0 + pos.first, col0 + pos.second) = std::move(cell);
    }
    model().touch(*dst);
    return Outcome::ok(Value::boolean_(true));
}

// Sets the width of every column of the reference's areas.
Outcome columnWidthHandler(Call& c) {
    auto width = numberArg(c.arg(0));
    auto ref = refArg(c.arg(1), c.intl);
    if (!width || !ref || !(*width >= 0 && *width <= 255)) return Outcome::badValue();
    Sheet* s = model().sheetById(ref->sheetId);
    if (!s) return Outcome::failed();
    for (const Rect& r : ref->areas)
        for (int col = r.col1; col <= r.col2; ++col) {
            s->widths[col] = *width;
            s->widthsChanged.insert(col);
        }
    model().touch(*s);
    return Outcome::ok(Value::boolean_(true));
}

Outcome clearHandler(Call& c) {
    int type = 3;
    if (c.given(0)) {
        auto t = intArg(c.arg(0));
        if (!t || *t < 1 || *t > 4) return Outcome::badValue();
        type = *t;
    }
    Sheet* s = model().activeSheet();
    if (!s) return Outcome::failed();
    for (const Rect& r : s->selection) {
        std::vector<uint32_t> keys;
        for (auto& [k, cell] : s->cells)
            if (r.contains(static_cast<int>(k / kMaxCols), static_cast<int>(k % kMaxCols)))
                keys.push_back(k);
        for (uint32_t k : keys) {
            Cell& cell = s->cells[k];
            const bool wasRead = cell.asRead && !cell.empty();
            if (type == 1 || type == 2) cell.format.clear();
            if (type == 1 || type == 3) {
                // A cell the file held stays, empty, so that what depends
                // on it sees the change.
                if (!cell.empty()) cell.asRead = false;
                cell.formula.reset();
                cell.value = Value::nil();
                cell.stored.reset();
                cell.arrayPart = false;
            }
            if (cell.empty() && cell.format.empty() && !wasRead) s->cells.erase(k);
        }
        if (type == 1 || type == 3) {
            // A pivot table whose whole area is cleared is gone.
            std::erase_if(s->pivots, [&](const PivotTable& p) {
                return r.contains(p.area.row1, p.area.col1) && r.contains(p.area.row2, p.area.col2);
            });
        }
    }
    model().touch(*s);
    return Outcome::ok(Value::boolean_(true));
}

// A sort key: a reference (or reference text) whose first column (or row)
// decides; absent keys are left out.
bool sortKey(const Call& c, size_t keyArg, bool byColumns, std::vector<SortKey>& keys) {
    if (!c.given(keyArg)) return true;
    auto ref = refArg(c.arg(keyArg), c.intl);
    if (!ref) return false;
    SortKey k;
    k.index = byColumns ? ref->areas[0].row1 : ref->areas[0].col1;
    if (c.given(keyArg + 1)) {
        auto order = intArg(c.arg(keyArg + 1));
        if (!order || (*order != 1 && *order != 2)) return false;
        k.descending = *order == 2;
    }
    keys.push_back(k);
    return true;
}

Outcome sortHandler(Call& c) {
    Sheet* s = model().activeSheet();
    if (!s || s->selection.size() != 1) return Outcome::failed();
    const Rect block = s->selection[0];
    SortSpec spec;
    if (c.given(0)) {
        auto by = intArg(c.arg(0));
        if (!by || (*by != 1 && *by != 2)) return Outcome::badValue();
        spec.byColumns = *by == 2;
    }
    for (size_t k : {1u, 3u, 5u})
        if (!sortKey(c, k, spec.byColumns, spec.keys)) return Outcome::failed();
    if (spec.keys.empty()) spec.keys.push_back({spec.byColumns ? block.row1 : block.col1, false});
    int header = 2;  // no header
    if (c.given(7)) {
        const Value& h = c.arg(7);
        if (h.isBool()) {
            header = h.boolean ? 1 : 2;
        } else {
            auto n = intArg(h);
            if (!n || *n < 0 || *n > 2) return Outcome::badValue();
            header = *n;
        }
    }
    if (header == 0) {
        // Guess: a first line of texts over a key that holds other values below.
        bool texts = true, otherBelow = false;
        int line = spec.byColumns ? block.col1 : block.row1;
        for (int a = spec.byColumns ? block.row1 : block.col1;
             a <= (spec.byColumns ? block.row2 : block.col2); ++a) {
            Value v = spec.byColumns ? model().value(*s, a, line) : model().value(*s, line, a);
            if (!v.isNil() && !v.isStr()) texts = false;
        }
        int k = spec.keys[0].index;
        Value below =
            spec.byColumns ? model().value(*s, k, line + 1) : model().value(*s, line + 1, k);
        otherBelow = !below.isNil() && !below.isStr();
        header = texts && otherBelow ? 1 : 2;
    }
    spec.header = header == 1;
    auto match = boolArg(c.arg(9), false);
    if (!match) return Outcome::badValue();
    spec.matchCase = *match;
    std::string error;
    if (!sortBlock(model(), *s, block, spec, error)) return Outcome::failed();
    return Outcome::ok(Value::boolean_(true));
}

}  // namespace

void addCellEntries(std::vector<Entry>& t) {
    t.push_back({xlSet, 1, 2, setHandler});
    t.push_back({xlcSelect, 1, 2, selectHandler});
    t.push_back({xlcSelectLastCell, 0, 0, selectLastCellHandler});
    t.push_back({xlcFormula, 1, 2, formulaHandler});
    t.push_back({xlcCopy, 2, 2, copyHandler});
    t.push_back({xlcColumnWidth, 2, 2, columnWidthHandler});
    t.push_back({xlcClear, 0, 1, clearHandler});
    t.push_back({xlcSort, 0, 16, sortHandler});
}

}  // namespace host
