#include "rounding/result_dialog.h"

#include <cstdlib>
#include <cstring>

#include "engine/engine.h"
#include "instance/instance.h"
#include "resources/dialog_ids.h"
#include "shell/app_object.h"

GUI_IMPLEMENT_CLASS(ResultDialog, Dialog);

std::string formatResultNumber(double value) {
    char text[64];
    gcvt(value, 10, text);
    char* point = std::strchr(text, '.');
    if (point) {
        if (point[1] == '\0')
            *point = '\0';
        else if (point[1] == 'e')
            *point = ' ';
        else
            *point = ',';
    }
    return text;
}

ResultDialog::ResultDialog(int modelFlag_, double maxDeviation_, double resolutionSeconds_,
                           double overallSeconds_, double withoutDialogSeconds_, double distance_,
                           double base_, gui::Window* owner)
    : Dialog(res::IDD_RESOLUTION_INFO, owner),
      modelFlag(modelFlag_),
      maxDeviation(maxDeviation_),
      resolutionSeconds(resolutionSeconds_),
      overallSeconds(overallSeconds_),
      withoutDialogSeconds(withoutDialogSeconds_),
      zeroCount(gInstance.zeroCount),
      baseMultipleCount(gInstance.baseMultipleCount),
      integerCount(gInstance.integerCount),
      distance(distance_),
      base(base_) {}

bool ResultDialog::OnInitDialog() {
    // The model display cannot be changed: a click puts the check back.
    for (int id : {12017, 12018}) {
        onEvent(gui::Notification::Clicked, id, [this, id] {
            const bool zeroRestricted = modelFlag == 0;
            const bool shouldBeChecked = (id == 12017) == zeroRestricted;
            setChecked(id, shouldBeChecked ? gui::kChecked : gui::kUnchecked);
        });
    }
    onEvent(gui::Notification::Clicked, 12025,
            [this] { setChecked(12025, provenOptimal ? gui::kChecked : gui::kUnchecked); });
    return Dialog::OnInitDialog();
}

void ResultDialog::OnShowWindow(bool show) {
    if (!show) return;
    setChecked(modelFlag == 0 ? 12017 : 12018, gui::kChecked);
    setChecked(12025, provenOptimal ? gui::kChecked : gui::kUnchecked);
    const double cells = gInstance.ncells;
    const struct {
        int id;
        double value;
    } figures[] = {
        {12003, maxDeviation},
        {12021, maxDeviation / base},
        {12022, distance},
        {12005, overallSeconds},
        {12015, withoutDialogSeconds},
        {12016, resolutionSeconds},
        {12006, zeroCount / cells * 100},
        {12019, baseMultipleCount / cells * 100},
        {12020, integerCount / cells * 100},
        {12023, base},
        {12024, gapPercent},
    };
    for (const auto& f : figures) setItemText(f.id, formatResultNumber(f.value));
}

int showResolutionInfo(int modelFlag, double maxDeviation, double resolutionSeconds,
                       double overallSeconds, double withoutDialogSeconds) {
    ResultDialog dialog(modelFlag, maxDeviation, resolutionSeconds, overallSeconds,
                        withoutDialogSeconds, gEngine.bestUB, gOptions.basenumber,
                        addinOwnerWindow());
    dialog.provenOptimal = gEngine.bestNotProven ? 0 : 1;
    dialog.gapPercent = gEngine.publishedGap;
    return dialog.DoModal() == -1 ? -1 : 0;
}
