// Workbooks read from a file are saved into their own package: a copy made
// the way the rounding command makes its copies, with new values in the
// table's cells (and for the interval copy renamed sheets and wider columns),
// must differ from its input in nothing else. Fixtures: fixtures/preserve
// (README.md there says how LibreOffice and openpyxl made them).
#include <filesystem>

#include "host/state.h"
#include "host_test_util.h"
#include "package_compare.h"
#include "package_util.h"

namespace {

using namespace hosttest;

const std::string kFormatted = HOST_FIXTURES "/preserve/libreoffice_formatted.xlsx";
const std::string kOpenpyxl = HOST_FIXTURES "/preserve/openpyxl_formatted.xlsx";

class PreservedPackage : public HostTest {
  protected:
    // Opens `path`, copies every sheet into a new workbook (as the rounding
    // command does) and returns the copy's name.
    std::string openAndCopy(const std::string& path) {
        std::string error;
        EXPECT_TRUE(host::openWorkbook(path, error)) << error;
        std::vector<std::string> names;
        for (const auto& s : host::sheetNames(host::activeWorkbook()))
            names.push_back("[" + host::activeWorkbook() + "]" + s);
        EXPECT_EQ(call(xlcWorkbookCopy, {texts(names)}).code, xlretSuccess);
        return host::activeWorkbook();
    }
    host::CellInfo info(const std::string& ref) {
        host::CellInfo i;
        std::string error;
        EXPECT_TRUE(host::readCell(ref, i, error)) << ref << ": " << error;
        return i;
    }
    // The table of the formatted fixture B3:D6 written with new values.
    void writeTable(const std::string& book, const std::string& sheet) {
        const double values[4][3] = {
            {1280, 960, 1520}, {2420, 1870, 2940}, {1160, 1040, 1380}, {700, 1350, 620}};
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 3; ++c) {
                std::string ref = "'[" + book + "]" + sheet + "'!" +
                                  std::string(1, static_cast<char>('B' + c)) +
                                  std::to_string(r + 3);
                std::string error;
                ASSERT_TRUE(host::setCellValue(ref, num(values[r][c]), error)) << error;
            }
    }
};

// Skips the cells of a sheet's data whose contents may change (by address),
// and the types and values inside every other cell must stay.
SkipNode cellsOf(const std::vector<std::string>& refs) {
    return [refs](const pugi::xml_node& n) {
        if (std::string(n.name()) != "c") return false;
        return std::find(refs.begin(), refs.end(), n.attribute("r").value()) != refs.end();
    };
}

