// What a run writes, under the faults a user meets: an output that is an
// input by another name, two outputs that are one file, a folder in the way,
// a full disk (a file-size limit on the child process), a folder the user may
// not write, and two runs in one folder. Every case ends with the earlier
// files as they were, no partial file left, and a summary that lists only
// files that exist.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "host/host.h"
#include "tests/support/child_process.h"

namespace {

namespace fs = std::filesystem;
using clirun::slurp;

const std::string kExample = std::string(QUORANT_SOURCE_DIR) + "/examples/employment.xlsx";
const std::string kList = std::string(QUORANT_SOURCE_DIR) + "/examples/sector-list.xlsx";

// Every file of a folder (hidden ones included) with its bytes.
std::map<std::string, std::string> snapshot(const std::string& dir) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        files[e.path().filename().string()] = e.is_regular_file() ? slurp(e.path()) : "<folder>";
    return files;
}

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class Outputs : public ::testing::Test {
  protected:
    void SetUp() override { fs::copy_file(kExample, "e.xlsx"); }
    static child::Ended run(const std::vector<std::string>& args, const child::Options& o = {}) {
        return child::run(args, o);
    }
};

TEST_F(Outputs, AnOutputThatIsAnInputByAnotherNameIsRefusedBeforeAnythingIsWritten) {
    fs::create_directories("data");
    fs::copy_file(kExample, "data/book-rounded.xlsx");
    const auto before = snapshot("data");
    // A link in front of the file this run would write as STEM-rounded.xlsx.
    fs::create_symlink("data/book-rounded.xlsx", "book.xlsx");
    child::Ended r = run({"round", "book.xlsx", "--out", "data"});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(has(r.err,
                    "data/book-rounded.xlsx is the input file, which is only read (as "
                    "book.xlsx)"))
        << r.err;
    EXPECT_EQ(snapshot("data"), before);
    // A second name of the same file (a hard link) is the same file.
    fs::create_hard_link("e.xlsx", "data/e-intervals.xlsx");
    r = run({"round", "e.xlsx", "--out", "data"});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(slurp("e.xlsx"), slurp(kExample));
    // import --round names its outputs as round does.
    fs::copy_file(kList, "list.xlsx");
    fs::create_symlink("list.xlsx", "list-intervals.xlsx");
    r = run({"import", "list.xlsx", "--select", "Data!A1:C13", "--round", "--out", "."});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_FALSE(fs::exists("list-table.xlsx"));
    EXPECT_EQ(slurp("list.xlsx"), slurp(kList));
}

TEST_F(Outputs, TwoOutputsOfOneRunThatAreOneFileAreRefused) {
    fs::copy_file(kList, "list.xlsx");
    // The table named like the rounding's own output: one would replace the other.
    child::Ended r = run({"import", "list.xlsx", "--select", "Data!A1:C13", "-o",
                          "list-rounded.xlsx", "--round", "--out", "."});
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_TRUE(has(r.err, "would hold both the cross-classified table and the rounded values"))
        << r.err;
    EXPECT_FALSE(fs::exists("list-rounded.xlsx"));
    EXPECT_FALSE(has(r.out + r.err, "wrote"));
}

