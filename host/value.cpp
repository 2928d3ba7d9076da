#include "host/value.h"

#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace host {

Value Value::missing() {
    Value v;
    v.type = Type::Missing;
    return v;
}
Value Value::number(double d) {
    Value v;
    v.type = Type::Num;
    v.num = d;
    return v;
}
Value Value::int16(int i) {
    Value v = number(i);
    v.integer = true;
    return v;
}
Value Value::text(std::string s) {
    Value v;
    v.type = Type::Str;
    v.str = std::move(s);
    return v;
}
Value Value::boolean_(bool b) {
    Value v;
    v.type = Type::Bool;
    v.boolean = b;
    return v;
}
Value Value::error(int code) {
    Value v;
    v.type = Type::Err;
    v.err = code;
    return v;
}
Value Value::array(int rows, int cols, std::vector<Value> items) {
    Value v;
    v.type = Type::Array;
    v.rows = rows;
    v.cols = cols;
    v.items = std::move(items);
    return v;
}
Value Value::ref(uint32_t sheet, std::vector<Rect> areas) {
    Value v;
    v.type = Type::Ref;
    v.sheetId = sheet;
    v.areas = std::move(areas);
    return v;
}

bool Value::operator==(const Value& o) const {
    if (type != o.type) return false;
    switch (type) {
        case Type::Nil:
        case Type::Missing:
            return true;
        case Type::Num:
            return num == o.num;
        case Type::Str:
            return str == o.str;
        case Type::Bool:
            return boolean == o.boolean;
        case Type::Err:
            return err == o.err;
        case Type::Array:
            return rows == o.rows && cols == o.cols && items == o.items;
        case Type::Ref:
            return sheetId == o.sheetId && areas == o.areas;
    }
    return false;
}

namespace {
struct ErrorName {
    int code;
    const char* text;
};
constexpr ErrorName kErrorNames[] = {
    {xlerrNull, "#NULL!"}, {xlerrDiv0, "#DIV/0!"}, {xlerrValue, "#VALUE!"}, {xlerrRef, "#REF!"},
    {xlerrName, "#NAME?"}, {xlerrNum, "#NUM!"},    {xlerrNA, "#N/A"},
};

// Rewrites the exponent of a printf %g text in the host's style: 1e+20 -> 1E+20.
std::string hostExponent(std::string s) {
    size_t e = s.find('e');
    if (e != std::string::npos) s[e] = 'E';
    return s;
}
}  // namespace

const char* errorText(int code) {
    for (const auto& e : kErrorNames)
        if (e.code == code) return e.text;
    return "";
}

int errorCode(const std::string& text) {
    for (const auto& e : kErrorNames)
        if (text == e.text) return e.code;
    return -1;
}

std::string numberToText(double v) {
    if (v == 0 || !std::isfinite(v)) return std::isfinite(v) ? "0" : "#NUM!";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return hostExponent(buf);
}

std::string numberToExactText(double v) {
    if (v == 0 || !std::isfinite(v)) return std::isfinite(v) ? "0" : "#NUM!";
    char buf[40];
    for (int precision = 15; precision <= 17; ++precision) {
        std::snprintf(buf, sizeof buf, "%.*g", precision, v);
        double back = 0;
        std::from_chars(buf, buf + std::strlen(buf), back);
        if (back == v) break;
    }
    return hostExponent(buf);
}

bool textToNumber(const std::string& text, double& out, bool decimalComma) {
    size_t b = text.find_first_not_of(" \t");
    if (b == std::string::npos) return false;
    size_t e = text.find_last_not_of(" \t");
    std::string t = text.substr(b, e - b + 1);
    bool negative = false;
    if (t[0] == '+' || t[0] == '-') {
        negative = t[0] == '-';
        t.erase(0, 1);
    }
    if (t.empty() || !(std::isdigit(static_cast<unsigned char>(t[0])) || t[0] == '.' ||
                       (decimalComma && t[0] == ','))) {
        return false;
    }
    if (decimalComma) {
        size_t comma = t.find(',');
        if (comma != std::string::npos) {
            if (t.find('.') != std::string::npos || t.find(',', comma + 1) != std::string::npos)
                return false;
            t[comma] = '.';
        }
    }
    double v = 0;
    auto [ptr, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || ptr != t.data() + t.size()) return false;
    out = negative ? -v : v;
    return true;
}

