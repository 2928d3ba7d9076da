// The script actions that answer windows: dialog, message-box, file-dialog,
// alert, dialog-box queue an answer for the next window of their kind;
// expect-answered checks that every queued answer was used.
#include <ostream>

#include "app/drivers/answers.h"
#include "app/drivers/script_driver.h"
#include "app/script.h"

namespace app::drivers {
namespace {

// Scripts are played by the script driver. The program installs it (behind
// its own front end that echoes status texts); when nothing is installed, as
// in tests, the first answer action installs it.
void activate(ScriptContext& ctx) {
    ScriptDriver& d = scriptDriver();
    if (gui::activeDriver() == nullptr) gui::setActiveDriver(&d);
    if (host::frontEnd() == nullptr) host::setFrontEnd(&d);
    if (ctx.out != nullptr) d.setOutput(ctx.out);
}

bool queueAnswer(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    activate(ctx);
    if (!checkScriptDriver(error)) return false;
    Answer answer;
    if (!parseAnswer(line, ctx.scriptDir, answer, error)) return false;
    scriptDriver().queue(answer);
    return true;
}

bool expectAnswered(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    activate(ctx);
    if (line.words.size() != 1) {
        error = "'expect-answered' takes no words";
        return false;
    }
    if (!checkScriptDriver(error)) return false;
    const auto& left = scriptDriver().answers();
    if (left.empty()) return true;
    error = std::to_string(left.size()) + " queued answer(s) not used:";
    for (const Answer& a : left) error += " " + describeAnswer(a) + ";";
    error.pop_back();
    scriptDriver().clear();
    return false;
}

}  // namespace

REGISTER_SCRIPT_ACTION("dialog", "dialog [\"CAPTION\"] { STEPS }",
                       "answer the next dialog or property sheet (see docs/scripting.md)",
                       queueAnswer);
REGISTER_SCRIPT_ACTION("message-box", "message-box ok|cancel|yes|no [\"TEXT\"]",
                       "answer the next message box, checking its text when given", queueAnswer);
REGISTER_SCRIPT_ACTION("file-dialog", "file-dialog PATH [replace|keep] | file-dialog cancel",
                       "answer the next file dialog with a path or cancel", queueAnswer);
REGISTER_SCRIPT_ACTION("alert", "alert ok|cancel [\"TEXT\"]",
                       "answer the next host alert, checking its text when given", queueAnswer);
REGISTER_SCRIPT_ACTION("dialog-box", "dialog-box [\"CAPTION\"] { STEPS }",
                       "answer the next host dialog box (see docs/scripting.md)", queueAnswer);
REGISTER_SCRIPT_ACTION("expect-answered", "expect-answered",
                       "fail unless every queued answer was used", expectAnswered);

}  // namespace app::drivers
