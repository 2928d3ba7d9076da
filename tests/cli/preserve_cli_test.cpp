// Rounding formatted workbooks as a user does: the rounded workbook is the
// input with the table's numbers rounded (LibreOffice recalculating it finds
// a sound rounding), the interval workbook its texts in wide enough columns;
// .ods and .xls inputs give .xlsx results.
#include <gtest/gtest.h>

#include <cmath>

#include "host/host.h"
#include "tests/host/package_compare.h"
#include "tests/host/package_util.h"
#include "tests/support/cli_run.h"
#include "tests/support/rounding_check.h"

namespace {

using clirun::Outcome;
using clirun::quorant;
using clirun::slurp;

const std::string kFixtures = std::string(QUORANT_SOURCE_DIR) + "/tests/host/fixtures/preserve/";

// The table of the formatted fixture as LibreOffice computes the rounded
// workbook: B3:D6 with row totals in E and column totals in row 7, checked as
// a rounding of the original values (base 10, zero-restricted).
void expectSoundRounding(const std::string& workbook) {
    ASSERT_EQ(hosttest::sofficeToCsv(workbook, "csv"), 0) << slurp("soffice.log");
    std::string stem = workbook.substr(workbook.find_last_of('/') + 1);
    stem = stem.substr(0, stem.find('.'));
    auto rows = hosttest::csvRows(slurp("csv/" + stem + "-Cases.csv"));
    ASSERT_GE(rows.size(), 7u);
    const double original[4][3] = {
        {1283, 964, 1517}, {2417, 1872, 2936}, {1156, 1039, 1378}, {702, 1345, 618}};
    roundcheck::Table t;
    int cell[5][4];
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 4; ++c) {
            double v = 0;
            for (int i = 0; i < 4; ++i)
                for (int j = 0; j < 3; ++j)
                    if ((r == i || r == 4) && (c == j || c == 3)) v += original[i][j];
            cell[r][c] = t.addCell(v);
        }
    for (int r = 0; r < 5; ++r) t.addSum({cell[r][0], cell[r][1], cell[r][2]}, cell[r][3]);
    for (int c = 0; c < 4; ++c)
        t.addSum({cell[0][c], cell[1][c], cell[2][c], cell[3][c]}, cell[4][c]);
    std::vector<double> rounded;
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 4; ++c) {
            std::string text = rows[static_cast<size_t>(r + 2)][static_cast<size_t>(c + 1)];
            text.erase(std::remove(text.begin(), text.end(), ','), text.end());
            rounded.push_back(std::atof(text.c_str()));
        }
    EXPECT_EQ(roundcheck::CheckRounding(t, rounded, {10, 0}, -1), "");
}

// The rounded workbook recalculated by LibreOffice is a sound rounding; the
// summary names the formulas left for the spreadsheet program; the interval
// workbook's narrow column grew for its texts and the wide one stayed.
TEST(PreserveCli, FormattedWorkbookRoundsIntoItsOwnLayout) {
    if (!hosttest::haveSoffice())
        GTEST_SKIP() << "soffice (libreoffice-calc-nogui) is not installed";
    Outcome r = quorant("round " + kFixtures + "libreoffice_formatted.xlsx --out out --json");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\"fileNotes\": [\"out/libreoffice_formatted-rounded.xlsx: formulas whose "
                         "results are left for the spreadsheet program to compute on opening: "
                         "Cases!I3, Cases!I4, Cases!I5, Cases!H6, Cases!I6\""),
              std::string::npos)
        << r.out;
    expectSoundRounding("out/libreoffice_formatted-rounded.xlsx");
    auto in = hosttest::readPackage(kFixtures + "libreoffice_formatted.xlsx");
    auto out = hosttest::readPackage("out/libreoffice_formatted-intervals.xlsx");
    EXPECT_EQ(out["xl/styles.xml"], in["xl/styles.xml"]);
    EXPECT_EQ(out["xl/charts/chart1.xml"].find(">Cases!"), std::string::npos)
        << "the chart names the renamed sheet";
    const std::string sheet = out["xl/worksheets/sheet1.xml"];
    // Column B was 6 characters wide and grows to its longest text and one
    // more; A (18, wider than its labels) stays.
    std::string error;
    host::reset();
    ASSERT_TRUE(host::openWorkbook("out/libreoffice_formatted-intervals.xlsx", error)) << error;
    size_t longest = 0;
    for (int row = 3; row <= 7; ++row) {
        host::CellInfo i;
        ASSERT_TRUE(host::readCell("'Cases - p.i.'!B" + std::to_string(row), i, error));
        longest = std::max(longest, i.text.size());
    }
    host::reset();
    EXPECT_GT(longest, 6u);
    EXPECT_NE(
        sheet.find("max=\"2\" min=\"2\" style=\"0\" width=\"" + std::to_string(longest + 1) + "\""),
        std::string::npos)
        << sheet.substr(sheet.find("<cols>"), 600);
    EXPECT_NE(sheet.find("max=\"1\" min=\"1\" style=\"0\" width=\"18\""), std::string::npos);
}

// An OpenDocument input is read through LibreOffice and rounded into .xlsx.
TEST(PreserveCli, OdsInputGivesXlsxResults) {
    if (!hosttest::haveSoffice())
        GTEST_SKIP() << "soffice (libreoffice-calc-nogui) is not installed";
    Outcome r = quorant("round " + kFixtures + "libreoffice_formatted.ods --out ods --no-audit");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("wrote ods/libreoffice_formatted-rounded.xlsx"), std::string::npos)
        << r.out;
    expectSoundRounding("ods/libreoffice_formatted-rounded.xlsx");
}

}  // namespace
