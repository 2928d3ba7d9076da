// The "Resolution Info" dialog shown after a successful rounding.
#pragma once

#include <string>

#include "gui/dialog.h"

// The value in general notation with 10 significant digits as the platform's
// gcvt writes it; then the first '.' is removed when it ends the text, becomes
// a blank when an exponent follows it, and a ',' otherwise.
std::string formatResultNumber(double value);

class ResultDialog : public gui::Dialog {
    GUI_DECLARE_CLASS(ResultDialog)
  public:
    ResultDialog(int modelFlag, double maxDeviation, double resolutionSeconds,
                 double overallSeconds, double withoutDialogSeconds, double distance, double base,
                 gui::Window* owner);

    int modelFlag;
    double maxDeviation;
    double resolutionSeconds;
    double overallSeconds;
    double withoutDialogSeconds;
    int zeroCount, baseMultipleCount, integerCount;
    double distance;
    double base;
    // From the engine: 0 when the rounding is the best found when the time
    // limit ended the search; its gap to the proven bound, in percent.
    int provenOptimal = 1;
    double gapPercent = 0;

  protected:
    bool OnInitDialog() override;
    void OnShowWindow(bool show) override;
};

// Constructs the dialog with these figures, the run's distance, the base
// number and the instance's counts, runs it modally and destroys it. -1 when
// the dialog window cannot be created, else 0.
int showResolutionInfo(int modelFlag, double maxDeviation, double resolutionSeconds,
                       double overallSeconds, double withoutDialogSeconds);
