// The logs of the batches: their names beside the specification file, the
// exact line layouts with decimal commas, headers only when a file is made,
// and the bias tally by remainder class.
#include <cstdio>

#include "batch/batch_texts.h"
#include "batch/test_logs.h"
#include "engine/engine.h"
#include "tests/batch/batch_fixture.h"

namespace {

using batchtest::fileLines;
using batchtest::readFile;

TEST(LogPath, OnlyADotInTheFileNameStartsTheExtension) {
    EXPECT_EQ(batch::logPathFor("C:\\tests\\batch.qtt", "_comp.log"), "C:\\tests\\batch_comp.log");
    EXPECT_EQ(batch::logPathFor("C:\\tests\\batch.qtt", "_bias.log"), "C:\\tests\\batch_bias.log");
    EXPECT_EQ(batch::logPathFor("C:\\tests\\batch", "_comp.log"), "C:\\tests\\batch_comp.log");
    EXPECT_EQ(batch::logPathFor("C:\\my.dir\\batch", "_comp.log"), "C:\\my.dir\\batch_comp.log");
    EXPECT_EQ(batch::logPathFor("/home/my.dir/batch", "_bias.log"), "/home/my.dir/batch_bias.log");
    EXPECT_EQ(batch::logPathFor("/x/batch.v2.qtv", "_bias.log"), "/x/batch.v2_bias.log");
    EXPECT_EQ(batch::logPathFor("batch.qtt", "_comp.log"), "batch_comp.log");
}

TEST(LogPath, MessagesWithLongPathsFitAHostText) {
    EXPECT_EQ(batch::framedPathText(" Cannot open file ", "a.log", " for writing!"),
              " Cannot open file a.log for writing!");
    const std::string path = "/" + std::string(400, 'p') + "/batch_comp.log";
    const std::string text = batch::framedPathText(" Cannot open file ", path, " for writing!");
    EXPECT_EQ(text.size(), 256u);  // the reserved character and 255 more
    EXPECT_EQ(text.rfind(" Cannot open file ...", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 28), "/batch_comp.log for writing!");
}

TEST(CompLog, LineLayout) {
    batch::CompLogFigures f;
    f.testNumber = 3;
    f.objective = 12.5;
    f.maxDeviation = 15;
    f.basenumber = 10;
    f.overallSeconds = 0.25;
    f.resolutionSeconds = 0.125;
    f.zeroCount = 1;
    f.baseMultipleCount = 2;
    f.integerCount = 8;
    f.ncells = 8;
    EXPECT_EQ(batch::compLogLine(f),
              "3;12,500000;YES;15,000000;2;0,250000;0,125000;12,500000;25,000000;100,000000\n");
    f.extendedUsed = 1;
    f.maxDeviation = 0;
    EXPECT_EQ(batch::compLogLine(f).substr(0, 29), "3;12,500000;NO;0,000000;0;0,2");
    EXPECT_EQ(batch::compLogHeader(),
              "TestNumber;ObjectiveFuncValue;Zero-restricted;MaximumJump;BaseJumps;OverallTime;"
              "ResolutionTime;PercentageZeros;PercentageBetaMults;PercentageIntegers\n");
}

class LogFileTest : public batchtest::BatchTest {};

TEST_F(LogFileTest, CompLogHeaderOnlyWhenTheFileIsMade) {
    std::remove("run_comp.log");
    gEngine.bestUB = 12.5;
    gOptions.basenumber = 10;
    gInstance.ncells = 4;
    gInstance.integerCount = 4;
    ASSERT_EQ(batch::writeCompLog("run.qtt", 1, 0, 15, 0.5, 1), 0);
    EXPECT_EQ(batchtest::statuses(),
              std::vector<std::string>{"Creating new file run_comp.log for writing!"});
    ASSERT_EQ(batch::writeCompLog("run.qtt", 2, 1, 0, 0.5, 1), 0);
    const auto lines = fileLines("run_comp.log");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0] + "\n", batch::compLogHeader());
    EXPECT_EQ(lines[1],
              "1;12,500000;YES;15,000000;2;1,000000;0,500000;0,000000;0,000000;100,000000");
    EXPECT_EQ(lines[2].substr(0, 18), "2;12,500000;NO;0,0");
    EXPECT_EQ(batchtest::statuses().size(), 1u);

    // A log that cannot be opened: alert, -1, nothing written anywhere.
    EXPECT_EQ(batch::writeCompLog("no-such-folder/run.qtt", 1, 0, 0, 0, 0), -1);
    EXPECT_EQ(
        batchtest::alerts(),
        std::vector<std::string>{"Cannot open file no-such-folder/run_comp.log for writing!"});
}

TEST(BiasTally, RemainderClasses) {
    EXPECT_EQ(batch::remainderOf(17, 5), 2);
    EXPECT_EQ(batch::remainderOf(-3, 5), 2);
    EXPECT_EQ(batch::remainderOf(10, 5), 0);
    EXPECT_EQ(batch::remainderOf(-5, 5), 0);
    EXPECT_EQ(batch::remainderOf(4, 5), 4);
    EXPECT_EQ(batch::remainderOf(4.9999999999999991, 5), 4);
}

TEST_F(LogFileTest, BiasTallyCountsCellsAndRoundingsUp) {
    struct {
        double nominal, rounded;
    } cells[] = {{17, 20}, {-3, -5}, {12, 12}, {12, 15}, {0, 0}};
    for (const auto& c : cells) {
        Cell* cell = newCell();
        cell->nominal = c.nominal;
        cell->rounded = c.rounded;
        cell->next = gInstance.cellList;
        gInstance.cellList = cell;
    }
    gOptions.basenumber = 5.7;  // cut to 5, and the option keeps it
    auto tally = batch::tallyBias();
    ASSERT_TRUE(tally);
    EXPECT_EQ(gOptions.basenumber, 5);
    EXPECT_EQ(tally->base, 5);
    EXPECT_EQ(tally->cells, (std::vector<int32_t>{1, 0, 4, 0, 0}));
    EXPECT_EQ(tally->roundedUp, (std::vector<int32_t>{0, 0, 2, 0, 0}));
    EXPECT_EQ(batch::biasLogLine(*tally, 4), "4;0;1;0;1;0;0;2;4;2;3;0;0;4;0;0;\n");
    gOptions.basenumber = 0;
    EXPECT_FALSE(batch::tallyBias());
}

TEST_F(LogFileTest, BiasLogHeaderOnceAndTheBaseNumberLineLast) {
    EXPECT_EQ(batch::biasLogHeader(3),
              "TestNumber;a_i-b[a_i/b]=0;#total;#rounded up;\"=1\";#tot;#rup;\"=2\";#tot;#rup\n");
    std::remove("b_bias.log");
    batch::ProbArray p;
    p.base = 3;
    p.cells = {4, 5, 6};
    p.roundedUp = {0, 1, 6};
    gOptions.basenumber = 3;
    ASSERT_EQ(batch::writeBiasLog("b.qtv", p, 1, 0), 0);
    ASSERT_EQ(batch::writeBiasLog("b.qtv", p, 2, 1), 0);
    EXPECT_EQ(readFile("b_bias.log"), batch::biasLogHeader(3) +
                                          "1;0;4;0;1;5;1;2;6;6;\n"
                                          "2;0;4;0;1;5;1;2;6;6;\n"
                                          "Base Number = 3\n");
}

}  // namespace
