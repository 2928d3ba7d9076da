// Instance and solution files: exact layouts, loading rules, and refusal of
// every malformed file without leaving half an instance behind.
#include "files/instance_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "instance/instance.h"
#include "tests/support/recording_host.h"

namespace {

std::string readAll(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

class InstanceFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        unloadInstance();
        gOptions = RoundingOptions{};
        testhost::clear();
    }
    void TearDown() override {
        unloadInstance();
        gOptions = RoundingOptions{};
    }
    Cell* addCell(const char* name, int number, double v, int row, double ubd) {
        Cell* c = newCell();
        setCellName(c, name);
        c->number = number;
        c->nominal = c->rounded = v;
        c->row = row;
        c->ubd = ubd;
        c->next = gInstance.cellList;
        gInstance.cellList = c;
        ++gInstance.ncells;
        return c;
    }
    int load(const std::string& path) {
        bool opened = false;
        InstanceFormat f = instanceFileFormat(path, opened);
        return readInstanceFile(path, f);
    }
    std::string lastAlert() {
        auto alerts = testhost::alertTexts();
        return alerts.empty() ? "" : alerts.back();
    }
};

// 1 in A1, 2 in A2 and =SUM(A1:A2) in A3, captured with the default options.
TEST_F(InstanceFileTest, WritesTheCapturedThreeCellTableExactly) {
    // List order after a scan: A3 (number 0), A2 (1), A1 (2).
    Cell* a1 = addCell("cell0_0_0", 2, 1, 0, 21);
    Cell* a2 = addCell("cell0_1_0", 1, 2, 1, 22);
    Cell* a3 = addCell("cell0_2_0", 0, 3, 2, 23);
    Sum* s = newSum(3, 2, 0, nullptr, nullptr, nullptr, 1);
    s->terms = newSumTerm(a1, 1, s->terms);
    s->terms = newSumTerm(a2, 1, s->terms);
    s->terms = newSumTerm(a3, -1, s->terms);
    gInstance.sumList = s;
    gInstance.nsums = 1;
    ASSERT_EQ(writeInstanceFile("a.qtb", InstanceFormat::Qtb), 0);
    EXPECT_EQ(readAll("a.qtb"),
              "-2\n3\n"
              "0 cell0_2_0 3.000000 0 2 0 1 s 0.000000 23.000000 0.000000 0.000000 0.000000\n"
              "1 cell0_1_0 2.000000 0 1 0 1 s 0.000000 22.000000 0.000000 0.000000 0.000000\n"
              "2 cell0_0_0 1.000000 0 0 0 1 s 0.000000 21.000000 0.000000 0.000000 0.000000\n"
              "1\n3 :  0 (-1) 1 (1) 2 (1)\n10.000000\n");

    // A WQ file of the same instance, and a solution file.
    ASSERT_EQ(writeInstanceFile("a.wq", InstanceFormat::Wq), 0);
    EXPECT_EQ(readAll("a.wq"),
              "0\n3\n"
              "0 cell0_2_0 3.000000 1 s 0.000000 23.000000 0.000000 0.000000 0.000000\n"
              "1 cell0_1_0 2.000000 1 s 0.000000 22.000000 0.000000 0.000000 0.000000\n"
              "2 cell0_0_0 1.000000 1 s 0.000000 21.000000 0.000000 0.000000 0.000000\n"
              "1\n0 3 :  0 (-1) 1 (1) 2 (1)\n10.000000\n");
    a3->rounded = 3;
    ASSERT_EQ(writeSolutionFile("a.qts"), 0);
    std::string qts = readAll("a.qts");
    EXPECT_EQ(qts.substr(0, 6), "-3\n3\n0");
    EXPECT_NE(qts.find("0 cell0_2_0 3.000000 3.000000 0.000000 0.000000 1 s"), std::string::npos);
}

