// Ctrl-C and kills while a run works: the run stops, writes no file under a
// final name (the earlier files stay as they were, no partial file is left),
// appends a line saying so to the engine log, and exits with 128 + the
// signal. The test waits for the moment it wants (the search has started, a
// file is being written) and then signals; nothing is timed.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "tests/support/child_process.h"

namespace {

namespace fs = std::filesystem;
using clirun::slurp;

std::map<std::string, std::string> snapshot(const std::string& dir) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        files[e.path().filename().string()] = slurp(e.path());
    return files;
}

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string lastLine(const std::string& text) {
    const size_t end = text.find_last_not_of('\n');
    if (end == std::string::npos) return "";
    const size_t start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1,
                       end - (start == std::string::npos ? 0 : start + 1) + 1);
}

// A 3-D table whose search runs for minutes: the signal always finds it at work.
const std::vector<std::string> kHardRun = {"generate", "20,20,20",   "--seed",       "1",
                                           "--round",  "--no-audit", "--time-limit", "5",
                                           "--out",    "out"};

void expectInterruptedSearch(int sig, const std::string& name) {
    fs::create_directories("out");
    std::ofstream("out/random-20x20x20-rounded.xlsx") << "an earlier rounding";
    const auto earlier = snapshot("out");
    const pid_t pid = child::start(kHardRun);
    ASSERT_TRUE(child::waitFor(
        [] { return has(slurp("qtb.out"), "finding an output pattern of the zero-restricted"); },
        pid));
    kill(pid, sig);
    child::Ended r = child::wait(pid);
    EXPECT_EQ(r.status, 128 + sig) << r.err;
    EXPECT_TRUE(has(r.err, "interrupted by " + name + ": no output of it was written")) << r.err;
    // Neither the generated table nor a rounding: the folder as it was.
    EXPECT_EQ(snapshot("out"), earlier);
    EXPECT_EQ(lastLine(slurp("qtb.out")),
              "Run interrupted by " + name + ": no output of it was written");
}

TEST(Interrupt, SigtermDuringTheSearchEndsTheRunWithNothingWritten) {
    expectInterruptedSearch(SIGTERM, "SIGTERM");
}

TEST(Interrupt, CtrlCDuringTheSearchEndsTheRunWithNothingWritten) {
    expectInterruptedSearch(SIGINT, "SIGINT");
}

// A table of 300 x 300 cells with its totals as a .wq instance: its solution
// file is some 12 MB, written long enough for the test to catch it.
void writeLargeWq(const std::string& path) {
    const int n = 300;
    std::ofstream f(path);
    const int cells = n * n + 2 * n + 1;
    f << "0\n" << cells << "\n";
    std::vector<long> rows(n, 0), cols(n, 0);
    int k = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const int v = 1 + (i * 31 + j * 17) % 50;
            rows[size_t(i)] += v;
            cols[size_t(j)] += v;
            f << k++ << " c " << v << " 1 s 0 100000000 0 0 0\n";
        }
    long all = 0;
    for (int i = 0; i < n; ++i, ++k) {
        f << k << " r " << rows[size_t(i)] << " 1 s 0 100000000 0 0 0\n";
        all += rows[size_t(i)];
    }
    for (int j = 0; j < n; ++j, ++k)
        f << k << " k " << cols[size_t(j)] << " 1 s 0 100000000 0 0 0\n";
    f << k << " t " << all << " 1 s 0 100000000 0 0 0\n";
    f << 2 * n + 1 << "\n";
    for (int i = 0; i < n; ++i) {
        f << "0 " << n + 1 << " :";
        for (int j = 0; j < n; ++j) f << " " << i * n + j << " (1)";
        f << " " << n * n + i << " (-1)\n";
    }
    for (int j = 0; j < n; ++j) {
        f << "0 " << n + 1 << " :";
        for (int i = 0; i < n; ++i) f << " " << i * n + j << " (1)";
        f << " " << n * n + n + j << " (-1)\n";
    }
    f << "0 " << n + 1 << " :";
    for (int i = 0; i < n; ++i) f << " " << n * n + i << " (1)";
    f << " " << n * n + 2 * n << " (-1)\n10\n";
}

TEST(Interrupt, AKillWhileAFileIsWrittenLeavesTheEarlierFileAndNoPart) {
    writeLargeWq("big.wq");
    fs::create_directories("out");
    std::ofstream("out/x.qts") << "an earlier solution";
    const pid_t pid =
        child::start({"load", "big.wq", "--round", "--no-audit", "--solution", "out/x.qts"});
    // The solution is being written: its partial file is there.
    auto writing = [] {
        for (const auto& [name, bytes] : snapshot("out"))
            if (name.find(".saving-") != std::string::npos) return true;
        return false;
    };
    const bool caught = child::waitFor(writing, pid);
    if (caught) {
        // Held still, so that the kill lands while the file is half written.
        kill(pid, SIGSTOP);
        kill(pid, SIGTERM);
        kill(pid, SIGCONT);
    }
    child::Ended r = child::wait(pid);
    const auto after = snapshot("out");
    if (caught) {
        EXPECT_EQ(r.status, 143) << r.err;
        EXPECT_EQ(after, (std::map<std::string, std::string>{{"x.qts", "an earlier solution"}}));
        EXPECT_EQ(lastLine(slurp("qtb.out")),
                  "Run interrupted by SIGTERM: no output of it was written");
    } else {
        // The run was over before the file could be seen: it is whole.
        EXPECT_EQ(r.status, 0) << r.err;
        ASSERT_EQ(after.size(), 1u);
        EXPECT_EQ(after.begin()->second.substr(0, 3), "-3\n");
    }
}

}  // namespace
