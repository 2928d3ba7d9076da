// What the tests of the test batches share: a user that plays queued steps in
// dialogs and chooses queued files, the add-in's state set back around every
// test, and small file helpers.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "gui/dialog.h"
#include "gui/driver.h"
#include "gui/file_dialog.h"
#include "host/host.h"
#include "instance/instance.h"
#include "resources/dialog_ids.h"

namespace batchtest {

class TestUser : public gui::UiDriver, public host::FrontEnd {
  public:
    std::deque<std::function<void(gui::ModalWindow&)>> windowSteps;
    std::deque<std::string> files;
    std::vector<std::string> windows;  // class names of the windows shown

    void runModal(gui::ModalWindow& window) override {
        windows.push_back(window.className());
        if (windowSteps.empty()) return;  // the framework cancels it
        auto step = std::move(windowSteps.front());
        windowSteps.pop_front();
        step(window);
    }
    int messageBox(const std::string&, const std::string&, int) override { return gui::IDOK; }
    void runFileDialog(gui::FileDialog& dialog) override {
        if (files.empty()) return dialog.userCancel();
        std::string path = files.front();
        files.pop_front();
        if (dialog.userChoose(path, true, nullptr) != gui::FileDialog::Choice::Accepted)
            dialog.userCancel();
    }
    void showHelp(const std::string&, int, const std::string*) override {}
};

inline std::vector<std::string> journalTexts(host::JournalKind kind) {
    std::vector<std::string> out;
    for (const auto& e : host::journal())
        if (e.kind == kind) out.push_back(e.text);
    return out;
}
inline std::vector<std::string> alerts() {
    return journalTexts(host::JournalKind::Alert);
}
inline std::vector<std::string> statuses() {
    return journalTexts(host::JournalKind::Status);
}

inline void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}
inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
inline std::vector<std::string> fileLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}
inline std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> out;
    std::string field;
    std::istringstream in(text);
    while (std::getline(in, field, sep)) out.push_back(field);
    return out;
}

// The host, the instance and the options as a fresh add-in has them; the
// test user is the dialog driver and the host's front end.
class BatchTest : public ::testing::Test {
  protected:
    TestUser user;

    void SetUp() override {
        host::reset();
        unloadInstance();
        gOptions = RoundingOptions{};
        res::registerAddinTemplates();
        host::clearJournal();
        gui::setActiveDriver(&user);
        host::setFrontEnd(&user);
    }
    void TearDown() override {
        unloadInstance();
        gOptions = RoundingOptions{};
        host::reset();
        host::setFrontEnd(nullptr);
        gui::setActiveDriver(nullptr);
    }
};

}  // namespace batchtest
