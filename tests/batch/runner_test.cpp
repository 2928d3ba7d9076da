// The runner against the real host and add-in: one log line per repetition
// with the figures of the rounding, seeds given on a line reproduce its table,
// the workbooks of each repetition closed (or kept), the bias log with its
// header and closing base number line, and a batch ended by a bad line.
#include <cmath>
#include <cstdio>
#include <memory>

#include "batch/batch_texts.h"
#include "batch/comp_test_dialog.h"
#include "random/rinst_dialog.h"
#include "random/tables.h"
#include "tests/support/ranrot_peer.h"
#include "tests/batch/batch_fixture.h"

namespace {

using batchtest::alerts;
using batchtest::fileLines;
using batchtest::split;

double logNumber(const std::string& field) {
    std::string text = field;
    for (char& c : text)
        if (c == ',') c = '.';
    return std::stod(text);
}

class RunnerTest : public batchtest::BatchTest {
  protected:
    std::unique_ptr<CCompTestDialog> dialog;

    // The dialog with the lines of a specification file in its list, as after
    // "Open File..."; its logs are removed first.
    void load(int biasMode, const std::string& file, const std::string& lines,
              bool deleteBooks = true) {
        const std::string stem = file.substr(0, file.rfind('.'));
        std::remove((stem + "_comp.log").c_str());
        std::remove((stem + "_bias.log").c_str());
        batchtest::writeFile(file, lines);
        dialog = std::make_unique<CCompTestDialog>(biasMode, nullptr);
        ASSERT_TRUE(dialog->createWindow());
        dialog->readSpecificationFile(file);
        dialog->setChecked(comptest::kDelete, deleteBooks ? gui::kChecked : gui::kUnchecked);
    }
    void TearDown() override {
        if (dialog) dialog->destroyWindow();
        BatchTest::TearDown();
    }
};

TEST_F(RunnerTest, ComputationalBatchLogsEveryRepetition) {
    // Line 1 gives both seeds: its three repetitions round the same table.
    load(0, "comp.qtt",
         "3,4 11 1 50 0 10 1 1 5 1 3\n"
         "2,3 -1 1 50 20 5 1 0 -1 1 2\n");
    dialog->runBatch();
    EXPECT_TRUE(dialog->isEnded());
    EXPECT_EQ(dialog->result(), gui::IDOK);
    EXPECT_TRUE(alerts().empty()) << alerts()[0];

    const auto lines = fileLines("comp_comp.log");
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0] + "\n",
              "TestNumber;ObjectiveFuncValue;Zero-restricted;MaximumJump;BaseJumps;"
              "OverallTime;ResolutionTime;PercentageZeros;PercentageBetaMults;"
              "PercentageIntegers\n");
    for (size_t i = 1; i < lines.size(); ++i) {
        const auto f = split(lines[i], ';');
        ASSERT_EQ(f.size(), 10u) << lines[i];
        EXPECT_EQ(f[0], i <= 3 ? "1" : "2");
        const double base = i <= 3 ? 10 : 5;
        // A two-way table always has a zero-restricted rounding: every cell
        // within one base unit, the distance a whole number.
        EXPECT_EQ(f[2], "YES");
        EXPECT_GT(logNumber(f[3]), 0);
        EXPECT_LT(logNumber(f[3]), base);
        EXPECT_EQ(f[4], "1");
        EXPECT_EQ(logNumber(f[1]), std::floor(logNumber(f[1])));
        EXPECT_GE(logNumber(f[5]), logNumber(f[6]));
        EXPECT_EQ(f[9], "100,000000");
        // Test 2: one zero among 6 internal cells, 12 cells with the totals.
        EXPECT_EQ(f[7], i <= 3 ? "0,000000" : "8,333333");
    }
    for (int i : {2, 3}) {
        const auto first = split(lines[1], ';'), again = split(lines[size_t(i)], ';');
        for (int c : {1, 2, 3, 4, 7, 8, 9}) EXPECT_EQ(first[size_t(c)], again[size_t(c)]);
    }
    // Every workbook of the batch was closed; the options are the last line's.
    EXPECT_TRUE(host::windows().empty());
    EXPECT_EQ(gOptions.basenumber, 5);
    EXPECT_EQ(gOptions.timelim, 1);
    EXPECT_EQ(gOptions.auditing, 0);
    EXPECT_EQ(gInstance.cellList, nullptr);
    EXPECT_EQ(dialog->control(comptest::kLineBar)->position, 2);
    EXPECT_EQ(dialog->control(comptest::kRepetitionBar)->position, 4);
    EXPECT_EQ(dialog->control(comptest::kList)->selection, 1);
}

TEST_F(RunnerTest, WorkbooksStayOpenWhenDeleteIsOff) {
    // With auditing every repetition leaves the test workbook and two result
    // copies, without it one copy.
    load(0, "keep.qtt",
         "2,2 3 1 20 0 5 1 1 4 1 2\n"
         "2,2 3 1 20 0 5 1 0 4 1 1\n",
         false);
    dialog->runBatch();
    EXPECT_TRUE(dialog->isEnded());
    EXPECT_EQ(host::windows().size(), 2u * 3u + 2u);
    EXPECT_EQ(fileLines("keep_comp.log").size(), 4u);
}

