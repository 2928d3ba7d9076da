// The cell scan: every numeric cell of every sheet of the active workbook
// becomes a Cell, named and positioned by sheet, row and column.
#include <cstdio>
#include <string>

#include "capture/capture.h"
#include "capture/capture_record.h"
#include "instance/instance.h"
#include "shell/host_api.h"
#include "shell/host_texts.h"
#include "shell/host_values.h"

namespace {

const char* const kStatusPivotCell = "  Pivot table found ...";

// Selects a sheet of the active workbook by its name (as the sheet list gives it).
bool selectSheet(const std::string& name) {
    CountedText a(name), b(name);
    return CallHost(xlcWorkbookSelect, nullptr, 3, a.value(), b.value(), ScratchBool(true)) ==
           xlretSuccess;
}

// True when the active sheet holds a pivot table.
bool activeSheetHasPivotTable() {
    HostResult names;
    return CallHost(xlfGetDocument, names.get(), 1, ScratchNumber(70)) == xlretSuccess &&
           !names.isError();
}

// Asks the host whether the cell lies in a pivot table (status text only).
void reportPivotCell(XLOPER* cellRef) {
    HostResult name;
    if (CallHost(xlfGetCell, name.get(), 2, ScratchNumber(54), cellRef) != xlretSuccess ||
        name.isError())
        return;
    ShowStatus(kStatusPivotCell);
    HostResult fields;
    if (CallHost(xlfGetCell, fields.get(), 2, ScratchNumber(55), cellRef) == xlretSuccess)
        ShowStatus(kStatusPivotCell);
}

// Keeps what the position holds for the search for typed totals (labels,
// empty rows and columns) and for the report of numbers left out.
void recordEntry(int sheet, int row, int col, const HostResult& value) {
    if (size_t(sheet) >= gCapture.sheets.size()) return;
    ScannedEntry entry;
    switch (value.type()) {
        case xltypeNil:
            return;
        case xltypeNum:
            entry.kind = ScannedEntry::Number;
            break;
        case xltypeStr:
            entry.kind = ScannedEntry::Text;
            entry.text = textOf(*value);
            if (entry.text.empty()) return;
            break;
        default:
            entry.kind = ScannedEntry::Other;
            break;
    }
    gCapture.sheets[size_t(sheet)][gridKey(row, col)] = std::move(entry);
}

Cell* makeScannedCell(int sheet, int row, int col, double value) {
    Cell* cell = newCell();
    if (!cell) return nullptr;
    char name[64];
    std::snprintf(name, sizeof name, "cell%d_%d_%d", sheet, row, col);
    if (!setCellName(cell, name)) {
        freeCell(cell);
        return nullptr;
    }
    cell->row = row;
    cell->col = col;
    cell->sheet = sheet;
    cell->nominal = cell->rounded = value;
    return cell;
}

// Scans one sheet; false on a failure that abandons the scan.
bool scanSheet(InstanceState& s) {
    const std::string& name = s.sheetNames[size_t(s.scanSheet)];
    selectSheet(name);
    HostResult idRef;
    CountedText sheetName(name);
    if (CallHost(xlSheetId, idRef.get(), 1, sheetName.value()) != xlretSuccess || idRef.isError()) {
        ShowAlert(kAlertNoSheetId, 1);
        return true;
    }
    const uint32_t sheetId = sheetIdOf(*idRef);

    ShowStatus("  Finding last cell ...");
    CallHost(xlcSelectLastCell, nullptr, 0);
    HostResult last;
    XLREF area{};
    if (CallHost(xlfActiveCell, last.get(), 0) != xlretSuccess || areaCountOf(*last) != 1 ||
        !firstAreaOf(*last, area)) {
        ShowAlert("  Error on trying to find last cell!", 1);
        return false;
    }
    const int lastRow = area.rwFirst;
    const int lastCol = area.colFirst;
    ShowStatus(" Done");

    ShowStatus("  Scanning cells...");
    for (int row = 0; row <= lastRow; ++row) {
        for (int col = 0; col <= lastCol; ++col) {
            RefValue ref(sheetId, row, col);
            HostResult value;
            if (CallHost(xlCoerce, value.get(), 1, ref.get()) != xlretSuccess) continue;
            reportPivotCell(ref.get());
            recordEntry(s.scanSheet, row, col, value);
            if (value.type() != xltypeNum) continue;
            HostResult number;
            double v = (*value).val.num;
            if (CallHost(xlCoerce, number.get(), 2, value.get(), ScratchInt(xltypeNum)) ==
                    xlretSuccess &&
                number.type() == xltypeNum)
                v = (*number).val.num;
            Cell* cell = makeScannedCell(s.scanSheet, row, col, v);
            if (!cell) {
                ShowAlert("  Not enough memory to create cell list element!", 1);
                return false;
            }
            ++s.ncells;
            cell->next = s.cellList;
            s.cellList = cell;
        }
    }
    if (lastRow > s.maxRow) s.maxRow = lastRow;
    if (lastCol > s.maxCol) s.maxCol = lastCol;
    return true;
}

int scanFailure() {
    resetInstance();
    return 1;
}

}  // namespace

