// Script actions for the capture of a workbook's table: its settings (the
// search for typed totals, rounding numbers in no equation, the table's
// ranges) and the report of what the last capture found.
#include <ostream>
#include <string>

#include "app/script.h"
#include "host/host.h"

namespace app {
namespace {

void* addinFunction(const char* name, std::string& error) {
    const auto loaded = host::addIns();
    if (loaded.empty()) {
        error = "no add-in is loaded";
        return nullptr;
    }
    void* fn = host::addInSymbol(loaded.back().handle, name);
    if (!fn) error = "this add-in has no capture settings";
    return fn;
}

bool captureSettingAction(ScriptContext&, const ScriptLine& line, std::string& error) {
    if (line.words.size() != 3) {
        error =
            "usage: capture-setting find-totals|all-cells on|off, or capture-setting table "
            "RANGES|none";
        return false;
    }
    using Setter = int (*)(const char*);
    auto set = reinterpret_cast<Setter>(addinFunction("QTBTXfCaptureSetting", error));
    if (!set) return false;
    const std::string& name = line.words[1];
    const std::string& value = line.words[2];
    if ((name == "find-totals" || name == "all-cells") && value != "on" && value != "off") {
        error = name + " is on or off, not \"" + value + "\"";
        return false;
    }
    if (set((name + "=" + value).c_str()) != 0) {
        error = "there is no capture setting \"" + name + "\" (find-totals, all-cells, table)";
        return false;
    }
    return true;
}

bool captureReportAction(ScriptContext& ctx, const ScriptLine& line, std::string& error) {
    if (line.words.size() != 1) {
        error = "'capture-report' takes no words after it";
        return false;
    }
    using Report = const char* (*)();
    auto report = reinterpret_cast<Report>(addinFunction("QTBTXfCaptureReport", error));
    if (!report) return false;
    *ctx.out << report();
    return true;
}

}  // namespace

REGISTER_SCRIPT_ACTION("capture-setting", "capture-setting NAME VALUE",
                       "find-totals on|off, all-cells on|off, table 'Sheet1!B5:M60,...'|none: "
                       "what the next capture of a workbook does",
                       captureSettingAction);
REGISTER_SCRIPT_ACTION("capture-report", "capture-report",
                       "print what the last capture found: cells, equations, found totals, "
                       "numbers left as they are, formulas kept",
                       captureReportAction);

}  // namespace app