TEST_F(Outputs, ASaveThatFailsFailsTheRunAndKeepsTheEarlierFiles) {
    ASSERT_EQ(run({"round", "e.xlsx", "--out", "out"}).status, 0);
    const auto earlier = snapshot("out");
    ASSERT_EQ(earlier.size(), 2u);

    // A full disk: every file may grow to 4 KiB, a workbook needs 7.
    child::Options full;
    full.fileSizeLimit = 4096;
    child::Ended r = run({"round", "e.xlsx", "--out", "out", "--base", "5", "--json"}, full);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(has(r.err, "cannot save out/e-intervals.xlsx")) << r.err;
    EXPECT_TRUE(has(r.err, "File too large")) << r.err;
    EXPECT_TRUE(has(r.out, "\"status\": \"failed\"")) << r.out;
    EXPECT_TRUE(has(r.out, "\"files\": []")) << r.out;
    EXPECT_EQ(snapshot("out"), earlier);  // no partial file either

    // The same for a file the add-in writes: the instance over an earlier one.
    std::ofstream("keep.qtb") << "the earlier instance\n";
    r = run({"save-instance", "e.xlsx", "-o", "keep.qtb"}, [] {
        child::Options o;
        o.fileSizeLimit = 1024;
        return o;
    }());
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(has(r.err, "/keep.qtb: File too large!")) << r.err;
    EXPECT_TRUE(has(r.err, "Cannot write file ")) << r.err;
    EXPECT_EQ(slurp("keep.qtb"), "the earlier instance\n");
    for (const auto& [name, bytes] : snapshot("."))
        EXPECT_EQ(name.find(".saving-"), std::string::npos) << name;

    // A folder where a workbook should go: refused before the run.
    fs::create_directories("other/e-rounded.xlsx");
    r = run({"round", "e.xlsx", "--out", "other", "--json"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(
        has(r.err, "cannot write other/e-rounded.xlsx: a folder of that name is in the way"))
        << r.err;
    EXPECT_EQ(snapshot("other").size(), 1u);
}

TEST_F(Outputs, AFolderTheUserMayNotWriteIsRefusedBeforeTheRun) {
    ASSERT_EQ(run({"save-instance", "e.xlsx", "-o", "base.wq"}).status, 0);
    fs::create_directories("ro");
    fs::permissions("ro", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec | fs::perms::others_read |
                              fs::perms::others_exec);
    // Root may write anywhere: the run is then made as another user, who may
    // append to the engine log here but not write into ro/.
    fs::permissions(".", fs::perms::all);
    child::Options other;
    other.asNobody = true;
    child::Ended r = run({"load", "base.wq", "--round", "--solution", "ro/x.qts", "--json"}, other);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(has(r.err, "cannot write into the folder ro: Permission denied")) << r.err;
    EXPECT_FALSE(has(r.out, "x.qts"));
    r = run({"round", "e.xlsx", "--out", "ro"}, other);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(snapshot("ro").empty());
}

TEST_F(Outputs, TheSummaryNamesWhatItReplacedAndWarnsOfOlderOutputs) {
    child::Ended r = run({"round", "e.xlsx", "--out", "out", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out,
                    "{\"path\": \"out/e-rounded.xlsx\", \"holds\": \"rounded values\", "
                    "\"replaced\": false}"))
        << r.out;
    EXPECT_TRUE(has(r.out, "\"olderOutputs\": []")) << r.out;
    // Without auditing the interval workbook of the first run stays: it
    // belongs to another rounding, and the summary says so.
    r = run({"round", "e.xlsx", "--out", "out", "--base", "5", "--no-audit", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(has(r.out,
                    "{\"path\": \"out/e-rounded.xlsx\", \"holds\": \"rounded values\", "
                    "\"replaced\": true}"))
        << r.out;
    EXPECT_TRUE(has(r.out, "\"olderOutputs\": [\"out/e-intervals.xlsx\"]")) << r.out;
    EXPECT_TRUE(has(r.err, "warning: out/e-intervals.xlsx is from an earlier run")) << r.err;
    EXPECT_TRUE(has(r.err,
                    "wrote out/e-rounded.xlsx (rounded values), replacing the file of "
                    "that name"))
        << r.err;
}

TEST_F(Outputs, ARunThatFailsLeavesTheEarlierSetUntouched) {
    ASSERT_EQ(run({"round", "e.xlsx", "--out", "out"}).status, 0);
    const auto earlier = snapshot("out");
    // Protection levels no rounding can keep: no rounding exists (exit 3).
    child::Ended r = run({"round", "e.xlsx", "--out", "out", "--lpl", "1000", "--upl", "1000"});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(snapshot("out"), earlier);
    // generate --round that fails keeps no table of its own either.
    r = run({"generate", "3,3", "--seed", "1", "--round", "--lpl", "1000", "--upl", "1000", "--out",
             "gen"});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_TRUE(snapshot("gen").empty());
}

// The cell texts of every sheet of a workbook file, read by the host.
std::string contents(const std::string& path) {
    host::reset();
    std::string error, all;
    if (!host::openWorkbook(path, error)) return "cannot open " + path + ": " + error;
    const std::string book = host::activeWorkbook();
    for (const std::string& sheet : host::sheetNames(book)) {
        std::string text;
        host::showSheet("'[" + book + "]" + sheet + "'", false, text, error);
        all += sheet + "\n" + text;
    }
    host::reset();
    return all;
}

TEST_F(Outputs, TwoRunsInOneFolderTakeTurns) {
    fs::create_directories("out");
    // Another run holds the folder: this one says so and waits.
    const int held = open("out", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const pid_t waiting = child::start({"round", "e.xlsx", "--out", "out"});
    EXPECT_TRUE(child::waitFor([] { return has(slurp("child.err"), "waiting until it is done"); },
                               waiting));
    EXPECT_TRUE(snapshot("out").empty());
    close(held);
    child::Ended r = child::wait(waiting);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(snapshot("out").size(), 2u);

    // Two runs at once with different bases: the folder ends with the two
    // workbooks of one of them, never one of each.
    ASSERT_EQ(run({"round", "e.xlsx", "--out", "ten"}).status, 0);
    ASSERT_EQ(run({"round", "e.xlsx", "--out", "five", "--base", "5"}).status, 0);
    child::Options a, b;
    a.out = "a.out", a.err = "a.err";
    b.out = "b.out", b.err = "b.err";
    const pid_t first = child::start({"round", "e.xlsx", "--out", "both"}, a);
    const pid_t second = child::start({"round", "e.xlsx", "--out", "both", "--base", "5"}, b);
    EXPECT_EQ(child::wait(first, a).status, 0);
    EXPECT_EQ(child::wait(second, b).status, 0);
    const std::string rounded = contents("both/e-rounded.xlsx");
    const std::string intervals = contents("both/e-intervals.xlsx");
    const bool tens = rounded == contents("ten/e-rounded.xlsx");
    EXPECT_TRUE(tens || rounded == contents("five/e-rounded.xlsx"));
    EXPECT_EQ(intervals, contents(tens ? "ten/e-intervals.xlsx" : "five/e-intervals.xlsx"));
    EXPECT_EQ(snapshot("both").size(), 2u);
}

}  // namespace
