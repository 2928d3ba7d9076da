// Every flag of every command that rounds either changes what the command
// does or stops it with exit status 2 and a message naming the flag: none is
// dropped without a word. For each command, a run with one flag added is
// compared with the run without it: exit status, standard output (the JSON
// summary, its timings left out) and every file written, byte for byte. A
// failed run (exit status 1) is neither.
//
// The flags' values are chosen to bite on each table: a lower floor at the
// smallest value (or -inf where it is 0), an upper cap at the largest, levels
// and distances that bound or protect cells.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/host.h"
#include "tests/support/cli_run.h"

namespace {

namespace fs = std::filesystem;
using clirun::Outcome;
using clirun::quorant;
using clirun::slurp;

const std::string kExamples = std::string(QUORANT_SOURCE_DIR) + "/examples/";

// Sheet1: a 3 x 3 table with zeros, its row and column totals (formulas) and
// the grand total 89:
//    0  7 23 | 30
//   14  0  9 | 23
//   31  5  0 | 36
// Sheet2: a labelled 2 x 2 table whose totals are typed, not formulas: by
// default its numbers belong to no equation and stay out of the table (the
// capture flags --find-totals and --all-cells take them in).
const char* const kTableScript =
    "new\n"
    "set A1 0\nset B1 7\nset C1 23\nset D1 =SUM(A1:C1)\n"
    "set A2 14\nset B2 0\nset C2 9\nset D2 =SUM(A2:C2)\n"
    "set A3 31\nset B3 5\nset C3 0\nset D3 =SUM(A3:C3)\n"
    "set A4 =SUM(A1:A3)\nset B4 =SUM(B1:B3)\nset C4 =SUM(C1:C3)\nset D4 =SUM(D1:D3)\n"
    "select-sheet Sheet2\n"
    "set B1 Men\nset C1 Women\nset D1 Total\n"
    "set A2 North\nset B2 13\nset C2 24\nset D2 37\n"
    "set A3 South\nset B3 15\nset C3 26\nset D3 41\n"
    "set A4 Total\nset B4 28\nset C4 50\nset D4 78\n"
    "select-sheet Sheet1\n"
    "save in/t.xlsx\n";

// The capture flags, for the commands that capture a workbook.
const std::vector<std::string> kCaptureFlags = {"--find-totals", "--all-cells",
                                                "--table 'Sheet1!A1:D3'"};

struct Scenario {
    std::string name;
    std::string command;                // with its output in o/ (or o/...) and --json
    double smallest, largest;           // of the table's values, totals included
    std::set<std::string> refused;      // flags that must be refused here
    std::vector<std::string> ownFlags;  // the command's own flags to walk
};

// What a run did, for comparing two runs.
std::string fingerprint(const Outcome& r) {
    static const std::regex timings(
        "\"(overallSeconds|withoutDialogsSeconds|resolutionSeconds)\": [-0-9.e+]+, ");
    std::string text = std::to_string(r.status) + "\n" + std::regex_replace(r.out, timings, "");
    std::vector<fs::path> files;
    if (fs::exists("o"))
        for (const auto& e : fs::recursive_directory_iterator("o"))
            if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files) text += "\n" + f.string() + "\n" + slurp(f.string());
    return text;
}

Outcome run(const std::string& args) {
    fs::remove_all("o");
    fs::create_directories("o");
    return quorant(args);
}

// The smallest and largest number in column `col` (0-based) of the first
// sheet of `book`, rows 1 .. `rows`; with `sum`, the largest is their sum (the
// grand total of a list's table).
std::pair<double, double> valueRange(const std::string& book, int col, int rows, bool sum) {
    host::reset();
    std::string error;
    EXPECT_TRUE(host::openWorkbook(book, error)) << error;
    const std::string name = host::activeWorkbook();
    const std::string sheet = host::sheetNames(name).front();
    double lo = INFINITY, hi = -INFINITY, total = 0;
    for (int row = 1; row <= rows; ++row) {
        host::CellInfo info;
        const std::string ref = "'[" + name + "]" + sheet + "'!" + std::string(1, char('A' + col)) +
                                std::to_string(row);
        if (!host::readCell(ref, info, error) || !info.value.isNum()) continue;
        lo = std::min(lo, info.value.num);
        hi = std::max(hi, info.value.num);
        total += info.value.num;
    }
    host::reset();
    return {lo, sum ? total : hi};
}

