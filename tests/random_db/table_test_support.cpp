#include "tests/random_db/table_test_support.h"

#include "gui/dialog.h"
#include "gui/file_dialog.h"
#include "instance/instance.h"
#include "resources/dialog_ids.h"

namespace tabletest {

bool Front::alert(const std::string& text, int type) {
    alerts.push_back(text);
    types.push_back(type);
    if (type != 1 || answers.empty()) return true;
    bool ok = answers.front();
    answers.pop_front();
    return ok;
}

void Driver::runModal(gui::ModalWindow& window) {
    if (play)
        play(window);
    else
        window.userCancel();
}

void Driver::runFileDialog(gui::FileDialog& dialog) {
    dialog.userCancel();
}

void TableTest::SetUp() {
    host::reset();
    unloadInstance();
    gOptions = RoundingOptions{};
    gInstance.targetSheet = 0;
    res::registerAddinTemplates();
    gui::setActiveDriver(&driver);
    host::setFrontEnd(&front);
}

void TableTest::TearDown() {
    unloadInstance();
    gOptions = RoundingOptions{};
    host::reset();
    host::setFrontEnd(nullptr);
    gui::setActiveDriver(nullptr);
}

void TableTest::acceptRoundingDialogs() {
    driver.play = [](gui::ModalWindow& w) { w.userOk(); };
}

std::string a1(int row, int col) {
    std::string letters;
    for (int c = col + 1; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), char('A' + (c - 1) % 26));
    return letters + std::to_string(row + 1);
}

host::Value valueAt(int row, int col, const std::string& sheet) {
    host::CellInfo info;
    std::string error;
    const std::string ref = (sheet.empty() ? "" : sheet + "!") + a1(row, col);
    EXPECT_TRUE(host::readCell(ref, info, error)) << ref << ": " << error;
    return info.value;
}

std::string sheetText() {
    std::string out, error;
    EXPECT_TRUE(host::showSheet("", false, out, error)) << error;
    return out;
}

}  // namespace tabletest
