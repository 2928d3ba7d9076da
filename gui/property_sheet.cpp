#include "gui/property_sheet.h"

#include "gui/driver.h"
#include "gui/template.h"

namespace gui {

GUI_IMPLEMENT_CLASS(PropertyPage, Dialog);
GUI_IMPLEMENT_CLASS(PropertySheet, ModalWindow);

PropertySheet::PropertySheet(const std::string& caption, Window* owner)
    : ModalWindow(owner != nullptr ? owner : &mainWindow()) {
    setCaption(caption);
}

// The pages' windows went with the modal run; the pages themselves may already
// be gone (their owner often destroys them first), so they are not touched.
PropertySheet::~PropertySheet() = default;

void PropertySheet::addPage(PropertyPage* page) {
    if (page == nullptr) return;
    page->sheet_ = this;
    page->setParent(this);
    pages_.push_back(page);
}

PropertyPage* PropertySheet::page(int index) const {
    if (index < 0 || index >= static_cast<int>(pages_.size())) return nullptr;
    return pages_[static_cast<std::size_t>(index)];
}

std::string PropertySheet::pageTitle(int index) const {
    PropertyPage* p = page(index);
    if (p == nullptr) return {};
    const DialogTemplate* t = findDialogTemplate(p->templateId());
    return t != nullptr ? t->caption : p->caption();
}

int PropertySheet::DoModal() {
    if (open_) return -1;
    if (pages_.empty()) {
        recordUnanswered("property sheet \"" + caption() + "\" has no pages");
        return -1;
    }
    for (PropertyPage* p : pages_) {
        if (findDialogTemplate(p->templateId()) == nullptr) {
            recordUnanswered("dialog template " + std::to_string(p->templateId()) +
                             " is not registered (" + p->className() + ")");
            return -1;
        }
    }
    open_ = true;
    ended_ = false;
    result_ = IDCANCEL;
    active_ = -1;
    activate(0);
    if (!ended_) runDriver();
    destroyPages();
    open_ = false;
    return result_;
}

// Makes page `index` the active one, creating its window on first use.
bool PropertySheet::activate(int index) {
    PropertyPage* p = page(index);
    if (p == nullptr) return false;
    if (!p->isOpen() && !p->createWindow()) return false;
    PropertyPage* old = activePage();
    if (old != nullptr && old != p) old->OnShowWindow(false);
    active_ = index;
    p->OnSetActive();
    if (p->isOpen()) p->OnShowWindow(true);
    return true;
}

// The focus leaves the page (kill-focus of its edit box), then the page is
// asked whether it may be left.
std::string PropertySheet::leaveActivePage() {
    PropertyPage* p = activePage();
    if (p == nullptr) return {};
    p->moveFocus(kNoFocus);
    if (ended_ || !open_) return "\"" + caption() + "\" closed while leaving the page";
    if (p->focusedId() != kNoFocus) {
        return "page \"" + pageTitle(active_) + "\" kept the focus on control " +
               std::to_string(p->focusedId());
    }
    if (!p->OnKillActive()) return "page \"" + pageTitle(active_) + "\" refused to be left";
    return {};
}

bool PropertySheet::setActivePage(int index) {
    return userSwitchPage(index).empty();
}

std::string PropertySheet::userSwitchPage(int index) {
    if (!open_ || ended_) return "\"" + caption() + "\" is not open";
    if (page(index) == nullptr) {
        return "\"" + caption() + "\" has no page " + std::to_string(index + 1);
    }
    if (index == active_) return {};
    std::string problem = leaveActivePage();
    if (!problem.empty()) return problem;
    if (!activate(index)) return "page \"" + pageTitle(index) + "\" could not be created";
    return {};
}

std::string PropertySheet::userOk() {
    if (!open_ || ended_) return "\"" + caption() + "\" is not open";
    std::string problem = leaveActivePage();
    if (!problem.empty()) return problem;
    for (PropertyPage* p : pages_) {
        if (p->isOpen()) p->OnOK();
    }
    EndDialog(IDOK);
    return {};
}

std::string PropertySheet::userCancel() {
    if (!open_ || ended_) return "\"" + caption() + "\" is not open";
    for (PropertyPage* p : pages_) {
        if (p->isOpen()) p->OnCancel();
    }
    EndDialog(IDCANCEL);
    return {};
}

void PropertySheet::destroyPages() {
    for (PropertyPage* p : pages_) p->destroyWindow();
    active_ = -1;
}

}  // namespace gui
