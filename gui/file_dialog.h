// The common file dialog: open or save, a default extension, an initial name,
// a filter list "Description|*.ext|...||", and the flags that hide the
// read-only box, prompt before overwriting and require an existing file.
#pragma once

#include <string>
#include <vector>

#include "gui/window.h"

namespace gui {

struct FileFilter {
    std::string description;
    std::string pattern;  // e.g. "*.qtb"
};

// Splits "Desc|*.ext|Desc2|*.e2||" into its pairs (an unpaired tail is dropped).
std::vector<FileFilter> parseFilterList(const std::string& filters);

// A name typed without an extension gets "." and the first three characters of
// the default extension text (leading dots of that text skipped): "table" with
// "qtb-instance" gives "table.qtb". A name with an extension, or an empty
// default, is left as typed.
std::string applyDefaultExtension(const std::string& name, const std::string& defaultExt);

class FileDialog : public Window {
    GUI_DECLARE_CLASS(FileDialog)
  public:
    enum Flags : unsigned {
        kHideReadOnly = 1u << 0,
        kOverwritePrompt = 1u << 1,
        kFileMustExist = 1u << 2,
    };
    enum class Choice { Accepted, NeedsReplaceConfirmation, NotFound, Invalid, NotOpen };

    FileDialog(bool openDialog, std::string defaultExt, std::string initialName, unsigned flags,
               std::string filter, Window* owner = nullptr);

    // Runs the dialog through the active driver: IDOK when a file was chosen.
    int DoModal();

    // The chosen file: full path, name with extension, extension without dot,
    // and the name without extension.
    std::string pathName() const { return path_; }
    std::string fileName() const;
    std::string fileExt() const;
    std::string fileTitle() const;

    // ---- for drivers ------------------------------------------------------------
    bool isOpenDialog() const { return open_; }
    const std::string& defaultExtension() const { return defaultExt_; }
    const std::string& initialName() const { return initialName_; }
    const std::vector<FileFilter>& filters() const { return filters_; }
    unsigned flags() const { return flags_; }
    bool isRunning() const { return running_; }
    // The path a typed name stands for (default extension applied; an open
    // dialog keeps a name that exists as typed).
    std::string resolve(const std::string& typed) const;
    // Chooses the typed name. Accepted ends the dialog with OK. Otherwise the
    // dialog stays open and `problem` tells the user why: a name with
    // wildcards or no name (Invalid), a file that must exist but does not
    // (NotFound), an existing file to be replaced without `replaceConfirmed`
    // (NeedsReplaceConfirmation).
    Choice userChoose(const std::string& typed, bool replaceConfirmed, std::string* problem);
    void userCancel();

  private:
    bool open_;
    std::string defaultExt_;
    std::string initialName_;
    unsigned flags_;
    std::string filterText_;
    std::vector<FileFilter> filters_;
    std::string path_;
    bool running_ = false;
    bool ended_ = false;
    int result_ = 2;
};

}  // namespace gui