TEST_F(InstanceFileTest, LoadsQtbInReverseFileOrderWithIndexAndBase) {
    writeText("b.qtb",
              "-2\n3\n"
              "0 t 3 2 2 0 1 s 0 23 0 0 0\n"
              "1 p 2 2 1 0 1 u 0 22 1 1 0\n"
              "2 q 1 0 0 4 1 s 0 21 0 0 0\n"
              "1\n3 : 0 (-1) 1 (1) 2 (1)\n2.5\n");
    ASSERT_EQ(load("b.qtb"), 0);
    EXPECT_EQ(gInstance.origin, InstanceOrigin::InstanceFile);
    EXPECT_EQ(gInstance.ncells, 3);
    EXPECT_EQ(gInstance.nsums, 1);
    EXPECT_EQ(gInstance.sheetCount, 3);  // largest sheet position 2, plus one
    EXPECT_EQ(gInstance.maxRow, 2);
    EXPECT_EQ(gInstance.maxCol, 4);
    EXPECT_EQ(gOptions.basenumber, 2.5);
    EXPECT_EQ(gOptions.keepLoaded, 1);
    EXPECT_STREQ(gInstance.cellList->name, "q");  // last line first
    EXPECT_EQ(cellAt(2, 1, 0)->status, 'u');
    EXPECT_EQ(findCellByNumber(0)->useCount, 1);
    EXPECT_EQ(gInstance.sumList->terms->cell->number, 2);  // terms in reverse too
}

TEST_F(InstanceFileTest, WqLoadIgnoresBaseAndRightHandSidesAndHasNoIndex) {
    gOptions.basenumber = 7;
    writeText("c.WQ", "0\n2\n0 a 5 1 s 0 9 0 0 0\n1 b 5 1 s 0 9 0 0 0\n1\n42 2 : 0 (1) 1 (-1)\n3\n");
    ASSERT_EQ(load("c.WQ"), 0);
    EXPECT_EQ(gInstance.origin, InstanceOrigin::WqFile);
    EXPECT_EQ(gOptions.basenumber, 7);
    EXPECT_EQ(gInstance.sheetCount, 1);
    EXPECT_EQ(gInstance.cellIndex, nullptr);
}

TEST_F(InstanceFileTest, EquationToleranceIsOneHundredth) {
    // A one-term sum over a cell of 0.01 adds up to 0.01 exactly.
    writeText("ok.qtb", "-2\n1\n0 a 0.01 0 0 0 1 s 0 9 0 0 0\n1\n1 : 0 (1)\n10\n");
    EXPECT_EQ(load("ok.qtb"), 0);
    unloadInstance();
    writeText("bad.qtb", "-2\n1\n0 a 0.0101 0 0 0 1 s 0 9 0 0 0\n2\n1 : 0 (1)\n1 : 0 (1)\n10\n");
    EXPECT_EQ(load("bad.qtb"), 1);
    EXPECT_EQ(lastAlert(), "Error in equation number 0!");
    EXPECT_EQ(gInstance.cellList, nullptr);
    EXPECT_EQ(instanceRecordsOutstanding(), 0);
}

TEST_F(InstanceFileTest, UnknownCellNumberAndUnknownFormat) {
    writeText("d.qtb", "-2\n1\n0 a 0 0 0 0 1 s 0 9 0 0 0\n1\n2 : 0 (1) 17 (-1)\n10\n");
    EXPECT_EQ(load("d.qtb"), 1);
    EXPECT_EQ(lastAlert(), "Cannot find cell with index 17!");
    EXPECT_EQ(instanceRecordsOutstanding(), 0);

    writeText("e.qts", "-3\n0\n0\n10\n");
    bool opened = false;
    EXPECT_EQ(instanceFileFormat("e.qts", opened), InstanceFormat::Unknown);
    EXPECT_TRUE(opened);
    instanceFileFormat("missing.qtb", opened);
    EXPECT_FALSE(opened);
}

