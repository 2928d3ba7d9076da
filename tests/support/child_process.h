// The quorant program as a child process the test controls: started with a
// file-size limit (a full disk), as another user (a folder it may not write),
// left running while the test waits for an event (a file appearing, a line in
// a log) and then signalled. No wall-clock assertions: waits poll for an
// event and give up only after a generous cap, which is a failure.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/cli_run.h"

namespace child {

struct Options {
    long fileSizeLimit = -1;  // bytes a file may grow to (RLIMIT_FSIZE); -1: none
    bool asNobody = false;    // run as user and group 65534 (when the test runs as root)
    std::string out = "child.out", err = "child.err";
};

// Starts `quorant --quiet ARGS...` (words, no shell). Returns the child's pid.
inline pid_t start(const std::vector<std::string>& args, const Options& o = {}) {
    std::vector<std::string> words = {clirun::kQuorant, "--quiet"};
    words.insert(words.end(), args.begin(), args.end());
    const pid_t pid = fork();
    if (pid != 0) return pid;
    const int out = open(o.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    const int err = open(o.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    dup2(out, 1);
    dup2(err, 2);
    if (o.fileSizeLimit >= 0) {
        // A write past the limit then fails with EFBIG, as on a full disk.
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{rlim_t(o.fileSizeLimit), rlim_t(o.fileSizeLimit)};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (o.asNobody && geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0))
        _exit(125);
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

struct Ended {
    int status = -1;  // exit status, or -1 when ended by a signal
    int signal = 0;
    std::string out, err;
};

inline Ended wait(pid_t pid, const Options& o = {}) {
    int raw = 0;
    while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
    }
    Ended e;
    if (WIFEXITED(raw)) e.status = WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) e.signal = WTERMSIG(raw);
    e.out = clirun::slurp(o.out);
    e.err = clirun::slurp(o.err);
    return e;
}

inline Ended run(const std::vector<std::string>& args, const Options& o = {}) {
    return wait(start(args, o), o);
}

// Polls until `event` holds (true) or `pid` has ended or ten minutes have
// passed (false).
inline bool waitFor(const std::function<bool()>& event, pid_t pid) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(10);
    while (std::chrono::steady_clock::now() < giveUp) {
        if (event()) return true;
        siginfo_t info{};
        if (waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid)
            return event();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

}  // namespace child