// What the rounding does not change, part by part: every part but the
// workbook's lists is the same byte for byte; the sheet differs only in the
// table's cells and in the results of formulas that depend on them.
TEST_F(PreservedPackage, RoundedCopyChangesOnlyTheTablesCellsAndTheirResults) {
    const std::string copy = openAndCopy(kFormatted);
    writeTable(copy, "Cases");
    std::string error;
    ASSERT_TRUE(host::saveWorkbook(copy, "rounded.xlsx", error)) << error;

    auto in = readPackage(kFormatted), out = readPackage("rounded.xlsx");
    // (sheet2 holds =Cases!E7, whose result follows the new values)
    std::set<std::string> changed = {"xl/workbook.xml", "xl/_rels/workbook.xml.rels",
                                     "[Content_Types].xml", "xl/worksheets/sheet1.xml",
                                     "xl/worksheets/sheet2.xml"};
    for (const auto& [name, data] : in) {
        if (changed.count(name)) continue;
        ASSERT_TRUE(out.count(name)) << name << " was lost";
        EXPECT_EQ(out[name], data) << name << " changed";
    }
    for (const auto& [name, data] : out) EXPECT_TRUE(in.count(name)) << name << " was added";

    // The workbook part: the same but for the request to calculate on loading.
    auto noCalc = [](const pugi::xml_node& n, const std::string& a, const std::string& v) {
        return std::string(n.name()) == "calcPr" && a == "fullCalcOnLoad" ? "" : v;
    };
    EXPECT_EQ(canonicalXml(out["xl/workbook.xml"], {}, noCalc),
              canonicalXml(in["xl/workbook.xml"], {}, noCalc));
    EXPECT_NE(out["xl/workbook.xml"].find("fullCalcOnLoad=\"1\""), std::string::npos);

    // The sheet: styles, widths, merges, validations, formats, page setup,
    // drawings all stay; only the table and what is computed from it differ.
    const std::vector<std::string> moving = {
        "B3", "C3", "D3", "E3", "B4", "C4", "D4", "E4", "B5", "C5", "D5", "E5", "B6", "C6", "D6",
        "E6", "B7", "C7", "D7", "E7", "G3", "G4", "G5", "G6", "H6", "I3", "I4", "I5", "I6"};
    const std::string sheetIn = in["xl/worksheets/sheet1.xml"];
    const std::string sheetOut = out["xl/worksheets/sheet1.xml"];
    EXPECT_EQ(canonicalXml(sheetOut, cellsOf(moving)), canonicalXml(sheetIn, cellsOf(moving)));
    EXPECT_EQ(canonicalXml(out["xl/worksheets/sheet2.xml"], cellsOf({"D1"})),
              canonicalXml(in["xl/worksheets/sheet2.xml"], cellsOf({"D1"})));
    // Each moving cell keeps its style index.
    for (const std::string& ref : moving) {
        auto styleOf = [&](const std::string& xml) {
            size_t at = xml.find("<c r=\"" + ref + "\"");
            if (at == std::string::npos) return std::string("?");
            size_t s = xml.find(" s=\"", at) + 4;
            return xml.substr(s, xml.find('"', s) - s);
        };
        EXPECT_EQ(styleOf(sheetOut), styleOf(sheetIn)) << ref;
    }
}

// Formulas stay formulas, their stored results come from the new values, and
// a result the host cannot compute is left out when the table feeds it (the
// array formula would otherwise hold twice the original values).
TEST_F(PreservedPackage, StoredResultsComeFromTheNewValuesAndNeverDiscloseOldOnes) {
    const std::string copy = openAndCopy(kFormatted);
    writeTable(copy, "Cases");
    std::string error;
    ASSERT_TRUE(host::saveWorkbook(copy, "rounded.xlsx", error)) << error;
    EXPECT_EQ(
        host::uncomputedResults(copy),
        (std::vector<std::string>{"Cases!I3", "Cases!I4", "Cases!I5", "Cases!H6", "Cases!I6"}));
    host::reset();
    ASSERT_TRUE(host::openWorkbook("rounded.xlsx", error)) << error;
    EXPECT_EQ(info("Cases!E7").formulaA1, "=SUM(E3:E6)");
    EXPECT_EQ(info("Cases!E7").value, num(17240));  // computed from the new values
    EXPECT_EQ(info("Cases!G5").value, num(20.8));   // =ROUND(E5/E$7*100,1), 20.7 before
    EXPECT_EQ(info("Cases!H3").value, str("ok"));
    EXPECT_EQ(info("Cases!H4").value, Value::error(xlerrDiv0));  // errors stay errors
    EXPECT_EQ(info("Cases!H5").value, Value::error(xlerrNA));
    const std::string sheet = readPackage("rounded.xlsx")["xl/worksheets/sheet1.xml"];
    for (const char* ref : {"I3", "I4", "I5", "I6", "H6"}) {
        size_t at = sheet.find(std::string("<c r=\"") + ref + "\"");
        ASSERT_NE(at, std::string::npos) << ref;
        const size_t close = sheet.find('>', at);
        const size_t end = sheet[close - 1] == '/' ? close : sheet.find("</c>", at);
        std::string element = sheet.substr(at, end - at);
        EXPECT_EQ(element.find("<v>"), std::string::npos) << ref << " stores " << element;
    }
    EXPECT_NE(sheet.find("t=\"array\" ref=\"I3:I6\""), std::string::npos) << "array kept";
    EXPECT_NE(sheet.find("<v>#DIV/0!</v>"), std::string::npos);
}

