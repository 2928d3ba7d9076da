// The life cycle of a property sheet with several pages: creation on first
// activation, activation and deactivation on every switch and on OK, the
// kill-focus of the box being left, refusal by a page, Cancel.
#include <gtest/gtest.h>

#include "tests/gui/fake_driver.h"
#include "tests/gui/sample_templates.h"

using namespace gui;

namespace {

using Log = std::vector<std::string>;

class LoggingPage : public PropertyPage {
    GUI_DECLARE_CLASS(LoggingPage)
  public:
    LoggingPage(int templateId, std::string name, Log& log)
        : PropertyPage(templateId), name_(std::move(name)), log_(log) {}
    bool refuseLeaving = false;
    std::string amount = "1";

  protected:
    bool OnInitDialog() override {
        log_.push_back(name_ + " create");
        return PropertyPage::OnInitDialog();
    }
    bool OnSetActive() override {
        log_.push_back(name_ + " active");
        return true;
    }
    bool OnKillActive() override {
        log_.push_back(name_ + " inactive");
        return !refuseLeaving && PropertyPage::OnKillActive();
    }
    void DoDataExchange(DataExchange& dx) override {
        if (templateId() == kSamplePage1) dx.text(101, amount);
    }
    void OnKillFocus(int id) override { log_.push_back(name_ + " kill " + std::to_string(id)); }
    void OnClicked(int id) override { log_.push_back(name_ + " click " + std::to_string(id)); }
    void OnOK() override { log_.push_back(name_ + " ok"); }
    void OnCancel() override { log_.push_back(name_ + " cancel"); }
    void OnDestroy() override { log_.push_back(name_ + " destroy"); }

  private:
    std::string name_;
    Log& log_;
};
GUI_IMPLEMENT_CLASS(LoggingPage, PropertyPage);

struct SheetTest : ::testing::Test {
    FakeDriver driver;
    ScopedDriver scoped{&driver};
    Log log;
    LoggingPage p1{kSamplePage1, "p1", log};
    LoggingPage p2{kSamplePage2, "p2", log};
    LoggingPage p3{kSamplePage3, "p3", log};
    PropertySheet sheet{" Quorant"};
    void SetUp() override {
        registerSampleTemplates();
        sheet.addPage(&p1);
        sheet.addPage(&p2);
        sheet.addPage(&p3);
    }
};

TEST_F(SheetTest, PagesAreActivatedAndDeactivatedOnSwitchAndOnOk) {
    driver.onModal = [&](ModalWindow& w) {
        EXPECT_EQ(w.pageCount(), 3);
        EXPECT_EQ(w.pageTitle(1), "Second");
        EXPECT_EQ(w.currentForm()->userType(101, "12"), "");
        log.push_back("-- switch to 2");
        EXPECT_EQ(w.userSwitchPage(1), "");
        EXPECT_EQ(w.currentForm(), &p2);
        EXPECT_EQ(w.currentForm()->userType(204, "x"), "");
        log.push_back("-- back to 1");
        EXPECT_EQ(w.userSwitchPage(0), "");
        EXPECT_EQ(w.currentForm()->itemText(101), "12") << "a page keeps its window once made";
        log.push_back("-- ok");
        EXPECT_EQ(w.userOk(), "");
    };
    EXPECT_EQ(sheet.DoModal(), IDOK);
    Log expected = {"p1 create",  "p1 active", "-- switch to 2", "p1 kill 101", "p1 inactive",
                    "p2 create",  "p2 active", "-- back to 1",   "p2 kill 204", "p2 inactive",
                    "p1 active",  "-- ok",     "p1 inactive",    "p1 ok",       "p2 ok",
                    "p1 destroy", "p2 destroy"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(p1.amount, "12") << "leaving the page stored its members";
    EXPECT_EQ(sheet.result(), IDOK);
}

TEST_F(SheetTest, OkKillsTheFocusOfTheBoxBeingEdited) {
    driver.onModal = [&](ModalWindow& w) {
        w.currentForm()->userType(101, "5");
        w.userOk();
    };
    sheet.DoModal();
    Log expected = {"p1 create", "p1 active", "p1 kill 101", "p1 inactive", "p1 ok", "p1 destroy"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(p1.amount, "5");
}

TEST_F(SheetTest, PageThatRefusesToBeLeftKeepsTheSheetOnIt) {
    driver.onModal = [&](ModalWindow& w) {
        p1.refuseLeaving = true;
        EXPECT_NE(w.userSwitchPage(2), "");
        EXPECT_EQ(w.activePageIndex(), 0);
        EXPECT_NE(w.userOk(), "");
        EXPECT_FALSE(w.isEnded());
        p1.refuseLeaving = false;
        EXPECT_EQ(w.userSwitchPage(2), "");
        EXPECT_EQ(w.activePageIndex(), 2);
        EXPECT_NE(w.userSwitchPage(3), "") << "there is no fourth page";
        EXPECT_EQ(w.userCancel(), "");
    };
    EXPECT_EQ(sheet.DoModal(), IDCANCEL);
    // The first box of a new page has the focus, so leaving the page first
    // takes it away from that box.
    Log expected = {"p1 create",   "p1 active",   "p1 kill 101", "p1 inactive",
                    "p1 inactive", "p1 inactive", "p3 create",   "p3 active",
                    "p1 cancel",   "p3 cancel",   "p1 destroy",  "p3 destroy"};
    EXPECT_EQ(log, expected);
}

TEST_F(SheetTest, CancelDoesNotDeactivateOrStore) {
    driver.onModal = [&](ModalWindow& w) {
        w.currentForm()->userType(101, "99");
        w.userCancel();
    };
    EXPECT_EQ(sheet.DoModal(), IDCANCEL);
    EXPECT_EQ(p1.amount, "1");
    EXPECT_EQ(std::count(log.begin(), log.end(), "p1 inactive"), 0);
}

TEST_F(SheetTest, RadioButtonsSelectWithinTheirGroup) {
    driver.onModal = [&](ModalWindow& w) {
        w.userSwitchPage(1);
        Dialog& d = *w.currentForm();
        d.userClick(203);
        d.userClick(201);
        EXPECT_EQ(d.isChecked(201), kChecked);
        d.userClick(202);
        EXPECT_EQ(d.isChecked(201), kUnchecked);
        EXPECT_EQ(d.isChecked(202), kChecked);
        EXPECT_EQ(d.isChecked(203), kChecked) << "another group is not touched";
        d.userClick(202);
        EXPECT_EQ(d.isChecked(202), kChecked) << "clicking a checked radio keeps it checked";
        EXPECT_EQ(d.labelOf(204), "Limits") << "an edit inside a titled frame";
        w.userOk();
    };
    sheet.DoModal();
}

TEST_F(SheetTest, NoDriverCancelsWithoutCreatingPages) {
    setActiveDriver(nullptr);
    takeUnanswered();
    EXPECT_EQ(sheet.DoModal(), IDCANCEL);
    std::vector<std::string> why = takeUnanswered();
    ASSERT_EQ(why.size(), 1u);
    EXPECT_NE(why[0].find("\" Quorant\" (PropertySheet)"), std::string::npos) << why[0];
}

TEST_F(SheetTest, SheetWithoutPagesOrWithAnUnknownPageFails) {
    PropertySheet empty("Empty");
    EXPECT_EQ(empty.DoModal(), -1);
    LoggingPage unknown(31337, "u", log);
    sheet.addPage(&unknown);
    EXPECT_EQ(sheet.DoModal(), -1);
    EXPECT_TRUE(log.empty()) << "no page is created when one template is missing";
    takeUnanswered();
}

}  // namespace
