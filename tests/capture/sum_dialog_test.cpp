// The add-sums dialog on the host's dialog box: what each showing offers, hand-
// entered equations, removal, the advanced options and how each closing ends.
#include "capture/sum_dialog.h"

#include <deque>
#include <map>
#include <memory>

#include "host/host.h"
#include "shell/host_values.h"
#include "tests/capture/capture_fixture.h"

namespace capture_test {
namespace {

using SumDialogTest = CaptureTest;

// Row numbers of the definition tables.
constexpr int kOkRow = 2, kLeftRow = 5, kRightRow = 7, kAddRow = 14, kRemoveRow = 15, kListRow = 16,
              kBaseRow = 18;

// The user fills rows of the dialog box and presses a button.
testui::QueuedUser::BoxStep press(int button, std::map<int, std::string> entries = {}) {
    return [button, entries](host::DialogTable& t) {
        for (const auto& [row, text] : entries) t.cells[size_t(row)][6] = text;
        t.pressed = button;
        return true;
    };
}

testui::QueuedUser::BoxStep cancelBox() {
    return [](host::DialogTable&) { return false; };
}

// The options sheet: the user opens the add-sums dialog from its last page,
// then presses OK on the sheet.
void editEquationsThenOk(testui::QueuedUser& user) {
    user.onWindow([](gui::ModalWindow& w) {
        EXPECT_EQ(testui::page(w, "Edit Equations"), "");
        EXPECT_EQ(testui::click(w, 12011), "");
        EXPECT_EQ(w.userOk(), "");
    });
}

// A returned table of the advanced dialog, as readAdvancedOptions reads it:
// every result column empty except the rows given.
struct ReturnedTable {
    std::vector<XLOPER> items;
    std::deque<CountedText> texts;
    XLOPER value{};
    explicit ReturnedTable(std::map<int, std::string> results) : items(51 * 7) {
        for (XLOPER& v : items) v.xltype = xltypeNil;
        for (const auto& [row, text] : results) {
            texts.emplace_back(text);
            items[size_t(row) * 7 + 6] = *texts.back().value();
        }
        value.xltype = xltypeMulti;
        value.val.array.lparray = items.data();
        value.val.array.rows = 51;
        value.val.array.columns = 7;
    }
};

TEST_F(SumDialogTest, WithoutSumsOkAndRemoveAreDimmedAndTheListSaysSo) {
    put("B1", "2");
    ASSERT_EQ(fLookup(), 0);
    user.onDialogBox(cancelBox());
    gOptions.keepLoaded = 1;  // cancelling then keeps the instance
    EXPECT_EQ(fSumdialog(nullptr), -1);
    ASSERT_EQ(user.dialogBoxes.size(), 1u);
    const host::DialogTable& t = user.dialogBoxes[0];
    EXPECT_EQ(t.cells[0][5], "Controlled rounding - Add sums");
    EXPECT_EQ(t.cells[kOkRow][0], "201");
    EXPECT_EQ(t.cells[kRemoveRow][0], "203");
    EXPECT_EQ(t.lists[kListRow], (std::vector<std::string>{"No sums loaded."}));
    EXPECT_EQ(t.cells[10][5], "1") << "cells found";
    EXPECT_EQ(t.cells[12][5], "0");
    EXPECT_EQ(t.cells[20][5], "0");
    EXPECT_EQ(t.cells[kBaseRow][6], "10");
    EXPECT_EQ(t.cells[22][0], "13") << "keep box usable for a worksheet instance";
    EXPECT_EQ(t.cells[22][6], "1");
    EXPECT_NE(gInstance.cellList, nullptr);
}

TEST_F(SumDialogTest, FiftyOneSumsAreNotListedButCanBeRemoved) {
    for (int row = 1; row <= 51; ++row) {
        put("A" + std::to_string(row), "1");
        put("B" + std::to_string(row), "=SUM(A" + std::to_string(row) + ")");
    }
    ASSERT_EQ(fLookup(), 0);
    user.onDialogBox(press(kOkRow));
    editEquationsThenOk(user);
    ASSERT_EQ(fAddsums(), 0);
    ASSERT_EQ(user.dialogBoxes.size(), 1u);
    const host::DialogTable& t = user.dialogBoxes[0];
    EXPECT_EQ(t.lists[kListRow], (std::vector<std::string>{"No sums loaded."}));
    EXPECT_EQ(t.cells[kRemoveRow][0], "3");
    EXPECT_EQ(t.cells[kOkRow][0], "1");
    EXPECT_EQ(t.cells[12][5], "51");
    host::Value list;
    ASSERT_TRUE(host::definedName("EQUATION_List1", list));
    EXPECT_EQ(gInstance.nsums, 51);
}

// B1 = 2, B2 = 3, B3 = 5 typed as SUM(R1C2:R2C2) = SUM(R3C2): one sum of three
// terms at the head, left side -1 and right side +1, each cell used once.
TEST_F(SumDialogTest, HandEnteredBalancedEquationIsAddedAtTheHead) {
    put("B1", "2");
    put("B2", "3");
    put("B3", "5");
    ASSERT_EQ(fLookup(), 0);
    user.onDialogBox(press(kAddRow, {{kLeftRow, "R1C2:R2C2"}, {kRightRow, "R3C2"}}));
    user.onDialogBox(press(kOkRow));
    editEquationsThenOk(user);
    ASSERT_EQ(fAddsums(), 0);

    ASSERT_EQ(gInstance.nsums, 1);
    const Sum* sum = gInstance.sumList;
    EXPECT_EQ(sum->fromFormula, 0);
    EXPECT_EQ(sum->termCount, 3);
    EXPECT_EQ(termsOf(sum),
              (std::vector<std::string>{"cell0_2_1:1", "cell0_1_1:-1", "cell0_0_1:-1"}));
    for (int row = 0; row < 3; ++row) EXPECT_EQ(cellOf(0, row, 1)->useCount, 1);
    ASSERT_EQ(user.dialogBoxes.size(), 2u);
    const host::DialogTable& again = user.dialogBoxes[1];
    EXPECT_EQ(again.cells[20][5], "1") << "one sum not from the sheet";
    EXPECT_EQ(again.lists[kListRow], (std::vector<std::string>{"(1)*R2C1+(-1)*R1C1+(-1)*R0C1=0"}));
    EXPECT_EQ(again.cells[kOkRow][0], "1");
    EXPECT_TRUE(user.alerts.empty());
}

TEST_F(SumDialogTest, UnbalancedEquationIsRefusedAndChangesNothing) {
    put("A1", "1");
    put("A2", "1");
    put("A3", "=SUM(A1:A2)");
    put("B1", "2");
    put("B2", "3");
    put("B3", "6");
    ASSERT_EQ(fLookup(), 0);
    user.onDialogBox(press(kAddRow, {{kLeftRow, "R1C2:R2C2"}, {kRightRow, "R3C2"}}));
    user.onDialogBox([](host::DialogTable& t) {
        // Still one sum, and the B cells still unused.
        EXPECT_EQ(gInstance.nsums, 1);
        EXPECT_EQ(cellOf(0, 0, 1)->useCount, 0);
        EXPECT_EQ(cellOf(0, 1, 1)->useCount, 0);
        EXPECT_EQ(cellOf(0, 2, 1)->useCount, 0);
        EXPECT_EQ(t.lists[kListRow].size(), 1u);
        t.pressed = kOkRow;
        return true;
    });
    editEquationsThenOk(user);
    ASSERT_EQ(fAddsums(), 0);
    ASSERT_EQ(user.alerts.size(), 1u);
    EXPECT_EQ(user.alerts[0].text, "Something is wrong with the sum.");
    EXPECT_EQ(user.alerts[0].type, 0) << "shown without a type";
    EXPECT_EQ(gInstance.ncells, 3) << "the B cells are in no sum and removed";
}

TEST_F(SumDialogTest, UnknownCellsOnEachSideAreReportedAsTheSideAsks) {
    put("A1", "1");
    put("A2", "1");
    ASSERT_EQ(fLookup(), 0);
    ASSERT_EQ(addHandEquation("R5C5", "R1C1"), -2);
    ASSERT_EQ(addHandEquation("R1C1", "R5C5"), -2);
    ASSERT_EQ(addHandEquation("R1C1:R3C1", "R1C1"), -2) << "1 + 1 is not 1";
    EXPECT_EQ(user.alertTexts(),
              (std::vector<std::string>{
                  "Marced cell is not in list of cell with values! (If this cell is not empty, "
                  "excecute read cells to update that list. Else marc a cell with numeric value.)",
                  "Something is wrong with the sum.", "Cell not in list!",
                  "Something is wrong with the sum.", " Cell not in list!",
                  "Something is wrong with the sum."}));
    EXPECT_EQ(gInstance.sumList, nullptr);
    EXPECT_EQ(useCountSum(), 0);
    EXPECT_EQ(addHandEquation("", "R1C1"), 0) << "an empty side adds nothing";
    EXPECT_EQ(gInstance.sumList, nullptr);
}

TEST_F(SumDialogTest, RangeFarOutsideTheSheetIsReportedOnce) {
    put("A1", "1");
    put("A2", "1");
    put("C1", "2");
    ASSERT_EQ(fLookup(), 0);
    ASSERT_EQ(addHandEquation("R1C1:R2000000C1", "R1C3"), 0);
    EXPECT_EQ(user.alertTexts(), (std::vector<std::string>{" Cell not in list!"}));
    ASSERT_NE(gInstance.sumList, nullptr);
    EXPECT_EQ(gInstance.sumList->termCount, 3);
}

// Both sides name only empty places: the equation has no term, holds
// trivially and is added, but sum detection deletes it with the one-term sums.
// The keep box of the dialog sets keepLoaded for a worksheet instance.
TEST_F(SumDialogTest, EquationWithoutTermsIsDeletedBySumDetection) {
    put("A1", "1");
    put("A2", "=SUM(A1)");
    ASSERT_EQ(fLookup(), 0);
    user.onDialogBox(press(kAddRow, {{kLeftRow, "R50C50:R51C50"}, {kRightRow, "R60C60:R61C60"}}));
    user.onDialogBox([](host::DialogTable& t) {
        EXPECT_EQ(gInstance.nsums, 2);
        EXPECT_EQ(gInstance.sumList->termCount, 0);
        EXPECT_EQ(t.lists[kListRow].front(), "=0");
        t.cells[22][6] = "1";
        t.pressed = kOkRow;
        return true;
    });
    editEquationsThenOk(user);
    ASSERT_EQ(fAddsums(), 0);
    EXPECT_EQ(gInstance.nsums, 1);
    EXPECT_EQ(gInstance.sumList->fromFormula, 1);
    EXPECT_EQ(user.alertTexts(),
              (std::vector<std::string>{" Cell not in list!", "Cell not in list!"}));
    EXPECT_EQ(gOptions.keepLoaded, 1);
}

// Four sums in list order; the third list entry selected and Remove pressed
// removes the third sum from the head.
TEST_F(SumDialogTest, RemoveTakesTheSelectedEntry) {
    for (const char* col : {"A", "B", "C", "D"}) {
        put(std::string(col) + "1", "1");
        put(std::string(col) + "2", "=SUM(" + std::string(col) + "1)");
    }
    ASSERT_EQ(fLookup(), 0);
    std::vector<const Sum*> order;
    user.onDialogBox([&order](host::DialogTable& t) {
        for (const Sum* s = gInstance.sumList; s; s = s->next) order.push_back(s);
        EXPECT_EQ(t.lists[kListRow].size(), 4u);
        t.cells[kListRow][6] = "3";
        t.pressed = kRemoveRow;
        return true;
    });
    user.onDialogBox([&order](host::DialogTable& t) {
        EXPECT_EQ(t.lists[kListRow].size(), 3u);
        std::vector<const Sum*> now;
        for (const Sum* s = gInstance.sumList; s; s = s->next) now.push_back(s);
        EXPECT_EQ(now, (std::vector<const Sum*>{order[0], order[1], order[3]}));
        t.pressed = kOkRow;
        return true;
    });
    editEquationsThenOk(user);
    ASSERT_EQ(fAddsums(), 0);
    EXPECT_EQ(gInstance.nsums, 3);
    EXPECT_EQ(gInstance.ncells, 6) << "the removed sum's two cells are redundant now";
}

TEST_F(SumDialogTest, LongEquationTextsAreCutToWhatTheHostHolds) {
    for (int row = 1; row <= 30; ++row) put("A" + std::to_string(row), "1");
    put("A31", "=SUM(A1:A30)");
    put("C1", "1");
    put("C2", "=SUM(C1)");
    ASSERT_EQ(fLookup(), 0);
    user.onDialogBox(press(kOkRow));
    editEquationsThenOk(user);
    ASSERT_EQ(fAddsums(), 0);
    const std::vector<std::string>& list = user.dialogBoxes.at(0).lists[kListRow];
    // The sum of the last formula scanned (C2) heads the list.
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], "(-1)*R1C2+(1)*R0C2=0");
    EXPECT_EQ(list[1].size(), 255u);
    EXPECT_EQ(list[1].substr(0, 21), "(-1)*R30C0+(1)*R29C0+");
    EXPECT_EQ(list[1].substr(252), "...");
}

