// The user's files through the program: every command leaves its input files
// byte for byte as they were (a test log only grows at its end), refuses an
// output that would write over its input, and a run with a time limit of
// 0 minutes on a hard table returns with the time-limit outcome.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tests/support/cli_run.h"

namespace {

using clirun::Outcome;
using clirun::quorant;
using clirun::slurp;

namespace fs = std::filesystem;

const std::string kExamples = std::string(QUORANT_SOURCE_DIR) + "/examples/";

// Every file of a folder with its bytes.
std::map<std::string, std::string> snapshot(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) files[fs::relative(e.path(), dir).string()] = slurp(e.path());
    return files;
}

class UserFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories("in");
        fs::create_directories("out");
        for (const char* f : {"employment.xlsx", "sector-list.xlsx"})
            fs::copy_file(kExamples + f, std::string("in/") + f);
        std::ofstream("in/small.qtt") << "3,4 1 1 100 0 10 1 1 2 1 2\n";
        std::ofstream("in/small.qtv") << "3,3 0 1 100 5 1 2\n";
    }
    // Runs a command and checks that the files in in/ are unchanged, apart
    // from logs that may only have grown at their end.
    Outcome runKeepingInputs(const std::string& args, int expectedStatus) {
        const auto before = snapshot("in");
        Outcome r = quorant(args);
        EXPECT_EQ(r.status, expectedStatus) << args << "\n" << r.err;
        const auto after = snapshot("in");
        for (const auto& [name, bytes] : before) {
            auto it = after.find(name);
            if (it == after.end()) {
                ADD_FAILURE() << args << ": removed " << name;
                continue;
            }
            const bool log = name.size() > 4 && name.compare(name.size() - 4, 4, ".log") == 0;
            if (log)
                EXPECT_EQ(it->second.substr(0, bytes.size()), bytes) << args << ": " << name;
            else
                EXPECT_EQ(it->second, bytes) << args << ": changed " << name;
        }
        for (const auto& [name, bytes] : after)
            if (!before.count(name) && name.find("_comp.log") == std::string::npos &&
                name.find("_bias.log") == std::string::npos)
                ADD_FAILURE() << args << ": wrote " << name << " among the inputs";
        return r;
    }
};

TEST_F(UserFiles, EveryCommandOnlyReadsItsInputs) {
    runKeepingInputs("round in/employment.xlsx --out out", 0);
    runKeepingInputs("save-instance in/employment.xlsx -o out/employment.qtb", 0);
    runKeepingInputs("save-instance in/employment.xlsx -o out/employment.wq", 0);
    fs::copy_file("out/employment.qtb", "in/employment.qtb");
    fs::copy_file("out/employment.wq", "in/employment.wq");
    runKeepingInputs("load in/employment.qtb --out out", 0);
    runKeepingInputs("load in/employment.qtb --round --out out", 0);
    runKeepingInputs("load in/employment.wq --round --solution out/employment.qts", 0);
    runKeepingInputs("import in/sector-list.xlsx --select 'Data!A1:C13' --round --out out", 0);
    runKeepingInputs("generate 3,4 --seed 1 -o out/random.xlsx --round --out out", 0);
    // The batches append to their logs beside the specification, twice.
    runKeepingInputs("tests in/small.qtt", 0);
    runKeepingInputs("tests in/small.qtt", 0);
    runKeepingInputs("bias-tests in/small.qtv", 0);
    runKeepingInputs("analyze in/small_comp.log -o out/comp.xlsx", 0);
    runKeepingInputs("analyze-bias in/small_bias.log -o out/bias.xlsx", 0);
    EXPECT_TRUE(fs::exists("out/comp.xlsx"));
    EXPECT_TRUE(fs::exists("out/bias.xlsx"));
}

TEST_F(UserFiles, AnOutputThatIsTheInputIsRefused) {
    runKeepingInputs("round in/employment.xlsx --out out", 0);
    ASSERT_EQ(quorant("save-instance in/employment.xlsx -o out/e.wq").status, 0);
    fs::copy_file("out/e.wq", "in/e.wq");
    std::ofstream("in/comp.log") << "TestNumber;ObjectiveFuncValue\n1;2,5\n";
    for (const std::string args :
         {"save-instance in/employment.xlsx -o in/employment.xlsx",
          "save-instance in/employment.xlsx -o in/../in/employment.xlsx",
          "import in/sector-list.xlsx --select 'Data!A1:C13' -o in/sector-list.xlsx",
          "load in/e.wq --round --solution in/e.wq", "analyze in/comp.log -o in/comp.log",
          "analyze-bias in/comp.log -o in/comp.log"}) {
        Outcome r = runKeepingInputs(args, 2);
        EXPECT_NE(r.err.find("is the input file, which is only read"), std::string::npos)
            << args << "\n"
            << r.err;
    }
}

// A workbook is named after its file, and references name it in brackets
// ("[Book]Sheet"): brackets in the file name must not end that part early,
// or the sums across sheets could not be read.
TEST_F(UserFiles, AWorkbookWhoseFileNameHoldsBracketsIsRounded) {
    fs::copy_file(kExamples + "employment.xlsx", "in/table [2024].xlsx");
    Outcome r = runKeepingInputs("round 'in/table [2024].xlsx' --out out --json", 0);
    EXPECT_NE(r.out.find("\"status\": \"optimal\""), std::string::npos) << r.out << r.err;
    EXPECT_EQ(r.err.find("No SheetID"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists("out/table [2024]-rounded.xlsx"));
}

// A 3-D table of 12 x 12 x 12 categories with all its totals: no optimal
// rounding is proven within a budget of 0 minutes. The run ends with the
// time-limit status and publishes nothing.
TEST_F(UserFiles, AZeroMinuteTimeLimitEndsTheRunOnAHardTable) {
    Outcome r = runKeepingInputs(
        "generate 12,12,12 --seed 7 -o out/hard.xlsx --round --time-limit 0 "
        "--out out --json",
        4);
    EXPECT_NE(r.out.find("\"status\": \"time-limit\""), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists("out/hard-rounded.xlsx"));
}

// A 5-D table of 3 categories a dimension: with 0 minutes the zero-restricted
// search ends with nothing, and the extended model never ran. The message
// says what would give a rounding.
TEST_F(UserFiles, AFiveDimensionalTableWithoutARoundingNamesTheExtendedModel) {
    Outcome r = runKeepingInputs(
        "generate 3,3,3,3,3 --seed 5 -o out/five.xlsx --round --time-limit 0 --no-audit --out out",
        4);
    EXPECT_NE(r.err.find("the time limit was reached before any rounding was found"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("hint: no zero-restricted rounding was found within the time limit, nor "
                         "proven impossible"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("with --accept-best and --max-jump 1 or more"), std::string::npos);
    EXPECT_EQ(r.err.find("\nfailed\n"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists("out/five-rounded.xlsx"));
}

}  // namespace
