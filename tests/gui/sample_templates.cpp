#include "tests/gui/sample_templates.h"

using namespace gui;

void registerSampleTemplates() {
    static const bool done = [] {
        DialogTemplate p1{kSamplePage1, "First", 200, 100, "MS Sans Serif", 8, {}};
        p1.controls.push_back(
            makeControl(IDC_STATIC, ControlKind::StaticText, "Amount", {5, 5, 40, 8}));
        p1.controls.push_back(makeControl(101, ControlKind::Edit, "", {50, 5, 60, 14}));
        p1.controls.push_back(
            makeControl(IDC_STATIC, ControlKind::StaticText, "Count", {5, 25, 40, 8}));
        p1.controls.push_back(
            makeControl(102, ControlKind::Edit, "", {50, 25, 60, 14}, kDigitsOnly));
        p1.controls.push_back(makeControl(103, ControlKind::CheckBox, "Enabled", {5, 45, 60, 10}));
        registerDialogTemplate(p1);

        DialogTemplate p2{kSamplePage2, "Second", 200, 100, "MS Sans Serif", 8, {}};
        p2.controls.push_back(
            makeControl(201, ControlKind::RadioButton, "One", {5, 5, 60, 10}, kGroupStart));
        p2.controls.push_back(makeControl(202, ControlKind::RadioButton, "Two", {5, 20, 60, 10}));
        p2.controls.push_back(makeControl(203, ControlKind::RadioButton, "Other group",
                                          {5, 35, 60, 10}, kGroupStart));
        p2.controls.push_back(
            makeControl(IDC_STATIC, ControlKind::GroupBox, "Limits", {70, 5, 120, 40}));
        p2.controls.push_back(makeControl(204, ControlKind::Edit, "", {75, 20, 60, 14}));
        registerDialogTemplate(p2);

        DialogTemplate p3{kSamplePage3, "Third", 200, 100, "MS Sans Serif", 8, {}};
        p3.controls.push_back(makeControl(301, ControlKind::ListBox, "", {5, 5, 100, 60}));
        p3.controls.push_back(
            makeControl(302, ControlKind::PushButton, "&Refill", {110, 5, 60, 14}));
        registerDialogTemplate(p3);

        DialogTemplate d{kSampleDialog, "Sample", 250, 150, "MS Sans Serif", 8, {}};
        auto& c = d.controls;
        c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "Seed:", {5, 5, 40, 8}));
        c.push_back(
            makeControl(10, ControlKind::Edit, "", {50, 5, 60, 14}, kDigitsOnly | kCentred));
        c.push_back(makeControl(11, ControlKind::Edit, "", {50, 25, 120, 40},
                                kMultiLine | kWantReturn, "Lines"));
        c.push_back(
            makeControl(12, ControlKind::Edit, "fixed", {50, 70, 60, 14}, kReadOnly, "Result"));
        c.push_back(makeControl(13, ControlKind::CheckBox, "Option", {5, 90, 60, 10}));
        c.push_back(makeControl(14, ControlKind::CheckBox, "Never", {5, 102, 60, 10}, kDisabled));
        c.push_back(makeControl(15, ControlKind::ListBox, "", {120, 90, 60, 40}, kSorted));
        c.push_back(
            makeControl(16, ControlKind::ProgressBar, "", {185, 90, 60, 8}, kSmooth, "Progress"));
        c.push_back(makeControl(17, ControlKind::PushButton, "Go", {185, 100, 50, 14}));
        c.push_back(
            makeControl(IDOK, ControlKind::PushButton, "OK", {185, 115, 50, 14}, kDefaultButton));
        c.push_back(makeControl(IDCANCEL, ControlKind::PushButton, "Cancel", {185, 130, 50, 14}));
        registerDialogTemplate(d);
        return true;
    }();
    (void)done;
}
