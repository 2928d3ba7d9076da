// What a workbook keeps of the file it was read from: the package's bytes and
// where its sheets lie in it, for writing that package again with only what
// the host changed.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace host {

struct SourceSheet {
    std::string name;       // the sheet's name in the package
    std::string part;       // its part, "xl/worksheets/sheet1.xml"
    std::string relId;      // its relationship from the workbook part
    bool worksheet = true;  // false for chart and dialog sheets
};

struct SourcePackage {
    std::shared_ptr<const std::string> bytes;  // the zip file as read
    std::string workbookPart;                  // "xl/workbook.xml"
    std::vector<SourceSheet> sheets;           // in the workbook's order
    bool macros = false;                       // a macro-enabled workbook
};

}  // namespace host
