// Templates of the add-in's dialogs: resolution info, random instance and the
// computational / bias test dialog.
#include "gui/template.h"
#include "resources/dialog_ids.h"
#include "resources/templates_internal.h"

namespace res {

using namespace gui;

namespace {

// A small titled frame around one read-only figure.
void framedFigure(std::vector<ControlTemplate>& c, int id, const char* title, int x, int y) {
    c.push_back(makeControl(IDC_STATIC, ControlKind::GroupBox, title, {x, y, 78, 24}));
    c.push_back(
        makeControl(id, ControlKind::Edit, "", {x + 5, y + 9, 68, 12}, kReadOnly | kCentred));
}

}  // namespace

DialogTemplate resolutionInfoDialog() {
    DialogTemplate t{IDD_RESOLUTION_INFO, "Resolution Info", 348, 161, "MS Sans Serif", 8, {}};
    auto& c = t.controls;
    c.push_back(makeControl(IDC_STATIC, ControlKind::GroupBox, "Model used for Resolution",
                            {7, 7, 160, 147}));
    c.push_back(makeControl(12017, ControlKind::CheckBox, "Zero-Restricted", {15, 20, 80, 10},
                            kFlat | kGroupStart));
    c.push_back(
        makeControl(12025, ControlKind::CheckBox, "Proven Optimal", {100, 20, 62, 10}, kFlat));
    c.push_back(
        makeControl(12018, ControlKind::CheckBox, "Non-Zero-Restricted", {15, 34, 100, 10}, kFlat));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "Maximum Jump in Table",
                            {15, 56, 80, 12}, kBorder | kCentred));
    c.push_back(makeControl(12003, ControlKind::Edit, "", {100, 55, 60, 14}, kReadOnly | kCentred));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "Max. Jump in Base Units",
                            {15, 82, 80, 12}, kBorder | kCentred));
    c.push_back(makeControl(12021, ControlKind::Edit, "", {100, 81, 60, 14}, kReadOnly | kCentred));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "Distance from Original",
                            {15, 108, 80, 12}, kBorder | kCentred));
    c.push_back(
        makeControl(12022, ControlKind::Edit, "", {100, 107, 60, 14}, kReadOnly | kCentred));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "Gap to Bound (%)",
                            {15, 134, 80, 12}, kBorder | kCentred));
    c.push_back(
        makeControl(12024, ControlKind::Edit, "", {100, 133, 60, 14}, kReadOnly | kCentred));
    c.push_back(makeControl(IDC_STATIC, ControlKind::GroupBox, "Elapsed Time", {174, 7, 167, 60}));
    framedFigure(c, 12005, "Overall Time", 179, 16);
    framedFigure(c, 12015, "Overall without Dialogs", 259, 16);
    framedFigure(c, 12016, "Model Resolution", 179, 41);
    c.push_back(makeControl(IDC_STATIC, ControlKind::GroupBox, "Values in Original Table",
                            {174, 70, 167, 62}));
    framedFigure(c, 12006, "Percentage of Zeros", 179, 79);
    framedFigure(c, 12019, "Multiples of Base Number", 259, 79);
    framedFigure(c, 12020, "Percentage of Integers", 179, 104);
    framedFigure(c, 12023, "Base", 259, 104);
    c.push_back(makeControl(IDOK, ControlKind::PushButton, "OK", {232, 138, 50, 16},
                            kDefaultButton | kGroupStart));
    return t;
}

