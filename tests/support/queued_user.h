// A user for tests of dialogs: plays each window that opens with the next
// queued step (a lambda that works the window through the framework's user*()
// calls), answers message boxes and the host's alerts from queues (OK when a
// queue is empty), answers the host's table-driven dialog boxes with queued
// steps, and records everything it was shown. It is both the dialog driver and
// the host's front end; Install puts it in place for a scope.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "gui/dialog.h"
#include "gui/driver.h"
#include "host/host.h"

namespace testui {

struct Shown {
    std::string text;
    std::string caption;  // message boxes
    int type = 0;         // message-box buttons or alert type
    bool ok = true;       // the answer given
};

class QueuedUser : public gui::UiDriver, public host::FrontEnd {
  public:
    using WindowStep = std::function<void(gui::ModalWindow&)>;
    using BoxStep = std::function<bool(host::DialogTable&)>;

    // Queues what the user does in the next dialog or property sheet; the step
    // must end the window (OK or Cancel), else the framework cancels it.
    void onWindow(WindowStep step) { windowSteps_.push_back(std::move(step)); }
    // Queues the next host dialog box; the step returns false for Cancel.
    void onDialogBox(BoxStep step) { boxSteps_.push_back(std::move(step)); }
    void answerMessageBox(int answer) { messageAnswers_.push_back(answer); }
    void answerAlert(bool ok) { alertAnswers_.push_back(ok); }

    // What was shown, in order.
    std::vector<std::string> windows;  // captions of the dialogs and sheets
    std::vector<Shown> messageBoxes;
    std::vector<Shown> alerts;  // texts without the length byte
    std::vector<std::string> statuses;
    std::vector<host::DialogTable> dialogBoxes;  // tables as the host showed them
    // Windows and dialog boxes that opened with nothing queued for them.
    std::vector<std::string> unexpected;

    std::vector<std::string> messageTexts() const;
    std::vector<std::string> alertTexts() const;
    // Every queued step and answer was used.
    bool allUsed() const;
    void clear();

    void runModal(gui::ModalWindow& window) override;
    int messageBox(const std::string& text, const std::string& caption, int type) override;
    void runFileDialog(gui::FileDialog& dialog) override;
    void showHelp(const std::string& path, int context, const std::string* contents) override;
    void status(const std::string& text) override { statuses.push_back(text); }
    bool alert(const std::string& text, int type) override;
    bool dialogBox(host::DialogTable& table) override;

    // Installs a user as dialog driver and host front end for a scope.
    class Install {
      public:
        explicit Install(QueuedUser& user);
        ~Install();
        Install(const Install&) = delete;
        Install& operator=(const Install&) = delete;

      private:
        gui::UiDriver* previousDriver_;
        host::FrontEnd* previousFrontEnd_;
    };

  private:
    std::deque<WindowStep> windowSteps_;
    std::deque<BoxStep> boxSteps_;
    std::deque<int> messageAnswers_;
    std::deque<bool> alertAnswers_;
};

// Steps on the form the user works in (a dialog, or a sheet's active page).
// Each returns the framework's complaint, "" when the action happened.
std::string type(gui::ModalWindow& window, int id, const std::string& text);
// Types and then moves the focus out of the box, as a person tabbing away
// (a box that refuses its text takes the focus back).
std::string enter(gui::ModalWindow& window, int id, const std::string& text);
std::string click(gui::ModalWindow& window, int id);
std::string page(gui::ModalWindow& window, const std::string& title);
std::string shownText(gui::ModalWindow& window, int id);
int checkState(gui::ModalWindow& window, int id);
bool enabled(gui::ModalWindow& window, int id);

// The row of a dialog-box table whose text column is `text` (-1 when none).
int rowWithText(const host::DialogTable& table, const std::string& text);

}  // namespace testui
