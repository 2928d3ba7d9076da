// The random instance dialog: the user describes a random table (categories
// per dimension, seeds, value range, share of zeros) and generates it, as
// often as wanted, into the active worksheet as a complete instance. The
// computational test dialog is reached from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gui/control.h"
#include "gui/dialog.h"
#include "host/hostcall.h"

inline constexpr char kResultGenerated[] = "Random Instances successfully created";
inline constexpr char kAlertClearFailed[] = " Unable to clear worksheet!";
inline constexpr char kStatusSheetCleared[] = " Worksheet cleared!";
inline constexpr char kAlertPivotNotImplemented[] = " Pivot-table support not implemented so far.";

// Control ids of the dialog's template.
namespace rinst {
constexpr int kCategories = 12004;
constexpr int kSeed = 12005;
constexpr int kFrom = 12015;
constexpr int kTo = 12016;
constexpr int kZeros = 12022;
constexpr int kZeroSeed = 12023;
constexpr int kResult = 12026;
constexpr int kGenerate = 12011;
constexpr int kTests = 12021;
constexpr int kPivot = 12017;
constexpr int kNewWorkbook = 12018;
constexpr int kClearSheet = 12020;
constexpr int kIntegers = 12019;
constexpr std::size_t kFieldChars = 128;
}  // namespace rinst

class RInstDialog : public gui::Dialog {
    GUI_DECLARE_CLASS(RInstDialog)
  public:
    explicit RInstDialog(gui::Window* parent);

  protected:
    void DoDataExchange(gui::DataExchange& dx) override;
    bool OnInitDialog() override;
    void OnShowWindow(bool show) override;
    void OnClicked(int id) override;
    void OnOK() override;

  private:
    void generateInstance();
    void openComputationalTests();

    gui::EditBox categories_, seed_, from_, to_, zeros_, zeroSeed_, result_;
    gui::Button pivot_, newWorkbook_, clearSheet_, integers_;
};

// The category counts in the lines of the categories box: tokens between
// blanks and commas, each with an integer value other than 0, in order.
std::vector<int32_t> parseCategoryCounts(const std::vector<std::string>& lines);

// The computational test dialog belongs to the test batches, which say how it
// is opened (with the random instance dialog as its parent). Until they do,
// the dialog's "Computational Tests..." button is disabled.
using TestDialogOpener = void (*)(gui::Dialog& parent);
void setComputationalTestOpener(TestDialogOpener opener);

// Opens the dialog with the add-in's owner window as parent. 0 when it ran,
// 1 when it could not be shown.
QTB_EXPORT int QTBTXfGenerate(void);
