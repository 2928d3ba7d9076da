#include "gui/file_dialog.h"

#include <filesystem>
#include <system_error>

#include "gui/driver.h"
#include "gui/template.h"

namespace gui {

GUI_IMPLEMENT_CLASS(FileDialog, Window);

namespace fs = std::filesystem;

std::vector<FileFilter> parseFilterList(const std::string& filters) {
    std::vector<std::string> parts;
    std::string current;
    for (char ch : filters) {
        if (ch == '|') {
            parts.push_back(current);
            current.clear();
        } else {
            current += ch;
        }
    }
    if (!current.empty()) parts.push_back(current);
    std::vector<FileFilter> out;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty() && parts[i + 1].empty()) break;  // the closing "||"
        out.push_back(FileFilter{parts[i], parts[i + 1]});
    }
    return out;
}

std::string applyDefaultExtension(const std::string& name, const std::string& defaultExt) {
    std::size_t start = defaultExt.find_first_not_of('.');
    if (start == std::string::npos || name.empty()) return name;
    std::size_t slash = name.find_last_of('/');
    std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
    if (last.empty() || last.find('.') != std::string::npos) return name;
    return name + "." + defaultExt.substr(start, 3);
}

FileDialog::FileDialog(bool openDialog, std::string defaultExt, std::string initialName,
                       unsigned flags, std::string filter, Window* owner)
    : Window(owner != nullptr ? owner : &mainWindow()),
      open_(openDialog),
      defaultExt_(std::move(defaultExt)),
      initialName_(std::move(initialName)),
      flags_(flags),
      filterText_(std::move(filter)),
      filters_(parseFilterList(filterText_)) {
    setCaption(open_ ? "Open" : "Save As");
}

int FileDialog::DoModal() {
    if (running_) return -1;
    running_ = true;
    ended_ = false;
    result_ = IDCANCEL;
    path_.clear();
    UiDriver* driver = activeDriver();
    if (driver == nullptr) {
        recordUnanswered("no user interface driver is active: file dialog \"" + caption() +
                         "\" answered Cancel");
    } else {
        try {
            driver->runFileDialog(*this);
        } catch (...) {
            recordUnanswered("the user interface driver failed on file dialog \"" + caption() +
                             "\"");
        }
        if (!ended_) {
            recordUnanswered("file dialog \"" + caption() +
                             "\" was left open by the driver and is cancelled");
        }
    }
    running_ = false;
    if (!ended_ || result_ != IDOK) path_.clear();
    return ended_ ? result_ : IDCANCEL;
}

std::string FileDialog::resolve(const std::string& typed) const {
    if (open_) {
        std::error_code ec;
        if (fs::exists(fs::path(typed), ec)) return typed;
    }
    return applyDefaultExtension(typed, defaultExt_);
}

FileDialog::Choice FileDialog::userChoose(const std::string& typed, bool replaceConfirmed,
                                          std::string* problem) {
    auto fail = [&](Choice choice, const std::string& why) {
        if (problem != nullptr) *problem = why;
        return choice;
    };
    if (!running_ || ended_) return fail(Choice::NotOpen, "the file dialog is not open");
    if (typed.empty()) return fail(Choice::Invalid, "no file name was given");
    if (typed.find_first_of("*?") != std::string::npos) {
        return fail(Choice::Invalid, "\"" + typed + "\" is not a file name");
    }
    const std::string name = resolve(typed);
    std::error_code ec;
    fs::path full = fs::absolute(fs::path(name), ec).lexically_normal();
    if (ec || !full.has_filename())
        return fail(Choice::Invalid, "\"" + typed + "\" is not a file name");
    const bool exists = fs::exists(full, ec);
    if (exists && fs::is_directory(full, ec)) {
        return fail(Choice::Invalid, "\"" + full.string() + "\" is a folder");
    }
    if ((flags_ & kFileMustExist) != 0 && !exists) {
        return fail(Choice::NotFound, "\"" + full.string() + "\" does not exist");
    }
    if (!open_ && (flags_ & kOverwritePrompt) != 0 && exists && !replaceConfirmed) {
        return fail(Choice::NeedsReplaceConfirmation,
                    full.filename().string() + " already exists. Do you want to replace it?");
    }
    path_ = full.string();
    ended_ = true;
    result_ = IDOK;
    return Choice::Accepted;
}

void FileDialog::userCancel() {
    if (!running_ || ended_) return;
    ended_ = true;
    result_ = IDCANCEL;
}

std::string FileDialog::fileName() const {
    return fs::path(path_).filename().string();
}

std::string FileDialog::fileExt() const {
    std::string ext = fs::path(path_).extension().string();
    return ext.empty() ? ext : ext.substr(1);
}

std::string FileDialog::fileTitle() const {
    return fs::path(path_).stem().string();
}

}  // namespace gui
