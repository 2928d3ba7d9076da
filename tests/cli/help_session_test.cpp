// What a new user meets first: every command's own --help, a table size
// written the wrong way, and the interactive session (menu items and labels
// as a person types them, the workbooks it made, quitting with unsaved
// workbooks, --quiet).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/cli_run.h"

namespace {

using clirun::Outcome;
using clirun::quorant;

const std::string kExample = std::string(QUORANT_SOURCE_DIR) + "/examples/employment.xlsx";

size_t count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// Each command explains itself instead of refusing --help as an unknown
// option, and does nothing else (no workbook opened, nothing written).
TEST(CommandHelp, EveryCommandHasItsOwnHelp) {
    const Outcome all = quorant("--help");
    ASSERT_EQ(all.status, 0);
    for (const char* command :
         {"round", "load", "save-instance", "generate", "import", "tests", "bias-tests", "analyze",
          "analyze-bias", "shell", "menu", "script"}) {
        const Outcome r = quorant(std::string(command) + " --help");
        EXPECT_EQ(r.status, 0) << command << ": " << r.err;
        EXPECT_NE(r.out.find(std::string("usage: quorant ")), std::string::npos) << command;
        EXPECT_NE(r.out.find(command), std::string::npos) << command;
        EXPECT_EQ(r.err, "") << command;
    }
    // The rounding options are listed where they apply, and only there.
    EXPECT_NE(quorant("round x.xlsx --help").out.find("--lower-floor X|-inf"), std::string::npos);
    EXPECT_NE(quorant("generate --help").out.find("--upper-cap"), std::string::npos);
    EXPECT_EQ(quorant("tests --help").out.find("--upper-cap"), std::string::npos);
    EXPECT_NE(quorant("analyze --help").out.find("nothing is\nwritten"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists("x-rounded.xlsx"));
    EXPECT_EQ(quorant("menu extra").status, 2);
}

// "3x4" would be read by the dialog as a table of 3 cells in one dimension:
// it is refused with the form that was meant, and no table is made.
TEST(CommandHelp, TableSizeWrittenWithAnXIsRefusedShowingTheCommaForm) {
    Outcome r = quorant("generate 3x4 --seed 1");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("\"3x4\" is not a list of categories"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("as in 3,4\n"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists("random-3x4.xlsx"));
    r = quorant("generate 2*3*2 --seed 1");
    EXPECT_NE(r.err.find("as in 2,3,2\n"), std::string::npos) << r.err;
    r = quorant("generate 3,4 --seed 1");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists("random-3x4.xlsx"));
}

// A session as a person types it: the menu item by the start of its text,
// controls by their labels without " =" and in any case, the workbooks the
// rounding made with where they came from, and quitting that asks first.
class SessionTest : public ::testing::Test {
  protected:
    Outcome session(const std::string& lines, bool quiet) {
        std::ofstream("session.in") << lines;
        return quorant("< session.in", quiet);
    }
    const std::string kRound = "open " + kExample +
                               "\n"
                               "pick Round rounder\n"
                               "page Protection Levels\n"
                               "click \"user defined protection levels\"\n"
                               "set LPL 2\n"
                               "leave lpl\n"
                               "set UPL 3\n"
                               "leave upl\n"
                               "ok\n"
                               "ok\n";
};

TEST_F(SessionTest, MenuPrefixesLabelsBooksAndQuitting) {
    const Outcome r = session(kRound +
                                  "pick rounding computational analize\n"
                                  "pick 99999999999999999999999 1\n"
                                  "books\n"
                                  "quit\n"
                                  "no\n"
                                  "save Book2 kept.xlsx\n"
                                  "quit\n"
                                  "yes\n",
                              true);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string& t = r.out;
    EXPECT_NE(t.find("(&Rounding &Rounder... (XPRESS) returned 0)"), std::string::npos) << t;
    EXPECT_EQ(t.find("has no control labelled"), std::string::npos) << "lpl = is lpl";
    EXPECT_NE(t.find("Proven Optimal"), std::string::npos);
    EXPECT_NE(t.find("! \"analize\" could be \"analize tests...\" or \"analize bias tests...\"; "
                     "type more of it"),
              std::string::npos)
        << t;
    EXPECT_NE(t.find("! there is no entry 99999999999999999999999 there"), std::string::npos) << t;
    EXPECT_NE(t.find("  Book2 (active): rounded values, copy of employment; not saved\n"
                     "      sheets: Region x Age, Women, Men\n"),
              std::string::npos)
        << t;
    EXPECT_NE(t.find("  Book1: protection intervals, copy of employment; not saved\n"
                     "      sheets: Region x Age - p.i., Women - p.i., Men - p.i.\n"),
              std::string::npos)
        << t;
    EXPECT_NE(t.find("employment: read from " + kExample), std::string::npos) << t;
    // The first quit lists both and stays; after one was saved, only the other.
    EXPECT_EQ(count(t, "quit and discard them? [yes/no]"), 2u) << t;
    EXPECT_NE(t.find("  Book1 (protection intervals)\n(save one"), std::string::npos) << t;
    EXPECT_TRUE(std::filesystem::exists("kept.xlsx"));
    EXPECT_EQ(t.substr(t.size() - 4), "bye\n");
    EXPECT_EQ(t.find("[status]"), std::string::npos) << "--quiet hides the status texts";
    EXPECT_EQ(r.err.find("not saved"), std::string::npos)
        << "workbooks discarded as agreed are not reported again: " << r.err;
}

// A session whose input ends cannot ask: the workbooks it leaves unsaved are
// named on the way out instead of being lost without a word.
TEST_F(SessionTest, InputEndingWithUnsavedWorkbooksNamesThem) {
    const Outcome r = session("new\n", true);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("not saved: Book1"), std::string::npos) << r.err;
}

TEST_F(SessionTest, StatusTextsShownWithoutQuietAndQuitWithNothingMadeAsksNothing) {
    Outcome r = session(kRound + "quit\nyes\n", false);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("[status]  Calling optimization library..."), std::string::npos) << r.out;

    r = session("new\nclose Book1\nopen " + kExample + "\nquit\n", true);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find("discard"), std::string::npos) << "a workbook only read loses nothing";
    EXPECT_EQ(r.out.substr(r.out.size() - 4), "bye\n");
}

}  // namespace
