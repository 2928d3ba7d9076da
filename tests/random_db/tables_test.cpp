// Random tables written into the host's sheet and built into instances: the
// layout, the sums and their terms, the zeros, the seeds, the value ranges,
// the second block, the refused requests, and a rounding of a generated table.
#include "random/tables.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "rounding/rounder.h"
#include "tests/random_db/table_test_support.h"
#include "tests/support/instance_table.h"

// Reaches into the generator to make its self-test trip.
struct RanrotTestPeer {
    static void trip(RanrotGenerator& g) {
        std::memcpy(g.buffer_, g.snapshot_[RanrotGenerator::kPairs - g.lag1_], sizeof g.buffer_);
        g.selfTest();
    }
};

namespace {

using tabletest::sheetText;
using tabletest::valueAt;

class RandomTableTest : public tabletest::TableTest {
  protected:
    int generate(std::vector<int32_t> dim, TableParams p = {}) {
        host::newWorkbook();
        return buildRandomInstance(int(dim.size()), dim, p, InstanceOrigin::Random);
    }
    std::vector<const Sum*> sumsInCreationOrder() {
        std::vector<const Sum*> sums;
        for (const Sum* s = gInstance.sumList; s; s = s->next) sums.insert(sums.begin(), s);
        return sums;
    }
};

std::vector<double> drawn(int n, const TableParams& p) {
    RanrotGenerator rg(p.seed), rg2(p.zeroseed);
    auto v = std::vector<double>(size_t(n));
    EXPECT_TRUE(drawTableValues(rg, rg2, p, v));
    return v;
}

TEST_F(RandomTableTest, TwoByThreeLayoutLabelsTotalsAndSums) {
    TableParams p;
    p.seed = 11;
    ASSERT_EQ(generate({2, 3}, p), 0);
    // Titles, internal cells in rows 1-6 labelled (1,1) ... (2,3), row 7 empty,
    // totals in rows 8-13 labelled (1,0) (2,0) (0,1) (0,2) (0,3) (0,0).
    EXPECT_EQ(valueAt(0, 0).str, "Dim 1");
    EXPECT_EQ(valueAt(0, 1).str, "Dim 2");
    EXPECT_EQ(valueAt(0, 2).str, "Value");
    const int labels[12][2] = {{1, 1}, {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3},
                               {1, 0}, {2, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 0}};
    std::vector<double> values;
    for (int i = 0; i < 12; ++i) {
        const int row = i < 6 ? i + 1 : i + 2;
        EXPECT_EQ(valueAt(row, 0).num, labels[i][0]) << row;
        EXPECT_EQ(valueAt(row, 1).num, labels[i][1]) << row;
        values.push_back(valueAt(row, 2).num);
    }
    EXPECT_TRUE(valueAt(7, 2).isNil());
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(values[size_t(i)] >= 1 && values[size_t(i)] <= 50);
    EXPECT_EQ(values[6], values[0] + values[1] + values[2]);
    EXPECT_EQ(values[10], values[2] + values[5]);
    EXPECT_EQ(values[11], values[6] + values[7]);

    const InstanceState& s = gInstance;
    EXPECT_EQ(s.ncells, 12);
    EXPECT_EQ(s.nsums, 6);
    EXPECT_EQ(s.maxRow, 6);
    EXPECT_EQ(s.maxCol, 3);
    EXPECT_EQ(s.origin, InstanceOrigin::Random);
    EXPECT_EQ(gOptions.keepLoaded, 1);
    // Renumbered in list order: the last total is 0, internal cell 0 is 11.
    EXPECT_EQ(s.cellList->row, 13);
    EXPECT_EQ(s.cellList->number, 0);
    const Cell* first = s.cellList;
    while (first->next) first = first->next;
    EXPECT_EQ(first->number, 11);
    EXPECT_STREQ(first->name, "cell0_1_2");
    EXPECT_EQ(first->useCount, 3);
    EXPECT_EQ(first->nominal, values[0]);

    const std::vector<int> terms = {4, 4, 3, 3, 3, 7};
    auto sums = sumsInCreationOrder();
    ASSERT_EQ(sums.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(sums[i]->termCount, terms[i]);
        EXPECT_EQ(sums[i]->fromFormula, 0);
        // The list runs from the last covered cell to the first, the total last.
        const SumTerm* t = sums[i]->terms;
        int count = 0;
        double parts = 0;
        while (t->next) {
            EXPECT_EQ(t->coef, 1);
            if (t->next->next) {
                EXPECT_GT(t->cell->row, t->next->cell->row);
            }
            parts += t->cell->nominal;
            ++count;
            t = t->next;
        }
        EXPECT_EQ(t->coef, -1);
        EXPECT_EQ(t->cell->useCount, 1);
        EXPECT_EQ(t->cell->row, sums[i]->row);
        EXPECT_EQ(count + 1, sums[i]->termCount);
        EXPECT_EQ(parts, t->cell->nominal);
    }
    // The value cell of the last internal cell is selected.
    EXPECT_EQ(host::selectionText(), "Sheet1!C7");
}

TEST_F(RandomTableTest, ZeroSharesAreExactAndAFullShareNeverDrawsAValue) {
    auto zeros = [](const std::vector<double>& v) { return std::count(v.begin(), v.end(), 0.0); };
    TableParams p;
    p.seed = 5;
    p.zeroseed = 9;
    p.pzeroinp = 50;
    EXPECT_EQ(zeros(drawn(6, p)), 3);
    p.pzeroinp = 10;
    EXPECT_EQ(zeros(drawn(6, p)), 1);

    p.pzeroinp = 100;
    RanrotGenerator rg(p.seed), rg2(p.zeroseed), fresh(p.seed);
    std::vector<double> v(6);
    ASSERT_TRUE(drawTableValues(rg, rg2, p, v));
    EXPECT_EQ(zeros(v), 6);
    EXPECT_EQ(rg.nextWord(), fresh.nextWord());  // the value generator was never stepped
}

TEST_F(RandomTableTest, SeedsReproduceAndTheZeroSeedOnlyMovesTheZeros) {
    TableParams p;
    p.seed = 1;
    p.zeroseed = 2;
    p.pzeroinp = 30;
    const std::vector<double> a = drawn(40, p), b = drawn(40, p);
    EXPECT_EQ(a, b);
    p.zeroseed = 3;
    const std::vector<double> c = drawn(40, p);
    EXPECT_NE(a, c);
    // Both fill their non-zero cells, in order, from the same drawn sequence.
    std::vector<double> nonzeroA, nonzeroC;
    for (double v : a)
        if (v != 0) nonzeroA.push_back(v);
    for (double v : c)
        if (v != 0) nonzeroC.push_back(v);
    EXPECT_EQ(nonzeroA, nonzeroC);

    // The sheet and the instance follow: the same seeds give the same table.
    ASSERT_EQ(generate({3, 4, 5}, p), 0);
    const std::string first = sheetText();
    unloadInstance();
    ASSERT_EQ(generate({3, 4, 5}, p), 0);
    EXPECT_EQ(sheetText(), first);
}

TEST_F(RandomTableTest, IntegerRangeRoundsItsEndsAndRealValuesStayInside) {
    TableParams p;
    p.seed = 77;
    p.from = 0.4;
    p.to = 49.5;
    const std::vector<double> v = drawn(3000, p);
    for (double x : v) EXPECT_TRUE(x == std::floor(x) && x >= 0 && x <= 50) << x;
    EXPECT_EQ(*std::min_element(v.begin(), v.end()), 0);
    EXPECT_EQ(*std::max_element(v.begin(), v.end()), 50);

    p.randint = 0;
    p.from = 2.5;
    p.to = 3;
    for (double x : drawn(500, p)) EXPECT_TRUE(x >= 2.5 && x < 3) << x;
    p.from = p.to = 50;
    p.randint = 1;
    for (double x : drawn(20, p)) EXPECT_EQ(x, 50);
}

TEST_F(RandomTableTest, PositionPastTheFirstBlockOpensBlockTwoWithItsTitleRow) {
    ASSERT_EQ(generate({65536}), 0);
    // Cell 65535 is row 1 of the second block, columns 2 and 3, under titles.
    EXPECT_EQ(valueAt(65535, 0).num, 65535);
    EXPECT_EQ(valueAt(1, 2).num, 65536);
    EXPECT_FALSE(valueAt(1, 3).isNil());
    EXPECT_EQ(valueAt(0, 2).str, "Dim 1");
    EXPECT_EQ(valueAt(0, 3).str, "Value");
    // Separator at position 65536, the grand total at 65537 (row 3, label 0).
    EXPECT_TRUE(valueAt(2, 3).isNil());
    EXPECT_EQ(valueAt(3, 2).num, 0);
    EXPECT_EQ(gInstance.cellList->row, 3);
    EXPECT_EQ(gInstance.cellList->col, 3);
    EXPECT_EQ(gInstance.sumList->termCount, 65537);
    EXPECT_TRUE(front.alerts.empty());
}

TEST_F(RandomTableTest, TableWiderThanTheSheetStopsWritingButKeepsEveryValue) {
    host::newWorkbook();
    gInstance.dbFirstCol = 254;  // one block of two columns fits, the second not
    std::optional<TupleTable> t = enumerateTuples(1, {65536});
    ASSERT_TRUE(t);
    std::optional<std::vector<double>> v = writeTable(*t, TableParams{}, nullptr, nullptr);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->size(), 65536u);
    EXPECT_TRUE((*v)[65535] >= 1 && (*v)[65535] <= 50);  // drawn although not written
    EXPECT_EQ(front.alerts, std::vector<std::string>{"Instance too big for worksheet!"});
    EXPECT_EQ(valueAt(65535, 254).num, 65535);
    EXPECT_FALSE(tablePlace(65535, 1, 1).onSheet());
}

