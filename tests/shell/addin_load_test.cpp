// The real add-in library, loaded by the host with dlopen: registration, the
// Rounding menu for one, two and three copies, close, exit, register on
// demand, the add-in list name, the notices, unload and help.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gui/driver.h"
#include "host/host.h"

namespace {

const std::string kAddin = std::string(QUORANT_BIN_DIR) + "/QTB_XPRESS.xll";

std::vector<std::string> menuTitles() {
    std::vector<std::string> titles;
    for (const auto& m : host::menuBar()) titles.push_back(m.text);
    return titles;
}

const host::MenuItemInfo* findMenu(const std::string& title) {
    static std::vector<host::MenuItemInfo> bar;
    bar = host::menuBar();
    for (const auto& m : bar)
        if (m.text == title) return &m;
    return nullptr;
}

// Position of an item in a menu, 1-based as the host counts items.
int itemPosition(const host::MenuItemInfo& menu, const std::string& text) {
    for (size_t i = 0; i < menu.items.size(); ++i)
        if (menu.items[i].text == text) return int(i) + 1;
    return 0;
}

class AddinLoadTest : public ::testing::Test {
protected:
    void SetUp() override { host::reset(); }
    void TearDown() override { host::reset(); }
    int load() {
        std::string error;
        int handle = host::loadAddIn(kAddin, error);
        EXPECT_GT(handle, 0) << error;
        return handle;
    }
    std::vector<std::string> alerts() {
        std::vector<std::string> out;
        for (const auto& e : host::journal())
            if (e.kind == host::JournalKind::Alert) out.push_back(e.text);
        return out;
    }
};

TEST_F(AddinLoadTest, OneCopyAddsRoundingBeforeHelpWithTheTestsSubmenuBeforeItemNine) {
    load();
    std::vector<std::string> expected = {"&File", "&Edit",   "&View",     "&Insert", "F&ormat",
                                         "&Tools", "&Data", "&Window", "&Rounding", "&Help"};
    EXPECT_EQ(menuTitles(), expected);
    const host::MenuItemInfo* menu = findMenu("&Rounding");
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->statusText, "Rounding using XPRESS");
    // Eleven items of the table plus the submenu, which stands before the
    // separator that was item 9.
    ASSERT_EQ(menu->items.size(), 12u);
    EXPECT_EQ(itemPosition(*menu, "&Computational Tests"), 9);
    EXPECT_EQ(menu->items[8].items.size(), 5u);
    EXPECT_EQ(menu->items[8].statusText, "Realizing computational tests");
    EXPECT_EQ(menu->items[0].text, "&Rounder... (XPRESS)");
    EXPECT_EQ(menu->items[0].command, "QTBTXfOne");
    EXPECT_EQ(menu->items[0].statusText, "Calls all the following functions in one step.");
    EXPECT_EQ(menu->items[11].text, "&Exit");
    EXPECT_EQ(menu->items[11].statusText, "Cerrar el add-in");

    auto regs = host::registrations();
    ASSERT_EQ(regs.size(), 12u);
    EXPECT_EQ(regs[0].procedure, "QTBTXfExit");
    EXPECT_EQ(regs[0].shortcut, "o");
    for (const auto& r : regs) {
        EXPECT_EQ(r.functionText, r.procedure);
        EXPECT_EQ(r.typeText, "A");
        EXPECT_EQ(r.macroType, "2");
        EXPECT_EQ(r.category, "Controlled rounding add-in");
    }
    EXPECT_EQ(regs[11].procedure, "QTBTXfUnload");
}

TEST_F(AddinLoadTest, SecondCopyAddsRoundingXWithSubmenuBeforeItemEightThirdAddsNothing) {
    load();
    load();
    const host::MenuItemInfo* x = findMenu("&Rounding (X)");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(itemPosition(*x, "&Computational Tests"), 8);
    auto titles = menuTitles();
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "&Rounding"), 1);
    EXPECT_EQ(titles.back(), "&Help");

    load();
    EXPECT_EQ(menuTitles(), titles);
    EXPECT_EQ(host::registrations().size(), 36u);
}

TEST_F(AddinLoadTest, CloseRemovesBothMenusAndExitAlsoTheRegistrations) {
    int first = load();
    load();
    std::string error;
    ASSERT_TRUE(host::closeAddIn(first, error)) << error;
    EXPECT_EQ(findMenu("&Rounding"), nullptr);
    EXPECT_EQ(findMenu("&Rounding (X)"), nullptr);

    host::reset();
    load();
    int result = 0;
    ASSERT_TRUE(host::runMenuItem({"&Rounding", "&Exit"}, result, error)) << error;
    EXPECT_EQ(result, 1);
    EXPECT_EQ(findMenu("&Rounding"), nullptr);
    EXPECT_TRUE(host::registrations().empty());
    // A second open in the same process builds the same menu again.
    EXPECT_EQ(menuTitles().size(), 9u);
}

