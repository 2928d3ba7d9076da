// The auditing phase: for every cell, the smallest and largest value it can
// take in the linear relaxation of what a reader of the rounded table knows.
// One LP is built once; each cell's two solves change only its objective
// coefficient, so the optimizer keeps its factorisation between cells. Ends
// that some feasible table already reaches need no LP (audit_ends.h).
#include <cmath>
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "engine/audit_ends.h"
#include "engine/engine.h"
#include "engine/engine_texts.h"
#include "engine/logfile.h"
#include "engine/run_progress.h"

namespace {

// The published value of a cell.
double publishedValue(const EngineCell& c) {
    return c.floorValue + gEngine.base * c.steps;
}

// The rows of the auditing LP: the equations in cell values.
int addSubproblemRows(const char* logName) {
    int expected = 0;
    for (const EngineEquation& eq : gEngine.equations) expected += eq.count;
    std::vector<char> sense;
    std::vector<double> rhs;
    std::vector<int> start, index;
    std::vector<double> value;
    try {
        sense.reserve(gEngine.equationCount);
        rhs.reserve(gEngine.equationCount);
        start.reserve(gEngine.equationCount);
        index.reserve(expected);
        value.reserve(expected);
    } catch (const std::bad_alloc&) {
        AppendLog(logName, kLogNoMemoryDmatval);
        return 1;
    }
    for (const EngineEquation& eq : gEngine.equations) {
        sense.push_back(eq.sense);
        rhs.push_back(eq.rhs);
        start.push_back(static_cast<int>(index.size()));
        for (int k = eq.count - 1; k >= 0; --k) {
            index.push_back(eq.cells[k]->index);
            value.push_back(eq.coef[k]);
        }
    }
    const int built = static_cast<int>(index.size());
    if (built != expected) {
        AppendLog(logName, kLogElementCount, built, expected);
        return 1;
    }
    if (sense.empty()) return 0;  // a table without equations
    const int status =
        XPRSaddrows(gEngine.subProblem, static_cast<int>(sense.size()), built, sense.data(),
                    rhs.data(), nullptr, start.data(), index.data(), value.data());
    if (status != 0) {
        AppendLog(logName, kLogAddRows, status);
        return 1;
    }
    return 0;
}

// Stops an auditing LP once the run's time budget is used up, so that the
// budget also holds while one long LP is being solved.
int OnAuditProgress(XPRSprob, void*) {
    return RunBudgetUsed() ? 1 : 0;
}

const char* lpStatusLine(int lpstatus) {
    switch (lpstatus) {
        case XPRS_LP_INFEAS:
            return kLogSubInfeasible;
        case XPRS_LP_CUTOFF:
            return kLogSubCutoff;
        case XPRS_LP_UNFINISHED:
            return kLogSubUnfinished;
        case XPRS_LP_UNBOUNDED:
            return kLogSubUnbounded;
        case XPRS_LP_CUTOFF_IN_DUAL:
            return kLogSubCutoffDual;
        default:
            return nullptr;
    }
}

}  // namespace

int BuildSubproblem(const double lo[], const double hi[], const char* logName) {
    const int created = XPRScreateprob(&gEngine.subProblem);
    if (created != 0) {
        gEngine.subProblem = nullptr;
        AppendLog(logName, kLogCreateSub, created);
        return 9;
    }
    const int n = gEngine.cellCount;
    std::vector<double> obj;
    std::vector<int> starts, counts;
    try {
        obj.assign(n, 0.0);
    } catch (const std::bad_alloc&) {
        AppendLog(logName, kLogNoMemoryObj);
        return 1;
    }
    try {
        starts.assign(n + 1, 0);
        counts.assign(n, 0);
    } catch (const std::bad_alloc&) {
        AppendLog(logName, kLogNoMemoryMstart);
        return 1;
    }
    int terms = 0;
    for (const EngineEquation& eq : gEngine.equations) terms += eq.count;
    XPRSsetintcontrol(gEngine.subProblem, XPRS_EXTRAELEMS, terms);
    XPRSsetintcontrol(gEngine.subProblem, XPRS_EXTRAROWS, gEngine.equationCount);
    XPRSsetintcontrol(gEngine.subProblem, XPRS_CONTROL_8072, 0);
    XPRSsetcblplog(gEngine.subProblem, OnAuditProgress, nullptr);
    const int loaded =
        XPRSloadlp(gEngine.subProblem, "QTBsubproblem", n, 0, nullptr, nullptr, nullptr, obj.data(),
                   starts.data(), counts.data(), nullptr, nullptr, lo, hi);
    if (loaded != 0) {
        AppendLog(logName, kLogLoadSolver, loaded);
        return 1;
    }
    return addSubproblemRows(logName);
}

