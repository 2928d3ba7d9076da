// Templates of the five pages of the options property sheet.
#include "gui/template.h"
#include "resources/dialog_ids.h"
#include "resources/templates_internal.h"

namespace res {

using namespace gui;

DialogTemplate instanceInfoPage() {
    DialogTemplate t{IDD_INSTANCE_INFO, "Instance Info", 249, 166, "MS Shell Dlg", 8, {}};
    auto& c = t.controls;
    c.push_back(makeControl(IDC_STATIC, ControlKind::GroupBox, "Cuantitative Descriptions",
                            {7, 7, 115, 152}));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "Number of Cells in Instance",
                            {14, 22, 100, 8}));
    c.push_back(makeControl(12004, ControlKind::Edit, "", {14, 32, 100, 14}, kReadOnly | kCentred));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "Number of Internal Cells",
                            {14, 56, 100, 8}));
    c.push_back(makeControl(12003, ControlKind::Edit, "", {14, 66, 100, 14}, kReadOnly | kCentred));
    c.push_back(
        makeControl(IDC_STATIC, ControlKind::StaticText, "Number of Sums", {14, 90, 100, 8}));
    c.push_back(
        makeControl(12005, ControlKind::Edit, "", {14, 100, 100, 14}, kReadOnly | kCentred));
    c.push_back(
        makeControl(IDC_STATIC, ControlKind::GroupBox, "Instance Origin", {127, 7, 115, 152}));
    c.push_back(makeControl(12018, ControlKind::CheckBox, "Random Instance", {135, 24, 100, 10},
                            kFlat | kGroupStart));
    c.push_back(makeControl(12019, ControlKind::CheckBox, "QTB File", {135, 42, 100, 10}, kFlat));
    c.push_back(makeControl(12017, ControlKind::CheckBox, "Workbook (Classical)",
                            {135, 60, 100, 10}, kFlat));
    c.push_back(makeControl(12020, ControlKind::CheckBox, "Workbook (DB-Style)", {135, 78, 100, 10},
                            kFlat));
    return t;
}

DialogTemplate generalOptionsPage() {
    DialogTemplate t{IDD_GENERAL_OPTIONS, "General Options", 248, 163, "MS Sans Serif", 8, {}};
    auto& c = t.controls;
    c.push_back(makeControl(IDC_STATIC, ControlKind::GroupBox, "General Rounding Options",
                            {7, 7, 234, 152}));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "Base Number", {15, 22, 130, 8}));
    c.push_back(makeControl(12003, ControlKind::Edit, "", {160, 20, 60, 14}, kGroupStart));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText,
                            "Time Limit for Calculations \n(in minutes without decimals)",
                            {15, 40, 130, 18}));
    c.push_back(makeControl(12005, ControlKind::Edit, "", {160, 42, 60, 14}, kDigitsOnly));
    c.push_back(
        makeControl(IDC_STATIC, ControlKind::StaticText,
                    "Maximum Allowed Jump in Non-Zero-Restricted Model \n(in integer multiples of "
                    "base number)",
                    {15, 62, 140, 26}));
    c.push_back(makeControl(12015, ControlKind::Edit, "", {160, 68, 60, 14}, kDigitsOnly));
    c.push_back(makeControl(12018, ControlKind::CheckBox, "Keep Instance Loaded",
                            {15, 100, 100, 10}, kFlat | kGroupStart));
    c.push_back(makeControl(12019, ControlKind::CheckBox, "Activate Auditing Phase",
                            {15, 116, 100, 10}, kFlat));
    c.push_back(
        makeControl(12017, ControlKind::CheckBox, "Random Weights", {130, 100, 100, 10}, kFlat));
    c.push_back(makeControl(12020, ControlKind::CheckBox, "Actualize Pivot Table",
                            {130, 116, 100, 10}, kFlat));
    c.push_back(makeControl(12021, ControlKind::CheckBox, "Publish Best Rounding at Time Limit",
                            {15, 128, 200, 10}, kFlat));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText,
                            "Seed of the Random Weights (empty: new each run)", {15, 144, 140, 8}));
    c.push_back(makeControl(12022, ControlKind::Edit, "", {160, 142, 60, 14}, kDigitsOnly));
    return t;
}

