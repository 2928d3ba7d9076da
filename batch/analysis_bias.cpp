// Analysis of a bias test log, on the sorted log sheet itself: below the data
// the totals per remainder class, then the probability of being rounded up
// by the distance of a value from the multiple of the base below it.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "batch/analysis.h"
#include "batch/batch_texts.h"
#include "batch/log_sheet.h"
#include "instance/instance.h"
#include "shell/host_api.h"
#include "shell/host_values.h"

namespace {

using namespace batch;

constexpr long kLastSheetColumn = 255;

std::string formula(const char* fmt, int a, int b, int c = 0, int d = 0) {
    char text[96];
    std::snprintf(text, sizeof text, fmt, a, b, c, d);
    return text;
}

// The base number of a finished batch, from its last line "Base Number = b";
// 0 when the log has no such line (an interrupted batch).
long baseNumberLine(const LogSheet& log) {
    HostResult last;
    if (!cellValue(log.id, log.lastRow, 0, last) || last.type() != xltypeStr) return 0;
    const std::string text = textOf(*last);
    const size_t eq = text.find('=');
    if (eq == std::string::npos) return 0;
    return std::strtol(text.c_str() + eq + 1, nullptr, 10);
}

int analyzeBiasLog() {
    LogSheet log;
    if (!openSortedLog(kBiasLogFilter, true, log)) return 1;
    const long b = baseNumberLine(log);
    // Only a base number that a batch can have (a whole number from 1) says
    // how the columns are grouped.
    if (b < 1) return 0;
    gOptions.basenumber = double(b);
    const int r = log.lastRow;
    for (int l = 1; l <= log.lastCol; l += 3) {
        writeFormula(log.id, r, l, formula("=AVERAGE(R2C%d:R%dC%d)", l + 1, r, l + 1));
        writeFormula(log.id, r, l + 1, formula("=SUM(R2C%d:R%dC%d)", l + 2, r, l + 2));
        writeFormula(log.id, r, l + 2, formula("=SUM(R2C%d:R%dC%d)", l + 3, r, l + 3));
    }
    writeText(log.id, r + 2, 0, kBiasDistanceLabel + 1);
    writeText(log.id, r + 3, 0, kBiasProbabilityLabel + 1);
    // Classes whose column lies beyond the sheet cannot be shown.
    const int shown = int(std::min(b, kLastSheetColumn));
    for (int q = 0; q < shown; ++q) {
        writeNumber(log.id, r + 2, q + 1, q);
        writeFormula(log.id, r + 3, q + 1,
                     formula("=(R%dC%d)/(R%dC%d)", r + 1, 3 * q + 4, r + 1, 3 * q + 3));
    }
    if (b < kLastSheetColumn) {
        writeNumber(log.id, r + 2, int(b) + 1, double(b));
        writeFormula(log.id, r + 3, int(b) + 1, formula("=1-(R%dC2)", r + 4, 0));
    }
    return 0;
}

}  // namespace

QTB_EXPORT int QTBTXfAnalizeBias(void) {
    try {
        return analyzeBiasLog();
    } catch (...) {
        return 1;
    }
}