TEST_F(RandomTableTest, OneDimensionHasOnlyTheGrandTotal) {
    ASSERT_EQ(generate({5}), 0);
    EXPECT_EQ(gInstance.nsums, 1);
    EXPECT_EQ(gInstance.ncells, 6);
    EXPECT_EQ(gInstance.sumList->termCount, 6);
    double total = 0;
    for (int row = 1; row <= 5; ++row) total += valueAt(row, 1).num;
    EXPECT_EQ(valueAt(7, 1).num, total);
    EXPECT_EQ(valueAt(7, 0).num, 0);
}

TEST_F(RandomTableTest, MarginalGroupsKeepMostDimensionsFirstThenLargerEntries) {
    std::vector<int32_t> rows;
    ASSERT_EQ(marginalGroups(3, rows), 7);
    EXPECT_EQ(rows, (std::vector<int32_t>{1, 2, 0, 1, 0, 3, 0, 2, 3, 1, 0,
                                          0, 0, 2, 0, 0, 0, 3, 0, 0, 0}));
    ASSERT_EQ(marginalGroups(4, rows), 15);
    EXPECT_EQ(std::vector<int32_t>(rows.begin(), rows.begin() + 4),
              (std::vector<int32_t>{1, 2, 3, 0}));
    EXPECT_EQ(std::vector<int32_t>(rows.end() - 8, rows.end()),
              (std::vector<int32_t>{0, 0, 0, 4, 0, 0, 0, 0}));
    EXPECT_EQ(marginalGroups(1, rows), 1);
    EXPECT_EQ(rows, std::vector<int32_t>{0});
    EXPECT_EQ(marginalGroups(0, rows), -1);
    EXPECT_EQ(marginalGroups(16, rows), -1);
}

