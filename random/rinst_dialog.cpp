#include "random/rinst_dialog.h"

#include <climits>
#include <cstdlib>
#include <ctime>

#include "instance/instance.h"
#include "random/tables.h"
#include "resources/dialog_ids.h"
#include "shell/app_object.h"
#include "shell/host_api.h"
#include "shell/host_values.h"

GUI_IMPLEMENT_CLASS(RInstDialog, Dialog);

namespace {

TestDialogOpener testDialogOpener = nullptr;

// The standard text-to-int reading (leading integer, 0 when none), kept
// within 64 bits instead of overflowing.
long long leadingInteger(const std::string& text) {
    return std::strtoll(text.c_str(), nullptr, 10);
}

int32_t clampedCount(long long v) {
    return v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : int32_t(v);
}

// A seed field: its integer value as a 32-bit pattern, or the calendar time.
uint32_t seedOf(const std::string& text) {
    if (text.empty()) return uint32_t(std::time(nullptr));
    return uint32_t(static_cast<unsigned long long>(leadingInteger(text)));
}

double numberOf(const std::string& text, double fallback) {
    return text.empty() ? fallback : std::strtod(text.c_str(), nullptr);
}

// Clears the used area of the active sheet. False when a step fails.
bool clearActiveSheet() {
    if (CallHost(xlcSelectLastCell, nullptr, 0) != xlretSuccess) return false;
    HostResult last;
    XLREF area{};
    if (CallHost(xlfActiveCell, last.get(), 0) != xlretSuccess || !firstAreaOf(*last, area))
        return false;
    RefValue used(sheetIdOf(*last), 0, area.rwFirst, 0, area.colFirst);
    return CallHost(xlcSelect, nullptr, 1, used.get()) == xlretSuccess &&
           CallHost(xlcClear, nullptr, 1, ScratchNumber(1)) == xlretSuccess;
}

}  // namespace

std::vector<int32_t> parseCategoryCounts(const std::vector<std::string>& lines) {
    std::vector<int32_t> counts;
    for (const std::string& line : lines) {
        size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && (line[i] == ' ' || line[i] == ',')) ++i;
            size_t end = i;
            while (end < line.size() && line[end] != ' ' && line[end] != ',') ++end;
            if (end > i) {
                int32_t v = clampedCount(leadingInteger(line.substr(i, end - i)));
                if (v != 0) counts.push_back(v);
            }
            i = end;
        }
    }
    return counts;
}

void setComputationalTestOpener(TestDialogOpener opener) {
    testDialogOpener = opener;
}

RInstDialog::RInstDialog(gui::Window* parent) : Dialog(res::IDD_RANDOM_INSTANCE, parent) {}

void RInstDialog::DoDataExchange(gui::DataExchange& dx) {
    using namespace rinst;
    dx.control(kCategories, categories_);
    dx.control(kSeed, seed_);
    dx.control(kFrom, from_);
    dx.control(kTo, to_);
    dx.control(kZeros, zeros_);
    dx.control(kZeroSeed, zeroSeed_);
    dx.control(kResult, result_);
    dx.control(kPivot, pivot_);
    dx.control(kNewWorkbook, newWorkbook_);
    dx.control(kClearSheet, clearSheet_);
    dx.control(kIntegers, integers_);
}

bool RInstDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    // The pivot table option is not offered: a click takes the check away.
    onEvent(gui::Notification::Clicked, rinst::kPivot,
            [this] { pivot_.setChecked(gui::kUnchecked); });
    return true;
}

void RInstDialog::OnShowWindow(bool show) {
    if (!show) return;
    integers_.setChecked(gui::kChecked);
    clearSheet_.setChecked(gui::kChecked);
    newWorkbook_.setChecked(gui::kUnchecked);
    pivot_.setChecked(gui::kUnchecked);
    seed_.limitText(rinst::kFieldChars);
    from_.limitText(rinst::kFieldChars);
    to_.limitText(rinst::kFieldChars);
    enableItem(rinst::kTests, testDialogOpener != nullptr);
    setFocusTo(rinst::kGenerate);
}

void RInstDialog::OnClicked(int id) {
    if (id == rinst::kGenerate) generateInstance();
    if (id == rinst::kTests) openComputationalTests();
}

void RInstDialog::OnOK() {
    if (pivot_.checked() == gui::kChecked) ShowAlert(kAlertPivotNotImplemented, 2);
    EndDialog(gui::IDOK);
}

void RInstDialog::openComputationalTests() {
    if (!testDialogOpener) return;
    minimize();
    testDialogOpener(*this);
    restore();
}

void RInstDialog::generateInstance() {
    InstanceState& s = gInstance;
    if (s.cellList) {
        if (ShowAlert(kAlertOverwriteInstance, 1) != 1) return;
        resetInstance();
    }
    const size_t n = rinst::kFieldChars;
    TableParams p;
    p.seed = seedOf(seed_.line(0, n));
    p.zeroseed = seedOf(zeroSeed_.line(0, n));
    p.pzeroinp = numberOf(zeros_.line(0, n), 0);
    if (p.pzeroinp < 0 || p.pzeroinp > 100) {
        ShowAlert(kAlertPercentRange, 2);
        return;
    }
    p.from = numberOf(from_.line(0, n), 1);
    p.to = numberOf(to_.line(0, n), 50);
    if (p.to < p.from) {
        ShowAlert(kAlertToBelowFrom, 2);
        return;
    }
    std::vector<std::string> lines;
    for (size_t i = 0; i < categories_.lineCount(); ++i) lines.push_back(categories_.line(i, n));
    std::vector<int32_t> dim = parseCategoryCounts(lines);
    if (dim.empty()) dim = {2, 2, 2, 2};
    const int k = int(dim.size() > size_t(INT_MAX) ? INT_MAX : dim.size());
    p.randint = integers_.checked() == gui::kChecked ? 1 : 0;
    // Nothing is changed in the workbook for a table that cannot be built.
    if (!acceptTableRequest(k, dim, &p)) return;

    if (newWorkbook_.checked() == gui::kChecked && CallHost(xlcNew, nullptr, 0) != xlretSuccess) {
        ShowAlert(kAlertNewWorkbookFailed, 2);
        return;
    }
    if (clearSheet_.checked() == gui::kChecked) {
        if (!clearActiveSheet()) {
            ShowAlert(kAlertClearFailed, 2);
            return;
        }
        ShowStatus(kStatusSheetCleared);
    }
    if (!findTargetSheet(true, kAlertNoActiveWorkbook)) return;
    if (buildRandomInstance(k, dim, p, InstanceOrigin::Random) != 0) return;
    result_.setText(kResultGenerated);
}

QTB_EXPORT int QTBTXfGenerate(void) {
    try {
        RInstDialog dialog(addinOwnerWindow());
        return dialog.DoModal() == -1 ? 1 : 0;
    } catch (...) {
        return 1;
    }
}
