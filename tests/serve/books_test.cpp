// The grids of the page: the captured table marked on its workbook and a
// rounded copy compared with the workbook it was made from.
#include <gtest/gtest.h>

#include "app/serve_books.h"
#include "host/host.h"

namespace {

using Json = nlohmann::json;

// What the add-in reports for this table on Sheet1 (rows 0-2, columns 0-2):
//   A1 + B1 = C1, A2 + B2 = C2, C1 + C2 = C3, and a one-term sum of D1.
const char* kReport =
    "instance: 7 cells, 4 sums, origin worksheet, base 10\n"
    "cell 7 cell0_0_0 sheet 0 row 0 col 0 nominal 4 bounds [0,24] lpl 0 upl 0 spl 0 status C "
    "uses 1 rounded 0 interval [0,0]\n"
    "cell 6 cell0_0_1 sheet 0 row 0 col 1 nominal 5 ...\n"
    "cell 5 cell0_0_2 sheet 0 row 0 col 2 nominal 9 ...\n"
    "cell 4 cell0_1_0 sheet 0 row 1 col 0 nominal 3 ...\n"
    "cell 3 cell0_1_1 sheet 0 row 1 col 1 nominal 8 ...\n"
    "cell 2 cell0_1_2 sheet 0 row 1 col 2 nominal 11 ...\n"
    "cell 1 cell0_2_2 sheet 0 row 2 col 2 nominal 20 ...\n"
    "cell 0 cell0_0_3 sheet 0 row 0 col 3 nominal 1 ...\n"
    "sum =SUM(C1:C2) at sheet 0 row 2 col 2: +cell0_0_2 +cell0_1_2 -cell0_2_2\n"
    "sum =SUM(A2:B2) at sheet 0 row 1 col 2: +cell0_1_0 +cell0_1_1 -cell0_1_2\n"
    "sum =SUM(A1:B1) at sheet 0 row 0 col 2: +cell0_0_0 +cell0_0_1 -cell0_0_2\n"
    "sum (not from a formula): +cell0_0_3\n";

TEST(CapturedTable, MarksPartsAndTotalsOfEquationsOfTwoOrMoreTerms) {
    const app::CapturedTable t = app::capturedTable(kReport);
    EXPECT_TRUE(t.present);
    EXPECT_EQ(t.origin, "worksheet");
    EXPECT_EQ(t.cells, 7);
    using Key = std::tuple<int, int, int>;
    EXPECT_EQ(t.marks.at(Key{0, 0, 0}), app::CellMark::Part);
    // C1 is the total of its row and a part of C3: a total it stays.
    EXPECT_EQ(t.marks.at(Key{0, 0, 2}), app::CellMark::Total);
    EXPECT_EQ(t.marks.at(Key{0, 2, 2}), app::CellMark::Total);
    EXPECT_EQ(t.marks.count(Key{0, 0, 3}), 0u) << "a one-term equation binds nothing";
    ASSERT_EQ(t.sums.size(), 4u) << "every sum in the list's order, one-term ones too";
    EXPECT_EQ(app::equationNames(t.sums[0], {"Sheet1"}), "Sheet1!C1 + Sheet1!C2 = Sheet1!C3");
    EXPECT_EQ(app::equationNames(t.sums[2], {"Region x Age"}),
              "'Region x Age'!A1 + 'Region x Age'!B1 = 'Region x Age'!C1");
}

TEST(CapturedTable, OnlyTablesTakenFromAWorkbookAreMarked) {
    std::string fromFile = kReport;
    fromFile.replace(fromFile.find("origin worksheet"), 16, "origin qtb file");
    EXPECT_FALSE(app::capturedTable(fromFile).present)
        << "cells of a loaded instance file name positions of some other workbook";
    EXPECT_TRUE(app::capturedTable(fromFile).marks.empty());
    EXPECT_FALSE(app::capturedTable("").present);
    EXPECT_FALSE(app::capturedTable("instance: 0 cells, 0 sums, origin worksheet, base 10\n").present);
    // Garbled lines are skipped, not trusted.
    EXPECT_NO_THROW(app::capturedTable("instance: x\ncell\nsum\nsum : + -\ncell 1 a sheet row col\n"));
}

TEST(CapturedTable, TheCaptureRecordTellsWhichNumbersStayAsTheyAre) {
    app::CapturedTable t;
    app::readCaptureReport(
        "cells\t7\nunrounded-cells\t3\nunrounded-range\tSheet1!D1\n"
        "unrounded-range\t'Region x Age'!B2:C3\nkept-formulas\t1\nkept-formula\tSheet1!F9\n"
        "unrounded-range\tnot a range\nsummary\t3 numbers in no equation ...\n",
        t);
    EXPECT_TRUE(t.haveRecord);
    ASSERT_EQ(t.unrounded["Sheet1"].size(), 1u);
    EXPECT_EQ(t.unrounded["Sheet1"][0], (host::Rect{0, 3, 0, 3}));
    ASSERT_EQ(t.unrounded["Region x Age"].size(), 1u) << "a quoted sheet name was not read";
    EXPECT_EQ(t.unrounded["Region x Age"][0], (host::Rect{1, 1, 2, 2}));
    EXPECT_EQ(t.kept["Sheet1"].size(), 1u);
    app::CapturedTable none;
    app::readCaptureReport("", none);
    EXPECT_FALSE(none.haveRecord) << "an add-in without a record must fall back to our own view";
    EXPECT_EQ(app::referenceName("Men", 4, 27), "Men!AB5");
    EXPECT_EQ(app::referenceName("O'Brien", 0, 0), "'O''Brien'!A1");
}

struct SheetViewTest : ::testing::Test {
    std::string original, rounded;
    void SetUp() override {
        std::string error;
        original = host::newWorkbook();
        for (auto [ref, text] : std::vector<std::pair<const char*, const char*>>{
                 {"A1", "4"}, {"B1", "5"}, {"C1", "=SUM(A1:B1)"}, {"A2", "3"}, {"B2", "8"},
                 {"C2", "=SUM(A2:B2)"}, {"C3", "=SUM(C1:C2)"}, {"D1", "1"}, {"E1", "2024"},
                 {"A4", "label"}}) {
            ASSERT_TRUE(host::enterCell(ref, text, error)) << error;
        }
        ASSERT_TRUE(host::setNumberFormat("B2", "0.00", error));
        rounded = host::newWorkbook();
        for (auto [ref, text] : std::vector<std::pair<const char*, const char*>>{
                 {"A1", "0"}, {"B1", "10"}, {"C1", "=SUM(A1:B1)"}, {"A2", "0"}, {"B2", "10"},
                 {"C2", "=SUM(A2:B2)"}, {"C3", "=SUM(C1:C2)"}, {"D1", "1"}, {"E1", "2024"}}) {
            ASSERT_TRUE(host::enterCell(ref, text, error)) << error;
        }
    }
    void TearDown() override { host::reset(); }

