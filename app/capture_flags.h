// What a command that captures a workbook's table asks of the capture beyond
// the rounding options: --find-totals, --all-cells and --table RANGES. They
// are capture settings of the add-in, handed to it before the capture; its
// record of the capture (cells, equations, totals found, numbers left as they
// are) comes back for the summary.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace app {

struct CaptureFlags {
    bool findTotals = false;
    bool allCells = false;
    std::string table;  // "Sheet1!B5:M60,Sheet2!A1:C9"
    bool any() const { return findTotals || allCells || !table.empty(); }
};

// Takes the capture flags out of `args` (other words stay, in order). False
// with a message for --table without ranges.
bool takeCaptureFlags(std::vector<std::string>& args, CaptureFlags& flags, std::string& error);

// For a command that captures no workbook: the message that refuses a capture
// flag among its words, or "" when there is none.
std::string refuseCaptureFlags(const std::vector<std::string>& args, const std::string& command);

// Hands every setting to the last loaded add-in (also those not given, so
// that nothing carries over from an earlier run). False with a message when
// the add-in takes no capture settings.
bool applyCaptureFlags(const CaptureFlags& flags, std::string& error);

// The add-in's record of the last capture of a workbook.
struct CaptureSummary {
    bool present = false;
    std::vector<std::pair<std::string, std::string>> json;  // key, JSON value
    std::vector<std::string> lines;                         // sentences for the user
};
CaptureSummary readCaptureSummary();

// The hint that follows a capture that found no equation.
std::string noEquationsHint();

// The flags' descriptions for --help texts.
std::string captureFlagsHelp();

}  // namespace app
