#include "gui/dialog.h"

#include <cctype>
#include <cstdlib>

#include "gui/driver.h"
#include "gui/template.h"

namespace gui {

GUI_IMPLEMENT_CLASS(ModalWindow, Window);
GUI_IMPLEMENT_CLASS(Dialog, ModalWindow);

namespace {

std::string describe(const Control& c) {
    std::string out = std::string(controlKindName(c.kind)) + " " + std::to_string(c.id);
    if (!c.label.empty()) out += " \"" + c.label + "\"";
    return out;
}

std::string stripMarks(const std::string& text) {
    std::string out;
    for (char ch : text) {
        if (ch == '&') continue;
        out += (ch == '\n' || ch == '\r' || ch == '\t') ? ' ' : ch;
    }
    std::string squeezed;
    for (char ch : out) {
        if (ch == ' ' && (squeezed.empty() || squeezed.back() == ' ')) continue;
        squeezed += ch;
    }
    while (!squeezed.empty() && squeezed.back() == ' ') squeezed.pop_back();
    return squeezed;
}

bool inside(const Rect& inner, const Rect& outer) {
    return inner.x >= outer.x && inner.y >= outer.y &&
           inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

}  // namespace

// ---- ModalWindow --------------------------------------------------------------

std::string ModalWindow::userSwitchPage(int /*index*/) {
    return "\"" + caption() + "\" has no pages";
}

void ModalWindow::EndDialog(int result) {
    ended_ = true;
    result_ = result;
}

bool ModalWindow::runDriver() {
    UiDriver* driver = activeDriver();
    if (driver == nullptr) {
        recordUnanswered("no user interface driver is active: \"" + caption() + "\" (" +
                         className() + ") answered Cancel");
        EndDialog(IDCANCEL);
        return false;
    }
    try {
        driver->runModal(*this);
    } catch (...) {
        recordUnanswered("the user interface driver failed on \"" + caption() + "\" (" +
                         className() + ")");
    }
    if (!ended_) {
        recordUnanswered("\"" + caption() + "\" (" + className() +
                         ") was left open by the driver and is cancelled");
        userCancel();
        if (!ended_) EndDialog(IDCANCEL);
    }
    return true;
}

// ---- DataExchange -------------------------------------------------------------

void DataExchange::control(int id, ControlHandle& handle) {
    handle.attach(&dialog_, id);
}

void DataExchange::text(int id, std::string& value) {
    if (save_) {
        value = dialog_.itemText(id);
    } else {
        dialog_.setItemText(id, value);
    }
}

void DataExchange::text(int id, int& value) {
    if (save_) {
        value = std::atoi(dialog_.itemText(id).c_str());
    } else {
        dialog_.setItemText(id, std::to_string(value));
    }
}

void DataExchange::text(int id, double& value) {
    if (save_) {
        value = std::strtod(dialog_.itemText(id).c_str(), nullptr);
    } else {
        std::string t = std::to_string(value);
        dialog_.setItemText(id, t);
    }
}

void DataExchange::check(int id, int& value) {
    if (save_) {
        value = dialog_.isChecked(id);
    } else {
        dialog_.setChecked(id, value);
    }
}

void DataExchange::listSelection(int id, int& index) {
    Control* c = dialog_.control(id);
    if (c == nullptr) return;
    if (save_) {
        index = c->selection;
    } else if (index >= -1 && index < static_cast<int>(c->items.size())) {
        c->selection = index;
    }
}

// ---- Dialog: construction and window life -------------------------------------

Dialog::Dialog(int templateId, Window* parent)
    : ModalWindow(parent != nullptr ? parent : &mainWindow()),
      templateId_(templateId),
      focus_(kNoFocus) {
    if (const DialogTemplate* t = findDialogTemplate(templateId)) setCaption(t->caption);
}

Dialog::~Dialog() = default;

bool Dialog::createWindow() {
    const DialogTemplate* t = findDialogTemplate(templateId_);
    if (t == nullptr) {
        recordUnanswered("dialog template " + std::to_string(templateId_) + " is not registered (" +
                         className() + ")");
        return false;
    }
    controls_.clear();
    for (const ControlTemplate& ct : t->controls)
        controls_.push_back(std::make_unique<Control>(ct));
    for (auto& c : controls_) {
        if (c->id != IDC_STATIC && c->label.empty()) c->label = labelOf(c->id);
    }
    setCaption(t->caption);
    focus_ = kNoFocus;
    open_ = true;
    ended_ = false;
    result_ = IDCANCEL;
    if (OnInitDialog() && focus_ == kNoFocus) {
        for (auto& c : controls_) {
            bool focusable = c->kind == ControlKind::Edit || c->kind == ControlKind::ListBox ||
                             c->isButtonLike();
            if (focusable && c->enabled && c->visible && c->id != IDC_STATIC) {
                focus_ = c->id;
                break;
            }
        }
    }
    return true;
}

void Dialog::destroyWindow() {
    if (!open_) return;
    OnDestroy();
    controls_.clear();
    focus_ = kNoFocus;
    open_ = false;
}

int Dialog::DoModal() {
    if (open_) return -1;  // already running
    if (!createWindow()) return -1;
    OnShowWindow(true);
    if (!ended_) runDriver();
    destroyWindow();
    return result_;
}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void Dialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

void Dialog::OnCancel() {
    EndDialog(IDCANCEL);
}

bool Dialog::UpdateData(bool save) {
    DataExchange dx(*this, save);
    DoDataExchange(dx);
    return !dx.failed();
}

// ---- Dialog: the program's side --------------------------------------------------

Control* Dialog::control(int id) {
    if (id == IDC_STATIC) return nullptr;
    for (auto& c : controls_) {
        if (c->id == id) return c.get();
    }
    return nullptr;
}

const Control* Dialog::control(int id) const {
    return const_cast<Dialog*>(this)->control(id);
}

std::string Dialog::itemText(int id) const {
    const Control* c = control(id);
    return c != nullptr ? c->text : std::string();
}

void Dialog::setItemText(int id, const std::string& text) {
    if (Control* c = control(id)) c->text = text;
}

int Dialog::isChecked(int id) const {
    const Control* c = control(id);
    return c != nullptr ? c->checked : kUnchecked;
}

void Dialog::setChecked(int id, int state) {
    if (Control* c = control(id)) c->checked = state;
}

void Dialog::enableItem(int id, bool on) {
    if (Control* c = control(id)) c->enabled = on;
}

bool Dialog::isItemEnabled(int id) const {
    const Control* c = control(id);
    return c != nullptr && c->enabled;
}

void Dialog::setFocusTo(int id) {
    if (id != kNoFocus && control(id) == nullptr) return;
    moveFocus(id);
}

void Dialog::onEvent(Notification code, int id, std::function<void()> handler) {
    handlers_.push_back(Handler{code, id, std::move(handler)});
}

std::string Dialog::labelOf(int id) const {
    const DialogTemplate* t = findDialogTemplate(templateId_);
    if (t == nullptr) return {};
    const std::vector<ControlTemplate>& all = t->controls;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const ControlTemplate& c = all[i];
        if (c.id != id) continue;
        if (!c.label.empty()) return stripMarks(c.label);
        if (c.kind == ControlKind::PushButton || c.kind == ControlKind::CheckBox ||
            c.kind == ControlKind::RadioButton || c.kind == ControlKind::StaticText ||
            c.kind == ControlKind::GroupBox) {
            return stripMarks(c.text);
        }
        if (i > 0 && all[i - 1].kind == ControlKind::StaticText && !all[i - 1].text.empty()) {
            return stripMarks(all[i - 1].text);
        }
        const ControlTemplate* frame = nullptr;
        for (const ControlTemplate& g : all) {
            if (g.kind != ControlKind::GroupBox || g.text.empty() || !inside(c.pos, g.pos))
                continue;
            if (frame == nullptr ||
                g.pos.width * g.pos.height < frame->pos.width * frame->pos.height) {
                frame = &g;
            }
        }
        return frame != nullptr ? stripMarks(frame->text) : std::string();
    }
    return {};
}

// ---- Dialog: events -------------------------------------------------------------

void Dialog::notify(Notification code, int id) {
    for (Handler& h : handlers_) {
        if (h.code == code && h.id == id) {
            h.run();
            return;
        }
    }
    switch (code) {
        case Notification::Clicked:
            if (id == IDOK) {
                OnOK();
            } else if (id == IDCANCEL) {
                OnCancel();
            } else {
                OnClicked(id);
            }
            break;
        case Notification::KillFocus:
            OnKillFocus(id);
            break;
        case Notification::SetFocus:
            OnSetFocus(id);
            break;
        case Notification::EditChange:
            OnEditChange(id);
            break;
        case Notification::SelChange:
            OnSelChange(id);
            break;
    }
}

// The focus moves; an edit box that loses it is told so. A kill-focus handler
// may move the focus itself (back to its box, typically): that move sends no
// further kill-focus, so two boxes cannot keep taking the focus from each other.
void Dialog::moveFocus(int id) {
    if (focus_ == id) return;
    int old = focus_;
    focus_ = id;
    if (inKillFocus_) return;
    const Control* leaving = control(old);
    if (leaving != nullptr && leaving->kind == ControlKind::Edit) {
        inKillFocus_ = true;
        notify(Notification::KillFocus, old);
        inKillFocus_ = false;
    }
    if (focus_ == id && id != kNoFocus && open_ && !ended_) notify(Notification::SetFocus, id);
}

std::string Dialog::checkUsable(int id, Control*& c) {
    if (!open_ || ended_) return "\"" + caption() + "\" is not open";
    c = control(id);
    if (c == nullptr) return "\"" + caption() + "\" has no control " + std::to_string(id);
    if (!c->visible) return describe(*c) + " is hidden";
    if (!c->enabled) return describe(*c) + " is disabled";
    return {};
}

// The user moves the focus to `id`. A kill-focus handler of the box left may
// take the focus back (a box that refuses its text); the user's action then
// does not happen, as a click into another box would not.
std::string Dialog::takeFocus(int id) {
    moveFocus(id);
    if (!open_ || ended_) return "\"" + caption() + "\" closed when the focus moved";
    if (focus_ != id) {
        const Control* holder = control(focus_);
        return "the focus stayed on " +
               (holder != nullptr ? describe(*holder) : std::string("another control"));
    }
    return {};
}

std::string Dialog::userFocus(int id) {
    if (id == kNoFocus) return takeFocus(kNoFocus);
    Control* c = nullptr;
    std::string problem = checkUsable(id, c);
    if (!problem.empty()) return problem;
    if (c->kind == ControlKind::StaticText || c->kind == ControlKind::GroupBox ||
        c->kind == ControlKind::ProgressBar) {
        return describe(*c) + " cannot take the focus";
    }
    return takeFocus(id);
}

std::string Dialog::userType(int id, const std::string& text, int* refused) {
    if (refused != nullptr) *refused = 0;
    Control* c = nullptr;
    std::string problem = checkUsable(id, c);
    if (!problem.empty()) return problem;
    if (c->kind != ControlKind::Edit) return describe(*c) + " is not an edit box";
    if (c->readOnly) return describe(*c) + " is read-only";
    problem = takeFocus(id);
    if (!problem.empty()) return problem;
    c = control(id);
    std::string before = c->text;
    c->text.clear();
    for (char ch : text) {
        bool accept = true;
        if (ch == '\n') {
            accept = c->has(kMultiLine);
        } else if (c->has(kDigitsOnly)) {
            accept = std::isdigit(static_cast<unsigned char>(ch)) != 0;
        }
        if (accept && c->limit != 0 && c->text.size() >= c->limit) accept = false;
        if (accept) {
            c->text += ch;
        } else if (refused != nullptr) {
            ++*refused;
        }
    }
    if (c->text != before) notify(Notification::EditChange, id);
    return {};
}

std::string Dialog::userLeave(int id) {
    std::string problem = userFocus(id);
    if (!problem.empty()) return problem;
    // Leaving happened even when the box takes the focus back.
    moveFocus(kNoFocus);
    return {};
}

std::string Dialog::userClick(int id) {
    Control* c = nullptr;
    std::string problem = checkUsable(id, c);
    if (!problem.empty()) return problem;
    if (!c->isButtonLike()) return describe(*c) + " is not a button";
    problem = takeFocus(id);
    if (!problem.empty()) return problem;
    c = control(id);
    if (!c->enabled) return describe(*c) + " was disabled before the click";
    if (c->kind == ControlKind::CheckBox) {
        c->checked = c->checked == kChecked ? kUnchecked : kChecked;
    } else if (c->kind == ControlKind::RadioButton) {
        // The group runs from the last group start at or before the button up to
        // the next group start.
        std::size_t index = 0;
        while (controls_[index].get() != c) ++index;
        std::size_t first = index;
        while (first > 0 && !controls_[first]->has(kGroupStart)) --first;
        for (std::size_t i = first; i < controls_.size(); ++i) {
            if (i > first && controls_[i]->has(kGroupStart)) break;
            if (controls_[i]->kind == ControlKind::RadioButton) controls_[i]->checked = kUnchecked;
        }
        c->checked = kChecked;
    }
    notify(Notification::Clicked, id);
    return {};
}

std::string Dialog::userSelect(int id, int index) {
    Control* c = nullptr;
    std::string problem = checkUsable(id, c);
    if (!problem.empty()) return problem;
    if (c->kind != ControlKind::ListBox) return describe(*c) + " is not a list box";
    if (index < 0 || index >= static_cast<int>(c->items.size())) {
        return describe(*c) + " has no item " + std::to_string(index) + " (it holds " +
               std::to_string(c->items.size()) + ")";
    }
    problem = takeFocus(id);
    if (!problem.empty()) return problem;
    c = control(id);
    c->selection = index;
    notify(Notification::SelChange, id);
    return {};
}

std::string Dialog::userOk() {
    if (!open_ || ended_) return "\"" + caption() + "\" is not open";
    if (control(IDOK) != nullptr) return userClick(IDOK);
    std::string problem = takeFocus(kNoFocus);
    if (!problem.empty()) return problem;
    notify(Notification::Clicked, IDOK);
    return {};
}

// Escape: the focus stays where it is and the dialog is told to cancel.
std::string Dialog::userCancel() {
    if (!open_ || ended_) return "\"" + caption() + "\" is not open";
    notify(Notification::Clicked, IDCANCEL);
    return {};
}

}  // namespace gui
