// Sum detection: completes an instance after the scan, a load or a generation.
#include <cmath>
#include <string>

#include "capture/capture.h"
#include "rounding/options_sheet.h"
#include "shell/host_api.h"
#include "shell/host_values.h"

namespace {

const char* const kAlertNoSuchSheet = " No such sheet id.";

// Reads the =SUM formulas of every scanned cell into the SumList.
void scanFormulas(InstanceState& s) {
    ShowStatus(" Scanning for sums...");
    for (Cell* cell = s.cellList; cell; cell = cell->next) {
        if (cell->sheet < 0 || size_t(cell->sheet) >= s.sheetNames.size()) {
            ShowAlert(kAlertNoSuchSheet, 1);
            continue;
        }
        CountedText sheetName(s.sheetNames[size_t(cell->sheet)]);
        HostResult id;
        if (CallHost(xlSheetId, id.get(), 1, sheetName.value()) != xlretSuccess || id.isError()) {
            ShowAlert(kAlertNoSuchSheet, 1);
            continue;
        }
        RefValue ref(sheetIdOf(*id), cell->row, cell->col);
        HostResult formula;
        if (CallHost(xlfGetFormula | xlIntl, formula.get(), 1, ref.get()) != xlretSuccess) continue;
        std::string text = textOf(*formula);
        if (text.compare(0, 5, "=SUM(") != 0) continue;
        Sum* sum = newSum(0, 0, 0, nullptr, nullptr, nullptr, 1);
        if (!sum) {
            ShowAlert(" No se podía reservar la memoria necesaria!", 1);
            continue;
        }
        if (parseSumFormula(text.c_str(), sum, cell, cell->sheet)) {
            sum->next = s.sumList;
            s.sumList = sum;
            ++s.nsums;
        }
    }
    ShowStatus(" Done");
}

void setBoundDefaults(RoundingOptions& o) {
    o.lbDist = o.ubDist = 2 * o.basenumber;
    o.lbDistInf = o.ubDistInf = 0;
    o.lbFloor = 0;
    o.lbFloorInf = 0;
    o.ubCap = 0;
    o.ubCapInf = 1;
}

void setWorkingDefaults(RoundingOptions& o) {
    setBoundDefaults(o);
    o.setLbd = o.setUbd = o.setLpl = o.setUpl = o.setSpl = 1;
    o.lplValue = o.uplValue = o.splValue = 0;
    o.lplThreshold = 0;
    o.lplAll = 1;
    o.uplThreshold = 0;
    o.uplAll = 1;
}

// Deletes every equation left with fewer than two terms.
void deleteEmptyEquations(InstanceState& s) {
    ShowStatus(" Deleting empty equations...");
    Sum** link = &s.sumList;
    while (*link) {
        Sum* sum = *link;
        if (sum->termCount <= 1) {
            *link = sum->next;
            freeSum(sum);
            --s.nsums;
        } else {
            link = &sum->next;
        }
    }
}

void countCell(InstanceState& s, const Cell* cell) {
    const double v = cell->nominal, b = gOptions.basenumber;
    if (v == 0) ++s.zeroCount;
    if (std::floor(v / b) == v / b) ++s.baseMultipleCount;
    if (std::floor(v) == v) ++s.integerCount;
}

// Removes the cells that belong to no equation; numbers stay dense.
void removeRedundantCells(InstanceState& s) {
    ShowStatus(" Searching for redundant cells...");
    const bool fromFile =
        s.origin == InstanceOrigin::InstanceFile || s.origin == InstanceOrigin::WqFile;
    int removed = 0;
    Cell** link = &s.cellList;
    while (*link) {
        Cell* cell = *link;
        cell->number -= removed;
        if (cell->useCount == 0) {
            removeFromCellIndex(cell);
            *link = cell->next;
            freeCell(cell);
            ++removed;
            --s.ncells;
            continue;
        }
        if (!fromFile) assignCellAttributes(cell);
        countCell(s, cell);
        link = &cell->next;
    }
}

}  // namespace

void assignCellAttributes(Cell* cell) {
    const RoundingOptions& o = gOptions;
    const double v = cell->nominal, b = o.basenumber, jumpBand = 2 * b * (double(o.maxJump) + 1);
    if (o.setLbd) {
        if (o.lbFloorInf && o.lbDistInf)
            cell->lbd = v - jumpBand;
        else if (o.lbDistInf)
            cell->lbd = o.lbFloor;
        else if (o.lbFloorInf)
            cell->lbd = v - o.lbDist;
        else
            cell->lbd = v - o.lbDist > o.lbFloor ? v - o.lbDist : o.lbFloor;
    }
    if (o.setUbd) {
        if (o.ubCapInf && o.ubDistInf)
            cell->ubd = v + jumpBand;
        else if (o.ubDistInf)
            cell->ubd = o.ubCap;
        else if (o.ubCapInf)
            cell->ubd = v + o.ubDist;
        else
            cell->ubd = v + o.ubDist < o.ubCap ? v + o.ubDist : o.ubCap;
    }
    if (o.setLpl) {
        if (o.lplAll || v < o.lplThreshold)
            cell->lpl = v - o.lplValue > cell->lbd ? o.lplValue : v - cell->lbd;
        else
            cell->lpl = 0;
    }
    if (o.setUpl) {
        if (o.uplAll || v < o.uplThreshold)
            cell->upl = v + o.uplValue < cell->ubd ? o.uplValue : cell->ubd - v;
        else
            cell->upl = 0;
    }
    if (o.setSpl) cell->spl = o.splValue;
    cell->status = cell->spl > 1e-12 || cell->lpl > 1e-12 || cell->upl > 1e-12 ? 'u' : 's';
}

QTB_EXPORT int fAddsums(void) {
    InstanceState& s = gInstance;
    RoundingOptions& o = gOptions;
    s.zeroCount = s.baseMultipleCount = s.integerCount = 0;

    if (s.origin == InstanceOrigin::WqFile) {
        ShowStatus(" Instance from wq-file: no check of sums...");
        return 0;
    }
    if (s.origin == InstanceOrigin::Random) ShowStatus(" Random Instance: no check of sums...");
    if (s.origin == InstanceOrigin::DbTable)
        ShowStatus(" DB-Style Table Instance: no check of sums...");

    if (o.keepLoaded)
        ShowStatus(" Loaded instance maintained.");
    else
        scanFormulas(s);

    setWorkingDefaults(o);
    if (s.origin != InstanceOrigin::TestBatch) {
        int boundsEdited = 0;
        double seconds = 0;
        if (!runOptionsSheet(boundsEdited, seconds)) {
            resetInstance();
            return 1;
        }
        s.optionsSeconds = seconds;
        // Untouched bounds follow the base number as the user left it.
        if (!boundsEdited) setBoundDefaults(o);
    }

    deleteEmptyEquations(s);
    if (s.nsums == 0) {
        ShowAlert(" There are no equations and therefore there is no QTB!", 1);
        ShowStatus(" Done!");
        resetInstance();
        return 1;
    }
    removeRedundantCells(s);
    ShowStatus(" Done");
    if (s.ncells != 0) return 0;
    ShowAlert(" There are no cells! ", 1);
    resetInstance();
    return 1;
}
