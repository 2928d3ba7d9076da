#include "app/drivers/dialog_steps.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace app::drivers {

using gui::Control;
using gui::ControlKind;

namespace {

std::string lowered(const std::string& text) {
    std::string out;
    for (char ch : text) {
        if (ch == '&') continue;
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    return out;
}

// A label as a person types it: letter case, '&' marks, line breaks and runs
// of blanks do not count, nor a trailing '=' or ':' ("lpl =" is "lpl").
std::string labelKey(const std::string& text) {
    std::string out;
    for (char ch : lowered(text)) {
        const bool blank = ch == ' ' || ch == '\n' || ch == '\t' || ch == '\r';
        if (blank && (out.empty() || out.back() == ' ')) continue;
        out += blank ? ' ' : ch;
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '=' || out.back() == ':'))
        out.pop_back();
    return out;
}

bool isNumber(const std::string& text) {
    if (text.empty()) return false;
    std::size_t start = text[0] == '-' ? 1 : 0;
    return start < text.size() &&
           std::all_of(text.begin() + static_cast<long>(start), text.end(),
                       [](char ch) { return std::isdigit(static_cast<unsigned char>(ch)) != 0; });
}

std::string onOff(bool on) {
    return on ? "on" : "off";
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char ch : text) {
        if (ch == '\n') {
            out += "\\n";
        } else if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else {
            out += ch;
        }
    }
    return out + "\"";
}

bool playStep(gui::ModalWindow& window, const DialogStep& step, std::string& error) {
    gui::Dialog* form = window.currentForm();
    if (form == nullptr) {
        error = describeWindow(window) + " shows no page";
        return false;
    }
    Control* c = nullptr;
    switch (step.kind) {
        case StepKind::Set:
        case StepKind::Leave:
        case StepKind::Click:
        case StepKind::Check:
        case StepKind::Select:
        case StepKind::ExpectText:
        case StepKind::ExpectChecked:
        case StepKind::ExpectEnabled:
        case StepKind::ExpectItems:
        case StepKind::ExpectSelected:
            c = resolveControl(*form, step.control, error);
            if (c == nullptr) return false;
            break;
        default:
            break;
    }
    const int id = c != nullptr ? c->id : 0;
    switch (step.kind) {
        case StepKind::Set:
            error = form->userType(id, step.text);
            break;
        case StepKind::Leave:
            error = form->userLeave(id);
            break;
        case StepKind::Click:
            error = form->userClick(id);
            break;
        case StepKind::Check: {
            if (c->kind != ControlKind::CheckBox && c->kind != ControlKind::RadioButton) {
                error = describeControl(*c) + " is not a check box or radio button";
                return false;
            }
            bool isOn = c->checked == gui::kChecked;
            if (isOn == step.on) return true;
            if (c->kind == ControlKind::RadioButton && !step.on) {
                error = describeControl(*c) + " is turned off by choosing another button";
                return false;
            }
            error = form->userClick(id);
            if (!error.empty()) return false;
            Control* after = form->control(id);
            if (after != nullptr && (after->checked == gui::kChecked) != step.on) {
                error = describeControl(*after) + " stays " + onOff(!step.on) + " after the click";
                return false;
            }
            break;
        }
        case StepKind::Select: {
            if (c->kind != ControlKind::ListBox) {
                error = describeControl(*c) + " is not a list box";
                return false;
            }
            int index = -1;
            if (isNumber(step.text)) {
                index = std::atoi(step.text.c_str()) - 1;
            } else {
                auto it = std::find(c->items.begin(), c->items.end(), step.text);
                if (it == c->items.end()) {
                    error = describeControl(*c) + " has no item " + quoted(step.text);
                    return false;
                }
                index = static_cast<int>(it - c->items.begin());
            }
            error = form->userSelect(id, index);
            break;
        }
        case StepKind::Page: {
            int index = -1;
            if (isNumber(step.text)) {
                index = std::atoi(step.text.c_str()) - 1;
            } else {
                for (int i = 0; i < window.pageCount(); ++i) {
                    if (lowered(window.pageTitle(i)) == lowered(step.text)) index = i;
                }
                if (index < 0) {
                    error = describeWindow(window) + " has no page " + quoted(step.text);
                    return false;
                }
            }
            error = window.userSwitchPage(index);
            break;
        }
        case StepKind::ExpectText:
            if (c->text != step.text) {
                error = describeControl(*c) + ": expected text " + quoted(step.text) + ", found " +
                        quoted(c->text);
            }
            break;
        case StepKind::ExpectChecked:
            if ((c->checked == gui::kChecked) != step.on) {
                error = describeControl(*c) + ": expected " + onOff(step.on) + ", found " +
                        onOff(!step.on);
            }
            break;
        case StepKind::ExpectEnabled:
            if (c->enabled != step.on) {
                error = describeControl(*c) + ": expected enabled " + onOff(step.on) + ", found " +
                        onOff(c->enabled);
            }
            break;
        case StepKind::ExpectItems: {
            std::string count = std::to_string(c->items.size());
            if (count != step.text) {
                error = describeControl(*c) + ": expected " + step.text + " items, found " + count;
            }
            break;
        }
        case StepKind::ExpectSelected: {
            std::string selected = std::to_string(c->selection + 1);
            if (selected != step.text) {
                error = describeControl(*c) + ": expected item " + step.text + " selected, found " +
                        selected;
            }
            break;
        }
        case StepKind::ExpectCaption:
            if (window.caption() != step.text) {
                error = describeWindow(window) + ": expected caption " + quoted(step.text);
            }
            break;
        case StepKind::Ok:
            error = window.userOk();
            break;
        case StepKind::Cancel:
            error = window.userCancel();
            break;
        case StepKind::Queue:
            break;
    }
    return error.empty();
}

}  // namespace

