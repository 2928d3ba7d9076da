// Dialog life cycle and controls, played through a fake driver.
#include <gtest/gtest.h>

#include "tests/gui/fake_driver.h"
#include "tests/gui/sample_templates.h"

using namespace gui;

namespace {

class SampleDialog : public Dialog {
    GUI_DECLARE_CLASS(SampleDialog)
  public:
    explicit SampleDialog(Window* parent = nullptr) : Dialog(kSampleDialog, parent) {
        registerSampleTemplates();
        onEvent(Notification::Clicked, 17, [this] {
            log.push_back("go");
            progress.stepIt();
        });
    }
    std::vector<std::string> log;
    std::string seed = "42";
    int option = 1;
    EditBox lines;
    ListBox list;
    ProgressBar progress;
    bool refocusOnLeave = false;
    std::function<void()> onGo;

  protected:
    bool OnInitDialog() override {
        log.push_back("init");
        Dialog::OnInitDialog();
        list.addString("pear");
        list.addString("apple");
        progress.setRange(0, 4);
        progress.setStep(1);
        return true;
    }
    void OnShowWindow(bool show) override { log.push_back(show ? "show" : "hide"); }
    void DoDataExchange(DataExchange& dx) override {
        log.push_back(dx.saving() ? "save" : "load");
        dx.text(10, seed);
        dx.check(13, option);
        dx.control(11, lines);
        dx.control(15, list);
        dx.control(16, progress);
    }
    void OnKillFocus(int id) override {
        log.push_back("kill " + std::to_string(id));
        if (refocusOnLeave) setFocusTo(id);
    }
    void OnClicked(int id) override { log.push_back("click " + std::to_string(id)); }
    void OnSelChange(int id) override { log.push_back("sel " + std::to_string(id)); }
    void OnDestroy() override { log.push_back("destroy"); }
};
GUI_IMPLEMENT_CLASS(SampleDialog, Dialog);

struct DialogTest : ::testing::Test {
    FakeDriver driver;
    ScopedDriver scoped{&driver};
    void SetUp() override {
        registerSampleTemplates();
        takeUnanswered();
    }
};

TEST_F(DialogTest, ModalRunLoadsShowsPlaysAndStoresInOrder) {
    SampleDialog dlg;
    driver.onModal = [&](ModalWindow& w) {
        Dialog& d = *w.currentForm();
        EXPECT_EQ(d.itemText(10), "42") << "members are loaded into the controls at creation";
        EXPECT_EQ(d.isChecked(13), kChecked);
        EXPECT_EQ(d.userType(10, "7"), "");
        EXPECT_EQ(d.userClick(13), "");
        EXPECT_EQ(d.userOk(), "");
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.seed, "7") << "OK stores the controls back into the members";
    EXPECT_EQ(dlg.option, 0);
    std::vector<std::string> expected = {"init",     "load", "show",   "kill 10",
                                         "click 13", "save", "destroy"};
    EXPECT_EQ(dlg.log, expected);
    EXPECT_FALSE(dlg.isOpen());
    EXPECT_FALSE(dlg.lines.attached()) << "handles go dead with the window";
}

TEST_F(DialogTest, DigitsOnlyBoxRefusesOtherCharactersAsTyped) {
    SampleDialog dlg;
    int refused = -1;
    driver.onModal = [&](ModalWindow& w) {
        Dialog& d = *w.currentForm();
        EXPECT_EQ(d.userType(10, "1e3 x9", &refused), "");
        EXPECT_EQ(d.itemText(10), "139");
        d.setItemText(10, "2.5");  // the program itself is not filtered
        EXPECT_EQ(d.itemText(10), "2.5");
        w.userCancel();
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(refused, 3);
    EXPECT_EQ(dlg.seed, "42") << "Cancel keeps the members as they were";
}

TEST_F(DialogTest, EditLimitsReadOnlyAndLines) {
    SampleDialog dlg;
    driver.onModal = [&](ModalWindow& w) {
        Dialog& d = *w.currentForm();
        dlg.lines.limitText(5);
        int refused = 0;
        EXPECT_EQ(d.userType(11, "3,4\n7,8", &refused), "");
        EXPECT_EQ(d.itemText(11), "3,4\n7");
        EXPECT_EQ(refused, 2);
        EXPECT_EQ(dlg.lines.lineCount(), 2u);
        EXPECT_EQ(dlg.lines.line(1), "7");
        EXPECT_EQ(dlg.lines.line(0, 2), "3,");
        EXPECT_EQ(dlg.lines.line(5), "");
        EXPECT_NE(d.userType(12, "x"), "") << "read-only boxes refuse typing";
        EXPECT_EQ(d.itemText(12), "fixed");
        EXPECT_EQ(d.userType(10, "1\n2", &refused), "");
        EXPECT_EQ(d.itemText(10), "12") << "a single-line box takes no line break";
        w.userCancel();
    };
    dlg.DoModal();
}

TEST_F(DialogTest, ClicksSelectionsAndProgress) {
    SampleDialog dlg;
    driver.onModal = [&](ModalWindow& w) {
        Dialog& d = *w.currentForm();
        EXPECT_NE(d.userClick(14), "") << "a disabled check box cannot be clicked";
        EXPECT_EQ(d.isChecked(14), kUnchecked);
        EXPECT_EQ(dlg.list.itemText(0), "apple") << "sorted list box";
        EXPECT_EQ(d.userSelect(15, 1), "");
        EXPECT_EQ(dlg.list.currentSelection(), 1);
        EXPECT_NE(d.userSelect(15, 2), "");
        EXPECT_NE(d.userClick(10), "") << "an edit box is not a button";
        for (int i = 0; i < 5; ++i) EXPECT_EQ(d.userClick(17), "");
        EXPECT_EQ(dlg.progress.position(), 0) << "stepping past the top starts over";
        EXPECT_NE(d.userClick(99), "");
        w.userCancel();
    };
    dlg.DoModal();
    EXPECT_EQ(std::count(dlg.log.begin(), dlg.log.end(), "go"), 5);
    EXPECT_EQ(std::count(dlg.log.begin(), dlg.log.end(), "click 17"), 0)
        << "a message-map handler replaces the virtual hook";
    EXPECT_NE(std::find(dlg.log.begin(), dlg.log.end(), "sel 15"), dlg.log.end());
}

TEST_F(DialogTest, KillFocusHandlerThatTakesTheFocusBackDoesNotLoop) {
    SampleDialog dlg;
    dlg.refocusOnLeave = true;
    driver.onModal = [&](ModalWindow& w) {
        Dialog& d = *w.currentForm();
        d.userType(10, "5");
        // 10 takes the focus back: nothing is typed into 11, which gets no
        // kill-focus for losing it again.
        EXPECT_EQ(d.userType(11, "x"), "the focus stayed on edit 10 \"Seed:\"");
        EXPECT_EQ(d.itemText(11), "");
        EXPECT_EQ(d.focusedId(), 10);
        w.userCancel();
    };
    dlg.DoModal();
    EXPECT_EQ(std::count(dlg.log.begin(), dlg.log.end(), "kill 10"), 1);
    EXPECT_EQ(std::count(dlg.log.begin(), dlg.log.end(), "kill 11"), 0);
}

TEST_F(DialogTest, NoDriverAnswersCancelAndSaysWhy) {
    setActiveDriver(nullptr);
    SampleDialog dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    std::vector<std::string> why = takeUnanswered();
    ASSERT_EQ(why.size(), 1u);
    EXPECT_NE(why[0].find("\"Sample\" (SampleDialog)"), std::string::npos) << why[0];
    EXPECT_EQ(messageBox("Sure?", "", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(messageBox("Note"), IDOK);
    EXPECT_EQ(takeUnanswered().size(), 2u);
}

TEST_F(DialogTest, DriverThatLeavesTheDialogOpenGetsItCancelled) {
    SampleDialog dlg;
    driver.onModal = [](ModalWindow&) {};
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(takeUnanswered().size(), 1u);
    EXPECT_EQ(dlg.log.back(), "destroy");
}

TEST_F(DialogTest, UnknownTemplateFailsTheRun) {
    Dialog dlg(424242);
    EXPECT_EQ(dlg.DoModal(), -1);
    EXPECT_EQ(takeUnanswered().size(), 1u);
}

TEST_F(DialogTest, ChildDialogMinimisesItsParentAndRestoresIt) {
    SampleDialog parent;
    bool parentMinimisedWhileChildRan = false;
    int depth = 0;
    driver.onModal = [&](ModalWindow& w) {
        ++depth;
        if (depth == 1) {
            SampleDialog child(&w);
            w.minimize();
            EXPECT_EQ(child.parent(), &w);
            child.DoModal();
            w.restore();
            w.userOk();
        } else {
            parentMinimisedWhileChildRan = w.parent()->isMinimized();
            w.userCancel();
        }
    };
    EXPECT_EQ(parent.DoModal(), IDOK);
    EXPECT_TRUE(parentMinimisedWhileChildRan);
    EXPECT_FALSE(parent.isMinimized());
    EXPECT_EQ(parent.parent(), &mainWindow())
        << "dialogs without a parent belong to the main window";
}

TEST_F(DialogTest, LabelsComeFromNeighbouringTextsFramesOrTheTemplate) {
    SampleDialog dlg;
    driver.onModal = [&](ModalWindow& w) {
        Dialog& d = *w.currentForm();
        EXPECT_EQ(d.labelOf(10), "Seed:");
        EXPECT_EQ(d.labelOf(11), "Lines");
        EXPECT_EQ(d.labelOf(13), "Option");
        EXPECT_EQ(d.control(16)->label, "Progress");
        w.userCancel();
    };
    dlg.DoModal();
}

TEST(RuntimeClassTest, ClassesAreKnownByName) {
    SampleDialog dlg;
    EXPECT_STREQ(dlg.className(), "SampleDialog");
    EXPECT_TRUE(dlg.isKindOf("Dialog"));
    EXPECT_TRUE(dlg.isKindOf(&Window::classWindow));
    EXPECT_FALSE(dlg.isKindOf("PropertyPage"));
    ASSERT_NE(findRuntimeClass("SampleDialog"), nullptr);
    EXPECT_EQ(findRuntimeClass("SampleDialog")->base, &Dialog::classDialog);
    EXPECT_EQ(findRuntimeClass("NoSuchClass"), nullptr);
}

}  // namespace
