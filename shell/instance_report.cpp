// The instance as text, for people and scripts checking what was captured:
// every cell with its number, name, position, nominal value, bounds, levels,
// status and use count, and every sum with its terms. The program finds this
// function by name in the loaded add-in; it is not a menu command.
#include <cstdio>
#include <string>

#include "host/hostcall.h"
#include "instance/instance.h"

namespace {

const char* originName(InstanceOrigin o) {
    switch (o) {
        case InstanceOrigin::Worksheet: return "worksheet";
        case InstanceOrigin::InstanceFile: return "qtb file";
        case InstanceOrigin::WqFile: return "wq file";
        case InstanceOrigin::Random: return "random";
        case InstanceOrigin::TestBatch: return "test batch";
        case InstanceOrigin::DbTable: return "db-style table";
    }
    return "?";
}

std::string number(double v) {
    char text[48];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

}  // namespace

QTB_EXPORT const char* QTBTXfInstanceReport(void) {
    static std::string report;
    const InstanceState& s = gInstance;
    report = "instance: " + std::to_string(s.ncells) + " cells, " + std::to_string(s.nsums) +
             " sums, origin " + originName(s.origin) + ", base " + number(gOptions.basenumber) +
             "\n";
    for (const Cell* c = s.cellList; c; c = c->next) {
        report += "cell " + std::to_string(c->number) + " " + (c->name ? c->name : "") +
                  " sheet " + std::to_string(c->sheet) + " row " + std::to_string(c->row) +
                  " col " + std::to_string(c->col) + " nominal " + number(c->nominal) +
                  " bounds [" + number(c->lbd) + "," + number(c->ubd) + "] lpl " +
                  number(c->lpl) + " upl " + number(c->upl) + " spl " + number(c->spl) +
                  " status " + c->status + " uses " + std::to_string(c->useCount) + " rounded " +
                  number(c->rounded) + " interval [" + number(c->auditMin) + "," +
                  number(c->auditMax) + "]\n";
    }
    for (const Sum* sum = s.sumList; sum; sum = sum->next) {
        report += "sum";
        if (sum->fromFormula)
            report += " " + std::string(sum->text ? sum->text : "") + " at sheet " +
                      std::to_string(sum->sheet) + " row " + std::to_string(sum->row) + " col " +
                      std::to_string(sum->col);
        else
            report += " (not from a formula)";
        report += ":";
        for (const SumTerm* t = sum->terms; t; t = t->next)
            report += std::string(" ") + (t->coef > 0 ? "+" : "-") +
                      (t->cell && t->cell->name ? t->cell->name : "?");
        report += "\n";
    }
    return report.c_str();
}
