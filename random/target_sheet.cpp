// Where a generated or imported table goes: the active document's position in
// its workbook's sheet list.
#include <string>

#include "random/tables.h"
#include "shell/host_api.h"
#include "shell/host_values.h"

bool findTargetSheet(bool openWhenNone, const char* noWorkbookAlert) {
    InstanceState& s = gInstance;
    HostResult document;
    if (CallHost(xlfGetDocument, document.get(), 1, ScratchNumber(1)) != xlretSuccess)
        return false;
    if (document.isError()) {
        if (!openWhenNone) return false;
        if (CallHost(xlcNew, nullptr, 0) != xlretSuccess) {
            ShowAlert(kAlertNewWorkbookFailed, 2);
            return false;
        }
        document.release();
        if (CallHost(xlfGetDocument, document.get(), 1, ScratchNumber(1)) != xlretSuccess ||
            document.isError())
            return false;
    }
    if (document.type() != xltypeStr) return false;
    std::string name = textOf(*document);
    HostResult sheets;
    if (CallHost(xlfGetWorkbook, sheets.get(), 1, ScratchNumber(1)) != xlretSuccess ||
        sheets.isError()) {
        ShowAlert(noWorkbookAlert, 2);
        return false;
    }
    s.sheetNames = textsOf(*sheets);
    s.sheetCount = int32_t(s.sheetNames.size());
    // The document name of a one-sheet workbook named like its sheet lacks
    // the "[Book]" part that the sheet list has.
    if (s.sheetCount == 1 && (name.empty() || name[0] != '[') &&
        name.find(']') == std::string::npos)
        name = "[" + name + "]" + name;
    s.targetSheet = -1;
    for (int32_t i = 0; i < s.sheetCount; ++i)
        if (s.sheetNames[size_t(i)] == name) s.targetSheet = i;  // a later equal name wins
    return s.targetSheet >= 0;
}
