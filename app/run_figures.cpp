#include "app/run_figures.h"

#include <cstdio>

#include "engine/adapter.h"

namespace app {

namespace {

std::string number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

std::string percent(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f%%", v);
    return text;
}

// A status text of the add-in with %d of %d filled in, without the reserved
// first character.
std::string filled(const char* format, int a, int b) {
    char text[300];
    std::snprintf(text, sizeof text, format, a, b);
    return text + 1;
}

}  // namespace

std::string runSummaryLines(const RunProgress& p) {
    std::string text;
    if (p.auditRan) {
        text += "  Audited Cells: " + std::to_string(p.auditedCells) + " of " +
                std::to_string(p.cellCount) + "\n";
        if (p.unauditedCells > 0)
            text += filled(p.auditStoppedByLimit ? kStatusAuditCutByLimit : kStatusAuditIncomplete,
                           p.unauditedCells, p.cellCount) +
                    "\n";
    }
    if (p.weightsSeedUsed)
        text += "  Random Weights Seed: " + std::to_string(p.weightsSeed) +
                " (the same rounding again: --weights-seed " + std::to_string(p.weightsSeed) +
                ")\n";
    return text;
}

std::string runJsonFields(const RunProgress& p, bool published) {
    std::string text = ", \"time_limit_minutes\": " + number(p.limitSeconds / 60) +
                       ", \"accept_best\": " + (p.acceptBest ? "true" : "false");
    if (p.auditRan)
        text += ", \"audited_cells\": " + std::to_string(p.auditedCells) +
                ", \"unaudited_cells\": " + std::to_string(p.unauditedCells);
    if (p.weightsSeedUsed) text += ", \"weights_seed\": " + std::to_string(p.weightsSeed);
    if (!published && p.hasRounding) {
        text += ", \"distance\": " + number(p.bestDistance);
        if (p.hasBound)
            text += ", \"bound\": " + number(p.bound) + ", \"gapPercent\": " + number(p.gapPercent);
    }
    return text;
}

std::string extendedModelHint(const std::string& engineLog, bool acceptBest) {
    const bool zero =
        engineLog.find("finding an output pattern of the zero-restricted QTB") != std::string::npos;
    const bool extended =
        engineLog.find("finding an output pattern of the extended QTB") != std::string::npos;
    if (!zero || extended) return "";
    const std::string what =
        "no zero-restricted rounding was found within the time limit, nor proven impossible "
        "(tables of four or five dimensions often have none): ";
    return what + "with " + (acceptBest ? "" : "--accept-best and ") +
           "--max-jump 1 or more, and a time limit of a minute or more, the extended model (a "
           "cell may move further than its two nearest multiples) takes over half-way through "
           "the limit";
}

std::string timeLimitMessage(const RunProgress& p) {
    if (!p.hasRounding)
        return "the time limit was reached before any rounding was found; nothing was published "
               "(a longer --time-limit may find one)";
    std::string text =
        "the time limit ended the search holding a rounding of distance " + number(p.bestDistance);
    if (p.hasBound)
        text += " (the best possible is at least " + number(p.bound) + ": gap " +
                percent(p.gapPercent) + ")";
    return text +
           "; it is not proven optimal, so nothing was published: run again with --accept-best "
           "to publish it, or with a longer --time-limit";
}

}  // namespace app
