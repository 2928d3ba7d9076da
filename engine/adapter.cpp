// The adapter between the instance model and the engine.
#include "engine/adapter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/engine_texts.h"
#include "engine/logfile.h"
#include "engine/optimizer/optimizer.h"
#include "engine/run_progress.h"
#include "shell/host_api.h"

namespace {

// Lines on standard output for failures that show nothing in the host.
constexpr char kOutNoMemoryReading[] = "ERROR: Not enough memory for READING\n";
constexpr char kOutNoMemoryGeneral[] = "ERROR: Not enough memory for GENERAL DATA STRUCTURE\n";
constexpr char kOutErrorInSpace[] = "Error in space\n";
constexpr char kOutLoadFailed[] = " ERROR: loading the QTB instance\n";

void printOut(const char* line) {
    std::fputs(line, stdout);
    std::fflush(stdout);
}

// The table as the plain arrays that EngineLoad takes.
struct EngineInput {
    std::vector<double> nominal, lpl, upl, lowerBound, upperBound;
    std::vector<char> status;
    std::vector<std::string> nameText;
    std::vector<const char*> names;
    std::vector<int> termCell, termCount;
    std::vector<signed char> termSign;
    std::vector<double> rhs;
};

// Fills the per-cell arrays in list order; false when memory runs out.
bool fillCells(Cell* cells, int n, EngineInput& in) {
    try {
        in.nominal.reserve(n);
        in.status.reserve(n);
        in.lpl.reserve(n);
        in.upl.reserve(n);
        in.lowerBound.reserve(n);
        in.upperBound.reserve(n);
        in.nameText.reserve(n);
        in.names.reserve(n);
        for (Cell* c = cells; c; c = c->next) {
            in.nominal.push_back(c->nominal);
            in.status.push_back(c->status);
            in.lpl.push_back(c->lpl);
            in.upl.push_back(c->upl);
            in.lowerBound.push_back(c->lbd);
            in.upperBound.push_back(c->ubd);
            in.nameText.emplace_back(c->name ? c->name : "");
        }
        for (const std::string& s : in.nameText) in.names.push_back(s.c_str());
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// Fills the per-sum and per-term arrays. 0, -1 with no memory, -2 when the
// term lists disagree with the term counts or refer to no cell.
int fillSums(Sum* sums, int m, int t, EngineInput& in) {
    if (m < 0 || t < 0) return -2;
    try {
        in.termCell.reserve(t);
        in.termSign.reserve(t);
        in.termCount.reserve(m);
        in.rhs.reserve(m);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    int walked = 0;
    for (Sum* s = sums; s; s = s->next) {
        in.rhs.push_back(0.0);
        in.termCount.push_back(s->termCount);
        int inSum = 0;
        for (SumTerm* term = s->terms; term; term = term->next) {
            if (!term->cell || walked >= t) return -2;
            in.termCell.push_back(term->cell->number);
            in.termSign.push_back(term->coef == 1 ? 1 : -1);
            ++walked;
            ++inSum;
        }
        // A sum whose list is longer or shorter than its count would shift
        // the terms of every later equation.
        if (inSum != s->termCount) return -2;
    }
    return walked == t ? 0 : -2;
}

// Says how many cells the auditing phase measured: a log line always; when
// some were not, a status text too.
void reportAuditCount() {
    const int n = gEngine.cellCount, audited = gEngine.auditedCells, rest = n - audited;
    const bool byLimit = gEngine.auditStoppedByLimit != 0;
    ProgressAuditResult(audited, rest, byLimit);
    AppendLog(kEngineLogName, kLogAuditCount, audited, n);
    if (rest > 0)
        AppendLog(kEngineLogName, kLogAuditBoxes, rest,
                  byLimit ? "time limit reached" : "auditing LP not solved");
    char text[200];
    if (rest == 0)
        std::snprintf(text, sizeof text, kStatusAllAudited, n);
    else
        std::snprintf(text, sizeof text, byLimit ? kStatusAuditCutByLimit : kStatusAuditIncomplete,
                      rest, n);
    ShowStatus(text);
}

// Copies the rounding and, with auditing, the audit intervals into the Cells.
void writeBack(Cell* cells) {
    double maxDeviation = 0;
    int i = 0;
    for (Cell* c = cells; c; c = c->next, ++i) {
        const EngineCell& e = gEngine.cells[i];
        c->rounded = gEngine.base * e.steps + e.floorValue;
        const double deviation = std::fabs(c->nominal - c->rounded);
        if (deviation > maxDeviation) maxDeviation = deviation;
    }
    gInstance.maxDeviation = maxDeviation;
    if (!gOptions.auditing) return;
    CommonBounds(gEngine.boxFloor, gEngine.boxCap);
    AuditSolution((gOptions.maxJump + 1) * gEngine.base, kEngineLogName);
    i = 0;
    for (Cell* c = cells; c; c = c->next, ++i) {
        c->auditMax = gEngine.cells[i].auditMax;
        c->auditMin = gEngine.cells[i].auditMin;
    }
    reportAuditCount();
}

// The gap between a rounding's distance and the bound on it, in percent.
double gapPercent(double lowerbound, double upperbound) {
    return upperbound > 0 ? std::max(0.0, upperbound - lowerbound) / upperbound * 100 : 0;
}

// The best rounding found when the time limit ended the search, published as
// an optimal one would be, with a log line saying it is not proven optimal.
void publishBest(Cell* cells, double lowerbound, double upperbound) {
    const double gap = gapPercent(lowerbound, upperbound);
    gEngine.bestNotProven = 1;
    gEngine.publishedGap = gap;
    gEngine.bestLB = lowerbound;
    AppendLog(kEngineLogName, kLogBestPublished, upperbound, lowerbound, gap);
    ShowStatus(kStatusBestAtTimeLimit);
    writeBack(cells);
}

// After a time limit that ended a search holding a rounding: the log and a
// status text say how far it may be from the best, and how to publish it.
void reportUnpublished(double lowerbound, double upperbound) {
    if (gEngine.solutionCount == 0) return;
    const double gap = gapPercent(lowerbound, upperbound);
    AppendLog(kEngineLogName, kLogBestNotPublished, upperbound, lowerbound, gap);
    char text[240];
    std::snprintf(text, sizeof text, kStatusBestNotPublished, upperbound, gap);
    ShowStatus(text);
}

// Loads the table into the engine: 0, or the adapter's failure code.
int loadEngine(Cell* cells, Sum* sums, int n, int m, int t) {
    EngineInput in;
    if (!fillCells(cells, n, in)) {
        printOut(kOutNoMemoryReading);
        return -1;
    }
    const int filled = fillSums(sums, m, t, in);
    if (filled == -1) {
        printOut(kOutNoMemoryGeneral);
        return -1;
    }
    if (filled != 0) {
        printOut(kOutErrorInSpace);
        return -1;
    }
    if (EngineLoad(m, in.rhs.data(), n, in.nominal.data(), in.status.data(), in.lpl.data(),
                   in.upl.data(), in.lowerBound.data(), in.upperBound.data(), in.names.data(),
                   in.termCount.data(), in.termCell.data(), in.termSign.data(), gOptions.basenumber,
                   kEngineLogName) != 0) {
        printOut(kOutLoadFailed);
        return -3;
    }
    return 0;
}

}  // namespace

int StartOptimizer(const char* logName) {
    const int status = XPRSinit(nullptr);
    if (status != 0) {
        AppendLog(logName, kLogInitSolver, status);
        return 2;
    }
    return 0;
}

int StopOptimizer() {
    XPRSfree();
    return 0;
}

int RunRounding(Cell* cells, Sum* sums) {
    int n = 0;
    for (Cell* c = cells; c; c = c->next) c->number = n++;
    int m = 0, t = 0;
    for (Sum* s = sums; s; s = s->next) {
        ++m;
        t += s->termCount;
    }
    if (StartOptimizer(kEngineLogName) != 0) return -2;

    const int loaded = loadEngine(cells, sums, n, m, t);
    if (loaded != 0) {
        StopOptimizer();
        return loaded;
    }

    double lowerbound = 0, upperbound = 0;
    gEngine.bestNotProven = 0;
    gEngine.publishedGap = 0;
    int r = EngineSolve(lowerbound, upperbound, kEngineLogName, gOptions.timelim, gOptions.maxJump);
    ProgressAcceptBest(gOptions.acceptBest != 0);
    gEngine.bestUB = upperbound;

    switch (r) {
        case 1:
            ShowStatus(kStatusOptimal);
            if (gEngine.solutionCount > 0) writeBack(cells);
            break;
        case 2:
            ShowAlert(kAlertInfeasible, 1);
            break;
        case 3:
            if (gOptions.acceptBest && gEngine.solutionCount > 0) {
                publishBest(cells, lowerbound, upperbound);
                r = 1;
                break;
            }
            ShowAlert(kAlertAbortedWithSolution, 1);
            reportUnpublished(lowerbound, upperbound);
            break;
        case 4:
            ShowAlert(kAlertAbortedWithoutSolution, 1);
            break;
        default:
            ShowAlert(kAlertSolveError, 1);
            r = 10;
            break;
    }
    ProgressEndRun();
    EngineUnload();
    StopOptimizer();
    return r == 1 ? 0 : r;
}

void CommonBounds(double& floor, double& cap) {
    floor = gOptions.lbFloorInf ? -HUGE_VAL : gOptions.lbFloor;
    cap = gOptions.ubCapInf ? HUGE_VAL : gOptions.ubCap;
}
