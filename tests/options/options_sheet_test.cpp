// The options property sheet as sum detection shows it: what each page shows,
// which texts each box takes and refuses with which message, when values are
// taken, and the options the captured cells end up with.
#include <functional>

#include "tests/capture/capture_fixture.h"

namespace capture_test {
namespace {

using testui::click;
using testui::enter;
using testui::page;
using testui::shownText;

const char* const kBaseMessage = " This Edit Box allows only decimal numbers of the form 2.4711";
const char* const kNotPositive = " The base number must be a positive number, such as 10 or 2.5.";
const char* const kFloorMessage =
    " This Edit Box allows only decimal numbers of the form 2.4711 and the key word \"-inf\"";
const char* const kInfMessage =
    " This Edit Box allows only decimal numbers of the form 2.4711 and the key word \"inf\"";

class OptionsSheetTest : public CaptureTest {
  protected:
    // 1 in A1, 2 in A2, =SUM(A1:A2) in A3, scanned; the sheet is played by
    // `steps` when sum detection shows it.
    int captureWith(std::function<void(gui::ModalWindow&)> steps) {
        put("A1", "1");
        put("A2", "2");
        put("A3", "=SUM(A1:A2)");
        if (fLookup() != 0) return -1;
        onOptions(std::move(steps));
        return fAddsums();
    }
};

TEST_F(OptionsSheetTest, SheetHasItsCaptionAndFivePagesInOrder) {
    ASSERT_EQ(captureWith([](gui::ModalWindow& w) {
                  EXPECT_EQ(w.caption(), " Quorant");
                  ASSERT_EQ(w.pageCount(), 5);
                  EXPECT_EQ(w.pageTitle(0), "Instance Info");
                  EXPECT_EQ(w.pageTitle(1), "General Options");
                  EXPECT_EQ(w.pageTitle(2), "Bounds");
                  EXPECT_EQ(w.pageTitle(3), "Protection Levels");
                  EXPECT_EQ(w.pageTitle(4), "Edit Equations");
                  EXPECT_EQ(w.activePageIndex(), 0);
                  EXPECT_EQ(w.currentForm()->className(), std::string("CPropPage"));
                  EXPECT_EQ(w.userOk(), "");
              }),
              0);
}

TEST_F(OptionsSheetTest, InstanceInfoCountsAndOriginBoxesOnlyDisplay) {
    ASSERT_EQ(captureWith([](gui::ModalWindow& w) {
                  EXPECT_EQ(shownText(w, 12004), "3");
                  EXPECT_EQ(shownText(w, 12003), "2");
                  EXPECT_EQ(shownText(w, 12005), "1");
                  EXPECT_EQ(testui::checkState(w, 12017), gui::kChecked);
                  EXPECT_EQ(testui::checkState(w, 12018), gui::kUnchecked);
                  EXPECT_EQ(click(w, 12017), "");
                  EXPECT_EQ(click(w, 12019), "");
                  EXPECT_EQ(testui::checkState(w, 12017), gui::kChecked);
                  EXPECT_EQ(testui::checkState(w, 12019), gui::kUnchecked);
                  EXPECT_EQ(w.userOk(), "");
              }),
              0);
    EXPECT_EQ(gInstance.origin, InstanceOrigin::Worksheet);
}

TEST_F(OptionsSheetTest, GeneralOptionsShowWholeAndFractionalBases) {
    gOptions.basenumber = 2.5;
    gOptions.timelim = 7;
    gOptions.maxJump = 2;
    gOptions.randomWeights = 1;
    ASSERT_EQ(captureWith([](gui::ModalWindow& w) {
                  EXPECT_EQ(page(w, "General Options"), "");
                  EXPECT_EQ(shownText(w, 12003), "2.500000");
                  EXPECT_EQ(shownText(w, 12005), "7");
                  EXPECT_EQ(shownText(w, 12015), "2");
                  EXPECT_EQ(testui::checkState(w, 12019), gui::kChecked);
                  EXPECT_EQ(testui::checkState(w, 12017), gui::kChecked);
                  EXPECT_EQ(testui::checkState(w, 12018), gui::kUnchecked);
                  EXPECT_FALSE(testui::enabled(w, 12020)) << "only for database-style tables";
                  EXPECT_EQ(enter(w, 12003, "10"), "");
                  EXPECT_EQ(page(w, "Bounds"), "");
                  EXPECT_EQ(page(w, "General Options"), "");
                  EXPECT_EQ(shownText(w, 12003), "10");
                  EXPECT_EQ(w.userOk(), "");
              }),
              0);
    EXPECT_EQ(gOptions.basenumber, 10);
    EXPECT_TRUE(user.messageBoxes.empty());
}

// Every character that is neither a digit nor '.' gives one message and puts
// the last shown text back: 1e3 one message, ab two.
TEST_F(OptionsSheetTest, WrongCharactersInTheBaseAreUndoneWithOneMessageEach) {
    ASSERT_EQ(captureWith([](gui::ModalWindow& w) {
                  EXPECT_EQ(page(w, "General Options"), "");
                  EXPECT_EQ(enter(w, 12003, "1e3"), "");
                  EXPECT_EQ(shownText(w, 12003), "10");
                  EXPECT_EQ(enter(w, 12003, "ab"), "");
                  EXPECT_EQ(shownText(w, 12003), "10");
                  EXPECT_EQ(w.userOk(), "");
              }),
              0);
    EXPECT_EQ(user.messageTexts(),
              (std::vector<std::string>{kBaseMessage, kBaseMessage, kBaseMessage}));
    EXPECT_EQ(user.messageBoxes[0].caption, "Quorant");
    EXPECT_EQ(gOptions.basenumber, 10);
}

// A base of 0 (or nothing) cannot give a rounding: the page says so and stays
// open; nothing of the page is taken until the base is positive.
TEST_F(OptionsSheetTest, BaseThatIsNotPositiveKeepsThePageOpen) {
    ASSERT_EQ(captureWith([](gui::ModalWindow& w) {
                  EXPECT_EQ(page(w, "General Options"), "");
                  EXPECT_EQ(click(w, 12019), "");  // auditing off
                  EXPECT_EQ(enter(w, 12003, "0"), "");
                  EXPECT_NE(page(w, "Bounds"), "") << "the page must not be left";
                  EXPECT_EQ(w.activePageIndex(), 1);
                  EXPECT_EQ(enter(w, 12003, ""), "");
                  EXPECT_NE(w.userOk(), "") << "OK must be refused";
                  EXPECT_FALSE(w.isEnded());
                  EXPECT_EQ(gOptions.auditing, 1) << "nothing taken from a refused page";
                  EXPECT_EQ(enter(w, 12003, "0.5"), "");
                  EXPECT_EQ(w.userOk(), "");
              }),
              0);
    EXPECT_EQ(user.messageTexts(), (std::vector<std::string>{kNotPositive, kNotPositive}));
    EXPECT_EQ(gOptions.basenumber, 0.5);
    EXPECT_EQ(gOptions.auditing, 0);
    // Untouched bounds follow the final base: 1 + 2 x 0.5.
    EXPECT_EQ(cellOf(0, 0, 0)->ubd, 2);
}

TEST_F(OptionsSheetTest, DigitsOnlyBoxesDropOtherCharactersAndHugeCountsSaturate) {
    ASSERT_EQ(captureWith([](gui::ModalWindow& w) {
                  EXPECT_EQ(page(w, "General Options"), "");
                  EXPECT_EQ(enter(w, 12005, "1x2"), "");
                  EXPECT_EQ(shownText(w, 12005), "12");
                  EXPECT_EQ(enter(w, 12015, "99999999999"), "");
                  EXPECT_EQ(w.userOk(), "");
              }),
              0);
    EXPECT_EQ(gOptions.timelim, 12);
    EXPECT_EQ(gOptions.maxJump, 2147483647) << "not a wrapped negative number";
}

// The seed of the random weights: a box for the random weights only, empty
// for a new seed each run, a whole number up to 4294967295 otherwise.
TEST_F(OptionsSheetTest, SeedBoxServesTheRandomWeightsOnly) {
    const char* const kSeedMessage =
        " The seed of the random weights is a whole number from 0 to 4294967295; leave the box "
        "empty for a new seed in each run.";
    ASSERT_EQ(captureWith([&](gui::ModalWindow& w) {
                  EXPECT_EQ(page(w, "General Options"), "");
                  EXPECT_FALSE(testui::enabled(w, 12022)) << "no seed without random weights";
                  EXPECT_EQ(click(w, 12017), "");
                  EXPECT_TRUE(testui::enabled(w, 12022));
                  EXPECT_EQ(enter(w, 12022, "4294967296"), "");
                  EXPECT_NE(w.userOk(), "") << "a seed past 32 bits is refused";
                  EXPECT_EQ(enter(w, 12022, "4294967295"), "");
                  EXPECT_EQ(w.userOk(), "");
              }),
              0);
    EXPECT_EQ(user.messageTexts(), (std::vector<std::string>{kSeedMessage}));
    EXPECT_EQ(gOptions.randomWeights, 1);
    EXPECT_EQ(gOptions.weightsSeedSet, 1);
    EXPECT_EQ(gOptions.weightsSeed, 4294967295u);
    unloadInstance();

    // Shown again as kept; emptied, each run draws its own.
    ASSERT_EQ(captureWith([&](gui::ModalWindow& w) {
                  EXPECT_EQ(page(w, "General Options"), "");
                  EXPECT_EQ(shownText(w, 12022), "4294967295");
                  EXPECT_EQ(enter(w, 12022, ""), "");
                  EXPECT_EQ(w.userOk(), "");
              }),
              0);
    EXPECT_EQ(gOptions.weightsSeedSet, 0);
}

TEST_F(OptionsSheetTest, BoundsPageShowsItsDefaultsAndTakesKeywords) {
    gOptions.basenumber = 2.5;
    ASSERT_EQ(captureWith([](gui::ModalWindow& w) {
                  EXPECT_EQ(page(w, "Bounds"), "");
                  EXPECT_EQ(shownText(w, 12003), "0");
                  EXPECT_EQ(shownText(w, 12005), "5.000000");
                  EXPECT_EQ(shownText(w, 12004), "inf");
                  EXPECT_EQ(shownText(w, 12006), "5.000000");
                  EXPECT_EQ(enter(w, 12003, "3"), "");
                  EXPECT_EQ(gOptions.lbFloor, 3);
                  EXPECT_EQ(enter(w, 12003, "-inf  "), "");
                  EXPECT_EQ(gOptions.lbFloorInf, 1);
                  EXPECT_EQ(gOptions.lbFloor, 3) << "the keyword keeps the number";
                  EXPECT_EQ(enter(w, 12005, "5,5"), "");
                  EXPECT_EQ(gOptions.lbDist, 5) << "5,5 passes the test and is read as 5";
                  EXPECT_EQ(enter(w, 12004, "inf"), "");
                  EXPECT_EQ(gOptions.ubCapInf, 1);
                  EXPECT_EQ(w.userOk(), "");
              }),
              0);
    EXPECT_TRUE(user.messageBoxes.empty());
    // lbd = v - 5 (X is -inf); ubd = v + 5 (Z is inf).
    EXPECT_EQ(cellOf(0, 0, 0)->lbd, -4);
    EXPECT_EQ(cellOf(0, 2, 0)->ubd, 8);
}

// Wrong text is reported and the box takes the focus back, but the number at
// its start is still taken (0 when there is none); "inf" is no number.
TEST_F(OptionsSheetTest, WrongBoundTextIsReportedFocusedAndReadForItsLeadingNumber) {
    ASSERT_EQ(captureWith([](gui::ModalWindow& w) {
                  EXPECT_EQ(page(w, "Bounds"), "");
                  EXPECT_EQ(testui::type(w, 12006, "7 units"), "");
                  EXPECT_NE(w.currentForm()->userFocus(12004), "");
                  EXPECT_EQ(w.currentForm()->focusedId(), 12006);
                  EXPECT_EQ(gOptions.ubDist, 7);
                  EXPECT_EQ(gOptions.ubDistInf, 0);
                  EXPECT_EQ(enter(w, 12006, "7"), "");
                  EXPECT_EQ(enter(w, 12003, "inf"), "");  // the floor's keyword is -inf
                  EXPECT_EQ(w.currentForm()->focusedId(), 12003);
                  EXPECT_EQ(gOptions.lbFloor, 0);
                  EXPECT_EQ(gOptions.lbFloorInf, 0);
                  EXPECT_EQ(enter(w, 12003, "2"), "");
                  EXPECT_EQ(w.userOk(), "");
              }),
              0);
    EXPECT_EQ(user.messageTexts(), (std::vector<std::string>{kInfMessage, kFloorMessage}));
    EXPECT_EQ(gOptions.lbFloor, 2);
    EXPECT_EQ(cellOf(0, 0, 0)->ubd, 8);
    EXPECT_EQ(cellOf(0, 0, 0)->lbd, 2);
}

// Without any bound typed, OK gives the bounds of the final base number, also
// when the Bounds page was looked at before the base was changed.
TEST_F(OptionsSheetTest, UntouchedBoundsFollowTheFinalBase) {
    ASSERT_EQ(captureWith([](gui::ModalWindow& w) {
                  EXPECT_EQ(page(w, "Bounds"), "");
                  EXPECT_EQ(page(w, "General Options"), "");
                  EXPECT_EQ(enter(w, 12003, "5"), "");
                  EXPECT_EQ(w.userOk(), "");
              }),
              0);
    EXPECT_EQ(gOptions.lbDist, 10);
    EXPECT_EQ(gOptions.ubDist, 10);
    EXPECT_EQ(cellOf(0, 2, 0)->ubd, 13);
    EXPECT_EQ(cellOf(0, 2, 0)->lbd, 0);
}

// Only a box that loses the focus is taken: the base changed first, then only
// the cap typed; the distances keep the values set before the sheet opened
// (2 x the base of the capture), not the texts the page shows, and the bounds
// no longer follow the base. A page shown again shows its prepared texts.
TEST_F(OptionsSheetTest, TypedBoundTakesOnlyItsOwnBoxAndThePageShowsItsTextsAgain) {
    ASSERT_EQ(captureWith([](gui::ModalWindow& w) {
                  EXPECT_EQ(page(w, "General Options"), "");
                  EXPECT_EQ(enter(w, 12003, "5"), "");
                  EXPECT_EQ(page(w, "Bounds"), "");
                  EXPECT_EQ(shownText(w, 12005), "10.000000");
                  EXPECT_EQ(enter(w, 12004, "12"), "");
                  EXPECT_EQ(page(w, "General Options"), "");
                  EXPECT_EQ(page(w, "Bounds"), "");
                  EXPECT_EQ(shownText(w, 12004), "inf") << "the prepared text, not the typed";
                  EXPECT_EQ(w.userOk(), "");
              }),
              0);
    EXPECT_EQ(gOptions.lbDist, 20) << "a box never left must not be read";
    EXPECT_EQ(gOptions.ubDist, 20);
    EXPECT_EQ(gOptions.ubCap, 12) << "showing the page again must not undo what was taken";
    EXPECT_EQ(gOptions.ubCapInf, 0);
    EXPECT_EQ(cellOf(0, 0, 0)->ubd, 12);
    EXPECT_EQ(cellOf(0, 2, 0)->ubd, 12);
}

// 100 + 200 = 300 with base 5 when the Bounds page is made: passing through the
// lower-distance box without typing takes the 10 it shows, and the bounds stay
// the user's when the base goes back to 10 (lower bound 100 - 10, upper bound
// 100 + 2 x 10 from before the sheet).
TEST_F(OptionsSheetTest, BoxLeftWithoutTypingTakesWhatItShows) {
    put("A1", "100");
    put("A2", "200");
    put("A3", "=SUM(A1:A2)");
    ASSERT_EQ(fLookup(), 0);
    onOptions([](gui::ModalWindow& w) {
        EXPECT_EQ(page(w, "General Options"), "");
        EXPECT_EQ(enter(w, 12003, "5"), "");
        EXPECT_EQ(page(w, "Bounds"), "");
        EXPECT_EQ(w.currentForm()->focusedId(), gui::kNoFocus) << "opening the page takes nothing";
        EXPECT_EQ(w.currentForm()->userLeave(12005), "");
        EXPECT_EQ(page(w, "General Options"), "");
        EXPECT_EQ(enter(w, 12003, "10"), "");
        EXPECT_EQ(w.userOk(), "");
    });
    ASSERT_EQ(fAddsums(), 0);
    EXPECT_EQ(gOptions.basenumber, 10);
    EXPECT_EQ(gOptions.lbDist, 10);
    EXPECT_EQ(cellOf(0, 0, 0)->lbd, 90);
    EXPECT_EQ(cellOf(0, 0, 0)->ubd, 120);
    EXPECT_TRUE(user.messageBoxes.empty());
}

TEST_F(OptionsSheetTest, ProtectionLevelsShowTheOptionsAndFollowTheRadioButtons) {
    ASSERT_EQ(captureWith([](gui::ModalWindow& w) {
                  EXPECT_EQ(page(w, "Protection Levels"), "");
                  EXPECT_EQ(shownText(w, 12003), "0.000000");
                  EXPECT_EQ(shownText(w, 12005), "0.000000");
                  EXPECT_EQ(shownText(w, 12015), "inf");
                  EXPECT_EQ(testui::checkState(w, 12049), gui::kChecked);
                  EXPECT_FALSE(testui::enabled(w, 12003));
                  EXPECT_EQ(click(w, 12050), "");
                  EXPECT_TRUE(testui::enabled(w, 12003));
                  EXPECT_EQ(enter(w, 12003, "4"), "");
                  EXPECT_EQ(enter(w, 12005, "4"), "");
                  EXPECT_EQ(gOptions.lplValue, 4);
                  // Back to the default: whatever the boxes show, no levels.
                  EXPECT_EQ(click(w, 12049), "");
                  EXPECT_FALSE(testui::enabled(w, 12005));
                  EXPECT_EQ(w.userOk(), "");
              }),
              0);
    EXPECT_EQ(gOptions.lplValue, 0);
    EXPECT_EQ(gOptions.uplValue, 0);
    EXPECT_EQ(gOptions.lplAll, 1);
    EXPECT_EQ(gOptions.uplAll, 1);
    for (const Cell* c = gInstance.cellList; c; c = c->next) {
        EXPECT_EQ(c->lpl, 0);
        EXPECT_EQ(c->status, 's');
    }
}

TEST_F(OptionsSheetTest, InfInTheThresholdAfterANumberProtectsEveryCell) {
    ASSERT_EQ(captureWith([](gui::ModalWindow& w) {
                  EXPECT_EQ(page(w, "Protection Levels"), "");
                  EXPECT_EQ(click(w, 12050), "");
                  EXPECT_EQ(enter(w, 12003, "1"), "");
                  EXPECT_EQ(enter(w, 12015, "2"), "");
                  EXPECT_EQ(gOptions.lplAll, 0);
                  EXPECT_EQ(gOptions.uplThreshold, 2);
                  EXPECT_EQ(enter(w, 12015, "inf"), "");
                  EXPECT_EQ(gOptions.lplAll, 1);
                  EXPECT_EQ(gOptions.uplAll, 1);
                  EXPECT_EQ(page(w, "Bounds"), "");
                  EXPECT_EQ(page(w, "Protection Levels"), "");
                  EXPECT_EQ(testui::checkState(w, 12050), gui::kChecked);
                  EXPECT_EQ(shownText(w, 12003), "1.000000");
                  EXPECT_EQ(shownText(w, 12015), "inf");
                  EXPECT_EQ(w.userOk(), "");
              }),
              0);
    for (const Cell* c = gInstance.cellList; c; c = c->next) {
        EXPECT_EQ(c->lpl, 1) << c->name;
        EXPECT_EQ(c->upl, 0);
        EXPECT_EQ(c->status, 'u');
    }
    EXPECT_TRUE(user.messageBoxes.empty()) << "level boxes take any text silently";
}

TEST_F(OptionsSheetTest, SecondsInTheSheetAreKept) {
    gInstance.optionsSeconds = -1;
    ASSERT_EQ(captureWith([](gui::ModalWindow& w) { EXPECT_EQ(w.userOk(), ""); }), 0);
    EXPECT_GE(gInstance.optionsSeconds, 0);
}

}  // namespace
}  // namespace capture_test
