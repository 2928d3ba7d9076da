// The generate and import commands of the program as a user runs them: the
// same seeds make the same table and rounding, the example list is imported
// and rounded, and wrong requests are refused.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <zip.h>

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
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
    const std::string args = "generate 3,4,5 --seed 1 --round ";
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

// The list of a rounded (or read) table: region and sector labels (0 for a
// total over that dimension) to the value in column C; the cells, then after
// an empty row the totals.
std::map<std::pair<std::string, std::string>, double> listOf(const std::string& book) {
    std::map<std::pair<std::string, std::string>, double> list;
    for (int row = 2, empty = 0; empty < 2; ++row) {
        host::CellInfo a, b;
        std::string error;
        const std::string at = "[" + book + "]Data!";
        EXPECT_TRUE(host::readCell(at + "A" + std::to_string(row), a, error)) << error;
        empty = a.text.empty() ? empty + 1 : 0;
        if (a.text.empty()) continue;
        EXPECT_TRUE(host::readCell(at + "B" + std::to_string(row), b, error)) << error;
        list[{a.text, b.text}] = number(at + "C" + std::to_string(row));
    }
    return list;
}

// Every total of a two-way list equals the sum of its parts. A total names
// the categories by their number in sort order (texts here) and 0 for the
// dimension summed over.
void expectTotalsHold(const std::map<std::pair<std::string, std::string>, double>& list) {
    std::map<std::string, double> byRegion, bySector;
    double all = 0;
    for (const auto& [key, value] : list) {
        if (std::isdigit(static_cast<unsigned char>(key.first[0]))) continue;
        byRegion[key.first] += value;
        bySector[key.second] += value;
        all += value;
    }
    ASSERT_EQ(list.size(),
              byRegion.size() * bySector.size() + byRegion.size() + bySector.size() + 1);
    int k = 0;
    for (const auto& [region, sum] : byRegion)
        EXPECT_EQ(list.at({std::to_string(++k), "0"}), sum) << region;
    k = 0;
    for (const auto& [sector, sum] : bySector)
        EXPECT_EQ(list.at({"0", std::to_string(++k)}), sum) << sector;
    EXPECT_EQ(list.at({"0", "0"}), all);
}

// A copy of a workbook whose first sheet was saved with `area` selected.
bool copyWithSelection(const std::string& from, const std::string& to, const std::string& area) {
    std::filesystem::copy_file(from, to, std::filesystem::copy_options::overwrite_existing);
    const char* part = "xl/worksheets/sheet1.xml";
    int code = 0;
    zip_t* z = zip_open(to.c_str(), 0, &code);
    zip_stat_t st;
    if (!z) return false;
    if (zip_stat(z, part, 0, &st) != 0) {
        zip_discard(z);
        return false;
    }
    std::string xml(st.size, '\0');
    zip_file_t* f = zip_fopen(z, part, 0);
    const bool read = f && zip_fread(f, xml.data(), st.size) == static_cast<zip_int64_t>(st.size);
    if (f) zip_fclose(f);
    const size_t at = xml.find("sqref=\"A1\"");
    zip_source_t* src = nullptr;
    if (read && at != std::string::npos) {
        xml.replace(at, 10, "sqref=\"" + area + "\"");
        src = zip_source_buffer(z, xml.data(), xml.size(), 0);
    }
    if (!src || zip_file_add(z, part, src, ZIP_FL_OVERWRITE) < 0) {
        zip_source_free(src);
        zip_discard(z);
        return false;
    }
    return zip_close(z) == 0;
}

// A workbook with a pivot table is read by round as a list, from the block
// named by --select or else from the selection saved in the workbook.
TEST(TableCli, RoundReadsAPivotWorkbookFromItsSelectedList) {
    std::filesystem::remove_all("pivot");
    Outcome r = quorant("round " + kExamples + "sector-pivot.xlsx --out pivot");
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("holds a pivot table"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("--select"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists("pivot/sector-pivot-rounded.xlsx"));

    r = quorant("round " + kExamples + "sector-pivot.xlsx --select 'Data!A1:C13' --refresh-pivot " +
                "--out pivot");
    ASSERT_EQ(r.status, 0) << r.err;
    host::reset();
    std::string error;
    for (const char* book : {"sector-pivot-table", "sector-pivot-rounded"})
        ASSERT_TRUE(host::openWorkbook("pivot/" + std::string(book) + ".xlsx", error)) << error;
    ASSERT_TRUE(std::filesystem::exists("pivot/sector-pivot-intervals.xlsx"));
    const auto table = listOf("sector-pivot-table"), rounded = listOf("sector-pivot-rounded");
    EXPECT_EQ(table.at({"East", "Agriculture"}), 213);  // the values read, not rounded
    expectTotalsHold(table);
    ASSERT_EQ(rounded.size(), table.size());
    for (const auto& [key, value] : rounded) {
        EXPECT_EQ(std::fmod(value, 10), 0) << key.first << "/" << key.second;
        EXPECT_LT(std::fabs(value - table.at(key)), 10) << key.first << "/" << key.second;
    }
    expectTotalsHold(rounded);

    // Saved with the list selected, the workbook needs no --select.
    ASSERT_TRUE(
        copyWithSelection(kExamples + "sector-pivot.xlsx", "pivot/selected.xlsx", "A1:C13"));
    r = quorant("round pivot/selected.xlsx");
    ASSERT_EQ(r.status, 0) << r.err;
    host::reset();
    ASSERT_TRUE(host::openWorkbook("pivot/selected-rounded.xlsx", error)) << error;
    EXPECT_EQ(listOf("selected-rounded"), rounded);
}

}  // namespace
