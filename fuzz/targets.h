// The inputs a user can hand the program, each behind one function that takes
// arbitrary bytes: the libFuzzer programs call them, and a normal test replays
// the committed corpora and the inputs that once failed through the same code.
//
// A function returns normally for every input; when a reader breaks a rule it
// promises (a count that does not match its list, a record left allocated, a
// text written that cannot be read back) it reports the rule and aborts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzz {

using TargetFn = void (*)(const uint8_t* data, size_t size);

struct Target {
    const char* name;  // also the name of the corpus folder and of the fuzzer
    TargetFn run;
};

// Instance files (.qtb, .wq): format mark, cells, sums, base number.
void instanceFile(const uint8_t* data, size_t size);
// Test specification files (.qtt, .qtv): the first byte picks the mode.
void specLines(const uint8_t* data, size_t size);
// A workbook package as it lies on disk (the zip container).
void xlsxPackage(const uint8_t* data, size_t size);
// A workbook package given part by part (see xlsx_targets.cpp), zipped here.
void xlsxParts(const uint8_t* data, size_t size);
// Separated text (semicolon, comma, tab): the first byte picks the separator.
void textImport(const uint8_t* data, size_t size);
// Formulas, one per line, entered into a column of a sheet and computed.
void formulas(const uint8_t* data, size_t size);
// Cell and range references of sum detection and of the add-sums dialog.
void references(const uint8_t* data, size_t size);
// The search for typed totals on a picture of a workbook made from the bytes.
void totalsSearch(const uint8_t* data, size_t size);

// Number formats of cells (the page of quorant serve shows values through
// them): eight bytes of a number, then formats line by line.
void numberFormats(const uint8_t* data, size_t size);

const std::vector<Target>& targets();

// Reports a broken rule on standard error and aborts.
[[noreturn]] void fail(const std::string& rule, const std::string& detail = "");

// A file in a private scratch folder (in memory when /dev/shm exists), for
// the readers that take a path.
std::string scratchPath(const std::string& name);
void writeScratch(const std::string& path, const uint8_t* data, size_t size);

}  // namespace fuzz
