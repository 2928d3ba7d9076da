// The host's process-wide state and the helpers its parts share.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/workbook.h"

namespace host {

struct MenuItem {
    std::string text, command, shortcut, statusText, helpRef;
    std::vector<MenuItem> items;
    bool submenu = false;
};

struct AddIn {
    int handle = 0;
    std::string path;         // the name the add-in is known by
    void* library = nullptr;  // dlopen handle, null for attached add-ins
    SymbolResolver resolver;  // attached add-ins
    void* symbol(const std::string& name) const;
};

struct Registration {
    int id = 0;
    AddIn* addIn = nullptr;
    void* procedureAddress = nullptr;
    RegistrationInfo info;
};

struct DefinedName {
    Value value;
    int registerId = 0;  // names made by registration run that command
};

struct CaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

struct State {
    Model model;
    std::vector<MenuItem> bar;  // the worksheet menu bar
    std::vector<Registration> registrations;
    int nextRegisterId = 1;
    std::map<std::string, DefinedName, CaseLess> names;
    std::vector<std::unique_ptr<AddIn>> addIns;
    int nextAddInHandle = 1;
    std::vector<AddIn*> callers;  // add-ins whose code runs now, innermost last
    std::vector<JournalEntry> journal;
    std::string statusBar;
    FrontEnd* frontEnd = nullptr;
    CallFault fault;
};

State& state();
std::vector<MenuItem> defaultMenuBar();

// Runs add-in code with `addIn` as the caller (for xlGetName); exceptions do
// not pass.
struct CallerScope {
    explicit CallerScope(AddIn* a) { state().callers.push_back(a); }
    ~CallerScope() {
        // reset() may have replaced the state while the add-in ran.
        auto& callers = state().callers;
        if (!callers.empty()) callers.pop_back();
    }
    CallerScope(const CallerScope&) = delete;
    CallerScope& operator=(const CallerScope&) = delete;
};
// The add-in that is calling: the innermost running one, else the one loaded
// last; null when there is none.
AddIn* callingAddIn();
AddIn* addInByHandle(int handle);

// Journal entries and what the front end is told.
void showStatus(const std::string& text);
bool showAlert(const std::string& text, int type);
void hostMessage(const std::string& text);

// Matches menu texts: '&' ignored, letter case ignored, trailing blanks ignored.
bool sameMenuText(const std::string& a, const std::string& b);

// Runs a registration's procedure (int procedure(void)).
bool runRegistration(const Registration& r, int& result, std::string& error);

// Files (xlsx and text); each builds a complete workbook or nothing.
std::unique_ptr<Workbook> readXlsx(Model& m, const std::string& path, std::string& error);
bool writeXlsx(Model& m, Workbook& book, const std::string& path, std::string& error);
struct TextFormat {
    char delimiter = 0;  // 0: guess
    bool decimalComma = false;
};
std::unique_ptr<Workbook> readText(Model& m, const std::string& path, char delimiter,
                                   std::string& error);
bool writeText(Model& m, Sheet& sheet, const std::string& path, const TextFormat& format,
               std::string& error);
// Opens a file into a new active window; the name of the workbook is taken
// from the file name. The one place where files are turned into windows.
bool openFile(const std::string& path, char delimiter, std::string& error);
bool saveFile(Workbook& book, const std::string& path, std::string& error);

}  // namespace host
