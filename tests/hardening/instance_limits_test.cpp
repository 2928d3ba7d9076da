// Limits of instance files and test specifications that a hostile or broken
// file cannot break: counts the file does not hold, names longer than the
// reader takes, numbers that are not finite, a cell named by more terms than
// 16 bits count.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "batch/test_spec.h"
#include "files/instance_file.h"
#include "instance/instance.h"
#include "tests/support/recording_host.h"

namespace {

class InstanceLimits : public ::testing::Test {
  protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset() {
        unloadInstance();
        gOptions = RoundingOptions{};
        testhost::clear();
    }
    static int load(const std::string& text, const std::string& name = "m.qtb") {
        std::ofstream(name, std::ios::binary) << text;
        bool opened = false;
        const InstanceFormat format = instanceFileFormat(name, opened);
        return readInstanceFile(name, format);
    }
    static std::string lastAlert() {
        auto alerts = testhost::alertTexts();
        return alerts.empty() ? "" : alerts.back();
    }
    // The load fails with exactly this alert and leaves nothing allocated.
    static void expectRefused(const std::string& text, const std::string& alert) {
        testhost::clear();
        EXPECT_EQ(load(text), 1) << text;
        EXPECT_EQ(lastAlert(), alert);
        EXPECT_EQ(gInstance.cellList, nullptr);
        EXPECT_EQ(instanceRecordsOutstanding(), 0);
    }
};

const std::string kCell = "0 a 1 0 0 0 1 s 0 9 0 0 0\n";

TEST_F(InstanceLimits, CountsTheFileDoesNotHoldAreRefusedWithTheCount) {
    // Far more cells, sums or terms than the bytes left could hold: refused at
    // the count, before anything is made for them.
    expectRefused("-2\n999999999\n" + kCell,
                  "Error in instance file m.qtb, line 2: the file is too short for the "
                  "999999999 cells its count announces");
    expectRefused("-2\n1\n" + kCell + "99999\n1 : 0 (1)\n10\n",
                  "Error in instance file m.qtb, line 4: the file is too short for the 99999 "
                  "sums its count announces");
    expectRefused("-2\n1\n" + kCell + "1\n5000 : 0 (1) 0 (-1)\n10\n",
                  "Error in instance file m.qtb, line 5: the file is too short for the 5000 terms "
                  "the sum announces");
    // A few more than there are: the file ends where the next one should be.
    expectRefused("-2\n2\n" + kCell,
                  "Error in instance file m.qtb, line 3: the file ends after 1 of the 2 cells its "
                  "count announces");
    expectRefused("0\n1\n0 a 0 1 s 0 9 0 0 0\n3\n0 1 : 0 (1)\n0 1 : 0 (-1)\n",
                  "Error in instance file m.qtb, line 6: the file ends after 2 of the 3 sums its "
                  "count announces");
    expectRefused("0\n1\n0 a 0 1 s 0 9 0 0 0\n1\n0 3 : 0 (1) 0 (-1)\n",
                  "Error in instance file m.qtb, line 5: the file ends after 2 of the 3 terms the "
                  "sum announces");
    // Counts that are not whole numbers of at most nine digits.
    expectRefused("-2\n-1\n", "Error in instance file m.qtb, line 2: malformed number of cells");
    expectRefused("-2\n12345678901\n",
                  "Error in instance file m.qtb, line 2: malformed number of cells");
}

TEST_F(InstanceLimits, NamesAndNumbersOutsideWhatTheReaderTakes) {
    // 127 characters are a name; 128 are refused.
    ASSERT_EQ(
        load("-2\n1\n0 " + std::string(127, 'n') + " 0 0 0 0 1 s 0 9 0 0 0\n1\n1 : 0 (1)\n10\n"), 0)
        << lastAlert();
    reset();
    expectRefused("-2\n1\n0 " + std::string(128, 'n') + " 1 0 0 0 1 s 0 9 0 0 0\n0\n10\n",
                  "Error in instance file m.qtb, line 3: a cell name is longer than 127 "
                  "characters");
    // Values, bounds, levels and the base number must be finite numbers.
    for (const char* v : {"inf", "-inf", "nan", "1e999"}) {
        expectRefused("-2\n1\n0 a " + std::string(v) + " 0 0 0 1 s 0 9 0 0 0\n0\n10\n",
                      "Error in instance file m.qtb, line 3: malformed cell value (a finite "
                      "number)");
        expectRefused("-2\n1\n0 a 1 0 0 0 1 s 0 9 0 " + std::string(v) + " 0\n0\n10\n",
                      "Error in instance file m.qtb, line 3: malformed bounds and protection "
                      "levels (finite numbers)");
        expectRefused("-2\n1\n" + kCell + "0\n" + v + "\n",
                      "Error in instance file m.qtb, line 5: malformed base number (a finite "
                      "number)");
    }
    // Positions past the grid of 256 columns and 65536 rows.
    for (const char* place : {"0 65536 0", "0 0 256", "0 -1 0"})
        expectRefused("-2\n1\n0 a 1 " + std::string(place) + " 1 s 0 9 0 0 0\n0\n10\n",
                      "Error in instance file m.qtb, line 3: a cell position lies outside the "
                      "worksheet grid");
    // Sheets past the 10000 a workbook may have: a sheet list that long would
    // wrap the 16-bit counts the host and the add-in pass lists with.
    for (const char* place : {"10000 0 0", "65535 0 0", "-1 0 0"})
        expectRefused("-2\n1\n0 a 1 " + std::string(place) + " 1 s 0 9 0 0 0\n0\n10\n",
                      "Error in instance file m.qtb, line 3: a cell's sheet position lies outside "
                      "0 ... 9999 (a workbook has at most 10000 sheets)");
}

// Instance files saved by other editors: a byte order mark, UTF-16, CR-only
// line ends load as the plain file does; a NUL byte, hexadecimal or trailing
// text in a number, and anything after the base number are refused with the
// line, never read as some other instance.
TEST_F(InstanceLimits, FilesOfOtherEditorsLoadAndNumbersAreReadWhole) {
    const std::string qtb = "-2\n2\n0 a 3 0 0 0 1 s 0 23 0 0 0\n1 b 3 0 1 0 1 s 0 23 0 0 0\n"
                            "1\n2 : 0 (1) 1 (-1)\n5\n";
    auto loads = [&](const std::string& bytes, const std::string& name) {
        reset();
        EXPECT_EQ(load(bytes, name), 0) << name << ": " << lastAlert();
        EXPECT_EQ(gInstance.ncells, 2) << name;
        EXPECT_EQ(gInstance.nsums, 1) << name;
        EXPECT_EQ(gOptions.basenumber, 5) << name;
    };
    loads(qtb, "plain.qtb");
    loads("\xEF\xBB\xBF" + qtb, "bom.qtb");
    std::string crOnly = qtb, crlf, le = "\xFF\xFE";
    for (char& c : crOnly) c = c == '\n' ? '\r' : c;
    for (char c : qtb) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    for (char c : crlf) le += std::string{c, '\0'};
    loads(crOnly, "cr.qtb");
    loads(le, "utf16.qtb");
    reset();

    expectRefused("-2\n1\n0 a 3 0 0 0 1 s 0 23 0 0 0\n0\n5\n" + std::string("\0", 1),
                  "Error in instance file m.qtb: line 6 holds a NUL byte, which no text has (a "
                  "UTF-16 file needs its byte order mark)");
    expectRefused("-2\n1\n0 a 0x3 0 0 0 1 s 0 23 0 0 0\n0\n5\n",
                  "Error in instance file m.qtb, line 3: malformed cell value (a finite number)");
    expectRefused("-2\n1\n12abc a 3 0 0 0 1 s 0 23 0 0 0\n0\n5\n",
                  "Error in instance file m.qtb, line 3: malformed cell number");
    expectRefused("-2\n1\n0 a 3 0 0 0 1 s 0 23x 0 0 0\n0\n5\n",
                  "Error in instance file m.qtb, line 3: malformed bounds and protection levels "
                  "(finite numbers)");
    expectRefused("-2\n1\n0 a 3 0 0 0 1 s 0 23 0 0 0\n1\n1x : 0 (1)\n5\n",
                  "Error in instance file m.qtb, line 5: malformed term count of a sum");
    expectRefused("-2\n1\n0 a 3 0 0 0 1 s 0 23 0 0 0\n0\n5\n-2\n",
                  "Error in instance file m.qtb, line 6: the file goes on after its base number");
    expectRefused("0\n1\n0 a 3 1 s 0 23 0 0 0\n0\n5 more\n",
                  "Error in instance file m.qtb, line 5: the file goes on after its base number");
}

// With a 16-bit count, 65536 terms naming one cell would count to 0 and the
// cell would be freed as unused while the terms still point at it.
TEST_F(InstanceLimits, ACellNamedByMoreTermsThan16BitsCountKeepsItsCount) {
    std::ostringstream f;
    f << "-2\n1\n0 zero 0 0 0 0 1 s 0 9 0 0 0\n1\n65536 :";
    for (int t = 0; t < 65536; ++t) f << (t % 2 ? " 0 (-1)" : " 0 (1)");
    f << "\n10\n";
    ASSERT_EQ(load(f.str()), 0) << lastAlert();
    EXPECT_EQ(gInstance.cellList->useCount, 65536);
}

TEST_F(InstanceLimits, SpecificationFieldsThatAreNotFiniteAreRefused) {
    double base = 0;
    batch::TestSpec spec;
    EXPECT_EQ(batch::parseSpecLine("3,4 1 1e999 100 0 10 1 1 -1 1 5", false, base, spec), 1);
    EXPECT_EQ(lastAlert().rfind("Error while reading variable from!", 0), 0u) << lastAlert();
    EXPECT_EQ(batch::parseSpecLine("3,4 1 1 nan 0 10 1 1 -1 1 5", false, base, spec), 1);
    EXPECT_EQ(lastAlert().rfind("Error while reading variable to!", 0), 0u) << lastAlert();
    EXPECT_EQ(batch::parseSpecLine("3,4 0 1 100 inf 1 5", true, base, spec), 1);
    EXPECT_EQ(lastAlert().rfind("Error while reading base number! ", 0), 0u) << lastAlert();
    EXPECT_EQ(base, 0);
}

}  // namespace
