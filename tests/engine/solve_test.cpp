// Roundings found by the engine against known answers and against exhaustive
// search on many small random tables, in the zero-restricted and the extended
// model. Every rounding goes through the shared checker.
#include <cmath>

#include "instance/instance.h"
#include "random/ranrot.h"
#include "tests/engine/engine_fixture.h"

namespace {

using enginetest::Rounded;
using enginetest::SolverTest;
using roundcheck::BestDistance;
using roundcheck::CheckRounding;
using roundcheck::Model;
using roundcheck::Table;

class SolveTest : public SolverTest {};

TEST_F(SolveTest, KnownAnswers) {
    // 23 + 47 = 70 -> 20 + 50 = 70 (distance 6; 30 + 40 would cost 14).
    Table a;
    a.addCell(23, 0, 1000);
    a.addCell(47, 0, 1000);
    a.addCell(70, 0, 1000);
    a.addSum({0, 1}, 2);
    ASSERT_EQ(solve(a, 10), 1);
    EXPECT_EQ(Rounded(), (std::vector<double>{20, 50, 70}));
    EXPECT_DOUBLE_EQ(upper_, 6);
    EXPECT_DOUBLE_EQ(lower_, 6);  // optimal: the bound is the distance
    EXPECT_EQ(gEngine.solutionCount >= 1, true);
    // An optimal search writes no status line.
    EXPECT_TRUE(logLines("Global").empty());
    EXPECT_TRUE(logLines("LP has").empty());

    // 14 26 | 40      10 30 | 40
    // 35 15 | 50  ->  40 10 | 50     distance 20
    // 49 41 | 90      50 40 | 90
    Table b = roundcheck::MarginalTable({2, 2}, 1);
    b.nominal = {14, 26, 40, 35, 15, 50, 49, 41, 90};
    ASSERT_EQ(solve(b, 10), 1);
    EXPECT_DOUBLE_EQ(upper_, 20);
    EXPECT_EQ(CheckRounding(b, Rounded(), {10, 0}, upper_), "");
}

TEST_F(SolveTest, WithoutEquationsEveryCellGoesToItsNearerMultiple) {
    Table t;
    for (double v : {14.0, 26.0, 35.5, 0.2, 99.99999, -3.0, -7.0}) t.addCell(v, -100, 200);
    t.addCell(44, 41, 100);             // the bound forces it up
    t.addCell(25, 0, 100, 'u', 0, 12);  // the protection forces it up
    ASSERT_EQ(solve(t, 10), 1);
    EXPECT_EQ(Rounded(), (std::vector<double>{10, 30, 40, 0, 100, 0, -10, 50, 30}));
    EXPECT_EQ(CheckRounding(t, Rounded(), {10, 0}, upper_), "");
}

// A small random table with all marginal totals, and with bounds, protection
// and base varied by `variant`.
Table randomTable(const std::vector<int>& sizes, uint32_t seed, int variant, double& base) {
    Table t = roundcheck::MarginalTable(sizes, seed);
    RanrotGenerator g(seed * 7919u + variant);
    const double bases[] = {10, 10, 5, 7, 3};
    base = bases[g.nextInRange(0, 4)];
    for (int i = 0; i < t.size(); ++i) {
        const double v = t.nominal[i];
        if (variant >= 1 && g.nextInRange(0, 3) == 0) {
            t.lower[i] = v - g.nextInRange(0, 12);
            t.upper[i] = v + g.nextInRange(0, 12);
        }
        if (variant >= 2 && g.nextInRange(0, 4) == 0) {
            t.status[i] = 'u';
            t.lpl[i] = std::min<double>(g.nextInRange(0, 8), v - t.lower[i]);
            t.upl[i] = std::min<double>(g.nextInRange(0, 8), t.upper[i] - v);
        }
    }
    return t;
}

struct Tally {
    int optimal = 0, infeasible = 0, extended = 0;
};

// Compares the driver's result on `t` with exhaustive search: the best
// zero-restricted rounding when there is one (that result is final), else the
// best rounding with up to maxJump jumps.
void compareWithExhaustiveSearch(const Table& t, double base, int maxJump, int result,
                                 double distance, Tally& tally, const std::string& what) {
    const auto zero = BestDistance(t, {base, 0});
    const Model used{base, zero ? 0 : maxJump};
    const auto best = zero ? zero : (maxJump > 0 ? BestDistance(t, used) : std::nullopt);
    if (!best) {
        EXPECT_EQ(result, 2) << what << ": no rounding exists";
        ++tally.infeasible;
        return;
    }
    ASSERT_EQ(result, 1) << what << ": a rounding of distance " << *best << " exists";
    EXPECT_NEAR(distance, *best, 1e-6) << what;
    EXPECT_EQ(CheckRounding(t, Rounded(), used, distance), "") << what;
    EXPECT_EQ(gEngine.extendedUsed, zero ? 0 : 1) << what;
    ++tally.optimal;
    if (!zero) ++tally.extended;
}

TEST_F(SolveTest, ZeroRestrictedOptimalOnRandomTables) {
    const std::vector<std::vector<int>> shapes = {{3, 3}, {2, 4}, {2, 2, 2}, {4, 1}};
    Tally tally;
    for (const auto& shape : shapes) {
        for (uint32_t seed = 1; seed <= 12; ++seed) {
            for (int variant = 0; variant < 3; ++variant) {
                double base = 10;
                const Table t = randomTable(shape, seed, variant, base);
                const std::string what = "shape " + std::to_string(shape.size()) + "-D seed " +
                                         std::to_string(seed) + " variant " +
                                         std::to_string(variant) + " base " + std::to_string(base);
                const int r = solve(t, base, 0);
                compareWithExhaustiveSearch(t, base, 0, r, upper_, tally, what);
                if (HasFatalFailure()) return;
            }
        }
    }
    // The tables must exercise both outcomes for the comparison to mean much.
    EXPECT_GT(tally.optimal, 60);
    EXPECT_GT(tally.infeasible, 3);
}

TEST_F(SolveTest, ExtendedModelOptimalOnRandomTables) {
    Tally tally;
    for (uint32_t seed = 1; seed <= 20; ++seed) {
        for (int maxJump = 1; maxJump <= 2; ++maxJump) {
            double base = 10;
            Table t = randomTable({2, 2}, seed, 1, base);
            // Make the zero-restricted model fail, mostly: a sensitive cell
            // whose levels no adjacent multiple keeps with half-width base.
            RanrotGenerator g(seed);
            const int cell = g.nextInRange(0, t.size() - 1);
            const double v = t.nominal[cell];
            t.lower[cell] = std::min(t.lower[cell], v - 2 * base);
            t.upper[cell] = std::max(t.upper[cell], v + 2 * base);
            t.status[cell] = 'u';
            t.lpl[cell] = t.upl[cell] = (0.6 + 0.2 * g.nextInRange(0, 4)) * base;
            const std::string what = "seed " + std::to_string(seed) + " maxJump " +
                                     std::to_string(maxJump) + " base " + std::to_string(base);
            const int r = solve(t, base, maxJump);
            compareWithExhaustiveSearch(t, base, maxJump, r, upper_, tally, what);
            if (HasFatalFailure()) return;
        }
    }
    EXPECT_GT(tally.extended, 15);
}

TEST_F(SolveTest, FiveDimensionalTableGetsTheExtendedModelOnceZeroRestrictedIsProvenInfeasible) {
    // 2x2x2x2x2 with every marginal total (243 cells, 405 lines): no
    // zero-restricted rounding exists, as exhaustive search confirms. The
    // search must prove that, not stop at its limit, and then solve the
    // extended model with one jump.
    const Table t = roundcheck::MarginalTable({2, 2, 2, 2, 2}, 1);
    ASSERT_FALSE(BestDistance(t, {10, 0}).has_value());
    const int r = solve(t, 10, 1);
    ASSERT_EQ(r, 1);
    EXPECT_EQ(gEngine.extendedUsed, 1);
    EXPECT_EQ(gEngine.timedOut, 0);
    EXPECT_EQ(CheckRounding(t, Rounded(), {10, 1}, upper_), "");
    EXPECT_DOUBLE_EQ(lower_, upper_);
    // In that order: the zero-restricted search, its proof, the extended one.
    const std::string log = logText();
    const size_t zero = log.find("..... finding an output pattern of the zero-restricted QTB");
    const size_t proof = log.find("Global search complete - no integer solution found.");
    const size_t extended =
        log.find("..... finding an output pattern of the extended QTB (larger=1)");
    ASSERT_NE(zero, std::string::npos);
    ASSERT_NE(proof, std::string::npos);
    ASSERT_NE(extended, std::string::npos);
    EXPECT_LT(zero, proof);
    EXPECT_LT(proof, extended);
}

TEST_F(SolveTest, RandomWeightsStillGiveAValidRoundingAndItsDistance) {
    gOptions.randomWeights = 1;
    const Table t = roundcheck::MarginalTable({4, 4}, 99);
    const int r = solve(t, 10);
    gOptions.randomWeights = 0;
    ASSERT_EQ(r, 1);
    // The reported figure is the rounding's own distance, not the weighted
    // objective.
    EXPECT_EQ(CheckRounding(t, Rounded(), {10, 0}, upper_), "");
}

TEST_F(SolveTest, LogOfASolveIsAppendedAndCarriesSolverMessages) {
    Table t = roundcheck::MarginalTable({3, 3}, 5);
    ASSERT_EQ(solve(t, 10), 1);
    const size_t first = logText().size();
    ASSERT_EQ(solve(t, 10), 1);
    EXPECT_GT(logText().size(), first);
    EXPECT_EQ(logLines(" ").front(), " 16 cells, 8 equations, base=10.000000");
    EXPECT_EQ(logLines(" 16 cells").size(), 2u);
    EXPECT_FALSE(logLines("WQ: ").empty());
}

}  // namespace
