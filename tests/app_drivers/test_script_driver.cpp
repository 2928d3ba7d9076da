// Scripts that answer dialogs, property sheets, message boxes, file dialogs,
// alerts and the host's dialog box, and scripts that fail clearly.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/drivers/script_driver.h"
#include "app/script.h"
#include "tests/app_drivers/sample_windows.h"

namespace {

using app::ScriptContext;
using app::ScriptLine;
using app::drivers::scriptDriver;

sample::Options g_options;

// What the program's command actions do: run the command, then report a
// failure of the script driver as the action's error.
bool finish(ScriptContext& ctx, const std::string& what, int result, std::string& error) {
    *ctx.out << what << " -> " << result << "\n";
    return app::drivers::checkScriptDriver(error);
}

REGISTER_SCRIPT_ACTION("sample-sheet", "sample-sheet", "run the sample options sheet",
                       [](ScriptContext& ctx, const ScriptLine&, std::string& error) {
                           return finish(ctx, "sheet", sample::runOptionsSheet(g_options), error);
                       });
REGISTER_SCRIPT_ACTION("sample-tests", "sample-tests", "run the sample test dialog",
                       [](ScriptContext& ctx, const ScriptLine&, std::string& error) {
                           std::vector<std::string> lines;
                           int r = sample::runTestsDialog(&lines);
                           for (const auto& l : lines) *ctx.out << "listed " << l << "\n";
                           return finish(ctx, "tests", r, error);
                       });
REGISTER_SCRIPT_ACTION("sample-generator", "sample-generator", "run the sample generator",
                       [](ScriptContext& ctx, const ScriptLine&, std::string& error) {
                           std::string line;
                           int r = sample::runGeneratorDialog(&line);
                           *ctx.out << "result line: " << line << "\n";
                           return finish(ctx, "generator", r, error);
                       });
REGISTER_SCRIPT_ACTION("sample-alert", "sample-alert TYPE TEXT", "raise a host alert",
                       [](ScriptContext& ctx, const ScriptLine& line, std::string& error) {
                           bool ok =
                               host::frontEnd()->alert(line.words[2], std::stoi(line.words[1]));
                           return finish(ctx, "alert", ok ? 1 : 0, error);
                       });

struct ScriptTest : ::testing::Test {
    std::ostringstream out;
    std::string errors;

    gui::UiDriver* previousDriver = nullptr;
    host::FrontEnd* previousFront = nullptr;

