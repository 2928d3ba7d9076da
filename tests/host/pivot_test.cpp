// Pivot tables made by the wizard, fields and data added, questions about
// them, and rebuilding one in place as the rounding command does.
#include "host_test_util.h"

namespace {

using namespace hosttest;

class PivotTest : public HostTest {
  protected:
    uint32_t id = 0;
    void SetUp() override {
        HostTest::SetUp();
        host::newWorkbook();
        id = sheetId();
        // Region, Type, Value: (A,x,5) (A,y,7) (B,x,1) (A,x,2)
        const char* rows[][3] = {{"Region", "Type", "Value"},
                                 {"A", "x", "5"},
                                 {"A", "y", "7"},
                                 {"B", "x", "1"},
                                 {"A", "x", "2"}};
        for (int r = 0; r < 5; ++r)
            for (int c = 0; c < 3; ++c)
                enter(std::string(1, static_cast<char>('A' + c)) + std::to_string(r + 1),
                      rows[r][c]);
    }
    void build(const std::string& name, int destRow, int destCol) {
        ASSERT_EQ(call(xlcPivotTableWizard,
                       {num(1), ref(id, 0, 0, 4, 2), cellRef(id, destRow, destCol), str(name),
                        boolean(true), boolean(true), boolean(true), boolean(true), missing()})
                      .code,
                  xlretSuccess);
        ASSERT_EQ(call(xlcPivotAddFields,
                       {str(name), str("Region"), str("Type"), missing(), boolean(true)})
                      .code,
                  xlretSuccess);
        ASSERT_EQ(call(xlfPivotAddData, {str(name), str("Value"), missing(), missing(), missing(),
                                         missing(), missing(), missing(), missing()})
                      .code,
                  xlretSuccess);
    }
};

TEST_F(PivotTest, TheWizardAndAddedFieldsComputeCrossTabulatedSums) {
    build("PT", 0, 5);  // from F1
    // F1 "Sum of Value", G1 "Type"; G2 x, H2 y, I2 Grand Total; F3 "Region";
    // F4 A: 7 7 14; F5 B: 1 (none) 1; F6 Grand Total: 8 7 15.
    EXPECT_EQ(cellValue("F1"), str("Sum of Value"));
    EXPECT_EQ(cellValue("G1"), str("Type"));
    EXPECT_EQ(cellValue("G2"), str("x"));
    EXPECT_EQ(cellValue("H2"), str("y"));
    EXPECT_EQ(cellValue("I2"), str("Grand Total"));
    EXPECT_EQ(cellValue("F3"), str("Region"));
    EXPECT_EQ(cellValue("F4"), str("A"));
    EXPECT_EQ(cellValue("G4"), num(7));
    EXPECT_EQ(cellValue("H4"), num(7));
    EXPECT_EQ(cellValue("I4"), num(14));
    EXPECT_EQ(cellValue("G5"), num(1));
    EXPECT_TRUE(cellValue("H5").isNil());
    EXPECT_EQ(cellValue("F6"), str("Grand Total"));
    EXPECT_EQ(cellValue("I6"), num(15));

    EXPECT_EQ(call(xlfGetDocument, {num(70)}).value, str("PT"));
    EXPECT_EQ(call(xlfGetCell, {num(54), cellRef(id, 3, 6)}).value, str("PT"));
    EXPECT_EQ(call(xlfGetCell, {num(55), cellRef(id, 5, 8)}).value, str("PT"));
    EXPECT_TRUE(call(xlfGetCell, {num(54), cellRef(id, 0, 0)}).value.isErr());
    EXPECT_EQ(call(xlfGetPivotTable, {num(7), str("PT")}).value, texts({"Region"}));
    EXPECT_EQ(call(xlfGetPivotTable, {num(8), str("PT")}).value, texts({"Type"}));
    EXPECT_TRUE(call(xlfGetPivotTable, {num(9), str("PT")}).value.isErr());  // no page fields
    EXPECT_EQ(call(xlfGetPivotTable, {num(10), str("PT")}).value, texts({"Sum of Value"}));
    EXPECT_EQ(call(xlfGetPivotTable, {num(12), str("PT")}).value, str("Sheet1!$F$1:$I$6"));
    EXPECT_EQ(call(xlfGetPivotField, {num(15), str("Sum of Value"), str("PT")}).value,
              str("Value"));
    EXPECT_TRUE(call(xlfGetPivotTable, {num(1), str("Nothing")}).value.isErr());
}

TEST_F(PivotTest, SeveralPivotTablesAnswerAnArrayOfNames) {
    EXPECT_TRUE(call(xlfGetDocument, {num(70)}).value.isErr());
    build("First", 0, 5);
    build("Second", 10, 5);
    EXPECT_EQ(call(xlfGetDocument, {num(70)}).value, texts({"First", "Second"}));
    // Unknown fields are refused and leave the table as it was.
    EXPECT_EQ(call(xlcPivotAddFields, {str("First"), str("Nope")}).code, xlretFailed);
    EXPECT_EQ(call(xlfGetPivotTable, {num(7), str("First")}).value, texts({"Region"}));
}

TEST_F(PivotTest, RebuildingInPlaceAfterTheSourceChanged) {
    build("PT", 0, 5);
    enter("C2", "50");  // the source changes: A/x becomes 52
    // The rounding command's way: area text -> reference -> select -> clear,
    // then wizard, fields and data again at the same place.
    Value area = call(xlfGetPivotTable, {num(12), str("PT")}).value;
    Answer r = call(xlfTextref, {area, boolean(true)});
    ASSERT_TRUE(r.value.isRef());
    ASSERT_EQ(call(xlcSelect, {r.value}).code, xlretSuccess);
    ASSERT_EQ(call(xlcClear).code, xlretSuccess);
    EXPECT_TRUE(call(xlfGetDocument, {num(70)}).value.isErr()) << "a cleared table is gone";
    EXPECT_TRUE(cellValue("I6").isNil());
    build("PT", r.value.areas[0].row1, r.value.areas[0].col1);
    EXPECT_EQ(cellValue("G4"), num(52));
    EXPECT_EQ(cellValue("I6"), num(60));
}

TEST_F(PivotTest, PageFieldsAndSeveralDataFields) {
    ASSERT_EQ(
        call(xlcPivotTableWizard, {num(1), ref(id, 0, 0, 4, 2), cellRef(id, 0, 5), str("P")}).code,
        xlretSuccess);
    ASSERT_EQ(call(xlcPivotAddFields, {str("P"), str("Region"), missing(), str("Type")}).code,
              xlretSuccess);
    ASSERT_EQ(call(xlfPivotAddData, {str("P"), str("Value")}).code, xlretSuccess);
    ASSERT_EQ(call(xlfPivotAddData, {str("P"), str("Value"), str("Again")}).code, xlretSuccess);
    // F1 "Type" G1 "(All)"; row 2 blank; F3 "Values"; F4 data names row; F5 "Region".
    EXPECT_EQ(cellValue("F1"), str("Type"));
    EXPECT_EQ(cellValue("G1"), str("(All)"));
    EXPECT_EQ(cellValue("F3"), str("Values"));
    EXPECT_EQ(cellValue("G4"), str("Sum of Value"));
    EXPECT_EQ(cellValue("H4"), str("Again"));
    EXPECT_EQ(cellValue("F5"), str("Region"));
    EXPECT_EQ(cellValue("F6"), str("A"));
    EXPECT_EQ(cellValue("G6"), num(14));
    EXPECT_EQ(cellValue("H6"), num(14));
    EXPECT_EQ(cellValue("G8"), num(15));
    EXPECT_EQ(call(xlfGetPivotTable, {num(9), str("P")}).value, texts({"Type"}));
}

}  // namespace
