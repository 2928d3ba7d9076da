// Specification lines and files: the two line formats with every check and
// its message, the zero-value rule, the bias base number taken from the
// first line only, and files read into the test dialog's list.
#include "batch/batch_texts.h"
#include "batch/comp_test_dialog.h"
#include "batch/test_spec.h"
#include "tests/batch/batch_fixture.h"

namespace {

using batch::TestSpec;
using batchtest::alerts;

// An alert as the user reads it: without the reserved first character, at
// most 255 characters.
std::string shown(const std::string& reservedText) {
    return reservedText.substr(1, 255);
}
std::string withHelp(const char* message) {
    return shown(std::string(message) + batch::kLineHelp);
}

class SpecLineTest : public batchtest::BatchTest {
  protected:
    double base = 0;
    TestSpec spec;

    int comp(const std::string& line) { return batch::parseSpecLine(line, false, base, spec); }
    int bias(const std::string& line) { return batch::parseSpecLine(line, true, base, spec); }
    // The one alert of a refused line.
    void expectRefused(int result, const char* message) {
        EXPECT_EQ(result, 1);
        EXPECT_EQ(alerts(), std::vector<std::string>{withHelp(message)});
        host::clearJournal();
    }
};

TEST_F(SpecLineTest, ComputationalLineGivesEveryField) {
    ASSERT_EQ(comp("3,4   17 1.5 49.5 20 10 1 0 -5 2 3"), 0);
    EXPECT_EQ(spec.dim, (std::vector<int32_t>{3, 4}));
    EXPECT_EQ(spec.k, 2);
    EXPECT_EQ(spec.seed, 17);
    EXPECT_EQ(spec.from, 1.5);
    EXPECT_EQ(spec.to, 49.5);
    EXPECT_EQ(spec.pzeroinp, 20);
    EXPECT_EQ(spec.basenumber, 10);
    EXPECT_EQ(spec.randint, 1);
    EXPECT_EQ(gOptions.auditing, 0);
    EXPECT_EQ(spec.zeroseed, -1);  // negative: drawn per repetition
    EXPECT_EQ(spec.timelim, 2);
    EXPECT_EQ(spec.numrep, 3);
    EXPECT_TRUE(alerts().empty());

    // Zero categories are skipped; flags other than 0 count as 1; fields
    // after the last are ignored.
    ASSERT_EQ(comp("3,0,4 -1 1 50 0 5 7 3 9 1 1 extra fields"), 0);
    EXPECT_EQ(spec.dim, (std::vector<int32_t>{3, 4}));
    EXPECT_EQ(spec.randint, 1);
    EXPECT_EQ(gOptions.auditing, 1);
    EXPECT_EQ(spec.zeroseed, 9);
}

TEST_F(SpecLineTest, DimensionsAndLineStructure) {
    expectRefused(comp("0,0 1 1 50 0 10 1 1 1 1 1"), batch::kAlertDimensions);
    // A table needs a positive number of categories in every dimension.
    expectRefused(comp("3,-2 1 1 50 0 10 1 1 1 1 1"), batch::kAlertDimensions);
    EXPECT_EQ(comp(",, 1 1 50 0 10 1 1 1 1 1"), 1);
    EXPECT_EQ(alerts(), (std::vector<std::string>{shown(batch::kAlertDimensionsCommasOnly),
                                                  withHelp(batch::kAlertDimensions)}));
    host::clearJournal();
    expectRefused(comp("   "), batch::kAlertLineStructure);
}

TEST_F(SpecLineTest, MissingAndOutOfRangeFieldsShowTheirFieldsMessage) {
    // Nine fields: the time limit is missing.
    expectRefused(comp("3,4 1 1 50 0 10 1 1 1"), batch::kAlertTimeLimit);
    expectRefused(comp("3,4 1 1 50 0 10 1 1 1 1 0"), batch::kAlertRepetitions);
    expectRefused(comp("3,4 1 1 50 0 10 1 1 1 0 1"), batch::kAlertTimeLimit);
    expectRefused(comp("3,4"), batch::kAlertSeed);
    expectRefused(comp("3,4 1"), batch::kAlertFrom);
    expectRefused(comp("3,4 1 1 50 101 10 1 1 1 1 1"), batch::kAlertZeros);
    expectRefused(comp("3,4 1 1 50 -1 10 1 1 1 1 1"), batch::kAlertZeros);
    expectRefused(comp("3,4 1 1 50 0 0 1 1 1 1 1"), batch::kAlertBase);
    expectRefused(comp("3,4 1 1 50 0 -10 1 1 1 1 1"), batch::kAlertBase);
    expectRefused(comp("3,4 1 nan 50 0 10 1 1 1 1 1"), batch::kAlertFrom);
    expectRefused(comp("3,4 1 1 1e999 0 10 1 1 1 1 1"), batch::kAlertTo);
}

TEST_F(SpecLineTest, NumbersAreReadWholeOrRefused) {
    // Zeros written as numbers are zeros.
    for (const char* zero : {"0", "00", "0.0", "-0", "+0"}) {
        ASSERT_EQ(comp(std::string("3,4 ") + zero + " 1 50 0 10 1 1 1 1 1"), 0) << zero;
        EXPECT_EQ(spec.seed, 0);
    }
    // A field with anything besides its number is not read as its leading
    // part: "12abc" is no 12, "0x2519" no 0, "x" no zero.
    for (const char* seed : {"x", "ab", "12abc", "0x2519", "1.5", "99999999999", "2\x7f"})
        expectRefused(comp(std::string("3,4 ") + seed + " 1 50 0 10 1 1 1 1 1"),
                      batch::kAlertSeed);
    expectRefused(comp("3,4 1 2.5x 50 0 10 1 1 1 1 2"), batch::kAlertFrom);
    expectRefused(comp("3,4 1 0x10 50 0 10 1 1 1 1 2"), batch::kAlertFrom);
    expectRefused(comp("3,4 1 1 50 0 10 1 1 1 1 2.9"), batch::kAlertRepetitions);
    expectRefused(comp("3,4 1 1 50 0 10 1 no 1 1 1"), batch::kAlertAuditingFlag);
    // Decimal notations of numbers are numbers.
    ASSERT_EQ(comp("3,4 1 .5 5e1 0 1E+1 1 1 1 1 2"), 0);
    EXPECT_EQ(spec.from, 0.5);
    EXPECT_EQ(spec.to, 50);
    EXPECT_EQ(spec.basenumber, 10);
    // A dimension that is not a whole number makes no table of another shape.
    expectRefused(comp("0x3,4 1 1 50 0 10 1 1 1 1 1"), batch::kAlertDimensions);
    expectRefused(comp("3,4x 1 1 50 0 10 1 1 1 1 1"), batch::kAlertDimensions);
    ASSERT_EQ(comp("3,,4, 1 1 50 0 10 1 1 1 1 1"), 0);
    EXPECT_EQ(spec.dim, (std::vector<int32_t>{3, 4}));
}

TEST_F(SpecLineTest, CountsThatSizeTheLogAreLimited) {
    // A bias base of 10^9 would make a tally of 10^9 classes and a log line of
    // three billion fields: the base is kept to what a sheet can hold.
    EXPECT_EQ(bias("3,4 0 1 100 1e9 1 2"), 1);
    EXPECT_EQ(alerts(), std::vector<std::string>{
                            "The base number of a bias test can be at most 84: its log line holds "
                            "three fields for every remainder, and a sheet has 256 columns."});
    EXPECT_EQ(base, 0);
    host::clearJournal();
    EXPECT_EQ(bias("3,4 0 1 100 85 1 2"), 1);
    host::clearJournal();
    ASSERT_EQ(bias("3,4 0 1 100 84.5 1 2"), 0);  // cut to 84
    EXPECT_EQ(base, 84);
    host::clearJournal();
    EXPECT_EQ(comp("3,4 1 1 50 0 10 1 1 1 1 65536"), 1);
    EXPECT_EQ(alerts(), std::vector<std::string>{
                            "A test line can run at most 65535 repetitions: its log lines must "
                            "fit a sheet's rows."});
    host::clearJournal();
    EXPECT_EQ(comp("3,4 1 1 50 0 10 1 1 1 1 65535"), 0);
}

TEST_F(SpecLineTest, AuditingIsStoredAsSoonAsItIsRead) {
    gOptions.auditing = 1;
    EXPECT_EQ(comp("3,4 1 1 50 0 10 1 0 1 1 0"), 1);  // fails on its last field
    EXPECT_EQ(gOptions.auditing, 0);
}

TEST_F(SpecLineTest, BiasBaseNumberComesFromTheFirstLineAndIsWhole) {
    ASSERT_EQ(bias("4,5 1 1 100 2.5 1 3"), 0);
    EXPECT_EQ(alerts(),
              std::vector<std::string>{"During the bias test mode, the base number should be "
                                       "integer! 2.500000 will be truncated to 2.000000."});
    EXPECT_EQ(base, 2);
    EXPECT_EQ(spec.basenumber, 2);
    EXPECT_EQ(gOptions.randomWeights, 1);
    EXPECT_EQ(gOptions.auditing, 0);
    EXPECT_EQ(spec.seed, -1);
    EXPECT_EQ(spec.zeroseed, -1);
    EXPECT_EQ(spec.randint, 1);
    EXPECT_EQ(spec.pzeroinp, 0);
    EXPECT_EQ(spec.numrep, 3);
    host::clearJournal();

    // Later lines keep the batch's base, but must still have the field.
    ASSERT_EQ(bias("3 0 1 100 7 1 1"), 0);
    EXPECT_EQ(spec.basenumber, 2);
    EXPECT_EQ(gOptions.randomWeights, 0);
    EXPECT_TRUE(alerts().empty());
    expectRefused(bias("3 0 1 100"), batch::kAlertBiasBase);
}

TEST_F(SpecLineTest, BiasBaseBelowOneIsRefused) {
    expectRefused(bias("4,5 0 1 100 0.5 1 3"), batch::kAlertBiasBase);
    expectRefused(bias("4,5 0 1 100 abc 1 3"), batch::kAlertBiasBase);
    EXPECT_EQ(base, 0);
    expectRefused(bias("4,5 0 1 100 5 0 3"), batch::kAlertTimeLimit);
    expectRefused(bias("4,5 0 1 100 5 1 0"), batch::kAlertRepetitions);
}

class SpecFileTest : public batchtest::BatchTest {
  protected:
    std::vector<std::string> listed(CCompTestDialog& d) {
        std::vector<std::string> out;
        const gui::Control* list = d.control(comptest::kList);
        if (list) out = list->items;
        return out;
    }
};

TEST_F(SpecFileTest, NonEmptyLinesBecomeEntriesInFileOrder) {
    CCompTestDialog d(0, nullptr);
    ASSERT_TRUE(d.createWindow());
    EXPECT_EQ(d.caption(), "QTB-Tool Computational Tests");
    // The second line is empty; the last has no line feed; a CR LF line end
    // is a line end.
    batchtest::writeFile("three.qtt", "3,4 1 1 50 0 10 1 1 1 1 1\n\r\n2,2 -1 1 9 0 5 1 0 -1 1 2");
    d.readSpecificationFile("three.qtt");
    EXPECT_EQ(listed(d),
              (std::vector<std::string>{"3,4 1 1 50 0 10 1 1 1 1 1", "2,2 -1 1 9 0 5 1 0 -1 1 2"}));
    EXPECT_EQ(d.itemText(comptest::kPath), "three.qtt");

    // "Clear" unchecked: a second file is added below; a line of any length
    // is one entry.
    const std::string longLine(10000, 'x');
    batchtest::writeFile("more.qtt", longLine + "\n");
    d.readSpecificationFile("more.qtt");
    ASSERT_EQ(listed(d).size(), 3u);
    EXPECT_EQ(listed(d)[2], longLine);
    EXPECT_EQ(d.itemText(comptest::kPath), "more.qtt");
    d.setChecked(comptest::kClear, gui::kChecked);
    d.readSpecificationFile("three.qtt");
    EXPECT_EQ(listed(d).size(), 2u);

    // Parsing selects the entry.
    EXPECT_EQ(d.parseTestLine(1), 0);
    EXPECT_EQ(d.control(comptest::kList)->selection, 1);
    EXPECT_EQ(d.testSpec().dim, (std::vector<int32_t>{2, 2}));
    d.destroyWindow();
}

TEST_F(SpecFileTest, TextFilesOfOtherEditorsAreReadAsTheyMeanIt) {
    CCompTestDialog d(0, nullptr);
    ASSERT_TRUE(d.createWindow());
    d.setChecked(comptest::kClear, gui::kChecked);
    const std::vector<std::string> both = {"3,4 1 1 50 0 10 1 1 1 1 1", "2,2 -1 1 9 0 5 1 0 -1 1 2"};
    // CR-only line ends (old Mac editors): two lines, not one.
    batchtest::writeFile("cr.qtt", both[0] + "\r" + both[1] + "\r");
    d.readSpecificationFile("cr.qtt");
    EXPECT_EQ(listed(d), both);
    // A UTF-8 byte order mark is not part of the first field.
    batchtest::writeFile("bom.qtt", "\xEF\xBB\xBF" + both[0] + "\r\n" + both[1] + "\r\n");
    d.readSpecificationFile("bom.qtt");
    EXPECT_EQ(listed(d), both);
    ASSERT_EQ(d.parseTestLine(0), 0);
    EXPECT_EQ(d.testSpec().dim, (std::vector<int32_t>{3, 4}));
    // UTF-16 with its byte order mark, as Windows editors save "Unicode".
    std::string utf16le = "\xFF\xFE", utf16be = "\xFE\xFF";
    for (char c : both[0] + "\r\n" + both[1]) {
        utf16le += std::string{c, '\0'};
        utf16be += std::string{'\0', c};
    }
    batchtest::writeFile("le.qtt", utf16le);
    d.readSpecificationFile("le.qtt");
    EXPECT_EQ(listed(d), both);
    batchtest::writeFile("be.qtt", utf16be);
    d.readSpecificationFile("be.qtt");
    EXPECT_EQ(listed(d), both);
    EXPECT_TRUE(alerts().empty());
    // A NUL byte (UTF-16 without its mark, or a binary file) is refused with
    // its line, and no line of the file is listed.
    batchtest::writeFile("nul.qtt", both[0] + "\n" + std::string("2\0junk 1 1 9 0 5 1 0 -1 1 2", 28));
    d.readSpecificationFile("nul.qtt");
    EXPECT_TRUE(listed(d).empty());
    EXPECT_EQ(alerts(),
              std::vector<std::string>{"The test file cannot be read: line 2 holds a NUL byte, "
                                       "which no text has (a UTF-16 file needs its byte order "
                                       "mark)"});
    d.destroyWindow();
}

TEST_F(SpecFileTest, AFileThatCannotBeReadLeavesTheListAlone) {
    CCompTestDialog d(1, nullptr);
    ASSERT_TRUE(d.createWindow());
    EXPECT_EQ(d.caption(), "QTB-Tool Bias Tests");
    batchtest::writeFile("one.qtv", "3,4 0 1 50 5 1 1\n");
    d.setChecked(comptest::kClear, gui::kChecked);
    d.readSpecificationFile("one.qtv");
    d.readSpecificationFile("missing.qtv");
    d.readSpecificationFile(".");  // a folder
    EXPECT_EQ(alerts(), (std::vector<std::string>{"Cannot open file missing.qtv for reading!",
                                                  "Cannot open file . for reading!"}));
    EXPECT_EQ(listed(d).size(), 1u);
    EXPECT_EQ(d.itemText(comptest::kPath), "one.qtv");
    // A path too long for a host text keeps its end, the file's name.
    const std::string deep = std::string(300, 'd') + "/missing.qtv";
    host::clearJournal();
    d.readSpecificationFile(deep);
    ASSERT_EQ(alerts().size(), 1u);
    EXPECT_LE(alerts()[0].size(), 255u);
    EXPECT_EQ(alerts()[0].rfind("/missing.qtv for reading!"), alerts()[0].size() - 25);
    d.destroyWindow();
}

}  // namespace
