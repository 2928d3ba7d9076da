#include "engine/master_model.h"

#include <cmath>

#include "engine/engine_texts.h"

namespace {
constexpr double eps = kEngineTolerance;
}

double DistanceCost(const EngineCell& c, double base) {
    return base - 2.0 * (c.nominal - c.floorValue);
}

double RandomWeightCost(const EngineCell& c, double base, RanrotGenerator& binom) {
    const double f = c.nominal - c.floorValue;
    const double p = f / base > 0.5 ? f / base : (c.ceilValue - c.nominal) / base;
    const double u = binom.nextDouble();
    return u < p ? base - 2.0 * f : 2.0 * f - base;
}

XBounds MasterXBounds(const EngineCell& c, double base, int larger) {
    const double v = c.nominal, F = c.floorValue, U = c.ceilValue;
    const double reach = (larger + 1) * base;
    XBounds x{0.0, 1.0};
    if (F + eps < c.lowerBound) x.lo = 1.0;
    if (U - eps > c.upperBound) x.hi = 0.0;
    if (reach + F + eps < v + c.upl) x.lo = 1.0;
    if (U - reach - eps > v - c.lpl) x.hi = 0.0;
    if (v - F < eps) x.lo = x.hi = 0.0;
    return x;
}

StepBounds MasterStepBounds(const EngineCell& c, double base, int larger) {
    const double v = c.nominal, F = c.floorValue, U = c.ceilValue;
    const double reach = (larger + 1) * base;
    // The admissible range of the rounded value, each candidate replacing the
    // running value only when strictly tighter.
    double hi = v - c.lpl + reach;
    if (c.upperBound < hi) hi = c.upperBound;
    if (U + larger * base < hi) hi = U + larger * base;
    double lo = v + c.upl - reach;
    if (c.lowerBound > lo) lo = c.lowerBound;
    if (F - larger * base > lo) lo = F - larger * base;

    StepBounds s;
    s.yHi = U + eps > hi ? 0.0 : std::floor((hi - U) / base + eps);
    s.yLo = U + eps > lo ? 0.0 : std::ceil((lo - U) / base - eps);
    s.zHi = F - eps < lo ? 0.0 : std::floor((F - lo) / base + eps);
    s.zLo = F - eps < hi ? 0.0 : std::ceil((F - hi) / base - eps);
    return s;
}

bool BuildMasterColumns(int larger, bool randomWeights, RanrotGenerator& binom,
                        MasterColumns& columns) {
    const int C = gEngine.cellCount;
    const int n = larger >= 1 ? 3 * C : C;
    const double b = gEngine.base;
    columns.count = n;
    columns.obj.assign(n, 0.0);
    columns.lb.assign(n, 0.0);
    columns.ub.assign(n, 1.0);
    columns.type.assign(n, 'B');
    columns.entities.resize(n);
    columns.start.assign(n + 1, 0);
    columns.emptyRangeCells.clear();
    for (int j = 0; j < n; ++j) columns.entities[j] = j;

    for (int i = 0; i < C; ++i) {
        const EngineCell& c = gEngine.cells[i];
        columns.obj[i] = randomWeights ? RandomWeightCost(c, b, binom) : DistanceCost(c, b);
        const XBounds x = MasterXBounds(c, b, larger);
        columns.lb[i] = x.lo;
        columns.ub[i] = x.hi;
        if (larger < 1) continue;
        const StepBounds s = MasterStepBounds(c, b, larger);
        const int y = C + i, z = 2 * C + i;
        columns.obj[y] = columns.obj[z] = b;
        columns.type[y] = columns.type[z] = 'I';
        columns.lb[y] = s.yLo;
        columns.ub[y] = s.yHi;
        columns.lb[z] = s.zLo;
        columns.ub[z] = s.zHi;
        if (s.yLo > s.yHi || s.zLo > s.zHi) columns.emptyRangeCells.push_back(i);
    }
    return !(randomWeights && binom.failed());
}

void BuildMasterRows(int larger, MasterRows& rows) {
    const int C = gEngine.cellCount;
    const double b = gEngine.base;
    const bool extended = larger >= 1;
    rows.sense.clear();
    rows.rhs.clear();
    rows.start.clear();
    rows.index.clear();
    rows.value.clear();
    rows.expectedElements = 0;
    for (const EngineEquation& eq : gEngine.equations) {
        rows.expectedElements += extended ? 3 * eq.count : eq.count;
        rows.sense.push_back(eq.sense);
        rows.start.push_back(static_cast<int>(rows.index.size()));
        double rhs = eq.rhs;
        // Terms in the order they were given to load (stored reversed).
        for (int k = eq.count - 1; k >= 0; --k) {
            const int col = eq.cells[k]->index;
            const double coef = eq.coef[k];
            rhs -= coef * eq.cells[k]->floorValue;
            rows.index.push_back(col);
            rows.value.push_back(coef);
            if (!extended) continue;
            rows.index.push_back(C + col);
            rows.value.push_back(coef);
            rows.index.push_back(2 * C + col);
            rows.value.push_back(-coef);
        }
        rows.rhs.push_back(rhs / b);
    }
}

double StepsFromSolution(double x, double y, double z) {
    double steps = x > eps ? 1.0 : 0.0;
    if (y > eps) steps += std::trunc(y + eps);
    if (z > eps) steps -= std::trunc(z + eps);
    return steps;
}

MasterOutcome MapMipStatus(int mipstatus, int lpstatus) {
    switch (mipstatus) {
        case XPRS_MIP_LP_NOT_OPTIMAL:
            return {lpstatus == XPRS_LP_INFEAS ? 2 : 10, kLogLpNotOptimized};
        case XPRS_MIP_LP_OPTIMAL:
            return {10, kLogLpOptimized};
        case XPRS_MIP_NO_SOL_FOUND:
            return {4, kLogIncompleteNoSolution};
        case XPRS_MIP_SOLUTION:
            return {3, kLogIncompleteSolution};
        case XPRS_MIP_INFEAS:
            return {2, kLogCompleteNoSolution};
        case XPRS_MIP_OPTIMAL:
            return {1, nullptr};
        default:
            return {10, kLogMipStatus};
    }
}
