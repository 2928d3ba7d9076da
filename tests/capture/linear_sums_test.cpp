// Totals written as formulas that add and subtract cells: the reader of such
// formulas, the equations sum detection makes of them (plus totals, SUMs with
// subtracted cells, several SUMs, sheets, link cells, R1C1 entry), and the
// formulas that are no equations, whose cells leave the table together with
// every total that adds them.
#include <algorithm>

#include "capture/linear_formula.h"
#include "host/host.h"
#include "tests/capture/capture_fixture.h"

namespace capture_test {
namespace {

using LinearSumsTest = CaptureTest;

// "+R[-1]C", "-SUM:R1C1:R2C1" for each item, to compare readings at a glance.
std::vector<std::string> itemsOf(const std::string& formula) {
    std::vector<LinearItem> items;
    std::vector<std::string> out;
    if (!parseLinearFormula(formula, items)) return {"refused"};
    auto axis = [](char letter, const Axis& a) {
        return std::string(1, letter) +
               (a.absolute ? std::to_string(a.value)
                           : (a.value ? "[" + std::to_string(a.value) + "]" : ""));
    };
    for (const LinearItem& i : items) {
        std::string text = i.sign > 0 ? "+" : "-";
        if (i.first.hasSheet) text += i.first.sheet + "!";
        text += axis('R', i.first.row) + axis('C', i.first.col);
        if (i.range) text += ":" + axis('R', i.last.row) + axis('C', i.last.col);
        out.push_back(text);
    }
    return out;
}

TEST(LinearFormula, SignedReferencesRangesInSumAndGroups) {
    using V = std::vector<std::string>;
    EXPECT_EQ(itemsOf("=R[-2]C+R[-1]C"), (V{"+R[-2]C", "+R[-1]C"}));
    EXPECT_EQ(itemsOf("=SUM(R[-8]C:R[-1]C)-R[-5]C"), (V{"+R[-8]C:R[-1]C", "-R[-5]C"}));
    EXPECT_EQ(itemsOf("=SUM(R2C2:R4C2)+SUM(R6C2:R8C2)"), (V{"+R2C2:R4C2", "+R6C2:R8C2"}));
    EXPECT_EQ(itemsOf("=Sheet2!R7C2+'My sheet'!R7C2"), (V{"+Sheet2!R7C2", "+My sheet!R7C2"}));
    EXPECT_EQ(itemsOf("=-R1C1+(R2C1-(R3C1-R4C1))"), (V{"-R1C1", "+R2C1", "-R3C1", "+R4C1"}));
    EXPECT_EQ(itemsOf("=+R[-6]C"), (V{"+R[-6]C"})) << "a link cell";
    EXPECT_EQ(itemsOf("= sum(RC[-26]:RC[-1]) - RC[-2]"), (V{"+RC[-26]:RC[-1]", "-RC[-2]"}));
    EXPECT_EQ(itemsOf("=SUM(R1C1,SUM(R2C1:R3C1))-R4C1"), (V{"+R1C1", "+R2C1:R3C1", "-R4C1"}));
    // Anything else: other operators and functions, constants, a range
    // outside SUM, texts, intersections, unbalanced or endless nesting.
    for (const char* other :
         {"=R1C1/R2C1", "=R1C1*2", "=R1C1+5", "=ROUND(R1C1,0)", "=R1C1:R2C1", "=\"a\"+R1C1",
          "=R1C1 R2C1", "=(R1C1", "=SUM(R1C1", "=", "=-", "=R1C1+", "R1C1+R2C1", "=SUM()",
          "=SUM(R1C1)*2", "=AVERAGE(R1C1:R2C1)", "=R1C1^2", "=R1C1&R2C1", "=SUMIF(R1C1)"})
        EXPECT_EQ(itemsOf(other), V{"refused"}) << other;
    EXPECT_EQ(itemsOf("=" + std::string(100, '(') + "R1C1" + std::string(100, ')')), V{"refused"});
}

// A county's totals written =K10+K11+...: the total and its parts, each
// once, written back as the formula it was.
TEST_F(LinearSumsTest, PlusTotalsAreEquations) {
    put("B1", "5");
    put("B2", "7");
    put("B3", "9");
    put("B4", "=B1+B2+B3");
    ASSERT_EQ(captureWithDefaults(), 0);
    ASSERT_EQ(gInstance.nsums, 1);
    const Sum* sum = sumAt(0, 3, 1);
    ASSERT_NE(sum, nullptr);
    EXPECT_EQ(termsOf(sum), (std::vector<std::string>{"cell0_3_1:-1", "cell0_2_1:1", "cell0_1_1:1",
                                                      "cell0_0_1:1"}));
    EXPECT_EQ(sum->fromFormula, 1) << "written back as the formula it was";
    EXPECT_STREQ(sum->text, "=R[-3]C+R[-2]C+R[-1]C");
}

// =SUM(B1:B5)-B3 leaves B3 out, and two SUMs add both ranges; a formula
// entered in R1C1 reads as the same equation.
TEST_F(LinearSumsTest, SubtractedCellsAndSeveralSums) {
    for (int r = 1; r <= 5; ++r) put("B" + std::to_string(r), std::to_string(r * 10));
    put("B6", "=SUM(B1:B5)-B3");
    put("C1", "=SUM(B1:B2)+SUM(B4:B5)");
    std::string error;
    ASSERT_TRUE(host::setCellFormula("D1", "=R1C2+R2C2-R3C2", true, error)) << error;
    ASSERT_EQ(captureWithDefaults(), 0);
    EXPECT_EQ(termsOf(sumAt(0, 5, 1)),
              (std::vector<std::string>{"cell0_5_1:-1", "cell0_4_1:1", "cell0_3_1:1", "cell0_1_1:1",
                                        "cell0_0_1:1"}))
        << "B3 added and subtracted is no part";
    EXPECT_EQ(termsOf(sumAt(0, 0, 2)),
              (std::vector<std::string>{"cell0_0_2:-1", "cell0_4_1:1", "cell0_3_1:1", "cell0_1_1:1",
                                        "cell0_0_1:1"}));
    EXPECT_EQ(termsOf(sumAt(0, 0, 3)), (std::vector<std::string>{"cell0_0_3:-1", "cell0_2_1:-1",
                                                                 "cell0_1_1:1", "cell0_0_1:1"}));
}

// =Sheet2!B7+Sheet3!B7 on Sheet1, and the link cell F14 = E29.
TEST_F(LinearSumsTest, TotalsAcrossSheetsAndLinkCells) {
    put("Sheet2!B7", "12");
    put("Sheet3!B7", "30");
    put("B7", "=Sheet2!B7+Sheet3!B7");
    put("E29", "548");
    put("F14", "=E29");
    ASSERT_EQ(captureWithDefaults(), 0);
    EXPECT_EQ(termsOf(sumAt(0, 6, 1)),
              (std::vector<std::string>{"cell0_6_1:-1", "cell2_6_1:1", "cell1_6_1:1"}));
    const Sum* link = sumAt(0, 13, 5);
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(termsOf(link), (std::vector<std::string>{"cell0_13_5:-1", "cell0_28_4:1"}))
        << "F14 = E29: rounded alike";
    EXPECT_STREQ(link->text, "=R[15]C[-1]");
}

// A cell added twice is no +1/-1 equation; a ratio and a rounding function
// are no equations: their cells leave the table and keep their formulas, and
// so does every total that adds them, also through a chain of totals.
TEST_F(LinearSumsTest, OtherFormulasAndTheTotalsThatAddThemLeaveTheTable) {
    put("A1", "4");
    put("A2", "6");
    put("A3", "=A1+A1");
    put("B1", "=A1/A2");
    put("B2", "=ROUND(A2,0)");
    put("B3", "=SUM(B1:B2)");  // adds a ratio
    put("B4", "=B3");          // adds that total
    put("C1", "=B4+A1");       // and so on
    put("A4", "=A1+A2");       // a real total
    ASSERT_EQ(captureWithDefaults(), 0);
    EXPECT_EQ(gInstance.nsums, 1);
    EXPECT_NE(sumAt(0, 3, 0), nullptr);
    for (const char* gone : {"A3", "B1", "B2", "B3", "B4", "C1"}) {
        const int row = gone[1] - '1', col = gone[0] - 'A';
        EXPECT_EQ(cellOf(0, row, col), nullptr) << gone << " is no cell of the table";
    }
    const auto has = [&](const std::string& text) {
        return std::find(user.statuses.begin(), user.statuses.end(), text) != user.statuses.end();
    };
    EXPECT_TRUE(
        has("3 formulas are no sums or differences of cells: they keep their formulas "
            "and are no cells of the table: Sheet1!B1:B2, Sheet1!A3"));
    EXPECT_TRUE(
        has("3 totals add a cell that is no cell of the table: they keep their formulas "
            "and are no equations: Sheet1!B3 (adds Sheet1!B1), Sheet1!B4 (adds "
            "Sheet1!B3), Sheet1!C1 (adds Sheet1!B4)"))
        << "reasons name the cell that is no cell of the table";
}

}  // namespace
}  // namespace capture_test
