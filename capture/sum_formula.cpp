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
#include "capture/formula_terms.h"
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
    const FormulaPlan plan = planFormula(text, cell);
    if (plan.kind != FormulaKind::OneSum) {
        skipFormula(text, sum);
        return nullptr;
    }
    if (plan.unknownSheet) {
        // Without the cells of that sheet the equation would be wrong.
        freeSum(sum);
        return nullptr;
    }
    commitPlan(plan, sum, cell);
    return sum;
}
