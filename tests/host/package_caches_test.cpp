// Copies of cell values kept outside the sheets (chart caches, pivot caches)
// must not carry the values a copy of the workbook replaced. Fixtures:
// fixtures/preserve (README.md there says how LibreOffice and openpyxl made
// them); variants of them are made part by part here.
#include <filesystem>

#include "host/state.h"
#include "host_test_util.h"
#include "package_compare.h"
#include "package_util.h"

namespace {

using namespace hosttest;

const std::string kFormatted = HOST_FIXTURES "/preserve/libreoffice_formatted.xlsx";
const std::string kPivot = HOST_FIXTURES "/preserve/libreoffice_pivot.xlsx";

// The table B3:D6 of the formatted fixture as it reads, and as it is written.
const double kOld[4][3] = {
    {1283, 964, 1517}, {2417, 1872, 2936}, {1156, 1039, 1378}, {702, 1345, 618}};
const double kNew[4][3] = {
    {1280, 960, 1520}, {2420, 1870, 2940}, {1160, 1040, 1380}, {700, 1350, 620}};

std::string cell(const std::string& sheet, int r, int c) {
    return "'" + sheet + "'!" + std::string(1, static_cast<char>('B' + c)) + std::to_string(r + 3);
}

// The points of the first cache under the reference `ref` in a chart part.
std::vector<std::string> points(const std::string& chart, const std::string& ref) {
    pugi::xml_document doc;
    doc.load_string(chart.c_str());
    std::vector<std::string> out;
    for (pugi::xpath_node f : doc.select_nodes("//*[local-name()='f']")) {
        if (std::string(f.node().child_value()) != ref) continue;
        for (pugi::xpath_node v :
             f.node().parent().select_nodes(".//*[local-name()='pt']/*[local-name()='v']"))
            out.push_back(v.node().child_value());
        break;
    }
    return out;
}

class PackageCaches : public HostTest {
  protected:
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
    void writeTable(const std::string& sheet) {
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 3; ++c) {
                std::string error;
                ASSERT_TRUE(host::setCellValue(cell(sheet, r, c), num(kNew[r][c]), error)) << error;
            }
    }
    // No part of the saved package holds an original value of the table.
    void expectNoOriginal(const std::string& path) {
        auto pkg = readPackage(path);
        ASSERT_FALSE(pkg.empty()) << path;
        for (const auto& row : kOld)
            for (double v : row)
                EXPECT_EQ(partsHolding(pkg, v), std::vector<std::string>{})
                    << v << " (an original value) is still in " << path;
    }
};

// The bar chart's caches hold the values the cells hold now: without this,
// the rounded copy would publish every original value of its table.
TEST_F(PackageCaches, RoundedCopyChartCachesHoldTheNewValues) {
    const std::string copy = openAndCopy(kFormatted);
    for (int r = 0; r < 4; ++r)  // (the search below looks for these)
        for (int c = 0; c < 3; ++c) EXPECT_EQ(info(cell("Cases", r, c)).value, num(kOld[r][c]));
    writeTable("Cases");
    std::string error;
    ASSERT_TRUE(host::saveWorkbook(copy, "rounded.xlsx", error)) << error;
    expectNoOriginal("rounded.xlsx");
    EXPECT_EQ(host::cachesLeftToRebuild(copy), std::vector<std::string>{});

    auto in = readPackage(kFormatted), out = readPackage("rounded.xlsx");
    const std::string chart = out["xl/charts/chart1.xml"];
    EXPECT_EQ(points(chart, "Cases!$B$3:$B$6"),
              (std::vector<std::string>{"1280", "2420", "1160", "700"}));
    EXPECT_EQ(points(chart, "Cases!$D$3:$D$6"),
              (std::vector<std::string>{"1520", "2940", "1380", "620"}));
    EXPECT_EQ(points(chart, "Cases!$A$3:$A$6"),
              (std::vector<std::string>{"North", "East", "South", "West"}))
        << "categories that did not change stay";
    // Besides the points, the chart is what it was (titles, formats, counts).
    auto noPoints = [](const pugi::xml_node& n) { return std::string(n.name()) == "c:pt"; };
    EXPECT_EQ(canonicalXml(chart, noPoints), canonicalXml(in["xl/charts/chart1.xml"], noPoints));
}

