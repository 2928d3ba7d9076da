// The kinds of file a user may name for opening, and the reading of
// spreadsheet formats other than .xlsx through LibreOffice.
#pragma once

#include <memory>
#include <string>

#include "host/state.h"

namespace host {

struct FileKind {
    enum Kind { Xlsx, Convert, Text, Other } kind = Text;
    FileKind(Kind k = Text, std::string w = "", std::string e = "")
        : kind(k), what(std::move(w)), extension(std::move(e)) {}
    std::string what;       // Convert and Other: what the file is, "a PDF document"
    std::string extension;  // Convert: the name LibreOffice knows the format by
};

// Told from the file's first bytes, so that a renamed file is still known.
FileKind fileKind(const std::string& path);

// A workbook read from a file LibreOffice converts into a temporary .xlsx
// (removed again); the workbook keeps the converted package.
std::unique_ptr<Workbook> readConverted(Model& m, const std::string& path, const FileKind& kind,
                                        std::string& error);

}  // namespace host
