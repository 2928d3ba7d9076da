// Answers queued for the windows a command will open: a dialog or property
// sheet (steps), a message box or host alert (a button, optionally the text
// it must show), a file dialog (a path or cancel), and the host's table-driven
// dialog box (steps on its rows). Parsed from script lines; see
// docs/scripting.md for the language.
#pragma once

#include <string>
#include <vector>

#include "app/drivers/dialog_steps.h"
#include "app/script.h"

namespace app::drivers {

enum class AnswerKind { Dialog, MessageBox, FileDialog, Alert, DialogBox };

// One step in the host's dialog box; rows are numbered as in its table
// (the title row is 0).
struct BoxStep {
    enum Kind { Set, Check, Choose, Press, Cancel, ExpectText, ExpectValue } kind = Press;
    int row = 0;
    std::string text;
    bool on = false;
    int line = 0;
};

struct Answer {
    AnswerKind kind = AnswerKind::Dialog;
    int line = 0;  // script line of the answer (0: not from a script)
    // Dialog / DialogBox: the caption (or class name) the window must have; empty: any.
    std::string match;
    std::vector<DialogStep> steps;  // Dialog
    std::vector<BoxStep> boxSteps;  // DialogBox
    // MessageBox / Alert: the button pressed, and the text the box must show.
    int button = 1;
    bool checkText = false;
    std::string text;
    // FileDialog: the path typed, or cancel; whether an existing file is replaced.
    std::string path;
    bool cancel = false;
    bool replace = true;
};

// "dialog \"Bounds\" (line 4)", for messages.
std::string describeAnswer(const Answer& answer);
const char* answerKindName(AnswerKind kind);

// Parses one script line (with its block) into an answer. Relative file paths
// are taken from `baseDir` when it is not empty. The action names are
// "dialog", "message-box", "file-dialog", "alert" and "dialog-box".
bool parseAnswer(const ScriptLine& line, const std::string& baseDir, Answer& out,
                 std::string& error);

}  // namespace app::drivers
