// The terminal driver and session, driven through a pipe.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/drivers/terminal_driver.h"
#include "tests/app_drivers/sample_windows.h"

namespace {

using app::drivers::TerminalDriver;

struct TerminalTest : ::testing::Test {
    std::istringstream in;
    std::ostringstream out;
    std::unique_ptr<TerminalDriver> driver;
    std::unique_ptr<gui::ScopedDriver> scoped;
    host::FrontEnd* previous = host::frontEnd();
    sample::Options options;

    void start(const std::string& input) {
        in.str(input);
        driver = std::make_unique<TerminalDriver>(in, out, true);
        scoped = std::make_unique<gui::ScopedDriver>(driver.get());
        host::setFrontEnd(driver.get());
    }
    void TearDown() override { host::setFrontEnd(previous); }
    bool shows(const std::string& text) const { return out.str().find(text) != std::string::npos; }
};

TEST_F(TerminalTest, APersonFillsThePropertySheet) {
    start(
        "page 2\n"
        "set 12003 1e3\n"
        "leave 12003\n"
        "\n"
        "set \"Base Number\" 5\n"
        "click 12018\n"
        "frobnicate\n"
        "click 12020\n"
        "page Protection Levels\n"
        "click 12050\n"
        "page 5\n"
        "click 12011\n"
        "set 3 R1C1:R2C1\n"
        "choose 4 1\n"
        "press 2\n"
        "ok\n");
    EXPECT_EQ(sample::runOptionsSheet(options), gui::IDOK) << out.str();
    EXPECT_EQ(options.base, "5");
    EXPECT_EQ(options.keep, 1);
    EXPECT_EQ(options.userDefined, 1);
    EXPECT_EQ(options.boxResult, "pressed 2 ref R1C1:R2C1 list 1 keep 0");
    EXPECT_TRUE(
        shows("===  Quorant (PropertySheet) ===\n"
              "  pages:  *1 Instance Info*  2 General Options  3 Bounds  4 Protection Levels  "
              "5 Edit Equations\n"
              "  -- Cuantitative Descriptions --\n"
              "  12004  Number of Cells in Instance: \"7\" (read-only)\n"))
        << out.str();
    EXPECT_TRUE(shows(
        "  12005  Time Limit for Calculations (in minutes without decimals): \"10\" (digits)\n"));
    EXPECT_TRUE(shows("  12018  [x] Keep Instance Loaded\n"));
    EXPECT_TRUE(shows("  12020  [ ] Actualize Pivot Table (disabled)\n"));
    EXPECT_TRUE(
        shows("+-- Quorant\n|  This Edit Box allows only decimal numbers of the form 2.4711\n"));
    EXPECT_TRUE(shows("! unknown command; type help\n"));
    EXPECT_TRUE(shows("! check box 12020 \"Actualize Pivot Table\" is disabled\n"));
    EXPECT_TRUE(shows("  12049  ( ) Default Protection Levels ( upl = lpl = 0 )\n"));
    EXPECT_TRUE(shows("=== Controlled rounding - Add sums (dialog box) ===\n"));
    EXPECT_TRUE(shows("   4  list, chosen: 0\n        1. (1)*R0C0+(-1)*R1C0=0\n"));
}

TEST_F(TerminalTest, EndOfInputCancelsInsteadOfHanging) {
    start("page 2\nset 12003 7\n");
    EXPECT_EQ(sample::runOptionsSheet(options), gui::IDCANCEL);
    EXPECT_EQ(options.base, "10");
    EXPECT_TRUE(shows("(input ended:  Quorant is cancelled)\n"));
    EXPECT_TRUE(driver->inputEnded());
    EXPECT_EQ(sample::runGeneratorDialog(), gui::IDCANCEL) << "later windows are cancelled at once";
    EXPECT_EQ(driver->messageBox("Go on?", "Quorant", gui::MB_OKCANCEL), gui::IDCANCEL);
    EXPECT_FALSE(driver->alert("Overwrite (OK) or CANCEL?", 1));
}

TEST_F(TerminalTest, FileDialogListsTheFiltersAndAsksAgainOnABadName) {
    std::filesystem::create_directories("tspecs");
    std::ofstream("tspecs/b.qtt") << "2,2 1\n";
    start(
        "click 12011\n"
        "*.qtt\n"
        "tspecs/b\n"
        "select 12025 1\n"
        "ok\n");
    std::vector<std::string> lines;
    EXPECT_EQ(sample::runTestsDialog(&lines), gui::IDOK) << out.str();
    EXPECT_EQ(lines, std::vector<std::string>{"2,2 1"});
    EXPECT_TRUE(shows("=== Open ===\n  QTB-Tool Computation Test Files (.qtt)  *.qtt\n"));
    EXPECT_TRUE(shows("  a name without extension gets .qtt\n"));
    EXPECT_TRUE(shows("! \"*.qtt\" is not a file name\n"));
    EXPECT_TRUE(shows("  12025  Test Specifiers: list, chosen 1\n        1. 2,2 1\n"));
}

TEST_F(TerminalTest, AlertsAndMessageBoxesAskForTheirButtons) {
    start("maybe\nc\n\nyes\n");
    EXPECT_FALSE(driver->alert("Existing QTB-instance found! Overwrite (OK) or CANCEL?", 1));
    EXPECT_TRUE(driver->alert("Unable to clear worksheet!", 2));
    EXPECT_EQ(driver->messageBox("Replace?", "Save As", gui::MB_YESNO), gui::IDYES);
    EXPECT_TRUE(shows("please answer ok/cancel\n"));
}

TEST_F(TerminalTest, SessionWorksWithWorkbooksAndMenus) {
    host::reset();
    gui::UiDriver* before = gui::activeDriver();
    std::istringstream session(
        "help\n"
        "new\n"
        "enter A1 1\n"
        "enter A2 2\n"
        "enter A3 =SUM(A1:A2)\n"
        "formulas\n"
        "cells\n"
        "pick Nowhere Nothing\n"
        "pick 99 1\n"
        "bogus\n"
        "quit\n"
        "cells\n");
    std::ostringstream transcript;
    EXPECT_EQ(app::drivers::runTerminalSession(session, transcript, true), 0);
    const std::string t = transcript.str();
    EXPECT_NE(t.find("  pick MENU [SUBMENU] ITEM"), std::string::npos) << t;
    EXPECT_NE(t.find("opened Book"), std::string::npos) << t;
    EXPECT_NE(t.find("A3: =SUM(A1:A2)"), std::string::npos) << t;
    EXPECT_NE(t.find("A3: 3"), std::string::npos) << t;
    EXPECT_NE(t.find("! there is no entry 99 there (see 'menu')"), std::string::npos) << t;
    EXPECT_NE(t.find("! unknown command or wrong number of words; type help"), std::string::npos);
    EXPECT_EQ(t.substr(t.size() - 4), "bye\n") << "nothing after quit is read";
    EXPECT_EQ(gui::activeDriver(), before) << "the session puts the previous driver back";
}

}  // namespace
