// The example batches run with the quorant program as a user runs them: the
// logs get one line per repetition with plausible figures, and the analyses
// written by the program hold the counts and averages of the log, which
// LibreOffice (when installed) recomputes from the saved formulas.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "host/host.h"
#include "tests/batch/batch_fixture.h"
#include "tests/host/package_util.h"
#include "tests/support/cli_run.h"

namespace {

using clirun::Outcome;

Outcome quorant(const std::string& args) {
    return clirun::quorant(args, false);
}

namespace fs = std::filesystem;
using batchtest::fileLines;
using batchtest::readFile;
using batchtest::split;

const std::string kExamples = std::string(QUORANT_SOURCE_DIR) + "/examples/";

double logNumber(std::string text) {
    for (char& c : text)
        if (c == ',') c = '.';
    return std::stod(text);
}

double cellNumber(const std::string& ref) {
    host::CellInfo info;
    std::string error;
    EXPECT_TRUE(host::readCell(ref, info, error)) << ref << ": " << error;
    return info.value.isNum() ? info.value.num : NAN;
}

// The rows of a csv file that LibreOffice wrote, as numbers where they are.
std::vector<std::vector<std::string>> csvRows(const std::string& path) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& line : fileLines(path)) rows.push_back(split(line, ','));
    return rows;
}

class CliBatchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::remove_all("run");
        fs::create_directories("run");
        host::reset();
    }
    void TearDown() override { host::reset(); }
};

TEST_F(CliBatchTest, ExampleComputationalBatchAndItsAnalysis) {
    fs::copy_file(kExamples + "batch.qtt", "run/batch.qtt");
    Outcome r = quorant("tests run/batch.qtt");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("test line 1 of 3, repetition 1 of 5"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("test line 3 of 3, repetition 5 of 5"), std::string::npos);
    EXPECT_NE(r.out.find("batch_comp.log (15 new repetition lines)"), std::string::npos) << r.out;

    // Per test: the number of lines, of YES, and the sums of every column.
    const auto lines = fileLines("run/batch_comp.log");
    ASSERT_EQ(lines.size(), 16u);
    std::map<int, std::vector<double>> sums;
    std::map<int, int> counts, yes;
    for (size_t i = 1; i < lines.size(); ++i) {
        const auto f = split(lines[i], ';');
        ASSERT_EQ(f.size(), 10u) << lines[i];
        const int test = std::stoi(f[0]);
        EXPECT_EQ(test, int(i + 4) / 5);
        ++counts[test];
        yes[test] += f[2] == "YES";
        auto& s = sums[test];
        s.resize(10);
        for (int c : {1, 3, 4, 5, 6, 7, 8, 9}) s[size_t(c)] += logNumber(f[size_t(c)]);
        EXPECT_GE(logNumber(f[1]), 0);
        EXPECT_LE(logNumber(f[6]), logNumber(f[5]));
        for (int c : {7, 8, 9}) EXPECT_LE(logNumber(f[size_t(c)]), 100);
    }

    r = quorant("--quiet analyze run/batch_comp.log -o run/analysis.xlsx");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("wrote run/analysis.xlsx"), std::string::npos) << r.out;
    std::string error;
    ASSERT_TRUE(host::openWorkbook("run/analysis.xlsx", error)) << error;
    const std::string summary = "'[analysis]batch_comp - Resume'!";
    for (int test = 1; test <= 3; ++test) {
        const std::string row = std::to_string(test + 1);
        EXPECT_EQ(cellNumber(summary + "A" + row), counts[test]);
        EXPECT_EQ(cellNumber(summary + "C" + row), yes[test]);
        for (int c : {1, 3, 4, 5, 6, 7, 8, 9}) {
            const std::string ref = summary + char('A' + c) + row;
            EXPECT_NEAR(cellNumber(ref), sums[test][size_t(c)] / counts[test], 1e-9) << ref;
        }
    }

    if (!hosttest::haveSoffice())
        GTEST_SKIP() << "soffice (libreoffice-calc-nogui) is not installed";
    fs::create_directories("lo");
    ASSERT_EQ(hosttest::sofficeToCsv("run/analysis.xlsx", "lo"), 0) << readFile("soffice.log");
    for (int test = 1; test <= 3; ++test) {
        // The averages row below the five rows of the test, as LibreOffice
        // computes it from the formulas.
        const auto rows = csvRows("lo/analysis-batch_comp - " + std::to_string(test) + ".csv");
        ASSERT_GE(rows.size(), 7u);
        const auto& averages = rows[6];
        for (int c : {1, 3, 4, 5, 6, 7, 8, 9}) {
            const std::string ref = summary + char('A' + c) + std::to_string(test + 1);
            EXPECT_NEAR(std::stod(averages[size_t(c)]), cellNumber(ref), 1e-6) << ref;
        }
    }
}

