// The command line's option flags fill the options sheet through the answer
// driver exactly as a person typing the same values would: a multi-sheet
// workbook with sums across sheets is captured once each way and the two
// instances must agree cell by cell and sum by sum.
#include <sstream>

#include "app/drivers/answer_driver.h"
#include "app/drivers/script_driver.h"
#include "app/options_flags.h"
#include "app/script.h"
#include "tests/capture/capture_fixture.h"

namespace capture_test {
namespace {

class CommandLineTest : public CaptureTest {
  protected:
    // Sheet "North": a 2 x 2 table with its totals (C3 the grand total).
    // Sheet "South side": a column with its total. Sheet "Both": North's grand
    // total plus South's total.
    void makeWorkbook() {
        renameSheet("Sheet1", "North");
        renameSheet("Sheet2", "South side");
        renameSheet("Sheet3", "Both");
        put("North!A1", "12");
        put("North!B1", "3");
        put("North!A2", "7");
        put("North!B2", "41");
        put("North!A3", "=SUM(A1:A2)");
        put("North!B3", "=SUM(B1:B2)");
        put("North!C1", "=SUM(A1:B1)");
        put("North!C2", "=SUM(A2:B2)");
        put("North!C3", "=SUM(C1:C2)");
        put("'South side'!A1", "5");
        put("'South side'!A2", "9");
        put("'South side'!A3", "=SUM(A1:A2)");
        put("Both!A1", "=SUM(North!C3,'South side'!A3)");
        std::string error;
        ASSERT_TRUE(host::selectSheet("North", error)) << error;
    }

    // Captures the workbook with whatever driver is installed; the instance
    // printed, then released.
    std::string captureAndPrint() {
        if (fLookup() != 0) return "scan failed";
        if (fAddsums() != 0) return "sum detection failed";
        std::string out = dumpInstance();
        unloadInstance();
        return out;
    }
};

const char* const kFlags[] = {
    "--base", "5", "--max-jump", "1", "--lower-floor",   "-inf", "--upper-cap",  "500",
    "--lpl",  "2", "--upl",      "3", "--protect-below", "40",   "--accept-best"};

const char* const kScript = R"(dialog " Quorant" {
  page "General Options"
  set 12003 5
  leave 12003
  set 12015 1
  leave 12015
  check 12021 on
  page "Bounds"
  set 12003 "-inf"
  leave 12003
  leave 12005
  set 12004 500
  leave 12004
  leave 12006
  page "Protection Levels"
  check 12050 on
  set 12003 2
  leave 12003
  set 12005 3
  leave 12005
  set 12015 40
  leave 12015
  ok
}
)";

