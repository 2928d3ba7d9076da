// Windows, workbooks, sheets and their names; selections and the last cell.
#include <fstream>

#include "host_test_util.h"

namespace {

using namespace hosttest;

std::vector<std::string> textsOf(const Value& v) {
    std::vector<std::string> out;
    for (const Value& item : v.items) out.push_back(item.str);
    return out;
}

class WindowsTest : public HostTest {};

TEST_F(WindowsTest, NewWorkbooksAndTheNamesOfTheirDocuments) {
    ASSERT_EQ(call(xlcNew, {num(1)}).code, xlretSuccess);
    ASSERT_EQ(call(xlcNew).code, xlretSuccess);
    EXPECT_EQ(host::windows(), (std::vector<std::string>{"Book2", "Book1"}));
    EXPECT_EQ(textsOf(call(xlfGetWorkbook, {num(1)}).value),
              (std::vector<std::string>{"[Book2]Sheet1", "[Book2]Sheet2", "[Book2]Sheet3"}));
    EXPECT_EQ(call(xlfGetWorkbook, {num(1), str("Book1")}).value.items.size(), 3u);
    EXPECT_EQ(call(xlfGetWorkbook, {num(38)}).value, str("[Book2]Sheet1"));
    EXPECT_EQ(call(xlfGetDocument, {num(1)}).value, str("[Book2]Sheet1"));
    EXPECT_EQ(call(xlfGetDocument, {num(88)}).value, str("Book2"));
    EXPECT_EQ(call(xlfGetDocument, {num(87), str("[Book2]Sheet3")}).value, num(3));
    EXPECT_EQ(call(xlfGetDocument, {num(87), str("Sheet2")}).value, num(2));
    EXPECT_TRUE(call(xlfGetDocument, {num(87), str("Nowhere")}).value.isErr());
    EXPECT_TRUE(call(xlSheetId, {str("Nowhere")}).value.isErr());
}

TEST_F(WindowsTest, WithoutAnyWorkbookTheQuestionsAnswerErrorValues) {
    EXPECT_TRUE(call(xlfGetWorkbook, {num(1)}).value.isErr());
    EXPECT_TRUE(call(xlfGetDocument, {num(1)}).value.isErr());
    EXPECT_EQ(call(xlfActiveCell).code, xlretFailed);
    EXPECT_EQ(call(xlcWorkbookInsert).code, xlretFailed);
}

TEST_F(WindowsTest, CopiesComeToTheFrontAndActivateNextAndPrevWalkThem) {
    host::newWorkbook();  // the original, Book1
    enter("Sheet2!B2", "7");
    Value names = call(xlfGetWorkbook, {num(1)}).value;
    ASSERT_EQ(call(xlcWorkbookCopy, {names}).code, xlretSuccess);  // W1
    ASSERT_EQ(call(xlcWorkbookCopy, {names}).code, xlretSuccess);  // W2
    EXPECT_EQ(host::windows(), (std::vector<std::string>{"Book3", "Book2", "Book1"}));
    EXPECT_EQ(host::sheetNames("Book3"), (std::vector<std::string>{"Sheet1", "Sheet2", "Sheet3"}));
    EXPECT_EQ(cellValue("[Book3]Sheet2!B2"), num(7));
    // From the second copy, ActivateNext reaches the first and ActivatePrev
    // comes back.
    ASSERT_EQ(call(xlcActivateNext).code, xlretSuccess);
    EXPECT_EQ(host::activeWorkbook(), "Book2");
    ASSERT_EQ(call(xlcActivatePrev).code, xlretSuccess);
    EXPECT_EQ(host::activeWorkbook(), "Book3");
    // Copies are independent of their original.
    enter("[Book3]Sheet2!B2", "8");
    EXPECT_EQ(cellValue("[Book1]Sheet2!B2"), num(7));
}

TEST_F(WindowsTest, CopyingTheActiveSheetAloneAndFormulasBetweenCopiedSheets) {
    host::newWorkbook();
    enter("Sheet2!A1", "5");
    enter("Sheet1!A1", "=Sheet2!A1*2");
    ASSERT_EQ(call(xlcWorkbookCopy, {texts({"[Book1]Sheet1", "[Book1]Sheet2"})}).code,
              xlretSuccess);
    enter("[Book2]Sheet2!A1", "6");
    // The copied formula follows the copied sheet, not the original.
    EXPECT_EQ(cellValue("[Book2]Sheet1!A1"), num(12));
    EXPECT_EQ(cellValue("[Book1]Sheet1!A1"), num(10));
    std::string error;
    ASSERT_TRUE(host::selectSheet("[Book1]Sheet2", error)) << error;
    ASSERT_EQ(call(xlcWorkbookCopy).code, xlretSuccess);  // the active sheet only
    EXPECT_EQ(host::activeWorkbook(), "Book3");
    EXPECT_EQ(host::sheetNames("Book3"), (std::vector<std::string>{"Sheet2"}));
}

TEST_F(WindowsTest, InsertRenameSelectNextAndClose) {
    host::newWorkbook();
    std::string error;
    ASSERT_TRUE(host::selectSheet("Sheet2", error));
    ASSERT_EQ(call(xlcWorkbookInsert, {num(1)}).code, xlretSuccess);
    EXPECT_EQ(host::sheetNames(""),
              (std::vector<std::string>{"Sheet1", "Sheet4", "Sheet2", "Sheet3"}));
    EXPECT_EQ(host::activeSheet(), "Sheet4");
    EXPECT_EQ(call(xlcWorkbookInsert, {num(2)}).code, xlretFailed);  // not a worksheet
    // Renaming takes the answer of xlfGetWorkbook(3) as it is.
    Value selected = call(xlfGetWorkbook, {num(3)}).value;
    ASSERT_EQ(call(xlcWorkbookName, {selected, str("Sheet4 - p.i.")}).code, xlretSuccess);
    EXPECT_EQ(host::activeSheet(), "Sheet4 - p.i.");
    for (const char* bad : {"Sheet1", "SHEET3", "a[1]", "", "1234567890123456789012345678901x"})
        EXPECT_EQ(call(xlcWorkbookName, {str("Sheet2"), str(bad)}).code, xlretFailed) << bad;
    ASSERT_EQ(call(xlcWorkbookSelect, {str("[Book1]Sheet3")}).code, xlretSuccess);
    EXPECT_EQ(host::activeSheet(), "Sheet3");
    ASSERT_EQ(call(xlcWorkbookNext).code, xlretSuccess);  // the last sheet wraps to the first
    EXPECT_EQ(host::activeSheet(), "Sheet1");
    EXPECT_EQ(call(xlcWorkbookSelect, {str("[Book9]Sheet1")}).code, xlretFailed);
    host::newWorkbook();
    ASSERT_EQ(call(xlcFileClose, {boolean(false)}).code, xlretSuccess);
    EXPECT_EQ(host::windows(), (std::vector<std::string>{"Book1"}));
    ASSERT_EQ(call(xlcFileClose, {num(0)}).code, xlretSuccess);
    EXPECT_EQ(call(xlcFileClose, {num(0)}).code, xlretFailed);
}

TEST_F(WindowsTest, ATextFileIsAOneSheetWorkbookNamedAfterTheFile) {
    {
        std::ofstream f("results_comp.log");
        f << "TestNumber;Objective\n1;12,5\n";
    }
    ASSERT_EQ(call(xlcOpen, {str("results_comp.log"), num(0), boolean(false), num(4)}).code,
              xlretSuccess);
    EXPECT_EQ(host::activeWorkbook(), "results_comp");
    EXPECT_EQ(call(xlfGetDocument, {num(1)}).value, str("results_comp"));
    EXPECT_EQ(textsOf(call(xlfGetWorkbook, {num(1)}).value),
              (std::vector<std::string>{"[results_comp]results_comp"}));
    // The bracketed form the callers build is found in the sheet list.
    EXPECT_EQ(call(xlfGetDocument, {num(87), str("[results_comp]results_comp")}).value, num(1));
    EXPECT_EQ(call(xlSheetId, {str("results_comp")}).value.sheetId, sheetId());
    EXPECT_EQ(cellValue("B2"), num(12.5));
    // A second file of the same name gets a workbook name of its own.
    ASSERT_EQ(call(xlcOpen, {str("results_comp.log")}).code, xlretSuccess);
    EXPECT_EQ(host::activeWorkbook(), "results_comp (2)");
    EXPECT_EQ(call(xlfGetDocument, {num(1)}).value, str("[results_comp (2)]results_comp"));
}

TEST_F(WindowsTest, SelectionsActiveCellAndTheLastUsedCell) {
    host::newWorkbook();
    uint32_t id = sheetId();
    ASSERT_EQ(call(xlcSelectLastCell).code, xlretSuccess);  // empty sheet: A1
    EXPECT_EQ(call(xlfActiveCell).value, cellRef(id, 0, 0));
    enter("B10", "1");
    enter("E3", "x");
    ASSERT_EQ(call(xlcSelectLastCell).code, xlretSuccess);
    // The last row and the last column of the used cells, together.
    EXPECT_EQ(call(xlfActiveCell).value, cellRef(id, 9, 4));
    ASSERT_EQ(call(xlSet, {cellRef(id, 9, 1)}).code, xlretSuccess);  // no value: cleared
    ASSERT_EQ(call(xlcSelectLastCell).code, xlretSuccess);
    EXPECT_EQ(call(xlfActiveCell).value, cellRef(id, 2, 4));

    Value two = Value::ref(id, {host::Rect{0, 0, 1, 1}, host::Rect{4, 2, 5, 3}});
    ASSERT_EQ(call(xlcSelect, {two}).code, xlretSuccess);
    EXPECT_EQ(call(xlfSelection).value, two);
    EXPECT_EQ(call(xlfActiveCell).value, cellRef(id, 0, 0));
    EXPECT_EQ(host::selectionText(), "Sheet1!A1:B2,C5:D6");
    ASSERT_EQ(call(xlcSelect, {str("R2C2:R3C3"), str("R3C3")}).code, xlretSuccess);
    EXPECT_EQ(call(xlfActiveCell).value, cellRef(id, 2, 2));
    // Only the active sheet can be selected on.
    EXPECT_EQ(call(xlcSelect, {cellRef(sheetId("Sheet2"), 0, 0)}).code, xlretFailed);
}

TEST_F(WindowsTest, UnsavedNewWorkbooksAreReported) {
    host::newWorkbook();
    {
        std::ofstream f("plain.csv");
        f << "1,2\n";
    }
    std::string error;
    ASSERT_TRUE(host::openWorkbook("plain.csv", error)) << error;
    EXPECT_EQ(host::unsavedWorkbooks(), (std::vector<std::string>{"Book1"}));
    ASSERT_TRUE(host::saveWorkbook("Book1", "book1.xlsx", error)) << error;
    EXPECT_TRUE(host::unsavedWorkbooks().empty());
    enter("[Book1]Sheet1!A1", "3");
    EXPECT_EQ(host::unsavedWorkbooks(), (std::vector<std::string>{"Book1"}));
    ASSERT_EQ(call(xlcWorkbookCopy, {texts({"[plain]plain"})}).code, xlretSuccess);
    EXPECT_EQ(host::unsavedWorkbooks(), (std::vector<std::string>{"Book2", "Book1"}));
}

}  // namespace