// The interval copy: the table's cells hold texts now, which a numeric cache
// cannot hold; its points go, its count stays, and the series is renamed.
TEST_F(PackageCaches, IntervalCopyChartCachesHoldNoOriginalValue) {
    const std::string copy = openAndCopy(kFormatted);
    ASSERT_EQ(call(xlcWorkbookName, {str("Cases"), str("Cases - p.i.")}).code, xlretSuccess);
    std::string error;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 3; ++c)
            ASSERT_TRUE(host::setCellValue(cell("Cases - p.i.", r, c), str("(1,2)"), error));
    ASSERT_TRUE(host::saveWorkbook(copy, "intervals.xlsx", error)) << error;
    expectNoOriginal("intervals.xlsx");
    const std::string chart = readPackage("intervals.xlsx")["xl/charts/chart1.xml"];
    EXPECT_EQ(points(chart, "'Cases - p.i.'!$B$3:$B$6"), std::vector<std::string>{});
    EXPECT_NE(chart.find("<c:ptCount val=\"4\"/>"), std::string::npos);
}

// A chart over cells the host cannot follow (a name it does not know) has
// its points removed and is named for the notes; one over a defined name is
// written from the cells the name covers.
TEST_F(PackageCaches, ChartOverAnUnknownReferenceIsClearedAndNamed) {
    auto parts = readPackage(kFormatted);
    auto replace = [&](const std::string& part, const std::string& from, const std::string& to) {
        std::string& text = parts[part];
        size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
    };
    const std::string chart1 = "xl/charts/chart1.xml";
    replace(chart1, "<c:f>Cases!$B$3:$B$6</c:f>", "<c:f>NoSuchName</c:f>");
    replace(chart1, "<c:f>Cases!$C$3:$C$6</c:f>", "<c:f>[0]!Year2022</c:f>");
    replace("xl/workbook.xml", "<definedNames>",
            "<definedNames><definedName name=\"Year2022\">Cases!$C$3:$C$6</definedName>");
    ASSERT_TRUE(writePackage("variant.xlsx", parts));

    const std::string copy = openAndCopy("variant.xlsx");
    writeTable("Cases");
    std::string error;
    ASSERT_TRUE(host::saveWorkbook(copy, "rounded.xlsx", error)) << error;
    expectNoOriginal("rounded.xlsx");
    EXPECT_EQ(host::cachesLeftToRebuild(copy), std::vector<std::string>{"xl/charts/chart1.xml"});
    const std::string out = readPackage("rounded.xlsx")["xl/charts/chart1.xml"];
    EXPECT_EQ(points(out, "NoSuchName"), std::vector<std::string>{});
    EXPECT_EQ(points(out, "[0]!Year2022"),
              (std::vector<std::string>{"960", "1870", "1040", "1350"}));
}

// A copy in which nothing changed keeps its chart byte for byte.
TEST_F(PackageCaches, UnchangedCopyKeepsItsCharts) {
    const std::string copy = openAndCopy(kFormatted);
    std::string error;
    ASSERT_TRUE(host::saveWorkbook(copy, "same.xlsx", error)) << error;
    EXPECT_EQ(readPackage("same.xlsx")["xl/charts/chart1.xml"],
              readPackage(kFormatted)["xl/charts/chart1.xml"]);
}

