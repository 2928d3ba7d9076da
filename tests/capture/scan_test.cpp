// The cell scan: which worksheet cells become Cells, their names, positions and
// numbers, the grid extents, and what the user's workbook looks like afterwards.
#include <algorithm>

#include "host/host.h"
#include "tests/capture/capture_fixture.h"
#include "tests/support/host_fault.h"

namespace capture_test {
namespace {

using ScanTest = CaptureTest;

bool alerted(const testui::QueuedUser& user, const std::string& text) {
    auto texts = user.alertTexts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST_F(ScanTest, OnlyNumberInC3OfTheSecondSheetGivesOneNumberedNamedCell) {
    put("Sheet2!C3", "5");
    std::string error;
    ASSERT_TRUE(host::selectSheet("Sheet3", error)) << error;
    ASSERT_TRUE(host::selectRange("B4", error)) << error;

    ASSERT_EQ(fLookup(), 0);
    ASSERT_EQ(gInstance.ncells, 1);
    const Cell* c = gInstance.cellList;
    EXPECT_EQ(c->next, nullptr);
    EXPECT_EQ(c->sheet, 1);
    EXPECT_EQ(c->row, 2);
    EXPECT_EQ(c->col, 2);
    EXPECT_STREQ(c->name, "cell1_2_2");
    EXPECT_EQ(c->number, 0);
    EXPECT_EQ(c->nominal, 5);
    EXPECT_EQ(c->rounded, 5);
    EXPECT_EQ(c->useCount, 0);
    EXPECT_EQ(c->status, 's');
    EXPECT_EQ(c->lbd, 0);
    EXPECT_EQ(c->ubd, 0);
    EXPECT_EQ(cellAt(1, 2, 2), c) << "the positional index holds the cell";
    EXPECT_EQ(gInstance.sheetCount, 3);
    // The user's sheet and cell are as before the scan.
    EXPECT_EQ(host::activeSheet(), "Sheet3");
    EXPECT_EQ(host::selectionText(), "Sheet3!B4");
    EXPECT_TRUE(user.alerts.empty());
}

TEST_F(ScanTest, OnlyNumericValuesMakeCellsWhateverTheFormula) {
    putText("A1", "12");  // a text that looks like a number
    put("B1", "=1+1");
    put("C1", "TRUE");
    put("D1", "=1/0");
    put("E1", "=A1&\"\"");  // a formula with a text result
    put("A2", "-3.25");

    ASSERT_EQ(fLookup(), 0);
    ASSERT_EQ(gInstance.ncells, 2);
    ASSERT_NE(cellOf(0, 0, 1), nullptr) << "=1+1 is a number";
    EXPECT_EQ(cellOf(0, 0, 1)->nominal, 2);
    ASSERT_NE(cellOf(0, 1, 0), nullptr);
    EXPECT_EQ(cellOf(0, 1, 0)->nominal, -3.25);
    EXPECT_EQ(cellOf(0, 0, 0), nullptr) << "the text \"12\" is no cell";
}

TEST_F(ScanTest, GridCoversTheLastCellsOfAllSheetsAndNumbersFollowListOrder) {
    put("Sheet1!B10", "1");
    put("Sheet1!A1", "2");
    put("Sheet2!E3", "3");
    put("Sheet2!A2", "4");

    ASSERT_EQ(fLookup(), 0);
    EXPECT_EQ(gInstance.maxRow, 9);
    EXPECT_EQ(gInstance.maxCol, 4);
    // Scan order A1, B10 (sheet 0), A2, E3 (sheet 1); the list runs backwards
    // and the last scanned cell is number 0.
    std::vector<std::string> names;
    std::vector<int> numbers;
    for (const Cell* c = gInstance.cellList; c; c = c->next) {
        names.push_back(c->name);
        numbers.push_back(c->number);
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"cell1_2_4", "cell1_1_0", "cell0_9_1", "cell0_0_0"}));
    EXPECT_EQ(numbers, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(cellAt(0, 9, 1), cellOf(0, 9, 1));
    EXPECT_EQ(cellAt(1, 2, 4), cellOf(1, 2, 4));
    EXPECT_EQ(cellAt(0, 10, 1), nullptr) << "one row past maxRow";
}

TEST_F(ScanTest, EmptyWorkbookEndsWithTheNoNumericalCellsAlert) {
    put("A1", "heading only");
    EXPECT_EQ(fLookup(), 1);
    EXPECT_TRUE(alerted(user, "There are no numerical cells found to create an instance!"));
    EXPECT_EQ(gInstance.cellList, nullptr);
    EXPECT_EQ(gInstance.ncells, 0);
}

TEST_F(ScanTest, NoOpenWorkbookIsReported) {
    std::string error;
    for (const std::string& book : host::windows()) ASSERT_TRUE(host::closeWorkbook(book, error));
    EXPECT_EQ(fLookup(), 1);
    EXPECT_TRUE(alerted(user, " No active Workbook found!"));
    EXPECT_EQ(gInstance.cellList, nullptr);
}

TEST_F(ScanTest, KeepLoadedReadsNothingAndSucceedsWithoutAnInstance) {
    put("A1", "7");
    gOptions.keepLoaded = 1;
    EXPECT_EQ(fLookup(), 0);
    EXPECT_EQ(gInstance.cellList, nullptr);
    EXPECT_EQ(gInstance.sheetCount, 0) << "not even the sheet names are read";
    ASSERT_FALSE(user.statuses.empty());
    EXPECT_EQ(user.statuses.back(), " Loaded instance maintained.");
}

// After an instance file was loaded and released, a scan is a worksheet scan:
// sum detection gives the scanned cells their bounds.
TEST_F(ScanTest, ScanAfterALoadedInstanceIsAWorksheetInstance) {
    gInstance.origin = InstanceOrigin::InstanceFile;
    put("A1", "1");
    put("A2", "2");
    put("A3", "=SUM(A1:A2)");
    ASSERT_EQ(captureWithDefaults(), 0);
    EXPECT_EQ(gInstance.origin, InstanceOrigin::Worksheet);
    EXPECT_EQ(cellOf(0, 2, 0)->ubd, 23);
    EXPECT_EQ(cellOf(0, 0, 0)->ubd, 21);
}

// A scan that finds an instance still in memory (keepLoaded was cleared since)
// starts afresh instead of mixing old and new cells.
TEST_F(ScanTest, ScanReplacesAnInstanceLeftInMemory) {
    put("A1", "1");
    put("B1", "2");
    ASSERT_EQ(fLookup(), 0);
    ASSERT_EQ(gInstance.ncells, 2);
    put("C1", "3");
    ASSERT_EQ(fLookup(), 0);
    EXPECT_EQ(gInstance.ncells, 3);
    int listed = 0;
    for (const Cell* c = gInstance.cellList; c; c = c->next) ++listed;
    EXPECT_EQ(listed, 3);
    EXPECT_EQ(gInstance.cellList->number, 0);
}

TEST_F(ScanTest, ScanClearsTheAdvancedModeOfTheAddSumsDialog) {
    put("A1", "1");
    sumDialogState.advancedMode = 1;
    ASSERT_EQ(fLookup(), 0);
    EXPECT_EQ(sumDialogState.advancedMode, 0);
}

// The host cannot give the second sheet's id: that sheet is reported and
// yields no cells, and the others are still captured (a scan that stopped
// there would lose Sheet3; one that went on silently would round a table
// without Sheet2's cells unannounced).
TEST_F(ScanTest, SheetWithoutIdIsReportedAndYieldsNoCells) {
    put("Sheet1!A1", "1");
    put("Sheet2!A1", "2");
    put("Sheet3!A1", "3");
    testhost::HostFault fault(xlSheetId, 1, 1);
    ASSERT_EQ(fLookup(), 0);
    EXPECT_EQ(fault.failed(), 1);
    EXPECT_EQ(user.alertTexts(), (std::vector<std::string>{" No SheetID!"}));
    EXPECT_EQ(gInstance.ncells, 2);
    EXPECT_NE(cellOf(0, 0, 0), nullptr);
    EXPECT_EQ(cellOf(1, 0, 0), nullptr);
    EXPECT_NE(cellOf(2, 0, 0), nullptr);
}

// The last cell of the second sheet cannot be found: the scan fails with its
// alert and releases what it had read from the first sheet.
TEST_F(ScanTest, LastCellNotFoundFailsTheScanAndReleasesTheCells) {
    put("Sheet1!A1", "1");
    put("Sheet2!A1", "2");
    // The first call remembers the user's active cell, the second finds
    // Sheet1's last cell, the third Sheet2's.
    testhost::HostFault fault(xlfActiveCell, 2, 1);
    EXPECT_EQ(fLookup(), 1);
    EXPECT_EQ(fault.failed(), 1);
    EXPECT_TRUE(alerted(user, " Error on trying to find last cell!"));
    EXPECT_EQ(gInstance.cellList, nullptr);
    EXPECT_EQ(gInstance.ncells, 0);
}

}  // namespace
}  // namespace capture_test
