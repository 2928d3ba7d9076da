// The instance and solution file commands, and the file dialog they use.
#pragma once

#include <string>

#include "gui/file_dialog.h"
#include "host/hostcall.h"

// The platform's common file dialog as every file command of the add-in
// uses it (read-only box hidden, overwrite prompt, owned by the add-in's
// main window).
class OpenSaveDialog : public gui::FileDialog {
    GUI_DECLARE_CLASS(OpenSaveDialog)
  public:
    OpenSaveDialog(bool openDialog, const std::string& defaultExt, const std::string& initialName,
                   unsigned flags, const std::string& filter, gui::Window* owner);
};

// The flags every file dialog of the add-in passes.
constexpr unsigned kAddinFileDialogFlags =
    gui::FileDialog::kHideReadOnly | gui::FileDialog::kOverwritePrompt;

QTB_EXPORT int fLoadinstance(void);
QTB_EXPORT int fSaveinstance(void);
QTB_EXPORT int fSavesolution(void);
QTB_EXPORT int QTBTXfLoadinstance(void);
QTB_EXPORT int QTBTXfSaveinstance(void);

// Shows a loaded .qtb instance's values in a new workbook.
int visualiseInstance();
