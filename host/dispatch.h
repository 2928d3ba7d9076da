// The dispatcher behind Excel4v: a table of host functions by number, each
// with its argument counts and handler, split by area over several files.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/state.h"

namespace host {

struct Call {
    int function = 0;  // number without the xlIntl / xlPrompt flags
    bool intl = false;
    std::vector<Value> args;

    // An argument, or a missing value beyond the ones given.
    const Value& arg(size_t i) const;
    bool given(size_t i) const;  // present and neither missing nor nil
};

struct Outcome {
    int code = xlretSuccess;
    Value result;  // failures carry scalars only
    static Outcome ok(Value v) { return {xlretSuccess, std::move(v)}; }
    static Outcome failed() { return {xlretFailed, Value::boolean_(false)}; }
    static Outcome badValue() { return {xlretInvXloper, Value::error(xlerrValue)}; }
};

using Handler = Outcome (*)(Call&);
struct Entry {
    int function;
    int minArgs, maxArgs;
    Handler handler;
};

// The entries of each area.
void addInformationEntries(std::vector<Entry>& table);
void addSheetEntries(std::vector<Entry>& table);
void addCellEntries(std::vector<Entry>& table);
void addMenuEntries(std::vector<Entry>& table);
void addAddInEntries(std::vector<Entry>& table);
void addPivotEntries(std::vector<Entry>& table);
void addDialogEntries(std::vector<Entry>& table);

// ---- argument helpers ----------------------------------------------------------

bool isAbsent(const Value& v);  // missing or nil
// Text of a string argument (numbers are not texts here).
std::optional<std::string> textArg(const Value& v);
// A number from a number, logical value or numeric text.
std::optional<double> numberArg(const Value& v);
std::optional<int> intArg(const Value& v);
// A logical value from a logical, a number or "TRUE"/"FALSE"; `absent` when missing.
std::optional<bool> boolArg(const Value& v, bool absent);
// The sheet of a reference (id 0: the active sheet) when its areas are valid.
Sheet* refSheet(const Value& ref);
// A reference, or a text naming one (A1, or R1C1 under intl) on the active
// sheet or with a sheet prefix.
std::optional<Value> refArg(const Value& v, bool intl);
// The texts of a string or of an array of strings.
std::optional<std::vector<std::string>> textList(const Value& v);

// Reads a reference text into a sheet and areas (the API and text arguments).
bool parseReferenceText(const std::string& text, bool r1c1, Sheet*& sheet, std::vector<Rect>& areas,
                        std::string& error);

}  // namespace host