TEST_F(RandomTableTest, RefusedRequestsWriteNothingAndBuildNothing) {
    struct Case {
        std::vector<int32_t> dim;
        double zeros, from, to;
        int randint;
        const char* alert;
    } cases[] = {
        {{2, 3}, 101, 1, 50, 1, kAlertPercentRange},
        {{2, 3}, -1, 1, 50, 1, kAlertPercentRange},
        {{2, 3}, 0, 50, 1, 1, kAlertToBelowFrom},
        {{3, 0}, 0, 1, 50, 1, kAlertCategoryCount},
        {{-2}, 0, 1, 50, 1, kAlertCategoryCount},
        {std::vector<int32_t>(16, 1), 0, 1, 50, 1, kAlertTooManyDimensions},
        {{2000, 2000, 2}, 0, 1, 50, 1, kAlertTableTooLarge},
        {{2, 3}, 0, -3e9, 50, 1, kAlertRangeUnusable},
        {{2, 3}, 0, -1e308, 1e308, 0, kAlertRangeUnusable},
    };
    for (const Case& c : cases) {
        TableParams p;
        p.pzeroinp = c.zeros;
        p.from = c.from;
        p.to = c.to;
        p.randint = c.randint;
        front.alerts.clear();
        EXPECT_EQ(generate(c.dim, p), 1) << c.alert;
        ASSERT_EQ(front.alerts.size(), 1u) << c.alert;
        EXPECT_EQ(front.alerts[0], std::string(c.alert + 1));
        EXPECT_EQ(sheetText(), "") << c.alert;
        EXPECT_EQ(gInstance.cellList, nullptr);
        EXPECT_EQ(gInstance.ncells, 0);
    }
}

TEST_F(RandomTableTest, GeneratorSelfTestStopsTheDrawingInsteadOfTheProcess) {
    TableParams p;
    RanrotGenerator rg(3), rg2(4);
    testing::internal::CaptureStdout();
    RanrotTestPeer::trip(rg);
    testing::internal::GetCapturedStdout();
    std::vector<double> v(6);
    EXPECT_FALSE(drawTableValues(rg, rg2, p, v));
    // A zero generator that trips stops the zero insertion as well.
    RanrotGenerator values(3), zeros(4);
    testing::internal::CaptureStdout();
    RanrotTestPeer::trip(zeros);
    testing::internal::GetCapturedStdout();
    p.pzeroinp = 50;
    EXPECT_FALSE(drawTableValues(values, zeros, p, v));
}

TEST_F(RandomTableTest, GeneratedTableRoundsWithEveryTotalKept) {
    TableParams p;
    p.seed = 1;
    p.zeroseed = 2;
    p.pzeroinp = 20;
    ASSERT_EQ(generate({3, 4, 5}, p), 0);
    acceptRoundingDialogs();
    ASSERT_EQ(fOne(), 0);
    // The generated instance stays loaded: its rounding is checked cell by cell.
    std::vector<double> rounded;
    roundcheck::Table table = roundcheck::TableOfInstance(gInstance, &rounded);
    EXPECT_EQ(table.size(), 3 * 4 * 5 + (4 * 5 * 6 - 60));
    EXPECT_EQ(roundcheck::CheckRounding(table, rounded, {10, 0}, -1), "");
}

}  // namespace