TEST_F(CliBatchTest, ExampleBiasBatchAndItsAnalysis) {
    fs::copy_file(kExamples + "batch.qtv", "run/batch.qtv");
    Outcome r = quorant("--quiet bias-tests run/batch.qtv --keep-books");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = fileLines("run/batch_bias.log");
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_EQ(lines.back(), "Base Number = 5");
    // Kept workbooks: a test workbook and one result copy per repetition.
    EXPECT_EQ(std::distance(fs::directory_iterator("run/batch-books"), fs::directory_iterator{}),
              30);

    r = quorant("--quiet analyze-bias run/batch_bias.log");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Probability to Be Rounded Up;0;"), std::string::npos) << r.out;
    std::string error;
    ASSERT_TRUE(host::openWorkbook("run/batch_bias-analysis.xlsx", error)) << error;
    const std::string s = "'[batch_bias-analysis]batch_bias'!";
    // Row 17 holds the totals, rows 19 and 20 distances and probabilities.
    double total = 0;
    for (const char* col : {"C", "F", "I", "L", "O"}) total += cellNumber(s + col + "17");
    EXPECT_EQ(total, 10 * 42 + 5 * 125);  // 5 x 6 and 4 x 4 x 4 tables with all totals
    EXPECT_EQ(cellNumber(s + "B20"), 0);
    for (const char* col : {"C", "D", "E", "F"}) {
        EXPECT_GE(cellNumber(s + col + "20"), 0);
        EXPECT_LE(cellNumber(s + col + "20"), 1);
    }
    EXPECT_EQ(cellNumber(s + "G19"), 5);
    EXPECT_EQ(cellNumber(s + "G20"), 1);

    if (!hosttest::haveSoffice())
        GTEST_SKIP() << "soffice (libreoffice-calc-nogui) is not installed";
    fs::create_directories("lo");
    ASSERT_EQ(hosttest::sofficeToCsv("run/batch_bias-analysis.xlsx", "lo"), 0)
        << readFile("soffice.log");
    const auto rows = csvRows("lo/batch_bias-analysis-batch_bias.csv");
    ASSERT_GE(rows.size(), 20u);
    for (int col = 1; col <= 15; ++col) {
        const std::string ref = s + char('A' + col) + "17";
        EXPECT_NEAR(std::stod(rows[16][size_t(col)]), cellNumber(ref), 1e-9) << ref;
    }
    for (int col = 1; col <= 6; ++col) {
        const std::string ref = s + char('A' + col) + "20";
        EXPECT_NEAR(std::stod(rows[19][size_t(col)]), cellNumber(ref), 1e-9) << ref;
    }
}

TEST_F(CliBatchTest, BadCommandLinesAndFiles) {
    EXPECT_EQ(quorant("tests").status, 2);
    EXPECT_EQ(quorant("tests a.qtt --fast").status, 2);
    Outcome r = quorant("tests run/none.qtt");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot read run/none.qtt"), std::string::npos);
    batchtest::writeFile("run/blank.qtt", "\n  \n");
    EXPECT_EQ(quorant("tests run/blank.qtt").status, 1);
    // A line the reader refuses: its message, and a failed batch.
    batchtest::writeFile("run/bad.qtt", "3,4 1 1 50 0 10 1 1 1\n");
    r = quorant("tests run/bad.qtt");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Error while reading maximum time limit"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Unable to extract values from line."), std::string::npos);
    EXPECT_FALSE(fs::exists("run/bad_comp.log"));
}

// Each analysis takes only its own kind of log: a log of the other kind, a
// workbook or any other file is refused with what it is, and nothing is
// written (an analysis written earlier stays as it was).
TEST_F(CliBatchTest, AnalysesRefuseFilesThatAreNotTheirLogs) {
    batchtest::writeFile("run/c_comp.log",
                         "TestNumber;ObjectiveFuncValue;Zero-restricted;MaximumJump;BaseJumps;"
                         "OverallTime;ResolutionTime;PercentageZeros;PercentageBetaMults;"
                         "PercentageIntegers\n1;30,000000;YES;8,000000;1;0,1;0,1;0;0;100\n");
    batchtest::writeFile("run/b_bias.log",
                         "TestNumber;a_i-b[a_i/b]=0;#total;#rounded up;\"=1\";#tot;#rup\n"
                         "1;0;3;0;1;4;2\nBase Number = 2\n");
    batchtest::writeFile("run/c_comp-analysis.xlsx", "written before");
    fs::copy_file(kExamples + "employment.xlsx", "run/employment.xlsx");
    const auto filesBefore = std::distance(fs::directory_iterator("run"), fs::directory_iterator{});

    Outcome r = quorant("--quiet analyze-bias run/c_comp.log");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("run/c_comp.log is not a bias test log but a computational test log: "
                         "analyse it with quorant analyze"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(readFile("run/c_comp-analysis.xlsx"), "written before");
    r = quorant("--quiet analyze run/b_bias.log");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("but a bias test log: analyse it with quorant analyze-bias"),
              std::string::npos)
        << r.err;
    for (const char* command : {"analyze", "analyze-bias"}) {
        r = quorant(std::string("--quiet ") + command + " run/employment.xlsx");
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_NE(r.err.find("is not a"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("callback failed"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("too long"), std::string::npos) << r.err;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator("run"), fs::directory_iterator{}), filesBefore)
        << "a refused analysis must write nothing";

    // The bias log is one: its analysis is made.
    r = quorant("--quiet analyze-bias run/b_bias.log");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists("run/b_bias-analysis.xlsx"));
}

}  // namespace