    // As the program does for a script: the script driver plays every window.
    void SetUp() override {
        scriptDriver().clear();
        scriptDriver().setOutput(&out);
        previousDriver = gui::setActiveDriver(&scriptDriver());
        previousFront = host::frontEnd();
        host::setFrontEnd(&scriptDriver());
        sample::events.clear();
        g_options = sample::Options{};
    }
    void TearDown() override {
        gui::setActiveDriver(previousDriver);
        host::setFrontEnd(previousFront);
        scriptDriver().setOutput(nullptr);
    }
    int run(const std::string& text) {
        std::istringstream in(text);
        std::vector<ScriptLine> lines;
        std::string error;
        if (!app::parseScript(in, lines, error)) {
            errors = error;
            return 2;
        }
        ScriptContext ctx;
        ctx.out = &out;
        testing::internal::CaptureStderr();
        int status = app::runScriptLines(ctx, lines, "test.qsc");
        errors = testing::internal::GetCapturedStderr();
        return status;
    }
};

TEST_F(ScriptTest, AnswersEveryPageOfTheSheetAndChecksControls) {
    int status = run(R"S(
dialog " Quorant" {
  expect-text 12004 "7"
  expect-checked 12017 on
  click 12017
  expect-checked "Workbook (Classical)" on
  page "General Options"
  expect-text "Base Number" "10"
  set 12003 "5"
  set 12005 "2x0"
  expect-text 12005 "20"
  check 12018 on
  check "Activate Auditing Phase" off
  expect-enabled 12020 off
  page 4
  expect-enabled 12003 off
  click 12050
  expect-enabled 12003 on
  expect-checked 12049 off
  page "Edit Equations"
  click 12011
  dialog-box "Controlled rounding - Add sums" {
    expect-value 4 "0"
    set 3 "R1C1:R2C1"
    choose 4 2
    check 5 on
    press 2
  }
  ok
}
sample-sheet
expect-answered
)S");
    EXPECT_EQ(status, 0) << errors;
    EXPECT_EQ(out.str(), "sheet -> 1\n");
    EXPECT_EQ(g_options.base, "5");
    EXPECT_EQ(g_options.timelim, 20);
    EXPECT_EQ(g_options.keep, 1);
    EXPECT_EQ(g_options.audit, 0);
    EXPECT_EQ(g_options.userDefined, 1);
    EXPECT_EQ(g_options.boxResult, "pressed 2 ref R1C1:R2C1 list 2 keep 1");
    // Leaving the base box on switching pages, and on OK from the last page.
    std::vector<std::string> expected = {"info active",
                                         "general active",
                                         "general kill 12003",
                                         "general kill 12005",
                                         "general inactive",
                                         "equations box pressed 2 ref "
                                         "R1C1:R2C1 list 2 keep 1"};
    EXPECT_EQ(sample::events, expected);
}

TEST_F(ScriptTest, MessageBoxesRaisedInsideADialogAreAnsweredFromItsBlock) {
    int status = run(R"S(
dialog " Quorant" {
  page 2
  set 12003 "1e3"
  leave 12003
  message-box ok " This Edit Box allows only decimal numbers of the form 2.4711"
  expect-text 12003 "10"
  set 12003 "ab"
  leave 12003
  message-box ok
  message-box ok
  cancel
}
sample-sheet
expect-answered
)S");
    EXPECT_EQ(status, 0) << errors;
    EXPECT_EQ(out.str(),
              "[message-box] Quorant:  This Edit Box allows only decimal numbers of the form "
              "2.4711 -> ok\n"
              "[message-box] Quorant:  This Edit Box allows only decimal numbers of the form "
              "2.4711 -> ok\n"
              "[message-box] Quorant:  This Edit Box allows only decimal numbers of the form "
              "2.4711 -> ok\n"
              "sheet -> 2\n");
    EXPECT_EQ(g_options.base, "10") << "Cancel keeps the options";
}

TEST_F(ScriptTest, DialogWithoutAnswerFailsNamingItsCaptionAndClass) {
    int status = run("sample-generator\nsample-generator\n");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(errors,
              "test.qsc:1: dialog \"Generate Random Instance\" (GeneratorDialog) opened with no "
              "answer queued\n");
    EXPECT_EQ(out.str(), "result line: \ngenerator -> 2\n");
}

TEST_F(ScriptTest, FailedCheckNamesControlExpectedAndActual) {
    int status = run(R"S(
dialog "Generate Random Instance" {
  expect-text 12026 "done"
  ok
}
sample-generator
)S");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(errors,
              "test.qsc:6: line 3: edit 12026 \"Result\": expected text \"done\", found \"\"\n");
}

TEST_F(ScriptTest, WrongDialogAndUnfinishedAnswerAreFailures) {
    EXPECT_EQ(run("dialog \"Bounds\" {\n ok\n}\nsample-generator\n"), 1);
    EXPECT_NE(errors.find("dialog \"Generate Random Instance\" (GeneratorDialog) opened, but the "
                          "next answer is dialog \"Bounds\" (line 1)"),
              std::string::npos)
        << errors;
    scriptDriver().clear();
    EXPECT_EQ(run("dialog {\n click 12011\n}\nsample-generator\n"), 1);
    EXPECT_NE(errors.find("is still open after its answer"), std::string::npos) << errors;
    scriptDriver().clear();
    EXPECT_EQ(run("dialog {\n click 12017\n ok\n}\nsample-generator\n"), 1);
    EXPECT_NE(errors.find("line 2: check box 12017 \"Pivot Table\" is disabled"), std::string::npos)
        << errors;
}

