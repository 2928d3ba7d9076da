// The test dialog: a specification file of computational (.qtt) or bias
// (.qtv) tests is read into a list, one entry per line, and run as a batch
// (see runner.cpp). The mode is fixed when the dialog is made.
#pragma once

#include <cstdint>
#include <string>

#include "batch/test_spec.h"
#include "gui/control.h"
#include "gui/dialog.h"
#include "host/hostcall.h"

class RanrotGenerator;
struct TableParams;

// Control ids of the dialog's template.
namespace comptest {
constexpr int kRun = 1;  // "Aceptar"
constexpr int kClose = 2;
constexpr int kOpenFile = 12011;
constexpr int kPath = 12003;
constexpr int kList = 12025;
constexpr int kDelete = 12017;
constexpr int kClear = 12018;
constexpr int kRepetitionBar = 12028;
constexpr int kLineBar = 12027;
}  // namespace comptest

class CCompTestDialog : public gui::Dialog {
    GUI_DECLARE_CLASS(CCompTestDialog)
  public:
    // biasMode: 0 computational tests, 1 bias tests.
    CCompTestDialog(int biasMode, gui::Window* parent);

    int biasMode() const { return biasMode_; }

    // Parses list entry `index` in the format of the mode (selecting it, so
    // the user sees which line runs). 0 with testSpec() filled, 1 on failure
    // (the field's alert shown).
    int parseTestLine(int index);
    const batch::TestSpec& testSpec() const { return spec_; }
    // The base number of the current bias batch (0 until its first line is read).
    double batchBase() const { return batchBase_; }

    // Runs every listed line ("Aceptar"); closes the dialog with OK when all
    // ran, leaves it open after the first failure.
    void runBatch();

    // Reads a specification file into the list, as "Open File..." does once
    // a file is chosen.
    void readSpecificationFile(const std::string& path);

  protected:
    void DoDataExchange(gui::DataExchange& dx) override;
    bool OnInitDialog() override;
    void OnShowWindow(bool show) override;
    void OnDestroy() override;
    void OnClicked(int id) override;
    void OnOK() override;

  private:
    void openFile();
    // One repetition of a line: workbook, table, rounding, log line, books
    // closed. False when the batch must end.
    bool runRepetition(const batch::TestSpec& spec, int testNumber, bool last, RanrotGenerator& rg,
                       bool deleteBooks);

    int biasMode_;
    double batchBase_ = 0;
    batch::TestSpec spec_;
    gui::EditBox path_;
    gui::ListBox list_;
    gui::Button delete_, clear_;
    gui::ProgressBar repetitionBar_, lineBar_;
};

// The seeds of one repetition's table: those given on the line, the others
// drawn from the batch's generator. False (alert shown) when a seed had to be
// drawn and the generator failed its self-test: its words would repeat, and
// so would the tables of the batch.
bool batchTableSeeds(const batch::TestSpec& spec, RanrotGenerator& rg, TableParams& params);

// Opens the dialog in computational mode over `parent` (the random instance
// dialog's "Computational Tests..." button).
void openComputationalTests(gui::Dialog& parent);

QTB_EXPORT int QTBTXfCompute(void);
QTB_EXPORT int QTBTXfBiasTest(void);
