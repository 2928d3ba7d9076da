// Hand-entered equations and the advanced options of the add-sums dialog.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "capture/dialog_table.h"
#include "capture/sum_dialog.h"
#include "shell/host_api.h"
#include "shell/host_values.h"
#include "shell/texts.h"

namespace {

// Beyond any row or column a sheet has.
constexpr long kFarAway = 10000000;

// Shown with a leading blank for the left side, without one for the right.
void sideAlert(int coef, const char* text) {
    std::string shown = std::string(coef < 0 ? "  " : " ") + text;
    ShowAlert(shown.c_str(), kAlertNoType);
}

// The position of a sheet of the active workbook, asked of the host by name;
// -1 when unknown.
int sheetPosition(const std::string& name) {
    CountedText text(name);
    HostResult position;
    double p = 0;
    if (CallHost(xlfGetDocument, position.get(), 2, ScratchNumber(87), text.value()) !=
            xlretSuccess ||
        position.isError() || !numberOf(*position, p))
        return -1;
    return int(p) - 1;
}

std::string activeSheetName() {
    HostResult name;
    if (CallHost(xlfGetWorkbook, name.get(), 1, ScratchNumber(38)) != xlretSuccess ||
        name.isError())
        return {};
    return textOf(*name);
}

// The leading whole number of a text (0 when there is none), kept within the
// sheet's reach so that no arithmetic on it can overflow.
int leadingNumber(const char* text) {
    long v = std::strtol(text, nullptr, 10);
    return int(std::clamp(v, -kFarAway, kFarAway));
}

// One corner "R<row>C<col>" with 1-based numbers: split at the first 'C'; the
// row is the number after the first character of the part before it.
bool readCorner(const std::string& text, int& row, int& col) {
    size_t c = text.find_first_of("Cc");
    if (c == std::string::npos || c == 0) return false;
    std::string rowPart = text.substr(0, c);
    row = rowPart == "L" ? 0 : leadingNumber(rowPart.c_str() + 1) - 1;
    col = c + 1 < text.size() ? leadingNumber(text.c_str() + c + 1) - 1 : 0;
    return true;
}

// Puts a term at the head of the sum; the count follows the list.
void addTerm(Sum* sum, Cell* cell, int coef) {
    SumTerm* term = newSumTerm(cell, int16_t(coef), sum->terms);
    if (!term) return;
    sum->terms = term;
    ++sum->termCount;
}

}  // namespace

int parseSumSide(const std::string& input, Sum* sum, int coef) {
    std::string text = input;
    trimTrailingBlanks(text);
    while (!text.empty() && text.front() == ' ') text.erase(0, 1);
    std::string sheetName;
    size_t bang = text.rfind('!');
    if (bang != std::string::npos) {
        sheetName = text.substr(0, bang);
        if (sheetName.size() >= 2 && sheetName.front() == '\'' && sheetName.back() == '\'')
            sheetName = sheetName.substr(1, sheetName.size() - 2);
        text = text.substr(bang + 1);
    } else {
        sheetName = activeSheetName();
    }
    const int sheet = sheetPosition(sheetName);
    if (sheet < 0) {
        sideAlert(coef,
                  "Error in formula! Could not find worksheet from formula in actual workbook!");
        return -2;
    }

    size_t colon = text.find(':');
    if (colon != std::string::npos) {
        int r1, c1, r2, c2;
        if (!readCorner(text.substr(0, colon), r1, c1) ||
            !readCorner(text.substr(colon + 1), r2, c2)) {
            sideAlert(coef, "Cell not in list!");
            return -2;
        }
        if (r1 > r2) std::swap(r1, r2);
        if (c1 > c2) std::swap(c1, c2);
        // Positions outside the instance's grid hold no cell; they are reported
        // once together instead of one alert for each of perhaps millions.
        const int gr1 = std::max(r1, 0), gc1 = std::max(c1, 0);
        const int gr2 = std::min(r2, gInstance.maxRow), gc2 = std::min(c2, gInstance.maxCol);
        for (int c = gc1; c <= gc2; ++c) {
            for (int r = gr1; r <= gr2; ++r) {
                if (Cell* cell = cellAt(sheet, r, c))
                    addTerm(sum, cell, coef);
                else
                    sideAlert(coef, "Cell not in list!");
            }
        }
        if (gr1 != r1 || gc1 != c1 || gr2 != r2 || gc2 != c2) sideAlert(coef, "Cell not in list!");
        return 0;
    }
    int row = 0, col = 0;
    Cell* cell = readCorner(text, row, col) ? cellAt(sheet, row, col) : nullptr;
    if (cell) {
        addTerm(sum, cell, coef);
        return 0;
    }
    if (coef < 0)
        ShowAlert(
            " Marced cell is not in list of cell with values! (If this cell is not empty, "
            "excecute read cells to update that list. Else marc a cell with numeric value.)",
            kAlertNoType);
    else
        ShowAlert(" Cell not in list!", kAlertNoType);
    return -2;
}

