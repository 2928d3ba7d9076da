// The answer driver fills dialogs from option values through the events a
// person causes, presses OK, and reports what it could not do.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/drivers/answer_driver.h"
#include "tests/app_drivers/sample_windows.h"

namespace {

using app::drivers::AnswerDriver;
using app::drivers::ControlValue;

ControlValue value(const std::string& text) {
    ControlValue v;
    std::string error;
    EXPECT_TRUE(app::drivers::parseControlValue(text, v, error)) << error;
    return v;
}

TEST(ControlValueSyntax, PageControlAndValue) {
    ControlValue v = value("General Options/12003=2.5");
    EXPECT_EQ(v.page, "General Options");
    EXPECT_EQ(v.control, "12003");
    EXPECT_EQ(v.value, "2.5");
    v = value("Random Seed=");
    EXPECT_EQ(v.page, "");
    EXPECT_EQ(v.value, "");
    v = value("a/b/To=x=y");
    EXPECT_EQ(v.page, "a/b");
    EXPECT_EQ(v.control, "To");
    EXPECT_EQ(v.value, "x=y");
    std::string error;
    EXPECT_FALSE(app::drivers::parseControlValue("=5", v, error));
    EXPECT_FALSE(app::drivers::parseControlValue("12003", v, error));
    EXPECT_FALSE(app::drivers::parseControlValue("Bounds/=5", v, error));
}

struct AnswerTest : ::testing::Test {
    std::ostringstream notices;
    AnswerDriver driver{notices};
    gui::ScopedDriver scoped{&driver};
    host::FrontEnd* previous = host::frontEnd();
    sample::Options options;
    void SetUp() override {
        host::setFrontEnd(&driver);
        sample::events.clear();
    }
    void TearDown() override { host::setFrontEnd(previous); }
};

TEST_F(AnswerTest, FillsThePagesFromOptionValuesAndPressesOk) {
    for (const char* v :
         {"General Options/12003=2.5", "General Options/12005=7",
          "General Options/Keep Instance Loaded=on", "General Options/Activate Auditing Phase=off",
          "Protection Levels/User Defined Protection Levels=on", "Edit Equations/12011=click"}) {
        driver.addValue(" Quorant", value(v));
    }
    EXPECT_EQ(sample::runOptionsSheet(options), gui::IDOK);
    EXPECT_FALSE(driver.failed()) << driver.failures()[0];
    EXPECT_EQ(options.base, "2.5");
    EXPECT_EQ(options.timelim, 7);
    EXPECT_EQ(options.keep, 1);
    EXPECT_EQ(options.audit, 0);
    EXPECT_EQ(options.userDefined, 1);
    EXPECT_EQ(options.boxResult, "pressed 0 ref  list 0 keep 0")
        << "the host's dialog box is closed with its default button";
    // Every box was left, as when a person tabs through them.
    EXPECT_EQ(std::count(sample::events.begin(), sample::events.end(), "general kill 12003"), 1);
    EXPECT_EQ(std::count(sample::events.begin(), sample::events.end(), "general kill 12005"), 1);
}

TEST_F(AnswerTest, RefusedTextIsShownAndUndoneLikeForAPerson) {
    driver.addValue("", value("General Options/Base Number=1e3"));
    EXPECT_EQ(sample::runOptionsSheet(options), gui::IDOK);
    EXPECT_EQ(options.base, "10");
    EXPECT_EQ(notices.str(),
              "Quorant:  This Edit Box allows only decimal numbers of the form 2.4711\n");
}

TEST_F(AnswerTest, BoxThatKeepsTheFocusStopsOkAndFails) {
    driver.addValue(" Quorant", value("Bounds/12003=abc"));
    EXPECT_EQ(sample::runOptionsSheet(options), gui::IDCANCEL);
    ASSERT_TRUE(driver.failed());
    EXPECT_NE(driver.failures()[0].find("kept the focus on control 12003"), std::string::npos)
        << driver.failures()[0];
}

TEST_F(AnswerTest, UnknownControlsPagesAndValuesFail) {
    driver.addValue(" Quorant", value("General Options/Nonsense=1"));
    EXPECT_EQ(sample::runOptionsSheet(options), gui::IDCANCEL);
    ASSERT_EQ(driver.failures().size(), 1u);
    EXPECT_EQ(driver.failures()[0],
              "dialog \" Quorant\" (PropertySheet): \"General Options\" has no control labelled "
              "\"Nonsense\"");

    AnswerDriver second(notices);
    gui::ScopedDriver s2(&second);
    second.addValue("PropertySheet", value("No Such Page/12003=1"));
    second.addValue("PropertySheet", value("Keep Instance Loaded=maybe"));
    EXPECT_EQ(sample::runOptionsSheet(options), gui::IDCANCEL);
    EXPECT_NE(second.failures()[0].find("has no page \"No Such Page\""), std::string::npos);
}

TEST_F(AnswerTest, CancelWhenAskedAndFilesInOrder) {
    driver.setCancel(" Quorant");
    EXPECT_EQ(sample::runOptionsSheet(options), gui::IDCANCEL);
    EXPECT_FALSE(driver.failed());

    std::filesystem::create_directories("specs");
    std::ofstream("specs/a.qtt") << "2,2 1\n3,3 2\n";
    driver.addValue("QTB-Tool Computational Tests", value("Open File...=click"));
    driver.addFile("specs/a");
    std::vector<std::string> lines;
    EXPECT_EQ(sample::runTestsDialog(&lines), gui::IDOK);
    EXPECT_EQ(lines, (std::vector<std::string>{"2,2 1", "3,3 2"}));
    EXPECT_EQ(driver.filesLeft(), 0u);
    EXPECT_FALSE(driver.failed());
}

TEST_F(AnswerTest, FileDialogWithoutAPathFails) {
    driver.addValue("", value("12011=click"));
    std::vector<std::string> lines;
    EXPECT_EQ(sample::runTestsDialog(&lines), gui::IDOK);
    ASSERT_TRUE(driver.failed());
    EXPECT_EQ(driver.failures()[0], "file dialog \"Open\" opened, but no file was given for it");
}

TEST_F(AnswerTest, AlertsAreShownAndAnswered) {
    EXPECT_TRUE(driver.alert("Existing QTB-instance found! Overwrite (OK) or CANCEL?", 1));
    driver.setAlertAnswer(false);
    EXPECT_FALSE(driver.alert("Existing QTB-instance found! Overwrite (OK) or CANCEL?", 1));
    EXPECT_TRUE(driver.alert("Unable to open new workbook!", 2)) << "a notice has only OK";
    EXPECT_EQ(notices.str(),
              "Existing QTB-instance found! Overwrite (OK) or CANCEL?\n"
              "Existing QTB-instance found! Overwrite (OK) or CANCEL?\n"
              "Unable to open new workbook!\n");
}

}  // namespace
