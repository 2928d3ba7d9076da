// Workbook files: .xlsx through our writer and reader, .xlsx written by
// LibreOffice and by hand, separated text, and refusals of bad files.
#include <filesystem>

#include "host_test_util.h"
#include "package_util.h"

namespace {

using namespace hosttest;

class FilesTest : public HostTest {
  protected:
    host::CellInfo info(const std::string& ref) {
        host::CellInfo i;
        std::string error;
        EXPECT_TRUE(host::readCell(ref, i, error)) << ref << ": " << error;
        return i;
    }
    void expectRefused(const std::string& path, const std::string& because) {
        auto before = host::windows();
        std::string error;
        EXPECT_FALSE(host::openWorkbook(path, error)) << path;
        EXPECT_NE(error.find(because), std::string::npos) << "message: " << error;
        EXPECT_EQ(host::windows(), before) << "a refused file must not leave a window";
    }
};

TEST_F(FilesTest, XlsxRoundTripThroughOurWriterAndReader) {
    std::string error;
    host::newWorkbook();
    ASSERT_EQ(call(xlcWorkbookName, {str("Sheet1"), str("Sheet1 - p.i.")}).code, xlretSuccess);
    ASSERT_EQ(call(xlcWorkbookName, {str("Sheet2"), str("My data")}).code, xlretSuccess);
    enter("'Sheet1 - p.i.'!A1", "1.5");
    ASSERT_TRUE(host::setNumberFormat("'Sheet1 - p.i.'!A1", "0.00", error));
    enter("'Sheet1 - p.i.'!A2", "-3");
    enter("'Sheet1 - p.i.'!A3", "=SUM(A1:A2)");
    enter("'Sheet1 - p.i.'!A4", "0.1");
    enter("'Sheet1 - p.i.'!A5", "123456789.125");
    ASSERT_TRUE(host::setNumberFormat("'Sheet1 - p.i.'!A5", "#,##0.0", error));
    enter("'Sheet1 - p.i.'!B1", "text with \"quotes\" & <angles>");
    enter("'Sheet1 - p.i.'!B2", "TRUE");
    enter("'Sheet1 - p.i.'!B3", "#N/A");
    enter("'Sheet1 - p.i.'!B4", "[0.0,20.0]");
    enter("'Sheet1 - p.i.'!C1", "='My data'!B2*2");
    enter("'My data'!B2", "21");
    enter("'My data'!C3", "=AVERAGE('Sheet1 - p.i.'!A1:A2)");
    ASSERT_TRUE(host::selectSheet("My data", error));
    ASSERT_TRUE(host::saveWorkbook("Book1", "round.xlsx", error)) << error;

    ASSERT_TRUE(host::openWorkbook("round.xlsx", error)) << error;
    EXPECT_EQ(host::activeWorkbook(), "round");
    EXPECT_EQ(host::activeSheet(), "My data");
    EXPECT_EQ(host::sheetNames("round"),
              (std::vector<std::string>{"Sheet1 - p.i.", "My data", "Sheet3"}));
    for (const char* cell : {"A1", "A2", "A3", "A4", "A5", "B1", "B2", "B3", "B4", "C1"}) {
        host::CellInfo before = info(std::string("'[Book1]Sheet1 - p.i.'!") + cell);
        host::CellInfo after = info(std::string("'[round]Sheet1 - p.i.'!") + cell);
        EXPECT_EQ(after.value, before.value) << cell;
        EXPECT_EQ(after.formulaA1, before.formulaA1) << cell;
        EXPECT_EQ(after.format, before.format) << cell;
    }
    EXPECT_EQ(info("'[round]My data'!C3").formulaA1, "=AVERAGE('Sheet1 - p.i.'!A1:A2)");
    EXPECT_EQ(info("'[round]My data'!C3").value, num(-0.75));
    EXPECT_EQ(info("'[round]Sheet1 - p.i.'!C1").value, num(42));
}

TEST_F(FilesTest, ReadsAWorkbookWrittenByLibreOffice) {
    std::string error;
    ASSERT_TRUE(host::openWorkbook(HOST_FIXTURES "/libreoffice_values.xlsx", error)) << error;
    EXPECT_EQ(host::sheetNames(""), (std::vector<std::string>{"Data", "Second sheet"}));
    EXPECT_EQ(info("Data!A1").value, str("Region"));
    EXPECT_EQ(info("Data!B2").value, num(12.5));
    EXPECT_EQ(info("Data!B2").format, "0.00");
    EXPECT_EQ(info("Data!B4").formulaA1, "=SUM(B2:B3)");
    EXPECT_EQ(info("Data!B4").formulaR1C1, "=SUM(R[-2]C:R[-1]C)");
    EXPECT_EQ(info("Data!B4").value, num(19.5));
    EXPECT_EQ(info("Data!A5").value, num(1));  // LibreOffice saved TRUE as 1
    EXPECT_EQ(info("Data!B5").value, num(19.5));
    EXPECT_EQ(info("'Second sheet'!A1").formulaA1, "=Data!B4*2");
    EXPECT_EQ(info("'Second sheet'!A1").value, num(39));
    EXPECT_EQ(info("'Second sheet'!A2").value, str("Gr\xC3\xBC\xC3\x9F"
                                                   "e & \"quotes\""));
    EXPECT_EQ(info("'Second sheet'!B2").value, num(90.5));
    // Values follow changes made after reading.
    enter("Data!B3", "8");
    EXPECT_EQ(info("'Second sheet'!B2").value, num(94.5));
}

TEST_F(FilesTest, ReadsTheNamesAndPlacesOfPivotTables) {
    std::string error;
    ASSERT_TRUE(host::openWorkbook(HOST_FIXTURES "/libreoffice_pivot.xlsx", error)) << error;
    ASSERT_TRUE(host::selectSheet("Data", error));
    EXPECT_TRUE(call(xlfGetDocument, {num(70)}).value.isErr());
    ASSERT_TRUE(host::selectSheet("Report", error));
    EXPECT_EQ(call(xlfGetDocument, {num(70)}).value, str("SalesPivot"));
    uint32_t report = sheetId("Report");
    EXPECT_EQ(call(xlfGetCell, {num(54), cellRef(report, 3, 1)}).value, str("SalesPivot"));
    EXPECT_TRUE(call(xlfGetCell, {num(54), cellRef(report, 0, 0)}).value.isErr());
    EXPECT_EQ(call(xlfGetPivotTable, {num(7), str("SalesPivot")}).value, texts({"Region"}));
    EXPECT_EQ(call(xlfGetPivotTable, {num(8), str("SalesPivot")}).value, texts({"Type"}));
    EXPECT_EQ(call(xlfGetPivotTable, {num(10), str("SalesPivot")}).value, texts({"Sum - Value"}));
    EXPECT_EQ(call(xlfGetPivotTable, {num(12), str("SalesPivot")}).value, str("Report!$B$4:$E$8"));
    EXPECT_EQ(call(xlfGetPivotField, {num(15), str("Sum - Value"), str("SalesPivot")}).value,
              str("Value"));
    EXPECT_EQ(call(xlfGetPivotTable, {num(2), str("SalesPivot")}).value, str("Data!$A$1:$C$4"));
}

const char* kRels =
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"R7\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/officeDocument\" Target=\"/xl/wb.xml\"/></Relationships>";

std::string workbookRels(const std::string& extra = "") {
    const std::string t = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    return "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"s9\" Type=\"" +
           t +
           "worksheet\" Target=\"/xl/worksheets/first.xml\"/>"
           "<Relationship Id=\"s2\" Type=\"" +
           t +
           "worksheet\" Target=\"worksheets/second.xml\"/>"
           "<Relationship Id=\"ss\" Type=\"" +
           t +
           "sharedStrings\" Target=\"strings.xml\"/>"
           "<Relationship Id=\"st\" Type=\"" +
           t + "styles\" Target=\"styles.xml\"/>" + extra + "</Relationships>";
}

const char* kWorkbook =
    "<x:workbook xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<x:sheets><x:sheet name=\"Alpha\" sheetId=\"1\" r:id=\"s9\"/>"
    "<x:sheet name=\"Beta\" sheetId=\"2\" r:id=\"s2\"/></x:sheets>"
    "<x:definedNames><x:definedName name=\"Total\">Alpha!$B$3</x:definedName></x:definedNames>"
    "</x:workbook>";

std::map<std::string, std::string> handMadePackage(const std::string& firstSheetData) {
    return {
        {"_rels/.rels", kRels},
        {"xl/wb.xml", kWorkbook},
        {"xl/_rels/wb.xml.rels", workbookRels()},
        {"xl/strings.xml",
         "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
         "<si><t>plain</t></si>"
         "<si><r><t>run</t></r><r><t xml:space=\"preserve\"> two</t></r>"
         "<rPh><t>ignored</t></rPh></si>"
         "<si><t>line_x000A_break</t></si></sst>"},
        {"xl/styles.xml",
         "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
         "<numFmts><numFmt numFmtId=\"164\" formatCode=\"0.000\"/></numFmts>"
         "<cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"164\"/><xf numFmtId=\"10\"/></cellXfs>"
         "</styleSheet>"},
        {"xl/worksheets/first.xml",
         "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
         "<x:sheetData>" +
             firstSheetData + "</x:sheetData></x:worksheet>"},
        {"xl/worksheets/second.xml",
         "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
         "<sheetData><row r=\"1\"><c r=\"A1\"><f>SUM(Alpha!A2:B2)</f></c></row></sheetData>"
         "</worksheet>"},
    };
}

const char* kFirstSheet =
    "<x:row r=\"1\"><x:c t=\"s\"><x:v>0</x:v></x:c><x:c t=\"s\"><x:v>1</x:v></x:c>"
    "<x:c t=\"inlineStr\"><x:is><x:t>inline</x:t></x:is></x:c></x:row>"
    "<x:row><x:c r=\"A2\" s=\"1\"><x:v>1.5</x:v></x:c><x:c r=\"B2\" s=\"2\"><x:v>0.25</x:v></x:c>"
    "</x:row>"
    "<x:row r=\"3\"><x:c r=\"A3\"><x:f t=\"shared\" ref=\"A3:B3\" si=\"0\">A2*2</x:f><x:v>3</x:v>"
    "</x:c><x:c r=\"B3\"><x:f t=\"shared\" si=\"0\"/><x:v>0.5</x:v></x:c>"
    "<x:c r=\"C3\" t=\"b\"><x:f>TRUE()</x:f><x:v>1</x:v></x:c></x:row>"
    "<x:row r=\"4\"><x:c r=\"A4\" t=\"s\"><x:v>2</x:v></x:c><x:c r=\"B4\" t=\"e\">"
    "<x:v>#DIV/0!</x:v></x:c><x:c r=\"C4\" t=\"str\"><x:f>\"a\"&amp;\"b\"</x:f><x:v>ab</x:v>"
    "</x:c><x:c r=\"D4\" s=\"1\"/></x:row>";

TEST_F(FilesTest, ReadsPackagesAsOtherProducersWriteThem) {
    ASSERT_TRUE(writePackage("hand.xlsx", handMadePackage(kFirstSheet)));
    std::string error;
    ASSERT_TRUE(host::openWorkbook("hand.xlsx", error)) << error;
    EXPECT_EQ(host::sheetNames(""), (std::vector<std::string>{"Alpha", "Beta"}));
    EXPECT_EQ(info("Alpha!A1").value, str("plain"));
    EXPECT_EQ(info("Alpha!B1").value, str("run two"));  // runs joined, phonetic runs left out
    EXPECT_EQ(info("Alpha!C1").value, str("inline"));
    EXPECT_EQ(info("Alpha!A2").value, num(1.5));
    EXPECT_EQ(info("Alpha!A2").format, "0.000");
    EXPECT_EQ(info("Alpha!B2").format, "0.00%");
    EXPECT_EQ(info("Alpha!A3").formulaA1, "=A2*2");
    EXPECT_EQ(info("Alpha!B3").formulaA1, "=B2*2");  // shared formula moved to its cell
    EXPECT_EQ(info("Alpha!B3").value, num(0.5));
    EXPECT_EQ(info("Alpha!C3").value, boolean(true));
    EXPECT_EQ(info("Alpha!A4").value, str("line\nbreak"));
    EXPECT_EQ(info("Alpha!B4").value, Value::error(xlerrDiv0));
    EXPECT_EQ(info("Alpha!C4").value, str("ab"));
    EXPECT_EQ(info("Alpha!D4").format, "0.000");
    EXPECT_EQ(info("Beta!A1").value, num(1.75));
    Value total;
    ASSERT_TRUE(host::definedName("Total", total));
    EXPECT_EQ(total, str("=Alpha!$B$3"));
}

// The selection a sheet was saved with comes back: the areas of the active
// pane, its active cell, and A1 where nothing readable was saved.
TEST_F(FilesTest, ReadsTheSelectionSavedWithEachSheet) {
    std::string error;
    auto withView = [](const std::string& view) {
        auto parts = handMadePackage("<x:row r=\"1\"><x:c><x:v>1</x:v></x:c></x:row>");
        std::string& sheet = parts["xl/worksheets/first.xml"];
        sheet.insert(sheet.find("<x:sheetData>"),
                     "<x:sheetViews><x:sheetView>" + view + "</x:sheetView></x:sheetViews>");
        return parts;
    };
    auto opened = [&](const std::string& view, const std::string& file) {
        EXPECT_TRUE(writePackage(file, withView(view)));
        EXPECT_TRUE(host::openWorkbook(file, error)) << error;
        EXPECT_TRUE(host::selectSheet("Alpha", error)) << error;
        return host::selectionText();
    };
    auto activeCell = [&] { return call(xlfActiveCell, {}).value; };

    EXPECT_EQ(opened("<x:selection activeCell=\"C5\" sqref=\"A1:C13 E2\"/>", "two.xlsx"),
              "Alpha!A1:C13,E2");
    EXPECT_EQ(activeCell(), cellRef(sheetId("Alpha"), 4, 2));
    // Frozen panes: the selection of the pane that is active.
    EXPECT_EQ(opened("<x:pane ySplit=\"1\" activePane=\"bottomLeft\" state=\"frozen\"/>"
                     "<x:selection pane=\"topLeft\" sqref=\"B1\"/>"
                     "<x:selection pane=\"bottomLeft\" activeCell=\"A9\" sqref=\"A2:D20\"/>",
                     "panes.xlsx"),
              "Alpha!A2:D20");
    EXPECT_EQ(activeCell(), cellRef(sheetId("Alpha"), 8, 0));
    // Areas past the grid or unreadable are left out; an active cell outside
    // the areas gives way to the first area's corner.
    EXPECT_EQ(opened("<x:selection activeCell=\"Z99\" sqref=\"A1:IW2 ?? B2:B3\"/>", "odd.xlsx"),
              "Alpha!B2:B3");
    EXPECT_EQ(activeCell(), cellRef(sheetId("Alpha"), 1, 1));
    EXPECT_EQ(opened("<x:selection activeCell=\"D4\"/>", "cell.xlsx"), "Alpha!D4");
    EXPECT_EQ(opened("<x:selection sqref=\"XFD1048576\"/>", "none.xlsx"), "Alpha!A1");

    // Our own files keep the selection of every sheet.
    host::newWorkbook();
    ASSERT_TRUE(host::selectRange("Sheet2!B2:D5", error)) << error;
    ASSERT_TRUE(host::selectRange("Sheet1!C3", error)) << error;
    ASSERT_TRUE(host::saveWorkbook(host::activeWorkbook(), "kept.xlsx", error)) << error;
    ASSERT_TRUE(host::openWorkbook("kept.xlsx", error)) << error;
    EXPECT_EQ(host::selectionText(), "Sheet1!C3");
    ASSERT_TRUE(host::selectSheet("Sheet2", error)) << error;
    EXPECT_EQ(host::selectionText(), "Sheet2!B2:D5");
}

TEST_F(FilesTest, MalformedOrOversizedFilesAreRefusedWhole) {
    writeFile("notzip.xlsx", "this is not a workbook");
    expectRefused("notzip.xlsx", "cannot be opened");

    auto parts = handMadePackage(kFirstSheet);
    parts.erase("_rels/.rels");
    ASSERT_TRUE(writePackage("norels.xlsx", parts));
    expectRefused("norels.xlsx", "_rels/.rels is missing");

    parts = handMadePackage("<x:row r=\"1\"><x:c r=\"A1\"><x:v>1</x:v></x:row>");
    ASSERT_TRUE(writePackage("badxml.xlsx", parts));
    expectRefused("badxml.xlsx", "not well-formed");

    for (const char* cell : {"IW1", "A65537"}) {
        parts = handMadePackage(std::string("<x:row><x:c r=\"") + cell +
                                "\"><x:v>1</x:v></x:c></x:row>");
        ASSERT_TRUE(writePackage("wide.xlsx", parts));
        expectRefused("wide.xlsx", "256 columns x 65536 rows");
    }

    parts = handMadePackage("<x:row r=\"1\"><x:c r=\"A1\" t=\"s\"><x:v>99</x:v></x:c></x:row>");
    ASSERT_TRUE(writePackage("nostring.xlsx", parts));
    expectRefused("nostring.xlsx", "missing shared string");

    // A part that claims to unpack to more than 512 MiB: the size field of
    // the central directory is raised after writing.
    ASSERT_TRUE(writePackage("bomb.xlsx", handMadePackage(kFirstSheet)));
    std::string data = readFile("bomb.xlsx");
    size_t entry = data.find("PK\x01\x02");
    ASSERT_NE(entry, std::string::npos);
    const char huge[4] = {0, 0, 0, 0x30};  // 0x30000000 bytes
    data.replace(entry + 24, 4, huge, 4);
    writeFile("bomb.xlsx", data);
    expectRefused("bomb.xlsx", "512 MiB");

    // Through xlcOpen the refusal is a failed command and a host message.
    ScriptedFrontEnd fe;
    host::setFrontEnd(&fe);
    EXPECT_EQ(call(xlcOpen, {str("notzip.xlsx")}).code, xlretFailed);
    ASSERT_EQ(fe.messages.size(), 1u);
    EXPECT_NE(fe.messages[0].find("notzip.xlsx"), std::string::npos);
    EXPECT_EQ(host::journal().back().kind, host::JournalKind::HostMessage);
}

TEST_F(FilesTest, SemicolonTextWithDecimalCommas) {
    writeFile(
        "log.txt",
        "Name;Value;Share\nNorth;1,5;\"0,25\"\r\nSouth;-2;3,25E2\n;;x;y\n\"a;b\";TRUE;=B2+B3\n");
    ASSERT_EQ(call(xlcOpen, {str("log.txt"), num(0), boolean(false), num(4)}).code, xlretSuccess);
    EXPECT_EQ(cellValue("A1"), str("Name"));
    EXPECT_EQ(cellValue("B2"), num(1.5));
    EXPECT_EQ(cellValue("C2"), str("0,25"));  // quoted: a text
    EXPECT_EQ(cellValue("B3"), num(-2));
    EXPECT_EQ(cellValue("C3"), num(325));
    EXPECT_TRUE(cellValue("A4").isNil());
    EXPECT_EQ(cellValue("D4"), str("y"));
    EXPECT_EQ(cellValue("A5"), str("a;b"));
    EXPECT_EQ(cellValue("B5"), boolean(true));
    EXPECT_EQ(cellValue("C5"), num(-0.5));
    // Saved as semicolon text with decimal commas and read back the same.
    std::string error;
    ASSERT_TRUE(host::saveWorkbook("", "copy.log", error)) << error;
    EXPECT_NE(readFile("copy.log").find("North;1,5;\"0,25\""), std::string::npos);
    ASSERT_TRUE(host::openWorkbook("copy.log", error)) << error;
    for (const char* cell : {"A1", "B2", "C2", "C3", "A5", "B5", "C5"})
        EXPECT_EQ(cellValue(std::string("[copy]copy!") + cell),
                  cellValue(std::string("[log]log!") + cell))
            << cell;
}

TEST_F(FilesTest, CommaTextWithDecimalPointsAndTheLimitsOfTheGrid) {
    writeFile("plain.csv", "a,1.5,\"x,y\"\n2,\"say \"\"hi\"\"\",-0.25\n");
    std::string error;
    ASSERT_TRUE(host::openWorkbook("plain.csv", error)) << error;
    EXPECT_EQ(cellValue("B1"), num(1.5));
    EXPECT_EQ(cellValue("C1"), str("x,y"));
    EXPECT_EQ(cellValue("B2"), str("say \"hi\""));
    EXPECT_EQ(cellValue("C2"), num(-0.25));

    std::string wide;
    for (int i = 0; i < 257; ++i) wide += (i ? ";" : "") + std::to_string(i);
    writeFile("wide.txt", wide + "\n");
    expectRefused("wide.txt", "more than 256 fields");
    std::string tall;
    for (int i = 0; i < 65537; ++i) tall += "1\n";
    writeFile("tall.txt", tall);
    expectRefused("tall.txt", "more than 65536 lines");
    writeFile("open.txt", "\"never closed;1\n");
    expectRefused("open.txt", "not closed");
}

TEST_F(FilesTest, LibreOfficeOpensWhatWeSave) {
    if (!haveSoffice()) GTEST_SKIP() << "soffice (libreoffice-calc-nogui) is not installed";
    host::newWorkbook();
    ASSERT_EQ(call(xlcWorkbookName, {str("Sheet1"), str("Sheet1 - p.i.")}).code, xlretSuccess);
    enter("'Sheet1 - p.i.'!A1", "1.5");
    enter("'Sheet1 - p.i.'!A2", "2");
    enter("'Sheet1 - p.i.'!A3", "=SUM(A1:A2)");
    enter("'Sheet1 - p.i.'!B1", "(10,20)");
    enter("Sheet2!A1", "='Sheet1 - p.i.'!A3*10");
    enter("Sheet2!B1", "=AVERAGE('Sheet1 - p.i.'!A1:A2)");
    std::string error;
    ASSERT_TRUE(host::saveWorkbook("", "forlo.xlsx", error)) << error;
    std::filesystem::create_directories("lo-out");
    ASSERT_EQ(sofficeToCsv("forlo.xlsx", "lo-out"), 0) << readFile("soffice.log");
    EXPECT_EQ(readFile("lo-out/forlo-Sheet1 - p.i..csv"), "1.5,\"(10,20)\"\n2,\n3.5,\n");
    EXPECT_EQ(readFile("lo-out/forlo-Sheet2.csv"), "35,1.75\n");
}

// Open a workbook of another program, copy it, write into the copy, rename
// its sheets, save it: LibreOffice reads the same values and recalculates the
// formulas, which now refer to the renamed sheets of the copy.
TEST_F(FilesTest, CopyWriteRenameSaveAndCheckWithLibreOffice) {
    if (!haveSoffice()) GTEST_SKIP() << "soffice (libreoffice-calc-nogui) is not installed";
    std::string error;
    ASSERT_TRUE(host::openWorkbook(HOST_FIXTURES "/libreoffice_values.xlsx", error)) << error;
    EXPECT_EQ(info("'Second sheet'!B1").formulaR1C1, "=RC[-1]+Data!R[1]C");
    Value names = call(xlfGetWorkbook, {num(1)}).value;
    ASSERT_EQ(call(xlcWorkbookCopy, {names}).code, xlretSuccess);
    EXPECT_EQ(host::activeWorkbook(), "Book1");
    ASSERT_EQ(call(xlSet, {cellRef(sheetId("Data"), 1, 1), num(100)}).code, xlretSuccess);
    ASSERT_EQ(call(xlcWorkbookName, {str("[Book1]Data"), str("Data - p.i.")}).code, xlretSuccess);
    ASSERT_EQ(call(xlcWorkbookName, {str("Second sheet"), str("Sums")}).code, xlretSuccess);
    EXPECT_EQ(info("Sums!A1").formulaA1, "='Data - p.i.'!B4*2");
    ASSERT_TRUE(host::saveWorkbook("Book1", "copy.xlsx", error)) << error;
    // The original is unchanged.
    EXPECT_EQ(info("[libreoffice_values]Data!B2").value, num(12.5));

    std::filesystem::create_directories("lo-copy");
    ASSERT_EQ(sofficeToCsv("copy.xlsx", "lo-copy"), 0) << readFile("soffice.log");
    EXPECT_EQ(readFile("lo-copy/copy-Data - p.i..csv"),
              "Region,Value\nNorth,100\nSouth,7\nTotal,107\n1,107\n");
    EXPECT_EQ(readFile("lo-copy/copy-Sums.csv"),
              "214,314\n\"Gr\xC3\xBC\xC3\x9F"
              "e & \"\"quotes\"\"\",528\n528,314\n");
}

// Saving into a folder that does not exist says so (not a guess about
// permissions from the writer) and writes nothing; saving every new workbook
// into a folder makes the folder.
TEST_F(FilesTest, MissingFolderIsNamedAndSaveNewMakesItsFolder) {
    const std::string book = host::newWorkbook();
    std::string error;
    ASSERT_TRUE(host::enterCell("A1", "5", error)) << error;
    EXPECT_FALSE(host::saveWorkbook(book, "nowhere/t.xlsx", error));
    EXPECT_NE(error.find("there is no folder nowhere"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists("nowhere"));
    std::vector<std::string> saved;
    ASSERT_TRUE(host::saveNewWorkbooks("made/deeper", saved, error)) << error;
    EXPECT_EQ(saved, (std::vector<std::string>{"made/deeper/" + book + ".xlsx"}));
    EXPECT_TRUE(std::filesystem::exists(saved[0]));
}

}  // namespace
