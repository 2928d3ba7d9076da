#include "app/program.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <ostream>

#include "app/interrupt.h"

namespace app {

namespace {
std::string& addinOverride() {
    static std::string path;
    return path;
}

std::string programFolder() {
    char buffer[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return ".";
    std::string exe(buffer, size_t(n));
    size_t slash = exe.find_last_of('/');
    return slash == std::string::npos ? "." : exe.substr(0, slash);
}
}  // namespace

void setAddinPathOverride(const std::string& path) { addinOverride() = path; }

std::string defaultAddinPath() {
    if (!addinOverride().empty()) return addinOverride();
    if (const char* env = std::getenv("QUORANT_ADDIN"); env && *env) return env;
    return programFolder() + "/QTB_XPRESS.xll";
}

void StatusEcho::status(const std::string& text) {
    if (showStatus_) notices_ << "status: " << text << "\n" << std::flush;
    if (inner_) inner_->status(text);
}

bool StatusEcho::alert(const std::string& text, int type) {
    return inner_ ? inner_->alert(text, type) : true;
}

bool StatusEcho::dialogBox(host::DialogTable& table) {
    return inner_ ? inner_->dialogBox(table) : false;
}

void StatusEcho::hostMessage(const std::string& text) {
    if (inner_)
        inner_->hostMessage(text);
    else
        notices_ << text << "\n";
}

bool loadAddin(const std::string& path, std::ostream& err, int* handle) {
    std::string error;
    int h = host::loadAddIn(path, error);
    if (h <= 0) {
        err << "quorant: cannot load the add-in " << path << ": " << error << "\n";
        return false;
    }
    if (handle) *handle = h;
    // The add-in's engine stops at a request as at its time limit.
    using StopEntry = void (*)();
    if (auto stop = reinterpret_cast<StopEntry>(host::addInSymbol(h, "QTBRequestStop")))
        interrupt::setStopHook(stop);
    return true;
}

void reportUnsavedWorkbooks(std::ostream& err) {
    auto books = host::unsavedWorkbooks();
    if (books.empty()) return;
    err << "quorant: these workbooks were made during this run and not saved:";
    for (const auto& b : books) err << " " << b;
    err << "\n";
}

}  // namespace app
