// The rounding command: runs the engine on the instance and publishes the
// result in copies of the workbook (rounded values, and with auditing the
// protection intervals), then shows the resolution info.
#include "rounding/rounder.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "capture/capture.h"
#include "engine/adapter.h"
#include "engine/engine.h"
#include "files/file_commands.h"
#include "instance/instance.h"
#include "rounding/pivot_refresh.h"
#include "rounding/result_dialog.h"
#include "shell/clock.h"
#include "shell/host_api.h"
#include "shell/host_texts.h"
#include "shell/host_values.h"

namespace {

constexpr size_t kSheetNameLimit = 31;
const char* const kIntervalSuffix = " - p.i.";

double cleaned(double v) { return std::fabs(v) < 1e-12 ? 0 : v; }

// A generated table too big for the sheet has cells beyond its last row or
// column; they were never written and get no result (a clamped reference
// would overwrite another cell).
bool onSheet(const Cell* c) {
    return c->row >= 0 && c->row <= 65535 && c->col >= 0 && c->col <= 255;
}

// A value as printed with `precision` decimals; what prints as zero is a
// plain 0 (the auditing LPs may end a hair below 0, which would show as -0.0).
double shown(double v, int precision) {
    const double scale = std::pow(10.0, precision);
    return std::round(v * scale) == 0 ? 0.0 : v;
}

// Whole numbers, allowing for the last bits of noise of the auditing LPs
// (an interval end of 29.999999999999996 is the whole number 30).
bool isWhole(double v) { return std::fabs(v - std::round(v)) <= 1e-9 * std::max(1.0, std::fabs(v)); }

// The names of the active workbook's sheets ("[Book]Sheet"); false when no
// workbook is active.
bool readSheetNames(std::vector<std::string>& names) {
    HostResult answer;
    if (CallHost(xlfGetWorkbook, answer.get(), 1, ScratchNumber(1)) != xlretSuccess ||
        answer.isError())
        return false;
    names = textsOf(*answer);
    return true;
}

// A name of the sheet list without its "[Book]" part.
std::string plainSheetName(const std::string& name) {
    size_t close = name.find(']');
    return !name.empty() && name[0] == '[' && close != std::string::npos ? name.substr(close + 1)
                                                                         : name;
}

bool selectSheet(const std::string& name) {
    CountedText a(name), b(name);
    return CallHost(xlcWorkbookSelect, nullptr, 3, a.value(), b.value(), ScratchBool(true)) ==
           xlretSuccess;
}

bool activeSheetId(uint32_t& id) {
    HostResult ref;
    if (CallHost(xlSheetId, ref.get(), 0) != xlretSuccess || ref.isError()) return false;
    id = sheetIdOf(*ref);
    return true;
}

bool insertSheets(int count) {
    for (int i = 0; i < count; ++i) {
        if (CallHost(xlcWorkbookInsert, nullptr, 1, ScratchNumber(1)) != xlretSuccess) {
            ShowAlert("  Unable to open a new worksheet to new workbook!", 1);
            return false;
        }
    }
    return true;
}

// A new workbook with as many sheets as the instance spans; false (alert
// shown) when it cannot be had.
bool newOutputWorkbook(const InstanceState& s) {
    if (CallHost(xlcNew, nullptr, 0) != xlretSuccess) {
        ShowAlert("  Unable to open a new workbook for writing output!", 1);
        return false;
    }
    return insertSheets(s.sheetCount - 1);
}

// Makes the workbook that receives one copy of the results; false (alert
// shown) when none can be made. The user's workbook is never written to.
bool makeOutputWorkbook(InstanceState& s) {
    if (s.origin == InstanceOrigin::InstanceFile) {
        ShowStatus("  Open new workbook...");
        if (!newOutputWorkbook(s)) return false;
        readSheetNames(s.sheetNames);
        return true;
    }
    ShowStatus("  Copy entire workbook...");
    std::vector<std::unique_ptr<CountedText>> texts;
    std::vector<XLOPER> items;
    for (const auto& name : s.sheetNames) {
        texts.push_back(std::make_unique<CountedText>(name));
        items.push_back(*texts.back()->value());
    }
    XLOPER list{};
    list.xltype = xltypeMulti;
    list.val.array.lparray = items.data();
    list.val.array.rows = 1;
    list.val.array.columns = uint16_t(items.size());
    if (items.empty() || CallHost(xlcWorkbookCopy, nullptr, 1, &list) != xlretSuccess) {
        ShowStatus("  Unable to acess original workbook. Open new one...");
        if (!newOutputWorkbook(s)) return false;
    }
    readSheetNames(s.sheetNames);
    return true;
}

// Decimals shown in an interval text, from the cell's number format.
int intervalPrecision(uint32_t sheetId, const Cell* c, int previous) {
    RefValue ref(sheetId, c->row, c->col);
    HostResult format;
    if (CallHost(xlfGetCell | xlIntl, format.get(), 2, ScratchNumber(7), ref.get()) !=
            xlretSuccess ||
        format.type() != xltypeStr)
        return previous;
    std::string f = textOf(*format);
    if (f == "General" || f.size() == 1)
        return isWhole(c->auditMin) && isWhole(c->auditMax) ? 0 : 5;
    if (f.size() >= 2 && f[1] == '.') return int(f.size()) - 2;
    return 5;
}

// Widens the columns whose interval texts need more room than they have
// (widths only grow): a text of n characters needs about n + 1.
void fitIntervalColumns(uint32_t sheetId, const std::map<int, size_t>& longest) {
    for (const auto& [col, length] : longest) {
        RefValue ref(sheetId, 0, col);
        HostResult width;
        double current = 0;
        if (CallHost(xlfGetCell, width.get(), 2, ScratchNumber(16), ref.get()) != xlretSuccess ||
            !numberOf(*width, current))
            continue;
        const double need = double(length) + 1;
        if (need > current)
            CallHost(xlcColumnWidth, nullptr, 2, ScratchNumber(std::min(need, 255.0)), ref.get());
    }
}

void writeIntervals(InstanceState& s) {
    const RoundingOptions& o = gOptions;
    const double band = (o.maxJump + 1) * o.basenumber;
    CallHost(xlcActivateNext, nullptr, 0);
    std::vector<std::string> names;
    if (readSheetNames(names) && !names.empty()) selectSheet(names[0]);
    int precision = 5;
    for (s.scanSheet = 0; s.scanSheet < s.sheetCount; ++s.scanSheet) {
        uint32_t id = 0;
        activeSheetId(id);
        HostResult active;
        CallHost(xlfGetWorkbook, active.get(), 1, ScratchNumber(3));
        std::string base = size_t(s.scanSheet) < s.sheetNames.size()
                               ? plainSheetName(s.sheetNames[size_t(s.scanSheet)])
                               : std::string();
        // The new name must still be a valid sheet name.
        if (base.size() + 7 > kSheetNameLimit) base.resize(kSheetNameLimit - 7);
        CountedText newName(base + kIntervalSuffix);
        CallHost(xlcWorkbookName, nullptr, 2, active.get(), newName.value());

        std::map<int, size_t> longest;  // column -> longest interval text
        for (Cell* c = s.cellList; c; c = c->next) {
            if (c->sheet != s.scanSheet || !onSheet(c)) continue;
            c->auditMin = cleaned(c->auditMin);
            c->auditMax = cleaned(c->auditMax);
            precision = intervalPrecision(id, c, precision);
            const bool closedBelow = o.lbFloorInf == 0 && c->rounded - band < o.lbFloor;
            const bool closedAbove = o.ubCapInf == 0 && c->rounded + band > o.ubCap;
            char text[128];
            std::snprintf(text, sizeof text, "%c%.*f,%.*f%c", closedBelow ? '[' : '(', precision,
                          shown(c->auditMin, precision), precision, shown(c->auditMax, precision),
                          closedAbove ? ']' : ')');
            RefValue ref(id, c->row, c->col);
            CountedText value(text);
            CallHost(xlSet, nullptr, 2, ref.get(), value.value());
            size_t& l = longest[c->col];
            l = std::max(l, std::strlen(text));
        }
        fitIntervalColumns(id, longest);
        CallHost(xlcWorkbookNext, nullptr, 0);
    }
    if (readSheetNames(names) && !names.empty()) selectSheet(names[0]);
    CallHost(xlcActivatePrev, nullptr, 0);
}

// Writes the rounded values and the sums' formulas; -1 when a sheet has no id.
int writeRoundedValues(InstanceState& s) {
    if (!s.sheetNames.empty()) selectSheet(s.sheetNames[0]);
    for (s.scanSheet = 0; s.scanSheet < s.sheetCount; ++s.scanSheet) {
        uint32_t id = 0;
        activeSheetId(id);
        ShowStatus(kStatusWritingResults);
        for (Cell* c = s.cellList; c; c = c->next) {
            if (c->sheet != s.scanSheet || !onSheet(c)) continue;
            RefValue ref(id, c->row, c->col);
            CallHost(xlSet, nullptr, 2, ref.get(), ScratchNumber(cleaned(c->rounded)));
        }
        for (Sum* sum = s.sumList; sum; sum = sum->next) {
            if (!sum->fromFormula || sum->sheet != s.scanSheet || !sum->text) continue;
            RefValue ref(id, sum->row, sum->col);
            CountedText formula(sum->text);
            CallHost(xlcFormula | xlIntl, nullptr, 2, formula.value(), ref.get());
        }
        ShowStatus("  Writing aditional output ... ");
        CallHost(xlcWorkbookNext, nullptr, 0);
        uint32_t next = 0;
        if (!activeSheetId(next)) {
            ShowAlert("  Error! No Sheet ID ... ", 1);
            return -1;
        }
    }
    if (!s.sheetNames.empty()) selectSheet(s.sheetNames[0]);
    return 0;
}

// Without an auditing phase, the intervals a solution file carries are the
// roundings' boxes: what the published values alone say of each cell.
void boxIntervals(InstanceState& s) {
    double floor = 0, cap = 0;
    CommonBounds(floor, cap);
    const double band = (gOptions.maxJump + 1) * gOptions.basenumber;
    for (Cell* c = s.cellList; c; c = c->next)
        RoundingBox(c->rounded, band, floor, cap, c->auditMin, c->auditMax);
}

}  // namespace

