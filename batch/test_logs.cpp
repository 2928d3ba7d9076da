#include "batch/test_logs.h"

#include <sys/file.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <new>

#include "batch/batch_texts.h"
#include "engine/engine.h"
#include "instance/instance.h"
#include "shell/host_api.h"

namespace batch {

namespace {

constexpr size_t kHostTextLimit = 255;

bool fileExists(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0;
}

// "%d" of a whole number that may lie outside the int range.
int clampedInt(double v) {
    if (!(v == v)) return 0;
    return v >= double(INT_MAX) ? INT_MAX : v <= double(INT_MIN) ? INT_MIN : int(v);
}

double percentOf(int32_t count, int32_t ncells) {
    return ncells > 0 ? double(count) / double(ncells) * 100 : 0;
}

// Opens a log for appending; a new file gets `header` first. Null (alert
// shown) when the file cannot be opened.
std::FILE* openLog(const std::string& path, const std::string& header) {
    const bool exists = fileExists(path);
    if (!exists)
        ShowStatus(framedPathText(kStatusCreatingPrefix, path, kStatusCreatingSuffix).c_str());
    std::FILE* f = std::fopen(path.c_str(), "a");
    if (!f) {
        ShowAlert(framedPathText(kAlertCannotWritePrefix, path, kAlertCannotWriteSuffix).c_str(),
                  1);
        return nullptr;
    }
    // Locked until finishLog closes it: the lines of batches that share the
    // log stay whole. The header goes to a log that is still empty.
    flock(fileno(f), LOCK_EX);
    std::fseek(f, 0, SEEK_END);
    if (std::ftell(f) == 0) std::fputs(header.c_str(), f);
    return f;
}

// Writes the text and closes the log; -1 (alert shown) when anything of it
// did not reach the file.
int finishLog(std::FILE* f, const std::string& path, const std::string& text) {
    const bool written = std::fputs(text.c_str(), f) >= 0 && std::fflush(f) == 0;
    flock(fileno(f), LOCK_UN);
    const bool closed = std::fclose(f) == 0;
    if (written && closed) return 0;
    ShowAlert(framedPathText(kAlertCannotWritePrefix, path, kAlertCannotWriteSuffix).c_str(), 1);
    return -1;
}

std::string format(const char* fmt, auto... values) {
    char buffer[512];
    const int n = std::snprintf(buffer, sizeof buffer, fmt, values...);
    if (n < 0) return {};
    if (size_t(n) < sizeof buffer) return std::string(buffer, size_t(n));
    std::string big(size_t(n) + 1, '\0');
    std::snprintf(big.data(), big.size(), fmt, values...);
    big.resize(size_t(n));
    return big;
}

}  // namespace

std::string logPathFor(const std::string& specPath, const char* suffix) {
    const size_t folderEnd = specPath.find_last_of("/\\");
    const size_t nameStart = folderEnd == std::string::npos ? 0 : folderEnd + 1;
    const size_t dot = specPath.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return specPath + suffix;
    return specPath.substr(0, dot) + suffix;
}

std::string framedPathText(const char* prefix, const std::string& path, const char* suffix) {
    const std::string head(prefix), tail(suffix);
    // The first character of the prefix is the reserved length byte.
    const size_t frame = head.size() - (head.empty() ? 0 : 1) + tail.size();
    if (frame + path.size() <= kHostTextLimit) return head + path + tail;
    const std::string mark = "...";
    const size_t room =
        kHostTextLimit > frame + mark.size() ? kHostTextLimit - frame - mark.size() : 0;
    return head + mark + path.substr(path.size() - std::min(room, path.size())) + tail;
}

// ---- computational log ----------------------------------------------------------------

std::string compLogHeader() {
    std::string header;
    for (const char* piece : kCompLogHeader) header += piece;
    return header;
}

std::string compLogLine(const CompLogFigures& f) {
    const double jumps = f.basenumber != 0 ? std::ceil(f.maxDeviation / f.basenumber) : 0;
    std::string line =
        format("%d;%f;%s;%f;%d;%f;%f;%f;%f;%f\n", f.testNumber, f.objective,
               f.extendedUsed == 0 ? kCompLogYes : kCompLogNo, f.maxDeviation, clampedInt(jumps),
               f.overallSeconds, f.resolutionSeconds, percentOf(f.zeroCount, f.ncells),
               percentOf(f.baseMultipleCount, f.ncells), percentOf(f.integerCount, f.ncells));
    std::replace(line.begin(), line.end(), '.', ',');
    return line;
}

int writeCompLog(const std::string& specPath, int testNumber, int extendedUsed, double maxDeviation,
                 double resolutionSeconds, double overallSeconds) {
    const std::string path = logPathFor(specPath, kCompLogSuffix);
    std::FILE* f = openLog(path, compLogHeader());
    if (!f) return -1;
    const InstanceState& s = gInstance;
    CompLogFigures figures;
    figures.testNumber = testNumber;
    figures.objective = gEngine.bestUB;
    figures.extendedUsed = extendedUsed;
    figures.maxDeviation = maxDeviation;
    figures.basenumber = gOptions.basenumber;
    figures.overallSeconds = overallSeconds;
    figures.resolutionSeconds = resolutionSeconds;
    figures.zeroCount = s.zeroCount;
    figures.baseMultipleCount = s.baseMultipleCount;
    figures.integerCount = s.integerCount;
    figures.ncells = s.ncells;
    return finishLog(f, path, compLogLine(figures));
}

// ---- bias log ------------------------------------------------------------------------------

int32_t remainderOf(double nominal, int32_t b) {
    double r = std::floor(nominal) - double(b) * std::floor(nominal / double(b));
    // A value a hair below a multiple can land on either side of it.
    if (r < 0) r += b;
    if (r >= b) r -= b;
    return r >= 0 && r < b ? int32_t(r) : 0;
}

std::optional<ProbArray> tallyBias() {
    double& base = gOptions.basenumber;
    if (!std::isfinite(base) || base < 1 || base > double(INT32_MAX)) return std::nullopt;
    base = std::trunc(base);
    ProbArray p;
    p.base = int32_t(base);
    try {
        p.cells.assign(size_t(p.base), 0);
        p.roundedUp.assign(size_t(p.base), 0);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    for (const Cell* c = gInstance.cellList; c; c = c->next) {
        const int32_t q = remainderOf(c->nominal, p.base);
        ++p.cells[size_t(q)];
        if (c->rounded > c->nominal) ++p.roundedUp[size_t(q)];
    }
    return p;
}

std::string biasLogHeader(int32_t b) {
    std::string header = kBiasLogHeaderStart;
    for (int32_t q = 1; q < b; ++q) header += format(kBiasLogHeaderClass, q);
    return header + "\n";
}

std::string biasLogLine(const ProbArray& p, int testNumber) {
    std::string line = format("%d;", testNumber);
    for (int32_t q = 0; q < p.base; ++q)
        line += format("%d;%d;%d;", q, p.cells[size_t(q)], p.roundedUp[size_t(q)]);
    return line + "\n";
}

std::string biasBaseLine(int32_t b) {
    return format(kBiasLogBaseLine, b);
}

int writeBiasLog(const std::string& specPath, const ProbArray& p, int testNumber, int last) {
    std::string path, header, text;
    try {
        path = logPathFor(specPath, kBiasLogSuffix);
        header = biasLogHeader(p.base);
        text = biasLogLine(p, testNumber);
        if (last == 1) text += biasBaseLine(clampedInt(gOptions.basenumber));
    } catch (const std::bad_alloc&) {
        ShowAlert(kAlertNoMemoryTally, 2);
        return -1;
    }
    std::FILE* f = openLog(path, header);
    if (!f) return -1;
    return finishLog(f, path, text);
}

}  // namespace batch
