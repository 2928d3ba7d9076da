// What the tests of random tables, the random instance dialog and the
// database-style import share: the real host with a front end that keeps the
// alerts and answers them from a queue, a driver that plays each dialog with
// a function of the test, and reading cells by position.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "gui/driver.h"
#include "gui/template.h"
#include "host/host.h"

namespace tabletest {

// Alerts of type 1 are answered from `answers` (OK when it is empty).
class Front : public host::FrontEnd {
  public:
    std::deque<bool> answers;
    std::vector<std::string> alerts;  // texts as shown
    std::vector<int> types;
    bool alert(const std::string& text, int type) override;
};

// Each modal window is played by `play` (cancelled without it); message boxes
// and file dialogs are answered OK and Cancel.
class Driver : public gui::UiDriver {
  public:
    std::function<void(gui::ModalWindow&)> play;
    void runModal(gui::ModalWindow& window) override;
    int messageBox(const std::string&, const std::string&, int) override { return gui::IDOK; }
    void runFileDialog(gui::FileDialog& dialog) override;
    void showHelp(const std::string&, int, const std::string*) override {}
};

class TableTest : public ::testing::Test {
  protected:
    Front front;
    Driver driver;
    void SetUp() override;
    void TearDown() override;
    // The options sheet and the resolution info are answered OK.
    void acceptRoundingDialogs();
};

// "C7" for row 6, column 2 (0-based).
std::string a1(int row, int col);
// A cell of the active sheet, or of `sheet` ("[Book]Sheet").
host::Value valueAt(int row, int col, const std::string& sheet = "");
// The non-empty cells of the active sheet as "A1: text" lines.
std::string sheetText();

}  // namespace tabletest
