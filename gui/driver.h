// The seam between the framework and whoever plays the user. Every modal run
// (dialog, property sheet, message box, file dialog) and every help request is
// handed to the one active driver. The framework never asks which driver it
// is; with none active, modal runs answer Cancel and record why.
#pragma once

#include <string>
#include <vector>

namespace gui {

class ModalWindow;
class FileDialog;

// Message box buttons.
constexpr int MB_OK = 0;
constexpr int MB_OKCANCEL = 1;
constexpr int MB_YESNO = 4;

class UiDriver {
  public:
    virtual ~UiDriver() = default;
    // Plays the user on a dialog or property sheet until it is ended
    // (window.isEnded()); returning earlier cancels it.
    virtual void runModal(ModalWindow& window) = 0;
    // Answers a message box: IDOK, IDCANCEL, IDYES or IDNO as the buttons allow.
    virtual int messageBox(const std::string& text, const std::string& caption, int type) = 0;
    // Chooses a file (dialog.userChoose) or cancels (dialog.userCancel).
    virtual void runFileDialog(FileDialog& dialog) = 0;
    // Shows a help file; `contents` is null when the file cannot be read.
    virtual void showHelp(const std::string& path, int context, const std::string* contents) = 0;
};

// Installs a driver (null: none) and returns the one it replaces.
UiDriver* setActiveDriver(UiDriver* driver);
UiDriver* activeDriver();

// Installs a driver for the life of the guard, then puts the previous one back.
class ScopedDriver {
  public:
    explicit ScopedDriver(UiDriver* driver) : previous_(setActiveDriver(driver)) {}
    ~ScopedDriver() { setActiveDriver(previous_); }
    ScopedDriver(const ScopedDriver&) = delete;
    ScopedDriver& operator=(const ScopedDriver&) = delete;

  private:
    UiDriver* previous_;
};

// Runs that could not be played as asked (no driver, unknown template, a
// driver that left a dialog open). Each is written to standard error as it
// happens and kept until taken.
void recordUnanswered(const std::string& why);
std::vector<std::string> takeUnanswered();

// A message box through the active driver. Without a driver: IDOK for an
// OK-only box, IDCANCEL or IDNO otherwise. An empty caption shows the main
// window's caption.
int messageBox(const std::string& text, const std::string& caption = "", int type = MB_OK);

// The help viewer: shows a plain-text help file through the driver. Returns 1
// when the file was read and shown, 0 otherwise.
int showHelp(const std::string& path, int context);

}  // namespace gui
