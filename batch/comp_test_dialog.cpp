#include "batch/comp_test_dialog.h"

#include <sys/stat.h>

#include <cstdio>
#include <new>

#include "batch/batch_texts.h"
#include "batch/test_logs.h"
#include "gui/file_dialog.h"
#include "random/rinst_dialog.h"
#include "resources/dialog_ids.h"
#include "shell/app_object.h"
#include "shell/host_api.h"

GUI_IMPLEMENT_CLASS(CCompTestDialog, Dialog);

namespace {

// The random instance dialog reaches this dialog through its button.
const bool openerRegistered = (setComputationalTestOpener(&openComputationalTests), true);

int runTestDialog(int biasMode) {
    try {
        CCompTestDialog dialog(biasMode, addinOwnerWindow());
        return dialog.DoModal() == -1 ? 1 : 0;
    } catch (...) {
        return 1;
    }
}

// A file opened for reading, or null; a folder is not a specification file.
std::FILE* openForReading(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "r");
    struct stat st {};
    if (f && (fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode))) {
        std::fclose(f);
        f = nullptr;
    }
    return f;
}

}  // namespace

CCompTestDialog::CCompTestDialog(int biasMode, gui::Window* parent)
    : Dialog(res::IDD_COMPUTATIONAL_TESTS, parent), biasMode_(biasMode != 0 ? 1 : 0) {
    (void)openerRegistered;
}

void CCompTestDialog::DoDataExchange(gui::DataExchange& dx) {
    using namespace comptest;
    dx.control(kPath, path_);
    dx.control(kList, list_);
    dx.control(kDelete, delete_);
    dx.control(kClear, clear_);
    dx.control(kRepetitionBar, repetitionBar_);
    dx.control(kLineBar, lineBar_);
}

bool CCompTestDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    setCaption(biasMode_ ? batch::kCaptionBias : batch::kCaptionComputational);
    return true;
}

void CCompTestDialog::OnShowWindow(bool show) {
    if (!show) return;
    delete_.setChecked(gui::kChecked);
    clear_.setChecked(gui::kChecked);
}

void CCompTestDialog::OnDestroy() {
    // A parent other than the owner window is a dialog minimised while this
    // one ran.
    if (parent() && parent() != addinOwnerWindow()) parent()->restore();
}

void CCompTestDialog::OnClicked(int id) {
    if (id == comptest::kOpenFile) openFile();
}

void CCompTestDialog::OnOK() {
    try {
        runBatch();
    } catch (const std::bad_alloc&) {
        ShowAlert(batch::kAlertNoMemoryTally, 2);
    }
}

void CCompTestDialog::openFile() {
    gui::FileDialog dialog(true, biasMode_ ? batch::kSpecExtBias : batch::kSpecExtComputational, "",
                           gui::FileDialog::kHideReadOnly,
                           biasMode_ ? batch::kSpecFilterBias : batch::kSpecFilterComputational,
                           this);
    if (dialog.DoModal() != gui::IDOK) return;
    try {
        readSpecificationFile(dialog.pathName());
    } catch (const std::bad_alloc&) {
        ShowAlert(batch::kAlertNoMemoryReadingFile, 1);
    }
}

void CCompTestDialog::readSpecificationFile(const std::string& path) {
    std::FILE* f = openForReading(path);
    if (!f) {
        ShowAlert(batch::framedPathText(batch::kAlertCannotReadPrefix, path,
                                        batch::kAlertCannotReadSuffix)
                      .c_str(),
                  1);
        return;
    }
    if (clear_.checked() == gui::kChecked) list_.resetContent();
    path_.setText(path);
    batch::readSpecLines(f, [this](std::string&& line) { list_.addString(line); });
    std::fclose(f);
}

int CCompTestDialog::parseTestLine(int index) {
    std::string text;
    try {
        list_.setCurrentSelection(index);
        text = list_.itemText(index);
    } catch (const std::bad_alloc&) {
        ShowAlert(batch::kAlertNoMemoryReadingLine, 1);
        return 1;
    }
    return batch::parseSpecLine(text, biasMode_ != 0, batchBase_, spec_);
}

void openComputationalTests(gui::Dialog& parent) {
    try {
        CCompTestDialog dialog(0, &parent);
        dialog.DoModal();
    } catch (...) {
    }
}

QTB_EXPORT int QTBTXfCompute(void) {
    return runTestDialog(0);
}

QTB_EXPORT int QTBTXfBiasTest(void) {
    return runTestDialog(1);
}