int addHandEquation(const std::string& left, const std::string& right) {
    if (left.empty() || right.empty()) return 0;
    Sum* sum = newSum(0, 0, 0, nullptr, nullptr, nullptr, 0);
    if (!sum) {
        ShowAlert(" Unable to allocate necessary memory.", kAlertNoType);
        return -1;
    }
    int leftResult = parseSumSide(left, sum, -1);
    int rightResult = parseSumSide(right, sum, 1);
    for (SumTerm* t = sum->terms; t; t = t->next) ++t->cell->useCount;
    if (leftResult != 0 || rightResult != 0 || !sumIsBalanced(sum)) {
        ShowAlert(" Something is wrong with the sum.", kAlertNoType);
        freeSum(sum);  // lowers every useCount raised above
        return -2;
    }
    sum->next = gInstance.sumList;
    gInstance.sumList = sum;
    ++gInstance.nsums;
    return 0;
}

void removeSum(int position) {
    Sum** link = &gInstance.sumList;
    for (int i = 0; *link && i < position; ++i) link = &(*link)->next;
    if (!*link || position < 0) return;
    Sum* sum = *link;
    *link = sum->next;
    freeSum(sum);
    --gInstance.nsums;
}

namespace {

// A number as the advanced options take it: the leading numeric part, refused
// when what follows it holds a blank and then another character.
bool readOptionNumber(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    // "inf", "nan" or 1e999 would make every bound infinite or undefined.
    if (!std::isfinite(value)) return false;
    std::string rest = end ? std::string(end) : std::string();
    size_t blank = rest.find(' ');
    return blank == std::string::npos || rest.find_first_not_of(' ', blank) == std::string::npos;
}

// Reads one row into a value and its "infinite" flag; false (alert shown) when
// the text is neither the keyword nor an acceptable number.
bool readBoundRow(const XLOPER& r, int row, const char* keyword, double& value, int32_t& inf,
                  const char* message) {
    std::string text = resultText(r, row);
    trimTrailingBlanks(text);
    if (text == keyword) {
        inf = 1;
        return true;
    }
    double v;
    if (!readOptionNumber(text, v)) {
        ShowAlert(message, 1);
        return false;
    }
    inf = 0;
    value = v;
    return true;
}

}  // namespace

int readAdvancedOptions(const XLOPER& r) {
    RoundingOptions& o = gOptions;
    if (o.setLbd == 1) {
        if (!readBoundRow(r, 39, "-inf", o.lbFloor, o.lbFloorInf,
                          " Value x in lb = max { x,y } must be a numerical value or '-inf'!") ||
            !readBoundRow(r, 40, "inf", o.lbDist, o.lbDistInf,
                          " Value y in lb = max { x,y } must be a numerical value or 'inf'!"))
            return -1;
    }
    if (o.setUbd == 1) {
        if (!readBoundRow(r, 41, "inf", o.ubCap, o.ubCapInf,
                          " Value x in ub = min { x,y } must be a numerical value or 'inf'!") ||
            !readBoundRow(r, 42, "inf", o.ubDist, o.ubDistInf,
                          " Value y in ub = min { x,y } must be a numerical value or 'inf'!"))
            return -1;
    }
    if (o.setLpl != 1 && o.setUpl != 1) return 0;
    const int option = int(resultNumber(r, 33));
    if (option == 1 || option == 2) {
        std::string text = resultText(r, option == 1 ? 37 : 38);
        trimTrailingBlanks(text);
        if (text == "inf") {
            o.lplAll = 1;
        } else {
            double t;
            if (!readOptionNumber(text, t)) {
                ShowAlert(
                    " Value in option 1 of the protection limit menu must be a numerical "
                    "value or 'inf'!",
                    1);
                return -1;
            }
            if (o.setLpl == 1) o.lplAll = 0, o.lplThreshold = t;
            if (o.setUpl == 1) o.uplAll = 0, o.uplThreshold = t;
        }
        if (o.setLpl == 1) o.lplValue = 1;
        if (o.setUpl == 1) o.uplValue = option == 1 ? 1 : 2;
    } else if (option == 3) {
        if (o.setLpl == 1) o.lplValue = 0, o.lplAll = 1;
        if (o.setUpl == 1) o.uplValue = 0, o.uplAll = 1;
    }
    return 0;
}
