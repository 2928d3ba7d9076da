// The mixed-integer model of the controlled rounding, as plain arrays.
//
// Columns: x (binary, one per cell: 1 rounds up to ceilValue), and in the
// extended model (larger = K >= 1) y (integer: base units above ceilValue) and
// z (integer: base units below floorValue). The rounded value of a cell is
// floorValue + base * (x + y - z). One equality row per equation, in base units.
//
// Building the model is kept apart from solving it so each rule can be checked
// on its own and a faster formulation can replace one piece at a time.
#pragma once

#include <vector>

#include "engine/engine.h"
#include "random/ranrot.h"

struct MasterColumns {
    int count = 0;  // n = C, or 3C in the extended model
    std::vector<double> obj;
    std::vector<double> lb;
    std::vector<double> ub;
    std::vector<char> type;            // 'B' for x, 'I' for y and z
    std::vector<int> entities;         // 0 .. n-1
    std::vector<int> start;            // n + 1 zeros: the columns carry no elements
    std::vector<int> emptyRangeCells;  // cells whose y or z range came out empty
};

struct MasterRows {
    std::vector<char> sense;
    std::vector<double> rhs;
    std::vector<int> start;  // row starts, one per row
    std::vector<int> index;
    std::vector<double> value;
    int expectedElements = 0;  // sum of term counts, times 3 in the extended model
};

struct XBounds {
    double lo;
    double hi;
};

struct StepBounds {
    double yLo, yHi, zLo, zHi;
};

// x's objective coefficient: base - 2f (f = nominal - floorValue), so that the
// objective plus the distance offset is the total absolute distance.
double DistanceCost(const EngineCell& c, double base);
// x's coefficient in the random-weights mode: one draw of `binom` picks
// base - 2f or its negation, the first with the probability of the nearer
// multiple. Draws one double.
double RandomWeightCost(const EngineCell& c, double base, RanrotGenerator& binom);
// x's bounds after the five rules (bounds, protection, multiple of the base).
XBounds MasterXBounds(const EngineCell& c, double base, int larger);
// y's and z's bounds in the extended model (larger >= 1).
StepBounds MasterStepBounds(const EngineCell& c, double base, int larger);

// The columns of the model over gEngine's cells, in index order. With
// randomWeights the x costs are drawn from `binom`, one draw per cell; false
// when the generator failed its self-test, its weights then being no longer
// random (the columns must not be used).
bool BuildMasterColumns(int larger, bool randomWeights, RanrotGenerator& binom,
                        MasterColumns& columns);
// The rows of the model over gEngine's equations.
void BuildMasterRows(int larger, MasterRows& rows);

// A cell's steps from an integer solution: 1 for x above the tolerance, plus
// the whole units of y and minus those of z (each read with the tolerance).
double StepsFromSolution(double x, double y, double z);

// The outcome of a master search: the result code and the log line (a format
// taking the MIP status where it shows one; none for an optimal search).
struct MasterOutcome {
    int result;
    const char* line;
};
MasterOutcome MapMipStatus(int mipstatus, int lpstatus);
