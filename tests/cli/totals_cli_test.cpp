// Totals in the forms real workbooks write them, rounded by the program as a
// user runs it, on workbooks made by LibreOffice and openpyxl
// (fixtures/README.md): totals that add and subtract cells, link cells,
// typed totals found with --find-totals in flat, hierarchical, side-by-side
// and layered layouts, numeric headers and near misses. Every rounding is
// checked: each equation holds in the rounded workbook (also as LibreOffice
// recomputes it), link cells agree with their sources, and every number left
// as it is was reported.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "host/host.h"
#include "tests/host/package_util.h"
#include "tests/support/cli_run.h"
#include "tests/support/rounding_check.h"

namespace {

using clirun::Outcome;
using clirun::quorant;
using clirun::slurp;

const std::string kFixtures = std::string(QUORANT_SOURCE_DIR) + "/tests/cli/fixtures/";

void sh(const std::string& command) {
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// The text after "key": in a one-line JSON summary, up to the end of its value.
std::string field(const std::string& json, const std::string& key) {
    const std::string head = "\"" + key + "\": ";
    size_t at = json.find(head);
    if (at == std::string::npos) return "(missing)";
    at += head.size();
    if (json[at] == '[') return json.substr(at, json.find(']', at) - at + 1);
    return json.substr(at, json.find_first_of(",}", at) - at);
}

std::string strings(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? ", \"" : "\"") + items[i] + "\"";
    return out + "]";
}

// The value of a cell of an open workbook ("Sheet!B4" in BOOK).
double valueOf(const std::string& book, const std::string& cell) {
    const size_t bang = cell.rfind('!');
    std::string sheet = cell.substr(0, bang);
    if (sheet.front() == '\'') sheet = sheet.substr(1, sheet.size() - 2);
    host::CellInfo info;
    std::string error;
    const std::string ref = "'[" + book + "]" + sheet + "'!" + cell.substr(bang + 1);
    EXPECT_TRUE(host::readCell(ref, info, error)) << ref << ": " << error;
    return info.value.isNum() ? info.value.num : NAN;
}

std::string formulaOf(const std::string& book, const std::string& cell) {
    const size_t bang = cell.rfind('!');
    host::CellInfo info;
    std::string error;
    EXPECT_TRUE(host::readCell(
        "'[" + book + "]" + cell.substr(0, bang) + "'!" + cell.substr(bang + 1), info, error))
        << error;
    return info.formulaA1;
}

// Equations written "T=A+B-C" over cells "Sheet!B4".
struct Equations {
    std::vector<std::string> cells;  // in order of first mention
    roundcheck::Table table;
    std::map<std::string, int> index;
    int cell(const std::string& name, double value) {
        auto it = index.find(name);
        if (it != index.end()) return it->second;
        cells.push_back(name);
        return index[name] = table.addCell(value, -1e9, 1e9, 's', 0, 0, name);
    }
};

Equations equationsOf(const std::vector<std::string>& texts, const std::string& original) {
    Equations e;
    for (const std::string& text : texts) {
        const size_t eq = text.find('=');
        roundcheck::Equation equation;
        const std::string total = text.substr(0, eq);
        equation.terms.push_back({e.cell(total, valueOf(original, total)), -1});
        size_t at = eq + 1;
        int sign = 1;
        while (at < text.size()) {
            const size_t next = text.find_first_of("+-", at);
            const std::string part = text.substr(at, next - at);
            equation.terms.push_back({e.cell(part, valueOf(original, part)), sign});
            if (next == std::string::npos) break;
            sign = text[next] == '-' ? -1 : 1;
            at = next + 1;
        }
        e.table.equations.push_back(equation);
    }
    return e;
}

// Checks the rounding in BOOK-rounded.xlsx against the equations and the
// reported distance; returns the rounded values by cell.
std::map<std::string, double> checkRounding(const std::string& stem,
                                            const std::vector<std::string>& equations,
                                            const std::string& json) {
    host::reset();
    std::string error;
    EXPECT_TRUE(host::openWorkbook(stem + ".xlsx", error)) << error;
    EXPECT_TRUE(host::openWorkbook(stem + "-rounded.xlsx", error)) << error;
    Equations e = equationsOf(equations, stem);
    std::vector<double> rounded;
    std::map<std::string, double> byCell;
    for (const std::string& c : e.cells) {
        rounded.push_back(valueOf(stem + "-rounded", c));
        byCell[c] = rounded.back();
    }
    EXPECT_EQ(roundcheck::CheckRounding(e.table, rounded, {10, 0},
                                        std::atof(field(json, "distance").c_str())),
              "");
    return byCell;
}

// Each sheet of a workbook as LibreOffice recomputes it: "Sheet!B4" -> value.
std::map<std::string, double> libreOfficeValues(const std::string& book,
                                                const std::vector<std::string>& sheets) {
    std::map<std::string, double> values;
    const std::string stem = book.substr(0, book.rfind('.'));
    EXPECT_EQ(hosttest::sofficeToCsv(book, "csv"), 0) << slurp("soffice.log");
    for (const std::string& sheet : sheets) {
        std::istringstream in(slurp("csv/" + stem + "-" + sheet + ".csv"));
        std::string line;
        for (int row = 1; std::getline(in, line); ++row) {
            std::istringstream fields(line);
            std::string f;
            for (int col = 0; std::getline(fields, f, ','); ++col) {
                char* end = nullptr;
                const double v = std::strtod(f.c_str(), &end);
                if (f.empty() || *end != '\0') continue;
                std::string letters(1, char('A' + col));
                const bool plain = sheet.find(' ') == std::string::npos;
                values[(plain ? sheet : "'" + sheet + "'") + "!" + letters + std::to_string(row)] =
                    v;
            }
        }
    }
    return values;
}

const std::vector<std::string> kLinearEquations = {
    "Results!D4=Results!B4+Results!C4",
    "Results!D5=Results!B5+Results!C5",
    "Results!D6=Results!B6+Results!C6",
    "Results!D7=Results!B7+Results!C7",
    "Results!B8=Results!B4+Results!B5+Results!B6+Results!B7",
    "Results!C8=Results!C4+Results!C5+Results!C6+Results!C7",
    "Results!D8=Results!B8+Results!C8",
    "Results!B9=Results!B4+Results!B5+Results!B7",
    "Results!C9=Results!C8-Results!C6",
    "Results!D9=Results!D8-Results!D6",
    "Results!F4=Results!D8",
    "Summary!B1=Results!D8",
    "Summary!B2=Results!B8+Results!C8"};

// Totals as + formulas, a SUM less a cell, differences, link cells on the
// same and on another sheet: all equations, written back as they were; the
// ratio and the rounding of it keep their formulas; the year beside the
// title is the one number left, and it is reported.
TEST(TotalsCli, TotalsThatAddAndSubtractCellsAndLinkCells) {
    sh("cp " + kFixtures + "linear_totals.xlsx .");
    const Outcome r = quorant("round linear_totals.xlsx --json --no-audit");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(field(r.out, "captured_cells"), "21");
    EXPECT_EQ(field(r.out, "captured_equations"), "13");
    EXPECT_EQ(field(r.out, "equations_from_formulas"), "13");
    EXPECT_EQ(field(r.out, "unrounded_cells"), "1");
    EXPECT_EQ(field(r.out, "unrounded_ranges"), strings({"Results!B1"}));
    EXPECT_EQ(field(r.out, "kept_formula_ranges"), strings({"Results!B11", "Summary!B3"}));
    EXPECT_NE(r.err.find("1 number is in no equation and was left as it is: Results!B1"),
              std::string::npos)
        << r.err;

    const auto rounded = checkRounding("linear_totals", kLinearEquations, r.out);
    EXPECT_EQ(rounded.at("Results!F4"), rounded.at("Results!D8")) << "the link cell agrees";
    EXPECT_EQ(rounded.at("Summary!B1"), rounded.at("Results!D8"));
    EXPECT_EQ(formulaOf("linear_totals-rounded", "Results!B9"), "=SUM(B4:B7)-B6");
    EXPECT_EQ(formulaOf("linear_totals-rounded", "Results!F4"), "=D8");
    EXPECT_EQ(formulaOf("linear_totals-rounded", "Results!B11"), "=B8/D8");
    EXPECT_EQ(formulaOf("linear_totals-rounded", "Summary!B2"), "=Results!B8+Results!C8");
    EXPECT_EQ(valueOf("linear_totals-rounded", "Results!B1"), 2024) << "left as it is";
    host::reset();

    if (!hosttest::haveSoffice()) GTEST_SKIP() << "soffice is not installed";
    const auto lo = libreOfficeValues("linear_totals-rounded.xlsx", {"Results", "Summary"});
    for (const auto& [cell, value] : rounded) {
        ASSERT_TRUE(lo.count(cell)) << cell;
        EXPECT_EQ(lo.at(cell), value) << cell << " as LibreOffice computes it";
    }
}

const std::vector<std::string> kTypedEquations = {
    "Flat!B7=Flat!B4+Flat!B5+Flat!B6",  "Flat!C7=Flat!C4+Flat!C5+Flat!C6",
    "Flat!D7=Flat!D4+Flat!D5+Flat!D6",  "Flat!G7=Flat!G4+Flat!G5+Flat!G6",
    "Flat!H7=Flat!H4+Flat!H5+Flat!H6",  "Flat!I7=Flat!I4+Flat!I5+Flat!I6",
    "Flat!I4=Flat!G4+Flat!H4",          "Flat!I5=Flat!G5+Flat!H5",
    "Flat!I6=Flat!G6+Flat!H6",          "Flat!I7=Flat!G7+Flat!H7",
    "Regions!B2=Regions!B3+Regions!B6", "Regions!C2=Regions!C3+Regions!C6",
    "Regions!B3=Regions!B4+Regions!B5", "Regions!C3=Regions!C4+Regions!C5",
    "Regions!B6=Regions!B7+Regions!B8", "Regions!C6=Regions!C7+Regions!C8",
    "Both!B2=Men!B2+Women!B2",          "Both!C2=Men!C2+Women!C2",
    "Both!B3=Men!B3+Women!B3",          "Both!C3=Men!C3+Women!C3"};

// Typed totals: two tables side by side under years, a hierarchy with dotted
// labels and its totals first, three sheets of which one is the sum of the
// others. Every total is found and listed, the rounding keeps them adding
// up; the years and the near misses are no equations and are reported.
TEST(TotalsCli, TypedTotalsFoundInEveryLayoutAndNearMissesReported) {
    sh("cp " + kFixtures + "typed_totals.xlsx .");
    const Outcome r = quorant("round typed_totals.xlsx --find-totals --json --no-audit", false);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(field(r.out, "equations_found"), "20");
    EXPECT_EQ(field(r.out, "captured_cells"), "50");
    EXPECT_EQ(field(r.out, "unrounded_ranges"),
              strings({"Flat!B3:D3", "'Near misses'!B1:B3", "'Near misses'!B5:B6"}));
    EXPECT_NE(field(r.out, "found_totals").find("\"Regions!B2 = Regions!B3 + Regions!B6\""),
              std::string::npos);
    EXPECT_NE(field(r.out, "found_totals").find("\"Flat!B7 = Flat!B4 + ... + Flat!B6\""),
              std::string::npos);
    EXPECT_NE(r.err.find("Found total: Both!B2 = Men!B2 + Women!B2"), std::string::npos)
        << "listed before rounding";

    checkRounding("typed_totals", kTypedEquations, r.out);
    EXPECT_EQ(valueOf("typed_totals-rounded", "Flat!B3"), 2022) << "a header is no cell";
    EXPECT_EQ(valueOf("typed_totals-rounded", "'Near misses'!B3"), 30.4);
    EXPECT_EQ(valueOf("typed_totals-rounded", "'Near misses'!B6"), 7);
    host::reset();
}

// --table keeps the years out on purpose (and they are still reported);
// --all-cells rounds what is in no equation; both with --find-totals.
TEST(TotalsCli, TableRangesAndAllCells) {
    sh("cp " + kFixtures + "typed_totals.xlsx .");
    const Outcome r = quorant(
        "round typed_totals.xlsx --find-totals --all-cells --table \"Flat!A4:I7,'Near "
        "misses'!A1:B6\""
        " --json --no-audit");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(field(r.out, "equations_found"), "10") << "only the totals of Flat";
    EXPECT_EQ(field(r.out, "unrounded_ranges"),
              strings({"Flat!B3:D3", "Regions!B2:C8", "Men!B2:C3", "Women!B2:C3", "Both!B2:C3"}));
    host::reset();
    std::string error;
    ASSERT_TRUE(host::openWorkbook("typed_totals-rounded.xlsx", error)) << error;
    EXPECT_EQ(valueOf("typed_totals-rounded", "'Near misses'!B3"), 30)
        << "a number in no equation, rounded on its own";
    EXPECT_EQ(valueOf("typed_totals-rounded", "Flat!C3"), 2023) << "outside the table";
    host::reset();
}

// Without equations the program says what to do; the flags are refused
// where no workbook is captured.
TEST(TotalsCli, HintWithoutEquationsAndFlagsRefusedWhereTheyCannotApply) {
    sh("cp " + kFixtures + "typed_totals.xlsx .");
    const Outcome r = quorant("round typed_totals.xlsx --json --no-audit");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("quorant round: totals must be formulas such as =SUM(B2:B9) or =B2+B3, "
                         "or can be found with --find-totals"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(field(r.out, "unrounded_cells"), "58");
    EXPECT_EQ(field(r.out, "captured_equations"), "0");
    for (const char* command :
         {"load x.qtb --round --find-totals", "generate 2,2 --all-cells",
          "import typed_totals.xlsx --select 'Flat!A3:D7' --table 'Flat!A1'"}) {
        const Outcome refused = quorant(command);
        EXPECT_EQ(refused.status, 2) << command;
        EXPECT_NE(refused.err.find("applies to capturing a workbook's table"), std::string::npos)
            << refused.err;
    }
    const Outcome noRanges = quorant("round typed_totals.xlsx --table");
    EXPECT_EQ(noRanges.status, 2);
    EXPECT_NE(noRanges.err.find("--table needs the table's ranges"), std::string::npos);
    const Outcome badRange = quorant("round typed_totals.xlsx --table 'Nowhere!A1:B2'");
    EXPECT_EQ(badRange.status, 1);
    EXPECT_NE(badRange.err.find("The table range \"Nowhere!A1:B2\" names no cells"),
              std::string::npos)
        << badRange.err;
}

}  // namespace

namespace {

// The script settings of a capture and its report, as a script uses them;
// a setting the add-in does not have stops the script with its name.
TEST(TotalsCli, ScriptSettingsAndReport) {
    sh("cp " + kFixtures + "typed_totals.xlsx .");
    std::ofstream("settings.qs") << "open typed_totals.xlsx\n"
                                    "capture-setting find-totals on\n"
                                    "capture-setting table \"Regions!A1:C8\"\n"
                                    "dialog \" Quorant\" {\n  ok\n}\n"
                                    "call fLookup 0\n"
                                    "call fAddsums 0\n"
                                    "capture-report\n";
    const Outcome r = quorant("script settings.qs");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("equations-found\t6\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("found\tRegions!B2 = Regions!B3 + Regions!B6\n"), std::string::npos);
    EXPECT_NE(r.out.find("unrounded-range\tFlat!B3:D7\n"), std::string::npos)
        << "outside the table's ranges";
    std::ofstream("wrong.qs") << "capture-setting find-total on\n";
    const Outcome wrong = quorant("script wrong.qs");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err.find("there is no capture setting \"find-total\""), std::string::npos)
        << wrong.err;
}

}  // namespace
