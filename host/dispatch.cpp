// Excel4v: checks the call, converts the argument records, runs the handler
// and hands the answer back as a host-owned record.
#include "host/dispatch.h"

#include <algorithm>
#include <cmath>

#include "host/address.h"

namespace host {

const Value& Call::arg(size_t i) const {
    static const Value kMissing = Value::missing();
    return i < args.size() ? args[i] : kMissing;
}

bool Call::given(size_t i) const {
    return !isAbsent(arg(i));
}

bool isAbsent(const Value& v) {
    return v.isMissing() || v.isNil();
}

std::optional<std::string> textArg(const Value& v) {
    if (v.isStr()) return v.str;
    return std::nullopt;
}

std::optional<double> numberArg(const Value& v) {
    if (v.isNum()) return v.num;
    if (v.isBool()) return v.boolean ? 1.0 : 0.0;
    double d = 0;
    if (v.isStr() && textToNumber(v.str, d)) return d;
    return std::nullopt;
}

std::optional<int> intArg(const Value& v) {
    auto d = numberArg(v);
    if (!d || !std::isfinite(*d) || std::fabs(*d) > 2e9) return std::nullopt;
    return static_cast<int>(std::lround(*d));
}

std::optional<bool> boolArg(const Value& v, bool absent) {
    if (isAbsent(v)) return absent;
    if (v.isBool()) return v.boolean;
    if (v.isNum()) return v.num != 0;
    if (v.isStr()) {
        if (sameText(v.str, "TRUE")) return true;
        if (sameText(v.str, "FALSE")) return false;
    }
    return std::nullopt;
}

Sheet* refSheet(const Value& ref) {
    if (!ref.isRef()) return nullptr;
    for (const Rect& r : ref.areas)
        if (r.row1 < 0 || r.row1 > r.row2 || r.row2 >= kMaxRows || r.col1 < 0 || r.col1 > r.col2 ||
            r.col2 >= kMaxCols)
            return nullptr;
    Model& m = state().model;
    return ref.sheetId == 0 ? m.activeSheet() : m.sheetById(ref.sheetId);
}

bool parseReferenceText(const std::string& text, bool r1c1, Sheet*& sheet, std::vector<Rect>& areas,
                        std::string& error) {
    Model& m = state().model;
    sheet = nullptr;
    areas.clear();
    // Split at commas outside apostrophes.
    std::vector<std::string> parts;
    std::string cur;
    bool quoted = false;
    for (char c : text) {
        if (c == '\'') quoted = !quoted;
        if (c == ',' && !quoted) {
            parts.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    parts.push_back(cur);
    for (std::string part : parts) {
        part.erase(0, part.find_first_not_of(' '));
        part.erase(part.find_last_not_of(' ') + 1);
        std::string book, name, ref;
        if (!splitSheetReference(part, book, name, ref)) {
            error = "\"" + text + "\" is not a reference";
            return false;
        }
        Sheet* s = nullptr;
        if (name.empty()) {
            s = sheet ? sheet : m.activeSheet();
            if (!s) {
                error = "no workbook is open";
                return false;
            }
        } else {
            s = m.findSheet(book.empty() ? name : "[" + book + "]" + name);
            if (!s) {
                error =
                    "there is no sheet \"" + (book.empty() ? name : "[" + book + "]" + name) + "\"";
                return false;
            }
        }
        if (sheet && s != sheet) {
            error = "the areas of \"" + text + "\" are on different sheets";
            return false;
        }
        sheet = s;
        auto area = r1c1 ? parseR1C1Area(ref) : parseA1Area(ref);
        if (!area) area = r1c1 ? parseA1Area(ref) : parseR1C1Area(ref);
        if (!area) {
            error = "\"" + ref + "\" is not a cell or range";
            return false;
        }
        areas.push_back(*area);
    }
    return true;
}

std::optional<Value> refArg(const Value& v, bool intl) {
    if (v.isRef()) {
        Sheet* s = refSheet(v);
        if (!s || v.areas.empty()) return std::nullopt;
        return Value::ref(s->id, v.areas);
    }
    if (v.isStr()) {
        Sheet* s = nullptr;
        std::vector<Rect> areas;
        std::string error;
        if (!parseReferenceText(v.str, intl, s, areas, error)) return std::nullopt;
        return Value::ref(s->id, areas);
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> textList(const Value& v) {
    std::vector<std::string> out;
    if (v.isStr()) {
        out.push_back(v.str);
        return out;
    }
    if (!v.isArray()) return std::nullopt;
    for (const Value& item : v.items) {
        if (!item.isStr()) return std::nullopt;
        out.push_back(item.str);
    }
    return out;
}

namespace {

Outcome xlAbortHandler(Call& c) {
    (void)c;
    return Outcome::ok(Value::boolean_(false));  // no break was requested
}

Outcome xlStackHandler(Call& c) {
    (void)c;
    return Outcome::ok(Value::number(65536));
}

const std::vector<Entry>& table() {
    static const std::vector<Entry> entries = [] {
        std::vector<Entry> t;
        t.push_back({xlAbort, 0, 1, xlAbortHandler});
        t.push_back({xlStack, 0, 0, xlStackHandler});
        addInformationEntries(t);
        addSheetEntries(t);
        addCellEntries(t);
        addMenuEntries(t);
        addAddInEntries(t);
        addPivotEntries(t);
        addDialogEntries(t);
        std::sort(t.begin(), t.end(),
                  [](const Entry& a, const Entry& b) { return a.function < b.function; });
        return t;
    }();
    return entries;
}

const Entry* findEntry(int function) {
    const auto& t = table();
    auto it = std::lower_bound(t.begin(), t.end(), function,
                               [](const Entry& e, int f) { return e.function < f; });
    return it != t.end() && it->function == function ? &*it : nullptr;
}

int dispatch(int xlfn, XLOPER* result, int count, XLOPER** opers) {
    if (count < 0 || count > 30) return xlretInvCount;
    if (count > 0 && !opers) return xlretInvXloper;
    for (int i = 0; i < count; ++i)
        if (!opers[i]) return xlretInvXloper;
    int function = xlfn & ~(xlIntl | xlPrompt);
    if (function == xlFree) {
        for (int i = 0; i < count; ++i) releaseXloper(*opers[i]);
        return xlretSuccess;
    }
    const Entry* e = findEntry(function);
    if (!e) return xlretInvXlfn;
    if (count < e->minArgs || count > e->maxArgs) return xlretInvCount;
    Call call;
    call.function = function;
    call.intl = (xlfn & xlIntl) != 0;
    call.args.reserve(count);
    for (int i = 0; i < count; ++i) call.args.push_back(fromXloper(*opers[i]));
    if (state().fault) {
        const CallFault fault = state().fault;  // the filter may replace itself
        if (const int code = fault(function, call.args); code != xlretSuccess) {
            if (result) toXloper(Value::boolean_(false), *result);
            return code;
        }
    }
    Outcome o = e->handler(call);
    if (result) toXloper(o.result, *result);
    return o.code;
}

}  // namespace

}  // namespace host

QTB_EXPORT int Excel4v(int xlfn, XLOPER* result, int count, XLOPER** opers) {
    try {
        return host::dispatch(xlfn, result, count, opers);
    } catch (...) {
        return xlretFailed;
    }
}
