// The one-step command and the rounding command against the real host: the
// rounded copy with its formulas, the interval copy and its texts, the
// original left alone, solution files for .wq instances, and the resolution
// info dialog.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "app/drivers/answer_driver.h"
#include "capture/capture.h"
#include "capture/sum_dialog.h"
#include "files/file_commands.h"
#include "gui/driver.h"
#include "host/host.h"
#include "instance/instance.h"
#include "rounding/result_dialog.h"
#include "rounding/rounder.h"
#include "tests/rounding/rounding_fixture.h"
#include "tests/support/instance_table.h"

namespace {

using namespace rounding_test;

TEST_F(RoundingCommandTest, OneStepWritesRoundedCopyWithFormulasAndIntervalCopy) {
    std::string original = twoByTwo();
    option("General Options", "12018", "on");  // keep the instance to inspect it
    ASSERT_EQ(fOne(), 0) << notices.str();

    std::vector<double> rounded;
    roundcheck::Table table = roundcheck::TableOfInstance(gInstance, &rounded);
    EXPECT_EQ(roundcheck::CheckRounding(table, rounded, {10, 0}, 24), "");
    EXPECT_EQ(gInstance.maxDeviation, 6);  // 4 -> 10 and 16 -> 10

    auto windows = host::windows();
    ASSERT_EQ(windows.size(), 3u);
    const std::string roundedBook = windows[0], intervalBook = windows[1];
    EXPECT_EQ(windows[2], original);
    std::string error;

    // The rounded copy: values, and the totals' formulas over the rounded parts.
    ASSERT_TRUE(host::activateWorkbook(roundedBook, error)) << error;
    EXPECT_EQ(cellText("[" + roundedBook + "]Sheet1!A1"), "10");
    EXPECT_EQ(cellText("[" + roundedBook + "]Sheet1!B1"), "30");
    EXPECT_EQ(cellText("[" + roundedBook + "]Sheet1!A2"), "10");
    EXPECT_EQ(cellText("[" + roundedBook + "]Sheet1!B2"), "10");
    EXPECT_EQ(cellFormula("[" + roundedBook + "]Sheet1!C3"), "=SUM(C1:C2)");
    EXPECT_EQ(cellText("[" + roundedBook + "]Sheet1!C3"), "60");
    EXPECT_EQ(cellText("[" + roundedBook + "]Sheet1!A3"), "20");

    // The interval copy: every sheet renamed, intervals as texts.
    auto sheets = host::sheetNames(intervalBook);
    ASSERT_EQ(sheets.size(), 3u);
    for (const auto& s : sheets) EXPECT_EQ(s.substr(s.size() - 7), " - p.i.");
    EXPECT_EQ(sheets[0], "Sheet1 - p.i.");
    EXPECT_EQ(cellText("'[" + intervalBook + "]Sheet1 - p.i.'!C3"), "(50,70)");
    EXPECT_EQ(cellText("'[" + intervalBook + "]Sheet1 - p.i.'!A1"), "(0,20)");

    // The user's workbook is left as it was.
    EXPECT_EQ(cellText("[" + original + "]Sheet1!A1"), "13");
    EXPECT_EQ(cellText("[" + original + "]Sheet1!C3"), "60");
    EXPECT_EQ(host::sheetNames(original)[0], "Sheet1");
}

TEST_F(RoundingCommandTest, WithoutAuditingOneCopyAndNoRenamedSheet) {
    twoByTwo();
    option("General Options", "12019", "off");
    ASSERT_EQ(fOne(), 0) << notices.str();
    auto windows = host::windows();
    ASSERT_EQ(windows.size(), 2u);
    for (const auto& s : host::sheetNames(windows[0])) EXPECT_EQ(s.find(" - p.i."), std::string::npos);
    EXPECT_EQ(gInstance.cellList, nullptr);  // released: keepLoaded was not set
}

// Cells 3 + 4 = 7 capped at 9 from above: all three round down to 0, and the
// intervals [0, 9] are closed at both ends.
TEST_F(RoundingCommandTest, IntervalTextsFollowTheCellFormatAndClosedEnds) {
    host::newWorkbook();
    enter("A1", "3");
    enter("A2", "4");
    enter("A3", "=SUM(A1:A2)");
    std::string error;
    ASSERT_TRUE(host::setNumberFormat("A1", "0.0", error)) << error;
    ASSERT_TRUE(host::setNumberFormat("A2", "0.00", error)) << error;
    option("Bounds", "12004", "9");
    ASSERT_EQ(fOne(), 0) << notices.str();
    std::string intervals = host::windows()[1];
    EXPECT_EQ(cellText("'[" + intervals + "]Sheet1 - p.i.'!A1"), "[0.0,9.0]");
    EXPECT_EQ(cellText("'[" + intervals + "]Sheet1 - p.i.'!A2"), "[0.00,9.00]");
    EXPECT_EQ(cellText("'[" + intervals + "]Sheet1 - p.i.'!A3"), "[0,9]");
}

TEST_F(RoundingCommandTest, InfiniteLowerFloorAlwaysOpensTheInterval) {
    twoByTwo();
    option("Bounds", "12003", "-inf");
    ASSERT_EQ(fOne(), 0) << notices.str();
    std::string intervals = host::windows()[1];
    EXPECT_EQ(cellText("'[" + intervals + "]Sheet1 - p.i.'!A1").front(), '(');
    EXPECT_EQ(cellText("'[" + intervals + "]Sheet1 - p.i.'!B2").front(), '(');
}

TEST_F(RoundingCommandTest, HandEnteredSumsLeaveNoFormulaBehind) {
    host::newWorkbook();
    enter("A1", "12");
    enter("A2", "9");
    enter("A3", "=SUM(A1:A2)");
    enter("C1", "12");
    enter("C2", "9");
    enter("C3", "21");  // a total typed as a number, made an equation by hand
    ASSERT_EQ(fLookup(), 0);
    ASSERT_EQ(addHandEquation("R1C3:R2C3", "R3C3"), 0);
    ASSERT_EQ(fAddsums(), 0);
    ASSERT_EQ(gInstance.nsums, 2);
    ASSERT_EQ(fRounder(), 0) << notices.str();
    std::string rounded = host::windows()[0];
    EXPECT_EQ(cellFormula("[" + rounded + "]Sheet1!A3"), "=SUM(A1:A2)");
    EXPECT_EQ(cellFormula("[" + rounded + "]Sheet1!C3"), "");
    double c1 = std::stod(cellText("[" + rounded + "]Sheet1!C1"));
    double c2 = std::stod(cellText("[" + rounded + "]Sheet1!C2"));
    double c3 = std::stod(cellText("[" + rounded + "]Sheet1!C3"));
    EXPECT_EQ(c1 + c2, c3);
}

TEST_F(RoundingCommandTest, WqInstanceGivesASolutionFileAndStaysLoaded) {
    {
        std::ofstream f("t.wq");
        f << "0\n3\n0 a 13 1 s 0 100 0 0 0\n1 b 27 1 s 0 100 0 0 0\n2 t 40 1 s 0 100 0 0 0\n"
             "1\n0 3 : 2 (-1) 1 (1) 0 (1)\n10\n";
    }
    driver.addFile("t.wq");
    ASSERT_EQ(fLoadinstance(), 0) << notices.str();
    EXPECT_NE(notices.str().find("wq-format-file opened"), std::string::npos);
    driver.addFile("solution");  // the dialog adds ".qts"
    ASSERT_EQ(fRounder(), 0) << notices.str();
    EXPECT_NE(gInstance.cellList, nullptr);
    EXPECT_TRUE(host::windows().empty());
    std::ifstream in("solution.qts");
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text.substr(0, 5), "-3\n3\n");
    // The cells are numbered in list order by the run: t, b, a.
    EXPECT_NE(text.find("0 t 40.000000 40.000000 "), std::string::npos) << text;
    EXPECT_NE(text.find("2 a 13.000000 10.000000 "), std::string::npos) << text;
}

