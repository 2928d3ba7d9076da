// The live progress line as a person sees it: on a terminal (a pseudo
// terminal here) a solve or audit draws it and erases it before the summary;
// with --quiet or --json, or when standard error is not a terminal, it never
// appears; and it never reaches a file or the engine log.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "tests/support/cli_run.h"

namespace {

using clirun::slurp;

// Runs quorant ARGS with its standard streams on a new terminal; what the
// terminal showed. The line appears at once (QUORANT_PROGRESS_AFTER=0) so
// that a short run shows it too.
std::string onTerminal(const std::vector<std::string>& args, int& status) {
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        setenv("QUORANT_PROGRESS_AFTER", "0", 1);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(clirun::kQuorant.c_str()));
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    std::string shown;
    if (pid < 0) return shown;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(master, buffer, sizeof buffer);
        if (n > 0) {
            shown.append(buffer, size_t(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // EIO: the program has ended and closed the terminal
        }
    }
    close(master);
    int raw = 0;
    waitpid(pid, &raw, 0);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return shown;
}

// A 2-D table of 50 x 50 categories with its totals: its solve and audit
// take long enough for the line to be drawn several times.
const std::vector<std::string> kGenerate = {"generate", "50,50", "--seed", "5",
                                            "--round",  "--out", "out"};

std::vector<std::string> with(std::vector<std::string> args, const std::string& first) {
    args.insert(args.begin(), first);
    return args;
}

TEST(TerminalProgress, DrawnOnATerminalAndErasedBeforeTheSummary) {
    int status = -1;
    const std::string shown = onTerminal(kGenerate, status);
    ASSERT_EQ(status, 0) << shown;
    const size_t first = shown.find(" of 10:00  ");
    ASSERT_NE(first, std::string::npos) << "no progress line was drawn:\n" << shown;
    EXPECT_TRUE(shown.find("searching") != std::string::npos ||
                shown.find("auditing: ") != std::string::npos)
        << shown;
    // The last drawing is erased before the summary is printed.
    const size_t summary = shown.find("Resolution Info");
    ASSERT_NE(summary, std::string::npos) << shown;
    const size_t lastDrawn = shown.rfind(" of 10:00  ", summary);
    const size_t erased = shown.find("\r\033[K", lastDrawn);
    EXPECT_LT(erased, summary) << shown.substr(lastDrawn, summary - lastDrawn);
    EXPECT_EQ(shown.find(" of 10:00  ", summary), std::string::npos);

    // Nothing of it in the engine log or the files written.
    for (const char* file :
         {"qtb.out", "out/random-50x50-rounded.xlsx", "out/random-50x50-intervals.xlsx"}) {
        const std::string text = slurp(file);
        ASSERT_FALSE(text.empty()) << file;
        EXPECT_EQ(text.find("searching"), std::string::npos) << file;
        EXPECT_EQ(text.find("\033[K"), std::string::npos) << file;
    }
}

TEST(TerminalProgress, NotWithQuietOrJsonOrWhenStandardErrorIsNoTerminal) {
    int status = -1;
    for (const std::string flag : {"--quiet", "--json"}) {
        std::vector<std::string> args = kGenerate;
        if (flag == "--quiet")
            args = with(args, flag);
        else
            args.push_back(flag);
        const std::string shown = onTerminal(args, status);
        EXPECT_EQ(status, 0) << shown;
        EXPECT_EQ(shown.find(" of 10:00  "), std::string::npos) << flag << "\n" << shown;
        EXPECT_EQ(shown.find("\033[K"), std::string::npos) << flag;
    }
    // Standard error into a file, standard output on no terminal either.
    setenv("QUORANT_PROGRESS_AFTER", "0", 1);
    const clirun::Outcome r = clirun::quorant("generate 50,50 --seed 5 --round --out out", false);
    unsetenv("QUORANT_PROGRESS_AFTER");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err.find(" of 10:00  "), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\r'), std::string::npos);
}

}  // namespace
