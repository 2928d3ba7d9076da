// Measures the rounding engine on random k-dimensional tables with all their
// marginal totals (inner values 1..50, base 10, fixed seeds): load, solve and
// audit, one line per table.
//
//   engine_bench [--quick] [--minutes=N] [--no-audit] [filter...]
//
// A filter keeps the shapes whose name (such as 20x20x20) contains it.
// --quick runs the smaller shapes with a one-minute limit.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/adapter.h"
#include "engine/engine.h"
#include "host/hostcall.h"
#include "tests/support/rounding_check.h"

// The engine shows nothing in the host, but the instance model linked with it
// can: in this program there is no host, and every call is answered as done.
QTB_EXPORT int Excel4v(int, XLOPER*, int, XLOPER**) {
    return xlretSuccess;
}

namespace {

struct Shape {
    std::vector<int> sizes;
    bool quick;
};

std::string shapeName(const std::vector<int>& sizes) {
    std::string name;
    for (int s : sizes) name += (name.empty() ? "" : "x") + std::to_string(s);
    return name;
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

void runShape(const std::vector<int>& sizes, uint32_t seed, int minutes, bool audit) {
    const double base = 10;
    const roundcheck::Table t = roundcheck::MarginalTable(sizes, seed);
    const std::string name = shapeName(sizes);
    if (load(t, base) != 0) {
        std::printf("%-10s load failed\n", name.c_str());
        return;
    }
    double lower = 0, upper = 0;
    auto start = std::chrono::steady_clock::now();
    const int result = EngineSolve(lower, upper, kEngineLogName, minutes, 0);
    const double solveSeconds = seconds(start);

    double auditSeconds = 0;
    int audited = 0;
    if (audit && (result == 1 || result == 3)) {
        start = std::chrono::steady_clock::now();
        AuditSolution(base, kEngineLogName);
        auditSeconds = seconds(start);
        audited = gEngine.auditedCells;
    }
    const bool solved = result == 1 || result == 3;
    const double bound = gEngine.distanceOffset + gEngine.masterBound;
    std::printf(
        "%-10s %2zu-D cells %7d equations %5d solve %8.2f s audit %8.2f s (%d cells visited) "
        "nodes %6d result %2d distance %10.1f bound %10.1f\n",
        name.c_str(), sizes.size(), gEngine.cellCount, gEngine.equationCount, solveSeconds,
        auditSeconds, audited, gEngine.masterNodes, result, solved ? upper : -1.0, bound);
    std::fflush(stdout);
    EngineUnload();
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<Shape> shapes = {
        {{50, 50}, true},     {{200, 200}, false},   {{500, 500}, false},
        {{10, 10, 10}, true}, {{20, 20, 20}, false}, {{6, 6, 6, 6}, true},
    };
    bool quick = false, audit = true;
    int minutes = 2;
    std::vector<std::string> filters;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--quick") == 0) {
            quick = true;
            minutes = 1;
        } else if (std::strcmp(a, "--no-audit") == 0) {
            audit = false;
        } else if (std::strncmp(a, "--minutes=", 10) == 0) {
            minutes = std::atoi(a + 10);
        } else if (a[0] == '-') {
            std::fprintf(stderr, "usage: %s [--quick] [--minutes=N] [--no-audit] [filter...]\n",
                         argv[0]);
            return 2;
        } else {
            filters.emplace_back(a);
        }
    }
    if (StartOptimizer(kEngineLogName) != 0) {
        std::fprintf(stderr, "the optimizer did not start\n");
        return 1;
    }
    std::printf("time limit %d min per table, base 10, inner values 1..50\n", minutes);
    uint32_t seed = 20240601;
    for (const Shape& s : shapes) {
        ++seed;
        if (quick && !s.quick) continue;
        const std::string name = shapeName(s.sizes);
        bool keep = filters.empty();
        for (const std::string& f : filters) keep = keep || name.find(f) != std::string::npos;
        if (keep) runShape(s.sizes, seed, minutes, audit);
    }
    StopOptimizer();
    return 0;
}
