#include "app/capture_flags.h"

#include <cstdio>
#include <map>
#include <sstream>

#include "host/host.h"

namespace app {

namespace {

const char* const kSettingFunction = "QTBTXfCaptureSetting";
const char* const kReportFunction = "QTBTXfCaptureReport";

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string list(const std::vector<std::string>& items) {
    std::string out = "[";
    for (size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + quoted(items[i]);
    return out + "]";
}

void* addinFunction(const char* name) {
    const auto loaded = host::addIns();
    return loaded.empty() ? nullptr : host::addInSymbol(loaded.back().handle, name);
}

}  // namespace

bool takeCaptureFlags(std::vector<std::string>& args, CaptureFlags& flags, std::string& error) {
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--find-totals") {
            flags.findTotals = true;
        } else if (args[i] == "--all-cells") {
            flags.allCells = true;
        } else if (args[i] == "--table") {
            if (i + 1 >= args.size() || args[i + 1].empty() || args[i + 1][0] == '-') {
                error = "--table needs the table's ranges, such as 'Sheet1!B5:M60,Sheet2!A1:C9'";
                return false;
            }
            flags.table += (flags.table.empty() ? "" : ",") + args[++i];
        } else {
            rest.push_back(args[i]);
        }
    }
    args = rest;
    return true;
}

std::string refuseCaptureFlags(const std::vector<std::string>& args, const std::string& command) {
    for (const std::string& a : args)
        if (a == "--find-totals" || a == "--all-cells" || a == "--table")
            return a + " applies to capturing a workbook's table (round, save-instance), not to " +
                   command;
    return "";
}

bool applyCaptureFlags(const CaptureFlags& flags, std::string& error) {
    using Setter = int (*)(const char*);
    auto set = reinterpret_cast<Setter>(addinFunction(kSettingFunction));
    if (!set) {
        // An add-in without them captures as it always did: fine unless asked.
        if (!flags.any()) return true;
        error = "the loaded add-in takes no capture settings (--find-totals, --all-cells, --table)";
        return false;
    }
    const std::string settings[] = {
        std::string("find-totals=") + (flags.findTotals ? "on" : "off"),
        std::string("all-cells=") + (flags.allCells ? "on" : "off"),
        "table=" + (flags.table.empty() ? std::string("none") : flags.table)};
    for (const std::string& s : settings)
        if (set(s.c_str()) != 0) {
            error = "the add-in refused the capture setting " + s;
            return false;
        }
    return true;
}

CaptureSummary readCaptureSummary() {
    CaptureSummary summary;
    using Report = const char* (*)();
    auto report = reinterpret_cast<Report>(addinFunction(kReportFunction));
    if (!report) return summary;
    std::istringstream in(report());
    std::map<std::string, std::vector<std::string>> values;
    std::string line;
    while (std::getline(in, line)) {
        const size_t tab = line.find('\t');
        if (tab != std::string::npos) values[line.substr(0, tab)].push_back(line.substr(tab + 1));
    }
    if (values.empty()) return summary;
    summary.present = true;
    auto number = [&](const char* key) {
        auto it = values.find(key);
        return it == values.end() || it->second.empty() ? std::string("0") : it->second.front();
    };
    auto texts = [&](const char* key) {
        auto it = values.find(key);
        return it == values.end() ? std::vector<std::string>{} : it->second;
    };
    summary.json = {{"captured_cells", number("cells")},
                    {"captured_equations", number("equations")},
                    {"equations_from_formulas", number("equations-formulas")},
                    {"equations_found", number("equations-found")},
                    {"equations_by_hand", number("equations-by-hand")},
                    {"found_totals", list(texts("found"))},
                    {"unrounded_cells", number("unrounded-cells")},
                    {"unrounded_ranges", list(texts("unrounded-range"))},
                    {"kept_formulas", number("kept-formulas")},
                    {"kept_formula_ranges", list(texts("kept-formula"))}};
    summary.lines = texts("summary");
    return summary;
}

std::string noEquationsHint() {
    return "totals must be formulas such as =SUM(B2:B9) or =B2+B3, or can be found with "
           "--find-totals";
}

std::string captureFlagsHelp() {
    return "Capture (round, save-instance):\n"
           "  --find-totals             find totals typed as numbers and make them equations\n"
           "                            (each listed before rounding; see docs/totals.md)\n"
           "  --all-cells               round the numbers in no equation too, each on its own\n"
           "  --table 'S!B5:M60,...'    the table is these ranges only; numbers outside them\n"
           "                            (headers, years) are left as they are and reported\n";
}

}  // namespace app
