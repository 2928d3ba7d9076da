// Measures the rounding engine on random k-dimensional tables with all their
// marginal totals (base 10, fixed seeds) beside CBC's own driver (CbcMain,
// preprocessing off) on the same master model, one line per table: our solve
// time, result, distance and proven bound, the time at which solve and audit
// ended within the one budget and by how much that passed the limit; the
// audit's time and cells; the driver's time, result, distance and bound; the
// ratio of the two solve times; and the peak memory of our run. Every run
// takes place in a child process of its own, so peak memory is per table and
// a run past its limit is stopped.
//
//   engine_bench [--quick] [--minutes=N] [--runs=N] [--no-audit] [--no-cbc]
//                [filter...]
//
// A filter keeps the shape of that name (such as 20x20x20 or
// counts-40x20x2x5). --quick runs the smaller shapes with a one-minute limit.
// With --runs=N each table is solved N times by each side and the median
// times are shown. Tables of four and five dimensions allow one jump: when
// the zero-restricted model is infeasible, the extended model follows within
// the same limit.
//
// Two kinds of table: inner values drawn evenly from 1..50 with their totals
// written as one-dimensional sums (as a workbook's =SUM totals are), and
// "counts": skewed counts with 30% zeros, as in census tables, with every
// total written as the sum of the inner cells it covers (as imported and
// generated tables are).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/cbc_reference.h"
#include "bench/child_run.h"
#include "engine/adapter.h"
#include "engine/engine.h"
#include "host/hostcall.h"
#include "instance/instance.h"
#include "tests/support/rounding_check.h"

// The engine shows nothing in the host, but the instance model linked with it
// can: in this program there is no host, and every call is answered as done.
QTB_EXPORT int Excel4v(int, XLOPER*, int, XLOPER**) {
    return xlretSuccess;
}

