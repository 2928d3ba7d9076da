// The terminal driver: a person fills in every dialog, property sheet,
// message box, file dialog, alert and host dialog box by typing commands.
// Each window is listed (controls with their labels and current values) and
// a prompt reads one command per line. When the input ends, open windows are
// cancelled and later ones answered at once, so a piped session never hangs.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "gui/dialog.h"
#include "gui/driver.h"
#include "host/host.h"

namespace app::drivers {

// Reads one line after showing the prompt; false at the end of the input.
using LineReader = std::function<bool(const std::string& prompt, std::string& line)>;

class TerminalDriver : public gui::UiDriver, public host::FrontEnd {
  public:
    // `echo` repeats every line read, for transcripts of piped input.
    TerminalDriver(std::istream& in, std::ostream& out, bool echo);

    // Lines come from `reader` (line editing at a terminal) instead of `in`.
    void setLineReader(LineReader reader) { reader_ = std::move(reader); }
    // Status texts are shown (the default) or not (--quiet).
    void setShowStatus(bool show) { showStatus_ = show; }

    // Reads a line after showing `prompt`; false at the end of the input.
    bool readLine(const std::string& prompt, std::string& line);
    bool inputEnded() const { return ended_; }
    std::ostream& out() { return out_; }

    // Asks until one of the answers (or a prefix of it) is given; `fallback`
    // at the end of input.
    std::string ask(const std::string& question, const std::vector<std::string>& answers,
                    const std::string& fallback);

    void runModal(gui::ModalWindow& window) override;
    int messageBox(const std::string& text, const std::string& caption, int type) override;
    void runFileDialog(gui::FileDialog& dialog) override;
    void showHelp(const std::string& path, int context, const std::string* contents) override;
    void status(const std::string& text) override;
    bool alert(const std::string& text, int type) override;
    bool dialogBox(host::DialogTable& table) override;
    void hostMessage(const std::string& text) override;

    // The window as a person sees it.
    static std::string listing(gui::ModalWindow& window);

  private:
    std::istream& in_;
    std::ostream& out_;
    bool echo_;
    bool ended_ = false;
    bool showStatus_ = true;
    LineReader reader_;
};

// The interactive session of `quorant` (no arguments) and `quorant shell`,
// with the host and the add-in already loaded: menus, workbooks, cells,
// status texts, and every window through a TerminalDriver that is the active
// driver and front end for the session. `quiet` hides status texts; `reader`,
// when given, reads the lines (with editing) instead of `in`. Returns the
// exit status.
int runTerminalSession(std::istream& in, std::ostream& out, bool echo, bool quiet = false,
                       LineReader reader = {});

}  // namespace app::drivers
