// Dialogs built from templates, with the life cycle the add-in relies on.
//
// A modal run (DoModal) creates the window from the template (controls, then
// OnInitDialog, which binds and loads members through DoDataExchange), sends
// OnShowWindow(true), and hands the dialog to the active UiDriver, which plays
// the user through the user*() calls until the dialog is ended (EndDialog). The
// window is then destroyed (OnDestroy) and the result returned: IDOK, IDCANCEL
// or what EndDialog was given; -1 when the template is unknown. With no driver
// installed nothing is shown: the run answers IDCANCEL and records why.
//
// The user*() calls cause the events a person causes: moving the focus away
// from an edit box sends it a kill-focus notification, typing goes character
// by character through the box's filters, clicking a check box or radio button
// toggles or selects it before the click is reported. They return an empty
// text on success, else why the action was impossible.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/control.h"
#include "gui/window.h"

namespace gui {

class Dialog;

enum class Notification { Clicked, KillFocus, SetFocus, EditChange, SelChange };

// A window that is run modally and played by a driver: a dialog or a sheet.
class ModalWindow : public Window {
    GUI_DECLARE_CLASS(ModalWindow)
  public:
    using Window::Window;

    // The form the user works in: the dialog itself, or the sheet's active page.
    virtual Dialog* currentForm() = 0;
    virtual int pageCount() const { return 0; }
    virtual std::string pageTitle(int /*index*/) const { return {}; }
    virtual int activePageIndex() const { return -1; }
    virtual std::string userSwitchPage(int index);
    virtual std::string userOk() = 0;
    virtual std::string userCancel() = 0;

    bool isOpen() const { return open_; }    // the window exists
    bool isEnded() const { return ended_; }  // EndDialog was called during this run
    int result() const { return result_; }
    virtual void EndDialog(int result);

  protected:
    // Runs the active driver on this window; ends with Cancel when there is no
    // driver or it returns with the window still running. Returns false when no
    // driver was active.
    bool runDriver();

    bool open_ = false;
    bool ended_ = false;
    int result_ = IDCANCEL;
};

// Loads control values into members or stores them back (UpdateData).
class DataExchange {
  public:
    DataExchange(Dialog& dialog, bool save) : dialog_(dialog), save_(save) {}
    bool saving() const { return save_; }
    Dialog& dialog() { return dialog_; }

    void control(int id, ControlHandle& handle);  // binds a handle to the id
    void text(int id, std::string& value);
    void text(int id, int& value);     // leading integer of the text, 0 when none
    void text(int id, double& value);  // leading number of the text, 0 when none
    void check(int id, int& value);
    void listSelection(int id, int& index);

    // Validation: a member that is not acceptable fails the whole exchange.
    void fail() { failed_ = true; }
    bool failed() const { return failed_; }

  private:
    Dialog& dialog_;
    bool save_;
    bool failed_ = false;
};

class Dialog : public ModalWindow {
    GUI_DECLARE_CLASS(Dialog)
  public:
    explicit Dialog(int templateId, Window* parent = nullptr);
    ~Dialog() override;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    int templateId() const { return templateId_; }
    int DoModal();

    // ---- the program's side ------------------------------------------------
    Control* control(int id);
    const Control* control(int id) const;
    const std::vector<std::unique_ptr<Control>>& controls() const { return controls_; }
    std::string itemText(int id) const;
    void setItemText(int id, const std::string& text);  // no typing filters apply
    int isChecked(int id) const;
    void setChecked(int id, int state);
    void enableItem(int id, bool on);
    bool isItemEnabled(int id) const;
    void setFocusTo(int id);  // programmatic focus; the box left gets its kill-focus
    int focusedId() const { return focus_; }
    bool UpdateData(bool save);
    // Message map: a handler for one notification of one control; it replaces
    // the virtual hook for that event (for IDOK / IDCANCEL clicks: OnOK / OnCancel).
    void onEvent(Notification code, int id, std::function<void()> handler);
    // What a person reads next to a control: its own label, the static text
    // just before it, or the title of the smallest frame around it; buttons
    // are read by their own text. '&' marks are removed.
    std::string labelOf(int id) const;

    // ---- the user's side (drivers) ---------------------------------------
    std::string userFocus(int id);
    std::string userType(int id, const std::string& text, int* refused = nullptr);
    std::string userLeave(int id);
    std::string userClick(int id);
    std::string userSelect(int id, int index);
    std::string userOk() override;
    std::string userCancel() override;
    Dialog* currentForm() override { return this; }

    // ---- window life (also used by property sheets for their pages) -------
    bool createWindow();  // false when the template is not registered
    void destroyWindow();

  protected:
    virtual bool OnInitDialog();  // true: the framework gives the focus to the first control
    virtual void OnShowWindow(bool /*show*/) {}
    virtual void DoDataExchange(DataExchange& /*dx*/) {}
    virtual void OnOK();      // default: store members, end with IDOK
    virtual void OnCancel();  // default: end with IDCANCEL
    virtual void OnDestroy() {}
    virtual void OnClicked(int /*id*/) {}
    virtual void OnKillFocus(int /*id*/) {}
    virtual void OnSetFocus(int /*id*/) {}
    virtual void OnEditChange(int /*id*/) {}
    virtual void OnSelChange(int /*id*/) {}

    void notify(Notification code, int id);
    friend class PropertySheet;

  private:
    struct Handler {
        Notification code;
        int id;
        std::function<void()> run;
    };
    std::string checkUsable(int id, Control*& c);
    void moveFocus(int id);
    std::string takeFocus(int id);

    int templateId_;
    std::vector<std::unique_ptr<Control>> controls_;
    std::vector<Handler> handlers_;
    int focus_;
    bool inKillFocus_ = false;
};

constexpr int kNoFocus = -1000000;

}  // namespace gui
