// Reading one =SUM formula (R1C1 text as the host gives it under the
// international flag) into a Sum: the referenced cells with +1, the formula's
// own cell with -1 at the head.
#include "capture/sum_formula.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "capture/capture.h"
#include "shell/host_api.h"
#include "shell/host_values.h"

namespace {

// Splits `args` at commas outside quoted sheet names. False when an argument
// holds something other than references (a nested call, a constant).
bool splitArguments(const std::string& args, std::vector<std::string>& out) {
    std::string current;
    bool quoted = false;
    for (size_t i = 0; i < args.size(); ++i) {
        char c = args[i];
        if (quoted) {
            current += c;
            if (c == '\'') {
                if (i + 1 < args.size() && args[i + 1] == '\'')
                    current += args[++i];
                else
                    quoted = false;
            }
        } else if (c == '\'') {
            quoted = true;
            current += c;
        } else if (c == ',') {
            out.push_back(current);
            current.clear();
        } else if (c == '(' || c == ')' || c == '"') {
            return false;
        } else if (c != ' ') {
            current += c;
        }
    }
    if (quoted) return false;
    out.push_back(current);
    return true;
}

// Reads "R", "R[n]" or "Rn" (or the same with C) from `text` at `pos`.
bool readAxis(const std::string& text, size_t& pos, char letter, Axis& axis) {
    if (pos >= text.size() || (text[pos] != letter && text[pos] != letter + 32)) return false;
    ++pos;
    axis = Axis{};
    if (pos < text.size() && text[pos] == '[') {
        size_t close = text.find(']', pos);
        if (close == std::string::npos) return false;
        std::string number = text.substr(pos + 1, close - pos - 1);
        char* end = nullptr;
        long v = std::strtol(number.c_str(), &end, 10);
        if (number.empty() || *end != '\0' || v < -70000 || v > 70000) return false;
        axis.value = int(v);
        pos = close + 1;
    } else if (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        size_t start = pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
        if (pos - start > 6) return false;
        axis.absolute = true;
        axis.value = std::atoi(text.substr(start, pos - start).c_str());
        if (axis.value < 1) return false;
    }
    return true;
}

}  // namespace

bool parseR1C1Reference(const std::string& text, CellReference& ref) {
    ref = CellReference{};
    std::string rest = text;
    size_t bang = std::string::npos;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\'') quoted = !quoted;
        if (text[i] == '!' && !quoted) bang = i;
    }
    if (bang != std::string::npos) {
        std::string sheet = text.substr(0, bang);
        if (sheet.size() >= 2 && sheet.front() == '\'' && sheet.back() == '\'') {
            std::string plain;
            for (size_t i = 1; i + 1 < sheet.size(); ++i) {
                plain += sheet[i];
                if (sheet[i] == '\'' && i + 2 < sheet.size() && sheet[i + 1] == '\'') ++i;
            }
            sheet = plain;
        }
        if (sheet.empty()) return false;
        ref.sheet = sheet;
        ref.hasSheet = true;
        rest = text.substr(bang + 1);
    }
    size_t pos = 0;
    if (!readAxis(rest, pos, 'R', ref.row) || !readAxis(rest, pos, 'C', ref.col)) return false;
    return pos == rest.size();
}

bool splitSumFormula(const std::string& text, std::vector<std::string>& arguments) {
    arguments.clear();
    if (text.size() < 6 || text.compare(0, 5, "=SUM(") != 0 || text.back() != ')') return false;
    return splitArguments(text.substr(5, text.size() - 6), arguments) && !arguments.empty();
}

namespace {

// Position of a sheet named in a formula, asked of the host in the form
// "[Book]Sheet"; -1 when the host does not know it.
int sheetPositionOf(const std::string& sheetName) {
    HostResult book;
    if (CallHost(xlfGetDocument, book.get(), 1, ScratchNumber(88)) != xlretSuccess ||
        book.isError())
        return -1;
    CountedText full("[" + textOf(*book) + "]" + sheetName);
    HostResult position;
    double p = 0;
    if (CallHost(xlfGetDocument, position.get(), 2, ScratchNumber(87), full.value()) !=
            xlretSuccess ||
        position.isError() || !numberOf(*position, p))
        return -1;
    return int(p) - 1;
}

// Puts a term at the head of the sum; the count follows the list.
void addTerm(Sum* sum, Cell* cell, int16_t coef) {
    SumTerm* term = newSumTerm(cell, coef, sum->terms);
    if (!term) return;
    sum->terms = term;
    ++sum->termCount;
    ++cell->useCount;
}

void skipFormula(const char* text, Sum* sum) {
    std::string note = "  Skipped formula, not one SUM of cell references: ";
    note += text;
    ShowStatus(note.c_str());
    freeSum(sum);
}

}  // namespace

Sum* parseSumFormula(const char* text, Sum* sum, Cell* cell, int sheet) {
    InstanceState& s = gInstance;
    s.scanSheet = sheet;
    sum->termCount = 0;
    sum->row = cell->row;
    sum->col = cell->col;
    sum->sheet = sheet;
    sum->fromFormula = 1;
    sum->terms = nullptr;
    if (!sum->text) {
        sum->text = newInstanceText(text);
        if (!sum->text) ShowAlert("  No se podía reservar la memoria necesaria!", 1);
    }

    std::vector<std::string> arguments;
    if (!splitSumFormula(text, arguments)) {
        skipFormula(text, sum);
        return nullptr;
    }
    for (const std::string& argument : arguments) {
        std::string first = argument, second;
        size_t colon = std::string::npos;
        bool quoted = false;
        for (size_t i = 0; i < argument.size(); ++i) {
            if (argument[i] == '\'') quoted = !quoted;
            if (argument[i] == ':' && !quoted) colon = i;
        }
        if (colon != std::string::npos) {
            first = argument.substr(0, colon);
            second = argument.substr(colon + 1);
        }
        CellReference a, b;
        if (!parseR1C1Reference(first, a) ||
            (colon != std::string::npos && !parseR1C1Reference(second, b))) {
            skipFormula(text, sum);
            return nullptr;
        }
        if (colon == std::string::npos) b = a;

        int rangeSheet = sheet;
        const CellReference* prefixed = b.hasSheet ? &b : a.hasSheet ? &a : nullptr;
        if (prefixed) {
            rangeSheet = sheetPositionOf(prefixed->sheet);
            if (rangeSheet < 0) {
                ShowAlert(
                    "  Error in formula! Could not find worksheet from formula in actual workbook!",
                    1);
                // Without the cells of that sheet the equation would be wrong.
                freeSum(sum);
                return nullptr;
            }
        }
        int r1 = a.row.resolve(cell->row), r2 = b.row.resolve(cell->row);
        int c1 = a.col.resolve(cell->col), c2 = b.col.resolve(cell->col);
        if (r1 > r2) std::swap(r1, r2);
        if (c1 > c2) std::swap(c1, c2);
        // Only positions inside the scanned grid can hold a cell: a whole-column
        // range costs its used rows, not a million lookups.
        r1 = std::max(r1, 0);
        c1 = std::max(c1, 0);
        r2 = std::min(r2, s.maxRow);
        c2 = std::min(c2, s.maxCol);
        for (int c = c1; c <= c2; ++c) {
            for (int r = r1; r <= r2; ++r) {
                Cell* part = cellAt(rangeSheet, r, c);
                if (part) addTerm(sum, part, 1);
            }
        }
    }
    if (Cell* total = cellAt(sheet, cell->row, cell->col)) addTerm(sum, total, -1);
    return sum;
}
