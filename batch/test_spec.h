// Test specification lines: one computational or bias test per line of a
// .qtt / .qtv file, fields separated by blanks.
//
// Computational: dim1,dim2,...,dimk seed from to pzeroinp basenumber randint
//                auditing zeroseed timelim numrep
// Bias:          dim1,dim2,...,dimk randomWeights from to basenumber timelim numrep
//
// Reading a line also sets rounding options: a computational line sets
// `auditing`, a bias line `randomWeights` (and `auditing` to 0).
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace batch {

// The values of one parsed line.
struct TestSpec {
    int k = 0;
    std::vector<int32_t> dim;
    int32_t seed = -1;  // negative: a seed is drawn for every repetition
    double from = 0;
    double to = 0;
    double pzeroinp = 0;
    double basenumber = 0;
    int randint = 1;
    int32_t zeroseed = -1;  // negative: drawn for every repetition
    int32_t timelim = 0;    // minutes
    int32_t numrep = 0;
};

// Parses one line in the format of the mode. `batchBase` is the base number of
// a bias batch: read from the line while it is 0 (the first line of a batch),
// kept otherwise. On a problem the field's alert is shown and 1 returned; 0
// with `spec` filled on success.
int parseSpecLine(const std::string& line, bool biasMode, double& batchBase, TestSpec& spec);

// Reads a specification file to its end, handing every line that is not empty
// (without its line end) to `add`, in file order. Returns false when memory
// ran out (alert shown); the lines handed over so far stay with the caller.
bool readSpecLines(std::FILE* file, const std::function<void(std::string&&)>& add);

// ---- field readers (the standard text-to-number conversions) --------------------------
// Leading integer of a text, 0 when there is none; kept within 32 bits.
int32_t leadingInteger(const std::string& text);
// Leading decimal number of a text, 0 when there is none.
double leadingNumber(const std::string& text);
// A field read as 0 is a zero only when its text has at most one character
// other than the digit zero ("0", "00", "0.0", "-0", "x"); "abc" is an error.
bool acceptableZero(const std::string& text);

}  // namespace batch
