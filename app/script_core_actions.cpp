// Script actions for the add-in and the host's menus, commands and journal.
#include <ostream>
#include <string>

#include "app/program.h"
#include "app/script.h"
#include "host/host.h"

namespace app {
namespace {

// Where the expect-status / expect-alert checks continue in the journal.
size_t journalChecked = 0;

bool wordCount(const ScriptLine& line, size_t low, size_t high, std::string& error) {
    size_t n = line.words.size() - 1;
    if (n >= low && n <= high) return true;
    error = "'" + line.words[0] + "' takes " +
            (low == high ? std::to_string(low) : std::to_string(low) + " to " + std::to_string(high)) +
            " word(s) after it";
    return false;
}

bool toInt(const std::string& text, int& value) {
    try {
        size_t used = 0;
        value = std::stoi(text, &used);
        return used == text.size();
    } catch (...) {
        return false;
    }
}

// The handle of the n-th add-in still loaded (1-based; 0: the last one).
bool addinHandle(const std::string& word, int& handle, std::string& error) {
    auto loaded = host::addIns();
    if (loaded.empty()) {
        error = "no add-in is loaded";
        return false;
    }
    int n = 0;
    if (!word.empty() && (!toInt(word, n) || n < 1 || size_t(n) > loaded.size())) {
        error = "there is no add-in number " + word + " (" + std::to_string(loaded.size()) +
                " loaded)";
        return false;
    }
    handle = n == 0 ? loaded.back().handle : loaded[size_t(n - 1)].handle;
    return true;
}

bool loadAddinAction(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    if (!wordCount(line, 0, 1, error)) return false;
    std::string path = line.words.size() > 1 ? line.words[1] : ctx.addinPath;
    if (path.empty()) path = defaultAddinPath();
    int handle = host::loadAddIn(path, error);
    return handle > 0;
}

bool closeAddinAction(ScriptContext&, const ScriptLine& line, std::string& error) {
    if (!wordCount(line, 0, 1, error)) return false;
    int handle = 0;
    if (!addinHandle(line.words.size() > 1 ? line.words[1] : "", handle, error)) return false;
    return host::closeAddIn(handle, error);
}

bool entryPointAction(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    if (!wordCount(line, 0, 1, error)) return false;
    int handle = 0, result = 0;
    if (!addinHandle(line.words.size() > 1 ? line.words[1] : "", handle, error)) return false;
    bool ok = line.words[0] == "add-addin" ? host::addInAdd(handle, result, error)
                                            : host::addInRemove(handle, result, error);
    if (ok) *ctx.out << line.words[0] << ": " << result << "\n";
    return ok;
}

bool menuAction(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    if (!wordCount(line, 0, 0, error)) return false;
    *ctx.out << host::menuBarText();
    return true;
}

bool commandsAction(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    if (!wordCount(line, 0, 0, error)) return false;
    for (const auto& r : host::registrations())
        *ctx.out << r.procedure << " (shortcut " << r.shortcut << ", " << r.category << ")\n";
    return true;
}

bool checkResult(const ScriptLine& line, size_t index, int result, std::string& error) {
    if (line.words.size() <= index) return true;
    int expected = 0;
    if (!toInt(line.words[index], expected)) {
        error = "the expected result must be a whole number";
        return false;
    }
    if (expected == result) return true;
    error = "'" + line.words[1] + "' returned " + std::to_string(result) + ", expected " +
            line.words[index];
    return false;
}

bool runAction(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    if (!wordCount(line, 1, 2, error)) return false;
    int result = 0;
    if (!host::runCommand(line.words[1], result, error)) return false;
    *ctx.out << line.words[1] << " returned " << result << "\n";
    return checkResult(line, 2, result, error);
}

// call EXPORT [RESULT]: an exported function of the last add-in
bool callAction(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    if (!wordCount(line, 1, 2, error)) return false;
    int handle = 0, result = 0;
    if (!addinHandle("", handle, error)) return false;
    if (!host::runAddInFunction(handle, line.words[1], result, error)) return false;
    *ctx.out << line.words[1] << " returned " << result << "\n";
    return checkResult(line, 2, result, error);
}

// pick "MENU" ["SUBMENU"] "ITEM" [= RESULT]
bool pickAction(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    std::vector<std::string> path(line.words.begin() + 1, line.words.end());
    std::string expected;
    if (path.size() >= 2 && path[path.size() - 2] == "=") {
        expected = path.back();
        path.resize(path.size() - 2);
    }
    if (path.size() < 2 || path.size() > 3) {
        error = "'pick' takes a menu, an optional submenu and an item";
        return false;
    }
    int result = 0;
    if (!host::runMenuItem(path, result, error)) return false;
    *ctx.out << path.back() << " returned " << result << "\n";
    if (expected.empty()) return true;
    ScriptLine check;
    check.words = {"pick", path.back(), expected};
    return checkResult(check, 2, result, error);
}

// Finds the text in the journal from where the last check stopped.
bool expectJournal(const ScriptLine& line, host::JournalKind kind, std::string& error) {
    const auto& journal = host::journal();
    if (journalChecked > journal.size()) journalChecked = 0;
    for (size_t i = journalChecked; i < journal.size(); ++i) {
        if (journal[i].kind == kind && journal[i].text == line.words[1]) {
            journalChecked = i + 1;
            return true;
        }
    }
    error = std::string(kind == host::JournalKind::Alert ? "no alert" : "no status text") +
            " \"" + line.words[1] + "\" was shown";
    std::string seen;
    for (size_t i = journalChecked; i < journal.size(); ++i)
        if (journal[i].kind == kind) seen += "\n    \"" + journal[i].text + "\"";
    if (!seen.empty()) error += "; shown since the last check:" + seen;
    return false;
}

bool expectStatusAction(ScriptContext&, const ScriptLine& line, std::string& error) {
    return wordCount(line, 1, 1, error) && expectJournal(line, host::JournalKind::Status, error);
}

bool expectAlertAction(ScriptContext&, const ScriptLine& line, std::string& error) {
    return wordCount(line, 1, 1, error) && expectJournal(line, host::JournalKind::Alert, error);
}

bool journalAction(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    if (!wordCount(line, 0, 0, error)) return false;
    for (const auto& e : host::journal()) {
        const char* kind = e.kind == host::JournalKind::Status  ? "status"
                           : e.kind == host::JournalKind::Alert ? "alert"
                                                                : "host";
        *ctx.out << kind << ": " << e.text << "\n";
    }
    return true;
}

// Prints the add-in's instance: cells with their positions, values, bounds,
// levels, status and use counts, and sums with their terms.
bool instanceAction(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    if (!wordCount(line, 0, 1, error)) return false;
    int handle = 0;
    if (!addinHandle(line.words.size() > 1 ? line.words[1] : "", handle, error)) return false;
    using Report = const char* (*)();
    auto report = reinterpret_cast<Report>(host::addInSymbol(handle, "QTBTXfInstanceReport"));
    if (!report) {
        error = "this add-in cannot describe its instance";
        return false;
    }
    *ctx.out << report();
    return true;
}

bool echoAction(ScriptContext& ctx, const ScriptLine& line, std::string&) {
    for (size_t i = 1; i < line.words.size(); ++i) *ctx.out << (i > 1 ? " " : "") << line.words[i];
    *ctx.out << "\n";
    return true;
}

}  // namespace

REGISTER_SCRIPT_ACTION("load-addin", "load-addin [PATH]",
                       "load the add-in (again: a further copy); default the built one",
                       loadAddinAction);
REGISTER_SCRIPT_ACTION("close-addin", "close-addin [N]",
                       "close the N-th loaded add-in (default: the last one)", closeAddinAction);
REGISTER_SCRIPT_ACTION("add-addin", "add-addin [N]",
                       "call the add-in's add entry point (as when added to the add-in list)",
                       entryPointAction);
REGISTER_SCRIPT_ACTION("remove-addin", "remove-addin [N]",
                       "call the add-in's remove entry point", entryPointAction);
REGISTER_SCRIPT_ACTION("menu", "menu", "print the worksheet menu bar", menuAction);
REGISTER_SCRIPT_ACTION("commands", "commands", "print the registered commands", commandsAction);
REGISTER_SCRIPT_ACTION("run", "run COMMAND [RESULT]",
                       "run a registered command by name; check its result when given", runAction);
REGISTER_SCRIPT_ACTION("call", "call FUNCTION [RESULT]",
                       "run an exported function of the add-in that is not a menu command "
                       "(fLookup, fAddsums, fRounder, ...)",
                       callAction);
REGISTER_SCRIPT_ACTION("pick", "pick MENU [SUBMENU] ITEM [= RESULT]",
                       "pick a menu item by its texts ('&' and case ignored)", pickAction);
REGISTER_SCRIPT_ACTION("expect-status", "expect-status TEXT",
                       "fail unless this status text was shown (after the last check)",
                       expectStatusAction);
REGISTER_SCRIPT_ACTION("expect-alert", "expect-alert TEXT",
                       "fail unless this alert was shown (after the last check)", expectAlertAction);
REGISTER_SCRIPT_ACTION("journal", "journal", "print every status text and alert so far",
                       journalAction);
REGISTER_SCRIPT_ACTION("instance", "instance [N]",
                       "print the instance held by the (N-th) add-in: cells and sums",
                       instanceAction);
REGISTER_SCRIPT_ACTION("echo", "echo TEXT...", "print the words", echoAction);

}  // namespace app
