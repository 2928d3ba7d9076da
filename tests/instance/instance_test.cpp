// The instance model: lists, index layouts, lookups, release and its texts.
#include "instance/instance.h"

#include <gtest/gtest.h>

#include "tests/support/recording_host.h"

namespace {

class InstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        unloadInstance();
        gInstance.sheetNames.clear();
        testhost::clear();
    }
    void TearDown() override { unloadInstance(); }

    // A cell at the head of the CellList, as a scan would make it.
    Cell* addCell(int sheet, int row, int col, double nominal, int number = 0) {
        Cell* c = newCell();
        c->sheet = sheet;
        c->row = row;
        c->col = col;
        c->nominal = c->rounded = nominal;
        c->number = number;
        setCellName(c, "cell");
        c->next = gInstance.cellList;
        gInstance.cellList = c;
        ++gInstance.ncells;
        return c;
    }
    Sum* addSum(std::initializer_list<std::pair<Cell*, int>> terms) {
        Sum* s = newSum(0, 0, 0, nullptr, gInstance.sumList, nullptr, 0);
        for (auto [cell, coef] : terms) {
            s->terms = newSumTerm(cell, int16_t(coef), s->terms);
            ++cell->useCount;
            ++s->termCount;
        }
        gInstance.sumList = s;
        ++gInstance.nsums;
        return s;
    }
};

TEST_F(InstanceTest, ResetOnEmptyInstanceShowsAllEightTextsAndZeroesCounters) {
    gInstance.ncells = 4;
    gInstance.maxRow = 7;
    gInstance.dbFirstRow = 2;
    gInstance.zeroCount = 3;
    resetInstance();
    std::vector<std::string> expected = {
        " Free sum list memory ...",        " Sum list memory free ...",
        " Free cell list memory ...",       " Cell list memory free ...",
        " Free cell-index-array memory ...", " Cell-index-array memory free ...",
        " Reseting global variables ...",   "Global variables reseted ...",
    };
    EXPECT_EQ(testhost::statusTexts(), expected);
    EXPECT_EQ(gInstance.ncells, 0);
    EXPECT_EQ(gInstance.maxRow, 0);
    EXPECT_EQ(gInstance.dbFirstRow, 0);
    EXPECT_EQ(gInstance.zeroCount, 0);
    EXPECT_EQ(instanceRecordsOutstanding(), 0);
}

TEST_F(InstanceTest, ResetKeepsOriginNamesClocksAndOptions) {
    gInstance.origin = InstanceOrigin::Random;
    gInstance.sheetNames = {"[Book1]Sheet1"};
    gInstance.runStartClock = 42;
    gInstance.maxDeviation = 5;
    gOptions.basenumber = 3;
    gOptions.keepLoaded = 1;
    resetInstance();
    EXPECT_EQ(gInstance.origin, InstanceOrigin::Random);
    EXPECT_EQ(gInstance.sheetNames.size(), 1u);
    EXPECT_EQ(gInstance.runStartClock, 42);
    EXPECT_EQ(gInstance.maxDeviation, 5);
    EXPECT_EQ(gOptions.basenumber, 3);
    unloadInstance();
    EXPECT_EQ(gInstance.origin, InstanceOrigin::Worksheet);
    EXPECT_EQ(gOptions.keepLoaded, 0);
    gOptions = RoundingOptions{};
}

TEST_F(InstanceTest, FreeingASumLowersUseCountOncePerTermAlsoForARepeatedCell) {
    Cell* a = addCell(0, 0, 0, 1);
    Cell* b = addCell(0, 1, 0, 2);
    Sum* s = addSum({{a, 1}, {a, 1}, {b, -1}});
    EXPECT_EQ(a->useCount, 2);
    gInstance.sumList = s->next;
    freeSum(s);
    EXPECT_EQ(a->useCount, 0);
    EXPECT_EQ(b->useCount, 0);
}

TEST_F(InstanceTest, RenumberingFollowsListOrderMostRecentFirst) {
    Cell* a = addCell(0, 0, 0, 1, 7);
    Cell* b = addCell(0, 1, 0, 2, 7);
    Cell* c = addCell(0, 2, 0, 3, 7);
    gInstance.maxRow = 2;
    gInstance.sheetCount = 1;
    ASSERT_EQ(buildCellIndex(1), 0);
    EXPECT_EQ(c->number, 0);
    EXPECT_EQ(b->number, 1);
    EXPECT_EQ(a->number, 2);
    EXPECT_EQ(testhost::statusTexts().front(), "Creating index array for cells...");
    EXPECT_EQ(testhost::statusTexts().back(), "Done");
}

