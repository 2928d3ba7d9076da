// Packages written part by part in the form other producers give them: shared
// formulas and links to other workbooks as Excel writes them, macros, sheets
// added and removed, entries that stand twice; and the XML reader and sheet
// renaming underneath.
#include "host/xlsx_package.h"
#include "host_test_util.h"
#include "package_compare.h"
#include "package_util.h"

namespace {

using namespace hosttest;

const std::string kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const std::string kRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

// A package of one sheet "Data" with the given sheetData rows; `extra` parts
// are added (and may replace the standard ones).
std::map<std::string, std::string> book(const std::string& rows,
                                        const std::map<std::string, std::string>& extra = {},
                                        const std::string& workbookType = "sheet.main+xml") {
    std::map<std::string, std::string> p;
    p["[Content_Types].xml"] =
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/"
        "vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Default Extension=\"bin\" ContentType=\"application/vnd.ms-office.vbaProject\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.spreadsheetml." +
        workbookType +
        "\"/><Override PartName=\"/xl/worksheets/sheet1.xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
        "<Override PartName=\"/xl/calcChain.xml\" ContentType=\"application/"
        "vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml\"/></Types>";
    p["_rels/.rels"] =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"" +
        kRel + "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
    p["xl/workbook.xml"] = "<workbook xmlns=\"" + kMain + "\" xmlns:r=\"" + kRel +
                           "\"><sheets><sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/>"
                           "</sheets><calcPr calcId=\"191029\"/></workbook>";
    p["xl/_rels/workbook.xml.rels"] =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"" +
        kRel +
        "/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
        "<Relationship Id=\"rId9\" Type=\"" +
        kRel + "/calcChain\" Target=\"calcChain.xml\"/></Relationships>";
    p["xl/calcChain.xml"] = "<calcChain xmlns=\"" + kMain + "\"><c r=\"D2\" i=\"1\"/></calcChain>";
    p["xl/worksheets/sheet1.xml"] =
        "<worksheet xmlns=\"" + kMain + "\"><sheetData>" + rows + "</sheetData></worksheet>";
    for (const auto& [k, v] : extra) p[k] = v;
    return p;
}

class PackageEdges : public HostTest {
  protected:
    std::string sheetXml(const std::string& path) {
        return readPackage(path)["xl/worksheets/sheet1.xml"];
    }
    // The <c> element of a cell in a sheet part.
    static std::string cellXml(const std::string& sheet, const std::string& ref) {
        size_t at = sheet.find("<c r=\"" + ref + "\"");
        if (at == std::string::npos) return "";
        const size_t close = sheet.find('>', at);
        const size_t end = sheet[close - 1] == '/' ? close + 1 : sheet.find("</c>", at) + 4;
        return sheet.substr(at, end - at);
    }
};

// Excel fills totals down as one shared formula: followers keep pointing at
// their master when the table changes, and writing the same formula again
// (as the rounding command does) keeps it shared; a changed master gives its
// followers their own formulas, so that none refers to a master that is gone.
TEST_F(PackageEdges, SharedFormulasStaySharedUnlessTheirMasterChanges) {
    const std::string rows =
        "<row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\"><v>2</v></c>"
        "<c r=\"C1\"><f t=\"shared\" ref=\"C1:C3\" si=\"0\">A1+B1</f><v>3</v></c></row>"
        "<row r=\"2\"><c r=\"A2\"><v>3</v></c><c r=\"B2\"><v>4</v></c>"
        "<c r=\"C2\"><f t=\"shared\" si=\"0\"/><v>7</v></c></row>"
        "<row r=\"3\"><c r=\"A3\"><v>5</v></c><c r=\"B3\"><v>6</v></c>"
        "<c r=\"C3\"><f t=\"shared\" si=\"0\"/><v>11</v></c></row>";
    ASSERT_TRUE(writePackage("shared.xlsx", book(rows)));
    std::string error;
    ASSERT_TRUE(host::openWorkbook("shared.xlsx", error)) << error;
    EXPECT_EQ(cellValue("Data!C3"), num(11));
    enter("Data!A2", "30");
    enter("Data!C1", "=A1+B1");  // the same formula written again
    ASSERT_TRUE(host::saveWorkbook("shared", "same.xlsx", error)) << error;
    std::string sheet = sheetXml("same.xlsx");
    EXPECT_EQ(cellXml(sheet, "C1"),
              "<c r=\"C1\"><f t=\"shared\" ref=\"C1:C3\" si=\"0\">A1+B1</f><v>3</v></c>");
    EXPECT_EQ(cellXml(sheet, "C2"), "<c r=\"C2\"><f t=\"shared\" si=\"0\"/><v>34</v></c>");
    EXPECT_EQ(cellXml(sheet, "C3"), "<c r=\"C3\"><f t=\"shared\" si=\"0\"/><v>11</v></c>");
    EXPECT_EQ(cellXml(sheet, "A2"), "<c r=\"A2\"><v>30</v></c>");

    enter("Data!C1", "=A1*B1");
    ASSERT_TRUE(host::saveWorkbook("shared", "changed.xlsx", error)) << error;
    sheet = sheetXml("changed.xlsx");
    EXPECT_EQ(cellXml(sheet, "C1"), "<c r=\"C1\"><f>A1*B1</f><v>2</v></c>");
    EXPECT_EQ(cellXml(sheet, "C2"), "<c r=\"C2\"><f>A2+B2</f><v>34</v></c>");
    EXPECT_EQ(cellXml(sheet, "C3"), "<c r=\"C3\"><f>A3+B3</f><v>11</v></c>");
    host::reset();
    ASSERT_TRUE(host::openWorkbook("changed.xlsx", error)) << error;
    EXPECT_EQ(cellValue("Data!C2"), num(34));
}

// A link to another workbook (as Excel writes it, [1] naming the external
// link part) keeps its stored result, and totals over it are computed with
// that result; the link part passes through.
TEST_F(PackageEdges, LinksToOtherWorkbooksKeepTheirStoredResults) {
    const std::string rows =
        "<row r=\"1\"><c r=\"A1\"><f>[1]Advanced!BU7</f><v>264</v></c><c r=\"B1\"><v>6</v></c>"
        "<c r=\"C1\"><f>SUM(A1:B1)</f><v>270</v></c>"
        "<c r=\"D1\"><f>[1]Advanced!BU8*B1</f><v>60</v></c></row>";
    const std::string link = "<externalLink xmlns=\"" + kMain +
                             "\"><externalBook><sheetNames><sheetName val=\"Advanced\"/>"
                             "</sheetNames></externalBook></externalLink>";
    ASSERT_TRUE(
        writePackage("link.xlsx", book(rows, {{"xl/externalLinks/externalLink1.xml", link}})));
    std::string error;
    ASSERT_TRUE(host::openWorkbook("link.xlsx", error)) << error;
    EXPECT_EQ(cellValue("Data!A1"), num(264));
    EXPECT_EQ(cellValue("Data!C1"), num(270));
    host::CellInfo i;
    ASSERT_TRUE(host::readCell("Data!A1", i, error));
    EXPECT_EQ(i.formulaA1, "=[1]Advanced!BU7");
    enter("Data!B1", "10");
    EXPECT_EQ(cellValue("Data!C1"), num(274)) << "computed with the link's stored result";
    EXPECT_EQ(cellValue("Data!D1"), Value::error(xlerrNA)) << "its stored result is stale";
    ASSERT_TRUE(host::saveWorkbook("link", "out.xlsx", error)) << error;
    const std::string sheet = sheetXml("out.xlsx");
    EXPECT_EQ(cellXml(sheet, "A1"), "<c r=\"A1\"><f>[1]Advanced!BU7</f><v>264</v></c>");
    EXPECT_EQ(cellXml(sheet, "C1"), "<c r=\"C1\"><f>SUM(A1:B1)</f><v>274</v></c>");
    EXPECT_EQ(cellXml(sheet, "D1"), "<c r=\"D1\"><f>[1]Advanced!BU8*B1</f></c>");
    EXPECT_EQ(host::uncomputedResults("link"), std::vector<std::string>{"Data!D1"});
    EXPECT_EQ(readPackage("out.xlsx")["xl/externalLinks/externalLink1.xml"], link);
}

// The calculation chain names the cells of the old formulas: it is dropped,
// from the package, its relationships and its content types, and the
// spreadsheet program is asked to compute everything on loading.
TEST_F(PackageEdges, CalculationChainDroppedAndFullCalculationRequested) {
    ASSERT_TRUE(writePackage("calc.xlsx", book("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>")));
    std::string error;
    ASSERT_TRUE(host::openWorkbook("calc.xlsx", error)) << error;
    ASSERT_TRUE(host::saveWorkbook("calc", "out.xlsx", error)) << error;
    auto parts = readPackage("out.xlsx");
    EXPECT_FALSE(parts.count("xl/calcChain.xml"));
    EXPECT_EQ(parts["xl/_rels/workbook.xml.rels"].find("calcChain"), std::string::npos);
    EXPECT_EQ(parts["[Content_Types].xml"].find("calcChain"), std::string::npos);
    EXPECT_NE(parts["xl/workbook.xml"].find("<calcPr calcId=\"191029\" fullCalcOnLoad=\"1\"/>"),
              std::string::npos)
        << parts["xl/workbook.xml"];
}

// An element among the sheets that is no sheet (another program's extension,
// or damage) is not one of the workbook's sheets: saving keeps the sheets the
// reader took, so the copy still opens with them.
TEST_F(PackageEdges, ForeignElementAmongTheSheetsIsNoSheet) {
    auto parts = book("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
    const std::string sheet = "<sheet name=\"Data\"";
    parts["xl/workbook.xml"].replace(parts["xl/workbook.xml"].find(sheet), sheet.size(),
                                     "<sheetX name=\"Gone\" sheetId=\"9\"/><sheet name=\"Data\"");
    ASSERT_TRUE(writePackage("foreign.xlsx", parts));
    std::string error;
    ASSERT_TRUE(host::openWorkbook("foreign.xlsx", error)) << error;
    ASSERT_TRUE(host::saveWorkbook("foreign", "out.xlsx", error)) << error;
    host::reset();
    ASSERT_TRUE(host::openWorkbook("out.xlsx", error)) << error;
    EXPECT_EQ(host::sheetNames("out"), (std::vector<std::string>{"Data"}));
    EXPECT_EQ(cellValue("Data!A1"), num(1));
}

// A sheet added to a workbook read from a file gets a part, a relationship
// and a content type; a sheet left out of a copy takes its part along.
TEST_F(PackageEdges, SheetsAddedAndRemovedFollowInThePartsLists) {
    ASSERT_TRUE(writePackage("add.xlsx", book("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>")));
    std::string error;
    ASSERT_TRUE(host::openWorkbook("add.xlsx", error)) << error;
    ASSERT_EQ(call(xlcWorkbookInsert, {num(1)}).code, xlretSuccess);
    const std::string added = host::activeSheet();
    enter(added + "!B2", "text & more");
    ASSERT_TRUE(host::saveWorkbook("add", "out.xlsx", error)) << error;
    auto parts = readPackage("out.xlsx");
    ASSERT_TRUE(parts.count("xl/worksheets/sheet2.xml"));
    EXPECT_NE(parts["[Content_Types].xml"].find("/xl/worksheets/sheet2.xml"), std::string::npos);
    EXPECT_NE(parts["xl/_rels/workbook.xml.rels"].find("/xl/worksheets/sheet2.xml"),
              std::string::npos);
    host::reset();
    ASSERT_TRUE(host::openWorkbook("out.xlsx", error)) << error;
    EXPECT_EQ(host::sheetNames("out"), (std::vector<std::string>{added, "Data"}));
    EXPECT_EQ(cellValue(added + "!B2"), str("text & more"));

    // A copy of the new sheet alone: the package's sheet is not in it.
    ASSERT_EQ(call(xlcWorkbookCopy, {texts({"[out]" + added})}).code, xlretSuccess);
    const std::string copy = host::activeWorkbook();
    ASSERT_TRUE(host::saveWorkbook(copy, "one.xlsx", error)) << error;
    parts = readPackage("one.xlsx");
    EXPECT_FALSE(parts.count("xl/worksheets/sheet1.xml"));
    EXPECT_EQ(parts["[Content_Types].xml"].find("sheet1.xml"), std::string::npos);
    host::reset();
    ASSERT_TRUE(host::openWorkbook("one.xlsx", error)) << error;
    EXPECT_EQ(host::sheetNames("one"), std::vector<std::string>{added});
}

// Macros pass through untouched and never run; the workbook keeps a name
// that keeps them usable.
TEST_F(PackageEdges, MacroWorkbooksKeepTheirMacrosAndTheirKind) {
    const std::string vba = std::string("\xD0\xCF\x11\xE0 macro bytes\0\1\2", 20);
    auto parts = book("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>", {{"xl/vbaProject.bin", vba}},
                      "sheet.macroEnabled.main+xml");
    ASSERT_TRUE(writePackage("m.xlsm", parts));
    std::string error;
    ASSERT_TRUE(host::openWorkbook("m.xlsm", error)) << error;
    EXPECT_EQ(host::workbookExtension("m"), ".xlsm");
    EXPECT_FALSE(host::saveWorkbook("m", "m-out.xlsx", error));
    EXPECT_NE(error.find("holds macros"), std::string::npos) << error;
    ASSERT_TRUE(host::saveWorkbook("m", "m-out.xlsm", error)) << error;
    EXPECT_EQ(readPackage("m-out.xlsm")["xl/vbaProject.bin"], vba);
}

// A zip archive written by hand (stored entries), so that an entry can
// stand twice, as libzip would never write it.
std::string storedZip(const std::vector<std::pair<std::string, std::string>>& entries) {
    auto crc32 = [](const std::string& d) {
        uint32_t c = 0xFFFFFFFFu;
        for (unsigned char b : d) {
            c ^= b;
            for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
        }
        return ~c;
    };
    auto le = [](std::string& out, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    std::string out, central;
    for (const auto& [name, data] : entries) {
        const uint32_t offset = static_cast<uint32_t>(out.size()), crc = crc32(data);
        const uint32_t size = static_cast<uint32_t>(data.size());
        le(out, 0x04034b50, 4), le(out, 20, 2), le(out, 0, 2), le(out, 0, 2), le(out, 0, 4);
        le(out, crc, 4), le(out, size, 4), le(out, size, 4);
        le(out, static_cast<uint32_t>(name.size()), 2), le(out, 0, 2);
        out += name + data;
        le(central, 0x02014b50, 4), le(central, 20, 2), le(central, 20, 2), le(central, 0, 2);
        le(central, 0, 2), le(central, 0, 4), le(central, crc, 4), le(central, size, 4);
        le(central, size, 4), le(central, static_cast<uint32_t>(name.size()), 2);
        le(central, 0, 2), le(central, 0, 2), le(central, 0, 2), le(central, 0, 2);
        le(central, 0, 4), le(central, offset, 4);
        central += name;
    }
    const uint32_t start = static_cast<uint32_t>(out.size());
    out += central;
    le(out, 0x06054b50, 4), le(out, 0, 2), le(out, 0, 2);
    le(out, static_cast<uint32_t>(entries.size()), 2),
        le(out, static_cast<uint32_t>(entries.size()), 2);
    le(out, static_cast<uint32_t>(central.size()), 4), le(out, start, 4), le(out, 0, 2);
    return out;
}

// Two entries of one name are read differently by different programs (the
// tool would round the first, LibreOffice shows the last): such a package is
// refused, naming the part; so is a name standing twice in other letter case.
TEST_F(PackageEdges, DuplicateEntriesAreRefused) {
    auto parts = book("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
    std::vector<std::pair<std::string, std::string>> entries(parts.begin(), parts.end());
    entries.push_back({"xl/worksheets/sheet1.xml",
                       "<worksheet xmlns=\"" + kMain +
                           "\"><sheetData><row r=\"1\"><c r=\"A1\"><v>99</v></c></row>"
                           "</sheetData></worksheet>"});
    writeFile("dup.xlsx", storedZip(entries));
    std::string error;
    EXPECT_FALSE(host::openWorkbook("dup.xlsx", error));
    EXPECT_NE(error.find("xl/worksheets/sheet1.xml more than once"), std::string::npos) << error;

    entries.back().first = "XL/worksheets/Sheet1.xml";
    writeFile("case.xlsx", storedZip(entries));
    EXPECT_FALSE(host::openWorkbook("case.xlsx", error));
    EXPECT_NE(error.find("more than once"), std::string::npos) << error;

    // So is one relationship id given to two relationships (here the sheet's
    // and the calculation chain's): the sheet would be one part here and
    // another elsewhere.
    auto twoIds = book("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>");
    std::string& rels = twoIds["xl/_rels/workbook.xml.rels"];
    rels.insert(rels.find("</Relationships>"),
                "<Relationship Id=\"rId1\" Type=\"" + kRel + "/calcChain\" Target=\"calcChain.xml\"/>");
    ASSERT_TRUE(writePackage("ids.xlsx", twoIds));
    EXPECT_FALSE(host::openWorkbook("ids.xlsx", error));
    EXPECT_NE(error.find("xl/_rels/workbook.xml.rels gives the relationship id rId1 twice"),
              std::string::npos)
        << error;

    // Within a sheet, a cell given twice or out of order is just as ambiguous.
    ASSERT_TRUE(writePackage("twice.xlsx", book("<row r=\"1\"><c r=\"A1\"><v>1</v></c>"
                                                "<c r=\"A1\"><v>2</v></c></row>")));
    EXPECT_FALSE(host::openWorkbook("twice.xlsx", error));
    EXPECT_NE(error.find("sheet Data lists cell A1 twice"), std::string::npos) << error;
    ASSERT_TRUE(writePackage("order.xlsx", book("<row r=\"2\"><c r=\"B2\"><v>1</v></c></row>"
                                                "<row r=\"1\"><c r=\"A1\"><v>2</v></c></row>")));
    EXPECT_FALSE(host::openWorkbook("order.xlsx", error));
    EXPECT_NE(error.find("sheet Data lists cell A1 out of order"), std::string::npos) << error;
    // A cell named for another row than the row holding it (a saved copy
    // would put it where its row says).
    ASSERT_TRUE(writePackage("row.xlsx", book("<row r=\"4\"><c r=\"A3\"><v>1</v></c></row>")));
    EXPECT_FALSE(host::openWorkbook("row.xlsx", error));
    EXPECT_NE(error.find("sheet Data lists cell A3 in row 4"), std::string::npos) << error;
    EXPECT_TRUE(host::windows().empty());
}

// Cells the XML gives without their place, inline strings, error values:
// read, and written back in place when something else changes.
TEST_F(PackageEdges, CellsWithoutPlacesInlineStringsAndErrorsSurviveASave) {
    const std::string rows =
        "<row r=\"2\"><c><v>1</v></c><c t=\"inlineStr\"><is><r><t>in</t></r><r><t>line</t></r>"
        "</is></c><c t=\"e\"><v>#REF!</v></c><c><f>1/0</f><v>0</v></c></row>";
    ASSERT_TRUE(writePackage("places.xlsx", book(rows)));
    std::string error;
    ASSERT_TRUE(host::openWorkbook("places.xlsx", error)) << error;
    EXPECT_EQ(cellValue("Data!B2"), str("inline"));
    EXPECT_EQ(cellValue("Data!C2"), Value::error(xlerrRef));
    EXPECT_EQ(cellValue("Data!D2"), Value::error(xlerrDiv0));
    enter("Data!A1", "5");  // a new row in front of the one without numbers
    ASSERT_TRUE(host::saveWorkbook("places", "out.xlsx", error)) << error;
    const std::string sheet = sheetXml("out.xlsx");
    EXPECT_EQ(cellXml(sheet, "D2"), "<c r=\"D2\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>")
        << "an error result is stored as the error, not as 0";
    host::reset();
    ASSERT_TRUE(host::openWorkbook("out.xlsx", error)) << error;
    EXPECT_EQ(cellValue("Data!A1"), num(5));
    EXPECT_EQ(cellValue("Data!A2"), num(1));
    EXPECT_EQ(cellValue("Data!B2"), str("inline"));
    EXPECT_EQ(cellValue("Data!C2"), Value::error(xlerrRef));
}

// ---- underneath ------------------------------------------------------------------

TEST(SheetRenames, OnlySheetPrefixesOfRenamedSheetsChange) {
    host::SheetRenames r{{"Data", "Data - p.i."}, {"Men", "Women"}};
    EXPECT_EQ(host::renameSheetsInFormula("SUM(Data!A1:B2)+data!C3", r),
              "SUM('Data - p.i.'!A1:B2)+'Data - p.i.'!C3");
    EXPECT_EQ(host::renameSheetsInFormula("'Men'!A1&\"Data!A1\"", r), "Women!A1&\"Data!A1\"")
        << "texts in quotes stay";
    EXPECT_EQ(host::renameSheetsInFormula("[1]Data!A1+MyData!A1+Data.x!A1", r),
              "[1]Data!A1+MyData!A1+Data.x!A1")
        << "other files' sheets and other names stay";
    EXPECT_EQ(host::renameSheetsInFormula("'It''s'!A1", {{"It's", "Its"}}), "Its!A1");
}

// The pull reader: tokens carry their bytes, input arrives in pieces of any
// size, and what is not well-formed (or could expand) is refused.
TEST(XmlPull, ReadsInPiecesAndRefusesWhatIsNotWellFormed) {
    const std::string doc =
        "<?xml version=\"1.0\"?><a x='1 &amp; 2'><!-- c --><b>t&lt;&#x41;&#66;</b>"
        "<![CDATA[<raw>]]><c/></a>";
    std::string seen, texts;
    size_t at = 0;
    host::XmlPull x([&](char* buf, size_t, std::string&) -> long {
        if (at >= doc.size()) return 0;
        buf[0] = doc[at++];
        return 1;  // one byte at a time
    });
    for (;;) {
        auto k = x.next();
        ASSERT_NE(k, host::XmlPull::Kind::Error) << x.error;
        if (k == host::XmlPull::Kind::Eof) break;
        seen += x.raw;
        texts += x.text;
        if (k == host::XmlPull::Kind::Start && x.name == "a") {
            EXPECT_EQ(*x.attr("x"), "1 & 2");
        }
    }
    EXPECT_EQ(seen, doc);
    EXPECT_EQ(texts, "t<AB<raw>");
    for (const char* bad : {"<a><b></a></b>", "<a>", "<a x=1/>", "<a/><b/>", "<a>&bogus;</a>",
                            "<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>", "text",
                            "<a x='1' x='2'/>", "<a>&#0;</a>", ""}) {
        host::XmlPull y = host::XmlPull::fromText(bad);
        host::XmlPull::Kind k;
        do {
            k = y.next();
        } while (k != host::XmlPull::Kind::Eof && k != host::XmlPull::Kind::Error);
        EXPECT_EQ(k, host::XmlPull::Kind::Error) << bad;
        EXPECT_FALSE(y.error.empty()) << bad;
    }
}

}  // namespace