// The interval copy: sheets renamed wherever the package names them, texts in
// the table, its columns widened (never narrowed).
TEST_F(PreservedPackage, IntervalCopyRenamesSheetsEverywhereAndWidensColumns) {
    const std::string copy = openAndCopy(kFormatted);
    ASSERT_EQ(call(xlcWorkbookName, {str("Cases"), str("Cases - p.i.")}).code, xlretSuccess);
    std::string error;
    ASSERT_TRUE(host::setCellValue("'Cases - p.i.'!B3", str("(1270,1290)"), error)) << error;
    const uint32_t id = sheetId("Cases - p.i.");
    ASSERT_EQ(call(xlcColumnWidth, {num(12), cellRef(id, 0, 1)}).code, xlretSuccess);
    ASSERT_TRUE(host::saveWorkbook(copy, "intervals.xlsx", error)) << error;

    auto in = readPackage(kFormatted), out = readPackage("intervals.xlsx");
    const std::string wb = out["xl/workbook.xml"];
    EXPECT_NE(wb.find("name=\"Cases - p.i.\""), std::string::npos) << wb;
    EXPECT_NE(wb.find("'Cases - p.i.'!$A$3:$A$6"), std::string::npos) << "defined name";
    EXPECT_NE(wb.find("'Cases - p.i.'!1:2"), std::string::npos) << "print titles";
    EXPECT_EQ(wb.find(">Cases!"), std::string::npos) << wb;
    EXPECT_NE(out["xl/worksheets/sheet2.xml"].find("'Cases - p.i.'!E7"), std::string::npos)
        << "a formula of another sheet follows the rename";
    EXPECT_NE(out["xl/charts/chart1.xml"].find("'Cases - p.i.'!$B$3"), std::string::npos)
        << "the chart follows the rename";
    host::reset();
    ASSERT_TRUE(host::openWorkbook("intervals.xlsx", error)) << error;
    EXPECT_EQ(info("'Cases - p.i.'!B3").value, str("(1270,1290)"));
    EXPECT_EQ(call(xlfGetCell, {num(16), cellRef(sheetId("Cases - p.i."), 0, 1)}).value, num(12));
    EXPECT_EQ(call(xlfGetCell, {num(16), cellRef(sheetId("Cases - p.i."), 0, 0)}).value, num(18))
        << "a column not widened keeps its width";
    EXPECT_EQ(host::sheetNames(host::activeWorkbook()),
              (std::vector<std::string>{"Cases - p.i.", "List", "Notes"}));
}