// LibreOffice opens the rounded copy with its chart, and the caches it
// writes when it saves the copy again hold the rounded values.
TEST_F(PackageCaches, LibreOfficeShowsTheChartWithTheNewValues) {
    if (!haveSoffice()) GTEST_SKIP() << "soffice (libreoffice-calc-nogui) is not installed";
    const std::string copy = openAndCopy(kFormatted);
    writeTable("Cases");
    std::string error;
    ASSERT_TRUE(host::saveWorkbook(copy, "rounded.xlsx", error)) << error;
    ASSERT_EQ(sofficeConvert("rounded.xlsx", "xlsx", "resaved"), 0) << readFile("soffice.log");
    auto again = readPackage("resaved/rounded.xlsx");
    std::string chart;
    for (const auto& [name, data] : again)
        if (name.rfind("xl/charts/chart", 0) == 0) chart = data;
    ASSERT_FALSE(chart.empty()) << "LibreOffice lost the chart";
    EXPECT_EQ(points(chart, "Cases!$B$3:$B$6"),
              (std::vector<std::string>{"1280", "2420", "1160", "700"}));
    expectNoOriginal("resaved/rounded.xlsx");
}

// ---- pivot caches -----------------------------------------------------------------

// The pivot fixture's Cases (Data!C2:C7), and the sums its table shows.
const double kPivotOld[] = {1283, 957, 2417, 1873, 1156, 1042, 2240, 4290, 2198, 4856, 3872, 8728};
const double kPivotNew[] = {1280, 960, 2420, 1870, 1160, 1040};

class PivotCaches : public PackageCaches {
  protected:
    std::string roundedPivotCopy() {
        const std::string copy = openAndCopy(kPivot);
        for (int i = 0; i < 6; ++i) {
            std::string error;
            EXPECT_TRUE(
                host::setCellValue("Data!C" + std::to_string(i + 2), num(kPivotNew[i]), error))
                << error;
        }
        return copy;
    }
    void expectNoPivotOriginal(const std::string& path) {
        auto pkg = readPackage(path);
        ASSERT_FALSE(pkg.empty()) << path;
        for (double v : kPivotOld)
            EXPECT_EQ(partsHolding(pkg, v), std::vector<std::string>{})
                << v << " (an original value or a sum of them) is still in " << path;
    }
};

// The cache's items and records come from the new values (the records still
// point at the regions and years they did); the sums the table showed are
// left for the spreadsheet program, which refreshes the cache on opening.
TEST_F(PivotCaches, RoundedCopyPivotCacheHoldsTheNewValues) {
    const std::string copy = roundedPivotCopy();
    std::string error;
    ASSERT_TRUE(host::saveWorkbook(copy, "rounded.xlsx", error)) << error;
    expectNoPivotOriginal("rounded.xlsx");
    EXPECT_EQ(host::cachesLeftToRebuild(copy), std::vector<std::string>{});

    auto out = readPackage("rounded.xlsx");
    pugi::xml_document def, rec;
    ASSERT_TRUE(def.load_string(out["xl/pivotCache/pivotCacheDefinition1.xml"].c_str()));
    ASSERT_TRUE(rec.load_string(out["xl/pivotCache/pivotCacheRecords1.xml"].c_str()));
    pugi::xml_node root = def.child("pivotCacheDefinition");
    EXPECT_STREQ(root.attribute("refreshOnLoad").value(), "1");
    EXPECT_STREQ(root.attribute("recordCount").value(), "6");
    std::vector<std::vector<std::string>> items;
    for (pugi::xml_node f : root.child("cacheFields").children("cacheField")) {
        items.emplace_back();
        for (pugi::xml_node i : f.child("sharedItems").children())
            items.back().push_back(i.attribute("v").value());
    }
    ASSERT_EQ(items.size(), 3u);
    // The regions and years (named by position in the table) stay as they were.
    auto in = readPackage(kPivot);
    pugi::xml_document defIn;
    ASSERT_TRUE(defIn.load_string(in["xl/pivotCache/pivotCacheDefinition1.xml"].c_str()));
    auto fieldIn = defIn.child("pivotCacheDefinition").child("cacheFields").first_child();
    std::vector<std::string> regions;
    for (pugi::xml_node i : fieldIn.child("sharedItems").children())
        regions.push_back(i.attribute("v").value());
    EXPECT_EQ(items[0], regions);
    // Each record gives the region, year and new value of its row.
    std::vector<std::string> cases;
    for (pugi::xml_node r : rec.child("pivotCacheRecords").children("r")) {
        auto x = r.children("x").begin();
        std::advance(x, 2);
        cases.push_back(items[2].at(std::stoul(x->attribute("v").value())));
    }
    EXPECT_EQ(cases, (std::vector<std::string>{"1280", "960", "2420", "1870", "1160", "1040"}));
    pugi::xml_node cacheShared = root.child("cacheFields").last_child().child("sharedItems");
    EXPECT_STREQ(cacheShared.attribute("minValue").value(), "960");
    EXPECT_STREQ(cacheShared.attribute("maxValue").value(), "2420");
}