    static const Json* at(const Json& view, int r, int c) {
        for (const Json& cell : view["cells"])
            if (cell["r"] == r && cell["c"] == c) return &cell;
        return nullptr;
    }
};

TEST_F(SheetViewTest, TheCapturedTableIsMarkedOnItsNumbers) {
    const app::CapturedTable table = app::capturedTable(kReport);
    app::SheetViewOptions options;
    options.table = &table;
    Json view;
    std::string error;
    ASSERT_TRUE(app::sheetView(original, 0, options, view, error)) << error;
    EXPECT_EQ(view["rows"], 4);
    EXPECT_EQ(view["cols"], 5);
    EXPECT_EQ((*at(view, 0, 0))["m"], "part");
    EXPECT_EQ((*at(view, 2, 2))["m"], "total");
    EXPECT_EQ((*at(view, 2, 2))["f"], "=SUM(C1:C2)");
    EXPECT_EQ((*at(view, 2, 2))["t"], "20");
    EXPECT_EQ((*at(view, 0, 3))["m"], "free") << "D1 belongs to no equation";
    EXPECT_EQ((*at(view, 0, 4))["m"], "free") << "a number never captured is in no equation";
    EXPECT_FALSE(at(view, 3, 0)->contains("m")) << "texts are not numbers of the table";
    EXPECT_EQ((*at(view, 1, 1))["t"], "8.00") << "the number format is not applied";
    EXPECT_EQ((*at(view, 1, 1))["fmt"], "0.00");
}

TEST_F(SheetViewTest, WithACaptureRecordOnlyItsNumbersAreLeftAsTheyAre) {
    app::CapturedTable table = app::capturedTable(kReport);
    app::readCaptureReport("unrounded-range\tSheet1!D1\nkept-formula\tSheet1!E1\n", table);
    app::SheetViewOptions options;
    options.table = &table;
    Json view;
    std::string error;
    ASSERT_TRUE(app::sheetView(original, 0, options, view, error)) << error;
    EXPECT_EQ((*at(view, 0, 3))["m"], "free");
    EXPECT_EQ((*at(view, 0, 4))["m"], "kept");
    EXPECT_EQ((*at(view, 2, 2))["m"], "total");
    table.kept.clear();
    ASSERT_TRUE(app::sheetView(original, 0, options, view, error)) << error;
    EXPECT_FALSE(at(view, 0, 4)->contains("m"))
        << "a number the record does not list (outside the table's ranges) was marked";
}

TEST_F(SheetViewTest, ARoundedCopyTellsHowFarEachCellMoved) {
    app::SheetViewOptions options;
    options.original = "[" + original + "]Sheet1";
    Json view;
    std::string error;
    ASSERT_TRUE(app::sheetView(rounded, 0, options, view, error)) << error;
    EXPECT_EQ((*at(view, 0, 0))["d"], -4);
    EXPECT_EQ((*at(view, 0, 0))["o"], "4");
    EXPECT_EQ((*at(view, 0, 2))["d"], 1) << "a total moves too (9 became 10)";
    EXPECT_FALSE(at(view, 2, 2)->contains("d")) << "the grand total 20 did not move";
    EXPECT_EQ((*at(view, 1, 1))["o"], "8.00") << "the original is shown in its own format";
    EXPECT_FALSE(at(view, 0, 3)->contains("d")) << "an unchanged cell is not shaded";
    EXPECT_FALSE(view.contains("error"));
    EXPECT_FALSE(app::sheetView(rounded, 7, options, view, error)) << "there is no eighth sheet";
}

TEST_F(SheetViewTest, LongSheetsAreCutAndSaySo) {
    app::SheetViewOptions options;
    options.maxRows = 2;
    Json view;
    std::string error;
    ASSERT_TRUE(app::sheetView(original, 0, options, view, error)) << error;
    EXPECT_TRUE(view["truncated"].get<bool>());
    EXPECT_EQ(view["rows"], 2);
}

}  // namespace
