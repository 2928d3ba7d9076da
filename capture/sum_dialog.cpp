// The add-sums dialog: the equations of the instance, hand-entered equations,
// removal, and a few rounding options, on the host's table-driven dialog box.
#include "capture/sum_dialog.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "capture/capture.h"
#include "capture/capture_record.h"
#include "capture/dialog_table.h"
#include "capture/find_totals.h"
#include "capture/sum_dialog_tables.h"
#include "shell/host_api.h"
#include "shell/host_values.h"
#include "shell/texts.h"

SumDialogState sumDialogState;

namespace {

constexpr int kMaxListedSums = 50;
constexpr size_t kCellTextLimit = kSumWidth - 2;

using Table = char (*)[kSumCols][kSumWidth];

// Rewrites a table cell; texts longer than a cell holds are cut.
void setCell(char* cell, const std::string& text) {
    size_t n = text.size() < kCellTextLimit ? text.size() : kCellTextLimit;
    std::memcpy(cell + 1, text.data(), n);
    cell[n + 1] = '\0';
    cell[0] = char(n);
}

// The base number of row 18; a base that is not positive is refused.
void takeBaseNumber(const XLOPER& table) {
    double base = std::atof(resultText(table, 18).c_str());
    if (base > 0) {
        gOptions.basenumber = base;
        return;
    }
    std::string text = " The base number must be a positive number; it stays at " +
                       formatG15(gOptions.basenumber) + ".";
    ShowAlert(text.c_str(), 1);
}

// A time limit or a jump: the leading whole number of the row. A negative
// number cannot be one, and the previous value stays.
void takeCount(const XLOPER& table, int row, int32_t& field) {
    long v = std::strtol(resultText(table, row).c_str(), nullptr, 10);
    if (v >= 0) field = int32_t(std::min(v, long(INT32_MAX)));
}

// ---- building a showing -------------------------------------------------------------

void putWorkingDefaults() {
    RoundingOptions& o = gOptions;
    o.lbDist = o.ubDist = 2 * o.basenumber;
    o.lbDistInf = o.ubDistInf = 0;
    o.setLbd = o.setUbd = o.setLpl = o.setUpl = o.setSpl = 1;
    o.lbFloor = 0;
    o.lbFloorInf = 0;
    o.ubCap = 0;
    o.ubCapInf = 1;
    o.lplValue = o.uplValue = o.splValue = 0;
    o.lplThreshold = 0;
    o.lplAll = 1;
    o.uplThreshold = 0;
    o.uplAll = 1;
}

void fillTable(Table t, bool advanced, const XLOPER* previous) {
    const InstanceState& s = gInstance;
    const bool haveSums = s.nsums > 0;
    setCell(t[2][SumType], haveSums ? "1" : "201");
    setCell(t[15][SumType], haveSums ? "3" : "203");
    int fromFormula = 0, byHand = 0;
    for (const Sum* sum = s.sumList; sum; sum = sum->next)
        (sum->fromFormula ? fromFormula : byHand)++;
    setCell(t[10][SumText], std::to_string(s.ncells));
    setCell(t[12][SumText], std::to_string(fromFormula));
    setCell(t[20][SumText], std::to_string(byHand));
    setCell(t[18][SumInit], formatG15(gOptions.basenumber));
    // Typed totals can be searched for in a table captured from a workbook.
    const bool canFind =
        gCapture.fromWorkbook && s.origin == InstanceOrigin::Worksheet && s.cellList;
    setCell(t[advanced ? kAdvancedFindRow : kSimpleFindRow][SumType], canFind ? "3" : "203");
    if (!advanced) {
        const bool fromFile =
            s.origin == InstanceOrigin::InstanceFile || s.origin == InstanceOrigin::WqFile;
        setCell(t[22][SumType], fromFile ? "213" : "13");
        setCell(t[22][SumInit], gOptions.keepLoaded == 1 ? "1" : "0");
        return;
    }
    setCell(t[45][SumType], s.origin != InstanceOrigin::Worksheet ? "213" : "13");
    setCell(t[45][SumInit], gOptions.keepLoaded == 1 ? "1" : "0");
    setCell(t[46][SumInit], gOptions.auditing == 1 ? "1" : "0");
    setCell(t[48][SumInit], std::to_string(gOptions.timelim));
    setCell(t[50][SumInit], std::to_string(gOptions.maxJump));
    SumDialogState& d = sumDialogState;
    if (d.prevAdvanced == 1 && previous) {
        for (int r = 37; r <= 42; ++r) setCell(t[r][SumInit], resultText(*previous, r));
    } else if (d.advancedShowings > 1) {
        for (int r = 37; r <= 42; ++r) setCell(t[r][SumInit], d.lastAdvancedResult[r - 37]);
    } else if (d.advancedShowings == 1) {
        const std::string twice = formatG15(2 * gOptions.basenumber);
        setCell(t[40][SumInit], twice);
        setCell(t[42][SumInit], twice);
    }
}

// The table as the host takes it: rows x 7 values, texts pointing into the
// table, empty cells nil.
struct TableValue {
    std::unique_ptr<XLOPER[]> elements;
    XLOPER value{};
    TableValue(Table t, int rows) : elements(new XLOPER[size_t(rows) * kSumCols]) {
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < kSumCols; ++c) {
                XLOPER& e = elements[size_t(r) * kSumCols + size_t(c)];
                e = XLOPER{};
                if (t[r][c][0] == 0) {
                    e.xltype = xltypeNil;
                } else {
                    e.xltype = xltypeStr;
                    e.val.str = t[r][c];
                }
            }
        }
        value.xltype = xltypeMulti;
        value.val.array.lparray = elements.get();
        value.val.array.rows = uint16_t(rows);
        value.val.array.columns = kSumCols;
    }
};

