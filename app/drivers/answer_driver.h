// The answer driver, used by the program's sub-commands: every dialog and
// property sheet is opened, given the values set for it (by the command's
// options) through the events a person causes (typing and leaving a box,
// clicking, choosing, switching page), and then OK is pressed. File dialogs
// take the paths given, in order. Message boxes and alerts are shown on the
// notice stream and answered OK (yes) unless set otherwise; host dialog boxes
// get their steps or their default button.
//
// Anything that cannot be done as asked (an unknown control, a value refused,
// a dialog that stays open after OK, a file dialog without a path) cancels the
// window and is kept as a failure for the command to report.
#pragma once

#include <deque>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "app/drivers/answers.h"
#include "gui/driver.h"
#include "host/host.h"

namespace app::drivers {

// One value for one control: "[PAGE/]CONTROL=VALUE". CONTROL is an id or a
// label; PAGE a page title or number of a property sheet. VALUE is typed into
// an edit box; on/off for check boxes; on for a radio button; an item number
// (1-based) or text for a list box; "click" for a push button.
struct ControlValue {
    std::string page;
    std::string control;
    std::string value;
    // The focus only passes through the box: nothing is typed, the box keeps
    // (and gives its window) the text it shows.
    bool passThrough = false;
};
bool parseControlValue(const std::string& text, ControlValue& out, std::string& error);

class AnswerDriver : public gui::UiDriver, public host::FrontEnd {
  public:
    explicit AnswerDriver(std::ostream& notices);

    // Values for the dialog or sheet with this caption or class name; "" for
    // every window that has no values of its own. Values are applied in the
    // order given, page by page.
    void addValue(const std::string& window, const ControlValue& value);
    // Answer that window with Cancel instead of OK.
    void setCancel(const std::string& window);
    void addFile(const std::string& path);
    void setMessageBoxAnswer(bool ok) { messageOk_ = ok; }
    void setAlertAnswer(bool ok) { alertOk_ = ok; }
    void setDialogBoxSteps(std::vector<BoxStep> steps) { boxSteps_ = std::move(steps); }

    bool failed() const { return !failures_.empty(); }
    const std::vector<std::string>& failures() const { return failures_; }
    std::size_t filesLeft() const { return files_.size(); }

    void runModal(gui::ModalWindow& window) override;
    int messageBox(const std::string& text, const std::string& caption, int type) override;
    void runFileDialog(gui::FileDialog& dialog) override;
    void showHelp(const std::string& path, int context, const std::string* contents) override;
    bool alert(const std::string& text, int type) override;
    bool dialogBox(host::DialogTable& table) override;
    void hostMessage(const std::string& text) override;

    // The steps the driver plays for a window (values, page switches, OK).
    std::vector<DialogStep> stepsFor(gui::ModalWindow& window) const;

  private:
    void fail(const std::string& message);

    std::ostream& notices_;
    std::map<std::string, std::vector<ControlValue>> values_;
    std::map<std::string, bool> cancel_;
    std::deque<std::string> files_;
    std::vector<BoxStep> boxSteps_;
    bool messageOk_ = true;
    bool alertOk_ = true;
    std::vector<std::string> failures_;
};

}  // namespace app::drivers