TEST_F(RunnerTest, BiasBatchTalliesByRemainderAndEndsWithTheBaseNumber) {
    load(1, "bias.qtv",
         "3,3 0 1 30 2.5 1 2\n"
         "2,2 1 1 30 7 1 1\n");
    dialog->runBatch();
    EXPECT_TRUE(dialog->isEnded());
    EXPECT_EQ(alerts(),
              std::vector<std::string>{"During the bias test mode, the base number should "
                                       "be integer! 2.500000 will be truncated to "
                                       "2.000000."});
    const auto lines = fileLines("bias_bias.log");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "TestNumber;a_i-b[a_i/b]=0;#total;#rounded up;\"=1\";#tot;#rup");
    const int cellsOf[] = {0, 16, 16, 9};  // 3 x 3 and 2 x 2 tables with all totals
    for (size_t i = 1; i <= 3; ++i) {
        const auto f = split(lines[i], ';');
        ASSERT_EQ(f.size(), 7u) << lines[i];
        EXPECT_EQ(lines[i].back(), ';');
        EXPECT_EQ(f[0], i <= 2 ? "1" : "2");
        EXPECT_EQ(f[1], "0");
        EXPECT_EQ(f[4], "1");
        EXPECT_EQ(std::stoi(f[2]) + std::stoi(f[5]), cellsOf[i]);
        EXPECT_EQ(f[3], "0");  // a multiple of the base is never rounded up
        EXPECT_LE(std::stoi(f[6]), std::stoi(f[5]));
    }
    EXPECT_EQ(lines[4], "Base Number = 2");
    EXPECT_EQ(gOptions.basenumber, 2);
    EXPECT_EQ(gOptions.randomWeights, 1);
    EXPECT_EQ(gOptions.auditing, 0);
}

TEST_F(RunnerTest, ABadLineEndsTheBatchAndLeavesTheDialogOpen) {
    load(1, "broken.qtv",
         "2,2 0 1 30 3 1 1\n"
         "2,2 0 1\n");
    dialog->runBatch();
    EXPECT_FALSE(dialog->isEnded());
    EXPECT_EQ(alerts().size(), 2u);
    EXPECT_EQ(alerts().back(), "Unable to extract values from line.");
    // The first line was logged; an interrupted batch has no base number line.
    const auto lines = fileLines("broken_bias.log");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].substr(0, 2), "1;");
}

TEST_F(RunnerTest, DialogRunsTheFileChosenWithOpenFile) {
    std::remove("chosen_comp.log");
    batchtest::writeFile("chosen.qtt", "2,2 1 1 20 0 10 1 0 2 1 1\n");
    user.files.push_back("chosen.qtt");
    bool checked = false;
    user.windowSteps.push_back([&](gui::ModalWindow& w) {
        gui::Dialog* d = w.currentForm();
        checked = d->isChecked(comptest::kDelete) == 1 && d->isChecked(comptest::kClear) == 1;
        EXPECT_EQ(d->userClick(comptest::kOpenFile), "");
        EXPECT_EQ(d->control(comptest::kList)->items.size(), 1u);
        EXPECT_EQ(d->userOk(), "");
    });
    EXPECT_EQ(QTBTXfCompute(), 0);
    EXPECT_TRUE(checked);
    EXPECT_EQ(fileLines("chosen_comp.log").size(), 2u);
}

TEST_F(RunnerTest, RandomInstanceDialogOpensTheTestsOverItself) {
    bool parentMinimised = false;
    std::string parentClass;
    user.windowSteps.push_back([&](gui::ModalWindow& w) {
        EXPECT_EQ(w.currentForm()->userClick(rinst::kTests), "");
        EXPECT_FALSE(w.isMinimized());
        w.userCancel();
    });
    user.windowSteps.push_back([&](gui::ModalWindow& w) {
        EXPECT_EQ(w.caption(), "QTB-Tool Computational Tests");
        parentClass = w.parent()->className();
        parentMinimised = w.parent()->isMinimized();
        w.userCancel();
    });
    EXPECT_EQ(QTBTXfGenerate(), 0);
    EXPECT_EQ(user.windows, (std::vector<std::string>{"RInstDialog", "CCompTestDialog"}));
    EXPECT_EQ(parentClass, "RInstDialog");
    EXPECT_TRUE(parentMinimised);
}

// A batch drawing its seeds from a generator that failed its self-test would
// round the same tables over and over: the repetition stops with the alert.
// Seeds given on the line need no generator.
TEST_F(RunnerTest, FailedGeneratorStopsARepetitionThatDrawsSeeds) {
    testing::internal::CaptureStdout();
    RanrotGenerator rg = failedGenerator(3);
    testing::internal::GetCapturedStdout();
    batch::TestSpec spec;
    spec.seed = 11;
    spec.zeroseed = 5;
    TableParams params;
    EXPECT_TRUE(batchTableSeeds(spec, rg, params));
    EXPECT_EQ(params.seed, 11u);
    EXPECT_TRUE(alerts().empty());
    spec.zeroseed = -1;
    EXPECT_FALSE(batchTableSeeds(spec, rg, params));
    EXPECT_EQ(alerts(), (std::vector<std::string>{
                            "Random number generator failed its self-test! No table was generated."}));
}

}  // namespace
