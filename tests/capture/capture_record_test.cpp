// What a capture reports and what its settings do: numbers in no equation
// merged into ranges and reported (never silently), rounded with all-cells,
// left out on purpose by the table's ranges; the hint after a capture
// without equations; typed totals found by the setting and by the dialog's
// Find Totals button, kept or removed by the user; the report front ends read.
#include "capture/capture_record.h"

#include <algorithm>
#include <map>

#include "capture/sum_dialog.h"
#include "capture/sum_dialog_tables.h"
#include "host/host.h"
#include "tests/capture/capture_fixture.h"

namespace capture_test {
namespace {

using CaptureRecordTest = CaptureTest;

bool shownStatus(const testui::QueuedUser& user, const std::string& text) {
    return std::find(user.statuses.begin(), user.statuses.end(), text) != user.statuses.end();
}

// The report's lines by key.
std::multimap<std::string, std::string> report() {
    std::multimap<std::string, std::string> out;
    const std::string text = QTBTXfCaptureReport();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        const size_t tab = line.find('\t');
        out.emplace(line.substr(0, tab), line.substr(tab + 1));
        start = end + 1;
    }
    return out;
}

std::string one(const std::multimap<std::string, std::string>& r, const std::string& key) {
    auto it = r.find(key);
    return it == r.end() ? "(none)" : it->second;
}

std::vector<std::string> all(const std::multimap<std::string, std::string>& r,
                             const std::string& key) {
    std::vector<std::string> out;
    for (auto [it, end] = r.equal_range(key); it != end; ++it) out.push_back(it->second);
    return out;
}

// Cells are merged into rectangles row by row; sheet names are quoted as a
// user quotes them.
TEST(CaptureRanges, CellsMergeIntoRectanglesNamedAsAUserNamesThem) {
    gCapture = CaptureRecord{};
    gCapture.sheetNames = {"[Book1]Sheet1", "My sheet", "2019"};
    std::vector<GridPos> cells;
    for (int r = 1; r <= 2; ++r)
        for (int c = 1; c <= 2; ++c) cells.push_back({0, r, c});  // B2:C3
    cells.push_back({0, 4, 3});                                   // D5
    cells.push_back({0, 5, 3});                                   // D6, under D5
    cells.push_back({0, 5, 4});                                   // E6: row 6 is D6:E6
    cells.push_back({1, 0, 27});                                  // AB1
    cells.push_back({2, 9, 0});
    cells.push_back({0, 1, 1});  // again
    EXPECT_EQ(rangeTexts(cells),
              (std::vector<std::string>{"Sheet1!B2:C3", "Sheet1!D5", "Sheet1!D6:E6",
                                        "'My sheet'!AB1", "'2019'!A10"}));
    gCapture = CaptureRecord{};
}

// Numbers that no equation uses are reported in one status text and in the
// report; they stay in the workbook as they are.
TEST_F(CaptureRecordTest, NumbersInNoEquationAreReportedAsRanges) {
    put("A1", "2019");
    put("A2", "4");
    put("A3", "6");
    put("A4", "=A2+A3");
    put("C2", "1");
    put("C3", "2");
    put("D3", "3");
    ASSERT_EQ(captureWithDefaults(), 0);
    EXPECT_TRUE(shownStatus(user,
                            "Captured 3 cells and 1 equation (1 from formulas, 0 found "
                            "totals, 0 by hand)."));
    EXPECT_TRUE(shownStatus(user,
                            "4 numbers are in no equation and were left as they are: "
                            "Sheet1!A1, Sheet1!C2, Sheet1!C3:D3"));
    const auto r = report();
    EXPECT_EQ(one(r, "cells"), "3");
    EXPECT_EQ(one(r, "equations"), "1");
    EXPECT_EQ(one(r, "unrounded-cells"), "4");
    EXPECT_EQ(all(r, "unrounded-range"),
              (std::vector<std::string>{"Sheet1!A1", "Sheet1!C2", "Sheet1!C3:D3"}));
    EXPECT_EQ(one(r, "summary"),
              "4 numbers are in no equation and were left as they are: Sheet1!A1, Sheet1!C2, "
              "Sheet1!C3:D3");
    // Released (as after a rounding), the instance leaves the report as it was.
    resetInstance();
    EXPECT_EQ(one(report(), "unrounded-cells"), "4");
    EXPECT_EQ(numbersInNoEquation().size(), 4u);
}

// With all-cells the numbers in no equation stay in the table, with bounds
// and levels like every cell, also when there is no equation at all; formula
// cells in no equation are not among them.
TEST_F(CaptureRecordTest, AllCellsKeepsNumbersInNoEquation) {
    gCaptureSettings.allCells = 1;
    put("A1", "13");
    put("A2", "27");
    put("B1", "=A1*2");
    ASSERT_EQ(captureWithDefaults(), 0) << "no equation, yet numbers to round";
    EXPECT_EQ(gInstance.nsums, 0);
    EXPECT_EQ(gInstance.ncells, 2);
    const Cell* a1 = cellOf(0, 0, 0);
    ASSERT_NE(a1, nullptr);
    EXPECT_EQ(a1->ubd, 33) << "bounds as for any cell";
    EXPECT_EQ(cellOf(0, 0, 1), nullptr) << "a formula of another kind stays out";
    EXPECT_EQ(one(report(), "unrounded-cells"), "0");
}

// Without equations the capture ends with the alert, then the hint; the
// report still says which numbers were left.
TEST_F(CaptureRecordTest, NoEquationsAlertIsFollowedByTheHint) {
    put("A1", "5");
    put("A2", "7");
    put("A3", "12");
    ASSERT_EQ(fLookup(), 0);
    acceptOptions();
    EXPECT_EQ(fAddsums(), 1);
    EXPECT_EQ(user.alertTexts(),
              (std::vector<std::string>{"There are no equations and therefore there is no QTB!"}));
    EXPECT_TRUE(shownStatus(user, shown(kNoEquationsHint)));
    EXPECT_EQ(one(report(), "unrounded-cells"), "3");
}

// The table's ranges: the years above the table are left out on purpose
// (and reported); a total adding a number outside the ranges is no equation;
// a range naming no sheet of the workbook stops the capture.
TEST_F(CaptureRecordTest, TableRangesLeaveHeadersOutAndRefuseUnknownSheets) {
    put("B1", "2020");
    put("C1", "2021");
    put("B2", "5");
    put("C2", "8");
    put("D2", "=B2+C2");
    put("B3", "=B1+B2");
    gCaptureSettings.table = "Sheet1!B2:D3";
    ASSERT_EQ(captureWithDefaults(), 0);
    EXPECT_EQ(gInstance.nsums, 1);
    EXPECT_EQ(cellOf(0, 0, 1), nullptr) << "2020 is outside the table";
    EXPECT_EQ(cellOf(0, 2, 1), nullptr) << "B3 adds the year";
    EXPECT_EQ(all(report(), "unrounded-range"), (std::vector<std::string>{"Sheet1!B1:C1"}));
    EXPECT_TRUE(shownStatus(user,
                            "1 total adds a cell that is no cell of the table: it keeps "
                            "its formula and is no equation: Sheet1!B3 (adds Sheet1!B1)"));
    unloadInstance();
    gCaptureSettings.table = "Nowhere!A1:B2";
    EXPECT_EQ(fLookup(), 1);
    EXPECT_EQ(user.alertTexts().back(),
              "The table range \"Nowhere!A1:B2\" names no cells of this workbook: give ranges "
              "such as Sheet1!B5:M60, separated by commas.");
    EXPECT_EQ(gInstance.cellList, nullptr);
}

// The setting finds the typed totals before the options sheet: they are
// equations not from formulas, listed each in a status text, and the
// rounded workbook keeps them as numbers.
TEST_F(CaptureRecordTest, FindTotalsSettingAddsFoundEquations) {
    gCaptureSettings.findTotals = 1;
    put("A1", "a");
    put("B1", "12");
    put("A2", "b");
    put("B2", "30");
    put("A3", "Total");
    put("B3", "42");
    ASSERT_EQ(captureWithDefaults(), 0);
    ASSERT_EQ(gInstance.nsums, 1);
    const Sum* sum = gInstance.sumList;
    EXPECT_EQ(sum->found, 1);
    EXPECT_EQ(sum->fromFormula, 0) << "a typed total stays a number";
    EXPECT_EQ(termsOf(sum),
              (std::vector<std::string>{"cell0_2_1:-1", "cell0_1_1:1", "cell0_0_1:1"}));
    EXPECT_TRUE(shownStatus(user, "Found total: Sheet1!B3 = Sheet1!B1 + Sheet1!B2"));
    const auto r = report();
    EXPECT_EQ(one(r, "equations-found"), "1");
    EXPECT_EQ(all(r, "found"), (std::vector<std::string>{"Sheet1!B3 = Sheet1!B1 + Sheet1!B2"}));
}

// In the add-sums dialog Find Totals adds its proposals as rows of the list;
// the user removes one of them and keeps the other.
TEST_F(CaptureRecordTest, FindTotalsButtonAddsRowsTheUserKeepsOrRemoves) {
    put("B1", "1");
    put("C1", "5");
    put("D1", "6");
    put("B2", "3");
    put("C2", "4");
    put("D2", "7");
    ASSERT_EQ(fLookup(), 0);
    user.onDialogBox([](host::DialogTable& t) {
        EXPECT_EQ(t.cells[kSimpleFindRow][0], "3") << "Find Totals can be pressed";
        EXPECT_EQ(t.cells[kSimpleFindRow][5], "Find &Totals");
        t.pressed = kSimpleFindRow;
        return true;
    });
    user.onDialogBox([](host::DialogTable& t) {
        EXPECT_EQ(t.lists[16].size(), 2u) << "both rows of D are totals";
        t.cells[16][6] = "1";  // the first row of the list
        t.pressed = 15;        // Remove
        return true;
    });
    user.onDialogBox([](host::DialogTable& t) {
        EXPECT_EQ(t.lists[16].size(), 1u);
        t.pressed = 2;
        return true;
    });
    user.onWindow([](gui::ModalWindow& w) {
        EXPECT_EQ(testui::page(w, "Edit Equations"), "");
        EXPECT_EQ(testui::click(w, 12011), "");
        EXPECT_EQ(w.userOk(), "");
    });
    ASSERT_EQ(fAddsums(), 0);
    EXPECT_EQ(gInstance.nsums, 1);
    EXPECT_EQ(one(report(), "equations-found"), "1");
    EXPECT_EQ(gInstance.ncells, 3) << "the removed total's row is in no equation";
}

}  // namespace
}  // namespace capture_test
