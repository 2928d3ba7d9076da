#include "gui/driver.h"

#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>

#include "gui/template.h"
#include "gui/window.h"

namespace gui {
namespace {

UiDriver* g_driver = nullptr;

struct Unanswered {
    std::mutex lock;
    std::vector<std::string> reports;
};

Unanswered& unanswered() {
    static Unanswered u;
    return u;
}

// Keeps a driver's answer within the buttons the box has.
int validAnswer(int type, int answer) {
    switch (type) {
        case MB_OKCANCEL:
            return answer == IDOK ? IDOK : IDCANCEL;
        case MB_YESNO:
            return answer == IDYES ? IDYES : IDNO;
        default:
            return IDOK;
    }
}

}  // namespace

UiDriver* setActiveDriver(UiDriver* driver) {
    UiDriver* old = g_driver;
    g_driver = driver;
    return old;
}

UiDriver* activeDriver() {
    return g_driver;
}

void recordUnanswered(const std::string& why) {
    std::cerr << "gui: " << why << std::endl;
    Unanswered& u = unanswered();
    std::lock_guard<std::mutex> guard(u.lock);
    u.reports.push_back(why);
}

std::vector<std::string> takeUnanswered() {
    Unanswered& u = unanswered();
    std::lock_guard<std::mutex> guard(u.lock);
    std::vector<std::string> out;
    out.swap(u.reports);
    return out;
}

int messageBox(const std::string& text, const std::string& caption, int type) {
    const std::string shown = caption.empty() ? mainWindow().caption() : caption;
    UiDriver* driver = activeDriver();
    if (driver == nullptr) {
        recordUnanswered("no user interface driver is active: message box \"" + text +
                         "\" was not shown");
        return validAnswer(type, IDCANCEL);
    }
    int answer = IDCANCEL;
    try {
        answer = driver->messageBox(text, shown, type);
    } catch (...) {
        recordUnanswered("the user interface driver failed on message box \"" + text + "\"");
    }
    return validAnswer(type, answer);
}

int showHelp(const std::string& path, int context) {
    std::ifstream in(path, std::ios::binary);
    std::string contents;
    bool read = false;
    if (in) {
        std::ostringstream buffer;
        buffer << in.rdbuf();
        contents = buffer.str();
        read = true;
    }
    UiDriver* driver = activeDriver();
    if (driver == nullptr) {
        recordUnanswered("no user interface driver is active: help file \"" + path +
                         "\" was not shown");
        return 0;
    }
    try {
        driver->showHelp(path, context, read ? &contents : nullptr);
    } catch (...) {
        recordUnanswered("the user interface driver failed on help file \"" + path + "\"");
        return 0;
    }
    return read ? 1 : 0;
}

}  // namespace gui
