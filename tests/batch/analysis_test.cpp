// The analysis of logs through the real host: the computational log sorted
// into one sheet per test with its averages row and a summary, the bias log
// extended by its totals and probabilities, and the refusals.
#include "batch/analysis.h"

#include <filesystem>

#include "tests/batch/batch_fixture.h"

namespace {

using batchtest::alerts;

const char kCompHeader[] =
    "TestNumber;ObjectiveFuncValue;Zero-restricted;MaximumJump;BaseJumps;OverallTime;"
    "ResolutionTime;PercentageZeros;PercentageBetaMults;PercentageIntegers\n";
// Tests 2, 1, 2 in this order (the runner appends lines as batches run).
const char kCompRows[] =
    "2;10,000000;YES;4,000000;1;0,500000;0,250000;0,000000;10,000000;100,000000\n"
    "1;7,500000;NO;12,000000;2;1,000000;0,750000;5,000000;20,000000;50,000000\n"
    "2;20,000000;NO;6,000000;1;1,500000;0,750000;10,000000;30,000000;100,000000\n";
const char kBiasHeader[] =
    "TestNumber;a_i-b[a_i/b]=0;#total;#rounded up;\"=1\";#tot;#rup;\"=2\";#tot;#rup\n";
const char kBiasRows[] = "2;0;4;0;1;5;2;2;6;5;\n1;0;3;0;1;6;1;2;7;7;\n";

class AnalysisTest : public batchtest::BatchTest {
  protected:
    host::CellInfo cell(const std::string& ref) {
        host::CellInfo info;
        std::string error;
        EXPECT_TRUE(host::readCell(ref, info, error)) << ref << ": " << error;
        return info;
    }
    double number(const std::string& ref) {
        host::CellInfo info = cell(ref);
        EXPECT_TRUE(info.value.isNum()) << ref << " holds " << info.text;
        return info.value.isNum() ? info.value.num : -1;
    }
    std::string text(const std::string& ref) { return cell(ref).text; }
    int analyze(const std::string& log, const std::string& contents) {
        batchtest::writeFile(log, contents);
        user.files.push_back(log);
        return QTBTXfAnalize();
    }
    int analyzeBias(const std::string& log, const std::string& contents) {
        batchtest::writeFile(log, contents);
        user.files.push_back(log);
        return QTBTXfAnalizeBias();
    }
};

TEST_F(AnalysisTest, OneSheetPerTestAndASummaryOfAverages) {
    ASSERT_EQ(analyze("ana_comp.log", std::string(kCompHeader) + kCompRows), 0);
    EXPECT_TRUE(alerts().empty());
    const std::string book = host::activeWorkbook();
    EXPECT_EQ(host::sheetNames(book),
              (std::vector<std::string>{"ana_comp - 2", "ana_comp - 1", "ana_comp - Resume",
                                        "Sheet2", "Sheet3"}));
    // The log itself is sorted, its title row first.
    EXPECT_EQ(number("[ana_comp]ana_comp!A2"), 1);
    EXPECT_EQ(number("[ana_comp]ana_comp!B3"), 10);

    const std::string s = "'[" + book + "]ana_comp - Resume'!";
    EXPECT_EQ(text(s + "A1"), "TestNumber");
    EXPECT_EQ(text(s + "J1"), "PercentageIntegers");
    // Row counts, YES counts and the averages, one row per test.
    const double test1[] = {1, 7.5, 0, 12, 2, 1, 0.75, 5, 20, 50};
    const double test2[] = {2, 15, 1, 5, 1, 1, 0.5, 5, 20, 100};
    for (int c = 0; c < 10; ++c) {
        const std::string col(1, char('A' + c));
        EXPECT_DOUBLE_EQ(number(s + col + "2"), test1[c]) << col;
        EXPECT_DOUBLE_EQ(number(s + col + "3"), test2[c]) << col;
    }
    EXPECT_TRUE(text(s + "A4").empty());

    // The test sheets: title, the log rows in log order, the averages row
    // with formulas over the rows above it.
    const std::string t2 = "'[" + book + "]ana_comp - 2'!";
    EXPECT_EQ(text(t2 + "A1"), "TestNumber");
    EXPECT_EQ(number(t2 + "B2"), 10);
    EXPECT_EQ(number(t2 + "B3"), 20);
    EXPECT_EQ(number(t2 + "A4"), 2);
    EXPECT_EQ(number(t2 + "C4"), 1);
    EXPECT_EQ(cell(t2 + "B4").formulaA1, "=AVERAGE($B$2:$B$3)");
    EXPECT_EQ(number(t2 + "B4"), 15);
    EXPECT_EQ(cell(t2 + "J4").formulaA1, "=AVERAGE($J$2:$J$3)");
    EXPECT_TRUE(text(t2 + "A5").empty());
    const std::string t1 = "'[" + book + "]ana_comp - 1'!";
    EXPECT_EQ(text(t1 + "C2"), "NO");
    EXPECT_EQ(number(t1 + "A3"), 1);
    EXPECT_EQ(cell(t1 + "G3").formulaA1, "=AVERAGE($G$2:$G$2)");
}

TEST_F(AnalysisTest, SummaryNameMustFitASheetName) {
    // 22 characters plus " - Resume" make 31, the longest sheet name.
    ASSERT_EQ(analyze("abcdefghijklmnopqrstuv.log", std::string(kCompHeader) + kCompRows), 0);
    EXPECT_EQ(host::sheetNames(host::activeWorkbook())[2], "abcdefghijklmnopqrstuv - Resume");
    host::reset();
    EXPECT_EQ(analyze("abcdefghijklmnopqrstuvw.log", std::string(kCompHeader) + kCompRows), 1);
    EXPECT_EQ(alerts(), std::vector<std::string>{
                            "Automatically created workbookname is too long!\n Please choose a "
                            "shorter name for the original workbook that contains the test "
                            "results."});
    // No sheet got its new name.
    EXPECT_EQ(host::sheetNames(host::activeWorkbook()),
              (std::vector<std::string>{"Sheet1", "Sheet2", "Sheet3"}));
}

TEST_F(AnalysisTest, RefusedLogs) {
    EXPECT_EQ(analyze("empty_comp.log", kCompHeader), 1);
    EXPECT_EQ(alerts(),
              std::vector<std::string>{"First colum must contain test identification number!"});
    host::clearJournal();
    // A path that a host text cannot hold is not cut into another file's name.
    const std::string dir = std::string(200, 'd') + "/" + std::string(60, 'e');
    std::filesystem::create_directories(dir);
    EXPECT_EQ(analyze(dir + "/x_comp.log", std::string(kCompHeader) + kCompRows), 1);
    EXPECT_EQ(alerts(), std::vector<std::string>{"Unable to open selected file for reading."});
    // Cancelling the file dialog ends the command.
    EXPECT_EQ(QTBTXfAnalize(), 1);
}

TEST_F(AnalysisTest, BiasLogGetsTotalsAndProbabilities) {
    ASSERT_EQ(analyzeBias("b_bias.log", std::string(kBiasHeader) + kBiasRows + "Base Number = 3\n"),
              0);
    EXPECT_TRUE(alerts().empty());
    EXPECT_EQ(gOptions.basenumber, 3);
    const std::string s = "[b_bias]b_bias!";
    EXPECT_EQ(number(s + "A2"), 1);
    EXPECT_EQ(number(s + "A3"), 2);
    EXPECT_EQ(text(s + "A4"), "Base Number = 3");
    // Totals per remainder class in the base number's row.
    EXPECT_EQ(cell(s + "C4").formulaA1, "=SUM($C$2:$C$3)");
    const double totals[] = {0, 7, 0, 1, 11, 3, 2, 13, 12};
    for (int c = 0; c < 9; ++c)
        EXPECT_EQ(number(s + std::string(1, char('B' + c)) + "4"), totals[c]) << c;
    EXPECT_EQ(text(s + "A6"), "Distance from Base");
    EXPECT_EQ(text(s + "A7"), "Probability to Be Rounded Up");
    for (int q = 0; q <= 3; ++q) EXPECT_EQ(number(s + std::string(1, char('B' + q)) + "6"), q);
    EXPECT_EQ(cell(s + "C7").formulaA1, "=($G$4)/($F$4)");
    EXPECT_DOUBLE_EQ(number(s + "B7"), 0);
    EXPECT_DOUBLE_EQ(number(s + "C7"), 3.0 / 11);
    EXPECT_DOUBLE_EQ(number(s + "D7"), 12.0 / 13);
    EXPECT_EQ(cell(s + "E7").formulaA1, "=1-($B$7)");
    EXPECT_DOUBLE_EQ(number(s + "E7"), 1);
}

TEST_F(AnalysisTest, InterruptedBiasLogIsOnlySorted) {
    ASSERT_EQ(analyzeBias("i_bias.log", std::string(kBiasHeader) + kBiasRows), 0);
    const std::string s = "[i_bias]i_bias!";
    EXPECT_EQ(number(s + "A2"), 1);  // the last data row is sorted too
    EXPECT_EQ(number(s + "A3"), 2);
    EXPECT_TRUE(text(s + "B4").empty());
    EXPECT_TRUE(text(s + "A6").empty());
    EXPECT_EQ(gOptions.basenumber, 10);
}

}  // namespace
