// The database-style import against the real host: lists with and without a
// header row, repeated combinations, numbers and texts as labels, the wrong
// selections, the overwrite question; a list with a pivot table rounded by
// the one-step command with the pivot table refreshed; a list at the foot of
// the sheet whose table runs past the last row.
#include <cmath>

#include "capture/capture.h"
#include "gui/dialog.h"
#include "random/tables.h"
#include "rounding/rounder.h"
#include "shell/host_api.h"
#include "shell/host_values.h"
#include "tests/random_db/table_test_support.h"
#include "tests/support/instance_table.h"

namespace {

using tabletest::a1;
using tabletest::sheetText;
using tabletest::valueAt;

class DbImportTest : public tabletest::TableTest {
  protected:
    // Writes rows of cells from (row, col) on, in a new workbook.
    std::string list(int row, int col, const std::vector<std::vector<std::string>>& rows) {
        std::string book = host::newWorkbook(), error;
        for (size_t r = 0; r < rows.size(); ++r)
            for (size_t c = 0; c < rows[r].size(); ++c)
                EXPECT_TRUE(host::enterCell(a1(row + int(r), col + int(c)), rows[r][c], error))
                    << error;
        return book;
    }
    int importBlock(const std::string& block) {
        std::string error;
        EXPECT_TRUE(host::selectRange(block, error)) << error;
        return QTBTXfPRead();
    }
    // Values of the written table, position by position (0-based rows below the
    // block's first row, value column `col`).
    std::vector<double> column(int firstRow, int col, int count) {
        std::vector<double> v;
        for (int r = 0; r < count; ++r) v.push_back(valueAt(firstRow + r, col).num);
        return v;
    }
};

const std::vector<std::vector<std::string>> kRows = {
    {"A", "x", "5"}, {"A", "y", "7"}, {"B", "x", "1"}};

// (A,x)=5 (A,y)=7 (B,x)=1 (B,y)=0, a separator, then A 12, B 1, x 6, y 7, all
// 13, from the row below `top`, labels from column `left`.
void expectTheTable(int top, int left) {
    EXPECT_EQ(valueAt(top + 1, left).str + valueAt(top + 4, left).str, "AB");
    EXPECT_EQ(valueAt(top + 4, left + 1).str, "y");
    std::vector<double> v;
    for (int r = top + 1; r <= top + 10; ++r) v.push_back(valueAt(r, left + 2).num);
    EXPECT_EQ(v, (std::vector<double>{5, 7, 1, 0, 0, 12, 1, 6, 7, 13}));
    EXPECT_TRUE(valueAt(top + 5, left + 2).isNil());
    EXPECT_EQ(gInstance.ncells * 10 + gInstance.nsums, 95);
    EXPECT_EQ(gInstance.origin, InstanceOrigin::DbTable);
    EXPECT_EQ(gOptions.keepLoaded, 1);
}

TEST_F(DbImportTest, ListWithOrWithoutHeaderBecomesTheCrossTableInACopy) {
    const std::string original = list(0, 0, kRows);
    const std::string before = sheetText();
    ASSERT_EQ(importBlock("A1:C3"), 0);
    ASSERT_EQ(host::windows().size(), 2u);
    expectTheTable(0, 0);
    std::string error;
    ASSERT_TRUE(host::activateWorkbook(original, error));
    EXPECT_EQ(sheetText(), before);  // the user's sheet is untouched

    // A text over the values makes the first row a header, which stays.
    unloadInstance();
    auto rows = kRows;
    rows.insert(rows.begin(), {"Region", "Type", "Value"});
    list(2, 1, rows);
    ASSERT_EQ(importBlock("B3:D6"), 0);
    EXPECT_EQ(valueAt(2, 3).str, "Value");
    expectTheTable(2, 1);
}

TEST_F(DbImportTest, RepeatedCombinationStopsWithTheLineOfTheSortedCopy) {
    list(0, 0, {{"A", "x", "5"}, {"B", "y", "2"}, {"A", "x", "5"}});
    EXPECT_EQ(importBlock("A1:C3"), 1);
    EXPECT_EQ(front.alerts, std::vector<std::string>{
                                " Table contains various values for one cell! Current line: 3!"});
    EXPECT_EQ(front.types, std::vector<int>{2});
    EXPECT_EQ(gInstance.cellList, nullptr);
    EXPECT_EQ(gInstance.origin, InstanceOrigin::Worksheet);
}

TEST_F(DbImportTest, NumberAndTextWithTheSameTextAreTwoCategories) {
    // Column A holds the numbers 1 and 2 and the text "1"; sorted, numbers come
    // first, so the text "1" is counted again after "2".
    list(0, 0, {{"1", "x", "3"}, {"2", "x", "4"}, {"'1", "y", "5"}});
    ASSERT_EQ(importBlock("A1:C3"), 0);
    EXPECT_EQ(gInstance.ncells, 3 * 2 + 3 + 2 + 1);
    // Both rows labelled "1" land on the first category.
    EXPECT_EQ(column(1, 2, 6), (std::vector<double>{3, 5, 4, 0, 0, 0}));
    EXPECT_EQ(valueAt(1, 0).num, 1);  // decimal label texts are written as numbers
    EXPECT_EQ(valueAt(5, 0).num, 1);
}

TEST_F(DbImportTest, WrongSelectionsAndListsWithoutDataAreRefused) {
    list(0, 0, {{"Region", "Type", "Value"}});
    EXPECT_EQ(importBlock("A1:B1,D1:E2"), 1);
    EXPECT_EQ(importBlock("A1:A3"), 1);
    EXPECT_EQ(host::windows().size(), 1u);  // no copy made so far
    EXPECT_EQ(importBlock("A1:C1"), 1);
    EXPECT_EQ(front.alerts,
              (std::vector<std::string>{"Please do select only one block of cells.",
                                        " Please select the source data for the table to round.\n"
                                        " See Help-file for more information.",
                                        kAlertCategoryCount + 1}));
    EXPECT_EQ(gInstance.cellList, nullptr);
    EXPECT_EQ(gInstance.origin, InstanceOrigin::Worksheet);
}

TEST_F(DbImportTest, CancelKeepsThePresentInstanceAndItsOrigin) {
    const std::string book = list(0, 0, kRows);
    ASSERT_EQ(importBlock("A1:C3"), 0);
    std::string error;
    ASSERT_TRUE(host::activateWorkbook(book, error));
    front.answers = {false};
    EXPECT_EQ(importBlock("A1:C2"), 1);
    EXPECT_EQ(front.alerts.back(), "Existing QTB-instance found! Overwrite (OK) or CANCEL?");
    EXPECT_EQ(gInstance.ncells, 9);
    EXPECT_EQ(gInstance.origin, InstanceOrigin::DbTable);
    EXPECT_EQ(host::windows().size(), 2u);
    front.answers = {true};
    EXPECT_EQ(importBlock("A1:C2"), 0);  // (A,x) and (A,y): a 1 x 2 table
    EXPECT_EQ(gInstance.ncells, 2 + 1 + 2 + 1);
}

// The cell of the pivot table's area at the row labelled `row` and the column
// labelled `col` (labels as the host lays the table out from E1).
double pivotCell(const std::string& sheet, const std::string& row, const std::string& col) {
    int r = -1, c = -1;
    for (int i = 0; i < 12; ++i) {
        if (valueAt(i, 4, sheet).str == row) r = i;
        if (valueAt(1, 5 + i, sheet).str == col) c = 5 + i;
    }
    EXPECT_TRUE(r >= 0 && c >= 0) << row << " / " << col;
    return r >= 0 && c >= 0 ? valueAt(r, c, sheet).num : NAN;
}

TEST_F(DbImportTest, OneStepCommandImportsAListWithAPivotTableAndRefreshesIt) {
    // Five of the six combinations: (North, Farming) is missing, so the
    // rewritten list is one row longer than the selected block.
    const std::string book = list(0, 0,
                                  {{"Region", "Type", "Value"},
                                   {"North", "Industry", "127"},
                                   {"North", "Services", "264"},
                                   {"South", "Services", "45"},
                                   {"South", "Industry", "91"},
                                   {"South", "Farming", "58"}});
    {
        HostResult id;
        ASSERT_EQ(CallHost(xlSheetId, id.get(), 0), xlretSuccess);
        RefValue source(sheetIdOf(*id), 0, 5, 0, 2), dest(sheetIdOf(*id), 0, 4);
        CountedText name("PT"), rows("Region"), cols("Type"), data("Value");
        ASSERT_EQ(CallHost(xlcPivotTableWizard, nullptr, 4, ScratchNumber(1), source.get(),
                           dest.get(), name.value()),
                  xlretSuccess);
        ASSERT_EQ(CallHost(xlcPivotAddFields, nullptr, 3, name.value(), rows.value(), cols.value()),
                  xlretSuccess);
        ASSERT_EQ(CallHost(xlfPivotAddData, nullptr, 2, name.value(), data.value()), xlretSuccess);
    }
    std::string error;
    ASSERT_TRUE(host::selectRange("A1:C6", error));
    driver.play = [](gui::ModalWindow& w) {
        if (w.caption() == " Quorant") {
            EXPECT_EQ(w.userSwitchPage(1), "");
            EXPECT_EQ(w.currentForm()->userClick(12020), "");  // refresh the pivot table
        }
        w.userOk();
    };
    ASSERT_EQ(fOne(), 0);
    EXPECT_EQ(gInstance.origin, InstanceOrigin::DbTable);
    std::vector<double> rounded;
    roundcheck::Table table = roundcheck::TableOfInstance(gInstance, &rounded);
    EXPECT_EQ(roundcheck::CheckRounding(table, rounded, {10, 0}, -1), "");

    // Windows: the rounded copy, the interval copy, the import's copy, the list.
    auto windows = host::windows();
    ASSERT_EQ(windows.size(), 4u);
    EXPECT_EQ(windows[3], book);
    const std::string out = "[" + windows[0] + "]Sheet1";
    // The rewritten list in the rounded copy: types sorted Farming, Industry,
    // Services; regions North, South; (North, Farming) is 0.
    const double grand = valueAt(13, 2, out).num;
    EXPECT_EQ(std::fmod(grand, 10), 0);
    EXPECT_EQ(pivotCell(out, "Grand Total", "Grand Total"), grand);
    EXPECT_EQ(pivotCell(out, "North", "Services"), valueAt(3, 2, out).num);
    EXPECT_EQ(pivotCell(out, "South", "Services"), valueAt(6, 2, out).num);
    EXPECT_EQ(valueAt(6, 1, out).str, "Services");
    EXPECT_EQ(pivotCell(out, "South", "Grand Total"), valueAt(9, 2, out).num);
    EXPECT_EQ(valueAt(9, 0, out).num, 2);  // the total of the second region
    // The list's own sheet still shows the pivot table over the original values.
    EXPECT_EQ(valueAt(1, 2, out).num, 0);
    EXPECT_EQ(pivotCell("[" + book + "]Sheet1", "Grand Total", "Grand Total"), 585);
}

TEST_F(DbImportTest, TotalsPastTheLastRowAreNotWrittenNorRoundedIntoTheSheet) {
    // The separator row is the sheet's last row; every total lies beyond it.
    list(65530, 0,
         {{"Region", "Type", "Value"},
          {"A", "x", "14"},
          {"A", "y", "23"},
          {"B", "x", "31"},
          {"B", "y", "6"}});
    ASSERT_EQ(importBlock("A65531:C65535"), 0);
    EXPECT_EQ(front.alerts, std::vector<std::string>{"Instance too big for worksheet!"});
    EXPECT_EQ(gInstance.ncells, 4 + 5);
    EXPECT_TRUE(valueAt(65535, 2).isNil());
    acceptRoundingDialogs();
    ASSERT_EQ(fOne(), 0);
    std::vector<double> rounded;
    roundcheck::Table table = roundcheck::TableOfInstance(gInstance, &rounded);
    EXPECT_EQ(roundcheck::CheckRounding(table, rounded, {10, 0}, -1), "");
    const std::string out = "[" + host::windows()[0] + "]Sheet1";
    EXPECT_TRUE(valueAt(65535, 2, out).isNil());
    EXPECT_EQ(std::fmod(valueAt(65534, 2, out).num, 10), 0);
}

}  // namespace
