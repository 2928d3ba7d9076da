#include "batch/log_sheet.h"

#include <cmath>
#include <cstdio>

#include "batch/batch_texts.h"
#include "gui/file_dialog.h"
#include "gui/template.h"
#include "shell/app_object.h"
#include "shell/host_api.h"
#include "shell/host_values.h"

namespace batch {

namespace {

// A host text holds at most 255 characters: a longer path would name
// another file once cut.
constexpr size_t kMaxHostPath = 255;

bool onSheet(int row, int col) {
    return row >= 0 && row <= 65535 && col >= 0 && col <= 255;
}

bool openLogFile(const std::string& path) {
    if (path.size() > kMaxHostPath) return false;
    CountedText file(path);
    return CallHost(xlcOpen, nullptr, 4, file.value(), ScratchNumber(0), ScratchBool(false),
                    ScratchNumber(4)) == xlretSuccess;
}

bool lastUsedCell(int& row, int& col) {
    if (CallHost(xlcSelectLastCell, nullptr, 0) != xlretSuccess) return false;
    HostResult active;
    XLREF area{};
    if (CallHost(xlfActiveCell, active.get(), 0) != xlretSuccess || areaCountOf(*active) != 1 ||
        !firstAreaOf(*active, area) || area.rwFirst != area.rwLast || area.colFirst != area.colLast)
        return false;
    row = area.rwFirst;
    col = area.colFirst;
    return true;
}

// Sorts rows 0 ... lastRow (row 0 the title) by the first column, ascending.
bool sortRows(uint32_t id, int lastRow, int lastCol) {
    RefValue block(id, 0, lastRow, 0, lastCol);
    if (CallHost(xlcSelect, nullptr, 1, block.get()) != xlretSuccess) return false;
    XLOPER* up = ScratchNumber(1);
    if (CallHost(xlcSort, nullptr, 10, ScratchNumber(1), block.get(), up, block.get(), up,
                 block.get(), up, ScratchNumber(1), ScratchNumber(1),
                 ScratchBool(true)) != xlretSuccess)
        return false;
    RefValue first(id, 0, 0);
    return CallHost(xlcSelect, nullptr, 1, first.get()) == xlretSuccess;
}

}  // namespace

bool openSortedLog(const char* filter, bool bias, LogSheet& log) {
    gui::FileDialog dialog(true, kLogDefaultExt, kLogInitialName,
                           gui::FileDialog::kFileMustExist | gui::FileDialog::kHideReadOnly, filter,
                           addinOwnerWindow());
    if (dialog.DoModal() != gui::IDOK) return false;
    if (!openLogFile(dialog.pathName())) {
        ShowAlert(kAlertOpenLog, 2);
        return false;
    }
    HostResult document;
    if (CallHost(xlfGetDocument, document.get(), 1, ScratchNumber(1)) != xlretSuccess ||
        document.type() != xltypeStr) {
        ShowAlert(kAlertLogName, 1);
        return false;
    }
    log.name = textOf(*document);
    if (!lastUsedCell(log.lastRow, log.lastCol)) {
        ShowAlert(kAlertLastCell, 1);
        return false;
    }
    if (!sheetIdNamed(log.name, log.id)) {
        ShowAlert(kAlertSourceSheetId, 1);
        return false;
    }
    // The base number line of a finished bias batch stays below the data; a
    // log without it (an interrupted batch) has data up to its last row.
    int sortedRows = log.lastRow;
    double ignored = 0;
    if (bias && sortedRows > 0 && !cellNumber(log.id, log.lastRow, 0, ignored)) --sortedRows;
    if (!sortRows(log.id, sortedRows, log.lastCol)) {
        ShowAlert(kAlertSourceSheetId, 1);
        return false;
    }
    return true;
}

bool cellValue(uint32_t sheetId, int row, int col, HostResult& value) {
    if (!onSheet(row, col)) return false;
    RefValue ref(sheetId, row, col);
    return CallHost(xlCoerce, value.get(), 1, ref.get()) == xlretSuccess;
}

bool cellNumber(uint32_t sheetId, int row, int col, double& number) {
    HostResult value;
    return cellValue(sheetId, row, col, value) && value.type() == xltypeNum &&
           numberOf(*value, number);
}

bool writeNumber(uint32_t sheetId, int row, int col, double number) {
    if (!onSheet(row, col)) return false;
    RefValue ref(sheetId, row, col);
    return CallHost(xlSet, nullptr, 2, ref.get(), ScratchNumber(number)) == xlretSuccess;
}

bool writeText(uint32_t sheetId, int row, int col, const std::string& text) {
    if (!onSheet(row, col)) return false;
    RefValue ref(sheetId, row, col);
    CountedText value(text);
    return CallHost(xlSet, nullptr, 2, ref.get(), value.value()) == xlretSuccess;
}

bool writeValue(uint32_t sheetId, int row, int col, const XLOPER& value) {
    if (!onSheet(row, col)) return false;
    RefValue ref(sheetId, row, col);
    XLOPER copy = value;
    return CallHost(xlSet, nullptr, 2, ref.get(), &copy) == xlretSuccess;
}

bool writeFormula(uint32_t sheetId, int row, int col, const std::string& formula) {
    if (!onSheet(row, col)) return false;
    RefValue ref(sheetId, row, col);
    CountedText text(formula);
    return CallHost(xlcFormula | xlIntl, nullptr, 2, text.value(), ref.get()) == xlretSuccess;
}

bool copyRow(uint32_t fromId, int fromRow, uint32_t toId, int toRow, int lastCol) {
    if (!onSheet(fromRow, lastCol) || !onSheet(toRow, lastCol)) return false;
    RefValue from(fromId, fromRow, fromRow, 0, lastCol);
    RefValue to(toId, toRow, toRow, 0, lastCol);
    return CallHost(xlcCopy, nullptr, 2, from.get(), to.get()) == xlretSuccess;
}

bool sheetIdNamed(const std::string& name, uint32_t& id) {
    HostResult ref;
    CountedText text(name);
    if (CallHost(xlSheetId, ref.get(), 1, text.value()) != xlretSuccess || ref.isError() ||
        ref.type() != xltypeRef)
        return false;
    id = sheetIdOf(*ref);
    return true;
}

std::string testNumberText(double number) {
    char text[64];
    if (std::fabs(number) < 1e15 && number == std::trunc(number))
        std::snprintf(text, sizeof text, "%.0f", number);
    else
        std::snprintf(text, sizeof text, "%g", number);
    return text;
}

}  // namespace batch
