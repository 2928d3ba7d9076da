#include "engine/logfile.h"

bool LogFile::Open(const char* name) {
    Close();
    if (!name) return false;
    file_ = std::fopen(name, "a");
    return file_ != nullptr;
}

void LogFile::Close() {
    if (file_) std::fclose(file_);
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
