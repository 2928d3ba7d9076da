// Host functions that answer questions: about workbooks, documents, cells,
// references, and the conversion of values (xlCoerce).
#include <cmath>

#include "host/address.h"
#include "host/dispatch.h"

namespace host {

namespace {

Model& model() {
    return state().model;
}

std::string stripBrackets(const std::string& s) {
    if (s.size() >= 2 && s.front() == '[' && s.back() == ']') return s.substr(1, s.size() - 2);
    return s;
}

// A document named by text: a sheet ("[Book]Sheet", "Sheet") or a workbook
// (then its active sheet).
Sheet* documentSheet(const Value& name) {
    if (isAbsent(name)) return model().activeSheet();
    if (!name.isStr()) return nullptr;
    if (Sheet* s = model().findSheet(name.str)) return s;
    Workbook* b = model().bookNamed(stripBrackets(name.str));
    return b ? b->activeSheet() : nullptr;
}

Value rowOfTexts(const std::vector<std::string>& texts) {
    std::vector<Value> items;
    for (const std::string& t : texts) items.push_back(Value::text(t));
    const int n = static_cast<int>(items.size());  // before the items are moved
    return Value::array(1, n, std::move(items));
}

Outcome getWorkbookHandler(Call& c) {
    auto type = intArg(c.arg(0));
    if (!type) return Outcome::badValue();
    Workbook* b = nullptr;
    if (c.given(1)) {
        auto name = textArg(c.arg(1));
        if (!name) return Outcome::badValue();
        b = model().bookNamed(stripBrackets(*name));
        if (!b) {
            if (Sheet* s = model().findSheet(*name)) b = s->book;
        }
    } else {
        b = model().activeBook();
    }
    if (!b || b->sheets.empty()) return Outcome::ok(Value::error(xlerrNA));
    switch (*type) {
        case 1: {
            std::vector<std::string> names;
            for (auto& s : b->sheets) names.push_back(Model::fullName(*s));
            return Outcome::ok(rowOfTexts(names));
        }
        case 3:
            return Outcome::ok(rowOfTexts({Model::fullName(*b->activeSheet())}));
        case 4:
            return Outcome::ok(Value::number(static_cast<double>(b->sheets.size())));
        case 38:
            return Outcome::ok(Value::text(Model::fullName(*b->activeSheet())));
        default:
            return Outcome::ok(Value::error(xlerrValue));
    }
}

Value pivotNames(const Sheet& s) {
    if (s.pivots.empty()) return Value::error(xlerrNA);
    if (s.pivots.size() == 1) return Value::text(s.pivots[0].name);
    std::vector<std::string> names;
    for (const PivotTable& p : s.pivots) names.push_back(p.name);
    return rowOfTexts(names);
}

Outcome getDocumentHandler(Call& c) {
    auto type = intArg(c.arg(0));
    if (!type) return Outcome::badValue();
    Sheet* s = documentSheet(c.arg(1));
    if (!s) return Outcome::ok(Value::error(xlerrNA));
    switch (*type) {
        case 1:
            return Outcome::ok(Value::text(Model::documentName(*s)));
        case 70:
            return Outcome::ok(pivotNames(*s));
        case 76:
            return Outcome::ok(Value::text(Model::fullName(*s)));
        case 87:
            return Outcome::ok(Value::number(s->book->indexOf(s) + 1));
        case 88:
            return Outcome::ok(Value::text(s->book->name));
        default:
            return Outcome::ok(Value::error(xlerrValue));
    }
}

Outcome activeCellHandler(Call& c) {
    (void)c;
    Sheet* s = model().activeSheet();
    if (!s) return {xlretFailed, Value::error(xlerrRef)};
    return Outcome::ok(
        Value::ref(s->id, {{s->activeRow, s->activeCol, s->activeRow, s->activeCol}}));
}

Outcome selectionHandler(Call& c) {
    (void)c;
    Sheet* s = model().activeSheet();
    if (!s) return {xlretFailed, Value::error(xlerrRef)};
    return Outcome::ok(Value::ref(s->id, s->selection));
}

// The first cell of a reference argument (the active cell when absent).
bool firstCell(const Call& c, size_t i, Sheet*& s, int& row, int& col) {
    if (!c.given(i)) {
        s = model().activeSheet();
        if (!s) return false;
        row = s->activeRow;
        col = s->activeCol;
        return true;
    }
    auto ref = refArg(c.arg(i), c.intl);
    if (!ref) return false;
    s = model().sheetById(ref->sheetId);
    row = ref->areas[0].row1;
    col = ref->areas[0].col1;
    return s != nullptr;
}

Outcome getFormulaHandler(Call& c) {
    Sheet* s;
    int row, col;
    if (!firstCell(c, 0, s, row, col)) return Outcome::badValue();
    return Outcome::ok(
        Value::text(model().formulaText(*s, row, col, c.intl ? Notation::R1C1 : Notation::A1)));
}

Outcome getCellHandler(Call& c) {
    auto type = intArg(c.arg(0));
    Sheet* s;
    int row, col;
    if (!type || !firstCell(c, 1, s, row, col)) return Outcome::badValue();
    const Cell* cell = s->find(row, col);
    switch (*type) {
        case 1:
            return Outcome::ok(Value::text(a1Cell(row, col, true, true)));
        case 5:
            return Outcome::ok(model().value(*s, row, col));
        case 6:
            return Outcome::ok(Value::text(
                model().formulaText(*s, row, col, c.intl ? Notation::R1C1 : Notation::A1)));
        case 7:
            return Outcome::ok(
                Value::text(cell && !cell->format.empty() ? cell->format : "General"));
        case 16:
            return Outcome::ok(Value::number(s->width(col)));
        case 48:
            return Outcome::ok(Value::boolean_(cell && cell->formula));
        case 54:
        case 55: {
            const PivotTable* p = pivotAt(*s, row, col);
            return Outcome::ok(p ? Value::text(p->name) : Value::error(xlerrNA));
        }
        case 62:
            return Outcome::ok(Value::text(Model::fullName(*s)));
        case 66:
            return Outcome::ok(Value::text(s->book->name));
        default:
            return Outcome::ok(Value::error(xlerrValue));
    }
}

Outcome textrefHandler(Call& c) {
    auto text = textArg(c.arg(0));
    auto a1 = boolArg(c.arg(1), false);
    if (!text || !a1) return Outcome::badValue();
    Sheet* s = nullptr;
    std::vector<Rect> areas;
    std::string error;
    if (!parseReferenceText(*text, !*a1, s, areas, error))
        return Outcome::ok(Value::error(xlerrRef));
    return Outcome::ok(Value::ref(s->id, areas));
}

Outcome sheetIdHandler(Call& c) {
    Sheet* s = nullptr;
    if (c.given(0)) {
        if (c.arg(0).isRef()) {
            s = refSheet(c.arg(0));
        } else {
            auto name = textArg(c.arg(0));
            if (!name) return Outcome::badValue();
            s = model().findSheet(*name);
        }
    } else {
        s = model().activeSheet();
    }
    if (!s) return Outcome::ok(Value::error(xlerrRef));
    return Outcome::ok(Value::ref(s->id, {}));
}

Outcome sheetNameHandler(Call& c) {
    if (!c.arg(0).isRef()) return Outcome::badValue();
    Sheet* s = model().sheetById(c.arg(0).sheetId);
    if (c.arg(0).sheetId == 0) s = model().activeSheet();
    if (!s) return Outcome::ok(Value::error(xlerrRef));
    return Outcome::ok(Value::text(Model::fullName(*s)));
}

// ---- xlCoerce ------------------------------------------------------------------------

// The values of a reference: one value for one cell, else an array of its
// first area.
std::optional<Value> dereference(const Value& ref) {
    Sheet* s = refSheet(ref);
    if (!s || ref.areas.empty()) return std::nullopt;
    const Rect& r = ref.areas[0];
    if (r.rows() == 1 && r.cols() == 1) return model().value(*s, r.row1, r.col1);
    if (static_cast<long>(r.rows()) * r.cols() > 1000000) return std::nullopt;
    std::vector<Value> items;
    for (int row = r.row1; row <= r.row2; ++row)
        for (int col = r.col1; col <= r.col2; ++col) items.push_back(model().value(*s, row, col));
    return Value::array(r.rows(), r.cols(), std::move(items));
}

std::optional<Value> convert(const Value& in, uint16_t type) {
    Value v = in;
    if (v.isArray() && type != xltypeMulti) {
        if (v.items.empty()) return std::nullopt;
        v = v.items[0];
    }
    switch (type) {
        case xltypeNum: {
            if (v.isNil()) return Value::number(0);
            if (v.isErr()) return std::nullopt;
            auto d = numberArg(v);
            if (!d) return std::nullopt;
            return Value::number(*d);
        }
        case xltypeInt: {
            if (v.isNil()) return Value::int16(0);
            if (v.isErr()) return std::nullopt;
            auto d = numberArg(v);
            if (!d || !std::isfinite(*d)) return std::nullopt;
            double r = std::round(*d);
            if (r < -32768 || r > 32767) return std::nullopt;
            return Value::int16(static_cast<int>(r));
        }
        case xltypeStr:
            if (v.isErr()) return std::nullopt;
            return Value::text(valueToText(v));
        case xltypeBool: {
            if (v.isNil()) return Value::boolean_(false);
            if (v.isErr()) return std::nullopt;
            auto b = boolArg(v, false);
            if (!b) return std::nullopt;
            return Value::boolean_(*b);
        }
        case xltypeMulti:
            if (v.isArray()) return v;
            return Value::array(1, 1, {v});
        case xltypeErr:
            if (v.isErr()) return v;
            return std::nullopt;
        case xltypeNil:
            if (v.isNil()) return v;
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

Outcome coerceHandler(Call& c) {
    Value v = c.arg(0);
    if (v.isRef()) {
        auto d = dereference(v);
        if (!d) return {xlretFailed, Value::error(xlerrRef)};
        v = *d;
    }
    if (!c.given(1)) return Outcome::ok(v);
    auto wanted = intArg(c.arg(1));
    if (!wanted) return Outcome::badValue();
    const uint16_t order[] = {xltypeNum,   xltypeStr, xltypeBool, xltypeErr,
                              xltypeMulti, xltypeNil, xltypeInt};
    auto kind = [](const Value& x) -> uint16_t {
        switch (x.type) {
            case Value::Type::Num:
                return x.integer ? xltypeInt : xltypeNum;
            case Value::Type::Str:
                return xltypeStr;
            case Value::Type::Bool:
                return xltypeBool;
            case Value::Type::Err:
                return xltypeErr;
            case Value::Type::Array:
                return xltypeMulti;
            default:
                return xltypeNil;
        }
    };
    if (kind(v) & *wanted) return Outcome::ok(v);
    for (uint16_t t : order) {
        if (!(t & *wanted)) continue;
        if (auto r = convert(v, t)) return Outcome::ok(*r);
    }
    return {xlretFailed, Value::error(xlerrValue)};
}

}  // namespace

void addInformationEntries(std::vector<Entry>& t) {
    t.push_back({xlfGetWorkbook, 1, 2, getWorkbookHandler});
    t.push_back({xlfGetDocument, 1, 2, getDocumentHandler});
    t.push_back({xlfActiveCell, 0, 0, activeCellHandler});
    t.push_back({xlfSelection, 0, 0, selectionHandler});
    t.push_back({xlfGetFormula, 1, 1, getFormulaHandler});
    t.push_back({xlfGetCell, 1, 2, getCellHandler});
    t.push_back({xlfTextref, 1, 2, textrefHandler});
    t.push_back({xlSheetId, 0, 1, sheetIdHandler});
    t.push_back({xlSheetNm, 1, 1, sheetNameHandler});
    t.push_back({xlCoerce, 1, 2, coerceHandler});
}

}  // namespace host
