// The interactive session: a person works with the host (workbooks, cells,
// menus) and answers every window in the terminal.
#include <algorithm>
#include <cctype>
#include <istream>
#include <map>
#include <ostream>

#include "app/drivers/terminal_driver.h"
#include "app/script.h"
#include "host/host.h"

namespace app::drivers {

namespace {

const char* kSessionHelp =
    "  menu                       show the menu bar, numbered\n"
    "  pick MENU [SUBMENU] ITEM   run a menu item, by texts or by the numbers of 'menu'\n"
    "  open PATH                  open a workbook (.xlsx, .csv, .txt, ...)\n"
    "  new                        open a new workbook\n"
    "  books                      list the open workbooks (active first): where each\n"
    "                             came from, its sheets, whether it is saved\n"
    "  book NAME                  make a workbook active\n"
    "  sheet NAME                 make a sheet of the active workbook active\n"
    "  select RANGE               select cells, e.g. A1:C4\n"
    "  enter REF TEXT             type into a cell, e.g. enter A3 =SUM(A1:A2)\n"
    "  cells [SHEET]              show the cells of a sheet\n"
    "  formulas [SHEET]           show the cells with their formulas\n"
    "  save BOOK PATH             save a workbook\n"
    "  close BOOK                 close a workbook without saving\n"
    "  status                     show the status bar\n"
    "  quit                       end the session (asks first when workbooks made\n"
    "                             in it are not saved)\n"
    "Menu items and texts match without '&', letter case and trailing blanks,\n"
    "and by the start of their text when only one item starts so.\n";

std::string join(const std::vector<std::string>& words, std::size_t from) {
    std::string out;
    for (std::size_t i = from; i < words.size(); ++i) out += (i > from ? " " : "") + words[i];
    return out;
}

// Menu texts match as the host matches them: '&', letter case and trailing
// blanks do not count.
std::string menuKey(const std::string& text) {
    std::string out;
    for (char ch : text) {
        if (ch != '&') out += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

bool isNumber(const std::string& w) {
    return !w.empty() && w.find_first_not_of("0123456789") == std::string::npos;
}

std::vector<const host::MenuItemInfo*> realItems(const std::vector<host::MenuItemInfo>& items) {
    std::vector<const host::MenuItemInfo*> out;
    for (const auto& i : items) {
        if (i.text != "-") out.push_back(&i);
    }
    return out;
}

std::string menuListing() {
    std::string out;
    const std::vector<host::MenuItemInfo> bar = host::menuBar();
    for (std::size_t m = 0; m < bar.size(); ++m) {
        out += std::to_string(m + 1) + " " + bar[m].text + "\n";
        auto items = realItems(bar[m].items);
        for (std::size_t i = 0; i < items.size(); ++i) {
            out += "    " + std::to_string(i + 1) + " " + items[i]->text + "\n";
            auto sub = realItems(items[i]->items);
            for (std::size_t s = 0; s < sub.size(); ++s) {
                out += "        " + std::to_string(s + 1) + " " + sub[s]->text + "\n";
            }
        }
    }
    return out;
}

// The entry of `choices` that `word` names: its number as 'menu' shows it, its
// text, or the start of the text of exactly one entry.
const host::MenuItemInfo* chooseEntry(const std::vector<const host::MenuItemInfo*>& choices,
                                      const std::string& word, std::string& error) {
    if (isNumber(word)) {
        const std::size_t n = word.size() > 6 ? 0 : std::stoul(word);  // no overflow
        if (n < 1 || n > choices.size()) {
            error = "there is no entry " + word + " there (see 'menu')";
            return nullptr;
        }
        return choices[n - 1];
    }
    const std::string key = menuKey(word);
    std::vector<const host::MenuItemInfo*> starting;
    for (const auto* c : choices) {
        if (menuKey(c->text) == key) return c;
        if (!key.empty() && menuKey(c->text).compare(0, key.size(), key) == 0)
            starting.push_back(c);
    }
    if (starting.size() == 1) return starting[0];
    if (starting.size() > 1) {
        error = "\"" + word + "\" could be";
        for (std::size_t i = 0; i < starting.size(); ++i)
            error += (i == 0                     ? " "
                      : i + 1 == starting.size() ? " or "
                                                 : ", ") +
                     std::string("\"") + menuKey(starting[i]->text) + "\"";
        error += "; type more of it";
    }
    return nullptr;
}

// Numbers and starts of texts become the texts the host matches; `command`
// receives what the chosen item runs ("" when the host is left to report an
// unknown text).
bool menuPath(const std::vector<std::string>& words, std::vector<std::string>& path,
              std::string& command, std::string& error) {
    path.assign(words.begin() + 1, words.end());
    command.clear();
    const std::vector<host::MenuItemInfo> bar = host::menuBar();
    const std::vector<host::MenuItemInfo>* level = &bar;
    for (std::size_t i = 0; i < path.size(); ++i) {
        std::vector<const host::MenuItemInfo*> choices;
        if (i == 0) {
            for (const auto& m : *level) choices.push_back(&m);
        } else {
            choices = realItems(*level);
        }
        error.clear();
        const host::MenuItemInfo* chosen = chooseEntry(choices, path[i], error);
        if (!error.empty()) return false;
        if (chosen == nullptr) return true;  // the host reports unknown texts
        path[i] = chosen->text;
        command = chosen->command;
        level = &chosen->items;
    }
    return true;
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// What the workbooks a menu command made hold, by the command and their
// sheets; `made` runs from the most recent.
void noteRoles(const std::vector<std::string>& made, const std::string& command,
               const std::string& itemText, std::map<std::string, std::string>& roles) {
    bool roundedSeen = false;
    for (const std::string& book : made) {
        const auto sheets = host::sheetNames(book);
        const bool intervals =
            !sheets.empty() && std::all_of(sheets.begin(), sheets.end(), [](const std::string& s) {
                return endsWith(s, " - p.i.");
            });
        std::string role;
        if (intervals) {
            role = "protection intervals";
        } else if (command.find("QTBTXfOne") != std::string::npos && !roundedSeen) {
            role = "rounded values";
            roundedSeen = true;
        } else if (command.find("QTBTXfOne") != std::string::npos ||
                   command.find("QTBTXfPRead") != std::string::npos) {
            role = "table read from a list";
        } else if (command.find("QTBTXfLoadinstance") != std::string::npos) {
            role = "loaded instance";
        } else if (command.find("QTBTXfGenerate") != std::string::npos) {
            role = "random table";
        } else {
            role = "made by " + menuKey(itemText);
        }
        roles[book] = role;
    }
}

// The workbook a copy's sheets first came from: a copy of a copy made in the
// session (the rounded copy is made from the interval copy before its
// intervals are written) names the original.
std::string copySource(std::string book) {
    for (int depth = 0; depth < 16; ++depth) {
        host::WorkbookOrigin o;
        std::string error;
        if (!host::workbookOrigin(book, o, error) || o.copiedFrom.empty()) break;
        book = o.copiedFrom;
    }
    return book;
}

// Every open workbook, active first: what it holds, where it came from,
// whether it is saved, and its sheets.
std::string booksListing(const std::map<std::string, std::string>& roles) {
    std::string out;
    const auto windows = host::windows();
    if (windows.empty()) return "  no workbook is open\n";
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const std::string& book = windows[i];
        host::WorkbookOrigin o;
        std::string error;
        if (!host::workbookOrigin(book, o, error)) continue;
        std::vector<std::string> what;
        auto role = roles.find(book);
        if (role != roles.end()) what.push_back(role->second);
        if (!o.copiedFrom.empty())
            what.push_back("copy of " + copySource(o.copiedFrom));
        else if (o.createdInRun)
            what.push_back("new");
        if (!o.path.empty()) what.push_back((o.createdInRun ? "saved as " : "read from ") + o.path);
        std::string line = "  " + book + (i == 0 ? " (active)" : "") + ":";
        for (std::size_t k = 0; k < what.size(); ++k) line += (k ? ", " : " ") + what[k];
        if (o.createdInRun && (o.changed || o.path.empty()))
            line += "; not saved";
        else if (o.changed)
            line += "; changed since";
        out += line + "\n      sheets:";
        const auto sheets = host::sheetNames(book);
        for (std::size_t k = 0; k < sheets.size(); ++k) out += (k ? ", " : " ") + sheets[k];
        out += "\n";
    }
    return out;
}

// True when the session may end: nothing made in it would be lost, or the
// person agrees to lose it.
bool mayQuit(TerminalDriver& driver, const std::map<std::string, std::string>& roles) {
    const auto unsaved = host::unsavedWorkbooks();
    if (unsaved.empty()) return true;
    std::ostream& out = driver.out();
    out << "These workbooks were made in this session and are not saved:\n";
    for (const std::string& book : unsaved) {
        auto role = roles.find(book);
        out << "  " << book << (role != roles.end() ? " (" + role->second + ")" : "") << "\n";
    }
    out << "(save one with: save BOOK PATH.xlsx)\n";
    if (driver.ask("quit and discard them?", {"yes", "no"}, "no") != "yes") return false;
    // Discarded as agreed, so that the program's note on workbooks left
    // unsaved is kept for a session that ends without being asked.
    std::string error;
    for (const std::string& book : unsaved) host::closeWorkbook(book, error);
    return true;
}

}  // namespace

int runTerminalSession(std::istream& in, std::ostream& out, bool echo, bool quiet,
                       LineReader reader) {
    TerminalDriver driver(in, out, echo);
    driver.setShowStatus(!quiet);
    if (reader) driver.setLineReader(std::move(reader));
    gui::ScopedDriver scoped(&driver);
    host::FrontEnd* previousFront = host::frontEnd();
    host::setFrontEnd(&driver);
    std::map<std::string, std::string> roles;  // what the workbooks made by menu commands hold
    out << "Quorant. Type help for the commands, menu for the menus.\n";
    for (;;) {
        std::string line;
        if (!driver.readLine("quorant> ", line)) break;
        std::vector<std::string> w;
        std::string error;
        if (!splitScriptWords(line, w, error)) {
            out << "! " << error << "\n";
            continue;
        }
        if (w.empty()) continue;
        const std::string& cmd = w[0];
        bool ok = true;
        if (cmd == "quit" || cmd == "exit") {
            if (mayQuit(driver, roles)) break;
        } else if (cmd == "help" || cmd == "?") {
            out << kSessionHelp;
        } else if (cmd == "menu") {
            out << menuListing();
        } else if (cmd == "pick" && w.size() >= 3) {
            std::vector<std::string> path;
            std::string command;
            int result = 0;
            const auto before = host::windows();
            ok = menuPath(w, path, command, error) && host::runMenuItem(path, result, error);
            if (ok) {
                std::vector<std::string> made;
                for (const std::string& b : host::windows())
                    if (std::find(before.begin(), before.end(), b) == before.end())
                        made.push_back(b);
                noteRoles(made, command, path.back(), roles);
                out << "(" << join(path, 0) << " returned " << result << ")\n";
            }
        } else if (cmd == "open" && w.size() == 2) {
            ok = host::openWorkbook(w[1], error);
            if (ok) out << "opened " << host::activeWorkbook() << "\n";
        } else if (cmd == "new" && w.size() == 1) {
            out << "opened " << host::newWorkbook() << "\n";
        } else if (cmd == "books" && w.size() == 1) {
            out << booksListing(roles);
        } else if (cmd == "book" && w.size() == 2) {
            ok = host::activateWorkbook(w[1], error);
        } else if (cmd == "sheet" && w.size() == 2) {
            ok = host::selectSheet(w[1], error);
        } else if (cmd == "select" && w.size() == 2) {
            ok = host::selectRange(w[1], error);
            if (ok) out << "selected " << host::selectionText() << "\n";
        } else if (cmd == "enter" && w.size() >= 2) {
            ok = host::enterCell(w[1], join(w, 2), error);
        } else if ((cmd == "cells" || cmd == "formulas") && w.size() <= 2) {
            std::string text;
            ok = host::showSheet(w.size() == 2 ? w[1] : "", cmd == "formulas", text, error);
            if (ok) out << text << (text.empty() || text.back() == '\n' ? "" : "\n");
        } else if (cmd == "save" && w.size() == 3) {
            ok = host::saveWorkbook(w[1], w[2], error);
            if (ok) out << "saved " << w[1] << " as " << w[2] << "\n";
        } else if (cmd == "close" && w.size() == 2) {
            ok = host::closeWorkbook(w[1], error);
        } else if (cmd == "status" && w.size() == 1) {
            out << "status: " << host::statusBar() << "\n";
        } else {
            out << "! unknown command or wrong number of words; type help\n";
        }
        if (!ok) out << "! " << error << "\n";
    }
    host::setFrontEnd(previousFront);
    out << "bye\n";
    return 0;
}

}  // namespace app::drivers
