// The web driver: a person answers every dialog, property sheet, message box,
// file dialog, alert and host dialog box in a browser page.
//
// Each window that waits for the user is put on a stack and described to the
// page (web_views.cpp); the host thread then runs the user's actions, which
// arrive as tasks of the WebSession, until the window is closed. Actions
// address the window by the serial number the page was shown, so an action
// meant for a window that has closed meanwhile is refused rather than played
// on the next one. The events are the dialog framework's own user*() calls,
// the same as the terminal and script drivers cause.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/drivers/web_session.h"
#include "gui/dialog.h"
#include "gui/driver.h"
#include "gui/file_dialog.h"
#include "host/host.h"

namespace app {
class WorkFolder;
}

namespace app::drivers {

class WebDriver : public gui::UiDriver, public host::FrontEnd {
  public:
    using Json = nlohmann::json;

    // File dialogs list and accept files of `folder` only.
    WebDriver(WebSession& session, const WorkFolder& folder);

    // Called (on the host thread) whenever what the page shows may have changed.
    void setOnChange(std::function<void()> onChange) { onChange_ = std::move(onChange); }

    // ---- gui::UiDriver -----------------------------------------------------------
    void runModal(gui::ModalWindow& window) override;
    int messageBox(const std::string& text, const std::string& caption, int type) override;
    void runFileDialog(gui::FileDialog& dialog) override;
    void showHelp(const std::string& path, int context, const std::string* contents) override;

    // ---- host::FrontEnd ----------------------------------------------------------
    void status(const std::string& text) override;
    bool alert(const std::string& text, int type) override;
    bool dialogBox(host::DialogTable& table) override;
    void hostMessage(const std::string& text) override;

    // ---- the page's side (host thread) --------------------------------------------
    // Plays one action of the user on the window it names. Returns {} when it
    // was done, else {"error": why}.
    Json act(const Json& action);
    bool windowOpen() const { return !stack_.empty(); }
    // The open windows, the outermost first.
    Json windowsView() const;
    std::string statusText() const { return status_; }
    // Alerts answered and host messages, oldest first (the last 50).
    const std::vector<Json>& notices() const { return notices_; }
    // The help file last shown ({} when none or dismissed).
    const Json& help() const { return help_; }
    void dismissHelp();
    // What the last Resolution Info dialog showed: {"figures": [[label,
    // text]...], "model", "provenOptimal", "base"}; cleared by takeResult.
    Json takeResult();
    // A reference typed into the focused reference box of the open window
    // (the page's answer to a click on the grid); {} or {"error"}.
    Json insertReference(const std::string& reference);

    // A window of the stack. Public for the views.
    struct Entry {
        enum class Kind { Modal, Message, File, Box, Alert } kind = Kind::Modal;
        int serial = 0;
        gui::ModalWindow* modal = nullptr;
        gui::FileDialog* file = nullptr;
        host::DialogTable* table = nullptr;
        std::string text, caption;
        int type = 0;
        bool closed = false;
        int answer = 0;        // message boxes, alerts: the button; boxes: 1 pressed
        std::string problem;   // why the user's last action was refused
        std::string confirm;   // file dialog: the name waiting for "replace?"
        int focusRow = 0;      // dialog box: the row the user works in
    };

  private:
    Entry& push(Entry::Kind kind);
    void pop();
    void changed();
    void notice(const std::string& kind, const std::string& text);
    Json actModal(Entry& e, const std::string& verb, const Json& a);
    Json actFile(Entry& e, const std::string& verb, const Json& a);
    Json actBox(Entry& e, const std::string& verb, const Json& a);
    Json refuse(Entry& e, const std::string& why);

    WebSession& session_;
    const WorkFolder& folder_;
    std::function<void()> onChange_;
    std::vector<std::unique_ptr<Entry>> stack_;
    int nextSerial_ = 1;
    std::string status_;
    std::vector<Json> notices_;
    Json help_;
    Json result_;
};

// Views of windows for the page (web_views.cpp).
nlohmann::json viewOf(const WebDriver::Entry& entry, const WorkFolder& folder);

}  // namespace app::drivers
