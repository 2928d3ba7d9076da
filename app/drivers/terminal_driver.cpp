#include "app/drivers/terminal_driver.h"

#include <istream>
#include <ostream>
#include <sstream>

#include "app/drivers/dialog_box.h"
#include "app/drivers/dialog_steps.h"
#include "app/script.h"
#include "gui/file_dialog.h"

namespace app::drivers {

namespace {

const char* kDialogHelp =
    "  set CONTROL TEXT    type TEXT into an edit box (\\n for a new line)\n"
    "  leave CONTROL       move the focus out of a box\n"
    "  click CONTROL       click a button, check box or radio button\n"
    "  select CONTROL N    choose item N (from 1) of a list box\n"
    "  page N|TITLE        switch to another page of a property sheet\n"
    "  ok | cancel         close the window\n"
    "  show                list the window again\n"
    "  CONTROL is the number in the first column or the label shown.\n";

const char* kBoxHelp =
    "  set ROW TEXT        fill an edit box\n"
    "  check ROW on|off    set a check box\n"
    "  choose ROW N        choose option or list item N (from 1)\n"
    "  press ROW           press a button (ok presses the default)\n"
    "  ok | cancel | show\n";

std::string oneLine(const std::string& text) {
    std::string out;
    for (char ch : text) out += ch == '\n' ? ' ' : ch;
    return out;
}

std::string join(const std::vector<std::string>& words, std::size_t from) {
    std::string out;
    for (std::size_t i = from; i < words.size(); ++i) out += (i > from ? " " : "") + words[i];
    return out;
}

void listControl(std::ostream& out, const gui::Control& c) {
    using gui::ControlKind;
    if (!c.visible) return;
    if (c.kind == ControlKind::StaticText) return;
    if (c.kind == ControlKind::GroupBox) {
        if (!c.text.empty()) out << "  -- " << oneLine(c.text) << " --\n";
        return;
    }
    out << "  " << c.id << "  ";
    switch (c.kind) {
        case ControlKind::CheckBox:
            out << (c.checked == gui::kChecked ? "[x] " : "[ ] ") << c.label;
            break;
        case ControlKind::RadioButton:
            out << (c.checked == gui::kChecked ? "(*) " : "( ) ") << c.label;
            break;
        case ControlKind::PushButton:
            out << "<" << oneLine(c.text) << ">";
            break;
        case ControlKind::ListBox:
            out << c.label << (c.label.empty() ? "" : ": ") << "list, chosen "
                << (c.selection < 0 ? std::string("none") : std::to_string(c.selection + 1));
            for (std::size_t i = 0; i < c.items.size(); ++i) {
                out << "\n        " << i + 1 << ". " << c.items[i];
            }
            break;
        default:
            out << c.label << (c.label.empty() ? "" : ": ") << shownValue(c);
            if (c.kind == ControlKind::Edit && c.readOnly) out << " (read-only)";
            if (c.kind == ControlKind::Edit && c.has(gui::kDigitsOnly)) out << " (digits)";
            break;
    }
    if (!c.enabled) out << " (disabled)";
    out << "\n";
}

}  // namespace

TerminalDriver::TerminalDriver(std::istream& in, std::ostream& out, bool echo)
    : in_(in), out_(out), echo_(echo) {}

bool TerminalDriver::readLine(const std::string& prompt, std::string& line) {
    if (reader_) {
        out_ << std::flush;
        if (ended_ || !reader_(prompt, line)) {
            ended_ = true;
            out_ << "\n";
            return false;
        }
        return true;
    }
    out_ << prompt << std::flush;
    if (ended_ || !std::getline(in_, line)) {
        ended_ = true;
        out_ << "\n";
        return false;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (echo_) out_ << line << "\n";
    return true;
}

std::string TerminalDriver::ask(const std::string& question,
                                const std::vector<std::string>& answers,
                                const std::string& fallback) {
    std::string options;
    for (const std::string& a : answers) options += (options.empty() ? "" : "/") + a;
    for (;;) {
        std::string line;
        if (!readLine(question + " [" + options + "] ", line)) return fallback;
        std::string word = line.substr(0, line.find_first_of(" \t"));
        for (const std::string& a : answers) {
            if (!word.empty() && a.compare(0, word.size(), word) == 0) return a;
        }
        out_ << "please answer " << options << "\n";
    }
}

std::string TerminalDriver::listing(gui::ModalWindow& window) {
    std::ostringstream out;
    out << "=== " << window.caption() << " (" << window.className() << ") ===\n";
    if (window.pageCount() > 0) {
        out << "  pages:";
        for (int i = 0; i < window.pageCount(); ++i) {
            const bool active = i == window.activePageIndex();
            out << "  " << (active ? "*" : "") << i + 1 << " " << window.pageTitle(i)
                << (active ? "*" : "");
        }
        out << "\n";
    }
    if (gui::Dialog* form = window.currentForm()) {
        const auto& all = form->controls();
        for (std::size_t i = 0; i < all.size(); ++i) {
            // A small frame titled like the one control inside it adds nothing.
            const gui::Control& c = *all[i];
            if (c.kind == gui::ControlKind::GroupBox && i + 1 < all.size() &&
                oneLine(c.text) == all[i + 1]->label) {
                continue;
            }
            listControl(out, c);
        }
    }
    return out.str();
}

void TerminalDriver::runModal(gui::ModalWindow& window) {
    if (ended_) {
        window.userCancel();
        return;
    }
    out_ << listing(window);
    while (!window.isEnded()) {
        std::string line;
        if (!readLine(window.caption() + "> ", line)) {
            out_ << "(input ended: " << window.caption() << " is cancelled)\n";
            window.userCancel();
            if (!window.isEnded()) window.EndDialog(gui::IDCANCEL);
            return;
        }
        std::vector<std::string> w;
        std::string error;
        if (!splitScriptWords(line, w, error)) {
            out_ << "! " << error << "\n";
            continue;
        }
        if (w.empty()) continue;
        const std::string& cmd = w[0];
        DialogStep step;
        if (cmd == "help" || cmd == "?") {
            out_ << kDialogHelp;
            continue;
        } else if (cmd == "show") {
            out_ << listing(window);
            continue;
        } else if (cmd == "ok" && w.size() == 1) {
            step.kind = StepKind::Ok;
        } else if (cmd == "cancel" && w.size() == 1) {
            step.kind = StepKind::Cancel;
        } else if (cmd == "page" && w.size() >= 2) {
            step.kind = StepKind::Page;
            step.text = join(w, 1);
        } else if (cmd == "set" && w.size() >= 2) {
            step.kind = StepKind::Set;
            step.control = w[1];
            step.text = join(w, 2);
        } else if ((cmd == "leave" || cmd == "click" || cmd == "toggle") && w.size() == 2) {
            step.kind = cmd == "leave" ? StepKind::Leave : StepKind::Click;
            step.control = w[1];
        } else if (cmd == "select" && w.size() >= 3) {
            step.kind = StepKind::Select;
            step.control = w[1];
            step.text = join(w, 2);
        } else {
            out_ << "! unknown command; type help\n";
            continue;
        }
        if (!playSteps(window, {step}, error)) {
            out_ << "! " << error << "\n";
        } else if (!window.isEnded()) {
            out_ << listing(window);
        }
    }
}

int TerminalDriver::messageBox(const std::string& text, const std::string& caption, int type) {
    out_ << "+-- " << caption << "\n";
    std::istringstream lines(text);
    for (std::string l; std::getline(lines, l);) out_ << "| " << l << "\n";
    if (type == gui::MB_YESNO)
        return ask("+--", {"yes", "no"}, "no") == "yes" ? gui::IDYES : gui::IDNO;
    if (type == gui::MB_OKCANCEL) {
        return ask("+--", {"ok", "cancel"}, "cancel") == "ok" ? gui::IDOK : gui::IDCANCEL;
    }
    std::string line;
    readLine("+-- [ok: press Enter] ", line);
    return gui::IDOK;
}

void TerminalDriver::runFileDialog(gui::FileDialog& dialog) {
    out_ << "=== " << dialog.caption() << " ===\n";
    for (const gui::FileFilter& f : dialog.filters())
        out_ << "  " << f.description << "  " << f.pattern << "\n";
    if (!dialog.defaultExtension().empty()) {
        out_ << "  a name without extension gets "
             << gui::applyDefaultExtension("x", dialog.defaultExtension()).substr(1) << "\n";
    }
    const std::string initial =
        dialog.initialName().empty() ? "" : " [" + dialog.initialName() + "]";
    for (;;) {
        std::string name;
        if (!readLine("file name" + initial + " (empty: cancel): ", name) || name.empty()) {
            dialog.userCancel();
            return;
        }
        std::string problem;
        auto choice = dialog.userChoose(name, false, &problem);
        if (choice == gui::FileDialog::Choice::NeedsReplaceConfirmation) {
            out_ << problem << "\n";
            if (ask("replace?", {"yes", "no"}, "no") == "yes")
                choice = dialog.userChoose(name, true, &problem);
            if (choice != gui::FileDialog::Choice::Accepted) continue;
        }
        if (choice == gui::FileDialog::Choice::Accepted) return;
        out_ << "! " << problem << "\n";
    }
}

void TerminalDriver::showHelp(const std::string& path, int context, const std::string* contents) {
    out_ << "=== help: " << path << " (context " << context << ") ===\n";
    if (contents == nullptr) {
        out_ << "! the help file cannot be read\n";
        return;
    }
    out_ << *contents;
    if (!contents->empty() && contents->back() != '\n') out_ << "\n";
}

void TerminalDriver::status(const std::string& text) {
    if (showStatus_) out_ << "[status] " << text << "\n";
}

bool TerminalDriver::alert(const std::string& text, int type) {
    out_ << "+-- alert\n";
    std::istringstream lines(text);
    for (std::string l; std::getline(lines, l);) out_ << "| " << l << "\n";
    if (type == 1) return ask("+--", {"ok", "cancel"}, "cancel") == "ok";
    std::string line;
    readLine("+-- [ok: press Enter] ", line);
    return true;
}

void TerminalDriver::hostMessage(const std::string& text) {
    out_ << "[host] " << text << "\n";
}

bool TerminalDriver::dialogBox(host::DialogTable& table) {
    if (ended_) return false;
    out_ << boxListing(table);
    for (;;) {
        std::string line;
        if (!readLine(boxCaption(table) + "> ", line)) {
            out_ << "(input ended: " << boxCaption(table) << " is cancelled)\n";
            return false;
        }
        std::vector<std::string> w;
        std::string error;
        if (!splitScriptWords(line, w, error)) {
            out_ << "! " << error << "\n";
            continue;
        }
        if (w.empty()) continue;
        if (w[0] == "help" || w[0] == "?") {
            out_ << kBoxHelp;
            continue;
        }
        if (w[0] == "show") {
            out_ << boxListing(table);
            continue;
        }
        if (w[0] == "ok" && w.size() == 1) {
            table.pressed = 0;
            return true;
        }
        // The remaining commands share the script's dialog-box steps.
        ScriptLine sl;
        sl.words = w;
        if (w[0] == "set" && w.size() > 3) sl.words = {w[0], w[1], join(w, 2)};
        Answer parsed;
        ScriptLine wrapper;
        wrapper.words = {"dialog-box"};
        wrapper.hasBlock = true;
        wrapper.block.push_back(sl);
        if (!parseAnswer(wrapper, "", parsed, error)) {
            out_ << "! " << error.substr(error.find(": ") + 2) << "; type help\n";
            continue;
        }
        BoxOutcome outcome = BoxOutcome::Open;
        if (!playBoxStep(table, parsed.boxSteps[0], outcome, error)) {
            out_ << "! " << error << "\n";
            continue;
        }
        if (outcome != BoxOutcome::Open) return outcome == BoxOutcome::Pressed;
        out_ << boxListing(table);
    }
}

}  // namespace app::drivers
