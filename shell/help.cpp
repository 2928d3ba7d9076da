// The help command: shows the help file through the framework's help viewer.
#include <fstream>
#include <string>

#include "gui/driver.h"
#include "shell/addin.h"
#include "shell/host_api.h"
#include "shell/host_values.h"

namespace {

// The help file, relative to the current directory.
const char* const kHelpFile = "Help file\\QTB_HELP.hlp";

std::string nativePath(std::string path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

bool readable(const std::string& path) { return std::ifstream(path).good(); }

// The folder of the add-in library as the host names it.
std::string addinFolder() {
    HostResult path;
    if (CallHost(xlGetName, path.get(), 0) != xlretSuccess) return {};
    std::string p = textOf(*path);
    size_t slash = p.find_last_of('/');
    return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}

}  // namespace

QTB_EXPORT int QTBTXfAbout(void) {
    std::string path = nativePath(kHelpFile);
    // Started from elsewhere, the copy installed beside the add-in is shown.
    if (!readable(path)) {
        std::string beside = addinFolder() + path;
        if (readable(beside)) path = beside;
    }
    return gui::showHelp(path, 1);
}
