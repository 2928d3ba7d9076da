#include "rounding/pivot_refresh.h"

#include <memory>
#include <vector>

#include "instance/instance.h"
#include "shell/host_api.h"
#include "shell/host_texts.h"
#include "shell/host_values.h"

namespace {

// A pivot table query; a missing value where the host answers with an error.
void pivotQuery(int type, XLOPER* name, HostResult& out, XLOPER& missing) {
    if (CallHost(xlfGetPivotTable, out.get(), 2, ScratchNumber(type), name) != xlretSuccess ||
        out.isError()) {
        out.release();
        missing.xltype = xltypeMissing;
    }
}

XLOPER* valueOr(HostResult& r, XLOPER& missing) {
    return r.type() == 0 ? &missing : r.get();
}

}  // namespace

int refreshPivotTable() {
    ShowStatus(kStatusFindingPivotTables);
    HostResult names;
    if (CallHost(xlfGetDocument, names.get(), 1, ScratchNumber(70)) != xlretSuccess) {
        ShowAlert("  Search for Pivot Tables failed! Automatical filling impossilbe!", 1);
        return 0;
    }
    if (names.isError()) {
        ShowStatus("  No Pivot Table found ...");
        return 0;
    }
    if (names.type() == xltypeMulti) {
        ShowStatus("  Various Pivot Tables found! Please fill in by hand.");
        return 0;
    }
    XLOPER* name = names.get();

    HostResult rows, cols, pages, data;
    XLOPER missingRows{}, missingCols{}, missingPages{}, missingData{};
    pivotQuery(7, name, rows, missingRows);
    pivotQuery(8, name, cols, missingCols);
    pivotQuery(9, name, pages, missingPages);
    pivotQuery(10, name, data, missingData);

    // The source field of every data field, filled from the front.
    std::vector<std::string> dataFields = textsOf(*valueOr(data, missingData));
    std::vector<std::unique_ptr<HostResult>> sources;
    for (const std::string& field : dataFields) {
        CountedText f(field);
        auto source = std::make_unique<HostResult>();
        if (CallHost(xlfGetPivotField, source->get(), 3, ScratchNumber(15), f.value(), name) ==
                xlretSuccess &&
            !source->isError())
            sources.push_back(std::move(source));
    }

    HostResult area;
    if (CallHost(xlfGetPivotTable, area.get(), 2, ScratchNumber(12), name) != xlretSuccess ||
        area.isError())
        return 0;
    HostResult areaRef;
    if (CallHost(xlfTextref, areaRef.get(), 2, area.get(), ScratchBool(true)) != xlretSuccess ||
        areaRef.isError())
        return -1;
    XLREF rect{};
    HostResult active;
    if (!firstAreaOf(*areaRef, rect) || CallHost(xlSheetId, active.get(), 0) != xlretSuccess)
        return -1;
    RefValue destination(sheetIdOf(*active), rect.rwFirst, rect.rwLast, rect.colFirst,
                         rect.colLast);
    if (CallHost(xlcSelect, nullptr, 1, destination.get()) != xlretSuccess ||
        CallHost(xlcClear, nullptr, 0) != xlretSuccess)
        return -1;

    // The list as the import rewrote it: the header row, then one row per
    // internal cell (maxRow of the import is their number). The selected
    // block can be shorter when the list leaves combinations out.
    const InstanceState& s = gInstance;
    RefValue source(sheetIdOf(*active), s.dbFirstRow, s.dbFirstRow + s.maxRow, s.dbFirstCol,
                    s.dbLastCol);
    if (CallHost(xlcPivotTableWizard, nullptr, 9, ScratchNumber(1), source.get(),
                 destination.get(), name, ScratchBool(true), ScratchBool(true), ScratchBool(true),
                 ScratchBool(true), ScratchMissing()) == xlretSuccess)
        ShowStatus("  Pivot Tables created!");
    if (CallHost(xlcPivotAddFields, nullptr, 5, name, valueOr(rows, missingRows),
                 valueOr(cols, missingCols), valueOr(pages, missingPages),
                 ScratchBool(true)) == xlretSuccess)
        ShowStatus("  Pivot Fields added!");
    for (auto& field : sources) {
        XLOPER* args[9] = {name, field->get()};
        XLOPER missing[7];
        for (int i = 0; i < 7; ++i) {
            missing[i] = XLOPER{};
            missing[i].xltype = xltypeMissing;
            args[2 + i] = &missing[i];
        }
        if (CallHostv(xlfPivotAddData, nullptr, 9, args) == xlretSuccess)
            ShowStatus("  Pivot Data added!");
    }
    return 0;
}