TEST_F(AddinLoadTest, AddInListNameOnlyForActionOne) {
    int h = load();
    std::string error;
    host::Value result;
    ASSERT_TRUE(host::addInManagerInfo(h, host::Value::number(1), result, error)) << error;
    EXPECT_EQ(result, host::Value::text("Quorant (XPRESS)"));
    ASSERT_TRUE(host::addInManagerInfo(h, host::Value::number(1.0), result, error));
    EXPECT_EQ(result, host::Value::text("Quorant (XPRESS)"));
    ASSERT_TRUE(host::addInManagerInfo(h, host::Value::number(2), result, error));
    EXPECT_EQ(result, host::Value::error(xlerrValue));
    ASSERT_TRUE(host::addInManagerInfo(h, host::Value::text("abc"), result, error));
    EXPECT_EQ(result, host::Value::error(xlerrValue));
}

TEST_F(AddinLoadTest, RegisterOnDemandIgnoresCaseAndAlwaysAnswersValueError) {
    int h = load();
    std::string error;
    int result = 0;
    ASSERT_TRUE(host::runCommand("QTBTXfExit", result, error));  // nothing registered now
    ASSERT_TRUE(host::registrations().empty());
    host::Value answer;
    ASSERT_TRUE(host::addInRegister(h, "qtbtxfone", answer, error)) << error;
    EXPECT_EQ(answer, host::Value::error(xlerrValue));
    auto regs = host::registrations();
    ASSERT_EQ(regs.size(), 1u);
    EXPECT_EQ(regs[0].procedure, "QTBTXfOne");
    ASSERT_TRUE(host::addInRegister(h, "QTBTXfNothing", answer, error));
    EXPECT_EQ(answer, host::Value::error(xlerrValue));
    EXPECT_EQ(host::registrations().size(), 1u);
}

TEST_F(AddinLoadTest, AddAndRemoveNotices) {
    int h = load();
    std::string error;
    int result = 0;
    ASSERT_TRUE(host::addInAdd(h, result, error)) << error;
    EXPECT_EQ(result, 1);
    ASSERT_TRUE(host::addInRemove(h, result, error)) << error;
    auto shown = alerts();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].find("Thank you for adding the Quorant add-in, QTB_XPRESS.xll!\n built on "),
              0u);
    EXPECT_NE(shown[0].find(" at "), std::string::npos);
    EXPECT_EQ(shown[1], "Thank you for removing QTB_XPRESS.xll!");
    for (const auto& e : host::journal()) {
        if (e.kind == host::JournalKind::Alert) {
            EXPECT_EQ(e.type, 2);
        }
    }
}

TEST_F(AddinLoadTest, UnloadReportsNoLeaks) {
    load();
    host::clearJournal();
    int result = -1;
    std::string error;
    ASSERT_TRUE(host::runCommand("QTBTXfUnload", result, error)) << error;
    EXPECT_EQ(result, 0);
    ASSERT_FALSE(host::journal().empty());
    EXPECT_EQ(host::journal().back().text, "Done");
}

// A driver that records help requests.
struct HelpRecorder : gui::UiDriver {
    std::string path;
    int context = 0;
    bool read = false;
    void runModal(gui::ModalWindow&) override {}
    int messageBox(const std::string&, const std::string&, int) override { return 1; }
    void runFileDialog(gui::FileDialog&) override {}
    void showHelp(const std::string& p, int c, const std::string* contents) override {
        path = p;
        context = c;
        read = contents && contents->find("QUORANT HELP") != std::string::npos;
    }
};

TEST_F(AddinLoadTest, HelpShowsTheHelpFileWithContextOne) {
    load();
    HelpRecorder recorder;
    gui::ScopedDriver active(&recorder);
    int result = 0;
    std::string error;
    ASSERT_TRUE(host::runMenuItem({"Rounding", "QT Help..."}, result, error)) << error;
    EXPECT_EQ(result, 1);
    EXPECT_EQ(recorder.context, 1);
    EXPECT_TRUE(recorder.read) << recorder.path;
    EXPECT_NE(recorder.path.find("Help file/QTB_HELP.hlp"), std::string::npos);
}

}  // namespace
