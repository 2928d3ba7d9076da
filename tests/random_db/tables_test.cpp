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
        testing::internal::CaptureStdout();
        g.selfTest();
        testing::internal::GetCapturedStdout();
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
};

std::vector<double> drawn(int n, const TableParams& p) {
    RanrotGenerator rg(p.seed), rg2(p.zeroseed);
    auto v = std::vector<double>(size_t(n));
    EXPECT_TRUE(drawTableValues(rg, rg2, p, v));
    return v;
}

TEST_F(RandomTableTest, TwoByThreeLayoutLabelsTotalsAndSums) {
    ASSERT_EQ(generate({2, 3}), 0);
    // Titles; internal cells in rows 1-6 labelled (1,1) ... (2,3); row 7
    // empty; totals in rows 8-13 labelled (1,0) (2,0) (0,1) (0,2) (0,3) (0,0).
    EXPECT_EQ(valueAt(0, 0).str + valueAt(0, 1).str + valueAt(0, 2).str, "Dim 1Dim 2Value");
    const int labels[12][2] = {{1, 1}, {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3},
                               {1, 0}, {2, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 0}};
    double v[12];
    for (int i = 0; i < 12; ++i) {
        const int row = i < 6 ? i + 1 : i + 2;
        EXPECT_EQ(valueAt(row, 0).num * 10 + valueAt(row, 1).num, labels[i][0] * 10 + labels[i][1]);
        v[i] = valueAt(row, 2).num;
    }
    EXPECT_TRUE(valueAt(7, 2).isNil());
    EXPECT_EQ(v[6], v[0] + v[1] + v[2]);
    EXPECT_EQ(v[10], v[2] + v[5]);
    EXPECT_EQ(v[11], v[6] + v[7]);
    EXPECT_EQ(host::selectionText(), "Sheet1!C7");  // the last internal cell's value

    const InstanceState& s = gInstance;
    EXPECT_EQ(s.ncells * 100 + s.nsums * 10 + s.maxCol, 1263);
    EXPECT_EQ(s.maxRow, 6);
    EXPECT_EQ(gOptions.keepLoaded, 1);
    // Renumbered in list order: the last total is 0, internal cell 0 is 11.
    EXPECT_EQ(s.cellList->number, 0);
    EXPECT_EQ(s.cellList->row, 13);
    const Cell* first = s.cellList;
    while (first->next) first = first->next;
    EXPECT_EQ(first->number, 11);
    EXPECT_STREQ(first->name, "cell0_1_2");
    EXPECT_EQ(first->useCount, 3);
    // Sums, newest first: 7, 3, 3, 3, 4, 4 terms; the total is the last term.
    std::vector<int> terms;
    for (const Sum* sum = s.sumList; sum; sum = sum->next) {
        terms.push_back(sum->termCount);
        const SumTerm* t = sum->terms;
        double parts = 0;
        for (; t->next; t = t->next) {
            EXPECT_EQ(t->coef, 1);
            if (t->next->next) {
                EXPECT_GT(t->cell->row, t->next->cell->row);
            }
            parts += t->cell->nominal;
        }
        EXPECT_EQ(t->coef, -1);
        EXPECT_EQ(t->cell->row, sum->row);
        EXPECT_EQ(parts, t->cell->nominal);
    }
    EXPECT_EQ(terms, (std::vector<int>{7, 3, 3, 3, 4, 4}));
}

