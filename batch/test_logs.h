// The logs of the test batches: semicolon-separated lines appended to a file
// named after the specification file, a header written only when the file is
// created, numbers with a decimal comma.
//
// Computational log (one line per repetition):
//   TestNumber;ObjectiveFuncValue;Zero-restricted;MaximumJump;BaseJumps;
//   OverallTime;ResolutionTime;PercentageZeros;PercentageBetaMults;PercentageIntegers
// Bias log (one line per repetition, then "Base Number = b" after the last
// repetition of a batch): the test number, then per remainder q = 0 ... b - 1
// of the nominal values modulo b: q, the number of cells, the number of cells
// rounded up.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace batch {

// The log of a specification file: everything from the last '.' of the file
// name replaced by `suffix`, or `suffix` appended when the name has none.
// Folders end at '/' or '\'; a '.' in a folder name is left alone.
std::string logPathFor(const std::string& specPath, const char* suffix);

// prefix + path + suffix as a host text (reserved first character included)
// of at most 255 characters after it: a path too long loses its beginning,
// marked "...", so the file name and the end of the message stay readable.
std::string framedPathText(const char* prefix, const std::string& path, const char* suffix);

// ---- computational log ----------------------------------------------------------------

struct CompLogFigures {
    int testNumber = 0;
    double objective = 0;  // total absolute distance of the rounding
    int extendedUsed = 0;  // 0: the zero-restricted model gave the result
    double maxDeviation = 0;
    double basenumber = 1;
    double overallSeconds = 0;
    double resolutionSeconds = 0;
    int32_t zeroCount = 0;
    int32_t baseMultipleCount = 0;
    int32_t integerCount = 0;
    int32_t ncells = 0;
};

// One line of the log, line feed included, decimal commas.
std::string compLogLine(const CompLogFigures& f);
std::string compLogHeader();

// Appends the line of a finished repetition, with the figures of the engine
// run and the instance. 0, or -1 when the log cannot be written (alert shown).
int writeCompLog(const std::string& specPath, int testNumber, int extendedUsed, double maxDeviation,
                 double resolutionSeconds, double overallSeconds);

// ---- bias log ------------------------------------------------------------------------------

// Per remainder q = 0 ... base - 1: the cells whose nominal value has that
// remainder, and how many of them were rounded up.
struct ProbArray {
    int32_t base = 0;
    std::vector<int32_t> cells;
    std::vector<int32_t> roundedUp;
};

// The remainder class of a nominal value for base b (0 ... b - 1); negative
// values count from the multiple below them (-3 with base 5 gives 2).
int32_t remainderOf(double nominal, int32_t b);

// Tallies the instance's cells, internal and marginal. A base number with a
// fraction is cut to its integer part first (the option keeps it). None when
// memory runs out or the base is below 1.
std::optional<ProbArray> tallyBias();

std::string biasLogHeader(int32_t b);
std::string biasLogLine(const ProbArray& p, int testNumber);
std::string biasBaseLine(int32_t b);

// Appends the line of a repetition, and after the last repetition of a batch
// (`last` 1) the base number line. 0, or -1 (alert shown).
int writeBiasLog(const std::string& specPath, const ProbArray& p, int testNumber, int last);

}  // namespace batch
