// The generate and import commands of the program as a user runs them: the
// same seeds make the same table, the rounded table keeps every total, the
// example list is imported and rounded, and wrong requests are refused.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/host.h"
#include "tests/support/rounding_check.h"

namespace {

const std::string kQuorant = std::string(QUORANT_BIN_DIR) + "/quorant";
const std::string kExamples = std::string(QUORANT_SOURCE_DIR) + "/examples/";

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

Outcome quorant(const std::string& args) {
    Outcome r;
    std::string cmd = kQuorant + " --quiet " + args + " >cli.out 2>cli.err";
    int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = slurp("cli.out");
    r.err = slurp("cli.err");
    return r;
}

std::string sheetOf(const std::string& path) {
    host::reset();
    std::string error, text;
    EXPECT_TRUE(host::openWorkbook(path, error)) << error;
    EXPECT_TRUE(host::showSheet("", false, text, error)) << error;
    return text;
}

double number(const std::string& sheet, int row, int col) {
    host::CellInfo info;
    std::string error, a1;
    for (int c = col + 1; c > 0; c = (c - 1) / 26) a1.insert(a1.begin(), char('A' + (c - 1) % 26));
    EXPECT_TRUE(host::readCell(sheet + "!" + a1 + std::to_string(row + 1), info, error)) << error;
    return info.value.isNum() ? info.value.num : NAN;
}

// The table as written on `sheet` (internal cells from row 1 in tuple order,
// an empty row, then the totals with their labels, 0 for a summed dimension)
// for the rounding checker; `rounded` from the same places on `roundedSheet`.
roundcheck::Table writtenTable(const std::string& sheet, const std::string& roundedSheet,
                               const std::vector<int>& dim, std::vector<double>& rounded) {
    const int k = int(dim.size());
    int n = 1, all = 1;
    for (int d : dim) {
        n *= d;
        all *= d + 1;
    }
    roundcheck::Table t;
    rounded.clear();
    std::vector<std::vector<int>> tuples;
    for (int i = 0; i < n; ++i) {
        std::vector<int> tuple(dim.size());
        for (int d = k - 1, rest = i; d >= 0; rest /= dim[size_t(d)], --d)
            tuple[size_t(d)] = rest % dim[size_t(d)] + 1;
        tuples.push_back(tuple);
        t.addCell(number(sheet, i + 1, k));
        rounded.push_back(number(roundedSheet, i + 1, k));
    }
    for (int j = 0; j < all - n; ++j) {
        const int row = n + 2 + j;
        const int total = t.addCell(number(sheet, row, k));
        rounded.push_back(number(roundedSheet, row, k));
        std::vector<int> parts;
        for (int i = 0; i < n; ++i) {
            bool covered = true;
            for (int d = 0; d < k; ++d) {
                const double label = number(sheet, row, d);
                covered = covered && (label == 0 || label == tuples[size_t(i)][size_t(d)]);
            }
            if (covered) parts.push_back(i);
        }
        EXPECT_FALSE(parts.empty()) << row;
        t.addSum(parts, total);
    }
    return t;
}

TEST(TableCli, GenerateWithTheSameSeedsMakesTheSameTableAndRoundsIt) {
    std::filesystem::remove_all("gen");
    const std::string args = "generate 3,4,5 --seed 1 --zero-seed 2 --round ";
    Outcome a = quorant(args + "--out gen/a");
    ASSERT_EQ(a.status, 0) << a.err;
    Outcome b = quorant(args + "--out gen/b");
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_NE(a.out.find("wrote gen/a/random-3x4x5.xlsx (generated table)"), std::string::npos)
        << a.out;
    for (const char* file : {"random-3x4x5.xlsx", "random-3x4x5-rounded.xlsx"}) {
        const std::string first = sheetOf(std::string("gen/a/") + file);
        EXPECT_EQ(sheetOf(std::string("gen/b/") + file), first) << file;
        EXPECT_NE(first, "");
    }
    ASSERT_TRUE(std::filesystem::exists("gen/a/random-3x4x5-intervals.xlsx"));

    host::reset();
    std::string error;
    ASSERT_TRUE(host::openWorkbook("gen/a/random-3x4x5.xlsx", error)) << error;
    ASSERT_TRUE(host::openWorkbook("gen/a/random-3x4x5-rounded.xlsx", error)) << error;
    std::vector<double> rounded;
    roundcheck::Table t =
        writtenTable("[random-3x4x5]Sheet1", "[random-3x4x5-rounded]Sheet1", {3, 4, 5}, rounded);
    EXPECT_EQ(t.size(), 120);
    EXPECT_EQ(roundcheck::CheckRounding(t, rounded, {10, 0}, -1), "");
}

TEST(TableCli, GenerateRefusesWhatTheDialogRefuses) {
    std::filesystem::remove_all("bad");
    Outcome r = quorant("generate 3,4 --from 0.4 --out bad");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--from takes a whole number"), std::string::npos) << r.err;
    r = quorant("generate 3,4 --zeros 101 --out bad");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Entry of field Percentage of zeros must be between 0 and 100."),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists("bad/random-3x4.xlsx"));
    r = quorant("generate 3,4 --base 5 --out bad");
    EXPECT_EQ(r.status, 2);  // rounding options without --round
}

TEST(TableCli, ImportRoundsTheExampleListWithItsTotals) {
    std::filesystem::remove_all("imp");
    Outcome r = quorant("import " + kExamples + "sector-list.xlsx --select 'Data!A1:C13' --round " +
                        "--out imp");
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* file :
         {"sector-list-table.xlsx", "sector-list-rounded.xlsx", "sector-list-intervals.xlsx"})
        EXPECT_TRUE(std::filesystem::exists(std::string("imp/") + file)) << file;
    host::reset();
    std::string error;
    ASSERT_TRUE(host::openWorkbook("imp/sector-list-table.xlsx", error)) << error;
    ASSERT_TRUE(host::openWorkbook("imp/sector-list-rounded.xlsx", error)) << error;
    // Regions East, North, South, West by 3 sectors, in the host's sort order.
    std::vector<double> rounded;
    roundcheck::Table t =
        writtenTable("[sector-list-table]Data", "[sector-list-rounded]Data", {4, 3}, rounded);
    EXPECT_EQ(t.nominal[0], 213);  // (East, Agriculture)
    EXPECT_EQ(t.nominal.back(), 16488);
    EXPECT_EQ(roundcheck::CheckRounding(t, rounded, {10, 0}, -1), "");
    // The header row of the list is kept above the table.
    host::CellInfo info;
    ASSERT_TRUE(host::readCell("[sector-list-rounded]Data!C1", info, error));
    EXPECT_EQ(info.text, "Employed");
}

TEST(TableCli, ImportNeedsOneBlockOfTwoColumnsOrMore) {
    Outcome r = quorant("import " + kExamples + "sector-list.xlsx --select 'Data!A1:A13'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Please select the source data for the table to round."),
              std::string::npos)
        << r.err;
    r = quorant("import " + kExamples + "sector-list.xlsx --select 'A1:B3,D1:E3'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Please do select only one block of cells."), std::string::npos) << r.err;
    r = quorant("import " + kExamples + "sector-list.xlsx");
    EXPECT_EQ(r.status, 2);
}

}  // namespace
