#include "batch/test_spec.h"

#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <new>

#include "batch/batch_texts.h"
#include "common/strict_number.h"
#include "common/text_input.h"
#include "instance/instance.h"
#include "shell/host_api.h"

namespace batch {

namespace {

void alertWithHelp(const char* message) {
    const std::string text = std::string(message) + kLineHelp;
    ShowAlert(text.c_str(), 1);
}

std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> fields;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        size_t end = i;
        while (end < line.size() && !std::isspace(static_cast<unsigned char>(line[end]))) ++end;
        if (end > i) fields.push_back(line.substr(i, end - i));
        i = end;
    }
    return fields;
}

// The category counts of the first field: every comma-separated token whose
// value is not 0 (an empty token counts as 0). False (alerts shown) when there
// is none, when a token is not a whole number, or when a count is negative: a
// table needs a positive number of categories.
bool readDimensions(const std::string& field, std::vector<int32_t>& dim) {
    dim.clear();
    bool bad = false;
    size_t start = 0;
    while (start <= field.size()) {
        size_t comma = field.find(',', start);
        if (comma == std::string::npos) comma = field.size();
        const std::string token = field.substr(start, comma - start);
        int32_t count = 0;
        if (!token.empty() && !fieldInteger(token, count)) bad = true;
        if (count < 0) bad = true;
        if (count != 0) dim.push_back(count);
        start = comma + 1;
    }
    if (!dim.empty() && !bad) return true;
    if (field.find_first_not_of(',') == std::string::npos) ShowAlert(kAlertDimensionsCommasOnly, 1);
    alertWithHelp(kAlertDimensions);
    return false;
}

// Walks the fields after the dimensions; each reader shows the field's
// message and fails when the field is missing or unreadable.
class FieldReader {
  public:
    explicit FieldReader(const std::vector<std::string>& fields) : fields_(fields) {}

    bool integer(int32_t& value, const char* message) {
        if (!next(message)) return false;
        return fieldInteger(current_, value) || refuse(message);
    }
    bool number(double& value, const char* message) {
        if (!next(message)) return false;
        return fieldNumber(current_, value) || refuse(message);
    }
    bool positiveInteger(int32_t& value, const char* message) {
        return integer(value, message) && (value > 0 || refuse(message));
    }
    bool flag(int& value, const char* message) {
        int32_t read = 0;
        if (!integer(read, message)) return false;
        value = read != 0 ? 1 : 0;
        return true;
    }
    // A field that must be there but whose value is not wanted.
    bool skip(const char* message) { return next(message); }
    bool refuse(const char* message) {
        alertWithHelp(message);
        return false;
    }

  private:
    bool next(const char* message) {
        if (index_ >= fields_.size()) return refuse(message);
        current_ = fields_[index_++];
        return true;
    }

    const std::vector<std::string>& fields_;
    size_t index_ = 1;
    std::string current_;
};

// A line's repetitions, each a line of its log: at most kMaxRepetitions.
bool repetitionsFit(int32_t numrep) {
    if (numrep <= kMaxRepetitions) return true;
    char text[200];
    std::snprintf(text, sizeof text, kAlertRepetitionsTooMany, kMaxRepetitions);
    ShowAlert(text, 1);
    return false;
}

int parseComputational(FieldReader& in, TestSpec& s) {
    int auditing = 0;
    bool ok = in.integer(s.seed, kAlertSeed) && in.number(s.from, kAlertFrom) &&
              in.number(s.to, kAlertTo) && in.number(s.pzeroinp, kAlertZeros) &&
              // A share of zeros is a percentage of the table's cells.
              (s.pzeroinp >= 0 && s.pzeroinp <= 100 ? true : in.refuse(kAlertZeros)) &&
              in.number(s.basenumber, kAlertBase) &&
              (s.basenumber > 0 ? true : in.refuse(kAlertBase)) &&
              in.flag(s.randint, kAlertIntegerFlag) && in.flag(auditing, kAlertAuditingFlag);
    if (!ok) return 1;
    gOptions.auditing = auditing;
    ok = in.integer(s.zeroseed, kAlertZeroSeed) && in.positiveInteger(s.timelim, kAlertTimeLimit) &&
         in.positiveInteger(s.numrep, kAlertRepetitions) && repetitionsFit(s.numrep);
    if (!ok) return 1;
    if (s.zeroseed < 0) s.zeroseed = -1;
    return 0;
}

