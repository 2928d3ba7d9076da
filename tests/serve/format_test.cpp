// Values shown through their number formats, as the page's grids show them,
// compared with what LibreOffice shows for the same workbook.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/serve_format.h"
#include "host/host.h"

namespace {

const std::string kFixtures = std::string(QUORANT_SOURCE_DIR) + "/tests/serve/fixtures/";

// The first field of each line of a comma separated file ("" quotes).
std::vector<std::string> firstFields(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) {
        std::string field;
        if (!line.empty() && line[0] == '"') {
            for (std::size_t i = 1; i < line.size(); ++i) {
                if (line[i] == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else if (line[i] == '"') {
                    break;
                } else {
                    field += line[i];
                }
            }
        } else {
            field = line.substr(0, line.find(','));
        }
        out.push_back(field);
    }
    return out;
}

std::string shown(double v, const std::string& format) {
    return app::formatValue(host::Value::number(v), format).text;
}

TEST(NumberFormats, ShowEveryValueOfTheFixtureAsLibreOfficeDoes) {
    std::string error;
    ASSERT_TRUE(host::openWorkbook(kFixtures + "formats.xlsx", error)) << error;
    std::vector<host::SheetCellInfo> cells;
    ASSERT_TRUE(host::readSheet("", cells, error)) << error;
    const std::vector<std::string> expected = firstFields(kFixtures + "formats-shown.csv");
    int compared = 0;
    for (const host::SheetCellInfo& c : cells) {
        if (c.col != 0 || c.row == 0) continue;
        ASSERT_LT(static_cast<std::size_t>(c.row), expected.size());
        EXPECT_EQ(app::formatValue(c.info.value, c.info.format).text, expected[c.row])
            << "row " << c.row + 1 << ", format " << c.info.format;
        ++compared;
    }
    EXPECT_EQ(compared, 38) << "the fixture's values were not all read";
    host::reset();
}

TEST(NumberFormats, GeneralFitsAStandardColumn) {
    EXPECT_EQ(shown(1283, "General"), "1283");
    EXPECT_EQ(shown(0.5, "General"), "0.5");
    EXPECT_EQ(shown(1.0 / 3, "General"), "0.333333333");
    EXPECT_EQ(shown(-1.0 / 3, "General"), "-0.33333333");
    EXPECT_EQ(shown(12345.678, "General"), "12345.678");
    EXPECT_EQ(shown(123456789012.0, "General"), "1.23457E+11");
    EXPECT_EQ(shown(1e-12, "General"), "1E-12");
    EXPECT_EQ(shown(0, "General"), "0");
    EXPECT_EQ(shown(-5, ""), "-5") << "an empty format is General";
}

TEST(NumberFormats, ColoursTextsAndOddValues) {
    const app::ShownValue red = app::formatValue(host::Value::number(-3), "0;[Red]-0");
    EXPECT_EQ(red.text, "-3");
    EXPECT_EQ(red.color, "red");
    EXPECT_EQ(app::formatValue(host::Value::text("x"), "0.00").text, "x")
        << "a text is shown as it is by a number format";
    EXPECT_EQ(app::formatValue(host::Value::text("x"), "0;-0;0;[Blue]\"t:\"@").text, "t:x");
    EXPECT_EQ(app::formatValue(host::Value::boolean_(true), "0.00").text, "TRUE");
    EXPECT_EQ(app::formatValue(host::Value::error(7), "0").text, "#DIV/0!");
    EXPECT_EQ(app::formatValue(host::Value::nil(), "0").text, "");
    EXPECT_EQ(shown(-1, "yyyy-mm-dd"), "###########") << "dates before 1900 cannot be shown";
    EXPECT_EQ(shown(60, "yyyy-mm-dd"), "1900-02-29") << "the 1900 leap day of the file format";
    EXPECT_EQ(shown(61, "yyyy-mm-dd"), "1900-03-01");
    EXPECT_EQ(shown(1.0 / 3, "h:mm:ss"), "8:00:00") << "a third of a day lost a second";
    EXPECT_EQ(shown(9.99, "0"), "10");
    EXPECT_EQ(shown(9.96, "0.0E+00"), "1.0E+01") << "rounding carried into the exponent";
    EXPECT_EQ(shown(1e305, "0%%%%"), "###########") << "a percentage beyond the largest number";
}

// Formats come from the user's files: none may crash or hang the server.
TEST(NumberFormats, MalformedFormatsStillGiveAText) {
    for (const std::string& f : std::vector<std::string>{"\"unclosed", "[Red", "0.00E", "0,,,,,,,,,,,,,,,,,,,,,,,,", ";;;;;",
                                "\\", "_", "*", "[$", "0000000000000000000000000000000000000000.0",
                                "0." + std::string(500, '0'), "E+00", "@@@", "[h"}) {
        for (double v : {0.0, -1.5, 1e300, -1e-300, 123456.789}) {
            (void)app::formatValue(host::Value::number(v), f);
        }
    }
    EXPECT_EQ(shown(1e300, "0").size(), 301u);
    EXPECT_EQ(shown(2, "0." + std::string(500, '0')), "2." + std::string(30, '0'))
        << "decimals are limited to 30, as spreadsheets limit them";
}

}  // namespace
