// The random instance dialog played as a person plays it: what it shows at
// the start, the defaults of empty fields, the forms of the dimension text,
// the checks that refuse a request before the sheet is touched, the overwrite
// question, the bracketed name of a one-sheet workbook, and its options and
// buttons.
#include "random/rinst_dialog.h"

#include <fstream>

#include "gui/dialog.h"
#include "random/tables.h"
#include "tests/random_db/table_test_support.h"

namespace {

using tabletest::sheetText;
using tabletest::valueAt;

class RInstDialogTest : public tabletest::TableTest {
  protected:
    // Types the fields (id, text) into the dialog, clicks "Generate Instance"
    // `clicks` times and then presses the button `close`.
    void play(std::vector<std::pair<int, std::string>> fields, int clicks = 1,
              int close = gui::IDOK) {
        driver.play = [=, this](gui::ModalWindow& w) {
            gui::Dialog* d = w.currentForm();
            ASSERT_EQ(std::string(w.className()), "RInstDialog");
            for (const auto& [id, text] : fields) {
                if (text == "on" || text == "off") {
                    if ((d->isChecked(id) == gui::kChecked) != (text == "on")) {
                        EXPECT_EQ(d->userClick(id), "");
                    }
                } else {
                    EXPECT_EQ(d->userType(id, text), "");
                }
            }
            for (int i = 0; i < clicks; ++i) EXPECT_EQ(d->userClick(rinst::kGenerate), "");
            result = d->itemText(rinst::kResult);
            if (close == gui::IDOK)
                d->userOk();
            else
                d->userCancel();
        };
        ASSERT_EQ(QTBTXfGenerate(), 0);
    }
    std::string result;
};

std::vector<double> internalValues(int n) {
    std::vector<double> v;
    for (int row = 1; row <= n; ++row) v.push_back(valueAt(row, int(gInstance.maxCol) - 1).num);
    return v;
}

TEST_F(RInstDialogTest, ShowsItsDefaultsAndEmptyFieldsMakeATwoToTheFourTable) {
    host::newWorkbook();
    setComputationalTestOpener(nullptr);
    driver.play = [this](gui::ModalWindow& w) {
        gui::Dialog* d = w.currentForm();
        EXPECT_EQ(w.caption(), "Generate Random Instance");
        EXPECT_EQ(d->focusedId(), rinst::kGenerate);
        EXPECT_EQ(d->isChecked(rinst::kIntegers), gui::kChecked);
        EXPECT_EQ(d->isChecked(rinst::kClearSheet), gui::kChecked);
        EXPECT_EQ(d->isChecked(rinst::kNewWorkbook), gui::kUnchecked);
        EXPECT_FALSE(d->isItemEnabled(rinst::kPivot));
        EXPECT_FALSE(d->isItemEnabled(rinst::kTests));  // no test dialog to open
        for (int id : {rinst::kSeed, rinst::kFrom, rinst::kTo})
            EXPECT_EQ(d->control(id)->limit, 128u);
        EXPECT_EQ(d->userClick(rinst::kGenerate), "");
        result = d->itemText(rinst::kResult);
        d->userOk();
    };
    ASSERT_EQ(QTBTXfGenerate(), 0);
    EXPECT_EQ(result, kResultGenerated);
    EXPECT_EQ(gInstance.ncells, 16 + 65);
    EXPECT_EQ(gInstance.nsums, 65);
    EXPECT_EQ(gInstance.origin, InstanceOrigin::Random);
    EXPECT_EQ(gOptions.keepLoaded, 1);
    for (double v : internalValues(16)) EXPECT_TRUE(v >= 1 && v <= 50 && v == int(v)) << v;
}

TEST_F(RInstDialogTest, DimensionFormsAndAOnePointRange) {
    EXPECT_EQ(parseCategoryCounts({" ,x, 2,,-1"}), (std::vector<int32_t>{2, -1}));
    host::newWorkbook();
    play({{rinst::kCategories, "3,0 4"}});
    EXPECT_EQ(gInstance.ncells, 3 * 4 + 3 + 4 + 1);
    unloadInstance();
    play({{rinst::kCategories, "2\n3"}, {rinst::kFrom, "50"}, {rinst::kTo, "50"}});
    EXPECT_EQ(gInstance.ncells, 12);
    for (double v : internalValues(6)) EXPECT_EQ(v, 50);
}

TEST_F(RInstDialogTest, RefusedEntriesLeaveTheSheetAsItWas) {
    host::newWorkbook();
    std::string error;
    ASSERT_TRUE(host::enterCell("E5", "keep", error));
    struct Case {
        std::vector<std::pair<int, std::string>> fields;
        const char* alert;
    } cases[] = {
        {{{rinst::kZeros, "101"}}, kAlertPercentRange},
        {{{rinst::kFrom, "50"}, {rinst::kTo, "1"}}, kAlertToBelowFrom},
        {{{rinst::kCategories, "3,-2"}}, kAlertCategoryCount},
        {{{rinst::kCategories, "2000 2000 2000"}}, kAlertTableTooLarge},
    };
    for (const Case& c : cases) {
        front.alerts.clear();
        play(c.fields);
        EXPECT_EQ(front.alerts, std::vector<std::string>{c.alert + 1});
        EXPECT_EQ(result, "");
        EXPECT_EQ(sheetText(), "E5: keep\n");
        EXPECT_EQ(gInstance.cellList, nullptr);
    }
}

TEST_F(RInstDialogTest, SecondTableAsksFirstAndCancelKeepsTheFirst) {
    host::newWorkbook();
    front.answers = {false};
    play({{rinst::kCategories, "2,2"}, {rinst::kSeed, "1"}}, 2);
    EXPECT_EQ(front.alerts,
              std::vector<std::string>{"Existing QTB-instance found! Overwrite (OK) or CANCEL?"});
    EXPECT_EQ(gInstance.ncells, 9);
    front.answers = {true};
    play({{rinst::kCategories, "2,3"}});
    EXPECT_EQ(gInstance.ncells, 12);
}

TEST_F(RInstDialogTest, OneSheetWorkbookNamedLikeItsSheetIsFoundByItsBracketedName) {
    std::ofstream("data.csv") << "1;2\n";
    std::string error;
    ASSERT_TRUE(host::openWorkbook("data.csv", error)) << error;
    ASSERT_EQ(host::sheetNames("data"), std::vector<std::string>{"data"});
    play({{rinst::kCategories, "2"}});
    EXPECT_EQ(result, kResultGenerated);
    EXPECT_EQ(gInstance.targetSheet, 0);
    EXPECT_EQ(gInstance.sheetCount, 1);
}

TEST_F(RInstDialogTest, NewWorkbookAndClearActiveSheetOptions) {
    const std::string book = host::newWorkbook();
    std::string error;
    ASSERT_TRUE(host::enterCell("H40", "old", error));
    // Not clearing keeps what the sheet held beside the table; clearing not.
    play({{rinst::kCategories, "2"}, {rinst::kClearSheet, "off"}});
    EXPECT_EQ(valueAt(39, 7).str, "old");
    unloadInstance();
    play({{rinst::kCategories, "2"}, {rinst::kNewWorkbook, "on"}});
    EXPECT_NE(host::activeWorkbook(), book);
    EXPECT_EQ(valueAt(1, 1).type, host::Value::Type::Num);
    ASSERT_TRUE(host::activateWorkbook(book, error));
    unloadInstance();
    play({{rinst::kCategories, "2"}});
    EXPECT_TRUE(valueAt(39, 7).isNil());
}

gui::Dialog* testParent = nullptr;
bool parentMinimised = false;
void openTests(gui::Dialog& parent) {
    testParent = &parent;
    parentMinimised = parent.isMinimized();
}

TEST_F(RInstDialogTest, ComputationalTestsOpenWithTheDialogMinimisedAsParent) {
    host::newWorkbook();
    setComputationalTestOpener(openTests);
    gui::Dialog* self = nullptr;
    bool restored = false;
    driver.play = [&](gui::ModalWindow& w) {
        gui::Dialog* d = w.currentForm();
        self = d;
        EXPECT_TRUE(d->isItemEnabled(rinst::kTests));
        EXPECT_EQ(d->userClick(rinst::kTests), "");
        restored = !d->isMinimized();
        d->userCancel();
    };
    EXPECT_EQ(QTBTXfGenerate(), 0);
    setComputationalTestOpener(nullptr);
    EXPECT_EQ(testParent, self);
    EXPECT_TRUE(parentMinimised);
    EXPECT_TRUE(restored);
    EXPECT_EQ(gInstance.cellList, nullptr);  // Cancel generated nothing
}

}  // namespace
