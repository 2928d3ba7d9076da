// The quorant program as a user runs it: round a workbook file, load and save
// instances, and the messages and exit statuses of failures.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "host/host.h"
#include "tests/host/package_util.h"
#include "tests/support/cli_run.h"

namespace {

using clirun::Outcome;
using clirun::quorant;
using clirun::slurp;

const std::string kExample = std::string(QUORANT_SOURCE_DIR) + "/examples/employment.xlsx";

void sh(const std::string& command) { ASSERT_EQ(std::system(command.c_str()), 0) << command; }

void write(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

double number(const std::string& ref) {
    host::CellInfo info;
    std::string error;
    EXPECT_TRUE(host::readCell(ref, info, error)) << ref << ": " << error;
    return info.value.isNum() ? info.value.num : NAN;
}

TEST(Cli, RoundWritesBothWorkbooksAndLeavesTheInputAlone) {
    sh("rm -rf out && mkdir -p in && cp " + kExample + " in/table.xlsx");
    const std::string before = slurp("in/table.xlsx");
    Outcome r = quorant("round in/table.xlsx --out out --json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(slurp("in/table.xlsx"), before);
    EXPECT_NE(r.out.find("\"status\": \"optimal\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"model\": \"zero-restricted\""), std::string::npos);
    EXPECT_NE(r.out.find("\"distance\": "), std::string::npos);
    EXPECT_NE(r.out.find("out/table-rounded.xlsx"), std::string::npos);
    EXPECT_NE(r.err.find("Resolution Info"), std::string::npos);  // --json: people read stderr

    // Read back with our own reader: every value a multiple of 10, totals
    // formulas over the rounded parts, within one base unit of the original.
    host::reset();
    std::string error;
    ASSERT_TRUE(host::openWorkbook("out/table-rounded.xlsx", error)) << error;
    ASSERT_TRUE(host::openWorkbook("in/table.xlsx", error)) << error;
    for (const char* sheet : {"'[table-rounded]Region x Age'", "[table-rounded]Women",
                              "[table-rounded]Men"}) {
        for (int row = 2; row <= 6; ++row) {
            for (char col = 'B'; col <= 'I'; ++col) {
                std::string ref = std::string(sheet) + "!" + col + std::to_string(row);
                host::CellInfo info;
                if (!host::readCell(ref, info, error) || !info.value.isNum()) continue;
                EXPECT_EQ(std::fmod(info.value.num, 10.0), 0) << ref;
                std::string original = ref;
                original.replace(original.find("table-rounded"), 13, "table");
                EXPECT_LT(std::fabs(info.value.num - number(original)), 10) << ref;
            }
        }
    }
    host::CellInfo total;
    ASSERT_TRUE(host::readCell("'[table-rounded]Region x Age'!E6", total, error));
    EXPECT_EQ(total.formulaA1, "=SUM(E2:E5)");
    EXPECT_EQ(total.value.num, number("'[table-rounded]Region x Age'!B6") +
                                   number("'[table-rounded]Region x Age'!C6") +
                                   number("'[table-rounded]Region x Age'!D6"));
    ASSERT_TRUE(host::openWorkbook("out/table-intervals.xlsx", error)) << error;
    auto sheets = host::sheetNames("table-intervals");
    ASSERT_EQ(sheets.size(), 3u);
    EXPECT_EQ(sheets[0], "Region x Age - p.i.");
    host::reset();
}

// The rounded workbook as LibreOffice computes it: every table cell a multiple
// of the base, every total the sum of its rounded parts.
TEST(Cli, RoundedWorkbookAddsUpInLibreOffice) {
    if (!hosttest::haveSoffice()) GTEST_SKIP() << "soffice (libreoffice-calc-nogui) is not installed";
    Outcome r = quorant("round " + kExample + " --out lo-out --no-audit");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(hosttest::sofficeToCsv("lo-out/employment-rounded.xlsx", "csv"), 0)
        << slurp("soffice.log");
    auto rows = [](const std::string& path) {
        std::vector<std::vector<double>> out;
        std::istringstream in(slurp(path));
        std::string line;
        while (std::getline(in, line)) {
            std::vector<double> row;
            std::istringstream fields(line);
            std::string f;
            while (std::getline(fields, f, ',')) row.push_back(f.empty() ? NAN : std::atof(f.c_str()));
            out.push_back(row);
        }
        return out;
    };
    auto age = rows("csv/employment-rounded-Region x Age.csv");
    ASSERT_EQ(age.size(), 6u);
    for (int row = 1; row <= 5; ++row) {
        double sum = 0;
        for (int col = 1; col <= 3; ++col) {
            EXPECT_EQ(std::fmod(age[row][col], 10.0), 0) << row << "," << col;
            sum += age[row][col];
        }
        EXPECT_EQ(age[row][4], sum) << "row total " << row;
    }
    for (int col = 1; col <= 4; ++col)
        EXPECT_EQ(age[5][col], age[1][col] + age[2][col] + age[3][col] + age[4][col]) << col;
    auto women = rows("csv/employment-rounded-Women.csv");
    auto men = rows("csv/employment-rounded-Men.csv");
    ASSERT_EQ(men.size(), 5u);
    for (int row = 1; row <= 3; ++row)
        for (int col = 1; col <= 2; ++col)
            EXPECT_EQ(men[row][col + 5], women[row][col] + men[row][col]) << row << "," << col;
}

TEST(Cli, NoProtectionIntervalsWithoutAuditing) {
    sh("rm -rf out2");
    Outcome r = quorant("round " + kExample + " --out out2 --no-audit --base 100");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Base: 100"), std::string::npos) << r.out;
    EXPECT_EQ(slurp("out2/employment-intervals.xlsx"), "");
    EXPECT_NE(slurp("out2/employment-rounded.xlsx"), "");
}

TEST(Cli, InfeasibleRoundingExitsWithThreeAndExplains) {
    // Protection of 8 on both sides cannot be kept with base 10 in the
    // zero-restricted model.
    Outcome r = quorant("round " + kExample + " --out out3 --lpl 8 --upl 8");
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.err.find("no controlled rounding exists"), std::string::npos) << r.err;
    // One reason, not a second "failed" line after it.
    EXPECT_EQ(r.err.find("\nfailed\n"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("Problem infeasible!"), std::string::npos);
    EXPECT_NE(r.err.find("Zero-restricted is infeasible due to cell"), std::string::npos);
    // The engine's cell names are shown with the cells they name.
    EXPECT_NE(r.err.find("cell2_3_7 (Men!H4)"), std::string::npos) << r.err;
}

TEST(Cli, BadInputGetsAClearMessage) {
    Outcome missing = quorant("round no-such.xlsx");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("no-such.xlsx"), std::string::npos) << missing.err;

    write("junk.xlsx", "this is not a workbook");
    Outcome junk = quorant("round junk.xlsx");
    EXPECT_EQ(junk.status, 1);
    EXPECT_NE(junk.err.find("junk.xlsx"), std::string::npos) << junk.err;

    Outcome flag = quorant("round " + kExample + " --base zero");
    EXPECT_EQ(flag.status, 2);
    EXPECT_NE(flag.err.find("--base needs a positive number"), std::string::npos) << flag.err;

    Outcome unknown = quorant("round " + kExample + " --bogus");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown option --bogus"), std::string::npos);

    Outcome command = quorant("frobnicate");
    EXPECT_EQ(command.status, 2);
}

TEST(Cli, SaveInstanceThenLoadAndRound) {
    Outcome save = quorant("save-instance " + kExample + " -o saved.qtb");
    ASSERT_EQ(save.status, 0) << save.err;
    std::string qtb = slurp("saved.qtb");
    ASSERT_EQ(qtb.substr(0, 3), "-2\n");
    EXPECT_NE(qtb.find(" cell0_1_1 1283.000000 0 1 1 1 s "), std::string::npos) << qtb;

    sh("rm -rf out4");
    Outcome load = quorant("load saved.qtb --round --out out4");
    ASSERT_EQ(load.status, 0) << load.err;
    EXPECT_NE(slurp("out4/saved-rounded.xlsx"), "");
    EXPECT_NE(slurp("out4/saved-intervals.xlsx"), "");

    Outcome wq = quorant("save-instance " + kExample + " -o saved.wq");
    ASSERT_EQ(wq.status, 0) << wq.err;
    Outcome solve = quorant("load saved.wq --round --solution saved.qts");
    ASSERT_EQ(solve.status, 0) << solve.err;
    std::string qts = slurp("saved.qts");
    ASSERT_EQ(qts.substr(0, 3), "-3\n");

    // Without an auditing phase the solution file's intervals are the
    // roundings' boxes (published value plus or minus the base, not below the
    // common floor 0): nothing there comes from the original values.
    Outcome plain = quorant("load saved.wq --round --no-audit --solution plain.qts");
    ASSERT_EQ(plain.status, 0) << plain.err;
    std::istringstream lines(slurp("plain.qts"));
    std::string line;
    std::getline(lines, line);
    std::getline(lines, line);
    const int cells = std::stoi(line);
    ASSERT_EQ(cells, 56);
    for (int i = 0; i < cells && std::getline(lines, line); ++i) {
        std::istringstream f(line);
        int number = 0;
        std::string name;
        double nominal = 0, rounded = 0, lo = 0, hi = 0;
        f >> number >> name >> nominal >> rounded >> lo >> hi;
        EXPECT_EQ(lo, std::max(0.0, rounded - 10)) << line;
        EXPECT_EQ(hi, rounded + 10) << line;
    }

    write("broken.qtb", "-2\n2\n0 a 1 0 0 0 1 s 0 9 0 0 0\n");
    Outcome broken = quorant("load broken.qtb");
    EXPECT_EQ(broken.status, 1);
    EXPECT_NE(broken.err.find("broken.qtb, line 3: the file ends after 1 of the 2 cells its count "
                              "announces"),
              std::string::npos)
        << broken.err;
}

}  // namespace

namespace {

// A two-sheet workbook captured with the default options, printed by the
// script action `instance` and compared with the listing worked out by hand:
// scan order sheet by sheet, the list from the last cell scanned, numbers in
// list order; bounds max{0, v - 20} and v + 20; the total of Sheet1 is a part
// of Sheet2's sum, so it is used twice.
TEST(CliScript, CapturedInstanceMatchesTheHandComputedListing) {
    write("capture.qs",
          "new\n"
          "select-sheet Sheet1\n"
          "set A1 1\nset A2 2\nset A3 =SUM(A1:A2)\n"
          "select-sheet Sheet2\n"
          "set A1 5\nset A2 =SUM(Sheet1!A3,A1)\n"
          "dialog \" Quorant\" {\n  ok\n}\n"
          "call fLookup 0\n"
          "call fAddsums 0\n"
          "instance\n");
    Outcome r = quorant("script capture.qs");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string tail = " lpl 0 upl 0 spl 0 status s ";
    const std::string expected =
        "instance: 5 cells, 2 sums, origin worksheet, base 10\n"
        "cell 0 cell1_1_0 sheet 1 row 1 col 0 nominal 8 bounds [0,28]" + tail +
        "uses 1 rounded 8 interval [0,0]\n"
        "cell 1 cell1_0_0 sheet 1 row 0 col 0 nominal 5 bounds [0,25]" + tail +
        "uses 1 rounded 5 interval [0,0]\n"
        "cell 2 cell0_2_0 sheet 0 row 2 col 0 nominal 3 bounds [0,23]" + tail +
        "uses 2 rounded 3 interval [0,0]\n"
        "cell 3 cell0_1_0 sheet 0 row 1 col 0 nominal 2 bounds [0,22]" + tail +
        "uses 1 rounded 2 interval [0,0]\n"
        "cell 4 cell0_0_0 sheet 0 row 0 col 0 nominal 1 bounds [0,21]" + tail +
        "uses 1 rounded 1 interval [0,0]\n"
        "sum =SUM(R[-2]C:R[-1]C) at sheet 0 row 2 col 0: -cell0_2_0 +cell0_1_0 +cell0_0_0\n"
        "sum =SUM(Sheet1!R[1]C,R[-1]C) at sheet 1 row 1 col 0: -cell1_1_0 +cell1_0_0 "
        "+cell0_2_0\n";
    size_t at = r.out.find("instance:");
    ASSERT_NE(at, std::string::npos) << r.out;
    EXPECT_EQ(r.out.substr(at), expected);
}

}  // namespace

namespace {

// A real workbook through a script: open it, read values and R1C1 formulas,
// copy it, write into the copy, rename its sheets, save; LibreOffice then
// opens the file with the same values and recomputed formulas.
TEST(CliScript, WorkbookOpenedCopiedChangedRenamedAndSaved) {
    write("copy.qs",
          "open " + kExample + "\n"
          "expect-cell \"'Region x Age'!B2\" 1283\n"
          "expect-cell \"'Region x Age'!E6\" \"=SUM(R[-4]C:R[-1]C)\" r1c1\n"
          "expect-cell Men!G2 \"=SUM(Women!RC[-5],RC[-5])\" r1c1\n"
          "copy-book\n"
          "set \"'Region x Age'!B2\" 1000\n"
          "rename-sheet \"Region x Age\" Ages\n"
          "rename-sheet Women Female\n"
          "expect-cell Ages!E2 4573\n"
          "expect-cell Men!G2 \"=SUM(Female!B2,B2)\" formula\n"
          "save copied.xlsx\n");
    Outcome r = quorant("script --bare copy.qs");
    ASSERT_EQ(r.status, 0) << r.err << r.out;
    EXPECT_EQ(slurp(kExample).size() > 0, true);
    if (!hosttest::haveSoffice()) GTEST_SKIP() << "soffice (libreoffice-calc-nogui) is not installed";
    ASSERT_EQ(hosttest::sofficeToCsv("copied.xlsx", "csv"), 0) << slurp("soffice.log");
    std::string ages = slurp("csv/copied-Ages.csv");
    EXPECT_NE(ages.find("North,1000,2417,1156,4573"), std::string::npos) << ages;
    EXPECT_NE(ages.find("Total,4183,8570,4191,16944"), std::string::npos) << ages;
    std::string men = slurp("csv/copied-Men.csv");
    EXPECT_NE(men.find("Industry,1127,1364,2491,,Industry,1539,1901,3440"), std::string::npos)
        << men;
}

}  // namespace
