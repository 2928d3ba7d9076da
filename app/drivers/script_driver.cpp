#include "app/drivers/script_driver.h"

#include <ostream>

#include "app/drivers/dialog_box.h"
#include "app/interrupt.h"
#include "gui/file_dialog.h"

namespace app::drivers {

namespace {

const char* buttonName(int button) {
    switch (button) {
        case gui::IDOK:
            return "ok";
        case gui::IDCANCEL:
            return "cancel";
        case gui::IDYES:
            return "yes";
        case gui::IDNO:
            return "no";
    }
    return "?";
}

std::string shortText(const std::string& text) {
    std::string out;
    for (char ch : text) out += ch == '\n' ? ' ' : ch;
    return out;
}

}  // namespace

ScriptDriver& scriptDriver() {
    static ScriptDriver driver;
    return driver;
}

bool checkScriptDriver(std::string& error) {
    std::string failure = scriptDriver().takeFailure();
    if (failure.empty()) return true;
    error = failure;
    return false;
}

void ScriptDriver::clear() {
    answers_.clear();
    failure_.clear();
}

std::string ScriptDriver::takeFailure() {
    std::string out;
    out.swap(failure_);
    return out;
}

void ScriptDriver::fail(const std::string& message) {
    if (failure_.empty()) failure_ = message;
}

bool ScriptDriver::take(AnswerKind kind, const std::string& what, Answer& answer) {
    if (failed()) return false;  // a failure is being reported: cancel everything
    if (answers_.empty()) {
        fail(what + " opened with no answer queued");
        return false;
    }
    if (answers_.front().kind != kind) {
        fail(what + " opened, but the next answer is " + describeAnswer(answers_.front()));
        return false;
    }
    answer = answers_.front();
    answers_.pop_front();
    return true;
}

void ScriptDriver::runModal(gui::ModalWindow& window) {
    const std::string what = "dialog " + describeWindow(window);
    Answer answer;
    if (!take(AnswerKind::Dialog, what, answer)) {
        window.userCancel();
        return;
    }
    if (!answer.match.empty() && answer.match != window.caption() &&
        answer.match != window.className()) {
        fail(what + " opened, but the next answer is " + describeAnswer(answer));
        window.userCancel();
        return;
    }
    const std::size_t before = answers_.size();
    for (auto it = answer.steps.rbegin(); it != answer.steps.rend(); ++it) {
        if (it->kind == StepKind::Queue && it->nested) answers_.push_front(*it->nested);
    }
    const std::size_t nested = answers_.size() - before;
    std::string error;
    if (!playSteps(window, answer.steps, error)) {
        fail(error);
    } else if (!window.isEnded()) {
        fail(what + " is still open after its answer (" + describeAnswer(answer) +
             ") ended; finish it with ok or cancel");
    } else if (answers_.size() > before && !failed()) {
        fail(describeAnswer(answers_.front()) + " was not used while " + what + " was open");
    }
    if (!window.isEnded()) window.userCancel();
    // Nested answers left over are dropped with their dialog.
    while (nested > 0 && answers_.size() > before) answers_.pop_front();
}

int ScriptDriver::messageBox(const std::string& text, const std::string& caption, int type) {
    const std::string what = "message box \"" + shortText(text) + "\"";
    Answer answer;
    int button =
        type == gui::MB_YESNO ? gui::IDNO : (type == gui::MB_OK ? gui::IDOK : gui::IDCANCEL);
    if (take(AnswerKind::MessageBox, what, answer)) {
        if (answer.checkText && answer.text != text) {
            fail("line " + std::to_string(answer.line) + ": the message box shows \"" + text +
                 "\", expected \"" + answer.text + "\"");
        } else {
            button = answer.button;
        }
    }
    if (out_ != nullptr) {
        *out_ << "[message-box] " << caption << ": " << shortText(text) << " -> "
              << buttonName(button) << "\n";
    }
    return button;
}

bool ScriptDriver::alert(const std::string& text, int type) {
    const bool withCancel = type == 1;
    const std::string what = "alert \"" + shortText(text) + "\"";
    Answer answer;
    // An alert with no answer of its own queued is answered OK, as the host
    // answers alerts when nobody is asked; only queued alert answers are used.
    bool ok = true;
    const bool queued = !answers_.empty() && answers_.front().kind == AnswerKind::Alert;
    if (queued && take(AnswerKind::Alert, what, answer)) {
        if (answer.checkText && answer.text != text) {
            fail("line " + std::to_string(answer.line) + ": the alert shows \"" + text +
                 "\", expected \"" + answer.text + "\"");
        } else {
            ok = answer.button == gui::IDOK || !withCancel;
        }
    }
    if (out_ != nullptr) {
        *out_ << "[alert] " << shortText(text) << " -> " << (ok ? "ok" : "cancel") << "\n";
    }
    return ok;
}

bool ScriptDriver::dialogBox(host::DialogTable& table) {
    const std::string what = "dialog box \"" + boxCaption(table) + "\"";
    Answer answer;
    if (!take(AnswerKind::DialogBox, what, answer)) return false;
    if (!answer.match.empty() && answer.match != boxCaption(table)) {
        fail(what + " opened, but the next answer is " + describeAnswer(answer));
        return false;
    }
    BoxOutcome outcome = BoxOutcome::Open;
    std::string error;
    if (!playBoxSteps(table, answer.boxSteps, outcome, error)) {
        fail(error);
        return false;
    }
    if (outcome == BoxOutcome::Open) {
        fail(what + " is still open after its answer (" + describeAnswer(answer) +
             ") ended; finish it with press or cancel");
        return false;
    }
    return outcome == BoxOutcome::Pressed;
}

void ScriptDriver::hostMessage(const std::string& text) {
    if (out_ != nullptr) *out_ << "[host] " << text << "\n";
}

void ScriptDriver::runFileDialog(gui::FileDialog& dialog) {
    const std::string what = "file dialog \"" + dialog.caption() + "\"";
    Answer answer;
    if (!take(AnswerKind::FileDialog, what, answer) || answer.cancel) {
        dialog.userCancel();
        return;
    }
    std::string problem;
    gui::FileDialog::Choice choice = dialog.userChoose(answer.path, false, &problem);
    if (choice == gui::FileDialog::Choice::NeedsReplaceConfirmation && answer.replace) {
        choice = dialog.userChoose(answer.path, true, &problem);
    }
    if (choice == gui::FileDialog::Choice::Accepted) interrupt::noteOutputFile(dialog.pathName());
    if (choice != gui::FileDialog::Choice::Accepted) {
        if (choice != gui::FileDialog::Choice::NeedsReplaceConfirmation) {
            fail("line " + std::to_string(answer.line) + ": " + what + ": " + problem);
        }
        dialog.userCancel();
    }
}

void ScriptDriver::showHelp(const std::string& path, int context, const std::string* contents) {
    if (out_ == nullptr) return;
    *out_ << "[help] " << path << " (context " << context << ")";
    *out_ << (contents != nullptr ? "\n" + *contents : std::string(": cannot be read"));
    if (contents == nullptr || contents->empty() || contents->back() != '\n') *out_ << "\n";
}

}  // namespace app::drivers
