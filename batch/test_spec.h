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
// (without its line end) to `add`, in file order. A byte order mark, UTF-16
// and CR LF or CR-only line ends are read as such. Returns false, handing
// over nothing, when the file is no readable text (a NUL byte, broken
// UTF-16) or memory ran out (alert shown, naming the line).
bool readSpecLines(std::FILE* file, const std::function<void(std::string&&)>& add);

// The largest bias base (its log line must fit a sheet's 256 columns) and
// the most repetitions of one line (its log lines must fit a sheet's rows).
inline constexpr int32_t kMaxBiasBase = 84;
inline constexpr int32_t kMaxRepetitions = 65535;

// ---- field readers ------------------------------------------------------------------
// A field is a number only when all of it is one, in decimal: "12abc",
// "0x2519" and "x" are errors, not 12, 9497 and 0. A whole number may be
// written with decimals that are zero ("3.0") and must fit 32 bits.
bool fieldInteger(const std::string& text, int32_t& value);
bool fieldNumber(const std::string& text, double& value);

}  // namespace batch
