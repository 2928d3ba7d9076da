// What a driver does in a dialog or property sheet, as data: set a text (typed
// as a person types it), leave a box, click, make a check box or radio button
// be on or off, choose a list item, switch page, check what is shown, OK and
// Cancel. The script and answer drivers both play these steps.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "gui/dialog.h"

namespace app::drivers {

struct Answer;

enum class StepKind {
    Set,             // control, text: replaces the text by typing it
    Leave,           // control: the focus leaves the box
    Click,           // control
    Check,           // control, on: clicks when the state differs; fails when it stays
    Select,          // control, text: item number (1-based) or item text
    Page,            // text: page number (1-based) or tab title
    ExpectText,      // control, text
    ExpectChecked,   // control, on
    ExpectEnabled,   // control, on
    ExpectItems,     // control, text: number of list items
    ExpectSelected,  // control, text: selected item number, 0 for none
    ExpectCaption,   // text
    Ok,
    Cancel,
    Queue,  // an answer for a window that opens while this one is open (nested)
};

struct DialogStep {
    StepKind kind = StepKind::Ok;
    std::string control;  // control id, or the label a person reads next to it
    std::string text;
    bool on = false;
    int line = 0;  // where the step was written (0: not from a script)
    std::shared_ptr<Answer> nested;
};

// "\"Generate Random Instance\" (RInstDialog)".
std::string describeWindow(gui::ModalWindow& window);
// "edit 12003 \"Base Number\"".
std::string describeControl(const gui::Control& control);
// What a control shows, as one line: text, on/off, selected item, position.
std::string shownValue(const gui::Control& control);

// Finds a control of the form by id or by label: letter case, '&' marks, line
// breaks, runs of blanks and a trailing '=' or ':' do not count.
gui::Control* resolveControl(gui::Dialog& form, const std::string& ref, std::string& error);

// Parses "on"/"off" (also yes/no, true/false, 1/0, checked/unchecked).
bool parseOnOff(const std::string& word, bool& on);

// Plays the steps on the window. Stops at the first step that cannot be done
// or whose check fails, with a message naming the control, the expected and
// the actual value. Queue steps are skipped: whoever plays an answer queues
// its nested answers before the first step.
bool playSteps(gui::ModalWindow& window, const std::vector<DialogStep>& steps, std::string& error);

}  // namespace app::drivers
