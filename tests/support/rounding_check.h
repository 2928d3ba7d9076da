// Shared checks for roundings made by tests: a plain description of a table,
// an independent checker of a rounded table, an exhaustive search for the best
// rounding of small tables, and random k-dimensional tables with all their
// marginal totals.
//
// Nothing here uses the engine: the checker and the search restate what a
// controlled rounding is, so they can judge any code that produces one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace roundcheck {

struct Term {
    int cell;
    int coef;  // +1 or -1
};

// sum of coef * value over the terms = rhs
struct Equation {
    std::vector<Term> terms;
    double rhs = 0;
};

struct Table {
    std::vector<double> nominal, lower, upper, lpl, upl;
    std::vector<char> status;  // 's', 'u' or 'z'; only 'u' carries protection
    std::vector<std::string> names;
    std::vector<Equation> equations;

    // Adds a cell (named "c<position>" unless named) and returns its position.
    int addCell(double value, double lower = -1e9, double upper = 1e9, char status = 's',
                double lpl = 0, double upl = 0, const std::string& name = {});
    // Adds the equation parts = total.
    void addSum(const std::vector<int>& parts, int total);
    int size() const { return static_cast<int>(nominal.size()); }
};

// How the rounding was made: the base and the number of further base units a
// value may move beyond its two adjacent multiples (0: zero-restricted). A
// sensitive cell's protection interval must hold for a value known to within
// (maxJump + 1) * base of the published one.
struct Model {
    double base = 10;
    int maxJump = 0;
};

// Everything wrong with `rounded` as a rounding of `table` under `model`, one
// problem per line; empty when the rounding is sound: every value a multiple
// of the base and within the model's reach of its nominal value (adjacent
// multiples in the zero-restricted model), every equation exact, every value
// within its bounds, every protection interval kept, and the total absolute
// distance equal to `reportedDistance` (not checked when that is negative).
std::string CheckRounding(const Table& table, const std::vector<double>& rounded,
                          const Model& model, double reportedDistance);

// The total absolute distance of a rounding.
double Distance(const Table& table, const std::vector<double>& rounded);

// The floor and ceiling multiples of a value, with the usual 0.00001 tolerance.
double FloorMultiple(double value, double base);
double CeilMultiple(double value, double base);

// The least total distance over every rounding that CheckRounding accepts,
// found by exhaustive search (meant for tables of up to about 16 cells that are
// not multiples); none when no rounding exists. `best` receives one optimal
// rounding when given.
std::optional<double> BestDistance(const Table& table, const Model& model,
                                   std::vector<double>* best = nullptr);

// How the totals of a generated table are written: as one-dimensional sums
// (every line of cells adds up to its total, dimension by dimension, as a
// workbook with =SUM totals has them), or as one equation per total over the
// inner cells it covers (as random and imported tables are made).
enum class Sums { kLines, kOfInnerCells };

// A k-dimensional table of the given sizes with every marginal total: inner
// cells are drawn from [minValue, maxValue] with a generator seeded by `seed`
// (in row-major order, last dimension fastest); each dimension has one more
// position, the total. Cells are numbered row-major over the sizes + 1.
Table MarginalTable(const std::vector<int>& sizes, uint32_t seed, int minValue = 1,
                    int maxValue = 50, Sums sums = Sums::kLines);

// As MarginalTable, with inner cells shaped like the counts of a published
// table (a census table, say): a share `zeroShare` of them 0, the others
// skewed towards small counts (log-uniform on 1..999).
Table CountTable(const std::vector<int>& sizes, uint32_t seed, double zeroShare = 0.3,
                 Sums sums = Sums::kLines);

}  // namespace roundcheck