int SolveSubproblemBound(int direction, int column, double bound, double& value,
                         const char* logName) {
    XPRSprob prob = gEngine.subProblem;
    const double sense = direction > 0 ? 1.0 : -1.0;
    const char boundType = direction > 0 ? 'U' : 'L';
    XPRSchgobj(prob, 1, &column, &sense);

    double current = 0;
    if (direction > 0)
        XPRSgetub(prob, &current, column, column);
    else
        XPRSgetlb(prob, &current, column, column);
    const bool replaced = direction > 0 ? bound < current : bound > current;
    if (replaced) XPRSchgbounds(prob, 1, &column, &boundType, &bound);

    int lpstatus = 0;
    const int solved = XPRSmaxim(prob, "d");
    if (solved != 0) {
        // The attributes would describe an earlier solve.
        AppendLog(logName, kLogSubSolveFailed, solved, column);
        lpstatus = -1;
    } else {
        XPRSgetintattrib(prob, XPRS_LPSTATUS, &lpstatus);
        if (lpstatus == XPRS_LP_OPTIMAL) {
            double objective = 0;
            XPRSgetdblattrib(prob, XPRS_LPOBJVAL, &objective);
            value = direction > 0 ? objective : -objective;
        } else if (const char* line = lpStatusLine(lpstatus)) {
            AppendLog(logName, line, lpstatus);
        }
    }

    const double zero = 0.0;
    XPRSchgobj(prob, 1, &column, &zero);
    if (replaced) XPRSchgbounds(prob, 1, &column, &boundType, &current);
    if (solved != 0) return solved;
    return lpstatus >= 1 && lpstatus <= 6 ? 1 : lpstatus;
}

int DestroySubproblem() {
    if (gEngine.subProblem) XPRSdestroyprob(gEngine.subProblem);
    gEngine.subProblem = nullptr;
    return 0;
}

namespace {

// The lines of the cells, written to the log in groups: one file opening per
// group instead of one per cell. `Flush` writes what is pending; it must run
// before anything else can write to the log, so the order of lines stays.
class CellLines {
  public:
    explicit CellLines(const char* logName) : logName_(logName) {}
    ~CellLines() { Flush(); }
    void Add(const EngineCell& c, double published, double min, double max) {
        char line[512];
        const int n = std::snprintf(line, sizeof line, kLogAuditCell, c.name.c_str(), c.nominal,
                                    published, min, max);
        if (n < 0) return;
        if (static_cast<size_t>(n) >= sizeof line) {
            Flush();  // a long name: the line goes out on its own
            AppendLog(logName_, kLogAuditCell, c.name.c_str(), c.nominal, published, min, max);
            return;
        }
        text_.append(line, static_cast<size_t>(n));
        if (++pending_ >= kGroup) Flush();
    }
    void Flush() {
        if (pending_ > 0) AppendLog(logName_, "%s", text_.c_str());
        text_.clear();
        pending_ = 0;
    }