QTB_EXPORT int fLookup(void) {
    InstanceState& s = gInstance;
    if (gOptions.keepLoaded) {
        ShowStatus("  Loaded instance maintained.");
        return 0;
    }
    // A scan builds a new instance: cells of an earlier one left in memory would
    // mix with the new cells under the same positions.
    if (s.cellList || s.sumList) resetInstance();
    s.maxRow = s.maxCol = 0;  // the grid is this workbook's alone
    // A scanned instance is a worksheet instance, whatever was loaded before.
    s.origin = InstanceOrigin::Worksheet;

    HostResult names;
    if (CallHost(xlfGetWorkbook, names.get(), 1, ScratchNumber(1)) != xlretSuccess ||
        names.isError()) {
        ShowAlert(kAlertNoActiveWorkbook, 1);
        return 1;
    }
    s.sheetNames = textsOf(*names);
    s.sheetCount = int32_t(s.sheetNames.size());
    beginCaptureRecord(s.sheetNames);

    HostResult activeSheet;
    std::string activeSheetName;
    if (CallHost(xlfGetWorkbook, activeSheet.get(), 1, ScratchNumber(38)) != xlretSuccess ||
        activeSheet.isError())
        ShowStatus("  Can't obtain name of active active ...");
    else
        activeSheetName = textOf(*activeSheet);
    HostResult activeCell;
    bool haveActiveCell = CallHost(xlfActiveCell, activeCell.get(), 0) == xlretSuccess &&
                          activeCell.type() == xltypeRef;
    if (!haveActiveCell) ShowStatus("  Can't obtain reference to active cell ...");

    ShowStatus(kStatusFindingPivotTables);
    for (s.scanSheet = 0; s.scanSheet < s.sheetCount; ++s.scanSheet) {
        selectSheet(s.sheetNames[size_t(s.scanSheet)]);
        if (activeSheetHasPivotTable()) {
            selectSheet(activeSheetName);
            return QTBTXfPRead() == 0 ? 0 : 1;
        }
    }

    // The table's ranges are checked before the long walk over the cells.
    if (!resolveTableRanges()) return scanFailure();
    for (s.scanSheet = 0; s.scanSheet < s.sheetCount; ++s.scanSheet)
        if (!scanSheet(s)) return scanFailure();

    if (!s.cellList) {
        ShowAlert(" There are no numerical cells found to create an instance!", 1);
        return 1;
    }
    sumDialogState.advancedMode = 0;
    if (!selectSheet(activeSheetName)) {
        ShowAlert("  Can't recover former active worksheet!", 1);
        return scanFailure();
    }
    if (buildCellIndex(1) != 0) return scanFailure();
    if (!haveActiveCell || CallHost(xlcSelect, nullptr, 1, activeCell.get()) != xlretSuccess)
        ShowStatus("  Can't recover former active cell!");
    return 0;
}