// A bias base number taken from the line: at least 1 and whole (a fraction is
// cut off after an alert); its tally and log line must fit kMaxBiasBase.
bool readBiasBase(FieldReader& in, double& batchBase) {
    double base = 0;
    if (!in.number(base, kAlertBiasBase)) return false;
    if (base < 1) return in.refuse(kAlertBiasBase);
    if (base >= kMaxBiasBase + 1) {
        char text[300];
        std::snprintf(text, sizeof text, kAlertBiasBaseTooLarge, kMaxBiasBase);
        ShowAlert(text, 1);
        return false;
    }
    const double whole = std::trunc(base);
    if (whole != base) {
        char text[400];
        std::snprintf(text, sizeof text, kAlertBiasBaseTruncated, base, whole);
        ShowAlert(text, 1);
    }
    batchBase = whole;
    return true;
}

int parseBias(FieldReader& in, double& batchBase, TestSpec& s) {
    gOptions.auditing = 0;
    int weights = 0;
    if (!in.flag(weights, kAlertRandomWeights)) return 1;
    gOptions.randomWeights = weights;
    bool ok = in.number(s.from, kAlertFrom) && in.number(s.to, kAlertTo) &&
              (batchBase == 0 ? readBiasBase(in, batchBase) : in.skip(kAlertBiasBase)) &&
              in.positiveInteger(s.timelim, kAlertTimeLimit) &&
              in.positiveInteger(s.numrep, kAlertRepetitions) && repetitionsFit(s.numrep);
    if (!ok) return 1;
    s.seed = -1;
    s.zeroseed = -1;
    s.pzeroinp = 0;
    s.randint = 1;
    s.basenumber = batchBase;
    return 0;
}

}  // namespace

bool fieldInteger(const std::string& text, int32_t& value) {
    // "3", and also a whole value in decimal notation ("3.0", "1e3").
    double v = 0;
    if (!common::strictDecimal(text, v) || v != std::trunc(v) || v > INT32_MAX || v < INT32_MIN)
        return false;
    value = int32_t(v);
    return true;
}

bool fieldNumber(const std::string& text, double& value) {
    return common::strictDecimal(text, value);
}

int parseSpecLine(const std::string& line, bool biasMode, double& batchBase, TestSpec& spec) {
    try {
        const std::vector<std::string> fields = splitFields(line);
        if (fields.empty()) {
            alertWithHelp(kAlertLineStructure);
            return 1;
        }
        TestSpec s;
        if (!readDimensions(fields[0], s.dim)) return 1;
        s.k = int(s.dim.size());
        FieldReader in(fields);
        const int result = biasMode ? parseBias(in, batchBase, s) : parseComputational(in, s);
        if (result == 0) spec = std::move(s);
        return result;
    } catch (const std::bad_alloc&) {
        ShowAlert(kAlertNoMemoryReadingLine, 1);
        return 1;
    }
}

bool readSpecLines(std::FILE* file, const std::function<void(std::string&&)>& add) {
    try {
        std::string bytes, text, why;
        char buffer[65536];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            bytes.append(buffer, n);
        if (!common::decodeText(bytes, text, why)) {
            ShowAlert((kAlertUnreadableSpecFile + why).c_str(), 1);
            return false;
        }
        std::vector<std::string> lines;
        for (size_t start = 0; start < text.size();) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            if (end > start) lines.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        for (std::string& line : lines) add(std::move(line));
        return true;
    } catch (const std::bad_alloc&) {
        ShowAlert(kAlertNoMemoryReadingFile, 1);
        return false;
    }
}

}  // namespace batch
