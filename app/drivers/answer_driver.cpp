#include "app/drivers/answer_driver.h"

#include <ostream>

#include "app/drivers/dialog_box.h"
#include "gui/file_dialog.h"

namespace app::drivers {

namespace {

std::string oneLine(const std::string& text) {
    std::string out;
    for (char ch : text) out += ch == '\n' ? ' ' : ch;
    return out;
}

}  // namespace

bool parseControlValue(const std::string& text, ControlValue& out, std::string& error) {
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0) {
        error = "\"" + text + "\" is not of the form [PAGE/]CONTROL=VALUE";
        return false;
    }
    std::string target = text.substr(0, eq);
    out = ControlValue{};
    out.value = text.substr(eq + 1);
    const std::size_t slash = target.rfind('/');
    if (slash != std::string::npos) {
        out.page = target.substr(0, slash);
        target = target.substr(slash + 1);
    }
    if (target.empty()) {
        error = "\"" + text + "\" names no control";
        return false;
    }
    out.control = target;
    return true;
}

AnswerDriver::AnswerDriver(std::ostream& notices) : notices_(notices) {}

void AnswerDriver::addValue(const std::string& window, const ControlValue& value) {
    values_[window].push_back(value);
}

void AnswerDriver::setCancel(const std::string& window) {
    cancel_[window] = true;
}

void AnswerDriver::addFile(const std::string& path) {
    files_.push_back(path);
}

void AnswerDriver::fail(const std::string& message) {
    failures_.push_back(message);
    notices_ << "error: " << message << "\n";
}

std::vector<DialogStep> AnswerDriver::stepsFor(gui::ModalWindow& window) const {
    const std::vector<ControlValue>* values = nullptr;
    for (const std::string& key :
         {window.caption(), std::string(window.className()), std::string()}) {
        auto it = values_.find(key);
        if (it != values_.end()) {
            values = &it->second;
            break;
        }
    }
    bool cancel = false;
    for (const std::string& key :
         {window.caption(), std::string(window.className()), std::string()}) {
        auto it = cancel_.find(key);
        if (it != cancel_.end()) {
            cancel = it->second;
            break;
        }
    }
    std::vector<DialogStep> steps;
    std::string currentPage;
    for (const ControlValue& v : values != nullptr ? *values : std::vector<ControlValue>{}) {
        if (!v.page.empty() && v.page != currentPage) {
            DialogStep page;
            page.kind = StepKind::Page;
            page.text = v.page;
            steps.push_back(page);
            currentPage = v.page;
        }
        // The kind of control decides the events; it is looked up when the
        // step is played, so the step list says what a person would do with it.
        DialogStep step;
        step.kind = v.passThrough ? StepKind::Leave : StepKind::Set;
        step.control = v.control;
        step.text = v.value;
        steps.push_back(step);
    }
    DialogStep end;
    end.kind = cancel ? StepKind::Cancel : StepKind::Ok;
    steps.push_back(end);
    return steps;
}

void AnswerDriver::runModal(gui::ModalWindow& window) {
    const std::string what = "dialog " + describeWindow(window);
    std::string error;
    for (DialogStep step : stepsFor(window)) {
        if (window.isEnded()) break;
        // A value step becomes the events that suit the control it names.
        std::vector<DialogStep> play;
        if (step.kind == StepKind::Set) {
            gui::Dialog* form = window.currentForm();
            gui::Control* c =
                form != nullptr ? resolveControl(*form, step.control, error) : nullptr;
            if (c == nullptr) {
                fail(what + ": " + (error.empty() ? "no page is shown" : error));
                break;
            }
            DialogStep s = step;
            switch (c->kind) {
                case gui::ControlKind::Edit: {
                    play.push_back(s);
                    DialogStep leave = s;
                    leave.kind = StepKind::Leave;
                    play.push_back(leave);
                    break;
                }
                case gui::ControlKind::CheckBox:
                case gui::ControlKind::RadioButton:
                    s.kind = StepKind::Check;
                    if (!parseOnOff(step.text, s.on)) {
                        fail(what + ": " + describeControl(*c) + " takes on or off, not \"" +
                             step.text + "\"");
                        window.userCancel();
                        return;
                    }
                    play.push_back(s);
                    break;
                case gui::ControlKind::ListBox:
                    s.kind = StepKind::Select;
                    play.push_back(s);
                    break;
                case gui::ControlKind::PushButton:
                    s.kind = StepKind::Click;
                    play.push_back(s);
                    break;
                default:
                    fail(what + ": " + describeControl(*c) + " takes no value");
                    window.userCancel();
                    return;
            }
        } else {
            play.push_back(step);
        }
        if (!playSteps(window, play, error)) {
            fail(what + ": " + error);
            break;
        }
    }
    if (!window.isEnded()) {
        if (failures_.empty() || failures_.back().rfind(what, 0) != 0) {
            fail(what + " stayed open after OK");
        }
        window.userCancel();
    }
}

int AnswerDriver::messageBox(const std::string& text, const std::string& caption, int type) {
    int answer = gui::IDOK;
    if (type == gui::MB_YESNO) answer = messageOk_ ? gui::IDYES : gui::IDNO;
    if (type == gui::MB_OKCANCEL) answer = messageOk_ ? gui::IDOK : gui::IDCANCEL;
    notices_ << caption << ": " << oneLine(text) << "\n";
    return answer;
}

void AnswerDriver::runFileDialog(gui::FileDialog& dialog) {
    if (files_.empty()) {
        fail("file dialog \"" + dialog.caption() + "\" opened, but no file was given for it");
        dialog.userCancel();
        return;
    }
    const std::string path = files_.front();
    files_.pop_front();
    std::string problem;
    gui::FileDialog::Choice choice = dialog.userChoose(path, true, &problem);
    if (choice != gui::FileDialog::Choice::Accepted) {
        fail("file dialog \"" + dialog.caption() + "\": " + problem);
        dialog.userCancel();
    }
}

void AnswerDriver::showHelp(const std::string& path, int /*context*/, const std::string* contents) {
    if (contents == nullptr) {
        notices_ << "help: " << path << " cannot be read\n";
    } else {
        notices_ << *contents;
        if (!contents->empty() && contents->back() != '\n') notices_ << "\n";
    }
}

bool AnswerDriver::alert(const std::string& text, int type) {
    notices_ << oneLine(text) << "\n";
    return type != 1 || alertOk_;
}

bool AnswerDriver::dialogBox(host::DialogTable& table) {
    BoxOutcome outcome = BoxOutcome::Open;
    std::string error;
    if (!playBoxSteps(table, boxSteps_, outcome, error)) {
        fail("dialog box \"" + boxCaption(table) + "\": " + error);
        return false;
    }
    if (outcome == BoxOutcome::Open) {
        table.pressed = 0;  // the default button
        return true;
    }
    return outcome == BoxOutcome::Pressed;
}

void AnswerDriver::hostMessage(const std::string& text) {
    notices_ << oneLine(text) << "\n";
}

}  // namespace app::drivers