TEST_F(SumDialogTest, CancelReleasesTheInstanceWhileTheSheetIsOpen) {
    put("A1", "1");
    put("A2", "=SUM(A1)");
    ASSERT_EQ(fLookup(), 0);
    user.onDialogBox(cancelBox());
    editEquationsThenOk(user);
    EXPECT_EQ(fAddsums(), 1);
    EXPECT_EQ(user.alertTexts(),
              (std::vector<std::string>{"There are no equations and therefore there is no QTB!"}));
    EXPECT_EQ(gInstance.cellList, nullptr);
}

// The advanced dialog, shown for the first time after the simple one: the
// distances receive twice the base number, the other rows the options.
TEST_F(SumDialogTest, FirstAdvancedShowingOffersTwiceTheBase) {
    put("A1", "1");
    put("A2", "1");
    put("A3", "2");
    ASSERT_EQ(fLookup(), 0);
    ASSERT_EQ(addHandEquation("R1C1:R2C1", "R3C1"), 0);
    gOptions.basenumber = 2.5;
    gOptions.timelim = 7;
    gOptions.maxJump = 3;
    sumDialogState.advancedMode = 1;
    ReturnedTable previous({});
    user.onDialogBox(press(kOkRow, {{39, "-inf"}, {40, "5"}, {kBaseRow, "4"}}));
    EXPECT_EQ(fSumdialog(&previous.value), 1);
    const host::DialogTable& t = user.dialogBoxes.at(0);
    EXPECT_EQ(t.cells[0][5], "Controlled rounding - Add sums advanced options");
    EXPECT_EQ(t.cells[40][6], "5");
    EXPECT_EQ(t.cells[42][6], "5");
    EXPECT_EQ(t.cells[48][6], "7");
    EXPECT_EQ(t.cells[50][6], "3");
    EXPECT_EQ(t.cells[kBaseRow][6], "2.5");
    EXPECT_EQ(t.cells[45][0], "13");
    EXPECT_EQ(gOptions.lbFloorInf, 1);
    EXPECT_EQ(gOptions.lbDistInf, 0);
    EXPECT_EQ(gOptions.lbDist, 5);
    EXPECT_EQ(gOptions.basenumber, 4);
}

