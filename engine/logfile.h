// The engine log: a text file that is only ever appended to. Routines open it,
// write one line or one group of lines, and close it again at once, so the log
// is complete whenever the optimizer or the host runs. While open it is
// locked: runs that share a log append their groups of lines whole.
#pragma once

#include <cstdarg>
#include <cstdio>

class LogFile {
  public:
    LogFile() = default;
    ~LogFile() { Close(); }
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Opens `name` for appending, creating it when missing. False (and nothing
    // open) when that fails or the name is null.
    bool Open(const char* name);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }
    // Formatted output; dropped when no file is open.
    void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void VPrintf(const char* format, va_list args) __attribute__((format(printf, 2, 0)));

  private:
    std::FILE* file_ = nullptr;
};

// Opens the log, writes one formatted line and closes it. A log that cannot be
// opened drops the line.
void AppendLog(const char* logName, const char* format, ...) __attribute__((format(printf, 2, 3)));