TEST_F(RoundingCommandTest, LoadRefusesAFileWithAnotherFormatMark) {
    {
        std::ofstream f("s.qts");
        f << "-3\n0\n0\n10\n";
    }
    driver.addFile("s.qts");
    EXPECT_EQ(fLoadinstance(), 1);
    EXPECT_NE(notices.str().find("Unknown file format!: First line of file must contain \"-2\" "
                                 "for qtb-format-file or \"0\" for wq-format-file."),
              std::string::npos)
        << notices.str();
    EXPECT_EQ(gInstance.cellList, nullptr);
}

TEST_F(RoundingCommandTest, SavingToUpperCaseWqWritesTheWqFormat) {
    twoByTwo();
    driver.addFile("table.WQ");
    ASSERT_EQ(fSaveinstance(), 0) << notices.str();
    std::ifstream in("table.WQ");
    std::string first;
    in >> first;
    EXPECT_EQ(first, "0");
    EXPECT_EQ(gOptions.keepLoaded, 1);
    driver.addFile("table");  // no extension: ".qtb" and the instance format
    ASSERT_EQ(fSaveinstance(), 0);
    std::ifstream qtb("table.qtb");
    qtb >> first;
    EXPECT_EQ(first, "-2");
}

TEST_F(RoundingCommandTest, LoadedQtbIsShownOnAsManySheetsAsItSpans) {
    {
        std::ofstream f("three.qtb");
        f << "-2\n3\n0 t 40 2 3 1 1 s 0 100 0 0 0\n1 b 27 2 1 1 1 s 0 100 0 0 0\n"
             "2 a 13 0 0 0 1 s 0 100 0 0 0\n1\n3 : 0 (-1) 1 (1) 2 (1)\n10\n";
    }
    driver.addFile("three.qtb");
    ASSERT_EQ(fLoadinstance(), 0) << notices.str();
    EXPECT_EQ(gInstance.sheetCount, 3);
    auto windows = host::windows();
    ASSERT_EQ(windows.size(), 1u);
    auto sheets = gInstance.sheetNames;
    ASSERT_GE(sheets.size(), 3u);
    EXPECT_EQ(cellText(sheets[2] + "!B4"), "40");
    EXPECT_EQ(cellText(sheets[0] + "!A1"), "13");
}

