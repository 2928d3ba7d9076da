// Formulas as sums: sheet prefixes (also quoted names), absolute and mixed
// references, several arguments, and the formulas that state no additive
// equation of their cells and must not become sums.
#include <algorithm>

#include "capture/sum_formula.h"
#include "host/host.h"
#include "tests/capture/capture_fixture.h"

namespace capture_test {
namespace {

using FormulaTest = CaptureTest;

TEST(R1C1Reference, RelativeAbsoluteMixedAndPrefixedForms) {
    CellReference ref;
    ASSERT_TRUE(parseR1C1Reference("R[-3]C", ref));
    EXPECT_FALSE(ref.row.absolute);
    EXPECT_EQ(ref.row.resolve(10), 7);
    EXPECT_EQ(ref.col.resolve(4), 4);
    ASSERT_TRUE(parseR1C1Reference("R5C[2]", ref));
    EXPECT_EQ(ref.row.resolve(10), 4) << "R5 is row 5 wherever the formula is";
    EXPECT_EQ(ref.col.resolve(1), 3);
    ASSERT_TRUE(parseR1C1Reference("'My ''big'' sheet'!R1C1", ref));
    EXPECT_TRUE(ref.hasSheet);
    EXPECT_EQ(ref.sheet, "My 'big' sheet");
    EXPECT_EQ(ref.row.resolve(9), 0);
    for (const char* bad : {"", "R", "C1", "R0C1", "R[1", "R1C1x", "5", "!R1C1", "R1:R2"})
        EXPECT_FALSE(parseR1C1Reference(bad, ref)) << bad;

    std::vector<std::string> args;
    EXPECT_TRUE(splitSumFormula("=SUM(R1C1,'a,b'!R2C2:R3C3)", args));
    EXPECT_EQ(args, (std::vector<std::string>{"R1C1", "'a,b'!R2C2:R3C3"}));
    for (const char* bad : {"=SUM(R1C1)*2", "=SUM(R1C1)+R2C2", "=SUM(R1C1,5)", "=SUM((R1C1))",
                            "=SUM(ABS(R1C1))", "=SUM(\"x\")", "=SUM(R1C1"}) {
        std::vector<std::string> a;
        bool split = splitSumFormula(bad, a);
        bool allRefs = split;
        for (const std::string& arg : a) allRefs &= parseR1C1Reference(arg, ref);
        EXPECT_FALSE(allRefs) << bad;
    }
}

// =SUM(Sheet2!A1:A3) in A4 of Sheet1 is read as Sheet2!R[-3]C:R[-1]C: the
// prefix of the first corner holds for both corners.
TEST_F(FormulaTest, PrefixedRangeIsLookedUpOnItsSheet) {
    put("Sheet2!A1", "1");
    put("Sheet2!A2", "2");
    put("Sheet2!A3", "3");
    put("Sheet1!A1", "100");  // same positions on the formula's own sheet
    put("Sheet1!A2", "200");
    put("Sheet1!A4", "=SUM(Sheet2!A1:A3)");
    ASSERT_EQ(fLookup(), 0);
    acceptOptions();
    ASSERT_EQ(fAddsums(), 0);
    ASSERT_EQ(gInstance.nsums, 1);
    EXPECT_STREQ(gInstance.sumList->text, "=SUM(Sheet2!R[-3]C:R[-1]C)");
    EXPECT_EQ(termsOf(gInstance.sumList), (std::vector<std::string>{"cell0_3_0:-1", "cell1_2_0:1",
                                                                    "cell1_1_0:1", "cell1_0_0:1"}));
    EXPECT_EQ(cellOf(0, 0, 0), nullptr) << "Sheet1!A1 is in no sum";
}

TEST_F(FormulaTest, QuotedSheetNamesAndSeveralArgumentsAcrossSheets) {
    renameSheet("Sheet2", "My data");
    renameSheet("Sheet3", "Bob's");
    put("'My data'!B2", "4");
    put("'My data'!C2", "5");
    put("'Bob''s'!A1", "6");
    put("Sheet1!D1", "=SUM('My data'!B2:C2,'Bob''s'!A1)");
    ASSERT_EQ(fLookup(), 0);
    acceptOptions();
    ASSERT_EQ(fAddsums(), 0);
    ASSERT_EQ(gInstance.nsums, 1);
    // Terms of the last argument come first; within a range, column by column.
    EXPECT_EQ(termsOf(gInstance.sumList), (std::vector<std::string>{"cell0_0_3:-1", "cell2_0_0:1",
                                                                    "cell1_1_2:1", "cell1_1_1:1"}));
    EXPECT_TRUE(user.alerts.empty());
}

// A 2 x 2 range is read column by column, each from its top row down.
TEST_F(FormulaTest, RangeTermsFollowColumnsThenRows) {
    put("A1", "1");
    put("B1", "2");
    put("A2", "3");
    put("B2", "4");
    put("C3", "=SUM(A1:B2)");
    ASSERT_EQ(captureWithDefaults(), 0);
    EXPECT_EQ(termsOf(gInstance.sumList),
              (std::vector<std::string>{"cell0_2_2:-1", "cell0_1_1:1", "cell0_0_1:1", "cell0_1_0:1",
                                        "cell0_0_0:1"}));
}

// $A$1 and mixed references name fixed positions: R1C1, R2C[-1] and so on.
TEST_F(FormulaTest, AbsoluteAndMixedReferencesNameTheirPositions) {
    put("A1", "1");
    put("A2", "2");
    put("B3", "=SUM($A$1,A$2)");  // =SUM(R1C1,R2C[-1])
    put("D1", "5");
    put("D2", "6");
    put("E5", "=SUM($D1:D$2)");  // rows and columns mixed in one range
    ASSERT_EQ(captureWithDefaults(), 0);
    ASSERT_EQ(gInstance.nsums, 2);
    const Sum* b3 = sumAt(0, 2, 1);
    ASSERT_NE(b3, nullptr);
    EXPECT_STREQ(b3->text, "=SUM(R1C1,R2C[-1])");
    EXPECT_EQ(termsOf(b3),
              (std::vector<std::string>{"cell0_2_1:-1", "cell0_1_0:1", "cell0_0_0:1"}));
    const Sum* e5 = sumAt(0, 4, 4);
    ASSERT_NE(e5, nullptr);
    EXPECT_EQ(termsOf(e5),
              (std::vector<std::string>{"cell0_4_4:-1", "cell0_1_3:1", "cell0_0_3:1"}));
}

// A formula that goes on after its SUM with another operator, or that adds
// a constant, states no equation of its cells: it keeps its formula, its cell
// leaves the table, and one status text lists such cells by address. A SUM
// followed by an added cell is a sum of cells like any other.
TEST_F(FormulaTest, FormulasThatAreNotSumsOfCellsLeaveTheTableAndAreListed) {
    put("A1", "1");
    put("A2", "2");
    put("A3", "=SUM(A1:A2)*2");
    put("B1", "=SUM(A1)+A2");
    put("C1", "=SUM(A1,5)");
    put("A5", "4");
    put("A6", "=SUM(A5)");
    put("A7", "=SUM(A5:A6)");
    ASSERT_EQ(fLookup(), 0);
    acceptOptions();
    ASSERT_EQ(fAddsums(), 0);
    EXPECT_NE(std::find(user.statuses.begin(), user.statuses.end(),
                        "2 formulas are no sums or differences of cells: they keep their "
                        "formulas and are no cells of the table: Sheet1!C1, Sheet1!A3"),
              user.statuses.end());
    // What is left: B1 = A1 + A2, A6 = A5 and A7 = A5 + A6.
    EXPECT_EQ(gInstance.nsums, 3);
    const Sum* b1 = sumAt(0, 0, 1);
    ASSERT_NE(b1, nullptr);
    EXPECT_EQ(termsOf(b1),
              (std::vector<std::string>{"cell0_0_1:-1", "cell0_1_0:1", "cell0_0_0:1"}));
    EXPECT_STREQ(b1->text, "=SUM(RC[-1])+R[1]C[-1]");
    EXPECT_EQ(cellOf(0, 2, 0), nullptr) << "A3 is no cell of the table";
    EXPECT_EQ(cellOf(0, 0, 2), nullptr) << "C1 is no cell of the table";
    EXPECT_EQ(useCountSum(), 8);
}

// A prefix naming a sheet the workbook does not have (here a sheet of another
// workbook) is reported, and the formula is not made a sum: without that
// sheet's cells the equation would be wrong.
TEST_F(FormulaTest, UnknownSheetInAFormulaIsReportedAndNoSumIsMade) {
    const std::string other = host::newWorkbook();
    put("[" + other + "]Sheet1!A1", "1");
    std::string error;
    const std::vector<std::string> books = host::windows();
    ASSERT_TRUE(host::activateWorkbook(books.back(), error)) << error;
    put("A1", "2");
    put("A2", "3");
    put("A3", "=SUM(A1:A2)");
    put("B1", "=SUM([" + other + "]Sheet1!A1,A1)");
    ASSERT_EQ(fLookup(), 0);
    acceptOptions();
    ASSERT_EQ(fAddsums(), 0);
    EXPECT_EQ(user.alertTexts(),
              (std::vector<std::string>{
                  " Error in formula! Could not find worksheet from formula in actual workbook!"}));
    EXPECT_EQ(gInstance.nsums, 1);
    EXPECT_EQ(sumAt(0, 0, 1), nullptr);
    EXPECT_EQ(cellOf(0, 0, 0)->useCount, 1) << "only A3's sum uses A1";
}

// A range over a whole column costs the used rows only, and counts the cells
// found.
TEST_F(FormulaTest, WholeColumnRangeReadsTheCellsOfTheGrid) {
    put("A1", "1");
    put("A2", "2");
    put("B1", "=SUM(A1:A65536)");
    ASSERT_EQ(captureWithDefaults(), 0);
    const Sum* b1 = sumAt(0, 0, 1);
    ASSERT_NE(b1, nullptr);
    EXPECT_EQ(b1->termCount, 3);
    EXPECT_EQ(termsOf(b1),
              (std::vector<std::string>{"cell0_0_1:-1", "cell0_1_0:1", "cell0_0_0:1"}));
}

}  // namespace
}  // namespace capture_test