DialogTemplate randomInstanceDialog() {
    DialogTemplate t{
        IDD_RANDOM_INSTANCE, "Generate Random Instance", 301, 190, "MS Sans Serif", 8, {}};
    auto& c = t.controls;
    // Frames: dimension block, the rich edit, parameter block, check boxes.
    c.push_back(makeControl(IDC_STATIC, ControlKind::GroupBox, "", {7, 7, 233, 73}));
    c.push_back(
        makeControl(IDC_STATIC, ControlKind::StaticText,
                    "Categories in Dimensions: (Internal cells without marginals; Separator: "
                    "newline,comma - e.g.: 3,4,7,4 for 3x4x7x4 table)",
                    {15, 17, 214, 18}));
    c.push_back(makeControl(IDC_STATIC, ControlKind::GroupBox, "", {15, 32, 217, 42}));
    c.push_back(makeControl(12004, ControlKind::Edit, "", {16, 36, 216, 37},
                            kRichEdit | kMultiLine | kVScroll | kWantReturn | kGroupStart,
                            "Categories in Dimensions"));
    c.push_back(makeControl(IDC_STATIC, ControlKind::GroupBox, "", {7, 81, 148, 102}));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "Random Seed:\n(no entry: random)",
                            {15, 90, 76, 21}));
    c.push_back(makeControl(IDC_STATIC, ControlKind::GroupBox, "", {101, 89, 49, 18}));
    c.push_back(makeControl(12005, ControlKind::Edit, "", {103, 91, 45, 14}, kDigitsOnly | kCentred,
                            "Random Seed"));
    c.push_back(
        makeControl(IDC_STATIC, ControlKind::StaticText, "From: (default = 1)", {15, 113, 69, 12}));
    c.push_back(makeControl(IDC_STATIC, ControlKind::GroupBox, "", {101, 106, 49, 18}));
    c.push_back(makeControl(12015, ControlKind::Edit, "", {103, 108, 45, 14},
                            kDigitsOnly | kCentred, "From"));
    c.push_back(
        makeControl(IDC_STATIC, ControlKind::StaticText, "To: (default = 50)", {15, 130, 55, 8}));
    c.push_back(makeControl(IDC_STATIC, ControlKind::GroupBox, "", {101, 124, 49, 18}));
    c.push_back(makeControl(12016, ControlKind::Edit, "", {103, 126, 45, 14},
                            kDigitsOnly | kCentred, "To"));
    c.push_back(
        makeControl(IDC_STATIC, ControlKind::StaticText, "Percentage of Zeros:", {15, 145, 68, 8}));
    c.push_back(makeControl(IDC_STATIC, ControlKind::GroupBox, "", {101, 142, 49, 17}));
    c.push_back(makeControl(12022, ControlKind::Edit, "", {103, 144, 45, 13},
                            kDigitsOnly | kCentred, "Percentage of Zeros"));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText,
                            "Seed for Zero-insertion:", {15, 162, 74, 8}));
    c.push_back(makeControl(IDC_STATIC, ControlKind::GroupBox, "", {101, 159, 49, 18}));
    c.push_back(makeControl(12023, ControlKind::Edit, "", {103, 161, 45, 14},
                            kDigitsOnly | kCentred, "Seed for Zero-insertion"));
    c.push_back(makeControl(IDC_STATIC, ControlKind::GroupBox, "", {162, 81, 132, 54}));
    c.push_back(makeControl(12017, ControlKind::CheckBox, "Pivot Table", {168, 88, 52, 10},
                            kDisabled | kFlat | kGroupStart));
    c.push_back(
        makeControl(12018, ControlKind::CheckBox, "New Workbook", {168, 99, 66, 10}, kFlat));
    c.push_back(
        makeControl(12020, ControlKind::CheckBox, "Clear Active Sheet", {168, 110, 75, 10}, kFlat));
    c.push_back(makeControl(12019, ControlKind::CheckBox, "Integer Random Values",
                            {168, 121, 90, 10}, kFlat));
    c.push_back(makeControl(12021, ControlKind::PushButton, "Computational Tests...",
                            {162, 151, 131, 14}, kGroupStart));
    c.push_back(
        makeControl(12026, ControlKind::Edit, "", {163, 169, 132, 14}, kReadOnly, "Result"));
    c.push_back(makeControl(12011, ControlKind::PushButton, "Generate Instance", {243, 11, 50, 32},
                            kDefaultButton | kMultiLine | kGroupStart));
    c.push_back(makeControl(IDOK, ControlKind::PushButton, "Finish", {244, 45, 50, 16}));
    c.push_back(makeControl(IDCANCEL, ControlKind::PushButton, "Cancel", {244, 63, 50, 16}));
    return t;
}

// The caption is replaced by the dialog class according to its mode.
DialogTemplate computationalTestsDialog() {
    DialogTemplate t{
        IDD_COMPUTATIONAL_TESTS, "Computational Tests", 395, 206, "MS Sans Serif", 8, {}};
    auto& c = t.controls;
    c.push_back(makeControl(IDC_STATIC, ControlKind::GroupBox, "Read from File", {7, 7, 323, 33}));
    c.push_back(makeControl(12003, ControlKind::Edit, "", {15, 20, 305, 13},
                            kReadOnly | kGroupStart, "File"));
    c.push_back(
        makeControl(IDC_STATIC, ControlKind::GroupBox, "Test Specifiers", {7, 41, 323, 158}));
    c.push_back(makeControl(IDC_STATIC, ControlKind::GroupBox, "", {15, 50, 307, 142}));
    c.push_back(makeControl(12025, ControlKind::ListBox, "", {16, 55, 305, 136},
                            kVScroll | kHScroll, "Test Specifiers"));
    c.push_back(makeControl(IDOK, ControlKind::PushButton, "Aceptar", {338, 7, 50, 16},
                            kDefaultButton | kGroupStart));
    c.push_back(makeControl(12011, ControlKind::PushButton, "Open File...", {338, 25, 50, 16}));
    c.push_back(makeControl(IDCANCEL, ControlKind::PushButton, "Cancelar", {338, 43, 50, 16}));
    c.push_back(makeControl(12017, ControlKind::CheckBox, "Delete", {338, 66, 50, 12},
                            kFlat | kGroupStart, "Delete Books of Completed Tests"));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "Books of Completed Tests",
                            {350, 76, 38, 30}));
    c.push_back(makeControl(12018, ControlKind::CheckBox, "Clear", {338, 108, 46, 14}, kFlat,
                            "Clear List Box on Open File"));
    c.push_back(makeControl(IDC_STATIC, ControlKind::StaticText, "List Box on Open File",
                            {351, 119, 37, 22}));
    c.push_back(makeControl(12028, ControlKind::ProgressBar, "", {338, 181, 50, 8}, kSmooth,
                            "Repetitions of the current line"));
    c.push_back(
        makeControl(12027, ControlKind::ProgressBar, "", {338, 191, 50, 8}, kSmooth, "Lines"));
    return t;
}

}  // namespace res