TEST_F(SumDialogTest, AdvancedValueWithWordsAfterABlankIsRejected) {
    put("A1", "1");
    ASSERT_EQ(fLookup(), 0);
    ASSERT_EQ(addHandEquation("R1C1", "R1C1"), 0);
    sumDialogState.advancedMode = 1;
    ReturnedTable previous({});
    user.onDialogBox(press(kOkRow, {{40, "5 x"}}));
    EXPECT_EQ(fSumdialog(&previous.value), -1);
    ASSERT_EQ(user.alerts.size(), 1u);
    EXPECT_EQ(user.alerts[0].text,
              "Value y in lb = max { x,y } must be a numerical value or 'inf'!");
    EXPECT_EQ(user.alerts[0].type, 1);
    EXPECT_EQ(user.dialogBoxes.size(), 1u) << "the dialog is not shown again";
}

TEST(AdvancedOptions, NumbersKeywordsAndRejections) {
    gOptions = RoundingOptions{};
    gOptions.setLbd = gOptions.setUbd = gOptions.setLpl = gOptions.setUpl = 1;
    {
        ReturnedTable t({{39, "12abc"}, {40, "inf   "}, {41, "500"}, {42, "7"}, {33, "3"}});
        EXPECT_EQ(readAdvancedOptions(t.value), 0);
        EXPECT_EQ(gOptions.lbFloor, 12) << "12abc is taken as 12";
        EXPECT_EQ(gOptions.lbDistInf, 1) << "trailing blanks are trimmed";
        EXPECT_EQ(gOptions.ubCap, 500);
        EXPECT_EQ(gOptions.ubCapInf, 0);
        EXPECT_EQ(gOptions.ubDist, 7);
    }
    // Infinite numbers are not numbers here: each bound has its keyword.
    for (const char* text : {"inf", "1e999", "nan"}) {
        ReturnedTable t({{39, text}, {40, "1"}, {41, "1"}, {42, "1"}});
        EXPECT_EQ(readAdvancedOptions(t.value), -1) << text;
        EXPECT_EQ(gOptions.lbFloor, 12) << text;
    }
}

