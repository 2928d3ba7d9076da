// Loading the engine's copy of the table: multiples with the tolerance, what is
// stored, every refusal with its exact log line, and the log's append-only use.
#include <cmath>
#include <limits>

#include "engine/logfile.h"
#include "tests/engine/engine_fixture.h"

namespace {

using enginetest::EngineTest;
using enginetest::LoadTable;
using roundcheck::Table;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(EngineMultiples, FloorAndCeilWithTolerance) {
    struct Case {
        double value, base, floor, ceil;
    };
    const Case cases[] = {
        {20, 10, 20, 20},       {19.999995, 10, 20, 20}, {20.000005, 10, 20, 20}, {25, 10, 20, 30},
        {19.99998, 10, 10, 20}, {20.00002, 10, 20, 30},  {-25, 10, -30, -20},     {0, 10, 0, 0},
        {7, 3, 6, 9},           {0.35, 0.1, 0.3, 0.4},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(EngineFloor(c.value, c.base), c.floor, 1e-12) << c.value << " base " << c.base;
        EXPECT_NEAR(EngineCeil(c.value, c.base), c.ceil, 1e-12) << c.value << " base " << c.base;
    }
}

class EngineLoadTest : public EngineTest {};

TEST_F(EngineLoadTest, StoresCellsAndEquationsAsGiven) {
    // 23 + 47 = 70 (the total given last), bounds wide, cell 1 sensitive.
    Table t;
    t.addCell(23, 0, 1000, 's', 4, 5, "a");
    t.addCell(47, 0, 1000, 'u', 6, 7, "b");
    t.addCell(70, 0, 1000, 'z', 1, 1, "total");
    t.addSum({0, 1}, 2);
    ASSERT_EQ(LoadTable(t, 10, log()), 0);
    EXPECT_EQ(logText(), " 3 cells, 1 equations, base=10.000000\n");

    ASSERT_EQ(gEngine.cellCount, 3);
    ASSERT_EQ(gEngine.equationCount, 1);
    EXPECT_EQ(gEngine.base, 10);
    const EngineCell& a = gEngine.cells[0];
    const EngineCell& b = gEngine.cells[1];
    EXPECT_EQ(a.name, "a");
    EXPECT_EQ(a.floorValue, 20);
    EXPECT_EQ(a.ceilValue, 30);
    EXPECT_EQ(a.lpl, 0);  // protection only for sensitive cells
    EXPECT_EQ(a.upl, 0);
    EXPECT_EQ(b.lpl, 6);
    EXPECT_EQ(b.upl, 7);
    EXPECT_EQ(gEngine.cells[2].status, 'z');
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(gEngine.cells[i].index, i);
        EXPECT_EQ(gEngine.cells[i].steps, 0);
    }
    // Terms are stored in the reverse of the order given.
    const EngineEquation& e = gEngine.equations[0];
    ASSERT_EQ(e.count, 3);
    EXPECT_EQ(e.cells[0], &gEngine.cells[2]);
    EXPECT_EQ(e.cells[2], &gEngine.cells[0]);
    EXPECT_EQ(e.coef[0], -1);
    EXPECT_EQ(e.coef[1], 1);
    EXPECT_EQ(e.rhs, 0);
    EXPECT_EQ(e.sense, 'E');
}

// One cell that breaks one rule; the load must fail with exactly this line last.
struct Refusal {
    const char* what;
    double value, lower, upper;
    char status;
    double lpl, upl;
    const char* line;
};