std::string valueToText(const Value& v) {
    switch (v.type) {
        case Value::Type::Num:
            return numberToText(v.num);
        case Value::Type::Str:
            return v.str;
        case Value::Type::Bool:
            return v.boolean ? "TRUE" : "FALSE";
        case Value::Type::Err:
            return errorText(v.err);
        default:
            return "";
    }
}

// ---- value records -----------------------------------------------------------

namespace {
std::atomic<long> gOutstanding{0};

void* hostAlloc(size_t n) {
    void* p = std::calloc(1, n);
    if (p) ++gOutstanding;
    return p;
}
void hostFree(void* p) {
    if (!p) return;
    std::free(p);
    --gOutstanding;
}

char* countedString(const std::string& s) {
    size_t n = s.size() > 255 ? 255 : s.size();
    char* p = static_cast<char*>(hostAlloc(n + 2));
    if (!p) return nullptr;
    p[0] = static_cast<char>(static_cast<unsigned char>(n));
    std::memcpy(p + 1, s.data(), n);
    p[n + 1] = '\0';
    return p;
}

// Fills `out` without the ownership bit (array items carry none).
void fill(const Value& v, XLOPER& out) {
    std::memset(&out, 0, sizeof out);
    switch (v.type) {
        case Value::Type::Nil:
            out.xltype = xltypeNil;
            break;
        case Value::Type::Missing:
            out.xltype = xltypeMissing;
            break;
        case Value::Type::Num:
            if (v.integer) {
                out.xltype = xltypeInt;
                out.val.w = static_cast<int16_t>(v.num);
            } else {
                out.xltype = xltypeNum;
                out.val.num = v.num;
            }
            break;
        case Value::Type::Bool:
            out.xltype = xltypeBool;
            out.val.xbool = v.boolean ? 1 : 0;
            break;
        case Value::Type::Err:
            out.xltype = xltypeErr;
            out.val.err = static_cast<uint16_t>(v.err);
            break;
        case Value::Type::Str:
            out.val.str = countedString(v.str);
            out.xltype = out.val.str ? xltypeStr : xltypeErr;
            if (!out.val.str) out.val.err = xlerrValue;
            break;
        case Value::Type::Array: {
            size_t n = static_cast<size_t>(v.rows) * v.cols;
            // The record counts rows and columns in 16 bits: a longer list
            // would arrive cut short, so it does not arrive at all.
            const bool fits = v.rows <= 65535 && v.cols <= 65535;
            XLOPER* items =
                n && fits ? static_cast<XLOPER*>(hostAlloc(n * sizeof(XLOPER))) : nullptr;
            if (!fits || (n && !items)) {
                out.xltype = xltypeErr;
                out.val.err = xlerrValue;
                break;
            }
            for (size_t i = 0; i < n; ++i) {
                const Value& item = v.items[i];
                // Arrays hold scalars only.
                if (item.isArray() || item.isRef())
                    fill(Value::error(xlerrValue), items[i]);
                else
                    fill(item, items[i]);
            }
            out.xltype = xltypeMulti;
            out.val.array.lparray = items;
            out.val.array.rows = static_cast<uint16_t>(v.rows);
            out.val.array.columns = static_cast<uint16_t>(v.cols);
            break;
        }
        case Value::Type::Ref: {
            out.xltype = xltypeRef;
            out.val.mref.idSheet = v.sheetId;
            out.val.mref.lpmref = nullptr;
            if (v.areas.empty()) break;
            size_t bytes = sizeof(XLMREF) + (v.areas.size() - 1) * sizeof(XLREF);
            auto* m = static_cast<XLMREF*>(hostAlloc(bytes));
            if (!m) {
                out.xltype = xltypeErr;
                out.val.err = xlerrValue;
                break;
            }
            m->count = static_cast<uint16_t>(v.areas.size());
            for (size_t i = 0; i < v.areas.size(); ++i) {
                const Rect& r = v.areas[i];
                m->reftbl[i].rwFirst = static_cast<uint16_t>(r.row1);
                m->reftbl[i].rwLast = static_cast<uint16_t>(r.row2);
                m->reftbl[i].colFirst = static_cast<uint8_t>(r.col1);
                m->reftbl[i].colLast = static_cast<uint8_t>(r.col2);
            }
            out.val.mref.lpmref = m;
            break;
        }
    }
}

void releaseContents(XLOPER& x) {
    switch (baseType(x)) {
        case xltypeStr:
            hostFree(x.val.str);
            break;
        case xltypeMulti: {
            size_t n = static_cast<size_t>(x.val.array.rows) * x.val.array.columns;
            if (x.val.array.lparray)
                for (size_t i = 0; i < n; ++i) releaseContents(x.val.array.lparray[i]);
            hostFree(x.val.array.lparray);
            break;
        }
        case xltypeRef:
            hostFree(x.val.mref.lpmref);
            break;
        default:
            break;
    }
}
}  // namespace

