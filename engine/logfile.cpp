#include "engine/logfile.h"

#include <sys/file.h>

// The log is locked while it is open, so that the group of lines written
// between Open and Close stays together when other runs append to the same
// log at the same time.
bool LogFile::Open(const char* name) {
    Close();
    if (!name) return false;
    file_ = std::fopen(name, "a");
    if (file_) flock(fileno(file_), LOCK_EX);
    return file_ != nullptr;
}

void LogFile::Close() {
    if (!file_) return;
    std::fflush(file_);
    flock(fileno(file_), LOCK_UN);
    std::fclose(file_);
    file_ = nullptr;
}

void LogFile::VPrintf(const char* format, va_list args) {
    if (file_) std::vfprintf(file_, format, args);
}

void LogFile::Printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    VPrintf(format, args);
    va_end(args);
}

void AppendLog(const char* logName, const char* format, ...) {
    LogFile objlogfile;
    if (!objlogfile.Open(logName)) return;
    va_list args;
    va_start(args, format);
    objlogfile.VPrintf(format, args);
    va_end(args);
    objlogfile.Close();
}
