// The generate and import commands of the program as a user runs them: the
// same seeds make the same table and rounding, the example list is imported
// and rounded, and wrong requests are refused.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/host.h"
#include "tests/support/cli_run.h"

namespace {

using clirun::Outcome;
using clirun::quorant;

const std::string kExamples = std::string(QUORANT_SOURCE_DIR) + "/examples/";

std::string sheetOf(const std::string& path) {
    host::reset();
    std::string error, text;
    EXPECT_TRUE(host::openWorkbook(path, error)) << error;
    EXPECT_TRUE(host::showSheet("", false, text, error)) << error;
    return text;
}

double number(const std::string& ref) {
    host::CellInfo info;
    std::string error;
    EXPECT_TRUE(host::readCell(ref, info, error)) << error;
    return info.value.isNum() ? info.value.num : NAN;
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

    // The rounding itself is checked in the table tests with these seeds; here
    // the grand total (the last row) is a multiple of the base near the original.
    host::reset();
    std::string error;
    ASSERT_TRUE(host::openWorkbook("gen/a/random-3x4x5.xlsx", error)) << error;
    ASSERT_TRUE(host::openWorkbook("gen/a/random-3x4x5-rounded.xlsx", error)) << error;
    const double total = number("[random-3x4x5]Sheet1!D122");
    const double rounded = number("[random-3x4x5-rounded]Sheet1!D122");
    EXPECT_GT(total, 60);
    EXPECT_EQ(std::fmod(rounded, 10), 0);
    EXPECT_LT(std::fabs(rounded - total), 10);
}

TEST(TableCli, WrongRequestsAreRefusedAndWriteNothing) {
    std::filesystem::remove_all("bad");
    Outcome r = quorant("generate 3,4 --from 0.4 --out bad");
    EXPECT_EQ(r.status, 2);  // the box takes digits only
    EXPECT_NE(r.err.find("--from takes a whole number"), std::string::npos) << r.err;
    r = quorant("generate 3,4 --zeros 101 --out bad");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Entry of field Percentage of zeros must be between 0 and 100."),
              std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists("bad/random-3x4.xlsx"));
    r = quorant("import " + kExamples + "sector-list.xlsx --select 'Data!A1:A13' --out bad");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Please select the source data"), std::string::npos) << r.err;
    EXPECT_EQ(quorant("import " + kExamples + "sector-list.xlsx").status, 2);  // no --select
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
    // Regions East, North, South, West by 3 sectors in the host's sort order,
    // then the totals; the header row stays above the table.
    EXPECT_EQ(number("[sector-list-table]Data!C2"), 213);  // (East, Agriculture)
    EXPECT_EQ(number("[sector-list-table]Data!C22"), 16488);
    EXPECT_EQ(std::fmod(number("[sector-list-rounded]Data!C22"), 10), 0);
    host::CellInfo info;
    ASSERT_TRUE(host::readCell("[sector-list-rounded]Data!C1", info, error));
    EXPECT_EQ(info.text, "Employed");
}

}  // namespace
