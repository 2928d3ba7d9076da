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

TEST_F(SpecLineTest, ZeroValuesNeedAZeroLikeText) {
    for (const char* zero : {"0", "00", "0.0", "-0", "x"}) {
        EXPECT_TRUE(batch::acceptableZero(zero)) << zero;
        ASSERT_EQ(comp(std::string("3,4 ") + zero + " 1 50 0 10 1 1 1 1 1"), 0) << zero;
        EXPECT_EQ(spec.seed, 0);
    }
    for (const char* notZero : {"ab", "abc", "-0.0"}) EXPECT_FALSE(batch::acceptableZero(notZero));
    expectRefused(comp("3,4 ab 1 50 0 10 1 1 1 1 1"), batch::kAlertSeed);
    expectRefused(comp("3,4 1 1 50 0 10 1 no 1 1 1"), batch::kAlertAuditingFlag);
    // Integer fields take the leading integer, number fields the leading number.
    ASSERT_EQ(comp("3,4 12abc 2.5x 50 0 10 1 1 1 1 2.9"), 0);
    EXPECT_EQ(spec.seed, 12);
    EXPECT_EQ(spec.from, 2.5);
    EXPECT_EQ(spec.numrep, 2);
    EXPECT_EQ(batch::leadingInteger("99999999999"), INT32_MAX);
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
