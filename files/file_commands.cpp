// Loading and saving instances, saving solutions, and showing a loaded
// instance in a new workbook.
#include "files/file_commands.h"

#include <algorithm>
#include <cctype>

#include "capture/capture.h"
#include "files/instance_file.h"
#include "gui/driver.h"
#include "gui/template.h"
#include "instance/instance.h"
#include "shell/app_object.h"
#include "shell/host_api.h"
#include "shell/host_values.h"

GUI_IMPLEMENT_CLASS(OpenSaveDialog, FileDialog);

OpenSaveDialog::OpenSaveDialog(bool openDialog, const std::string& defaultExt,
                               const std::string& initialName, unsigned flags,
                               const std::string& filter, gui::Window* owner)
    : FileDialog(openDialog, defaultExt, initialName, flags, filter, owner) {}

namespace {

const char* const kInstanceFilter =
    "QTB-Tool files (.qtb)|*.qtb|Uncommented QTB-Toll files (.wq)|*.wq|All files (*.*)|*.*||";
const char* const kSolutionFilter = "QTB solution files (.qts)|*.qts|All files (*.*)|*.*||";

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

bool selectSheet(const std::string& name) {
    CountedText a(name), b(name);
    return CallHost(xlcWorkbookSelect, nullptr, 3, a.value(), b.value(), ScratchBool(true)) ==
           xlretSuccess;
}

// The new workbook could not be made: the alert, then the closing status.
int visualiseFailed(const char* alert) {
    ShowAlert(alert, 1);
    ShowStatus(" Could not visualize instance ...");
    return 1;
}

}  // namespace

int visualiseInstance() {
    InstanceState& s = gInstance;
    ShowStatus(" Visualizing instance ...");
    HostResult made;
    if (CallHost(xlcNew, made.get(), 0) != xlretSuccess || made.isError())
        return visualiseFailed(" Error while opening the new Sheet!");
    for (int i = 1; i < s.sheetCount; ++i) {
        if (CallHost(xlcWorkbookInsert, nullptr, 1, ScratchNumber(1)) != xlretSuccess)
            return visualiseFailed(" Unable to insert a new worksheet to new workbook!");
    }
    HostResult names;
    if (CallHost(xlfGetWorkbook, names.get(), 1, ScratchNumber(1)) == xlretSuccess &&
        !names.isError())
        s.sheetNames = textsOf(*names);
    for (int sheet = 0; sheet < s.sheetCount && size_t(sheet) < s.sheetNames.size(); ++sheet) {
        selectSheet(s.sheetNames[size_t(sheet)]);
        HostResult id;
        if (CallHost(xlSheetId, id.get(), 0) != xlretSuccess || id.isError()) continue;
        for (const Cell* c = s.cellList; c; c = c->next) {
            if (c->sheet != sheet) continue;
            RefValue ref(sheetIdOf(*id), c->row, c->col);
            CallHost(xlSet, nullptr, 2, ref.get(), ScratchNumber(c->nominal));
        }
    }
    if (!s.sheetNames.empty()) selectSheet(s.sheetNames[0]);
    ShowStatus(" Done");
    return 0;
}

QTB_EXPORT int fLoadinstance(void) {
    resetInstance();
    OpenSaveDialog dialog(true, "", "", kAddinFileDialogFlags, kInstanceFilter, addinOwnerWindow());
    if (dialog.DoModal() != gui::IDOK) return 1;
    const std::string path = dialog.pathName();
    bool opened = false;
    InstanceFormat format = instanceFileFormat(path, opened);
    if (!opened) {
        ShowAlert(messageWithPath(" Cannot open file ", path, " for reading!").c_str(), 1);
        return 1;
    }
    if (format == InstanceFormat::Wq) {
        gui::messageBox(
            "A wq-format-file cannot be displayed in an Excel workbook. The resulting controlled "
            "rounding of the instance can be saved into a file after rounding process.",
            "wq-format-file opened");
    } else if (format == InstanceFormat::Unknown) {
        gui::messageBox("First line of file must contain \"-2\" for qtb-format-file or \"0\" for "
                        "wq-format-file.",
                        "Unknown file format!");
        return 1;
    }
    if (readInstanceFile(path, format) != 0) return 1;
    if (gInstance.origin == InstanceOrigin::InstanceFile) visualiseInstance();
    return 0;
}

QTB_EXPORT int fSaveinstance(void) {
    OpenSaveDialog dialog(false, "qtb-instance", "*.qtb", kAddinFileDialogFlags, kInstanceFilter,
                          addinOwnerWindow());
    if (!gInstance.cellList) {
        if (fLookup() != 0 || fAddsums() != 0) return 1;
    }
    if (dialog.DoModal() != gui::IDOK) return 1;
    const std::string path = dialog.pathName();
    InstanceFormat format =
        lower(dialog.fileExt()) == "wq" ? InstanceFormat::Wq : InstanceFormat::Qtb;
    if (writeInstanceFile(path, format) != 0) return 1;
    gOptions.keepLoaded = 1;
    return 0;
}

QTB_EXPORT int fSavesolution(void) {
    OpenSaveDialog dialog(false, "qts-solution", "*.qts", kAddinFileDialogFlags, kSolutionFilter,
                          addinOwnerWindow());
    if (!gInstance.cellList) {
        ShowAlert("  There is no instance to save!", 1);
        return 1;
    }
    if (dialog.DoModal() != gui::IDOK) return 1;
    return writeSolutionFile(dialog.pathName());
}

QTB_EXPORT int QTBTXfLoadinstance(void) { return fLoadinstance(); }
QTB_EXPORT int QTBTXfSaveinstance(void) { return fSaveinstance(); }