Value fromXloper(const XLOPER& x) {
    switch (baseType(x)) {
        case xltypeNum:
            return Value::number(x.val.num);
        case xltypeInt:
            return Value::number(x.val.w);
        case xltypeBool:
            return Value::boolean_(x.val.xbool != 0);
        case xltypeErr:
            return Value::error(x.val.err);
        case xltypeMissing:
            return Value::missing();
        case xltypeNil:
            return Value::nil();
        case xltypeStr: {
            if (!x.val.str) return Value::text("");
            auto n = static_cast<unsigned char>(x.val.str[0]);
            return Value::text(std::string(x.val.str + 1, n));
        }
        case xltypeMulti: {
            int rows = x.val.array.rows, cols = x.val.array.columns;
            std::vector<Value> items;
            if (x.val.array.lparray) {
                items.reserve(static_cast<size_t>(rows) * cols);
                for (int i = 0; i < rows * cols; ++i) {
                    const XLOPER& item = x.val.array.lparray[i];
                    uint16_t t = baseType(item);
                    // Nested arrays and references are not values of an array.
                    if (t == xltypeMulti || t == xltypeRef)
                        items.push_back(Value::error(xlerrValue));
                    else
                        items.push_back(fromXloper(item));
                }
            } else {
                rows = cols = 0;
            }
            return Value::array(rows, cols, std::move(items));
        }
        case xltypeRef: {
            std::vector<Rect> areas;
            if (const XLMREF* m = x.val.mref.lpmref) {
                for (int i = 0; i < m->count; ++i) {
                    const XLREF& r = m->reftbl[i];
                    areas.push_back({r.rwFirst, r.colFirst, r.rwLast, r.colLast});
                }
            }
            return Value::ref(x.val.mref.idSheet, std::move(areas));
        }
        default: {
            Value v;
            v.type = Value::Type::Err;
            v.err = xlerrValue;
            return v;
        }
    }
}

void toXloper(const Value& v, XLOPER& out) {
    fill(v, out);
    out.xltype = static_cast<uint16_t>(out.xltype | xlbitXLFree);
}

void releaseXloper(XLOPER& x) {
    if (!(x.xltype & xlbitXLFree)) return;
    releaseContents(x);
    std::memset(&x, 0, sizeof x);
    x.xltype = xltypeNil;
}

long outstandingAllocations() {
    return gOutstanding.load();
}

}  // namespace host
