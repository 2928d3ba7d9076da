// The "Read DB Style Instance..." command: the selected database-style list
// becomes the cross-classified table with its totals (in a copy of the sheet)
// and an instance of origin DbTable.
#include "capture/db_import.h"

#include "capture/capture.h"
#include "instance/instance.h"
#include "random/tables.h"
#include "shell/host_api.h"
#include "shell/host_values.h"

namespace {

// Ends a failed import: the instance is a worksheet instance again.
int importFailed() {
    gInstance.origin = InstanceOrigin::Worksheet;
    return 1;
}

// Reads the selection into the block bounds; false (with an alert where one
// is due) when it is not one block of two or more columns.
bool readSelection() {
    HostResult selection;
    if (CallHost(xlfSelection, selection.get(), 0) != xlretSuccess) return false;
    HostResult active;
    XLREF area{};
    const bool oneBlock = areaCountOf(*selection) == 1 && firstAreaOf(*selection, area) &&
                          CallHost(xlSheetId, active.get(), 0) == xlretSuccess &&
                          !active.isError() && sheetIdOf(*active) == sheetIdOf(*selection);
    if (!oneBlock) {
        ShowAlert(kAlertSelectOneBlock, 2);
        return false;
    }
    InstanceState& s = gInstance;
    s.dbFirstRow = area.rwFirst;
    s.dbLastRow = area.rwLast;
    s.dbFirstCol = area.colFirst;
    s.dbLastCol = area.colLast;
    if (s.dbFirstCol == s.dbLastCol) {
        ShowAlert(kAlertSelectSourceData, 2);
        return false;
    }
    return true;
}

// Writes the table and builds cells, sums and the index. False (instance
// released, alert shown where one is due) on failure.
bool buildImportedTable(const DbCategories& categories, const std::vector<std::string>& names,
                        const std::vector<double>& values) {
    const int k = int(categories.dim.size());
    std::optional<TupleTable> tuples = enumerateTuples(k, categories.dim);
    if (!tuples) return false;
    const int32_t sheetCount = gInstance.sheetCount;
    TableParams none;
    none.randint = 0;
    none.from = none.to = 0;
    std::optional<std::vector<double>> written = writeTable(*tuples, none, &names, &values);
    if (!written) {
        ShowAlert(kAlertWriteTableFailed, 2);
        return false;
    }
    selectLastInternalCell(*tuples);
    const char* alert = nullptr;
    if (buildTableCells(*written, *tuples) < 0) {
        alert = kAlertBuildCellsFailed;
    } else if (buildCellIndex(0) != 0) {
        alert = kAlertBuildIndexFailed;
    } else if (buildMarginals(*tuples) != 0) {
        alert = kAlertBuildCellsFailed;
    } else {
        freeCellIndex();
        if (buildCellIndex(1) != 0) alert = kAlertBuildIndexFailed;
    }
    if (alert) {
        ShowAlert(alert, 2);
        resetInstance();
        return false;
    }
    gInstance.sheetCount = sheetCount;
    return true;
}

int importSelection() {
    InstanceState& s = gInstance;
    if (s.cellList) {
        if (ShowAlert(kAlertOverwriteInstance, 1) != 1) return 1;
        resetInstance();
    }
    if (!readSelection()) return importFailed();
    if (CallHost(xlcWorkbookCopy, nullptr, 0) != xlretSuccess) {
        ShowAlert(kAlertCopyFailed, 2);
        return importFailed();
    }
    std::optional<DbCategories> categories = countCategories();
    if (!categories) return importFailed();
    // Nothing more is written for a list that gives no table or too large a one.
    if (!acceptTableRequest(int(categories->dim.size()), categories->dim, nullptr))
        return importFailed();
    std::optional<std::vector<std::string>> names = readCategoryNames(*categories);
    if (!names) return importFailed();
    std::optional<std::vector<double>> values = readTableValues(*categories, *names);
    if (!values) return importFailed();
    s.origin = InstanceOrigin::DbTable;
    if (!findTargetSheet(true, kAlertNoActiveWorkbook)) return importFailed();
    if (!buildImportedTable(*categories, *names, *values)) return importFailed();
    return 0;
}

}  // namespace

QTB_EXPORT int QTBTXfPRead(void) {
    try {
        return importSelection();
    } catch (...) {
        resetInstance();
        return importFailed();
    }
}
