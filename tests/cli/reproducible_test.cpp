// The same input and options give the same files, byte for byte: no clock
// time in a workbook (its document date is fixed, or SOURCE_DATE_EPOCH's), and
// random weights drawn from a seed that the run prints and --weights-seed
// gives back.
#include <gtest/gtest.h>
#include <zip.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "tests/support/cli_run.h"

namespace {

namespace fs = std::filesystem;
using clirun::Outcome;
using clirun::quorant;
using clirun::slurp;

const std::string kExample = std::string(QUORANT_SOURCE_DIR) + "/examples/employment.xlsx";

// One part of a zip package; "" when it cannot be read.
std::string zipPart(const std::string& path, const std::string& part) {
    int code = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (!z) return "";
    std::string out;
    if (zip_file_t* f = zip_fopen(z, part.c_str(), 0)) {
        char buffer[4096];
        for (zip_int64_t n; (n = zip_fread(f, buffer, sizeof buffer)) > 0;)
            out.append(buffer, size_t(n));
        zip_fclose(f);
    }
    zip_close(z);
    return out;
}

void expectSameFiles(const std::string& a, const std::string& b,
                     const std::vector<std::string>& names) {
    for (const auto& name : names) {
        const std::string first = slurp(a + "/" + name);
        ASSERT_FALSE(first.empty()) << a << "/" << name;
        EXPECT_TRUE(first == slurp(b + "/" + name))
            << name << " differs between " << a << " and " << b;
    }
}

TEST(Reproducible, TheSameSeedGivesTheSameWorkbooksByteForByte) {
    const std::string args =
        "round " + kExample + " --random-weights --weights-seed 5 --json --out ";
    const Outcome a = quorant(args + "a");
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_NE(a.out.find("\"weights_seed\": 5,"), std::string::npos) << a.out;
    const Outcome b = quorant(args + "b");
    ASSERT_EQ(b.status, 0) << b.err;
    expectSameFiles("a", "b", {"employment-rounded.xlsx", "employment-intervals.xlsx"});
    // A copy of the user's workbook carries its document properties as
    // they were (no clock time of the run).
    EXPECT_EQ(zipPart("a/employment-rounded.xlsx", "docProps/core.xml"),
              zipPart(kExample, "docProps/core.xml"));
}

TEST(Reproducible, ADrawnSeedIsPrintedLoggedAndGivesTheRunBack) {
    const Outcome drawn = quorant("round " + kExample + " --random-weights --json --out c");
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    std::smatch m;
    ASSERT_TRUE(std::regex_search(drawn.out, m, std::regex("\"weights_seed\": ([0-9]+)")))
        << drawn.out;
    const std::string seed = m[1];
    EXPECT_NE(drawn.err.find("Random Weights Seed: " + seed), std::string::npos) << drawn.err;
    EXPECT_NE(slurp("qtb.out").find("Random weights drawn with seed " + seed + " (drawn)"),
              std::string::npos);
    const Outcome again =
        quorant("round " + kExample + " --random-weights --weights-seed " + seed + " --out d");
    ASSERT_EQ(again.status, 0) << again.err;
    expectSameFiles("c", "d", {"employment-rounded.xlsx", "employment-intervals.xlsx"});
}

TEST(Reproducible, GeneratedTablesAndSolutionFilesAndSourceDateEpoch) {
    const std::string args = "generate 6,6 --seed 2 --zeros 10 --zero-seed 3 --round --out ";
    ASSERT_EQ(quorant(args + "g1").status, 0);
    ASSERT_EQ(quorant(args + "g2").status, 0);
    expectSameFiles("g1", "g2",
                    {"random-6x6.xlsx", "random-6x6-rounded.xlsx", "random-6x6-intervals.xlsx"});

    ASSERT_EQ(quorant("save-instance " + kExample + " -o e.wq").status, 0);
    ASSERT_EQ(quorant("load e.wq --round --solution s1.qts").status, 0);
    ASSERT_EQ(quorant("load e.wq --round --solution s2.qts").status, 0);
    EXPECT_FALSE(slurp("s1.qts").empty());
    EXPECT_TRUE(slurp("s1.qts") == slurp("s2.qts"));

    // A build that asks for a date gets it: SOURCE_DATE_EPOCH.
    setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    const Outcome dated = quorant(args + "g3");
    unsetenv("SOURCE_DATE_EPOCH");
    ASSERT_EQ(dated.status, 0) << dated.err;
    EXPECT_NE(zipPart("g3/random-6x6-rounded.xlsx", "docProps/core.xml")
                  .find(">2023-11-14T22:13:20Z</dcterms:created>"),
              std::string::npos);
}

}  // namespace