TEST_F(ScriptTest, ChildDialogFileDialogListAndProgress) {
    std::filesystem::create_directories("specs");
    std::ofstream("specs/batch.qtt") << "3,4 1 1 50 0 10 1 1 1 1 2\n\n2,2 5 1 9 0 5 1 0 1 1 1";
    int status = run(R"S(
dialog "Generate Random Instance" {
  set 12004 "3,4" "7"
  click 12011
  expect-text 12026 "Random Instances successfully created"
  click 12021
  dialog "QTB-Tool Computational Tests" {
    expect-checked 12018 on
    click 12011
    file-dialog "specs/batch"
    expect-items 12025 2
    select 12025 2
    expect-selected 12025 2
    ok
  }
  ok
}
sample-generator
expect-answered
)S");
    EXPECT_EQ(status, 0) << errors;
    EXPECT_EQ(out.str(), "result line: Random Instances successfully created\ngenerator -> 1\n");
    std::vector<std::string> expected = {"generate 3,4\n7", "child opens, parent minimised yes",
                                         "tests ran 2", "child closed, parent minimised no"};
    EXPECT_EQ(sample::events, expected);
}

TEST_F(ScriptTest, FileDialogCancelAndMissingFile) {
    EXPECT_EQ(run("dialog {\n click 12011\n file-dialog cancel\n expect-items 12025 0\n ok\n}\n"
                  "sample-tests\n"),
              0)
        << errors;
    scriptDriver().clear();
    std::filesystem::create_directories("specs");
    std::ofstream("specs/existing.qtt") << "1\n";
    EXPECT_EQ(run("dialog {\n click 12011\n file-dialog \"specs/existing.qtt\" keep\n ok\n}\n"
                  "sample-tests\n"),
              0)
        << errors << ": an open dialog never asks to replace";
}

TEST_F(ScriptTest, HostAlertsAndUnusedAnswers) {
    int status = run(R"S(
alert cancel "Existing QTB-instance found! Overwrite (OK) or CANCEL?"
sample-alert 1 "Existing QTB-instance found! Overwrite (OK) or CANCEL?"
alert cancel
sample-alert 2 "Unable to open new workbook!"
alert ok "Something else"
sample-alert 2 "Unable to clear worksheet!"
)S");
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out.str(),
              "[alert] Existing QTB-instance found! Overwrite (OK) or CANCEL? -> cancel\n"
              "alert -> 0\n"
              "[alert] Unable to open new workbook! -> ok\n"
              "alert -> 1\n"
              "[alert] Unable to clear worksheet! -> ok\n"
              "alert -> 1\n")
        << "an alert without Cancel is answered OK whatever the script says";
    EXPECT_EQ(errors,
              "test.qsc:7: line 6: the alert shows \"Unable to clear worksheet!\", expected "
              "\"Something else\"\n");

    scriptDriver().clear();
    EXPECT_EQ(run("message-box ok\nfile-dialog \"x.qtb\"\nexpect-answered\n"), 1);
    EXPECT_EQ(
        errors,
        "test.qsc:3: 2 queued answer(s) not used: message-box (line 1); file-dialog \"x.qtb\" "
        "(line 2)\n");
}

TEST_F(ScriptTest, SyntaxErrorsNameTheLine) {
    EXPECT_EQ(run("dialog {\n frobnicate 3\n}\n"), 1);
    EXPECT_EQ(errors, "test.qsc:1: line 2: unknown dialog step 'frobnicate'\n");
    EXPECT_EQ(run("message-box maybe\n"), 1);
    EXPECT_NE(errors.find("'message-box' takes ok, cancel, yes or no"), std::string::npos);
    EXPECT_EQ(run("dialog-box {\n press x\n}\n"), 1);
    EXPECT_NE(errors.find("'press' takes a row number"), std::string::npos);
    EXPECT_EQ(run("dialog {\n check 12018 maybe\n}\n"), 1);
    EXPECT_NE(errors.find("wants on or off"), std::string::npos);
}

}  // namespace
