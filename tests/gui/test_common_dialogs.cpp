// Message boxes, the file dialog (default extension, filters, must-exist,
// overwrite prompt) and the help viewer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/gui/fake_driver.h"

using namespace gui;
namespace fs = std::filesystem;

namespace {

TEST(DefaultExtension, FirstThreeCharactersOfTheDefaultText) {
    EXPECT_EQ(applyDefaultExtension("table", "qtb-instance"), "table.qtb");
    EXPECT_EQ(applyDefaultExtension("out/sol", "qts-solution"), "out/sol.qts");
    EXPECT_EQ(applyDefaultExtension("batch", ".qtt"), "batch.qtt")
        << "a leading dot is not doubled";
    EXPECT_EQ(applyDefaultExtension("log", "QTB Computational Test log-file"), "log.QTB");
    EXPECT_EQ(applyDefaultExtension("table.wq", "qtb-instance"), "table.wq");
    EXPECT_EQ(applyDefaultExtension("my.dir/table", "qtb-instance"), "my.dir/table.qtb")
        << "a dot in a folder name is not an extension";
    EXPECT_EQ(applyDefaultExtension("table", ""), "table");
    EXPECT_EQ(applyDefaultExtension("t", "ab"), "t.ab");
}

TEST(FilterList, PairsUpToTheDoubleBar) {
    auto f = parseFilterList(
        "QTB-Tool files (.qtb)|*.qtb|Uncommented QTB-Toll files (.wq)|*.wq|All files (*.*)|*.*||");
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[1].description, "Uncommented QTB-Toll files (.wq)");
    EXPECT_EQ(f[2].pattern, "*.*");
    EXPECT_TRUE(parseFilterList("").empty());
    EXPECT_EQ(parseFilterList("A|*.a|B").size(), 1u);
}

struct FileDialogTest : ::testing::Test {
    FakeDriver driver;
    ScopedDriver scoped{&driver};
    void SetUp() override {
        fs::remove_all("fd");
        fs::create_directories("fd");
        std::ofstream("fd/exists.qtb") << "-2\n";
    }
};

TEST_F(FileDialogTest, SaveAppendsTheDefaultExtensionAndReportsTheParts) {
    FileDialog dlg(false, "qtb-instance", "*.qtb",
                   FileDialog::kHideReadOnly | FileDialog::kOverwritePrompt,
                   "QTB-Tool files (.qtb)|*.qtb||");
    driver.onFile = [](FileDialog& d) {
        EXPECT_FALSE(d.isOpenDialog());
        EXPECT_EQ(d.initialName(), "*.qtb");
        std::string problem;
        EXPECT_EQ(d.userChoose("*.qtb", false, &problem), FileDialog::Choice::Invalid);
        EXPECT_EQ(d.userChoose("fd/table", false, &problem), FileDialog::Choice::Accepted);
    };
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.fileName(), "table.qtb");
    EXPECT_EQ(dlg.fileExt(), "qtb");
    EXPECT_EQ(dlg.fileTitle(), "table");
    EXPECT_EQ(dlg.pathName(), (fs::current_path() / "fd" / "table.qtb").string());
    EXPECT_EQ(dlg.caption(), "Save As");
}

TEST_F(FileDialogTest, ReplacingAnExistingFileNeedsConfirmation) {
    FileDialog dlg(false, "qtb-instance", "", FileDialog::kOverwritePrompt, "");
    std::string problem;
    driver.onFile = [&](FileDialog& d) {
        EXPECT_EQ(d.userChoose("fd/exists", false, &problem),
                  FileDialog::Choice::NeedsReplaceConfirmation);
        EXPECT_TRUE(d.isRunning());
        EXPECT_EQ(d.userChoose("fd/exists", true, nullptr), FileDialog::Choice::Accepted);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(problem, "exists.qtb already exists. Do you want to replace it?");
    EXPECT_EQ(dlg.fileName(), "exists.qtb");
}

TEST_F(FileDialogTest, OpenWithMustExistRefusesMissingFilesAndKeepsExactNames) {
    std::ofstream("fd/batch") << "2,2 1\n";
    FileDialog dlg(true, ".qtt", "", FileDialog::kFileMustExist, "");
    driver.onFile = [](FileDialog& d) {
        std::string problem;
        EXPECT_EQ(d.userChoose("fd/missing", false, &problem), FileDialog::Choice::NotFound);
        EXPECT_NE(problem.find("missing.qtt\" does not exist"), std::string::npos) << problem;
        EXPECT_EQ(d.userChoose("fd", false, &problem), FileDialog::Choice::Invalid);
        EXPECT_EQ(d.userChoose("fd/batch", false, &problem), FileDialog::Choice::Accepted);
    };
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.fileName(), "batch") << "an existing file is opened as typed";
    EXPECT_EQ(dlg.fileExt(), "");
}

TEST_F(FileDialogTest, CancelAndMissingDriverGiveNoPath) {
    FileDialog dlg(true, "", "", 0, "");
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.pathName(), "");
    setActiveDriver(nullptr);
    takeUnanswered();
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(takeUnanswered().size(), 1u);
    driver.onFile = [](FileDialog&) {};  // leaves it open
    setActiveDriver(&driver);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(takeUnanswered().size(), 1u);
}

TEST(MessageBoxTest, AnswersStayWithinTheButtonsOfTheBox) {
    FakeDriver driver;
    ScopedDriver scoped(&driver);
    driver.onMessage = [](const std::string&, const std::string&, int) { return IDYES; };
    EXPECT_EQ(messageBox(" This Edit Box allows only decimal numbers of the form 2.4711"), IDOK);
    EXPECT_EQ(messageBox("Go on?", "Question", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(messageBox("Replace?", "Save As", MB_YESNO), IDYES);
    ASSERT_EQ(driver.messages.size(), 3u);
    EXPECT_EQ(driver.messages[0],
              "Quorant:  This Edit Box allows only decimal numbers of the form 2.4711")
        << "the text keeps its leading blank; the caption defaults to the main window's";
}

TEST(HelpTest, ShowsTheFileThroughTheDriver) {
    FakeDriver driver;
    ScopedDriver scoped(&driver);
    std::ofstream("help.txt") << "Rounding help";
    EXPECT_EQ(showHelp("help.txt", 1), 1);
    EXPECT_EQ(showHelp("no-such-help.txt", 1), 0);
    ASSERT_EQ(driver.helpShown.size(), 2u);
    EXPECT_EQ(driver.helpShown[0], "help.txt#1:Rounding help");
    EXPECT_EQ(driver.helpShown[1], "no-such-help.txt#1:<missing>");
}

TEST(MainWindowTest, MinimiseAndRestore) {
    MainWindow& w = mainWindow();
    EXPECT_EQ(&w, &mainWindow());
    w.minimize();
    EXPECT_TRUE(w.isMinimized());
    w.restore();
    EXPECT_FALSE(w.isMinimized());
    Application app;
    EXPECT_TRUE(app.start());
    EXPECT_EQ(app.mainWindowOwner(), &w);
}

}  // namespace
