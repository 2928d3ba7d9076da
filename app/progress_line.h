// The live line a person sees on the terminal while a long solve or audit
// runs: time used against the limit, the phase, the best distance, bound and
// gap while searching, the cells audited while auditing. It is drawn on
// standard error in place (carriage return, text, erase to the end of the
// line) a few times a second, erased before anything else is written to the
// terminal and when the run ends. It never reaches a file or a log: it is
// shown only when standard error is a terminal, and not with --quiet or
// --json.
#pragma once

#include <condition_variable>
#include <iosfwd>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "app/run_progress_source.h"

namespace app {

// The line's text for `p`; "" when nothing is to be shown: no solve or audit
// going on, or one that has run for less than `afterSeconds`. At most
// `width` characters.
std::string progressLineText(const RunProgress& p, double afterSeconds, int width = 80);

// True when the live line is wanted: standard error is a terminal and neither
// --quiet nor --json was given.
bool wantProgressLine(bool quiet, bool json);

// Seconds a solve or audit runs before the line appears: 1, or the number in
// QUORANT_PROGRESS_AFTER.
double progressDelayFromEnvironment();

// The line on the terminal `fd`. While it exists, standard output and
// standard error (when they are terminals) go through it, so that whatever
// they write first erases the line.
class TerminalLine {
  public:
    explicit TerminalLine(int fd);
    ~TerminalLine();
    TerminalLine(const TerminalLine&) = delete;
    TerminalLine& operator=(const TerminalLine&) = delete;

    void draw(const std::string& text);
    void erase();
    int width() const { return width_; }

    // Erases the line when drawn; the caller holds lock().
    void eraseLocked();
    std::mutex& lock() { return lock_; }

  private:
    class Guard;
    int fd_;
    int width_ = 80;
    bool drawn_ = false;
    std::mutex lock_;
    std::unique_ptr<Guard> out_, err_;
};

// Reads the run's progress every `periodMs` on a thread of its own and keeps
// the line on the terminal `fd` up to date; the destructor stops the thread
// and erases the line.
class ProgressTicker {
  public:
    ProgressTicker(RunProgressSource source, double afterSeconds, int periodMs = 200, int fd = 2);
    ~ProgressTicker();
    ProgressTicker(const ProgressTicker&) = delete;
    ProgressTicker& operator=(const ProgressTicker&) = delete;

  private:
    void loop();

    RunProgressSource source_;
    double after_;
    int period_;
    TerminalLine line_;
    std::mutex lock_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};

}  // namespace app
