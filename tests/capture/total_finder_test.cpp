// The search for typed totals on plain pictures of workbooks: the layouts it
// must read (flat, hierarchical with totals before or after their parts,
// several tables on a sheet, a blank row before the total, layers on sheets,
// a table continued on the next sheet) and the near misses it must not take
// for totals (a tolerance, a copy of one cell, a zero, a coincidence, header
// numbers such as years).
#include "capture/total_finder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using totals::Proposal;
using totals::Sheet;
using totals::Spot;

std::string trimmed(const std::string& s) {
    const size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

// A sheet from rows of cells separated by '|': a number is typed, "=12" a
// number from a formula, "#" something else (an error, a kept formula),
// "'  text" a text keeping its leading blanks, anything else a text.
Sheet sheetOf(const std::vector<std::string>& rows) {
    Sheet sheet;
    for (size_t r = 0; r < rows.size(); ++r) {
        size_t start = 0;
        for (int c = 0; start <= rows[r].size(); ++c) {
            size_t bar = rows[r].find('|', start);
            if (bar == std::string::npos) bar = rows[r].size();
            const std::string raw = rows[r].substr(start, bar - start);
            start = bar + 1;
            const std::string t = trimmed(raw);
            if (t.empty()) continue;
            Spot spot;
            char* end = nullptr;
            const bool formula = t[0] == '=';
            const std::string number = formula ? t.substr(1) : t;
            const double v = std::strtod(number.c_str(), &end);
            if (t == "#") {
                spot.kind = Spot::Other;
            } else if (!number.empty() && *end == '\0') {
                spot.kind = Spot::Number;
                spot.value = v;
                spot.typed = !formula;
            } else {
                spot.kind = Spot::Text;
                spot.text = t[0] == '\'' ? raw.substr(raw.find('\'') + 1) : t;
                while (!spot.text.empty() && spot.text.back() == ' ') spot.text.pop_back();
            }
            sheet[{int32_t(r), c}] = spot;
        }
    }
    return sheet;
}

std::string a1(const totals::Pos& p) {
    std::string letters;
    for (int c = p.col + 1; c > 0; c = (c - 1) / 26)
        letters.insert(letters.begin(), char('A' + (c - 1) % 26));
    return (p.sheet ? std::to_string(p.sheet) + ":" : "") + letters + std::to_string(p.row + 1);
}

// Proposals as "D5=B5+C5", sorted.
std::vector<std::string> found(const std::vector<Sheet>& sheets,
                               const std::vector<std::string>& names = {}) {
    std::vector<std::string> out;
    for (const Proposal& p : totals::findTotals(sheets, names)) {
        std::string text = a1(p.total) + "=";
        for (size_t i = 0; i < p.parts.size(); ++i) text += (i ? "+" : "") + a1(p.parts[i]);
        out.push_back(text);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

// Totals after their parts in both directions, labelled: every total row
// cell and every total column cell, the corner both ways.
TEST(TotalFinder, FlatTableWithTotalRowAndColumn) {
    const Sheet s = sheetOf({
        "      | Men | Women | Total",
        "North | 13  | 27    | 40",
        "South | 4   | 16    | 20",
        "East  | 8   | 2     | 10",
        "Total | 25  | 45    | 70",
    });
    EXPECT_EQ(found({s}), sorted({"B5=B2+B3+B4", "C5=C2+C3+C4", "D5=D2+D3+D4", "D2=B2+C2",
                                  "D3=B3+C3", "D4=B4+C4", "D5=B5+C5"}));
}

// A single column whose totals come first, each level indented further: the
// grand total adds the subtotals, each subtotal its own parts.
TEST(TotalFinder, HierarchyWithTotalsBeforeTheirPartsInOneColumn) {
    const Sheet s = sheetOf({
        "Total      | 100",
        "' North    | 60",
        "'   a1     | 20",
        "'   a2     | 40",
        "' South    | 40",
        "'   b1     | 10",
        "'   b2     | 30",
    });
    EXPECT_EQ(found({s}), sorted({"B1=B2+B5", "B2=B3+B4", "B5=B6+B7"}));
}

// Without any labels, subtotals after their parts in two columns agree with
// each other: totals of totals and a grand total.
TEST(TotalFinder, UnlabelledSubtotalsAndGrandTotalAfterTheirParts) {
    const Sheet s = sheetOf({
        "20  | 1",
        "40  | 2",
        "60  | 3",
        "10  | 4",
        "30  | 5",
        "40  | 9",
        "100 | 12",
    });
    EXPECT_EQ(found({s}),
              sorted({"A3=A1+A2", "A6=A4+A5", "A7=A3+A6", "B3=B1+B2", "B6=B4+B5", "B7=B3+B6"}));
}

// Totals typed beside formulas: a total may add cells computed by formulas,
// but a cell holding a formula is never proposed as a total.
TEST(TotalFinder, FormulaCellsArePartsButNeverTotals) {
    const Sheet s = sheetOf({
        "a     | 5  | =7  | 12",
        "b     | 6  | =8  | 14",
        "Total | 11 | =15 | 26",
    });
    EXPECT_EQ(found({s}), sorted({"B3=B1+B2", "D3=D1+D2", "D1=B1+C1", "D2=B2+C2", "D3=B3+C3"}));
}

// Near misses: a sum that holds only within a tolerance, a total of one
// part (a copy), a total whose other parts are zeros, a coincidence in one
// unlabelled column, and a coincidence in one column of three.
TEST(TotalFinder, NearMissesAreNotProposed) {
    EXPECT_EQ(found({sheetOf({"a | 10", "b | 20", "Total | 30.5"})}), std::vector<std::string>{})
        << "a tolerance";
    EXPECT_EQ(found({sheetOf({"a | 99.9", "b | 0.2", "Total | 100"})}), std::vector<std::string>{})
        << "rounded parts";
    EXPECT_EQ(found({sheetOf({"a | 7 | 3", "Total | 7 | 3"})}), std::vector<std::string>{})
        << "a copy of one row";
    EXPECT_EQ(found({sheetOf({"a | 5", "b | 0", "Total | 5"})}), std::vector<std::string>{})
        << "one part and a zero";
    EXPECT_EQ(found({sheetOf({"3", "5", "8", "2"})}), std::vector<std::string>{})
        << "8 = 3 + 5 by chance in a column that does not add up as a whole";
    EXPECT_EQ(found({sheetOf({"2", "3", "5"})}), std::vector<std::string>{})
        << "three unlabelled numbers add up by chance too often";
    EXPECT_EQ(found({sheetOf({"a | 2", "b | 3", "Total | 5"})}),
              std::vector<std::string>{"B3=B1+B2"})
        << "unless the label says so";
    EXPECT_EQ(found({sheetOf({"2 | 5 | 9", "4 | 6 | 11", "6 | 13 | 19"})}),
              std::vector<std::string>{})
        << "6 = 2 + 4 in one column of three";
}

// Header numbers: years over the columns and column numbers 1, 2, 3 are
// never totals nor parts, although 3 = 1 + 2; the data below them is read.
TEST(TotalFinder, YearsAndColumnNumbersAreHeaders) {
    const Sheet years = sheetOf({
        "      | 2019 | 2020 | 2021",
        "a     | 1    | 2    | 3",
        "b     | 4    | 5    | 9",
        "Total | 5    | 7    | 12",
    });
    EXPECT_EQ(found({years}),
              sorted({"B4=B2+B3", "C4=C2+C3", "D4=D2+D3", "D2=B2+C2", "D3=B3+C3", "D4=B4+C4"}));
    const Sheet numbered = sheetOf({
        "1  | 2  | 3",
        "10 | 20 | 30",
        "5  | 6  | 11",
    });
    EXPECT_EQ(found({numbered}), sorted({"C2=A2+B2", "C3=A3+B3"}));
    const Sheet yearRows = sheetOf({
        "2019 | 10 | 20 | 30",
        "2020 | 11 | 21 | 32",
    });
    EXPECT_EQ(found({yearRows}), sorted({"D1=B1+C1", "D2=B2+C2"}))
        << "years down the first column are no parts of the row totals";
}

// Two tables side by side (an empty column between them) and a third below
// under its own title: each is read alone, with its own layout.
TEST(TotalFinder, SeveralTablesOnOneSheet) {
    const Sheet s = sheetOf({
        "Table 1 |    |    |       |  | Table 2",
        "a       | 1  | 3  | 4     |  | x | 10 | 20",
        "b       | 4  | 6  | 10    |  | y | 30 | 40",
        "        |    |    |       |  | Total | 40 | 60",
        "",
        "Table 3",
        "p       | 7  | 8",
        "q       | 9  | 10",
        "All     | 16 | 18",
    });
    EXPECT_EQ(found({s}),
              sorted({"D2=B2+C2", "D3=B3+C3", "G4=G2+G3", "H4=H2+H3", "B9=B7+B8", "C9=C7+C8"}));
}

// One empty row between the parts and the total row does not split the
// table when the numbers line up.
TEST(TotalFinder, EmptyRowBeforeTheTotalRow) {
    const Sheet s = sheetOf({
        "a     | 10 | 20",
        "b     | 30 | 40",
        "",
        "Total | 40 | 60",
    });
    EXPECT_EQ(found({s}), sorted({"B4=B1+B2", "C4=C1+C2"}));
}

// Sheets laid out alike are layers: the last is the total of the two before,
// position by position (no total inside any sheet).
TEST(TotalFinder, SheetLaidOutAlikeIsTheTotalOfTheOthers) {
    const Sheet men = sheetOf({"   | x | y", "a | 3 | 17", "b | 11 | 5"});
    const Sheet women = sheetOf({"   | x | y", "a | 8 | 2", "b | 6 | 23"});
    const Sheet total = sheetOf({"   | x | y", "a | 11 | 19", "b | 17 | 28"});
    EXPECT_EQ(found({men, women, total}, {"Men", "Women", "Both"}),
              sorted({"2:B2=B2+1:B2", "2:B3=B3+1:B3", "2:C2=C2+1:C2", "2:C3=C3+1:C3"}));
}

// A table continued on the next sheet under the same column labels: the
// total at its end adds the parts of both sheets.
TEST(TotalFinder, TableContinuedOnTheNextSheet) {
    const Sheet first = sheetOf({"Region | Persons", "a | 12", "b | 30", "c | 7"});
    const Sheet second = sheetOf({"Region | Persons", "d | 5", "e | 9", "Total | 63"});
    EXPECT_EQ(found({first, second}, {"Part 1", "Part 2"}), sorted({"1:B4=B2+B3+B4+1:B2+1:B3"}));
}

TEST(TotalFinder, TotalLabelsInTheLanguagesOfOfficeFiles) {
    for (const char* yes : {"Total", "TOTAL population", "Insgesamt", "Ensemble", "Summe",
                            "All persons", "Sum", "I alt", "Totalt", "Ogółem", "Összesen"})
        EXPECT_TRUE(totals::isTotalLabel(yes)) << yes;
    for (const char* no : {"Totalitarian", "Summer", "Allotment", "Women", "", "Smalltotal"})
        EXPECT_FALSE(totals::isTotalLabel(no)) << no;
}

}  // namespace