TEST_F(EngineLoadTest, RefusesBadCellsWithTheirLine) {
    const Refusal cases[] = {
        {"value below bounds", 5, 10, 100, 's', 0, 0, "Error: cell 1 with wrong external bounds"},
        {"value above bounds", 105, 10, 100, 's', 0, 0, "Error: cell 1 with wrong external bounds"},
        // A safe cell's given levels count although it stores 0.
        {"safe cell levels reach out", 95, 0, 100, 's', 0, 10,
         "Error: cell 1 with wrong protection levels"},
        {"levels below the lower bound", 5, 0, 100, 'u', 6, 0,
         "Error: cell 1 with wrong protection levels"},
        {"upper level beyond tolerance", 100, 0, 100, 'u', 0, 0.00002,
         "Error: cell 1 with wrong protection levels"},
        {"unknown status", 50, 0, 100, 'x', 0, 0, "Error: cell 1 with wrong status"},
        {"value not a number", kNaN, 0, 100, 's', 0, 0,
         "Error: cell 1 with a value that is not finite"},
        {"infinite value", kInf, 0, kInf, 's', 0, 0,
         "Error: cell 1 with a value that is not finite"},
        {"infinite bound", 50, -kInf, 100, 's', 0, 0,
         "Error: cell 1 with external bounds that are not finite"},
        {"bound not a number", 50, 0, kNaN, 's', 0, 0,
         "Error: cell 1 with external bounds that are not finite"},
        {"level not a number", 50, 0, 100, 'u', kNaN, 0,
         "Error: cell 1 with protection levels that are not finite"},
        // Past 2^53 base units not every multiple of the base is a double:
        // the sums would fail by the last bits, not by the table.
        {"value past 2^53 base units", 1.2e17, 1.2e17 - 20, 1.2e17 + 20, 's', 0, 0,
         "Error: cell 1 with a value too large to round exactly (more than 2^53 base units)"},
        {"negative value past 2^53 base units", -1.2e17, -1.2e17 - 20, -1.2e17 + 20, 's', 0, 0,
         "Error: cell 1 with a value too large to round exactly (more than 2^53 base units)"},
    };
    for (const Refusal& c : cases) {
        Table t;
        t.addCell(10, 0, 100);
        t.addCell(c.value, c.lower, c.upper, c.status, c.lpl, c.upl);
        t.addCell(30, 0, 100);
        std::remove(log());
        EXPECT_EQ(LoadTable(t, 10, log()), 1) << c.what;
        const auto lines = logLines();
        ASSERT_GE(lines.size(), 2u) << c.what;
        EXPECT_EQ(lines[lines.size() - 2], c.line) << c.what;
        // The next line names the cell, so that the user can find it.
        EXPECT_EQ(lines.back().rfind("   cell c1 with value=", 0), 0u) << lines.back();
        // Nothing of the refused instance stays behind.
        EXPECT_EQ(gEngine.cellCount, 0) << c.what;
        EXPECT_TRUE(gEngine.cells.empty()) << c.what;
    }
}

TEST_F(EngineLoadTest, ARefusedCellIsNamedWithItsValueAndBounds) {
    Table t;
    t.addCell(-3, 0, 17, 's', 0, 0, "cell0_0_1");
    ASSERT_EQ(LoadTable(t, 10, log()), 1);
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              " 1 cells, 0 equations, base=10.000000",
                              "Error: cell 0 with wrong external bounds",
                              "   cell cell0_0_1 with value=-3, external bounds [0,17]",
                          }));
    // Up to 2^53 base units every multiple is exact: such a table loads.
    Table big;
    big.addCell(9.0e16, 9.0e16 - 20, 9.0e16 + 20);
    EXPECT_EQ(LoadTable(big, 10, log()), 0);
}

TEST_F(EngineLoadTest, ToleranceAndWarningsLetTheLoadGoOn) {
    Table t;
    t.addCell(100, 0, 100, 'u', 0, 0.000005);  // within the tolerance
    t.names[0] = "";
    t.addCell(20, 0, 100);
    t.addCell(20, 0, 100);
    t.addSum({1, 2}, 0);  // 20 + 20 = 100 misses by -60
    Table u = t;
    u.equations.push_back({{{1, 1}}, 17});  // 20 = 17 misses by -3
    u.equations.push_back({{{1, 1}}, 23});  // misses by 3
    ASSERT_EQ(LoadTable(u, 10, log()), 0);
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              " 3 cells, 3 equations, base=10.000000",
                              "Warning: variable 0 with no name",
                              "ERROR: equation 0 is not additive (dif=60.000000)",
                              "ERROR: equation 1 is not additive (dif=-3.000000)",
                              "ERROR: equation 2 is not additive (dif=3.000000)",
                          }));
    EXPECT_EQ(gEngine.cells[0].name, "");
    EXPECT_EQ(gEngine.equationCount, 3);
}