QTB_EXPORT int fRounder(void) {
    InstanceState& s = gInstance;
    ShowStatus("  Calling optimization library...");
    s.solveStartClock = processClockMs();
    int r = RunRounding(s.cellList, s.sumList);
    s.solveEndClock = processClockMs();
    if (r != 0) {
        ShowStatus(" Done");
        resetInstance();
        return r;
    }
    ShowStatus(" Done");
    std::vector<std::string> names;
    if (readSheetNames(names)) {
        s.sheetNames = names;
        s.sheetCount = int32_t(names.size());
    } else {
        ShowStatus(kAlertNoActiveWorkbook);
    }

    for (int pass = 0; pass <= gOptions.auditing; ++pass) {
        if (s.origin == InstanceOrigin::WqFile) {
            if (!gOptions.auditing) boxIntervals(s);
            fSavesolution();
            return 0;
        }
        if (!makeOutputWorkbook(s)) return -1;
    }
    ShowStatus(" Done");
    if (gOptions.auditing == 1) writeIntervals(s);
    if (writeRoundedValues(s) != 0) return -1;
    if (s.origin == InstanceOrigin::DbTable && gOptions.actualizePivot == 1) {
        if (refreshPivotTable() != 0) return -1;
    }
    if (s.origin != InstanceOrigin::TestBatch) {
        const double resolution = (s.solveEndClock - s.solveStartClock) / 1000.0;
        s.runEndClock = processClockMs();
        const double overall = (s.runEndClock - s.runStartClock) / 1000.0;
        const double withoutDialogs = overall - s.optionsSeconds;
        s.optionsSeconds = withoutDialogs;
        showResolutionInfo(gEngine.extendedUsed, s.maxDeviation, resolution, overall,
                           withoutDialogs);
    }
    if (gOptions.keepLoaded == 0) resetInstance();
    ShowStatus(" Done");
    return 0;
}

QTB_EXPORT int fOne(void) {
    gInstance.optionsSeconds = 0;
    gInstance.runStartClock = processClockMs();
    if (fLookup() != 0) return -1;
    if (fAddsums() != 0) return -2;
    if (fRounder() != 0) return -3;
    return 0;
}

QTB_EXPORT int QTBTXfOne(void) { return fOne(); }
