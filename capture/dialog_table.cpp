#include "capture/dialog_table.h"

#include <cstdio>
#include <cstdlib>

#include "capture/sum_dialog_tables.h"
#include "shell/host_values.h"

std::string formatG15(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", v);
    return text;
}

const XLOPER* dialogElement(const XLOPER& table, int row, int col) {
    if ((table.xltype & 0x0FFF) != xltypeMulti || !table.val.array.lparray) return nullptr;
    if (row < 0 || row >= table.val.array.rows || col < 0 || col >= table.val.array.columns)
        return nullptr;
    return &table.val.array.lparray[size_t(row) * table.val.array.columns + size_t(col)];
}

std::string resultText(const XLOPER& table, int row) {
    const XLOPER* v = dialogElement(table, row, SumInit);
    if (!v) return {};
    double n;
    if ((v->xltype & 0x0FFF) == xltypeStr) return textOf(*v);
    if (numberOf(*v, n)) return formatG15(n);
    if ((v->xltype & 0x0FFF) == xltypeBool) return v->val.xbool ? "TRUE" : "FALSE";
    return {};
}

double resultNumber(const XLOPER& table, int row) {
    const XLOPER* v = dialogElement(table, row, SumInit);
    double n = 0;
    if (v && numberOf(*v, n)) return n;
    if (v && (v->xltype & 0x0FFF) == xltypeBool) return v->val.xbool ? 1 : 0;
    return std::atof(resultText(table, row).c_str());
}

bool resultChecked(const XLOPER& table, int row) {
    const XLOPER* v = dialogElement(table, row, SumInit);
    if (v && (v->xltype & 0x0FFF) == xltypeBool) return v->val.xbool != 0;
    std::string t = resultText(table, row);
    return t == "TRUE" || std::atof(t.c_str()) != 0;
}