// The interval copy's cells hold texts: the cache holds those texts.
TEST_F(PivotCaches, IntervalCopyPivotCacheHoldsTheTexts) {
    const std::string copy = openAndCopy(kPivot);
    std::string error;
    for (int i = 0; i < 6; ++i)
        ASSERT_TRUE(host::setCellValue("Data!C" + std::to_string(i + 2), str("(900,1300)"), error));
    ASSERT_TRUE(host::saveWorkbook(copy, "intervals.xlsx", error)) << error;
    expectNoPivotOriginal("intervals.xlsx");
    const std::string def =
        readPackage("intervals.xlsx")["xl/pivotCache/pivotCacheDefinition1.xml"];
    EXPECT_NE(def.find("<s v=\"(900,1300)\"/>"), std::string::npos) << def;
    EXPECT_EQ(def.find("minValue=\"957\""), std::string::npos) << def;
}

// A cache whose source the host cannot follow loses its values, is marked
// for refreshing and is named for the notes.
TEST_F(PivotCaches, CacheOverAnUnknownSourceIsClearedAndNamed) {
    auto parts = readPackage(kPivot);
    std::string& def = parts["xl/pivotCache/pivotCacheDefinition1.xml"];
    const std::string from = "ref=\"A1:C7\" sheet=\"Data\"";
    ASSERT_NE(def.find(from), std::string::npos) << def;
    def.replace(def.find(from), from.size(), "name=\"NoSuchName\"");
    ASSERT_TRUE(writePackage("variant.xlsx", parts));

    const std::string copy = openAndCopy("variant.xlsx");
    for (int i = 0; i < 6; ++i) {
        std::string error;
        ASSERT_TRUE(host::setCellValue("Data!C" + std::to_string(i + 2), num(kPivotNew[i]), error));
    }
    std::string error;
    ASSERT_TRUE(host::saveWorkbook(copy, "rounded.xlsx", error)) << error;
    expectNoPivotOriginal("rounded.xlsx");
    EXPECT_EQ(host::cachesLeftToRebuild(copy),
              std::vector<std::string>{"xl/pivotCache/pivotCacheDefinition1.xml"});
}

// LibreOffice opening the rounded copy shows the table with sums of the new
// values.
TEST_F(PivotCaches, LibreOfficeShowsThePivotTableWithTheNewValues) {
    if (!haveSoffice()) GTEST_SKIP() << "soffice (libreoffice-calc-nogui) is not installed";
    const std::string copy = roundedPivotCopy();
    std::string error;
    ASSERT_TRUE(host::saveWorkbook(copy, "rounded.xlsx", error)) << error;
    ASSERT_EQ(sofficeToCsv("rounded.xlsx", "csv"), 0) << readFile("soffice.log");
    const std::string summary = readFile("csv/rounded-Summary.csv");
    EXPECT_NE(summary.find("1280"), std::string::npos) << summary;
    EXPECT_NE(summary.find("8730"), std::string::npos) << "the grand total of the new values\n"
                                                       << summary;
    EXPECT_EQ(summary.find("8728"), std::string::npos) << summary;
}

}  // namespace
