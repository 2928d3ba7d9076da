// Analysis of a computational test log: a new workbook with one sheet per
// test (its log rows and a row of averages) and a summary sheet with one row
// of averages per test.
#include "batch/analysis.h"

#include <cstdio>
#include <string>
#include <vector>

#include "batch/batch_texts.h"
#include "batch/log_sheet.h"
#include "random/tables.h"
#include "shell/host_api.h"
#include "shell/host_values.h"

namespace {

using namespace batch;

constexpr int kCopiedLastCol = 10;    // log rows are copied as columns 0 ... 10
constexpr int kAveragedColumns = 10;  // the averages row fills columns 0 ... 9
constexpr int kModelColumn = 2;       // "YES" when the zero-restricted model was used
constexpr size_t kSheetNameLimit = 31;

bool sheetNamesOf(const std::string& book, std::vector<std::string>& names) {
    HostResult answer;
    CountedText name(book);
    if (CallHost(xlfGetWorkbook, answer.get(), 2, ScratchNumber(1), name.value()) != xlretSuccess ||
        answer.isError())
        return false;
    names = textsOf(*answer);
    return !names.empty();
}

// Renames the first sheet of the book and takes its id; false (alert shown)
// when a step fails.
bool nameFirstSheet(const std::string& book, const std::string& newName, uint32_t& id) {
    std::vector<std::string> names;
    bool renamed = sheetNamesOf(book, names);
    if (renamed) {
        CountedText oldText(names[0]), newText(newName);
        renamed = CallHost(xlcWorkbookName, nullptr, 2, oldText.value(), newText.value()) ==
                      xlretSuccess &&
                  sheetNamesOf(book, names);
    }
    if (!renamed) {
        ShowAlert(kAlertRenameSheet, 1);
        return false;
    }
    if (!sheetIdNamed(names[0], id)) {
        ShowAlert(kAlertNewSheetId, 1);
        return false;
    }
    return true;
}

bool copyTitle(const LogSheet& log, uint32_t to) {
    if (copyRow(log.id, 0, to, 0, kCopiedLastCol)) return true;
    ShowAlert(kAlertCopyTitle, 1);
    return false;
}

// A new worksheet in front of the first sheet of the book.
bool insertFirstSheet(const std::string& book) {
    std::vector<std::string> names;
    bool ok = sheetNamesOf(book, names);
    if (ok) {
        CountedText first(names[0]);
        ok = CallHost(xlcWorkbookSelect, nullptr, 1, first.value()) == xlretSuccess &&
             CallHost(xlcWorkbookInsert, nullptr, 1, ScratchNumber(1)) == xlretSuccess;
    }
    if (!ok) ShowAlert(kAlertAddSheet, 1);
    return ok;
}

// The sheet of one test, named after the log and the test number, with the
// log's title row.
bool startTestSheet(const std::string& book, const LogSheet& log, double test, uint32_t& id) {
    return nameFirstSheet(book, log.name + kTestSheetSeparator + testNumberText(test), id) &&
           copyTitle(log, id);
}

// The averages row of a test below its f - 1 rows on its sheet, and the same
// values in row g of the summary: the row count, the number of YES, and the
// averages of the other columns (formulas on the test sheet, their values on
// the summary).
void writeAverages(uint32_t test, int f, uint32_t summary, int g) {
    const int rows = f - 1;
    writeNumber(test, f, 0, rows);
    writeNumber(summary, g, 0, rows);
    int yes = 0;
    for (int r = 1; r <= rows; ++r) {
        HostResult v;
        if (cellValue(test, r, kModelColumn, v) && v.type() == xltypeStr &&
            textOf(*v) == kCompLogYes)
            ++yes;
    }
    writeNumber(test, f, kModelColumn, yes);
    writeNumber(summary, g, kModelColumn, yes);
    for (int c = 1; c < kAveragedColumns; ++c) {
        if (c == kModelColumn) continue;
        char formula[96];
        std::snprintf(formula, sizeof formula, "=AVERAGE(R2C%d:R%dC%d)", c + 1, f, c + 1);
        if (!writeFormula(test, f, c, formula)) continue;
        HostResult v;
        if (cellValue(test, f, c, v)) writeValue(summary, g, c, *v);
    }
}

int analyzeLog() {
    LogSheet log;
    if (!openSortedLog(kCompLogFilter, false, log)) return 1;
    if (CallHost(xlcNew, nullptr, 0) != xlretSuccess) {
        ShowAlert(kAlertNewWorkbookFailed, 1);
        return 1;
    }
    HostResult bookName;
    std::vector<std::string> names;
    if (CallHost(xlfGetDocument, bookName.get(), 1, ScratchNumber(88)) != xlretSuccess ||
        bookName.type() != xltypeStr || !sheetNamesOf(textOf(*bookName), names)) {
        ShowAlert(kAlertRenameSheet, 1);
        return 1;
    }
    const std::string book = textOf(*bookName);
    const std::string summaryName = log.name + kSummarySuffix;
    if (summaryName.size() > kSheetNameLimit) {
        ShowAlert(kAlertSummaryNameTooLong, 2);
        return 1;
    }
    uint32_t summary = 0;
    if (!nameFirstSheet(book, summaryName, summary) || !copyTitle(log, summary)) return 1;
    if (CallHost(xlcWorkbookInsert, nullptr, 1, ScratchNumber(1)) != xlretSuccess) {
        ShowAlert(kAlertAddSheet, 1);
        return 1;
    }
    double first = 0;
    if (!cellNumber(log.id, 1, 0, first)) {
        ShowAlert(kAlertFirstColumn, 1);
        return 1;
    }
    uint32_t test = 0;
    if (!startTestSheet(book, log, first, test)) return 1;

    int f = 1, g = 1;
    bool started = false;
    double previous = 0;
    for (int h = 1; h <= log.lastRow; ++h) {
        double t = 0;
        if (!cellNumber(log.id, h, 0, t)) {
            ShowAlert(kAlertFirstColumn, 1);
            return 1;
        }
        if (started && t != previous) {
            writeAverages(test, f, summary, g);
            ++g;
            if (!insertFirstSheet(book) || !startTestSheet(book, log, t, test)) return 1;
            copyRow(log.id, h, test, 1, kCopiedLastCol);
            f = 2;
        } else {
            copyRow(log.id, h, test, f, kCopiedLastCol);
            ++f;
        }
        previous = t;
        started = true;
    }
    writeAverages(test, f, summary, g);
    return 0;
}

}  // namespace

QTB_EXPORT int QTBTXfAnalize(void) {
    try {
        return analyzeLog();
    } catch (...) {
        return 1;
    }
}