TEST_F(EngineLoadTest, RefusesBaseAndTermsThatCannotBeUsed) {
    Table good;
    good.addCell(23, 0, 1000);
    good.addCell(47, 0, 1000);
    good.addCell(70, 0, 1000);
    good.addSum({0, 1}, 2);

    for (double base : {0.0, -10.0, kNaN, kInf}) {
        std::remove(log());
        EXPECT_EQ(LoadTable(good, base, log()), 1) << base;
        const std::string last = logLines().back();
        EXPECT_EQ(last.rfind("Error: base ", 0), 0u) << last;
        EXPECT_NE(last.find("is not a positive finite number"), std::string::npos) << last;
    }

    struct Case {
        const char* what;
        roundcheck::Equation equation;
        const char* line;
    };
    const Case cases[] = {
        {"term cell past the end",
         {{{0, 1}, {3, -1}}, 0},
         "Error: equation 1 refers to cell 3, which does not exist"},
        {"negative term cell",
         {{{-1, 1}, {2, -1}}, 0},
         "Error: equation 1 refers to cell -1, which does not exist"},
        {"coefficient 2",
         {{{0, 2}, {2, -1}}, 0},
         "Error: equation 1 with a coefficient other than +1 and -1"},
        {"infinite right-hand side",
         {{{0, 1}}, kInf},
         "Error: equation 1 with a right-hand side that is not finite"},
    };
    for (const Case& c : cases) {
        Table t = good;
        t.equations.push_back(c.equation);
        std::remove(log());
        EXPECT_EQ(LoadTable(t, 10, log()), 1) << c.what;
        EXPECT_EQ(logLines().back(), c.line) << c.what;
        EXPECT_TRUE(gEngine.equations.empty()) << c.what;
    }

    // A negative term count, straight through the array interface.
    const double rhs[] = {0};
    const double nominal[] = {10};
    const char status[] = {'s'};
    const double zero[] = {0}, upper[] = {100};
    const char* names[] = {"x"};
    const int termCount[] = {-1};
    const int termCell[] = {0};
    const signed char termSign[] = {1};
    std::remove(log());
    EXPECT_EQ(EngineLoad(1, rhs, 1, nominal, status, zero, zero, zero, upper, names, termCount,
                         termCell, termSign, 10, log()),
              1);
    EXPECT_EQ(logLines().back(), "Error: equation 0 with -1 terms");
}

TEST_F(EngineLoadTest, LogIsAppendedAcrossRunsAndReloadReplaces) {
    Table small;
    small.addCell(5, 0, 10);
    Table big = small;
    big.addCell(15, 0, 20);
    ASSERT_EQ(LoadTable(big, 10, log()), 0);
    ASSERT_EQ(LoadTable(small, 5, log()), 0);
    EXPECT_EQ(gEngine.cellCount, 1);
    EXPECT_EQ(gEngine.cells.size(), 1u);
    EXPECT_EQ(logText(),
              " 2 cells, 0 equations, base=10.000000\n 1 cells, 0 equations, base=5.000000\n");
    EXPECT_EQ(EngineUnload(), 0);
    EXPECT_EQ(gEngine.cellCount, 0);

    // A log that cannot be opened drops its lines; the routine goes on.
    EXPECT_EQ(LoadTable(small, 10, "no-such-dir/qtb.out"), 0);
    LogFile f;
    EXPECT_FALSE(f.Open("no-such-dir/qtb.out"));
    EXPECT_FALSE(f.Open(nullptr));
    f.Printf("dropped %d\n", 1);
}

}  // namespace
