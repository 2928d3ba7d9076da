#include "bench/child_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace bench {

namespace {

void writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

}  // namespace

ChildOutcome RunInChild(const std::function<std::string()>& work, double seconds) {
    ChildOutcome out;
    int fds[2];
    if (pipe(fds) != 0) return out;
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return out;
    }
    if (pid == 0) {
        close(fds[0]);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        std::string report = work();
        // The optimizer runs its searches in processes of their own: the
        // larger of the two peaks counts.
        rusage usage{}, searches{};
        getrusage(RUSAGE_SELF, &usage);
        getrusage(RUSAGE_CHILDREN, &searches);
        const long peak = std::max(usage.ru_maxrss, searches.ru_maxrss);
        report += " peak_kb=" + std::to_string(peak) + "\n";
        writeAll(fds[1], report);
        close(fds[1]);
        _exit(0);
    }
    close(fds[1]);
    const auto start = std::chrono::steady_clock::now();
    std::string text;
    char buffer[4096];
    for (;;) {
        const double left =
            seconds -
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (left <= 0) {
            kill(pid, SIGKILL);
            out.killed = true;
            break;
        }
        pollfd p{fds[0], POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left * 1000) + 1);
        if (ready <= 0) continue;
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;  // the child closed the pipe: it is done
        text.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    out.finished = !out.killed && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    const size_t mark = text.rfind(" peak_kb=");
    if (mark != std::string::npos) {
        out.peakKb = std::atol(text.c_str() + mark + 9);
        text.erase(mark);
    }
    out.report = text;
    return out;
}

}  // namespace bench