TEST_F(InstanceTest, PositionalIndexAnswersOnlyInsideItsGrid) {
    gInstance.origin = InstanceOrigin::Worksheet;
    Cell* c = addCell(1, 9, 4, 5);
    addCell(0, 0, 0, 1);
    gInstance.maxRow = 9;
    gInstance.maxCol = 4;
    gInstance.sheetCount = 2;
    ASSERT_EQ(buildCellIndex(1), 0);
    EXPECT_EQ(cellAt(1, 9, 4), c);
    EXPECT_EQ(cellAt(1, 10, 4), nullptr);  // one past maxRow
    EXPECT_EQ(cellAt(1, 9, -1), nullptr);  // negative column
    EXPECT_EQ(cellAt(3, 0, 0), nullptr);   // one past S
    EXPECT_EQ(cellAt(2, 0, 0), nullptr);   // the spare last slab holds no cells
    EXPECT_EQ(indexedCellByNumber(0), nullptr);  // not a by-number index
    removeFromCellIndex(c);
    EXPECT_EQ(cellAt(1, 9, 4), nullptr);
}

TEST_F(InstanceTest, ByNumberIndexForGeneratedOrigins) {
    for (InstanceOrigin o : {InstanceOrigin::WqFile, InstanceOrigin::Random,
                             InstanceOrigin::TestBatch, InstanceOrigin::DbTable}) {
        resetInstance();
        gInstance.origin = o;
        Cell* a = addCell(0, 5, 5, 1, 1);
        Cell* b = addCell(0, 6, 6, 2, 0);
        ASSERT_EQ(buildCellIndex(0), 0);
        EXPECT_EQ(indexedCellByNumber(0), b);
        EXPECT_EQ(indexedCellByNumber(1), a);
        EXPECT_EQ(indexedCellByNumber(2), nullptr);
        EXPECT_EQ(cellAt(0, 5, 5), nullptr);
    }
    gInstance.origin = InstanceOrigin::Worksheet;
}

TEST_F(InstanceTest, LargeSparseGridIsIndexedWithoutASlotPerPosition) {
    gInstance.origin = InstanceOrigin::InstanceFile;
    Cell* far = addCell(3, 65535, 255, 1);
    gInstance.maxRow = 65535;
    gInstance.maxCol = 255;
    gInstance.sheetCount = 3;
    ASSERT_EQ(buildCellIndex(0), 0);
    EXPECT_EQ(cellAt(3, 65535, 255), far);
    EXPECT_EQ(cellAt(3, 65535, 254), nullptr);
    gInstance.origin = InstanceOrigin::Worksheet;
}

TEST_F(InstanceTest, FindCellByNumberReturnsTheOneNearerTheHead) {
    addCell(0, 0, 0, 1, 4);
    Cell* later = addCell(0, 1, 0, 2, 4);
    EXPECT_EQ(findCellByNumber(4), later);
    EXPECT_EQ(findCellByNumber(5), nullptr);
}

TEST_F(InstanceTest, SumIsBalancedIsStrictAtTheTolerance) {
    Cell* a = addCell(0, 0, 0, 0.001);
    Sum* s = addSum({{a, 1}});
    EXPECT_EQ(sumIsBalanced(s), 0);  // exactly 0.001
    a->nominal = 0.0009;
    EXPECT_EQ(sumIsBalanced(s), 1);
    a->nominal = -0.001;
    EXPECT_EQ(sumIsBalanced(s), 0);
    Cell* b = addCell(0, 1, 0, 2);
    Cell* c = addCell(0, 2, 0, 3);
    Cell* t = addCell(0, 3, 0, 5);
    EXPECT_EQ(sumIsBalanced(addSum({{b, -1}, {c, -1}, {t, 1}})), 1);
}

TEST_F(InstanceTest, ReleaseLeavesNoRecordBehind) {
    Cell* a = addCell(0, 0, 0, 1);
    Cell* b = addCell(0, 1, 0, 2);
    addSum({{a, 1}, {b, -1}});
    gInstance.maxRow = 1;
    ASSERT_EQ(buildCellIndex(1), 0);
    EXPECT_GT(instanceRecordsOutstanding(), 0);
    resetInstance();
    EXPECT_EQ(instanceRecordsOutstanding(), 0);
    EXPECT_EQ(gInstance.cellList, nullptr);
    EXPECT_EQ(gInstance.cellIndex, nullptr);
}

}  // namespace