// LibreOffice recalculating the saved workbook agrees with every result
// stored in it.
TEST_F(PreservedPackage, LibreOfficeRecalculationAgreesWithTheStoredResults) {
    if (!haveSoffice()) GTEST_SKIP() << "soffice (libreoffice-calc-nogui) is not installed";
    const std::string copy = openAndCopy(kFormatted);
    writeTable(copy, "Cases");
    std::string error;
    ASSERT_TRUE(host::saveWorkbook(copy, "rounded.xlsx", error)) << error;
    // The interval copy: texts in the table, the sheet renamed.
    const std::string second = openAndCopy(kFormatted);
    ASSERT_EQ(call(xlcWorkbookName, {str("Cases"), str("Cases - p.i.")}).code, xlretSuccess);
    for (const char* ref : {"B3", "C4", "E7"})
        ASSERT_TRUE(host::setCellValue(std::string("'Cases - p.i.'!") + ref, str("(1,2)"), error));
    ASSERT_TRUE(host::saveWorkbook(second, "intervals.xlsx", error)) << error;
    ASSERT_EQ(sofficeToCsv("rounded.xlsx", "csv"), 0) << readFile("soffice.log");
    ASSERT_EQ(sofficeToCsv("intervals.xlsx", "csv"), 0) << readFile("soffice.log");
    host::reset();
    ASSERT_TRUE(host::openWorkbook("rounded.xlsx", error)) << error;
    ASSERT_TRUE(host::openWorkbook("intervals.xlsx", error)) << error;
    for (const std::string sheet :
         {"[rounded]Cases", "[rounded]List", "[intervals]Cases - p.i.", "[intervals]List"}) {
        const std::string csv = "csv/" + sheet.substr(1, sheet.find(']') - 1) + "-" +
                                sheet.substr(sheet.find(']') + 1) + ".csv";
        auto rows = csvRows(readFile(csv));
        ASSERT_FALSE(rows.empty()) << sheet;
        int compared = 0;
        for (size_t r = 0; r < rows.size(); ++r)
            for (size_t c = 0; c < rows[r].size() && c < 10; ++c) {
                const std::string ref = "'" + sheet + "'!" +
                                        std::string(1, static_cast<char>('A' + c)) +
                                        std::to_string(r + 1);
                host::CellInfo i = info(ref);
                if (i.formulaA1.empty() || (i.value.isErr() && i.value.err == xlerrNA)) continue;
                double lo = 0;
                if (i.value.isNum() && host::textToNumber(rows[r][c], lo))
                    EXPECT_NEAR(lo, i.value.num, 1e-9) << ref;
                else
                    EXPECT_EQ(rows[r][c], i.text) << ref;
                ++compared;
            }
        EXPECT_GT(compared, 0) << sheet;
    }
}

// The same table as openpyxl writes it (freeze panes, no stored results):
// saved with new values, it differs only in the table and in the formulas,
// which now carry results computed from the new values.
TEST_F(PreservedPackage, LibraryWrittenWorkbookKeepsItsLayoutAndGainsResults) {
    const std::string copy = openAndCopy(kOpenpyxl);
    writeTable(copy, "Cases");
    std::string error;
    ASSERT_TRUE(host::saveWorkbook(copy, "rounded.xlsx", error)) << error;
    auto in = readPackage(kOpenpyxl), out = readPackage("rounded.xlsx");
    for (const auto& [name, data] : in) {
        if (name == "xl/workbook.xml" || name == "[Content_Types].xml" ||
            name.rfind("xl/worksheets/sheet", 0) == 0)
            continue;
        EXPECT_EQ(out[name], data) << name << " changed";
    }
    // Table cells and formula cells may change; nothing else in the sheet.
    auto moving = [](const pugi::xml_node& n) {
        if (std::string(n.name()) != "c") return false;
        const std::string r = n.attribute("r").value();
        return n.child("f") ||
               (r.size() == 2 && r[0] >= 'B' && r[0] <= 'D' && r[1] >= '3' && r[1] <= '6');
    };
    const std::string sheet = out["xl/worksheets/sheet1.xml"];
    EXPECT_EQ(canonicalXml(sheet, moving), canonicalXml(in["xl/worksheets/sheet1.xml"], moving));
    EXPECT_NE(sheet.find("state=\"frozen\""), std::string::npos) << "freeze panes kept";
    host::reset();
    ASSERT_TRUE(host::openWorkbook("rounded.xlsx", error)) << error;
    EXPECT_EQ(info("Cases!E7").value, num(17240));
    EXPECT_EQ(info("List!D1").value, num(17240));
}

// A workbook written by a library that stores no results: they are computed
// when it is opened, and it rounds like any other.
TEST_F(PreservedPackage, WorkbookWithoutStoredResultsIsComputedOnOpening) {
    std::string error;
    ASSERT_TRUE(host::openWorkbook(HOST_FIXTURES "/preserve/openpyxl_no_results.xlsx", error))
        << error;
    EXPECT_EQ(info("Data!D2").value, num(40));
    EXPECT_EQ(info("Data!D4").value, num(69));
    EXPECT_EQ(info("Data!F1").value, num(138));
}

}  // namespace
