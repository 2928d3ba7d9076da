#include "tests/support/queued_user.h"

#include "gui/file_dialog.h"

namespace testui {

std::vector<std::string> QueuedUser::messageTexts() const {
    std::vector<std::string> out;
    for (const Shown& s : messageBoxes) out.push_back(s.text);
    return out;
}

std::vector<std::string> QueuedUser::alertTexts() const {
    std::vector<std::string> out;
    for (const Shown& s : alerts) out.push_back(s.text);
    return out;
}

bool QueuedUser::allUsed() const {
    return windowSteps_.empty() && boxSteps_.empty() && messageAnswers_.empty() &&
           alertAnswers_.empty();
}

void QueuedUser::clear() {
    windows.clear();
    messageBoxes.clear();
    alerts.clear();
    statuses.clear();
    dialogBoxes.clear();
    unexpected.clear();
    windowSteps_.clear();
    boxSteps_.clear();
    messageAnswers_.clear();
    alertAnswers_.clear();
}

void QueuedUser::runModal(gui::ModalWindow& window) {
    windows.push_back(window.caption());
    if (windowSteps_.empty()) {
        unexpected.push_back("window \"" + window.caption() + "\"");
        return;  // the framework cancels it
    }
    WindowStep step = std::move(windowSteps_.front());
    windowSteps_.pop_front();
    step(window);
}

int QueuedUser::messageBox(const std::string& text, const std::string& caption, int type) {
    int answer = gui::IDOK;
    if (!messageAnswers_.empty()) {
        answer = messageAnswers_.front();
        messageAnswers_.pop_front();
    }
    messageBoxes.push_back({text, caption, type, answer == gui::IDOK || answer == gui::IDYES});
    return answer;
}

void QueuedUser::runFileDialog(gui::FileDialog& dialog) {
    unexpected.push_back("file dialog \"" + dialog.caption() + "\"");
    dialog.userCancel();
}

void QueuedUser::showHelp(const std::string& path, int, const std::string*) {
    unexpected.push_back("help \"" + path + "\"");
}

bool QueuedUser::alert(const std::string& text, int type) {
    bool ok = true;
    if (!alertAnswers_.empty()) {
        ok = alertAnswers_.front();
        alertAnswers_.pop_front();
    }
    alerts.push_back({text, "", type, ok});
    return ok;
}

bool QueuedUser::dialogBox(host::DialogTable& table) {
    dialogBoxes.push_back(table);
    if (boxSteps_.empty()) {
        unexpected.push_back("dialog box \"" + (table.rows() ? table.cells[0][5] : "") + "\"");
        return false;
    }
    BoxStep step = std::move(boxSteps_.front());
    boxSteps_.pop_front();
    return step(table);
}

QueuedUser::Install::Install(QueuedUser& user)
    : previousDriver_(gui::setActiveDriver(&user)), previousFrontEnd_(host::frontEnd()) {
    host::setFrontEnd(&user);
}

QueuedUser::Install::~Install() {
    gui::setActiveDriver(previousDriver_);
    host::setFrontEnd(previousFrontEnd_);
}

namespace {

gui::Dialog* form(gui::ModalWindow& window) {
    return window.currentForm();
}

}  // namespace

std::string type(gui::ModalWindow& window, int id, const std::string& text) {
    gui::Dialog* f = form(window);
    return f ? f->userType(id, text) : "no form is shown";
}

std::string enter(gui::ModalWindow& window, int id, const std::string& text) {
    std::string problem = type(window, id, text);
    if (!problem.empty()) return problem;
    gui::Dialog* f = form(window);
    return f ? f->userLeave(id) : "no form is shown";
}

std::string click(gui::ModalWindow& window, int id) {
    gui::Dialog* f = form(window);
    return f ? f->userClick(id) : "no form is shown";
}

std::string page(gui::ModalWindow& window, const std::string& title) {
    for (int i = 0; i < window.pageCount(); ++i)
        if (window.pageTitle(i) == title) return window.userSwitchPage(i);
    return "no page \"" + title + "\"";
}

std::string shownText(gui::ModalWindow& window, int id) {
    gui::Dialog* f = form(window);
    return f ? f->itemText(id) : std::string();
}

int checkState(gui::ModalWindow& window, int id) {
    gui::Dialog* f = form(window);
    return f ? f->isChecked(id) : -1;
}

bool enabled(gui::ModalWindow& window, int id) {
    gui::Dialog* f = form(window);
    return f && f->isItemEnabled(id);
}

int rowWithText(const host::DialogTable& table, const std::string& text) {
    for (int r = 0; r < table.rows(); ++r)
        if (table.cells[size_t(r)][5] == text) return r;
    return -1;
}

}  // namespace testui
