// Sum detection: completes an instance after the scan, a load or a generation.
#include <cmath>
#include <string>

#include "capture/capture.h"
#include "capture/capture_record.h"
#include "capture/find_totals.h"
#include "capture/formula_cells.h"
#include "rounding/options_sheet.h"
#include "shell/host_api.h"
#include "shell/host_values.h"

namespace {

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

// A cell of an instance file carries its own bounds and protection levels;
// what the user set on the Bounds page (when edited) or as user-defined
// protection levels replaces them, by the same rules as for a captured cell.
void applyEditedAttributes(Cell* cell, bool bounds, bool protection) {
    if (!bounds && !protection) return;
    RoundingOptions o = gOptions;
    o.setLbd = o.setUbd = bounds ? 1 : 0;
    o.setLpl = o.setUpl = protection ? 1 : 0;
    o.setSpl = 0;
    const char status = cell->status;
    assignCellAttributesWith(cell, o);
    if (!protection) cell->status = status;
}

// True when a cell in no equation stays in the table: a typed number of a
// scanned workbook while numbers in no equation are to be rounded too.
bool keptAlone(const InstanceState& s, const Cell* cell) {
    if (!gCaptureSettings.allCells || s.origin != InstanceOrigin::Worksheet ||
        !gCapture.fromWorkbook)
        return false;
    const ScannedEntry* e = scannedEntry(cell->sheet, cell->row, cell->col);
    return e && !e->formula;
}

// Removes the cells that belong to no equation; numbers stay dense.
void removeRedundantCells(InstanceState& s, bool boundsEdited, bool protectionEdited) {
    ShowStatus(" Searching for redundant cells...");
    const bool fromFile =
        s.origin == InstanceOrigin::InstanceFile || s.origin == InstanceOrigin::WqFile;
    int removed = 0;
    Cell** link = &s.cellList;
    while (*link) {
        Cell* cell = *link;
        cell->number -= removed;
        if (cell->useCount == 0 && !keptAlone(s, cell)) {
            removeFromCellIndex(cell);
            *link = cell->next;
            freeCell(cell);
            ++removed;
            --s.ncells;
            continue;
        }
        if (fromFile)
            applyEditedAttributes(cell, boundsEdited, protectionEdited);
        else
            assignCellAttributes(cell);
        countCell(s, cell);
        link = &cell->next;
    }
}

bool anyKeptAlone(const InstanceState& s) {
    for (const Cell* c = s.cellList; c; c = c->next)
        if (keptAlone(s, c)) return true;
    return false;
}

}  // namespace

void assignCellAttributes(Cell* cell) {
    assignCellAttributesWith(cell, gOptions);
}

void assignCellAttributesWith(Cell* cell, const RoundingOptions& o) {
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

    // A wq instance has no formulas to read; its options are still set on the
    // sheet like those of any other instance.
    const bool wq = s.origin == InstanceOrigin::WqFile;
    if (wq) ShowStatus(" Instance from wq-file: no check of sums...");
    // The capture record speaks of a scanned workbook's instance only.
    if (s.origin != InstanceOrigin::Worksheet) gCapture.fromWorkbook = false;
    if (s.origin == InstanceOrigin::Random) ShowStatus(" Random Instance: no check of sums...");
    if (s.origin == InstanceOrigin::DbTable)
        ShowStatus(" DB-Style Table Instance: no check of sums...");

    if (!wq) {
        if (o.keepLoaded)
            ShowStatus(" Loaded instance maintained.");
        else
            readFormulaSums(s);
        if (!o.keepLoaded && gCaptureSettings.findTotals) findTypedTotals();
    }

    setWorkingDefaults(o);
    int boundsEdited = 0, protectionEdited = 0;
    if (s.origin != InstanceOrigin::TestBatch) {
        double seconds = 0;
        if (!runOptionsSheet(boundsEdited, protectionEdited, seconds)) {
            resetInstance();
            return 1;
        }
        s.optionsSeconds = seconds;
        // Untouched bounds follow the base number as the user left it.
        if (!boundsEdited) setBoundDefaults(o);
    }
    if (wq) {
        for (Cell* cell = s.cellList; cell; cell = cell->next)
            applyEditedAttributes(cell, boundsEdited, protectionEdited);
        return 0;
    }

    deleteEmptyEquations(s);
    if (s.nsums == 0 && !anyKeptAlone(s)) {
        ShowAlert(" There are no equations and therefore there is no QTB!", 1);
        if (s.origin == InstanceOrigin::Worksheet) ShowStatus(kNoEquationsHint);
        ShowStatus(" Done!");
        summariseCapture();
        resetInstance();
        return 1;
    }
    removeRedundantCells(s, boundsEdited, protectionEdited);
    ShowStatus(" Done");
    summariseCapture();
    if (s.ncells != 0) return 0;
    ShowAlert(" There are no cells! ", 1);
    resetInstance();
    return 1;
}
