// Sum detection: sums read from =SUM formulas with their term order, deletion of
// one-term equations and redundant cells with the renumbering rule, the bound
// and protection rules, the three counts, and the options sheet's two endings.
#include "host/host.h"
#include "tests/capture/capture_fixture.h"
#include "tests/support/host_fault.h"

namespace capture_test {
namespace {

using SumsTest = CaptureTest;

// 1 in A1, 2 in A2 and =SUM(A1:A2) in A3, base 10, default options:
// one sum A3 (-1), A2 (+1), A1 (+1); lbd = max{0, v - 20} = 0, ubd = v + 20.
TEST_F(SumsTest, ThreeCellColumnGivesOneSumInTermOrderWithDefaultBounds) {
    put("A1", "1");
    put("A2", "2");
    put("A3", "=SUM(A1:A2)");
    ASSERT_EQ(captureWithDefaults(), 0);

    ASSERT_EQ(gInstance.nsums, 1);
    const Sum* sum = gInstance.sumList;
    EXPECT_EQ(termsOf(sum),
              (std::vector<std::string>{"cell0_2_0:-1", "cell0_1_0:1", "cell0_0_0:1"}));
    EXPECT_EQ(sum->termCount, 3);
    EXPECT_EQ(sum->fromFormula, 1);
    EXPECT_EQ(sum->row, 2);
    EXPECT_EQ(sum->col, 0);
    EXPECT_STREQ(sum->text, "=SUM(R[-2]C:R[-1]C)");
    const double ubd[3] = {21, 22, 23};
    for (int row = 0; row < 3; ++row) {
        const Cell* c = cellOf(0, row, 0);
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->lbd, 0) << row;
        EXPECT_EQ(c->ubd, ubd[row]) << row;
        EXPECT_EQ(c->lpl, 0);
        EXPECT_EQ(c->upl, 0);
        EXPECT_EQ(c->status, 's');
        EXPECT_EQ(c->useCount, 1);
    }
    EXPECT_EQ(gInstance.zeroCount, 0);
    EXPECT_EQ(gInstance.baseMultipleCount, 0);
    EXPECT_EQ(gInstance.integerCount, 3);
    EXPECT_EQ(user.windows, (std::vector<std::string>{" Quorant"}));
}

TEST_F(SumsTest, SumOverEmptyCellsIsDeletedAndItsTotalRemovedAsRedundant) {
    put("A3", "=SUM(A1:A2)");
    ASSERT_EQ(fLookup(), 0);
    ASSERT_EQ(gInstance.ncells, 1);
    acceptOptions();
    EXPECT_EQ(fAddsums(), 1);
    EXPECT_EQ(user.alertTexts(),
              (std::vector<std::string>{"There are no equations and therefore there is no QTB!"}));
    bool doneShown = false;
    for (const std::string& s : user.statuses) doneShown |= s == "Done!";
    EXPECT_TRUE(doneShown);
    EXPECT_EQ(gInstance.cellList, nullptr) << "the instance is released";
    EXPECT_EQ(gInstance.sumList, nullptr);
}

// Two one-term sums at the head of the list (the last formulas scanned) and a
// real sum behind them: both are deleted, the real one stays.
TEST_F(SumsTest, ConsecutiveOneTermSumsAtTheHeadAreAllDeleted) {
    put("A1", "1");
    put("A2", "2");
    put("A3", "=SUM(A1:A2)");
    put("C5", "=SUM(D9)");
    put("C6", "=SUM(D9:D10)");
    ASSERT_EQ(fLookup(), 0);
    acceptOptions();
    ASSERT_EQ(fAddsums(), 0);
    EXPECT_EQ(gInstance.nsums, 1);
    EXPECT_EQ(sumAt(0, 2, 0), gInstance.sumList);
    EXPECT_EQ(gInstance.ncells, 3) << "C5 and C6 belong to no sum any more";
    EXPECT_EQ(cellOf(0, 4, 2), nullptr);
}

// Cells in list order after the scan: C5 #0, A3 #1, A2 #2, C1 #3, A1 #4. C5 and
// C1 are in no sum; the numbers of the cells after each drop by the count
// removed before them, so A3, A2, A1 end as 0, 1, 2.
TEST_F(SumsTest, RedundantCellsAreRemovedAndNumbersStayDense) {
    put("A1", "1");
    put("C1", "7");
    put("A2", "2");
    put("A3", "=SUM(A1:A2)");
    put("C5", "9");
    ASSERT_EQ(captureWithDefaults(), 0);
    EXPECT_EQ(gInstance.ncells, 3);
    EXPECT_EQ(cellOf(0, 0, 2), nullptr);
    EXPECT_EQ(cellOf(0, 4, 2), nullptr);
    EXPECT_EQ(cellOf(0, 2, 0)->number, 0);
    EXPECT_EQ(cellOf(0, 1, 0)->number, 1);
    EXPECT_EQ(cellOf(0, 0, 0)->number, 2);
    EXPECT_EQ(cellAt(0, 4, 2), nullptr) << "a removed cell leaves the index";
    EXPECT_EQ(cellAt(0, 0, 0), cellOf(0, 0, 0));
}

// The Bounds page left with X = -inf and Y = inf, a maximum jump of 2 and base
// 10: the lower bound is 2 x 10 x (2 + 1) = 60 below the value.
TEST_F(SumsTest, InfiniteLowerRuleUsesTheJumpBand) {
    put("A1", "100");
    put("A2", "50");
    put("A3", "=SUM(A1:A2)");
    ASSERT_EQ(fLookup(), 0);
    onOptions([](gui::ModalWindow& w) {
        EXPECT_EQ(testui::page(w, "General Options"), "");
        EXPECT_EQ(testui::enter(w, 12015, "2"), "");
        EXPECT_EQ(testui::page(w, "Bounds"), "");
        EXPECT_EQ(testui::enter(w, 12003, "-inf"), "");
        EXPECT_EQ(testui::enter(w, 12005, "inf"), "");
        EXPECT_EQ(w.userOk(), "");
    });
    ASSERT_EQ(fAddsums(), 0);
    EXPECT_EQ(gOptions.maxJump, 2);
    EXPECT_EQ(cellOf(0, 0, 0)->lbd, 40);
    EXPECT_EQ(cellOf(0, 1, 0)->lbd, -10);
    EXPECT_EQ(cellOf(0, 2, 0)->lbd, 90);
    // The upper rule stayed as shown: Z = inf, W = 2 x 10.
    EXPECT_EQ(cellOf(0, 0, 0)->ubd, 120);
}

TEST_F(SumsTest, UpperCapWithInfiniteDistanceBoundsEveryCell) {
    put("A1", "100");
    put("A2", "450");
    put("A3", "=SUM(A1:A2)");
    ASSERT_EQ(fLookup(), 0);
    onOptions([](gui::ModalWindow& w) {
        EXPECT_EQ(testui::page(w, "Bounds"), "");
        EXPECT_EQ(testui::enter(w, 12004, "500"), "");
        EXPECT_EQ(testui::enter(w, 12006, "inf"), "");
        EXPECT_EQ(w.userOk(), "");
    });
    ASSERT_EQ(fAddsums(), 0);
    for (const Cell* c = gInstance.cellList; c; c = c->next) EXPECT_EQ(c->ubd, 500) << c->name;
}

// Levels: lpl applies below the threshold and is capped by the lower bound;
// upl likewise by the upper bound. A cell with a level is sensitive.
TEST_F(SumsTest, ProtectionLevelsAreCappedByTheBoundsAndMakeCellsSensitive) {
    put("A1", "3");
    put("A2", "45");
    put("A3", "=SUM(A1:A2)");
    ASSERT_EQ(fLookup(), 0);
    onOptions([](gui::ModalWindow& w) {
        EXPECT_EQ(testui::page(w, "Protection Levels"), "");
        EXPECT_EQ(testui::click(w, 12050), "");
        EXPECT_EQ(testui::enter(w, 12003, "5"), "");
        EXPECT_EQ(testui::enter(w, 12005, "30"), "");
        EXPECT_EQ(testui::enter(w, 12015, "40"), "");
        EXPECT_EQ(w.userOk(), "");
    });
    ASSERT_EQ(fAddsums(), 0);
    const Cell* small = cellOf(0, 0, 0);  // 3: lbd 0, ubd 23
    EXPECT_EQ(small->lpl, 3) << "3 - 5 would pass the lower bound 0";
    EXPECT_EQ(small->upl, 20) << "3 + 30 would pass the upper bound 23";
    EXPECT_EQ(small->status, 'u');
    const Cell* big = cellOf(0, 1, 0);  // 45 is not below 40
    EXPECT_EQ(big->lpl, 0);
    EXPECT_EQ(big->upl, 0);
    EXPECT_EQ(big->status, 's');
}

// With keepLoaded the second run finds the same sums and cells and counts
// them afresh: zero 0, base multiples 0 and 10, integers 0, 10 and 12.
TEST_F(SumsTest, RunningTwiceOnAKeptInstanceGivesTheSameCounts) {
    put("A1", "0");
    put("A2", "10");
    put("A3", "2.5");
    put("A4", "=SUM(A1:A3)");
    ASSERT_EQ(fLookup(), 0);
    onOptions([](gui::ModalWindow& w) {
        EXPECT_EQ(testui::page(w, "General Options"), "");
        EXPECT_EQ(testui::click(w, 12018), "");  // keep instance loaded
        EXPECT_EQ(w.userOk(), "");
    });
    ASSERT_EQ(fAddsums(), 0);
    ASSERT_EQ(gOptions.keepLoaded, 1);
    const int counts[3] = {gInstance.zeroCount, gInstance.baseMultipleCount,
                           gInstance.integerCount};
    EXPECT_EQ(counts[0], 1);
    EXPECT_EQ(counts[1], 2);
    EXPECT_EQ(counts[2], 2);
    const std::string before = dumpInstance();

    acceptOptions();
    ASSERT_EQ(fAddsums(), 0);
    EXPECT_EQ(gInstance.zeroCount, counts[0]);
    EXPECT_EQ(gInstance.baseMultipleCount, counts[1]);
    EXPECT_EQ(gInstance.integerCount, counts[2]);
    EXPECT_EQ(dumpInstance(), before) << "the kept sums are not read a second time";
}

TEST_F(SumsTest, CancelledOptionsSheetReleasesTheInstance) {
    put("A1", "1");
    put("A2", "2");
    put("A3", "=SUM(A1:A2)");
    ASSERT_EQ(fLookup(), 0);
    onOptions([](gui::ModalWindow& w) { EXPECT_EQ(w.userCancel(), ""); });
    EXPECT_EQ(fAddsums(), 1);
    EXPECT_EQ(gInstance.cellList, nullptr);
    EXPECT_EQ(gInstance.sumList, nullptr);
    EXPECT_EQ(gInstance.cellIndex, nullptr);
    EXPECT_EQ(gInstance.nsums, 0);
    EXPECT_TRUE(user.alerts.empty()) << "cancelling is not reported";
}

TEST_F(SumsTest, TestBatchInstancesGetNoOptionsSheetButTheirAttributes) {
    put("A1", "1");
    put("A2", "2");
    put("A3", "=SUM(A1:A2)");
    ASSERT_EQ(fLookup(), 0);
    gInstance.origin = InstanceOrigin::TestBatch;
    ASSERT_EQ(fAddsums(), 0);
    EXPECT_TRUE(user.windows.empty());
    EXPECT_EQ(cellOf(0, 2, 0)->ubd, 23);
}

// A loaded instance (as fLoadinstance leaves it: keepLoaded set, the cells
// with the bounds and levels of the file) gets the options sheet like any
// other: what the user sets there applies to it. A wq instance keeps every
// cell and sum as loaded.
TEST_F(SumsTest, WqInstancesGetTheOptionsSheetAndKeepTheirCells) {
    put("A1", "1");
    ASSERT_EQ(fLookup(), 0);
    gInstance.origin = InstanceOrigin::WqFile;
    gOptions.keepLoaded = 1;
    Cell* c = gInstance.cellList;
    c->lbd = -5;
    c->ubd = 7;
    onOptions([](gui::ModalWindow& w) {
        EXPECT_EQ(testui::page(w, "General Options"), "");
        EXPECT_EQ(testui::enter(w, 12003, "5"), "");  // base number
        EXPECT_EQ(w.userOk(), "");
    });
    user.statuses.clear();
    ASSERT_EQ(fAddsums(), 0);
    EXPECT_EQ(gInstance.ncells, 1) << "no deletions for a wq instance";
    ASSERT_FALSE(user.statuses.empty());
    EXPECT_EQ(user.statuses.front(), "Instance from wq-file: no check of sums...");
    EXPECT_EQ(user.windows, (std::vector<std::string>{" Quorant"}));
    EXPECT_EQ(gOptions.basenumber, 5) << "a base typed for a wq instance is dropped";
    EXPECT_EQ(c->lbd, -5) << "bounds not edited stay as loaded";
    EXPECT_EQ(c->ubd, 7);
}

TEST_F(SumsTest, EditedBoundsAndLevelsReplaceThoseOfALoadedInstance) {
    for (InstanceOrigin origin : {InstanceOrigin::InstanceFile, InstanceOrigin::WqFile}) {
        SCOPED_TRACE(origin == InstanceOrigin::WqFile ? "wq" : "qtb");
        put("A1", "3");
        put("A2", "45");
        put("A3", "=SUM(A1:A2)");
        ASSERT_EQ(fLookup(), 0);
        acceptOptions();
        ASSERT_EQ(fAddsums(), 0);
        // Now as loaded from a file: bounds [1, 100], no protection.
        gInstance.origin = origin;
        gOptions.keepLoaded = 1;
        for (Cell* c = gInstance.cellList; c; c = c->next) {
            c->lbd = 1;
            c->ubd = 100;
            c->lpl = c->upl = 0;
            c->status = 's';
        }
        // User-defined levels 5 and 30: capped by the file's bounds, as a
        // captured cell's are by its own.
        onOptions([](gui::ModalWindow& w) {
            EXPECT_EQ(testui::page(w, "Protection Levels"), "");
            EXPECT_EQ(testui::click(w, 12050), "");
            EXPECT_EQ(testui::enter(w, 12003, "5"), "");
            EXPECT_EQ(testui::enter(w, 12005, "30"), "");
            EXPECT_EQ(w.userOk(), "");
        });
        ASSERT_EQ(fAddsums(), 0);
        const Cell* small = cellOf(0, 0, 0);
        EXPECT_EQ(small->lpl, 2) << "3 - 5 would pass the file's lower bound 1";
        EXPECT_EQ(small->upl, 30);
        EXPECT_EQ(small->status, 'u') << "--lpl on a loaded instance is dropped";
        EXPECT_EQ(small->lbd, 1) << "bounds not edited stay as loaded";
        EXPECT_EQ(cellOf(0, 2, 0)->upl, 30) << "48 + 30 is within 100";

        // Edited bounds replace the file's: max{0, v - 4} and min{inf, v + 4};
        // protection left at its default keeps the levels the cells have.
        onOptions([](gui::ModalWindow& w) {
            EXPECT_EQ(testui::page(w, "Bounds"), "");
            EXPECT_EQ(testui::enter(w, 12005, "4"), "");
            EXPECT_EQ(testui::enter(w, 12006, "4"), "");
            EXPECT_EQ(w.userOk(), "");
        });
        ASSERT_EQ(fAddsums(), 0);
        EXPECT_EQ(small->lbd, 0);
        EXPECT_EQ(small->ubd, 7);
        EXPECT_EQ(cellOf(0, 1, 0)->lbd, 41) << "--lower-dist on a loaded instance is dropped";
        EXPECT_EQ(small->lpl, 2);
        EXPECT_EQ(small->status, 'u');
        unloadInstance();
        gOptions = RoundingOptions{};
    }
}

// The host cannot name the sheet of the first cell read (the total B3, the
// head of the list): that cell's formula is not read, which the alert says;
// the other column's sum is still found, and B's cells, now in no equation,
// are removed.
TEST_F(SumsTest, CellWhoseSheetHasNoIdIsReportedAndItsFormulaSkipped) {
    put("A1", "1");
    put("A2", "2");
    put("A3", "=SUM(A1:A2)");
    put("B1", "3");
    put("B2", "4");
    put("B3", "=SUM(B1:B2)");
    ASSERT_EQ(fLookup(), 0);
    acceptOptions();
    {
        testhost::HostFault fault(xlSheetId, 0, 1);
        ASSERT_EQ(fAddsums(), 0);
        EXPECT_EQ(fault.failed(), 1);
    }
    EXPECT_EQ(user.alertTexts(), (std::vector<std::string>{"No such sheet id."}));
    EXPECT_EQ(gInstance.nsums, 1);
    EXPECT_NE(sumAt(0, 2, 0), nullptr);
    EXPECT_EQ(gInstance.ncells, 3);
    EXPECT_EQ(cellOf(0, 2, 1), nullptr);
}

}  // namespace
}  // namespace capture_test