TEST(ResultNumbers, FormatAsTheDialogShowsThem) {
    EXPECT_EQ(formatResultNumber(12), "12");
    EXPECT_EQ(formatResultNumber(0.5), "0,5");
    EXPECT_EQ(formatResultNumber(12345.678), "12345,678");
    EXPECT_EQ(formatResultNumber(25), "25");
    // Exponential forms keep their exponent; a point before it becomes a blank.
    std::string big = formatResultNumber(1e12);
    EXPECT_NE(big.find("e+"), std::string::npos) << big;
    EXPECT_EQ(big.find('.'), std::string::npos);
    EXPECT_EQ(formatResultNumber(1.5e12), "1,5e+12");
}

// A driver that clicks the check boxes of the resolution info and records
// what the dialog shows.
struct ResultPeek : gui::UiDriver {
    std::string zeros, model;
    int zeroChecked = -1, extendedChecked = -1;
    void runModal(gui::ModalWindow& w) override {
        gui::Dialog* d = w.currentForm();
        zeros = d->itemText(12006);
        d->userClick(12017);  // tries to tick "Zero-Restricted"
        zeroChecked = d->isChecked(12017);
        extendedChecked = d->isChecked(12018);
        w.userOk();
    }
    int messageBox(const std::string&, const std::string&, int) override { return 1; }
    void runFileDialog(gui::FileDialog&) override {}
    void showHelp(const std::string&, int, const std::string*) override {}
};

TEST(ResultDialogTest, ExtendedModelCannotBeUncheckedAndPercentagesDivide) {
    unloadInstance();
    gInstance.ncells = 160;
    gInstance.zeroCount = 40;
    ResultPeek peek;
    gui::ScopedDriver active(&peek);
    EXPECT_EQ(showResolutionInfo(1, 5, 1, 2, 1.5), 0);
    EXPECT_EQ(peek.zeros, "25");
    EXPECT_EQ(peek.zeroChecked, 0);
    EXPECT_EQ(peek.extendedChecked, 1);
    gInstance.ncells = 0;
    gInstance.zeroCount = 0;
}

}  // namespace