// The two rows read "Lower Bounds = max{ x , Cell Value - y }" and
// "Upper Bounds = min{ x , Cell Value + y }" with an edit box for each x and y.
DialogTemplate boundsPage() {
    DialogTemplate t{IDD_BOUNDS, "Bounds", 249, 166, "MS Sans Serif", 8, {}};
    auto& c = t.controls;
    c.push_back(makeControl(IDC_STATIC, ControlKind::GroupBox, "Bounds for all Cells in Common",
                            {7, 7, 235, 80}));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "Lower Bounds", {14, 32, 45, 8}));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "= max{", {62, 32, 24, 8}));
    c.push_back(makeControl(12003, ControlKind::Edit, "", {88, 30, 40, 14}, kGroupStart,
                            "Lower Bounds: max{ x"));
    c.push_back(
        makeControl(IDC_STATIC, ControlKind::StaticText, ", Cell Value - ", {131, 32, 50, 8}));
    c.push_back(makeControl(12005, ControlKind::Edit, "", {183, 30, 40, 14}, kStyleNone,
                            "Lower Bounds: Cell Value - y"));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "}", {226, 32, 6, 8}));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "Upper Bounds", {14, 57, 45, 8}));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "= min{", {62, 57, 24, 8}));
    c.push_back(makeControl(12004, ControlKind::Edit, "", {88, 55, 40, 14}, kStyleNone,
                            "Upper Bounds: min{ x"));
    c.push_back(
        makeControl(IDC_STATIC, ControlKind::StaticText, ", Cell Value + ", {131, 57, 50, 8}));
    c.push_back(makeControl(12006, ControlKind::Edit, "", {183, 55, 40, 14}, kStyleNone,
                            "Upper Bounds: Cell Value + y"));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "}", {226, 57, 6, 8}));
    return t;
}

DialogTemplate protectionLevelsPage() {
    DialogTemplate t{IDD_PROTECTION_LEVELS, "Protection Levels", 248, 163, "MS Sans Serif", 8, {}};
    auto& c = t.controls;
    c.push_back(makeControl(IDC_STATIC, ControlKind::GroupBox,
                            "Protection Levels for all Cells in Common", {7, 7, 234, 149}));
    c.push_back(makeControl(12049, ControlKind::RadioButton,
                            "Default Protection Levels ( upl = lpl = 0 )", {15, 22, 200, 10},
                            kFlat | kGroupStart));
    c.push_back(makeControl(12050, ControlKind::RadioButton, "User Defined Protection Levels",
                            {15, 36, 200, 10}, kFlat));
    c.push_back(
        makeControl(IDC_STATIC, ControlKind::StaticText, "lpl =", {30, 58, 30, 8}, kGroupStart));
    c.push_back(makeControl(12003, ControlKind::Edit, "", {90, 56, 60, 14}));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "upl =", {30, 78, 30, 8}));
    c.push_back(makeControl(12005, ControlKind::Edit, "", {90, 76, 60, 14}));
    c.push_back(
        makeControl(IDC_STATIC, ControlKind::StaticText, "if Cell Value <", {30, 98, 55, 8}));
    c.push_back(makeControl(12015, ControlKind::Edit, "", {90, 96, 60, 14}));
    return t;
}

DialogTemplate editEquationsPage() {
    DialogTemplate t{IDD_EDIT_EQUATIONS, "Edit Equations", 249, 164, "MS Sans Serif", 8, {}};
    auto& c = t.controls;
    c.push_back(
        makeControl(IDC_STATIC, ControlKind::GroupBox, "Equation Editor", {7, 7, 235, 150}));
    c.push_back(
        makeControl(12025, ControlKind::ListBox, "", {15, 20, 219, 105}, kVScroll | kGroupStart));
    c.push_back(
        makeControl(12011, ControlKind::PushButton, "Edit Equations Dialog", {15, 133, 100, 16}));
    return t;
}

}  // namespace res