std::string describeWindow(gui::ModalWindow& window) {
    return quoted(window.caption()) + " (" + window.className() + ")";
}

std::string describeControl(const Control& control) {
    std::string out =
        std::string(gui::controlKindName(control.kind)) + " " + std::to_string(control.id);
    if (!control.label.empty()) out += " " + quoted(control.label);
    return out;
}

std::string shownValue(const Control& c) {
    switch (c.kind) {
        case ControlKind::CheckBox:
        case ControlKind::RadioButton:
            return onOff(c.checked == gui::kChecked);
        case ControlKind::ListBox:
            if (c.selection < 0)
                return "(" + std::to_string(c.items.size()) + " items, none chosen)";
            return "(" + std::to_string(c.items.size()) + " items) " +
                   std::to_string(c.selection + 1) + ": " +
                   quoted(c.items[static_cast<std::size_t>(c.selection)]);
        case ControlKind::ProgressBar:
            return std::to_string(c.position) + " of " + std::to_string(c.rangeLow) + ".." +
                   std::to_string(c.rangeHigh);
        case ControlKind::PushButton:
            return {};
        default:
            return quoted(c.text);
    }
}

Control* resolveControl(gui::Dialog& form, const std::string& ref, std::string& error) {
    if (isNumber(ref)) {
        Control* c = form.control(std::atoi(ref.c_str()));
        if (c == nullptr) error = "\"" + form.caption() + "\" has no control " + ref;
        return c;
    }
    const std::string wanted = labelKey(ref);
    Control* found = nullptr;
    for (const auto& c : form.controls()) {
        if (c->id == gui::IDC_STATIC || labelKey(c->label) != wanted) continue;
        if (found != nullptr) {
            error = "\"" + form.caption() + "\": the label " + quoted(ref) +
                    " names more than one control; use the id";
            return nullptr;
        }
        found = c.get();
    }
    if (found == nullptr)
        error = "\"" + form.caption() + "\" has no control labelled " + quoted(ref);
    return found;
}

bool parseOnOff(const std::string& word, bool& on) {
    const std::string w = lowered(word);
    if (w == "on" || w == "yes" || w == "true" || w == "1" || w == "checked") {
        on = true;
        return true;
    }
    if (w == "off" || w == "no" || w == "false" || w == "0" || w == "unchecked") {
        on = false;
        return true;
    }
    return false;
}

bool playSteps(gui::ModalWindow& window, const std::vector<DialogStep>& steps, std::string& error) {
    for (const DialogStep& step : steps) {
        if (window.isEnded()) {
            error = describeWindow(window) + " closed before all its steps were done";
            if (step.line != 0) error = "line " + std::to_string(step.line) + ": " + error;
            return false;
        }
        if (!playStep(window, step, error)) {
            if (step.line != 0) error = "line " + std::to_string(step.line) + ": " + error;
            return false;
        }
    }
    return true;
}

}  // namespace app::drivers