std::string number(double v) {
    std::ostringstream s;
    s << v;
    return s.str();
}

void walk(const Scenario& s) {
    const Outcome base = run(s.command);
    ASSERT_TRUE(base.status == 0 || base.status == 3) << s.command << "\n" << base.err;
    const std::string baseline = fingerprint(base);

    // Every rounding flag, with a value that makes a difference on this table.
    std::vector<std::string> variants = {
        "--base 5",
        "--time-limit 3",
        "--max-jump 1",
        "--no-audit",
        "--random-weights",
        "--weights-seed 2",
        "--keep-loaded",
        "--refresh-pivot",
        "--accept-best",
        "--lower-floor " + (s.smallest > 0 ? number(s.smallest) : std::string("-inf")),
        "--lower-dist 3",
        "--upper-cap " + number(s.largest),
        "--upper-dist 3",
        "--lpl 8",
        "--upl 8",
        "--protect-below 10"};
    variants.insert(variants.end(), s.ownFlags.begin(), s.ownFlags.end());
    for (const std::string& v : variants) {
        SCOPED_TRACE(s.name + ": " + v);
        const std::string flag = v.substr(0, v.find(' '));
        const Outcome r = run(s.command + " " + v);
        if (s.refused.count(flag)) {
            EXPECT_EQ(r.status, 2) << r.err;
            EXPECT_NE(r.err.find(flag), std::string::npos)
                << "the message names the flag: " << r.err;
            continue;
        }
        EXPECT_NE(r.status, 1) << r.err;
        EXPECT_NE(r.status, 2) << r.err;
        EXPECT_NE(fingerprint(r), baseline) << "the flag changed nothing:\n" << r.out << r.err;
    }

    // Flags that act only together with another: each against the run with
    // the other alone.
    const std::pair<std::string, std::string> pairs[] = {
        {"--random-weights --weights-seed 1", "--random-weights --weights-seed 2"},
        {"--lpl 8", "--lpl 8 --protect-below " + number(s.smallest)}};
    for (const auto& [first, second] : pairs) {
        SCOPED_TRACE(s.name + ": " + second);
        const Outcome a = run(s.command + " " + first);
        const std::string fa = fingerprint(a);
        const Outcome b = run(s.command + " " + second);
        if (s.refused.count(first.substr(0, first.find(' ')))) {
            EXPECT_EQ(b.status, 2) << b.err;
            continue;
        }
        EXPECT_NE(b.status, 1) << b.err;
        EXPECT_NE(fingerprint(b), fa) << "the second flag changed nothing:\n" << b.out << b.err;
    }
}

class OptionWalk : public testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories("in");
        std::ofstream("t.qs") << kTableScript;
        ASSERT_EQ(quorant("script --bare t.qs").status, 0);
        ASSERT_EQ(quorant("save-instance in/t.xlsx -o in/t.qtb").status, 0);
        ASSERT_EQ(quorant("save-instance in/t.xlsx -o in/t.wq").status, 0);
        for (const char* f : {"sector-list.xlsx", "sector-pivot.xlsx"})
            fs::copy_file(kExamples + f, std::string("in/") + f);
    }
};

// The flags that can apply to no rounding of a command line.
const std::set<std::string> kNever = {"--keep-loaded", "--weights-seed"};

std::set<std::string> plus(std::set<std::string> a, const std::set<std::string>& b) {
    a.insert(b.begin(), b.end());
    return a;
}