TEST(AdvancedOptions, ProtectionOptionsSetLevelsAndThresholds) {
    gOptions = RoundingOptions{};
    gOptions.setLpl = gOptions.setUpl = 1;
    {
        ReturnedTable t({{33, "2"}, {38, "40"}});
        EXPECT_EQ(readAdvancedOptions(t.value), 0);
        EXPECT_EQ(gOptions.lplAll, 0);
        EXPECT_EQ(gOptions.uplAll, 0);
        EXPECT_EQ(gOptions.lplThreshold, 40);
        EXPECT_EQ(gOptions.uplThreshold, 40);
        EXPECT_EQ(gOptions.lplValue, 1);
        EXPECT_EQ(gOptions.uplValue, 2);
    }
    {
        ReturnedTable t({{33, "1"}, {37, "abc def"}});
        EXPECT_EQ(readAdvancedOptions(t.value), -1);
    }
    {
        ReturnedTable t({{33, "3"}});
        EXPECT_EQ(readAdvancedOptions(t.value), 0);
        EXPECT_EQ(gOptions.lplValue, 0);
        EXPECT_EQ(gOptions.uplValue, 0);
        EXPECT_EQ(gOptions.lplAll, 1);
        EXPECT_EQ(gOptions.uplAll, 1);
    }
    gOptions = RoundingOptions{};
}

// A base that is not positive cannot give a rounding: the dialog keeps the
// base it had and says so. A negative time limit or jump keeps its value too.
TEST_F(SumDialogTest, BaseThatIsNotPositiveAndNegativeCountsKeepTheirValues) {
    put("A1", "1");
    ASSERT_EQ(fLookup(), 0);
    ASSERT_EQ(addHandEquation("R1C1", "R1C1"), 0);
    for (const char* base : {"0", "-3", "abc", ""}) {
        sumDialogState.advancedMode = 1;
        ReturnedTable previous({});
        user.onDialogBox(press(kOkRow, {{kBaseRow, base}, {48, "-5"}, {50, "-1"}}));
        EXPECT_EQ(fSumdialog(&previous.value), 1) << base;
        EXPECT_EQ(gOptions.basenumber, 10) << base;
        EXPECT_EQ(gOptions.timelim, 10);
        EXPECT_EQ(gOptions.maxJump, 0);
        ASSERT_FALSE(user.alerts.empty());
        EXPECT_EQ(user.alerts.back().text,
                  "The base number must be a positive number; it stays at 10.");
    }
}

}  // namespace
}  // namespace capture_test