TEST_F(CommandLineTest, FlagsGiveTheInstanceTheScriptTypes) {
    makeWorkbook();

    // Once with the answer driver, fed by the flags.
    std::vector<std::string> args(std::begin(kFlags), std::end(kFlags));
    args.push_back("book.xlsx");
    app::OptionFlags flags;
    std::string error;
    ASSERT_TRUE(app::takeOptionFlags(args, flags, error)) << error;
    EXPECT_EQ(args, (std::vector<std::string>{"book.xlsx"}));
    std::ostringstream notices;
    app::drivers::AnswerDriver answers(notices);
    app::applyOptionFlags(flags, answers);
    std::string byFlags;
    {
        gui::ScopedDriver driver(&answers);
        host::setFrontEnd(&answers);
        byFlags = captureAndPrint();
        host::setFrontEnd(&user);
    }
    EXPECT_FALSE(answers.failed()) << answers.failures().front();
    const RoundingOptions flagged = gOptions;

    // Once with the script driver playing a script that types the same values.
    gOptions = RoundingOptions{};
    std::istringstream in(kScript);
    std::vector<app::ScriptLine> lines;
    ASSERT_TRUE(app::parseScript(in, lines, error)) << error;
    app::drivers::ScriptDriver& script = app::drivers::scriptDriver();
    script.clear();
    std::string byScript;
    {
        gui::ScopedDriver driver(&script);
        host::setFrontEnd(&script);
        std::ostringstream out;
        app::ScriptContext ctx;
        ctx.out = &out;
        ASSERT_EQ(app::runScriptLines(ctx, lines, "options.qs"), 0) << out.str();
        byScript = captureAndPrint();
        host::setFrontEnd(&user);
        EXPECT_TRUE(app::drivers::checkScriptDriver(error)) << error;
        EXPECT_EQ(script.pending(), 0u);
    }

    EXPECT_EQ(byFlags, byScript);
    EXPECT_EQ(flagged.basenumber, 5);
    EXPECT_EQ(flagged.maxJump, 1);
    EXPECT_EQ(flagged.acceptBest, 1);
    EXPECT_EQ(gOptions.acceptBest, 1);
    EXPECT_EQ(flagged.lbFloorInf, 1);
    EXPECT_EQ(flagged.lbDist, 10) << "Y is twice the base typed, as the page shows";
    EXPECT_EQ(flagged.ubCap, 500);
    EXPECT_EQ(flagged.ubDist, 10);
    EXPECT_EQ(flagged.lplValue, 2);
    EXPECT_EQ(flagged.uplValue, 3);
    EXPECT_EQ(flagged.lplThreshold, 40);
    EXPECT_EQ(flagged.uplAll, 0);
    EXPECT_EQ(gOptions.basenumber, flagged.basenumber);
    EXPECT_EQ(gOptions.lbDist, flagged.lbDist);

    // By hand: lbd = v - 10, ubd = min{500, v + 10}; below 40 lpl 2 and upl 3.
    // List order runs from the last scanned cell (Both!A1) back to North!A1;
    // the scan goes row by row, so North's cells come A1 B1 C1 A2 B2 C2 A3 B3 C3.
    const std::string expected =
        "cell cell2_0_0 #0 s2 r0 c0 v=77 lbd=67 ubd=87 lpl=0 upl=0 spl=0 s use=1\n"
        "cell cell1_2_0 #1 s1 r2 c0 v=14 lbd=4 ubd=24 lpl=2 upl=3 spl=0 u use=2\n"
        "cell cell1_1_0 #2 s1 r1 c0 v=9 lbd=-1 ubd=19 lpl=2 upl=3 spl=0 u use=1\n"
        "cell cell1_0_0 #3 s1 r0 c0 v=5 lbd=-5 ubd=15 lpl=2 upl=3 spl=0 u use=1\n"
        "cell cell0_2_2 #4 s0 r2 c2 v=63 lbd=53 ubd=73 lpl=0 upl=0 spl=0 s use=2\n"
        "cell cell0_2_1 #5 s0 r2 c1 v=44 lbd=34 ubd=54 lpl=0 upl=0 spl=0 s use=1\n"
        "cell cell0_2_0 #6 s0 r2 c0 v=19 lbd=9 ubd=29 lpl=2 upl=3 spl=0 u use=1\n"
        "cell cell0_1_2 #7 s0 r1 c2 v=48 lbd=38 ubd=58 lpl=0 upl=0 spl=0 s use=2\n"
        "cell cell0_1_1 #8 s0 r1 c1 v=41 lbd=31 ubd=51 lpl=0 upl=0 spl=0 s use=2\n"
        "cell cell0_1_0 #9 s0 r1 c0 v=7 lbd=-3 ubd=17 lpl=2 upl=3 spl=0 u use=2\n"
        "cell cell0_0_2 #10 s0 r0 c2 v=15 lbd=5 ubd=25 lpl=2 upl=3 spl=0 u use=2\n"
        "cell cell0_0_1 #11 s0 r0 c1 v=3 lbd=-7 ubd=13 lpl=2 upl=3 spl=0 u use=2\n"
        "cell cell0_0_0 #12 s0 r0 c0 v=12 lbd=2 ubd=22 lpl=2 upl=3 spl=0 u use=2\n";
    EXPECT_EQ(byFlags.substr(0, byFlags.find("sum ")), expected);
    EXPECT_NE(byFlags.find("sum 3 formula cell2_0_0:-1 cell1_2_0:1 cell0_2_2:1\n"),
              std::string::npos)
        << "the sum across sheets: last argument first";
    EXPECT_NE(byFlags.find("sum 3 formula cell0_2_2:-1 cell0_1_2:1 cell0_0_2:1\n"),
              std::string::npos);
    EXPECT_NE(byFlags.find("sum 3 formula cell1_2_0:-1 cell1_1_0:1 cell1_0_0:1\n"),
              std::string::npos);
    size_t sums = 0;
    for (size_t at = byFlags.find("sum "); at != std::string::npos;
         at = byFlags.find("sum ", at + 1))
        ++sums;
    EXPECT_EQ(sums, 7u);
}

// Values the sheet's boxes would not take as typed are refused on the command
// line, instead of a base silently put back to the previous one, a time limit
// read from its digits only, or a bound box that keeps the focus.
TEST(OptionFlags, ValuesTheSheetWouldNotTakeAreRefused) {
    for (std::vector<std::string> args :
         std::vector<std::vector<std::string>>{{"--base", "1e3"},
                                               {"--base", "0"},
                                               {"--base", "-5"},
                                               {"--time-limit", "1e3"},
                                               {"--time-limit", "2.5"},
                                               {"--max-jump", "-1"},
                                               {"--lower-floor", "-5"},
                                               {"--lower-floor", "inf"},
                                               {"--upper-cap", "1e5"},
                                               {"--lower-dist", "-inf"},
                                               {"--lpl", "-1"},
                                               {"--base"}}) {
        app::OptionFlags flags;
        std::string error;
        EXPECT_FALSE(app::takeOptionFlags(args, flags, error)) << args[0];
        EXPECT_NE(error.find(args[0]), std::string::npos) << error;
    }
    std::vector<std::string> ok = {"--base",        "2.5",  "--time-limit", "3",
                                   "--lower-floor", "-inf", "--upper-dist", "inf",
                                   "--lpl",         "1e1",  "--no-audit"};
    app::OptionFlags flags;
    std::string error;
    ASSERT_TRUE(app::takeOptionFlags(ok, flags, error)) << error;
    EXPECT_TRUE(ok.empty());
    // Page by page in the sheet's order; the protection boxes after their radio.
    std::vector<std::string> seen;
    // A bound not given is passed through, so that it gives what the page shows.
    for (const auto& v : flags.values)
        seen.push_back(v.page + "/" + v.control + (v.passThrough ? " left" : "=" + v.value));
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "General Options/12003=2.5", "General Options/12005=3",
                        "General Options/12019=off", "Bounds/12003=-inf", "Bounds/12005 left",
                        "Bounds/12004 left", "Bounds/12006=inf", "Protection Levels/12050=on",
                        "Protection Levels/12003=1e1"}));
}

}  // namespace
}  // namespace capture_test