const std::set<std::string> kAllRounding = {
    "--base",           "--time-limit",   "--max-jump",    "--no-audit",
    "--random-weights", "--weights-seed", "--keep-loaded", "--refresh-pivot",
    "--accept-best",    "--lower-floor",  "--lower-dist",  "--upper-cap",
    "--upper-dist",     "--lpl",          "--upl",         "--protect-below"};

TEST_F(OptionWalk, RoundAWorkbook) {
    walk({"round",
          "round in/t.xlsx --out o --json",
          0,
          89,
          plus(kNever, {"--refresh-pivot", "--select", "--protect-below"}),
          {"--select 'Sheet1!A1:C3'", "--out o/elsewhere"}});
}

TEST_F(OptionWalk, RoundAWorkbookWithAPivotTable) {
    const auto [lo, hi] = valueRange("in/sector-list.xlsx", 2, 13, true);
    walk({"round-pivot",
          "round in/sector-pivot.xlsx --select 'Data!A1:C13' --out o --json",
          lo,
          hi,
          plus(kNever, {"--protect-below"}),
          {}});
}

TEST_F(OptionWalk, LoadAndRoundInstanceFiles) {
    walk({"load-qtb",
          "load in/t.qtb --round --out o --json",
          0,
          89,
          plus(kNever, {"--refresh-pivot", "--protect-below", "--solution"}),
          {"--solution o/t.qts"}});
    walk({"load-wq",
          "load in/t.wq --round --out o --json",
          0,
          89,
          plus(kNever, {"--refresh-pivot", "--protect-below"}),
          {"--solution o/other.qts"}});
    // Without --round no rounding flag can apply.
    walk({"load-only",
          "load in/t.qtb --out o --json",
          0,
          89,
          plus(kAllRounding, {"--solution"}),
          {"--solution o/t.qts"}});
}

TEST_F(OptionWalk, GenerateAndRound) {
    ASSERT_EQ(run("generate 3,4 --seed 3 --out o").status, 0);
    fs::copy_file("o/random-3x4.xlsx", "in/random-3x4.xlsx");
    const auto [lo, hi] = valueRange("in/random-3x4.xlsx", 2, 40, false);
    walk({"generate",
          "generate 3,4 --seed 3 --round --out o --json",
          lo,
          hi,
          plus(kNever, {"--refresh-pivot", "--protect-below", "--new-workbook", "--zero-seed",
                        "--all-cells"}),
          {"--seed 4", "--zeros 30", "--from 10", "--to 90", "--real", "--new-workbook",
           "--zero-seed 2", "-o o/g.xlsx", "--all-cells"}});
    walk({"generate-only",
          "generate 3,4 --seed 3 --out o --json",
          lo,
          hi,
          plus(kAllRounding, {"--new-workbook"}),
          {"--seed 4", "--new-workbook"}});
}

TEST_F(OptionWalk, ImportAListAndRound) {
    const auto [lo, hi] = valueRange("in/sector-list.xlsx", 2, 13, true);
    walk({"import",
          "import in/sector-list.xlsx --select 'Data!A1:C13' --round --out o --json",
          lo,
          hi,
          plus(kNever, {"--refresh-pivot", "--protect-below"}),
          {"-o o/table.xlsx"}});
    walk({"import-pivot",
          "import in/sector-pivot.xlsx --select 'Data!A1:C13' --round --out o --json",
          lo,
          hi,
          plus(kNever, {"--protect-below"}),
          {}});
    walk({"import-only",
          "import in/sector-list.xlsx --select 'Data!A1:C13' --out o --json",
          lo,
          hi,
          kAllRounding,
          {}});
}

TEST_F(OptionWalk, SaveAnInstance) {
    // The bounds, levels and base go into the file; what only a rounding
    // uses is refused.
    walk({"save-instance",
          "save-instance in/t.xlsx -o o/s.qtb --json",
          0,
          89,
          plus(kNever, {"--time-limit", "--max-jump", "--no-audit", "--random-weights",
                        "--refresh-pivot", "--accept-best", "--protect-below"}),
          {}});
}

}  // namespace
