#include "app/interrupt.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <thread>
#include <vector>

#include "app/program.h"
#include "common/whole_file.h"

namespace app::interrupt {

namespace {

// The engine log line of an interrupted run: the signal's name, and what
// became of the run's outputs.
constexpr char kLogInterrupted[] = "Run interrupted by %s: %s\n";
constexpr char kNothingWritten[] = "no output of it was written";
constexpr char kOutputsWritten[] = "its outputs had been written";

std::atomic<int> received{0};
std::thread::id mainThread;
std::atomic<void (*)()> stopHook{nullptr};
std::atomic<void (*)(int)> delegated{nullptr};
std::mutex foldersMutex;
std::vector<std::string> folders;
std::mutex commitMutex;
bool outputsCommitted = false;  // under commitMutex

const char* signalName(int sig) {
    return sig == SIGINT ? "SIGINT" : sig == SIGTERM ? "SIGTERM" : "a signal";
}

void writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += size_t(n);
    }
}

void removePartialFiles() {
    std::vector<std::string> list;
    {
        std::lock_guard<std::mutex> lock(foldersMutex);
        list = folders;
    }
    list.push_back(".");
    const long pid = long(getpid());
    for (const std::string& folder : list) {
        DIR* dir = opendir(folder.c_str());
        if (!dir) continue;
        std::vector<std::string> doomed;
        while (dirent* e = readdir(dir))
            if (common::isPartialOf(e->d_name, pid)) doomed.push_back(folder + "/" + e->d_name);
        closedir(dir);
        for (const std::string& path : doomed) ::unlink(path.c_str());
    }
}

void appendLogLine(int sig, bool committed) {
    char line[200];
    std::snprintf(line, sizeof line, kLogInterrupted, signalName(sig),
                  committed ? kOutputsWritten : kNothingWritten);
    const int fd = ::open(kEngineLogFile, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return;
    flock(fd, LOCK_EX);
    writeAll(fd, line);
    flock(fd, LOCK_UN);
    ::close(fd);
}

void watch() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    int sig = 0;
    for (;;) {
        if (sigwait(&set, &sig) != 0) continue;
        void (*handler)(int) = delegated.load();
        if (!handler) break;
        handler(sig);
    }
    received.store(sig);
    if (void (*hook)() = stopHook.load()) hook();
    // The run ends by itself in the meantime; a second signal does not wait.
    timespec grace{0, 500 * 1000 * 1000};
    siginfo_t info;
    while (sigtimedwait(&set, &info, &grace) < 0 && errno == EINTR) {
    }
    endRun();
}

}  // namespace

void install() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    mainThread = std::this_thread::get_id();
    std::thread(watch).detach();
}

int signalReceived() {
    return received.load();
}

void setStopHook(void (*hook)()) {
    stopHook.store(hook);
}

void delegate(void (*handler)(int sig)) {
    delegated.store(handler);
}

void addPartialFolder(const std::string& folder) {
    std::lock_guard<std::mutex> lock(foldersMutex);
    for (const std::string& f : folders)
        if (f == folder) return;
    folders.push_back(folder);
}

void noteOutputFile(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    addPartialFolder(slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash));
}

std::unique_lock<std::mutex> commitLock() {
    return std::unique_lock<std::mutex>(commitMutex);
}

void noteOutputsCommitted() {
    outputsCommitted = true;
}

void endRun() {
    // The first caller ends the process; another (the watcher, or the run
    // itself) waits here until it has.
    static std::mutex ending;
    ending.lock();
    commitMutex.lock();  // never given back: no output moves after this
    const int sig = received.load() ? received.load() : SIGTERM;
    removePartialFiles();
    appendLogLine(sig, outputsCommitted);
    writeAll(STDERR_FILENO, std::string("\nquorant: interrupted by ") + signalName(sig) + ": " +
                                (outputsCommitted ? kOutputsWritten : kNothingWritten) + "\n");
    // What the run printed so far reaches the user; only its own thread may
    // touch the stream (the watcher could wait for a lock it holds).
    if (std::this_thread::get_id() == mainThread) std::fflush(stdout);
    _exit(128 + sig);
}

}  // namespace app::interrupt
