// Host functions for pivot tables.
#include "host/address.h"
#include "host/dispatch.h"

namespace host {

namespace {

Model& model() {
    return state().model;
}

// A pivot table by name: on the active sheet first, then on the other sheets
// of the active workbook.
PivotTable* findPivot(const std::string& name, Sheet** where = nullptr) {
    Sheet* active = model().activeSheet();
    if (!active) return nullptr;
    std::vector<Sheet*> order{active};
    for (auto& s : active->book->sheets)
        if (s.get() != active) order.push_back(s.get());
    for (Sheet* s : order) {
        for (PivotTable& p : s->pivots) {
            if (sameText(p.name, name)) {
                if (where) *where = s;
                return &p;
            }
        }
    }
    return nullptr;
}

Value texts(const std::vector<std::string>& list) {
    if (list.empty()) return Value::error(xlerrNA);
    std::vector<Value> items;
    for (const std::string& t : list) items.push_back(Value::text(t));
    const int n = static_cast<int>(items.size());  // before the items are moved
    return Value::array(1, n, std::move(items));
}

std::string areaText(Sheet* s, const Rect& r) {
    if (!s) return "#REF!";
    return sheetPrefix(s->name) + a1Rect(r, true);
}

Outcome getPivotTableHandler(Call& c) {
    auto type = intArg(c.arg(0));
    if (!type) return Outcome::badValue();
    Sheet* where = nullptr;
    PivotTable* p = nullptr;
    if (c.given(1)) {
        auto name = textArg(c.arg(1));
        if (!name) return Outcome::badValue();
        p = findPivot(*name, &where);
    } else if (Sheet* s = model().activeSheet()) {
        const PivotTable* at = pivotAt(*s, s->activeRow, s->activeCol);
        if (at) p = findPivot(at->name, &where);
    }
    if (!p) return Outcome::ok(Value::error(xlerrNA));
    switch (*type) {
        case 1:
            return Outcome::ok(Value::text(p->name));
        case 2: {
            Sheet* src = model().sheetById(p->sourceSheet);
            return Outcome::ok(Value::text(src ? areaText(src, p->source) : p->sourceText));
        }
        case 7:
            return Outcome::ok(texts(p->rowFields));
        case 8:
            return Outcome::ok(texts(p->colFields));
        case 9:
            return Outcome::ok(texts(p->pageFields));
        case 10: {
            std::vector<std::string> names;
            for (const PivotDataField& d : p->dataFields) names.push_back(d.name);
            return Outcome::ok(texts(names));
        }
        case 12:
            return Outcome::ok(Value::text(areaText(where, p->area)));
        default:
            return Outcome::ok(Value::error(xlerrValue));
    }
}

Outcome getPivotFieldHandler(Call& c) {
    auto type = intArg(c.arg(0));
    auto field = textArg(c.arg(1));
    auto name = textArg(c.arg(2));
    if (!type || !field || !name) return Outcome::badValue();
    PivotTable* p = findPivot(*name);
    if (!p) return Outcome::ok(Value::error(xlerrNA));
    for (const PivotDataField& d : p->dataFields) {
        if (!sameText(d.name, *field)) continue;
        if (*type == 15) return Outcome::ok(Value::text(d.source));
        if (*type == 1) return Outcome::ok(Value::text(d.name));
        return Outcome::ok(Value::error(xlerrValue));
    }
    for (const auto* list : {&p->rowFields, &p->colFields, &p->pageFields}) {
        for (const std::string& f : *list) {
            if (!sameText(f, *field)) continue;
            if (*type == 1 || *type == 15) return Outcome::ok(Value::text(f));
            return Outcome::ok(Value::error(xlerrValue));
        }
    }
    return Outcome::ok(Value::error(xlerrNA));
}

Outcome wizardHandler(Call& c) {
    if (c.given(0)) {
        auto type = intArg(c.arg(0));
        if (!type) return Outcome::badValue();
        if (*type != 1) return Outcome::failed();  // lists only
    }
    auto source = refArg(c.arg(1), c.intl);
    if (!source || source->areas.size() != 1 || source->areas[0].rows() < 2)
        return Outcome::failed();
    Sheet* dest = nullptr;
    int row = 0, col = 0;
    if (c.given(2)) {
        auto d = refArg(c.arg(2), c.intl);
        if (!d) return Outcome::failed();
        dest = model().sheetById(d->sheetId);
        row = d->areas[0].row1;
        col = d->areas[0].col1;
    } else {
        // A new worksheet of its own, the table from its third row on.
        Workbook* b = model().activeBook();
        if (!b) return Outcome::failed();
        std::string sheetName;
        do {
            sheetName = "Sheet" + std::to_string(b->nextSheetNumber++);
        } while (b->sheetNamed(sheetName));
        int position = b->active;
        dest = model().addSheet(*b, sheetName, position);
        b->active = position;
        row = 2;
    }
    if (!dest) return Outcome::failed();
    std::string name;
    if (c.given(3)) {
        auto n = textArg(c.arg(3));
        if (!n || n->empty()) return Outcome::badValue();
        name = *n;
    } else {
        for (int i = 1; name.empty(); ++i) {
            std::string candidate = "PivotTable" + std::to_string(i);
            bool used = false;
            for (const PivotTable& p : dest->pivots) used = used || sameText(p.name, candidate);
            if (!used) name = candidate;
        }
    }
    auto rowGrand = boolArg(c.arg(4), true);
    auto colGrand = boolArg(c.arg(5), true);
    if (!rowGrand || !colGrand) return Outcome::badValue();
    PivotTable p;
    p.name = name;
    p.sourceSheet = source->sheetId;
    p.source = source->areas[0];
    p.destRow = row;
    p.destCol = col;
    p.area = Rect{row, col, row, col};
    p.rowGrand = *rowGrand;
    p.colGrand = *colGrand;
    std::erase_if(dest->pivots, [&](const PivotTable& old) { return sameText(old.name, name); });
    std::string error;
    if (!layoutPivot(model(), *dest, p, error)) {
        hostMessage(error);
        return Outcome::failed();
    }
    dest->pivots.push_back(p);
    return Outcome::ok(Value::boolean_(true));
}

// Field names from a text, an array of texts, or nothing.
bool fieldList(const Value& v, std::vector<std::string>& out) {
    if (isAbsent(v)) return true;
    auto list = textList(v);
    if (!list) return false;
    out.insert(out.end(), list->begin(), list->end());
    return true;
}

bool relayout(Sheet* where, PivotTable& p, const PivotTable& before) {
    std::string error;
    if (layoutPivot(model(), *where, p, error)) return true;
    hostMessage(error);
    p = before;
    return false;
}

Outcome addFieldsHandler(Call& c) {
    auto name = textArg(c.arg(0));
    if (!name) return Outcome::badValue();
    Sheet* where = nullptr;
    PivotTable* p = findPivot(*name, &where);
    if (!p) return Outcome::failed();
    auto add = boolArg(c.arg(4), false);
    if (!add) return Outcome::badValue();
    PivotTable before = *p;
    if (!*add) {
        p->rowFields.clear();
        p->colFields.clear();
        p->pageFields.clear();
    }
    if (!fieldList(c.arg(1), p->rowFields) || !fieldList(c.arg(2), p->colFields) ||
        !fieldList(c.arg(3), p->pageFields)) {
        *p = before;
        return Outcome::badValue();
    }
    if (!relayout(where, *p, before)) return Outcome::failed();
    return Outcome::ok(Value::boolean_(true));
}

Outcome addDataHandler(Call& c) {
    auto name = textArg(c.arg(0));
    auto field = textArg(c.arg(1));
    if (!name || !field) return Outcome::badValue();
    Sheet* where = nullptr;
    PivotTable* p = findPivot(*name, &where);
    if (!p) return Outcome::failed();
    // Only sums are computed; another function is refused.
    if (c.given(4)) return Outcome::failed();
    PivotDataField d;
    d.source = *field;
    d.name = "Sum of " + *field;
    if (c.given(2)) {
        auto newName = textArg(c.arg(2));
        if (!newName) return Outcome::badValue();
        d.name = *newName;
    }
    PivotTable before = *p;
    auto pos = c.given(3) ? intArg(c.arg(3)) : std::optional<int>{};
    if (pos && *pos >= 1 && *pos <= static_cast<int>(p->dataFields.size()))
        p->dataFields.insert(p->dataFields.begin() + (*pos - 1), d);
    else
        p->dataFields.push_back(d);
    if (!relayout(where, *p, before)) return Outcome::failed();
    return Outcome::ok(Value::boolean_(true));
}

}  // namespace

void addPivotEntries(std::vector<Entry>& t) {
    t.push_back({xlfGetPivotTable, 1, 2, getPivotTableHandler});
    t.push_back({xlfGetPivotField, 3, 3, getPivotFieldHandler});
    t.push_back({xlfPivotAddData, 2, 9, addDataHandler});
    t.push_back({xlcPivotTableWizard, 1, 16, wizardHandler});
    t.push_back({xlcPivotAddFields, 1, 5, addFieldsHandler});
}

}  // namespace host