// Every malformed file is refused with its line and leaves no instance.
TEST_F(InstanceFileTest, RefusesMalformedFilesNamingTheLine) {
    struct Case {
        const char* text;
        const char* expected;  // part of the alert
    } cases[] = {
        {"-2\n2\n0 a 1 0 0 0 1 s 0 9 0 0 0\n",
         "line 3: the file ends after 1 of the 2 cells its count announces"},
        {"-2\n1\n0 a x1 0 0 0 1 s 0 9 0 0 0\n0\n10\n", "line 3: malformed cell value"},
        {"-2\n1\n0 a inf 0 0 0 1 s 0 9 0 0 0\n0\n10\n", "malformed cell value (a finite number)"},
        {"-2\n1\n0 a 1 0 0 0 1 s 0 nan 0 0 0\n0\n10\n", "bounds and protection levels"},
        {"-2\n1\n0 a 1 0 0 0 1 s 0 9 0 0 0\n1\n1 : 0 (2)\n10\n", "line 5: a coefficient must be 1 or -1"},
        {"-2\n1\n0 a 1 0 0 0 1 s 0 9 0 0 0\n1\n1 : 0 -1\n10\n", "coefficient in parentheses"},
        {"-2\n1\n0 a 1 0 0 0 1 s 0 9 0 0 0\n1\n1 0 (1)\n10\n", "colon after the term count"},
        {"-2\n1\n0 a 1 0 0 0 1 q 0 9 0 0 0\n0\n10\n", "a status must be s, u or z"},
        {"-2\n1\n0 a 1 0 70000 0 1 s 0 9 0 0 0\n0\n10\n", "outside the worksheet grid"},
        {"-2\n1\n0 a 1 0 0 0 1 s 0 9 0 0 0\n0\n", "the file ends before the base number"},
        {"-2\n1\n0 a 1 0 0 0 1 s 0 9 0 0 0\n0\n0\n", "the base number must be positive"},
        {"-2\n5\n0 a 1 0 0 0 1 s 0 9 0 0 0\n",
         "line 2: the file is too short for the 5 cells its count announces"},
        {"-2\n-4\n", "number of cells"},
    };
    for (const Case& c : cases) {
        testhost::clear();
        writeText("m.qtb", c.text);
        EXPECT_EQ(load("m.qtb"), 1) << c.text;
        EXPECT_NE(lastAlert().find(c.expected), std::string::npos) << lastAlert();
        EXPECT_EQ(lastAlert().find("Error in instance file m.qtb, line"), 0u) << lastAlert();
        EXPECT_EQ(gInstance.cellList, nullptr);
        EXPECT_EQ(instanceRecordsOutstanding(), 0);
    }
    std::string longName(128, 'n');
    writeText("n.qtb", "-2\n1\n0 " + longName + " 1 0 0 0 1 s 0 9 0 0 0\n0\n10\n");
    EXPECT_EQ(load("n.qtb"), 1);
    EXPECT_NE(lastAlert().find("longer than 127 characters"), std::string::npos);
}

TEST_F(InstanceFileTest, ProgressTextsEveryTenThousandCells) {
    std::ostringstream f;
    f << "0\n10001\n";
    for (int i = 0; i < 10001; ++i) f << i << " c" << i << " 1 1 s 0 9 0 0 0\n";
    f << "0\n10\n";
    writeText("big.wq", f.str());
    ASSERT_EQ(load("big.wq"), 0);
    auto status = testhost::statusTexts();
    int zero = 0, tenThousand = 0;
    for (auto& s : status) {
        zero += s == "0 cells read";
        tenThousand += s == "10000 cells read";
    }
    EXPECT_EQ(zero, 1);
    EXPECT_EQ(tenThousand, 1);
}

TEST_F(InstanceFileTest, LongPathsAreCutToTheHostTextLimit) {
    std::string path(400, 'p');
    std::string text = messageWithPath(" Cannot open file ", path, " for reading!");
    EXPECT_LE(text.size() - 1, 255u);
    EXPECT_EQ(text.substr(0, 21), " Cannot open file ...");
    EXPECT_EQ(text.substr(text.size() - 13), " for reading!");
    EXPECT_EQ(messageWithPath(" Cannot open file ", "x.qtb", "!"), " Cannot open file x.qtb!");
}

}  // namespace