namespace {

struct Shape {
    std::vector<int> sizes;
    uint32_t seed;
    bool quick;
    bool counts = false;
};

struct Options {
    bool quick = false, audit = true, cbc = true;
    int minutes = 2, runs = 1;
    std::vector<std::string> filters;
};

// What one run of ours reports.
struct OurRun {
    bool ok = false;
    int result = 0, audited = 0, nodes = 0, extended = 0, cells = 0, equations = 0;
    double solve = 0, end = 0, audit = 0, distance = -1, bound = 0;
    long peakKb = 0;
};

std::string shapeName(const Shape& s) {
    std::string name = s.counts ? "counts-" : "";
    for (size_t d = 0; d < s.sizes.size(); ++d) name += (d ? "x" : "") + std::to_string(s.sizes[d]);
    return name;
}

roundcheck::Table makeTable(const Shape& s) {
    if (s.counts)
        return roundcheck::CountTable(s.sizes, s.seed, 0.3, roundcheck::Sums::kOfInnerCells);
    return roundcheck::MarginalTable(s.sizes, s.seed);
}

double seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int load(const roundcheck::Table& t, double base) {
    std::vector<const char*> names;
    for (const std::string& n : t.names) names.push_back(n.c_str());
    std::vector<int> termCount, termCell;
    std::vector<signed char> termSign;
    std::vector<double> rhs;
    for (const roundcheck::Equation& e : t.equations) {
        termCount.push_back(static_cast<int>(e.terms.size()));
        rhs.push_back(e.rhs);
        for (const roundcheck::Term& term : e.terms) {
            termCell.push_back(term.cell);
            termSign.push_back(static_cast<signed char>(term.coef));
        }
    }
    return EngineLoad(static_cast<int>(t.equations.size()), rhs.data(), t.size(), t.nominal.data(),
                      t.status.data(), t.lpl.data(), t.upl.data(), t.lower.data(), t.upper.data(),
                      names.data(), termCount.data(), termCell.data(), termSign.data(), base,
                      kEngineLogName);
}

int maxJumpOf(const Shape& s) {
    return s.sizes.size() >= 4 ? 1 : 0;
}

// The engine's run, in the child: load, solve and audit within one budget,
// as the program runs them; when that audit could not finish, the audit once
// more with a budget of its own, to measure it.
std::string runOurs(const Shape& s, int minutes, bool audit) {
    const double base = 10;
    // As a user who wants a rounding within the limit runs it: the best one
    // at the limit is accepted, so a zero-restricted search with nothing
    // half-way through gives way to the extended model.
    gOptions.acceptBest = 1;
    if (StartOptimizer(kEngineLogName) != 0) return "failed";
    const roundcheck::Table t = makeTable(s);
    if (load(t, base) != 0) return "failed";
    double lower = 0, upper = 0;
    const auto start = std::chrono::steady_clock::now();
    const int result = EngineSolve(lower, upper, kEngineLogName, minutes, maxJumpOf(s));
    const double solveSeconds = seconds(start);
    const bool solved = result == 1 || result == 3;
    const double w = (maxJumpOf(s) + 1) * base;
    if (audit && solved) AuditSolution(w, kEngineLogName);
    const double endSeconds = seconds(start);
    double auditSeconds = endSeconds - solveSeconds;
    if (audit && solved && gEngine.auditedCells < gEngine.cellCount) {
        gEngine.startTime = ProcessClockSeconds();
        const auto again = std::chrono::steady_clock::now();
        AuditSolution(w, kEngineLogName);
        auditSeconds = seconds(again);
    }
    char report[512];
    std::snprintf(report, sizeof report,
                  "result=%d solve=%.4f end=%.4f audit=%.4f audited=%d distance=%.1f bound=%.1f "
                  "nodes=%d extended=%d cells=%d equations=%d",
                  result, solveSeconds, endSeconds, auditSeconds, gEngine.auditedCells,
                  solved ? upper : -1.0, gEngine.distanceOffset + gEngine.masterBound,
                  gEngine.masterNodes, gEngine.extendedUsed, gEngine.cellCount,
                  gEngine.equationCount);
    EngineUnload();
    StopOptimizer();
    return report;
}

std::string runReference(const Shape& s, int minutes) {
    if (StartOptimizer(kEngineLogName) != 0) return "failed";
    const roundcheck::Table t = makeTable(s);
    if (load(t, 10) != 0) return "failed";
    const bench::ReferenceResult r = bench::SolveWithCbcDriver(maxJumpOf(s), minutes * 60.0);
    char report[256];
    std::snprintf(report, sizeof report,
                  "status=%d seconds=%.4f distance=%.1f bound=%.1f nodes=%d extended=%d", r.status,
                  r.seconds, r.distance, r.bound, r.nodes, r.extended);
    EngineUnload();
    StopOptimizer();
    return report;
}

// A child gets its limit and a minute more before it is stopped from outside.
double graceSeconds(int minutes) {
    return minutes * 60.0 * 1.25 + 60.0;
}

// Our child also audits, with a budget of the same length as the solve's.
double oursGraceSeconds(int minutes, bool audit) {
    return audit ? 2 * graceSeconds(minutes) : graceSeconds(minutes);
}

OurRun parseOurs(const bench::ChildOutcome& o) {
    OurRun r;
    r.peakKb = o.peakKb;
    r.ok = o.finished &&
           std::sscanf(o.report.c_str(),
                       "result=%d solve=%lf end=%lf audit=%lf audited=%d distance=%lf bound=%lf "
                       "nodes=%d extended=%d cells=%d equations=%d",
                       &r.result, &r.solve, &r.end, &r.audit, &r.audited, &r.distance, &r.bound,
                       &r.nodes, &r.extended, &r.cells, &r.equations) == 11;
    return r;
}

bool parseReference(const bench::ChildOutcome& o, bench::ReferenceResult& r) {
    return o.finished &&
           std::sscanf(o.report.c_str(),
                       "status=%d seconds=%lf distance=%lf bound=%lf nodes=%d extended=%d",
                       &r.status, &r.seconds, &r.distance, &r.bound, &r.nodes, &r.extended) == 6;
}

const char* outcomeText(int result, int extended) {
    switch (result) {
        case 1:
            return extended ? "optimal (K=1)" : "optimal";
        case 2:
            return extended ? "infeasible (K=1)" : "infeasible";
        case 3:
            return extended ? "stopped (K=1)" : "stopped";
        case 4:
            return extended ? "none (K=1)" : "none";
        default:
            return "error";
    }
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void runShape(const Shape& s, const Options& opt) {
    const std::string name = shapeName(s);
    std::vector<double> solveTimes, endTimes, auditTimes, cbcTimes;
    OurRun ours;
    bench::ReferenceResult ref;
    bool refOk = false, refKilled = false;
    for (int run = 0; run < opt.runs; ++run) {
        const bench::ChildOutcome o =
            bench::RunInChild([&] { return runOurs(s, opt.minutes, opt.audit); },
                              oursGraceSeconds(opt.minutes, opt.audit));
        ours = parseOurs(o);
        if (!ours.ok) break;
        solveTimes.push_back(ours.solve);
        endTimes.push_back(ours.end);
        auditTimes.push_back(ours.audit);
        if (!opt.cbc) continue;
        const bench::ChildOutcome c = bench::RunInChild(
            [&] { return runReference(s, opt.minutes); }, graceSeconds(opt.minutes));
        refOk = parseReference(c, ref);
        refKilled = c.killed;
        cbcTimes.push_back(refOk ? ref.seconds : graceSeconds(opt.minutes));
    }
    if (!ours.ok) {
        std::printf("%-12s our run failed or was stopped from outside\n", name.c_str());
        std::fflush(stdout);
        return;
    }
    const double solve = median(solveTimes), audit = median(auditTimes);
    // The overshoot: how far past its limit the run (solve and audit in one
    // budget) ended; the worst of the runs.
    const double worstEnd = *std::max_element(endTimes.begin(), endTimes.end());
    const double over = std::max(0.0, worstEnd - opt.minutes * 60.0);
    std::printf(
        "%-18s %2zu-D %8d cells %5d eqs | ours %8.2f s %-16s dist %10.1f bound %10.1f "
        "nodes %7d | end %7.2f s over %5.2f s | audit %7.2f s (%d cells) | peak %7.1f MB",
        name.c_str(), s.sizes.size(), ours.cells, ours.equations, solve,
        outcomeText(ours.result, ours.extended), ours.distance, ours.bound, ours.nodes,
        median(endTimes), over,
        audit, ours.audited, ours.peakKb / 1024.0);
    if (opt.cbc) {
        if (refOk) {
            const double cbc = median(cbcTimes);
            std::printf(" | cbc %8.2f s %-16s dist %10.1f bound %10.1f nodes %7d | ratio %7.1f",
                        cbc, outcomeText(ref.status, ref.extended), ref.distance, ref.bound,
                        ref.nodes, solve > 0 ? cbc / solve : 0.0);
        } else {
            std::printf(" | cbc %s", refKilled ? "stopped from outside after its limit" : "failed");
        }
    }
    std::printf("\n");
    std::fflush(stdout);
}

bool parseArgs(int argc, char** argv, Options& opt) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--quick") == 0) {
            opt.quick = true;
            opt.minutes = 1;
        } else if (std::strcmp(a, "--no-audit") == 0) {
            opt.audit = false;
        } else if (std::strcmp(a, "--no-cbc") == 0) {
            opt.cbc = false;
        } else if (std::strncmp(a, "--minutes=", 10) == 0) {
            opt.minutes = std::atoi(a + 10);
        } else if (std::strncmp(a, "--runs=", 7) == 0) {
            opt.runs = std::max(1, std::atoi(a + 7));
        } else if (a[0] == '-') {
            return false;
        } else {
            opt.filters.emplace_back(a);
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    // Seeds are fixed per shape, so every table is the same from run to run.
    const std::vector<Shape> shapes = {
        {{50, 50}, 20240602, true},
        {{200, 200}, 20240603, false},
        {{500, 500}, 20240604, false},
        {{1000, 1000}, 20240608, false},
        {{10, 10, 10}, 20240605, true},
        {{20, 20, 20}, 20240606, false},
        {{30, 30, 30}, 20240609, false},
        {{6, 6, 6, 6}, 20240607, true},
        {{10, 10, 10, 10}, 20240610, false},
        {{4, 4, 4, 4, 4}, 20240611, true},
        {{5, 5, 5, 5, 5}, 20240612, false},
        // Census-like: areas x age bands x sexes x groups (and x household
        // types).
        {{40, 20, 2, 5}, 20240613, false, true},
        {{10, 10, 2, 5, 4}, 20240614, false, true},
    };
    Options opt;
    if (!parseArgs(argc, argv, opt)) {
        std::fprintf(stderr,
                     "usage: %s [--quick] [--minutes=N] [--runs=N] [--no-audit] [--no-cbc] "
                     "[filter...]\n",
                     argv[0]);
        return 2;
    }
    std::printf("time limit %d min per table and side, base 10, %d run%s each (medians)\n",
                opt.minutes, opt.runs, opt.runs > 1 ? "s" : "");
    std::printf(
        "end: solve and audit ended, in one budget; over: past the limit (worst run); audit: "
        "its time and cells, with a budget of its own when the first could not finish\n"
        "cbc: CBC's own driver, preprocessing off, on the same model; ratio: its time "
        "over ours\n");
    if (!opt.quick)
        std::printf("the full set takes a long time: up to about %d minutes\n",
                    opt.runs * static_cast<int>(shapes.size()) * opt.minutes * (opt.cbc ? 2 : 1));
    std::fflush(stdout);
    for (const Shape& s : shapes) {
        if (opt.quick && !s.quick) continue;
        const std::string name = shapeName(s);
        bool keep = opt.filters.empty();
        for (const std::string& f : opt.filters) keep = keep || name == f;
        if (keep) runShape(s, opt);
    }
    return 0;
}
