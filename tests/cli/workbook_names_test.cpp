// Workbooks from other programs through the program: sheet names counted in
// characters and compared without letter case, the interval copy's names kept
// apart, which workbook is which told by how it was made (never by sheet
// names), a far-away cell that costs nothing, and workbooks past the sheet
// limit refused with the limit.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "host/address.h"
#include "host/host.h"
#include "tests/host/package_util.h"
#include "tests/support/cli_run.h"
#include "tests/support/rounding_check.h"

namespace {

namespace fs = std::filesystem;
using clirun::Outcome;
using clirun::quorant;

const std::string kFixtures = std::string(QUORANT_SOURCE_DIR) + "/tests/cli/fixtures/";

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The cell at row, col (0-based) of a sheet of an open workbook, as a value.
host::Value cellValue(const std::string& book, const std::string& sheet, int row, int col) {
    host::CellInfo info;
    std::string error;
    const std::string ref = "'[" + book + "]" + sheet + "'!" + host::a1Cell(row, col);
    EXPECT_TRUE(host::readCell(ref, info, error)) << ref << ": " << error;
    return info.value;
}

// A sheet's 2 x 2 table with its totals (A1:C3) as a table to check roundings of.
roundcheck::Table tableOf(const std::string& book, const std::string& sheet) {
    roundcheck::Table t;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const host::Value v = cellValue(book, sheet, r, c);
            t.addCell(v.isNum() ? v.num : NAN);
        }
    for (int r = 0; r < 3; ++r) t.addSum({3 * r, 3 * r + 1}, 3 * r + 2);
    for (int c = 0; c < 3; ++c) t.addSum({c, 3 + c}, 6 + c);
    return t;
}

