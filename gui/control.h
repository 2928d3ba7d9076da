// Controls of a dialog: the live state made from a control template, and the
// typed handles through which dialog classes use them (bound by data exchange).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "gui/template.h"

namespace gui {

constexpr int kUnchecked = 0;
constexpr int kChecked = 1;

struct Control {
    explicit Control(const ControlTemplate& t);

    int id;
    ControlKind kind;
    unsigned style;
    Rect pos;
    std::string text;   // caption or edit contents (lines joined by '\n')
    std::string label;  // what a person reads next to it (see Dialog::labelOf)
    bool enabled;
    bool visible;
    bool readOnly;
    int checked = kUnchecked;
    std::size_t limit = 0;           // edit: most characters the user may type (0: no limit)
    std::vector<std::string> items;  // list box
    int selection = -1;              // list box: selected item, -1 for none
    int rangeLow = 0, rangeHigh = 100, step = 10, position = 0;  // progress bar

    bool has(ControlStyle s) const { return (style & s) != 0; }
    bool isButtonLike() const;  // push button, check box or radio button
};

class Dialog;

// A handle names one control of one dialog; it does nothing while the dialog
// has no window (before creation, after destruction) or the id is unknown.
class ControlHandle {
  public:
    void attach(Dialog* dialog, int id) {
        dialog_ = dialog;
        id_ = id;
    }
    void detach() { dialog_ = nullptr; }
    bool attached() const { return control() != nullptr; }
    int id() const { return id_; }

    void enable(bool on);
    bool isEnabled() const;
    void show(bool on);
    bool isVisible() const;
    void setFocus();
    std::string text() const;
    void setText(const std::string& value);

  protected:
    Control* control() const;

  private:
    Dialog* dialog_ = nullptr;
    int id_ = IDC_STATIC;
};

class EditBox : public ControlHandle {
  public:
    // Line `index` (0-based) of the text, cut to `maxChars` characters.
    std::string line(std::size_t index, std::size_t maxChars = std::string::npos) const;
    std::size_t lineCount() const;
    void limitText(std::size_t maxChars);
    void setReadOnly(bool on);
};

class Button : public ControlHandle {
  public:
    int checked() const;
    void setChecked(int state);
};

class ListBox : public ControlHandle {
  public:
    int count() const;
    int addString(const std::string& item);  // index of the new item, -1 when detached
    bool deleteString(int index);
    void resetContent();
    std::string itemText(int index) const;
    int currentSelection() const;
    bool setCurrentSelection(int index);  // -1 clears the selection
};

class ProgressBar : public ControlHandle {
  public:
    void setRange(int low, int high);
    void setStep(int step);
    int stepIt();  // advances by the step (wrapping past the top); old position
    void setPosition(int pos);
    int position() const;
    int low() const;
    int high() const;
};

}  // namespace gui
