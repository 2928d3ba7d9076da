// Values inside the host: what a cell holds, what a defined name stands for,
// what a host function answers. Conversion to and from the add-in's value
// records (XLOPER) lives here too, together with the release of host-made
// records (xlFree).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/hostcall.h"

namespace host {

// A rectangle of cells, zero-based and inclusive.
struct Rect {
    int row1 = 0, col1 = 0, row2 = 0, col2 = 0;
    int rows() const { return row2 - row1 + 1; }
    int cols() const { return col2 - col1 + 1; }
    bool contains(int r, int c) const { return r >= row1 && r <= row2 && c >= col1 && c <= col2; }
    bool operator==(const Rect&) const = default;
};

constexpr int kMaxRows = 65536;  // rows 0..65535
constexpr int kMaxCols = 256;    // columns 0..255

struct Value {
    enum class Type { Nil, Num, Str, Bool, Err, Array, Ref, Missing };
    Type type = Type::Nil;
    double num = 0;        // Num
    bool integer = false;  // Num: handed to add-ins as a 16-bit integer record
    std::string str;       // Str
    bool boolean = false;
    int err = 0;  // Err: one of the xlerr codes
    // Array: rows x cols items, row-major.
    int rows = 0, cols = 0;
    std::vector<Value> items;
    // Ref: a sheet and its areas (no areas for a bare sheet id).
    uint32_t sheetId = 0;
    std::vector<Rect> areas;

    static Value nil() { return {}; }
    static Value missing();
    static Value number(double v);
    static Value int16(int v);  // a number that becomes an xltypeInt record
    static Value text(std::string s);
    static Value boolean_(bool b);
    static Value error(int code);
    static Value array(int rows, int cols, std::vector<Value> items);
    static Value ref(uint32_t sheet, std::vector<Rect> areas);

    bool isNil() const { return type == Type::Nil; }
    bool isNum() const { return type == Type::Num; }
    bool isStr() const { return type == Type::Str; }
    bool isBool() const { return type == Type::Bool; }
    bool isErr() const { return type == Type::Err; }
    bool isArray() const { return type == Type::Array; }
    bool isRef() const { return type == Type::Ref; }
    bool isMissing() const { return type == Type::Missing; }
    const Value& at(int r, int c) const { return items[static_cast<size_t>(r) * cols + c]; }
    bool operator==(const Value&) const;
};

// "#VALUE!" and the like; "" for an unknown code.
const char* errorText(int code);
// The code of an error text, or -1.
int errorCode(const std::string& text);

// The host's conversion of a number to text: at most 15 significant digits,
// no trailing zeros, an exponent as in 1E+20 when the number is very large or
// very small.
std::string numberToText(double v);
// Shortest text that reads back as exactly the same double (files, formulas).
std::string numberToExactText(double v);
// Locale-free reading of a whole text as a number ("12", "-3.5", "1e3",
// surrounding blanks allowed). With decimalComma, a ',' is the decimal mark
// instead of '.'. Returns false when the text is not entirely a number.
bool textToNumber(const std::string& text, double& out, bool decimalComma = false);

// The text form of a scalar (numbers by numberToText, TRUE/FALSE, error texts,
// "" for nil).
std::string valueToText(const Value& v);

// ---- value records ---------------------------------------------------------

// The type of a record without the ownership bits.
inline uint16_t baseType(const XLOPER& x) {
    return static_cast<uint16_t>(x.xltype & ~(xlbitXLFree | xlbitDLLFree));
}
// Reads a record (strings are counted strings; arrays and references deep).
Value fromXloper(const XLOPER& x);
// Writes a value into a record whose memory then belongs to the host: the
// record carries xlbitXLFree and must be released with releaseXloper (xlFree).
// Texts longer than 255 characters are cut.
void toXloper(const Value& v, XLOPER& out);
// Releases what toXloper allocated (recursively) and leaves the record nil.
// Records without xlbitXLFree are left alone.
void releaseXloper(XLOPER& x);
// Host records handed out and not yet released (for leak checks in tests).
long outstandingAllocations();

}  // namespace host