TEST(WorkbookNames, NamesLongInBytesButNotInCharactersAreRoundedWithUniqueIntervalNames) {
    fs::copy_file(kFixtures + "sheet_names.xlsx", "names.xlsx");
    Outcome r = quorant("round names.xlsx --out out --json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(has(r.err, "callback failed")) << r.err;

    host::reset();
    std::string error;
    ASSERT_TRUE(host::openWorkbook("names.xlsx", error)) << error;
    ASSERT_TRUE(host::openWorkbook("out/names-rounded.xlsx", error)) << error;
    ASSERT_TRUE(host::openWorkbook("out/names-intervals.xlsx", error)) << error;
    const std::vector<std::string> sheets = host::sheetNames("names");
    ASSERT_EQ(sheets.size(), 7u);
    // The rounded copy keeps the names; every sheet holds a sound rounding of
    // its table, also the one whose name ends in " - p.i.".
    EXPECT_EQ(host::sheetNames("names-rounded"), sheets);
    for (const std::string& sheet : sheets) {
        const roundcheck::Table table = tableOf("names", sheet);
        std::vector<double> rounded;
        for (int k = 0; k < 9; ++k) {
            const host::Value v = cellValue("names-rounded", sheet, k / 3, k % 3);
            rounded.push_back(v.isNum() ? v.num : NAN);
        }
        EXPECT_EQ(roundcheck::CheckRounding(table, rounded, {}, -1), "") << sheet;
    }
    // The interval copy: names cut to 31 characters (not bytes), none alike,
    // none the name of another sheet; its cells hold intervals, not numbers.
    const std::vector<std::string> expected = {"Статистика занятости - p.i.",
                                               "סטטיסטיקת תעסוקה - p.i.",
                                               "就業統計地域別産業別表 - p.i.",
                                               "T - p.i. - p.i.",
                                               "T (2) - p.i.",
                                               "Employment by region 202 - p.i.",
                                               "Employment by region (2) - p.i."};
    EXPECT_EQ(host::sheetNames("names-intervals"), expected);
    for (const std::string& sheet : expected) {
        const host::Value v = cellValue("names-intervals", sheet, 0, 0);
        EXPECT_TRUE(v.isStr() && v.str.front() == '(') << sheet;
    }
    host::reset();
}

TEST(WorkbookNames, SheetNamesAlikeButForLetterCaseAreRefused) {
    // No spreadsheet program writes such a file (each renames one of the
    // two): it is made part by part here.
    const std::string sheet =
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        "<sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row></sheetData></worksheet>";
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    ASSERT_TRUE(hosttest::writePackage(
        "case.xlsx",
        {{"[Content_Types].xml",
          "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"/>"},
         {"_rels/.rels",
          "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
          "<Relationship Id=\"r1\" Type=\"" +
              rel +
              "officeDocument\" Target=\"xl/workbook.xml\"/>"
              "</Relationships>"},
         {"xl/workbook.xml",
          "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
          "xmlns:r=\"" +
              rel.substr(0, rel.size() - 1) +
              "\"><sheets>"
              "<sheet name=\"ÄÖÜ\" sheetId=\"1\" r:id=\"s1\"/>"
              "<sheet name=\"äöü\" sheetId=\"2\" r:id=\"s2\"/></sheets></workbook>"},
         {"xl/_rels/workbook.xml.rels",
          "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
          "<Relationship Id=\"s1\" Type=\"" +
              rel +
              "worksheet\" Target=\"worksheets/a.xml\"/>"
              "<Relationship Id=\"s2\" Type=\"" +
              rel +
              "worksheet\" Target=\"worksheets/b.xml\"/>"
              "</Relationships>"},
         {"xl/worksheets/a.xml", sheet},
         {"xl/worksheets/b.xml", sheet}}));
    Outcome r = quorant("round case.xlsx");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(has(r.err, "two of its sheets are named \"äöü\"")) << r.err;
}

TEST(WorkbookNames, AWorkbookPastTheSheetLimitIsRefusedWithTheLimit) {
    // 10001 sheet entries (LibreOffice itself stops at 10000 sheets).
    std::string sheets;
    for (int i = 1; i <= 10001; ++i)
        sheets +=
            "<sheet name=\"S" + std::to_string(i) + "\" sheetId=\"" + std::to_string(i) + "\"/>";
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    ASSERT_TRUE(hosttest::writePackage(
        "many.xlsx",
        {{"_rels/.rels",
          "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
          "<Relationship Id=\"r1\" Type=\"" +
              rel +
              "officeDocument\" Target=\"xl/workbook.xml\"/>"
              "</Relationships>"},
         {"xl/workbook.xml",
          "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheets>" +
              sheets + "</sheets></workbook>"}}));
    Outcome r = quorant("round many.xlsx --out out");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(has(r.err, "it has more than 10000 sheets, the most a workbook may have")) << r.err;
    EXPECT_FALSE(fs::exists("out/many-rounded.xlsx"));
}

TEST(WorkbookNames, AFarAwayCellChangesNothingAndCostsNothing) {
    // The table with a stray number in the grid's last cell, and a sheet with
    // only such a number: the same rounding as the table alone. (Scanned cell
    // by cell, these two sheets took seconds each.)
    fs::copy_file(kFixtures + "far_cell.xlsx", "far.xlsx");
    Outcome r = quorant("round far.xlsx --out out --json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out, "\"distance\": 28")) << r.out;
    host::reset();
    std::string error;
    ASSERT_TRUE(host::openWorkbook("far.xlsx", error)) << error;
    ASSERT_TRUE(host::openWorkbook("out/far-rounded.xlsx", error)) << error;
    const roundcheck::Table table = tableOf("far", "Table");
    std::vector<double> rounded;
    for (int k = 0; k < 9; ++k)
        rounded.push_back(cellValue("far-rounded", "Table", k / 3, k % 3).num);
    EXPECT_EQ(roundcheck::CheckRounding(table, rounded, {}, 28), "");
    // Cells of no equation keep their values.
    EXPECT_EQ(cellValue("far-rounded", "Table", 65535, 255).num, 7);
    host::reset();
}

}  // namespace
