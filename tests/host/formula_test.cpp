// Formulas: A1 and R1C1 texts both ways, and evaluation on demand.
#include "host/address.h"
#include "host_test_util.h"

namespace {

using namespace hosttest;

class FormulaTest : public HostTest {
  protected:
    void SetUp() override {
        HostTest::SetUp();
        host::newWorkbook();
    }
    // The formula of a cell as xlfGetFormula gives it (R1C1 under xlIntl).
    std::string formulaOf(const std::string& sheet, int row, int col, bool r1c1) {
        Answer a = call(xlfGetFormula | (r1c1 ? xlIntl : 0), {cellRef(sheetId(sheet), row, col)});
        EXPECT_EQ(a.code, xlretSuccess);
        return a.value.str;
    }
};

TEST_F(FormulaTest, FormulaEnteredInA1ReadsBackInBothNotations) {
    struct Case {
        const char* cell;
        int row, col;
        const char* a1;
        const char* r1c1;
    } cases[] = {
        {"A3", 2, 0, "=SUM(A1:A2)", "=SUM(R[-2]C:R[-1]C)"},                   // relative
        {"C5", 4, 2, "=$B$2*2", "=R2C2*2"},                                   // absolute
        {"D4", 3, 3, "=B$2+$C3", "=R2C[-2]+R[-1]C3"},                         // mixed
        {"B1", 0, 1, "=SUM(Sheet2!A1:A4)", "=SUM(Sheet2!RC[-1]:R[3]C[-1])"},  // other sheet
        {"E7", 6, 4, "=AVERAGE(A1,B2:C3,-4.5)/2",
         "=AVERAGE(R[-6]C[-4],R[-5]C[-3]:R[-4]C[-2],-4.5)/2"},
        {"A1", 0, 0, "=FOO(B1,\"x\"\"y\")", "=FOO(RC[1],\"x\"\"y\")"},     // unknown function kept
        {"C2", 1, 2, "=SUM(B:B)+SUM($A:B)", "=SUM(C[-1])+SUM(C1:C[-1])"},  // whole columns
        {"C3", 2, 2, "=SUM(1:2)*Sheet2!$4:$4", "=SUM(R[-2]:R[-1])*Sheet2!R4"},  // whole rows
        // a reference into another file keeps its prefix and follows the notation
        {"B2", 1, 1, "=[1]Ext!A1+'[Other book.xlsx]My data'!$C$3",
         "=[1]Ext!R[-1]C[-1]+'[Other book.xlsx]My data'!R3C3"},
    };
    for (const Case& c : cases) {
        enter(std::string("Sheet1!") + c.cell, c.a1);
        EXPECT_EQ(formulaOf("Sheet1", c.row, c.col, false), c.a1) << c.cell;
        EXPECT_EQ(formulaOf("Sheet1", c.row, c.col, true), c.r1c1) << c.cell;
    }
}

TEST_F(FormulaTest, SheetNamesNeedingQuotesAreQuotedAndFollowRenames) {
    ASSERT_EQ(call(xlcWorkbookName, {str("Sheet2"), str("My sheet")}).code, xlretSuccess);
    enter("Sheet1!A1", "='My sheet'!B2+1");
    EXPECT_EQ(formulaOf("Sheet1", 0, 0, false), "='My sheet'!B2+1");
    EXPECT_EQ(formulaOf("Sheet1", 0, 0, true), "='My sheet'!R[1]C[1]+1");
    enter("'My sheet'!B2", "41");
    EXPECT_EQ(cellValue("Sheet1!A1"), num(42));
    // A renamed sheet is still the one referred to.
    ASSERT_EQ(call(xlcWorkbookName, {str("[Book1]My sheet"), str("Data")}).code, xlretSuccess);
    EXPECT_EQ(formulaOf("Sheet1", 0, 0, false), "=Data!B2+1");
    EXPECT_EQ(cellValue("Sheet1!A1"), num(42));
}

TEST_F(FormulaTest, R1C1EnteredUnderIntlReadsBackInA1) {
    uint32_t id = sheetId("Sheet1");
    ASSERT_EQ(call(xlcFormula | xlIntl, {str("=SUM(R[-3]C:R[-1]C)"), cellRef(id, 3, 1)}).code,
              xlretSuccess);
    EXPECT_EQ(formulaOf("Sheet1", 3, 1, false), "=SUM(B1:B3)");
    ASSERT_EQ(call(xlcFormula | xlIntl, {str("=AVERAGE(R2C3:R5C3)"), cellRef(id, 0, 0)}).code,
              xlretSuccess);
    EXPECT_EQ(formulaOf("Sheet1", 0, 0, false), "=AVERAGE($C$2:$C$5)");
    // Without the flag formulas are read in A1 notation, where R[-1]C is no reference.
    EXPECT_EQ(call(xlcFormula, {str("=SUM(R[-1]C)"), cellRef(id, 5, 0)}).code, xlretFailed);
}

TEST_F(FormulaTest, ArithmeticFollowsSpreadsheetPrecedence) {
    struct Case {
        const char* formula;
        Value expected;
    } cases[] = {
        {"=1+2*3", num(7)},
        {"=(1+2)*3", num(9)},
        {"=-2^2", num(4)},
        {"=2^3^2", num(64)},
        {"=10/4", num(2.5)},
        {"=50%", num(0.5)},
        {"=1/0", Value::error(xlerrDiv0)},
        {"=\"a\"&1.5", str("a1.5")},
        {"=3>2", boolean(true)},
        {"=\"2\"+1", num(3)},
        {"=\"x\"+1", Value::error(xlerrValue)},
    };
    for (const Case& c : cases) {
        enter("A1", c.formula);
        EXPECT_EQ(cellValue("A1"), c.expected) << c.formula;
    }
}

TEST_F(FormulaTest, SumAndAverageOverRangesArgumentsAndSheets) {
    enter("Sheet2!A1", "1");
    enter("Sheet2!A2", "2");
    enter("Sheet2!A3", "text");  // texts in ranges are left out
    enter("Sheet2!A4", "4");
    enter("Sheet1!A1", "=SUM(Sheet2!A1:A4)");
    EXPECT_EQ(cellValue("Sheet1!A1"), num(7));
    enter("Sheet1!A2", "=AVERAGE(Sheet2!A1:A4)");
    EXPECT_EQ(cellValue("Sheet1!A2"), num(7.0 / 3));
    enter("Sheet1!A3", "=SUM(Sheet2!A1,Sheet2!A4,10)");
    EXPECT_EQ(cellValue("Sheet1!A3"), num(15));
    enter("Sheet1!A4", "=AVERAGE(Sheet1!Z1:Z9)");
    EXPECT_EQ(cellValue("Sheet1!A4"), Value::error(xlerrDiv0));
    // An error inside a range passes through SUM.
    enter("Sheet2!A2", "=1/0");
    EXPECT_EQ(cellValue("Sheet1!A1"), Value::error(xlerrDiv0));
}

TEST_F(FormulaTest, WholeColumnsAndRows) {
    enter("A1", "1");
    enter("A70", "2");
    enter("B5", "=SUM(A:A)");
    EXPECT_EQ(cellValue("B5"), num(3));
    enter("D1", "4");
    enter("B6", "=SUM(1:1)");
    EXPECT_EQ(cellValue("B6"), num(5));
    uint32_t id = sheetId();
    ASSERT_EQ(call(xlcFormula | xlIntl, {str("=SUM(C[-1]:C[-1])"), cellRef(id, 0, 1)}).code,
              xlretSuccess);
    EXPECT_EQ(formulaOf("Sheet1", 0, 1, false), "=SUM(A:A)");
    EXPECT_EQ(cellValue("B1"), num(3));
}

TEST_F(FormulaTest, ValuesAreCurrentAfterEveryWrite) {
    enter("A1", "1");
    enter("A2", "2");
    enter("A3", "=SUM(A1:A2)");
    enter("A4", "=A3*10");
    EXPECT_EQ(cellValue("A4"), num(30));
    uint32_t id = sheetId();
    ASSERT_EQ(call(xlSet, {cellRef(id, 0, 0), num(5)}).code, xlretSuccess);
    EXPECT_EQ(cellValue("A4"), num(70));
    Answer a = call(xlCoerce, {cellRef(id, 2, 0)});
    EXPECT_EQ(a.value, num(7));
}

TEST_F(FormulaTest, CyclesGiveAnErrorValue) {
    enter("A1", "=B1+1");
    enter("B1", "=A1+1");
    EXPECT_TRUE(cellValue("A1").isErr());
    EXPECT_TRUE(cellValue("B1").isErr());
    enter("C5", "=SUM(C1:C5)");  // a range holding its own cell
    EXPECT_TRUE(cellValue("C5").isErr());
    // Breaking the cycle makes the values numbers again.
    enter("B1", "3");
    EXPECT_EQ(cellValue("A1"), num(4));
}

TEST_F(FormulaTest, LongChainsOfFormulasDoNotExhaustTheStack) {
    enter("A1", "1");
    enter("A2:A30000", "=A1+1");  // relative: each cell adds one to the cell above
    EXPECT_EQ(cellValue("A30000"), num(30000));
}

TEST_F(FormulaTest, LongSumsWorkAndOverlongFormulasAreRefused) {
    std::string sum = "=1";
    for (int i = 0; i < 2000; ++i) sum += "+1";
    enter("A1", sum);
    EXPECT_EQ(cellValue("A1"), num(2001));
    host::CellInfo info;
    std::string error;
    ASSERT_TRUE(host::readCell("A1", info, error));
    EXPECT_EQ(info.formulaA1, sum);
    // A counted string holds at most 255 characters.
    EXPECT_EQ(formulaOf("Sheet1", 0, 0, false), sum.substr(0, 255));
    for (int i = 0; i < 2100; ++i) sum += "+1";  // past 8192 characters
    EXPECT_EQ(call(xlcFormula, {str(sum), cellRef(sheetId(), 1, 0)}).code, xlretFailed);
}

// The host cannot compute these: it answers #N/A (not a made-up value) and
// keeps the formula for the spreadsheet program.
TEST_F(FormulaTest, UnknownFunctionsAndNamesAreNotAvailableButKeepTheirText) {
    enter("A1", "=VLOOKUP(1,B1:C4,2)");
    EXPECT_EQ(cellValue("A1"), Value::error(xlerrNA));
    EXPECT_EQ(formulaOf("Sheet1", 0, 0, false), "=VLOOKUP(1,B1:C4,2)");
    enter("A2", "=Rate*2");
    EXPECT_EQ(cellValue("A2"), Value::error(xlerrNA));
    enter("A3", "=A2+1");  // what depends on them is not available either
    EXPECT_EQ(cellValue("A3"), Value::error(xlerrNA));
}

TEST_F(FormulaTest, ReferencesToAClosedWorkbookBecomeRefErrors) {
    std::string other = host::newWorkbook();  // Book2, now active
    enter("[" + other + "]Sheet1!A1", "5");
    enter("[Book1]Sheet1!A1", "=[" + other + "]Sheet1!A1*2");
    EXPECT_EQ(cellValue("[Book1]Sheet1!A1"), num(10));
    std::string error;
    ASSERT_TRUE(host::closeWorkbook(other, error)) << error;
    EXPECT_EQ(cellValue("[Book1]Sheet1!A1"), Value::error(xlerrRef));
}

TEST_F(FormulaTest, CopiedFormulasMoveTheirRelativeReferences) {
    enter("A1", "1");
    enter("B1", "2");
    enter("A2", "=A1*10+$B$1");
    uint32_t id = sheetId();
    ASSERT_EQ(call(xlcCopy, {cellRef(id, 1, 0), cellRef(id, 1, 1)}).code, xlretSuccess);
    EXPECT_EQ(formulaOf("Sheet1", 1, 1, false), "=B1*10+$B$1");
    EXPECT_EQ(cellValue("B2"), num(22));
}

TEST(AddressText, ColumnsCellsAndAreas) {
    EXPECT_EQ(host::columnLetters(0), "A");
    EXPECT_EQ(host::columnLetters(25), "Z");
    EXPECT_EQ(host::columnLetters(26), "AA");
    EXPECT_EQ(host::columnLetters(255), "IV");
    auto r = host::parseA1Area("$C$4:B3");
    ASSERT_TRUE(r);
    EXPECT_EQ(*r, (host::Rect{2, 1, 3, 2}));
    EXPECT_FALSE(host::parseA1Area("IW1"));     // past the last column
    EXPECT_FALSE(host::parseA1Area("A65537"));  // past the last row
    EXPECT_EQ(host::parseR1C1Area("R65536C256"), (host::Rect{65535, 255, 65535, 255}));
    EXPECT_EQ(host::sheetPrefix("Sheet1 - p.i."), "'Sheet1 - p.i.'!");
    EXPECT_EQ(host::sheetPrefix("O'Neil"), "'O''Neil'!");
    EXPECT_EQ(host::sheetPrefix("A1"), "'A1'!");  // would read as a cell
}

}  // namespace
