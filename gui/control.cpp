#include "gui/control.h"

#include <algorithm>

#include "gui/dialog.h"

namespace gui {

Control::Control(const ControlTemplate& t)
    : id(t.id),
      kind(t.kind),
      style(t.style),
      pos(t.pos),
      text(t.text),
      label(t.label),
      enabled((t.style & kDisabled) == 0),
      visible((t.style & kHidden) == 0),
      readOnly((t.style & kReadOnly) != 0) {}

bool Control::isButtonLike() const {
    return kind == ControlKind::PushButton || kind == ControlKind::CheckBox ||
           kind == ControlKind::RadioButton;
}

Control* ControlHandle::control() const {
    return dialog_ != nullptr ? dialog_->control(id_) : nullptr;
}

void ControlHandle::enable(bool on) {
    if (Control* c = control()) c->enabled = on;
}

bool ControlHandle::isEnabled() const {
    Control* c = control();
    return c != nullptr && c->enabled;
}

void ControlHandle::show(bool on) {
    if (Control* c = control()) c->visible = on;
}

bool ControlHandle::isVisible() const {
    Control* c = control();
    return c != nullptr && c->visible;
}

void ControlHandle::setFocus() {
    if (dialog_ != nullptr) dialog_->setFocusTo(id_);
}

std::string ControlHandle::text() const {
    Control* c = control();
    return c != nullptr ? c->text : std::string();
}

void ControlHandle::setText(const std::string& value) {
    if (Control* c = control()) c->text = value;
}

std::string EditBox::line(std::size_t index, std::size_t maxChars) const {
    const std::string all = text();
    std::size_t start = 0;
    for (std::size_t i = 0; i < index; ++i) {
        std::size_t nl = all.find('\n', start);
        if (nl == std::string::npos) return std::string();
        start = nl + 1;
    }
    std::size_t end = all.find('\n', start);
    std::string result = all.substr(start, end == std::string::npos ? end : end - start);
    if (!result.empty() && result.back() == '\r') result.pop_back();
    if (result.size() > maxChars) result.resize(maxChars);
    return result;
}

std::size_t EditBox::lineCount() const {
    const std::string all = text();
    return static_cast<std::size_t>(std::count(all.begin(), all.end(), '\n')) + 1;
}

void EditBox::limitText(std::size_t maxChars) {
    if (Control* c = control()) c->limit = maxChars;
}

void EditBox::setReadOnly(bool on) {
    if (Control* c = control()) c->readOnly = on;
}

int Button::checked() const {
    Control* c = control();
    return c != nullptr ? c->checked : kUnchecked;
}

void Button::setChecked(int state) {
    if (Control* c = control()) c->checked = state;
}

int ListBox::count() const {
    Control* c = control();
    return c != nullptr ? static_cast<int>(c->items.size()) : 0;
}

int ListBox::addString(const std::string& item) {
    Control* c = control();
    if (c == nullptr) return -1;
    if (c->has(kSorted)) {
        auto at = std::upper_bound(c->items.begin(), c->items.end(), item);
        int index = static_cast<int>(at - c->items.begin());
        c->items.insert(at, item);
        if (c->selection >= index) ++c->selection;
        return index;
    }
    c->items.push_back(item);
    return static_cast<int>(c->items.size()) - 1;
}

bool ListBox::deleteString(int index) {
    Control* c = control();
    if (c == nullptr || index < 0 || index >= static_cast<int>(c->items.size())) return false;
    c->items.erase(c->items.begin() + index);
    if (c->selection == index) {
        c->selection = -1;
    } else if (c->selection > index) {
        --c->selection;
    }
    return true;
}

void ListBox::resetContent() {
    if (Control* c = control()) {
        c->items.clear();
        c->selection = -1;
    }
}

std::string ListBox::itemText(int index) const {
    Control* c = control();
    if (c == nullptr || index < 0 || index >= static_cast<int>(c->items.size())) return {};
    return c->items[static_cast<std::size_t>(index)];
}

int ListBox::currentSelection() const {
    Control* c = control();
    return c != nullptr ? c->selection : -1;
}

bool ListBox::setCurrentSelection(int index) {
    Control* c = control();
    if (c == nullptr || index < -1 || index >= static_cast<int>(c->items.size())) return false;
    c->selection = index;
    return true;
}

void ProgressBar::setRange(int low, int high) {
    if (Control* c = control()) {
        c->rangeLow = low;
        c->rangeHigh = high;
        c->position = std::clamp(c->position, low, std::max(low, high));
    }
}

void ProgressBar::setStep(int step) {
    if (Control* c = control()) c->step = step;
}

int ProgressBar::stepIt() {
    Control* c = control();
    if (c == nullptr) return 0;
    int old = c->position;
    long next = static_cast<long>(old) + c->step;
    if (next > c->rangeHigh || next < c->rangeLow) next = c->rangeLow;  // starts over
    c->position = static_cast<int>(next);
    return old;
}

void ProgressBar::setPosition(int pos) {
    if (Control* c = control()) {
        c->position = std::clamp(pos, c->rangeLow, std::max(c->rangeLow, c->rangeHigh));
    }
}

int ProgressBar::position() const {
    Control* c = control();
    return c != nullptr ? c->position : 0;
}

int ProgressBar::low() const {
    Control* c = control();
    return c != nullptr ? c->rangeLow : 0;
}

int ProgressBar::high() const {
    Control* c = control();
    return c != nullptr ? c->rangeHigh : 0;
}

}  // namespace gui
