// Files of every common kind: other spreadsheet formats are read through
// LibreOffice (and saved as .xlsx), everything else is named for what it is.
#include <cstdlib>

#include "host_test_util.h"
#include "package_util.h"

namespace {

using namespace hosttest;

const std::string kFixtures = HOST_FIXTURES "/preserve/";

class FileKinds : public HostTest {
  protected:
    void expectRefused(const std::string& path, const std::string& because) {
        std::string error;
        EXPECT_FALSE(host::openWorkbook(path, error)) << path;
        EXPECT_NE(error.find(because), std::string::npos) << "message: " << error;
        EXPECT_NE(error.find(path), std::string::npos) << "the file is named: " << error;
        EXPECT_TRUE(host::windows().empty());
    }
};

// .xls, .ods and .fods come in through LibreOffice with their values and
// formulas; the workbook keeps the converted package and is saved as .xlsx.
TEST_F(FileKinds, OtherSpreadsheetFormatsAreReadThroughLibreOffice) {
    if (!haveSoffice()) GTEST_SKIP() << "soffice (libreoffice-calc-nogui) is not installed";
    std::string error;
    for (const std::string name : {"libreoffice_formatted.ods", "libreoffice_formatted.xls"}) {
        ASSERT_TRUE(host::openWorkbook(kFixtures + name, error)) << error;
        EXPECT_EQ(host::sheetNames(host::activeWorkbook()),
                  (std::vector<std::string>{"Cases", "List", "Notes"}))
            << name;
        EXPECT_EQ(cellValue("Cases!B3"), num(1283)) << name;
        host::CellInfo total;
        ASSERT_TRUE(host::readCell("Cases!E7", total, error)) << error;
        EXPECT_EQ(total.formulaA1, "=SUM(E3:E6)") << name;
        EXPECT_EQ(total.value, num(17227)) << name;
        EXPECT_FALSE(host::saveWorkbook(host::activeWorkbook(), "back.ods", error));
        EXPECT_NE(error.find("saved as .xlsx"), std::string::npos) << error;
        ASSERT_TRUE(host::saveWorkbook(host::activeWorkbook(), "back.xlsx", error)) << error;
    }
    // A flat OpenDocument file, whatever its name says.
    writeFile("values.txt", readFile(HOST_FIXTURES "/libreoffice_values.fods"));
    ASSERT_TRUE(host::openWorkbook("values.txt", error)) << error;
    EXPECT_EQ(cellValue("Data!B2"), num(12.5));
}

// Without LibreOffice, or when it fails, the message says so and what to do.
TEST_F(FileKinds, MissingOrFailingLibreOfficeIsNamed) {
    setenv("QUORANT_SOFFICE", "/nonexistent/soffice", 1);
    expectRefused(kFixtures + "libreoffice_formatted.ods",
                  "LibreOffice (soffice) is not installed");
    writeFile("fail.sh", "#!/bin/sh\necho 'Error: source file could not be loaded' >&2\nexit 1\n");
    ASSERT_EQ(std::system("chmod +x fail.sh"), 0);
    setenv("QUORANT_SOFFICE", "./fail.sh", 1);
    expectRefused(kFixtures + "libreoffice_formatted.xls",
                  "LibreOffice could not convert it to .xlsx (Error: source file could not be "
                  "loaded)");
    unsetenv("QUORANT_SOFFICE");
}

// Files that are no workbook get a message naming what they are, never a
// statement about their cells.
TEST_F(FileKinds, OtherFilesAreNamedForWhatTheyAre) {
    writeFile("report.xlsx", "%PDF-1.4\n...");
    expectRefused("report.xlsx", "it is a PDF document, not a workbook");
    writeFile("picture.csv", std::string("\x89PNG\r\n\x1a\n\0\0", 10));
    expectRefused("picture.csv", "it is a PNG picture");
    writeFile("data.bin", std::string("\x01\x02\0\x03", 4));
    expectRefused("data.bin", "a binary file of a kind not known here");
    ASSERT_TRUE(writePackage("letter.xlsx", {{"[Content_Types].xml", "<Types/>"},
                                             {"word/document.xml", "<document/>"}}));
    expectRefused("letter.xlsx", "it is a word-processing document (.docx)");
    ASSERT_TRUE(writePackage("text.ods", {{"mimetype", "application/vnd.oasis.opendocument.text"},
                                          {"content.xml", "<x/>"}}));
    expectRefused("text.ods", "it is an OpenDocument text document");
    writeFile("page.xlsx", "<!DOCTYPE html><html><body>table</body></html>");
    expectRefused("page.xlsx", "it is a web page (HTML)");
    // Text of values is still read as such, whatever its name.
    writeFile("values.dat", "1;2\n3;4\n");
    std::string error;
    EXPECT_TRUE(host::openWorkbook("values.dat", error)) << error;
}

}  // namespace
