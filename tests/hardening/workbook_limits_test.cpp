// Limits a hostile workbook, text file or formula cannot break, each refused
// with its message: unpacked sizes, the grid, sheet names, numbers that are
// not finite, formula nesting, and chains of references computed without
// using up the call stack.
#include <gtest/gtest.h>

#include "host/formula.h"
#include "host/host.h"
#include "tests/host/host_test_util.h"
#include "tests/host/package_util.h"

namespace {

using namespace hosttest;

const std::string kRelNs = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

// A package with one sheet per entry of `sheets` (name, sheetData content).
std::map<std::string, std::string> package(
    const std::vector<std::pair<std::string, std::string>>& sheets) {
    std::map<std::string, std::string> parts;
    parts["_rels/.rels"] =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"r1\" Type=\"" +
        kRelNs + "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
    std::string list, rels;
    for (size_t i = 0; i < sheets.size(); ++i) {
        const std::string n = std::to_string(i + 1);
        list +=
            "<sheet name=\"" + sheets[i].first + "\" sheetId=\"" + n + "\" r:id=\"s" + n + "\"/>";
        rels += "<Relationship Id=\"s" + n + "\" Type=\"" + kRelNs +
                "worksheet\" Target=\"worksheets/sheet" + n + ".xml\"/>";
        parts["xl/worksheets/sheet" + n + ".xml"] =
            "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
            "<sheetData>" +
            sheets[i].second + "</sheetData></worksheet>";
    }
    parts["xl/workbook.xml"] =
        "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"" +
        kRelNs.substr(0, kRelNs.size() - 1) + "\"><sheets>" + list + "</sheets></workbook>";
    parts["xl/_rels/workbook.xml.rels"] =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
        rels + "</Relationships>";
    return parts;
}

class WorkbookLimits : public HostTest {
  protected:
    // Opening the file fails with a message that holds `because`, and no
    // window is left behind.
    void expectRefused(const std::string& path, const std::string& because) {
        const auto before = host::windows();
        std::string error;
        EXPECT_FALSE(host::openWorkbook(path, error)) << path;
        EXPECT_NE(error.find(because), std::string::npos) << "message: " << error;
        EXPECT_EQ(host::windows(), before);
    }
    void expectRefusedPackage(const std::map<std::string, std::string>& parts,
                              const std::string& because) {
        ASSERT_TRUE(writePackage("p.xlsx", parts));
        expectRefused("p.xlsx", because);
    }
    static constexpr uint32_t kKeep = 0xFFFFFFFF;
    // Sets the unpacked size that the central directory declares for each
    // part, in the order the parts were written (kKeep leaves one as it is).
    static void declareSizes(const std::string& path, const std::vector<uint32_t>& sizes) {
        std::string data = readFile(path);
        size_t at = 0;
        for (uint32_t size : sizes) {
            at = data.find("PK\x01\x02", at);
            ASSERT_NE(at, std::string::npos);
            if (size != kKeep)
                for (int b = 0; b < 4; ++b) data[at + 24 + b] = static_cast<char>(size >> (8 * b));
            at += 4;
        }
        writeFile(path, data);
    }
};

TEST_F(WorkbookLimits, PartsUnpackingPast512MiBAreRefusedBeforeReading) {
    const auto parts = package({{"Data", "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"}});
    ASSERT_TRUE(writePackage("one.xlsx", parts));
    // The entries are, in name order: _rels/.rels, xl/_rels/..., xl/workbook.xml, the sheet.
    declareSizes("one.xlsx", {kKeep, kKeep, kKeep, (512u << 20) + 1});
    expectRefused("one.xlsx", "its part xl/worksheets/sheet1.xml unpacks to more than 512 MiB");

    // Each part below the limit, together above it.
    ASSERT_TRUE(writePackage("all.xlsx", parts));
    declareSizes("all.xlsx", {kKeep, kKeep, 300u << 20, 300u << 20});
    expectRefused("all.xlsx", "its parts unpack to more than 512 MiB together");

    // A part that unpacks to more than its entry declares is not read on.
    ASSERT_TRUE(writePackage("lies.xlsx", parts));
    declareSizes("lies.xlsx", {kKeep, kKeep, kKeep, 10});
    expectRefused("lies.xlsx", "xl/worksheets/sheet1.xml");

    // Text files: the file's own size.
    std::ofstream("big.txt") << "";
    std::filesystem::resize_file("big.txt", (512ull << 20) + 1);
    expectRefused("big.txt", "it is larger than 512 MiB");
}

TEST_F(WorkbookLimits, CellsPastTheGridOf256ColumnsBy65536RowsAreRefused) {
    for (const char* row :
         {"<row r=\"1\"><c r=\"IW1\"><v>1</v></c></row>", "<row r=\"65537\"><c><v>1</v></c></row>",
          // A row number past every integer, then a row after it.
          "<row r=\"99999999999999999999\"/><row><c><v>1</v></c></row>"})
        expectRefusedPackage(package({{"Data", row}}), "256 columns x 65536 rows");

    std::string wide;
    for (int i = 0; i < 257; ++i) wide += (i ? ";" : "") + std::to_string(i);
    writeFile("wide.txt", wide + "\n");
    expectRefused("wide.txt", "line 1 has more than 256 fields");
    std::string tall;
    for (int i = 0; i < 65537; ++i) tall += "1\n";
    writeFile("tall.txt", tall);
    expectRefused("tall.txt", "it has more than 65536 lines");
}

TEST_F(WorkbookLimits, SheetNamesTheHostCannotHoldAreRefused) {
    const std::string cell = "<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>";
    expectRefusedPackage(package({{std::string(32, 'n'), cell}}),
                         "has a name the host cannot hold (a sheet name cannot be longer than "
                         "31 characters)");
    expectRefusedPackage(package({{"a]b", cell}}), "cannot contain any of [ ] : * ? / \\");
    expectRefusedPackage(package({{"Data", cell}, {"DATA", cell}}),
                         "two of its sheets are named \"DATA\"");
    // 31 characters are fine.
    ASSERT_TRUE(writePackage("ok.xlsx", package({{std::string(31, 'n'), cell}})));
    std::string error;
    EXPECT_TRUE(host::openWorkbook("ok.xlsx", error)) << error;
}

TEST_F(WorkbookLimits, NumbersThatAreNotFiniteAreNotNumbers) {
    for (const char* v : {"inf", "nan", "1e999", "-1E400"})
        expectRefusedPackage(
            package({{"Data", std::string("<row r=\"1\"><c r=\"A1\"><v>") + v + "</v></c></row>"}}),
            std::string("cell Data!A1 holds a number that cannot be read: \"") + v + "\"");
    // In text files they stay texts, and arithmetic that overflows is #NUM!.
    writeFile("values.txt", "1e999;inf;nan;1e308\n");
    std::string error;
    ASSERT_TRUE(host::openWorkbook("values.txt", error)) << error;
    EXPECT_EQ(cellValue("A1"), str("1e999"));
    EXPECT_EQ(cellValue("B1"), str("inf"));
    EXPECT_EQ(cellValue("C1"), str("nan"));
    enter("E1", "=D1*10");
    EXPECT_EQ(cellValue("E1"), Value::error(xlerrNum));
    enter("F1", "=SUM(D1,D1)");
    EXPECT_EQ(cellValue("F1"), Value::error(xlerrNum));
    // A count of digits past any int rounds to nothing or to everything.
    enter("G1", "=ROUND(1.5,1E+32)");
    EXPECT_EQ(cellValue("G1"), num(1.5));
    enter("H1", "=ROUND(123,-1E+32)");
    EXPECT_EQ(cellValue("H1"), num(0));
    enter("I1", "=ROUND(125,-1)");
    EXPECT_EQ(cellValue("I1"), num(130));
}

TEST_F(WorkbookLimits, FormulasNestedTooDeeplyAreRefused) {
    auto parse = [](const std::string& text, std::string& error) {
        return host::parseFormula(text, host::Notation::A1, 0, 0, nullptr, error);
    };
    std::string error;
    // 200 levels of parentheses, function arguments and signs, the formula
    // itself counting as one; one more is refused.
    EXPECT_TRUE(parse("=" + std::string(199, '(') + "1" + std::string(199, ')'), error)) << error;
    EXPECT_TRUE(parse("=SUM(" + std::string(198, '-') + "1)", error)) << error;
    EXPECT_FALSE(parse("=" + std::string(200, '(') + "1" + std::string(200, ')'), error));
    EXPECT_EQ(error, "the formula is nested too deeply");
    EXPECT_FALSE(parse("=SUM(" + std::string(199, '-') + "1)", error));
    EXPECT_EQ(error, "the formula is nested too deeply");
    std::string calls = "=1";
    for (int i = 0; i < 200; ++i) calls = "=SUM(" + calls.substr(1) + ")";
    EXPECT_FALSE(parse(calls, error));
    EXPECT_EQ(error, "the formula is nested too deeply");
    EXPECT_FALSE(parse("=" + std::string(8193, '1'), error));
    EXPECT_EQ(error, "the formula is longer than 8192 characters");

    // Chains of operators as long as a formula can hold are no nesting: 4000
    // additions, 8000 percent signs, every operator level at every one of
    // 199 levels of parentheses, all computed.
    host::newWorkbook();
    std::string chain = "=1";
    for (int i = 0; i < 4000; ++i) chain += "+1";
    enter("A1", chain);
    EXPECT_EQ(cellValue("A1"), num(4001));
    enter("A2", "=1E+16" + std::string(8, '%'));
    EXPECT_EQ(cellValue("A2"), num(1));
    // Each level: 1 = "1" & (1 + 1 * 1 ^ (inner)%), that is 1 = "12": FALSE.
    std::string levels = "1";
    for (int i = 0; i < 199; ++i) levels = "(1=1&1+1*1^" + levels + "%)";
    enter("A3", "=" + levels);
    EXPECT_EQ(cellValue("A3"), boolean(false));
    host::CellInfo info;
    ASSERT_TRUE(host::readCell("A3", info, error)) << error;
    EXPECT_EQ(info.formulaA1, "=" + levels);

    // Typed into a cell, a formula nested too deeply is refused with the
    // message; in a workbook file it is kept as its text.
    EXPECT_FALSE(host::enterCell("A4", "=" + std::string(200, '-') + "1", error));
    EXPECT_NE(error.find("the formula is nested too deeply"), std::string::npos) << error;
    const std::string deep = std::string(300, '(') + "1" + std::string(300, ')');
    ASSERT_TRUE(writePackage("deep.xlsx", package({{"Data", "<row r=\"1\"><c r=\"A1\"><f>" + deep +
                                                                "</f></c></row>"}})));
    ASSERT_TRUE(host::openWorkbook("deep.xlsx", error)) << error;
    ASSERT_TRUE(host::readCell("Data!A1", info, error)) << error;
    EXPECT_EQ(info.formulaA1, "=" + deep);
    EXPECT_EQ(info.value, Value::error(xlerrNA));  // the host cannot compute it
}

// 65536 cells, each the next one plus 1: computing the first walks the whole
// chain with a stack of its own, not the call stack. A cycle is left for the
// spreadsheet program (not available here, #N/A).
TEST_F(WorkbookLimits, ChainsOfReferencesAreComputedWithoutRecursion) {
    std::string text;
    for (int row = 1; row < 65536; ++row) text += "=A" + std::to_string(row + 1) + "+1\n";
    text += "1\n";
    writeFile("chain.txt", text);
    std::string error;
    ASSERT_TRUE(host::openWorkbook("chain.txt", error)) << error;
    EXPECT_EQ(cellValue("A1"), num(65536));
    enter("A65536", "=A1");
    EXPECT_EQ(cellValue("A1"), Value::error(xlerrNA));
}

}  // namespace
