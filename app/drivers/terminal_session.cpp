// The interactive session: a person works with the host (workbooks, cells,
// menus) and answers every window in the terminal.
#include <cctype>
#include <istream>
#include <ostream>

#include "app/drivers/terminal_driver.h"
#include "app/interrupt.h"
#include "app/script.h"
#include "host/host.h"

namespace app::drivers {

namespace {

const char* kSessionHelp =
    "  menu                       show the menu bar, numbered\n"
    "  pick MENU [SUBMENU] ITEM   run a menu item, by texts or by the numbers of 'menu'\n"
    "  open PATH                  open a workbook (.xlsx, .csv, .txt, ...)\n"
    "  new                        open a new workbook\n"
    "  books                      list the open workbooks (active first)\n"
    "  book NAME                  make a workbook active\n"
    "  sheet NAME                 make a sheet of the active workbook active\n"
    "  select RANGE               select cells, e.g. A1:C4\n"
    "  enter REF TEXT             type into a cell, e.g. enter A3 =SUM(A1:A2)\n"
    "  cells [SHEET]              show the cells of a sheet\n"
    "  formulas [SHEET]           show the cells with their formulas\n"
    "  save BOOK PATH             save a workbook\n"
    "  close BOOK                 close a workbook without saving\n"
    "  status                     show the status bar\n"
    "  quit                       end the session\n";

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

bool sameText(const std::string& a, const std::string& b) {
    return menuKey(a) == menuKey(b);
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

// Numbers as shown by 'menu' become the texts the host matches.
bool menuPath(const std::vector<std::string>& words, std::vector<std::string>& path,
              std::string& error) {
    path.assign(words.begin() + 1, words.end());
    const std::vector<host::MenuItemInfo> bar = host::menuBar();
    const std::vector<host::MenuItemInfo>* level = &bar;
    std::vector<const host::MenuItemInfo*> choices;
    for (std::size_t i = 0; i < path.size(); ++i) {
        choices.clear();
        if (i == 0) {
            for (const auto& m : *level) choices.push_back(&m);
        } else {
            choices = realItems(*level);
        }
        const host::MenuItemInfo* chosen = nullptr;
        if (isNumber(path[i])) {
            std::size_t n = std::stoul(path[i]);
            if (n < 1 || n > choices.size()) {
                error = "there is no entry " + path[i] + " there (see 'menu')";
                return false;
            }
            chosen = choices[n - 1];
            path[i] = chosen->text;
        } else {
            for (const auto* c : choices) {
                if (sameText(c->text, path[i])) chosen = c;
            }
        }
        if (chosen == nullptr) return true;  // the host reports unknown texts
        level = &chosen->items;
    }
    return true;
}

}  // namespace

int runTerminalSession(std::istream& in, std::ostream& out, bool echo) {
    TerminalDriver driver(in, out, echo);
    gui::ScopedDriver scoped(&driver);
    host::FrontEnd* previousFront = host::frontEnd();
    host::setFrontEnd(&driver);
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
            break;
        } else if (cmd == "help" || cmd == "?") {
            out << kSessionHelp;
        } else if (cmd == "menu") {
            out << menuListing();
        } else if (cmd == "pick" && w.size() >= 3) {
            std::vector<std::string> path;
            int result = 0;
            ok = menuPath(w, path, error) && host::runMenuItem(path, result, error);
            if (ok) out << "(" << join(path, 0) << " returned " << result << ")\n";
        } else if (cmd == "open" && w.size() == 2) {
            ok = host::openWorkbook(w[1], error);
            if (ok) out << "opened " << host::activeWorkbook() << "\n";
        } else if (cmd == "new" && w.size() == 1) {
            out << "opened " << host::newWorkbook() << "\n";
        } else if (cmd == "books" && w.size() == 1) {
            for (const std::string& b : host::windows()) out << "  " << b << "\n";
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
            interrupt::noteOutputFile(w[2]);
            ok = host::saveWorkbook(w[1], w[2], error);
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