TEST_F(RandomTableTest, ZerosSeedsAndValueRanges) {
    auto zeros = [](const std::vector<double>& v) { return std::count(v.begin(), v.end(), 0.0); };
    TableParams p;
    p.seed = 1;
    p.zeroseed = 2;
    p.pzeroinp = 50;
    EXPECT_EQ(zeros(drawn(6, p)), 3);
    p.pzeroinp = 10;
    EXPECT_EQ(zeros(drawn(6, p)), 1);
    // A full share makes every cell 0 and never steps the value generator.
    p.pzeroinp = 100;
    RanrotGenerator rg(p.seed), rg2(p.zeroseed), fresh(p.seed);
    std::vector<double> v(6);
    ASSERT_TRUE(drawTableValues(rg, rg2, p, v));
    EXPECT_EQ(zeros(v), 6);
    EXPECT_EQ(rg.nextWord(), fresh.nextWord());

    // The same seeds give the same values; another zero seed moves the zeros
    // and fills the other cells, in order, from the same drawn sequence.
    p.pzeroinp = 30;
    const std::vector<double> a = drawn(40, p);
    EXPECT_EQ(drawn(40, p), a);
    p.zeroseed = 3;
    const std::vector<double> c = drawn(40, p);
    EXPECT_NE(c, a);
    std::vector<double> restA, restC;
    std::copy_if(a.begin(), a.end(), std::back_inserter(restA), [](double x) { return x != 0; });
    std::copy_if(c.begin(), c.end(), std::back_inserter(restC), [](double x) { return x != 0; });
    EXPECT_EQ(restA, restC);

    // Whole values from 0.4 to 49.5 are drawn from 0 ... 50.
    p = TableParams{};
    p.from = 0.4;
    p.to = 49.5;
    const std::vector<double> w = drawn(3000, p);
    for (double x : w) EXPECT_TRUE(x == std::floor(x) && x >= 0 && x <= 50) << x;
    EXPECT_EQ(*std::min_element(w.begin(), w.end()), 0);
    EXPECT_EQ(*std::max_element(w.begin(), w.end()), 50);
    p.randint = 0;
    for (double x : drawn(500, p)) EXPECT_TRUE(x >= 0.4 && x < 49.5) << x;
}

TEST_F(RandomTableTest, PositionPastTheFirstBlockOpensBlockTwoWithItsTitleRow) {
    ASSERT_EQ(generate({65536}), 0);
    // Cell 65535 is row 1 of the second block, columns 2 and 3, under titles.
    EXPECT_EQ(valueAt(65535, 0).num, 65535);
    EXPECT_EQ(valueAt(1, 2).num, 65536);
    EXPECT_EQ(valueAt(0, 2).str + valueAt(0, 3).str, "Dim 1Value");
    // The separator at position 65536, the grand total at 65537.
    EXPECT_TRUE(valueAt(2, 3).isNil());
    EXPECT_EQ(valueAt(3, 2).num, 0);
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
    EXPECT_TRUE((*v)[65535] >= 1 && (*v)[65535] <= 50);  // drawn although not written
    EXPECT_EQ(front.alerts, std::vector<std::string>{"Instance too big for worksheet!"});
    EXPECT_EQ(valueAt(65535, 254).num, 65535);
}

TEST_F(RandomTableTest, MarginalGroupsInOrderAndTheGrandTotalOfOneDimension) {
    std::vector<int32_t> rows;
    ASSERT_EQ(marginalGroups(3, rows), 7);
    EXPECT_EQ(rows, (std::vector<int32_t>{1, 2, 0, 1, 0, 3, 0, 2, 3, 1, 0,
                                          0, 0, 2, 0, 0, 0, 3, 0, 0, 0}));
    ASSERT_EQ(marginalGroups(4, rows), 15);
    EXPECT_EQ(std::vector<int32_t>(rows.begin(), rows.begin() + 4),
              (std::vector<int32_t>{1, 2, 3, 0}));
    EXPECT_EQ(marginalGroups(16, rows), -1);

    ASSERT_EQ(generate({5}), 0);
    EXPECT_EQ(gInstance.nsums, 1);
    EXPECT_EQ(gInstance.sumList->termCount, 6);
    double total = 0;
    for (int row = 1; row <= 5; ++row) total += valueAt(row, 1).num;
    EXPECT_EQ(valueAt(7, 1).num, total);
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
        EXPECT_EQ(front.alerts, std::vector<std::string>{c.alert + 1});
        EXPECT_EQ(sheetText(), "") << c.alert;
        EXPECT_EQ(gInstance.cellList, nullptr);
    }
}

TEST_F(RandomTableTest, GeneratorSelfTestStopsTheDrawingInsteadOfTheProcess) {
    TableParams p;
    p.pzeroinp = 50;
    RanrotGenerator values(3), zeros(4);
    RanrotTestPeer::trip(zeros);
    std::vector<double> v(6);
    EXPECT_FALSE(drawTableValues(values, zeros, p, v));
    RanrotGenerator fresh(4);
    RanrotTestPeer::trip(values);
    EXPECT_FALSE(drawTableValues(values, fresh, p, v));
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
    EXPECT_EQ(table.size(), 4 * 5 * 6);
    EXPECT_EQ(roundcheck::CheckRounding(table, rounded, {10, 0}, -1), "");
}

}  // namespace
