#include "app/progress_line.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <streambuf>

namespace app {

namespace {

// "0:07", "12:30", "1:02:03".
std::string clock(double seconds) {
    long s = seconds > 0 && std::isfinite(seconds) ? long(seconds) : 0;
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

void writeAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += size_t(n);
    }
}

const char kErase[] = "\r\033[K";

}  // namespace

std::string progressLineText(const RunProgress& p, double afterSeconds, int width) {
    const bool searching = p.phase == kRunSolving || p.phase == kRunSolvingExtended;
    if (!searching && p.phase != kRunAuditing) return "";
    if (p.elapsedSeconds < afterSeconds) return "";
    std::string text = clock(p.elapsedSeconds) + " of " + clock(p.limitSeconds) + "  ";
    if (p.phase == kRunAuditing) {
        text += "auditing: " + std::to_string(p.cellsAuditedSoFar) + " of " +
                std::to_string(p.cellCount) + " cells";
    } else {
        text += p.phase == kRunSolvingExtended ? "searching (extended model): " : "searching: ";
        if (!p.hasRounding) {
            text += "no rounding yet";
        } else {
            text += "distance " + number(p.bestDistance);
            if (p.hasBound) {
                char gap[32];
                std::snprintf(gap, sizeof gap, "%.2f%%", p.gapPercent);
                text += ", bound " + number(p.bound) + ", gap " + gap;
            }
        }
    }
    if (width > 1 && int(text.size()) >= width) text.resize(size_t(width - 1));
    return text;
}

bool wantProgressLine(bool quiet, bool json) {
    return !quiet && !json && isatty(STDERR_FILENO) == 1;
}

double progressDelayFromEnvironment() {
    const char* text = std::getenv("QUORANT_PROGRESS_AFTER");
    if (!text || !*text) return 1.0;
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    return *end == '\0' && std::isfinite(v) && v >= 0 ? v : 1.0;
}

// A stream's buffer while the line exists: whatever the stream writes first
// erases the line, under the line's lock, so that the two never mix.
class TerminalLine::Guard : public std::streambuf {
  public:
    Guard(std::ostream& stream, TerminalLine& line)
        : stream_(stream), inner_(stream.rdbuf()), line_(line) {
        stream_.rdbuf(this);
    }
    ~Guard() override { stream_.rdbuf(inner_); }

  protected:
    int overflow(int c) override {
        if (c == traits_type::eof()) return traits_type::not_eof(c);
        std::lock_guard<std::mutex> hold(line_.lock());
        line_.eraseLocked();
        return inner_->sputc(traits_type::to_char_type(c));
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        std::lock_guard<std::mutex> hold(line_.lock());
        line_.eraseLocked();
        return inner_->sputn(s, n);
    }
    int sync() override { return inner_->pubsync(); }

  private:
    std::ostream& stream_;
    std::streambuf* inner_;
    TerminalLine& line_;
};

TerminalLine::TerminalLine(int fd) : fd_(fd) {
    struct winsize size {};
    if (ioctl(fd_, TIOCGWINSZ, &size) == 0 && size.ws_col > 10) width_ = size.ws_col;
    std::cout.flush();
    std::cerr.flush();
    if (isatty(STDOUT_FILENO) == 1) out_ = std::make_unique<Guard>(std::cout, *this);
    if (isatty(STDERR_FILENO) == 1) err_ = std::make_unique<Guard>(std::cerr, *this);
}

TerminalLine::~TerminalLine() {
    erase();
    out_.reset();
    err_.reset();
}

void TerminalLine::draw(const std::string& text) {
    std::lock_guard<std::mutex> hold(lock_);
    writeAll(fd_, "\r" + text + "\033[K");
    drawn_ = true;
}

void TerminalLine::erase() {
    std::lock_guard<std::mutex> hold(lock_);
    eraseLocked();
}

void TerminalLine::eraseLocked() {
    if (!drawn_) return;
    writeAll(fd_, kErase);
    drawn_ = false;
}

ProgressTicker::ProgressTicker(RunProgressSource source, double afterSeconds, int periodMs, int fd)
    : source_(source), after_(afterSeconds), period_(periodMs), line_(fd) {
    thread_ = std::thread([this] { loop(); });
}

ProgressTicker::~ProgressTicker() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void ProgressTicker::loop() {
    std::unique_lock<std::mutex> hold(lock_);
    while (!stop_) {
        RunProgress p{};
        const std::string text =
            source_.read(p) ? progressLineText(p, after_, line_.width()) : std::string();
        if (text.empty())
            line_.erase();
        else
            line_.draw(text);
        wake_.wait_for(hold, std::chrono::milliseconds(period_), [this] { return stop_; });
    }
}

}  // namespace app
