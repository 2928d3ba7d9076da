// Tabbed property sheets and their pages.
//
// A page's window is created the first time the page becomes active
// (OnInitDialog runs then), and every activation calls OnSetActive. Leaving a
// page, by switching to another or by pressing OK, first takes the focus off
// its controls (an edit box gets its kill-focus) and then calls OnKillActive;
// a page that answers false stays active and the switch or OK is refused.
// After OK every page whose window exists gets OnOK, after Cancel OnCancel.
#pragma once

#include <string>
#include <vector>

#include "gui/dialog.h"

namespace gui {

class PropertySheet;

class PropertyPage : public Dialog {
    GUI_DECLARE_CLASS(PropertyPage)
  public:
    explicit PropertyPage(int templateId) : Dialog(templateId) {}
    PropertySheet* sheet() const { return sheet_; }

  protected:
    virtual bool OnSetActive() { return true; }
    virtual bool OnKillActive() { return UpdateData(true); }  // stores the members
    void OnOK() override {}                                   // the sheet was closed with OK
    void OnCancel() override {}                               // the sheet was closed with Cancel

  private:
    friend class PropertySheet;
    PropertySheet* sheet_ = nullptr;
};

class PropertySheet : public ModalWindow {
    GUI_DECLARE_CLASS(PropertySheet)
  public:
    explicit PropertySheet(const std::string& caption, Window* owner = nullptr);
    ~PropertySheet() override;
    PropertySheet(const PropertySheet&) = delete;
    PropertySheet& operator=(const PropertySheet&) = delete;

    void addPage(PropertyPage* page);  // pages are not owned; tab order = order added
    int DoModal();

    PropertyPage* page(int index) const;
    PropertyPage* activePage() const { return page(active_); }
    // Programmatic switch (same events as the user's); false when refused.
    bool setActivePage(int index);

    Dialog* currentForm() override { return activePage(); }
    int pageCount() const override { return static_cast<int>(pages_.size()); }
    std::string pageTitle(int index) const override;
    int activePageIndex() const override { return active_; }
    std::string userSwitchPage(int index) override;
    std::string userOk() override;
    std::string userCancel() override;

  private:
    bool activate(int index);
    std::string leaveActivePage();
    void destroyPages();

    std::vector<PropertyPage*> pages_;
    int active_ = -1;
};

}  // namespace gui
