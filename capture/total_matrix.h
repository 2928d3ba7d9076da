// Inside the search for typed totals: a table seen as items (rows, columns or
// sheets) across lines (the other direction), and the analysis that finds
// which items are totals of the items next to them.
#pragma once

#include <string>
#include <vector>

#include "capture/total_finder.h"

namespace totals {

struct Slot {
    bool present = false;
    bool typed = false;
    double value = 0;
    Pos pos;
};

struct Matrix {
    int items = 0, lines = 0;
    std::vector<Slot> slots;          // items x lines
    std::vector<std::string> labels;  // per item ("" without a label)
    std::vector<int> indents;         // per item: how deep its label is indented
    void resize(int itemCount, int lineCount) {
        items = itemCount;
        lines = lineCount;
        slots.assign(size_t(items) * size_t(lines), Slot{});
        labels.assign(size_t(items), "");
        indents.assign(size_t(items), 0);
    }
    Slot& at(int item, int line) { return slots[size_t(item) * size_t(lines) + size_t(line)]; }
    const Slot& at(int item, int line) const {
        return slots[size_t(item) * size_t(lines) + size_t(line)];
    }
};

// One item that is the total of other items (in matrix order).
struct Relation {
    int total = 0;
    std::vector<int> parts;
};

// The totals of a matrix with enough evidence, from the direction (totals
// after their parts, or before) that explains more of it.
std::vector<Relation> analyseMatrix(const Matrix& m);

// One proposal per line where a relation's total is typed, the equation holds
// and at least two parts are present.
void emitProposals(const Matrix& m, const std::vector<Relation>& relations,
                   std::vector<Proposal>& out);

// Leading blanks and dots of a label (the depth of its level).
int labelIndent(const std::string& label);

// Equal as a total and its sum of parts must be: up to the rounding error of
// adding them up, not within any tolerance a reader might allow.
bool sameTotal(double a, double b);

}  // namespace totals
