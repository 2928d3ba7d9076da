// The script driver: answers every window from a queue filled by the script's
// answer actions, in the order the windows open. A window that opens with no
// answer queued (or with an answer of another kind or for another dialog)
// is cancelled and the failure kept; so is a failed step or check. After the
// first failure every further window is cancelled without using answers, so
// the command that is running ends quickly; the script stops with the message.
//
// Answers written inside a dialog's block are for the windows that open while
// that dialog is open: they go to the front of the queue, in their order, when
// the dialog opens, and each must be used before the dialog closes.
#pragma once

#include <deque>
#include <iosfwd>
#include <string>

#include "app/drivers/answers.h"
#include "gui/driver.h"
#include "host/host.h"

namespace app::drivers {

class ScriptDriver : public gui::UiDriver, public host::FrontEnd {
  public:
    void queue(const Answer& answer) { answers_.push_back(answer); }
    std::size_t pending() const { return answers_.size(); }
    const std::deque<Answer>& answers() const { return answers_; }
    void clear();

    bool failed() const { return !failure_.empty(); }
    // The first failure since the last call (empty when none), and clears it.
    std::string takeFailure();

    // Where message boxes, alerts and help are shown (null: nowhere).
    void setOutput(std::ostream* out) { out_ = out; }

    void runModal(gui::ModalWindow& window) override;
    int messageBox(const std::string& text, const std::string& caption, int type) override;
    void runFileDialog(gui::FileDialog& dialog) override;
    void showHelp(const std::string& path, int context, const std::string* contents) override;
    // The host's alerts (type 1 offers Cancel) and table-driven dialog box.
    bool alert(const std::string& text, int type) override;
    bool dialogBox(host::DialogTable& table) override;
    void hostMessage(const std::string& text) override;

    // Takes the next answer when it is of `kind`; otherwise records why
    // `what` could not be answered and returns false.
    bool take(AnswerKind kind, const std::string& what, Answer& answer);
    void fail(const std::string& message);

  private:
    std::deque<Answer> answers_;
    std::string failure_;
    std::ostream* out_ = nullptr;
};

// The one script driver of the program.
ScriptDriver& scriptDriver();

// For the script runner: after an action, reports a failure of the script
// driver (a window without answer, a failed check) as that action's error.
bool checkScriptDriver(std::string& error);

}  // namespace app::drivers