  private:
    static constexpr int kGroup = 256;
    const char* logName_;
    std::string text_;
    int pending_ = 0;
};

bool BudgetUsed() {
    return RunBudgetUsed();
}

// One end of a cell's interval: the box's end when certified, else its LP,
// whose solution (when optimal) may certify ends of other cells. True when
// `value` holds the end; false when the LP did not give it.
bool AuditEnd(int direction, int cell, EndCertificates& ends, const double box[],
              std::vector<double>& x, CellLines& lines, double& value, const char* logName) {
    const EngineCell& c = gEngine.cells[cell];
    if (direction > 0 ? ends.High(cell) : ends.Low(cell)) {
        value = box[cell];
        return true;
    }
    lines.Flush();  // the solve may log a line of its own
    // SolveSubproblemBound writes the value only when the LP ends optimal.
    double measured = std::nan("");
    SolveSubproblemBound(direction, cell, direction > 0 ? c.upperBound : c.lowerBound, measured,
                         logName);
    if (std::isnan(measured)) return false;
    value = measured;
    int lpstatus = 0;
    XPRSgetintattrib(gEngine.subProblem, XPRS_LPSTATUS, &lpstatus);
    if (lpstatus == XPRS_LP_OPTIMAL &&
        XPRSgetsol(gEngine.subProblem, x.data(), nullptr, nullptr, nullptr) == 0) {
        ends.Offer(x.data());
    }
    return true;
}

// Which ends of each cell's interval the audit computed.
constexpr unsigned char kLowEnd = 1, kHighEnd = 2, kBothEnds = 3;

// The cells' intervals in index order, each end certified or measured by its
// LP, until the run's budget is used up. Marks in `computed` the ends found.
void AuditCells(double w, const double lo[], const double hi[],
                std::vector<unsigned char>& computed, const char* logName) {
    const int n = gEngine.cellCount;
    EndCertificates ends(lo, hi, n);
    std::vector<double> published(n), x(n);
    for (int i = 0; i < n; ++i) published[i] = publishedValue(gEngine.cells[i]);
    CertifyWithoutLps(published, ends);
    CertifyByMoves(published, lo, hi, ends);
    // Cells whose two ends are known, for the progress a person sees: the
    // batches settle most of a large table before the first cell's LP.
    auto settled = [&] {
        int both = 0;
        for (int i = 0; i < n; ++i) both += ends.High(i) && ends.Low(i) ? 1 : 0;
        return both;
    };
    ProgressAuditStep(settled());
    if (!BudgetUsed())
        CertifyInBatches(gEngine.subProblem, ends, [&] {
            ProgressAuditStep(settled());
            return BudgetUsed();
        });
    int done = settled();
    ProgressAuditStep(done);

    CellLines lines(logName);
    for (int i = 0; i < n; ++i) {
        EngineCell& c = gEngine.cells[i];
        const bool knownBefore = ends.High(i) && ends.Low(i);
        double max = 0, min = 0;
        if (AuditEnd(+1, i, ends, hi, x, lines, max, logName)) computed[i] |= kHighEnd;
        if (AuditEnd(-1, i, ends, lo, x, lines, min, logName)) computed[i] |= kLowEnd;
        if (computed[i] != kBothEnds) {
            // An end not computed is the end of the rounding's box.
            double boxLo = 0, boxHi = 0;
            RoundingBox(published[i], w, gEngine.boxFloor, gEngine.boxCap, boxLo, boxHi);
            if (!(computed[i] & kHighEnd)) max = boxHi;
            if (!(computed[i] & kLowEnd)) min = boxLo;
        }
        lines.Add(c, published[i], min, max);
        c.auditMin = min;
        c.auditMax = max;
        if (!knownBefore) ProgressAuditStep(++done);
        if (RunBudgetUsed()) {
            gEngine.auditStoppedByLimit = i + 1 < n ? 1 : 0;
            break;
        }
    }
}

// Gives every end the audit did not compute the end of the cell's rounding
// box: what the published table alone says. Never the cell's own bounds,
// which are built from its original value. Returns the cells with both ends
// computed.
int BoxUncomputedEnds(double w, const std::vector<unsigned char>& computed) {
    int audited = 0;
    for (int i = 0; i < gEngine.cellCount; ++i) {
        EngineCell& c = gEngine.cells[i];
        const unsigned char done = i < static_cast<int>(computed.size()) ? computed[i] : 0;
        if (done == kBothEnds) {
            ++audited;
            continue;
        }
        double lo = 0, hi = 0;
        RoundingBox(publishedValue(c), w, gEngine.boxFloor, gEngine.boxCap, lo, hi);
        if (!(done & kLowEnd)) c.auditMin = lo;
        if (!(done & kHighEnd)) c.auditMax = hi;
    }
    return audited;
}

}  // namespace

int AuditSolution(double w, const char* logName) {
    AppendLog(logName, kLogAuditEntry, 2);
    if (gEngine.solutionCount == 0) {
        AppendLog(logName, kLogNoSolution);
        return 1;
    }
    AppendLog(logName, kLogAuditBegin);

    const int n = gEngine.cellCount;
    double* lo = new (std::nothrow) double[n > 0 ? n : 1];
    if (!lo) {
        AppendLog(logName, kLogNoMemoryLb);
        return 1;
    }
    double* hi = new (std::nothrow) double[n > 0 ? n : 1];
    if (!hi) {
        delete[] lo;
        AppendLog(logName, kLogNoMemoryUb);
        return 1;
    }
    for (int i = 0; i < n; ++i) {
        const EngineCell& c = gEngine.cells[i];
        const double r = publishedValue(c);
        lo[i] = r - w > c.lowerBound ? r - w : c.lowerBound;
        hi[i] = r + w < c.upperBound ? r + w : c.upperBound;
    }

    int result = 0;
    gEngine.auditedCells = 0;
    gEngine.auditStoppedByLimit = 0;
    ProgressSetPhase(kRunAuditing);
    ProgressAuditStep(0);
    std::vector<unsigned char> computed;
    try {
        computed.assign(n, 0);
    } catch (const std::bad_alloc&) {
        // Nothing computed: every cell gets its box below.
    }
    if (static_cast<int>(computed.size()) != n) {
        AppendLog(logName, kLogNoMemoryLb);
        result = 1;
    } else if (BuildSubproblem(lo, hi, logName) != 0) {
        // No solve on an LP that is not there or not complete.
        AppendLog(logName, kLogAuditNotBuilt);
        result = 1;
    } else {
        try {
            AuditCells(w, lo, hi, computed, logName);
        } catch (const std::bad_alloc&) {
            AppendLog(logName, kLogNoMemoryLb);
            result = 1;
        }
    }
    DestroySubproblem();
    gEngine.auditedCells = BoxUncomputedEnds(w, computed);
    AppendLog(logName, kLogAuditEnd);
    delete[] lo;
    delete[] hi;
    return result;
}

void RoundingBox(double rounded, double halfWidth, double floor, double cap, double& lo,
                 double& hi) {
    lo = rounded - halfWidth;
    hi = rounded + halfWidth;
    if (lo < floor) lo = floor < rounded ? floor : rounded;
    if (hi > cap) hi = cap > rounded ? cap : rounded;
}