// Defines "EQUATION_List1" as the one-column list the list box shows.
bool defineEquationList() {
    std::vector<std::string> texts;
    if (gInstance.nsums >= 1 && gInstance.nsums <= kMaxListedSums) {
        for (const Sum* sum = gInstance.sumList; sum; sum = sum->next)
            texts.push_back(equationText(sum));
    } else {
        texts.push_back("No sums loaded.");
    }
    std::vector<std::unique_ptr<CountedText>> owned;
    std::unique_ptr<XLOPER[]> items(new (std::nothrow) XLOPER[texts.size()]);
    if (!items) return false;
    for (size_t i = 0; i < texts.size(); ++i) {
        owned.push_back(std::make_unique<CountedText>(texts[i]));
        items[i] = *owned.back()->value();
    }
    XLOPER list{};
    list.xltype = xltypeMulti;
    list.val.array.lparray = items.get();
    list.val.array.rows = uint16_t(texts.size());
    list.val.array.columns = 1;
    CountedText name("EQUATION_List1");
    return CallHost(xlfSetName, nullptr, 2, name.value(), &list) == xlretSuccess;
}

void keepAdvancedTexts(const XLOPER& returned) {
    for (int r = 37; r <= 42; ++r)
        sumDialogState.lastAdvancedResult[r - 37] = resultText(returned, r);
}

}  // namespace

std::string equationText(const Sum* sum) {
    std::string text;
    for (const SumTerm* t = sum->terms; t; t = t->next) {
        if (!text.empty()) text += "+";
        text += "(" + std::to_string(t->coef) + ")*R" + std::to_string(t->cell->row) + "C" +
                std::to_string(t->cell->col);
    }
    text += "=0";
    // A host text holds 255 characters; a longer equation is shown cut.
    if (text.size() > 255) text = text.substr(0, 252) + "...";
    return text;
}

QTB_EXPORT int fSumdialog(XLOPER* previous) {
    SumDialogState& d = sumDialogState;
    if (!previous) {
        d.prevAdvanced = 0;
        d.advancedShowings = 0;
        d.advancedMode = 0;
    }
    if (d.advancedMode == 1) d.advancedShowings += 1;
    putWorkingDefaults();

    const bool advanced = d.advancedMode == 1;
    Table table = advanced ? advancedSumTable : simpleSumTable;
    const int rows = advanced ? kAdvancedRows : kSimpleRows;
    fillTable(table, advanced, previous);

    if (!defineEquationList()) {
        ShowAlert(" No list memory.", kAlertNoType);
        return 1;
    }
    TableValue definition(table, rows);
    HostResult returned;
    int code = CallHost(xlfDialogBox, returned.get(), 1, &definition.value);
    if (code != xlretSuccess || returned.isError() || returned.type() == xltypeBool) {
        d.advancedMode = 0;
        d.prevAdvanced = 0;
        if (gOptions.keepLoaded != 1) resetInstance();
        return -1;
    }
    const XLOPER& r = *returned;
    if (resultText(r, 0).empty()) return 1;

    const bool worksheet = gInstance.origin == InstanceOrigin::Worksheet;
    if (!advanced) {
        gOptions.keepLoaded = worksheet ? (resultChecked(r, 22) ? 1 : 0) : 1;
    } else {
        gOptions.keepLoaded = worksheet ? (resultChecked(r, 45) ? 1 : 0) : 1;
        gOptions.auditing = resultChecked(r, 46) ? 1 : 0;
        takeCount(r, 48, gOptions.timelim);
        takeCount(r, 50, gOptions.maxJump);
    }

    const int item = int(resultNumber(r, 0));
    if (item == (advanced ? kAdvancedFindRow : kSimpleFindRow)) {
        takeBaseNumber(r);
        if (advanced) keepAdvancedTexts(r);
        d.prevAdvanced = d.advancedMode;
        findTypedTotals();
        return fSumdialog(returned.get());
    }
    switch (item) {
        case 2:
            takeBaseNumber(r);
            if (advanced && readAdvancedOptions(r) != 0) return -1;
            return 1;
        case 14:
        case 15: {
            takeBaseNumber(r);
            if (advanced) keepAdvancedTexts(r);
            d.prevAdvanced = d.advancedMode;
            if (item == 14) {
                addHandEquation(resultText(r, 5), resultText(r, 7));
            } else {
                int p = int(resultNumber(r, 16));
                if (p != 0) removeSum(p - 1);
            }
            return fSumdialog(returned.get());
        }
        case 21:
            takeBaseNumber(r);
            d.prevAdvanced = d.advancedMode;
            if (advanced) keepAdvancedTexts(r);
            d.advancedMode = advanced ? 0 : 1;
            return fSumdialog(returned.get());
        case 23:
            gOptions.setLbd = 0;
            takeBaseNumber(r);
            return 1;
        case 24:
            gOptions.setUbd = 0;
            takeBaseNumber(r);
            return 1;
        case 25:
            gOptions.setLpl = 0;
            takeBaseNumber(r);
            return 1;
        case 26:
            gOptions.setUpl = 0;
            takeBaseNumber(r);
            return 1;
        default:
            return 1;
    }
}
