// The five pages of the options property sheet. Each page copies option
// values into its controls when it becomes active and copies them back when
// the user leaves a box or the page.
#pragma once

#include <string>

#include "gui/property_sheet.h"

// Instance Info: a read-only summary of the instance and its origin.
class CPropPage : public gui::PropertyPage {
    GUI_DECLARE_CLASS(CPropPage)
  public:
    CPropPage();

  protected:
    bool OnInitDialog() override;
    bool OnSetActive() override;
    bool OnKillActive() override;

  private:
    void keepCheck(int id);
    int checkBefore_[4] = {};
};

// General Options: base number, time limit, maximum jump and the four flags.
class CPropPageGO : public gui::PropertyPage {
    GUI_DECLARE_CLASS(CPropPageGO)
  public:
    CPropPageGO();
    const std::string& lastBaseText() const { return lastBaseText_; }

  protected:
    bool OnInitDialog() override;
    bool OnSetActive() override;
    bool OnKillActive() override;

  private:
    void checkBaseText();
    std::string lastBaseText_;  // the base-number text last shown
};

// Bounds: lower bound = max{X, value - Y}, upper bound = min{Z, value + W}.
class CPropPageBnds : public gui::PropertyPage {
    GUI_DECLARE_CLASS(CPropPageBnds)
  public:
    CPropPageBnds();
    int boundsEdited = 0;
    std::string lowerFloorText, lowerDistText, upperCapText, upperDistText;

  protected:
    bool OnInitDialog() override;
    bool OnSetActive() override;

  private:
    std::string& preparedText(int box);
    // Takes a box's text into its option; false when it is neither the
    // keyword nor a decimal number (the number at its start is taken).
    bool readBox(int box);
    void takeBox(int box);  // the box lost the focus
};

// Protection Levels: default (none) or user-defined common levels.
class CPropPagePL : public gui::PropertyPage {
    GUI_DECLARE_CLASS(CPropPagePL)
  public:
    CPropPagePL();
    int userDefined = 0;

  protected:
    bool OnInitDialog() override;
    bool OnSetActive() override;
    bool OnKillActive() override;

  private:
    void enableBoxes();
    void readBox(int id);
};

// Edit Equations: opens the add-sums dialog.
class CPropPageEE : public gui::PropertyPage {
    GUI_DECLARE_CLASS(CPropPageEE)
  public:
    CPropPageEE();

  protected:
    bool OnInitDialog() override;
};
