// What the program's summary says of a run: the audited and unaudited cells
// (with the reason), the seed of the random weights, and for a search the
// time limit stopped with a rounding in hand, its gap and how to publish it.
#include "app/run_figures.h"

#include <gtest/gtest.h>

namespace {

RunProgress ended() {
    RunProgress p{};
    p.run = 1;
    p.phase = kRunEnded;
    p.cellCount = 9261;
    p.limitSeconds = 60;
    return p;
}

TEST(RunFigures, AnAuditCutByTheLimitIsCountedAndExplained) {
    RunProgress p = ended();
    p.auditRan = 1;
    p.auditedCells = 1200;
    p.unauditedCells = 8061;
    p.auditStoppedByLimit = 1;
    EXPECT_EQ(app::runSummaryLines(p),
              "  Audited Cells: 1200 of 9261\n"
              "8061 of 9261 cells were not audited within the time limit; their intervals show "
              "the rounding's box\n");
    EXPECT_EQ(app::runJsonFields(p, true),
              ", \"time_limit_minutes\": 1, \"accept_best\": false, \"audited_cells\": 1200, "
              "\"unaudited_cells\": 8061");
    // An LP that failed is not the time limit.
    p.auditStoppedByLimit = 0;
    EXPECT_NE(
        app::runSummaryLines(p).find(
            "8061 of 9261 cells could not be audited; their intervals show the rounding's box"),
        std::string::npos);
}

TEST(RunFigures, NoAuditNoCountsAndTheSeedToRepeatARun) {
    RunProgress p = ended();
    EXPECT_EQ(app::runSummaryLines(p), "");
    p.weightsSeedUsed = 1;
    p.weightsSeed = 4000000000u;
    p.acceptBest = 1;
    EXPECT_EQ(app::runSummaryLines(p),
              "  Random Weights Seed: 4000000000 (the same rounding again: --weights-seed "
              "4000000000)\n");
    EXPECT_EQ(app::runJsonFields(p, true),
              ", \"time_limit_minutes\": 1, \"accept_best\": true, \"weights_seed\": 4000000000");
}

TEST(RunFigures, AnUnpublishedRoundingGivesItsGapAndTheWayToPublishIt) {
    RunProgress p = ended();
    p.hasRounding = p.hasBound = 1;
    p.bestDistance = 130;
    p.bound = 126;
    p.gapPercent = 100.0 * 4 / 130;
    const std::string m = app::timeLimitMessage(p);
    EXPECT_NE(m.find("rounding of distance 130 (the best possible is at least 126: gap 3.08%)"),
              std::string::npos)
        << m;
    EXPECT_NE(m.find("--accept-best"), std::string::npos) << m;
    EXPECT_EQ(app::runJsonFields(p, false),
              ", \"time_limit_minutes\": 1, \"accept_best\": false, \"distance\": 130, \"bound\": "
              "126, \"gapPercent\": 3.076923077");
    // Published (with --accept-best), the figures come from the Resolution Info.
    EXPECT_EQ(app::runJsonFields(p, true).find("distance"), std::string::npos);
    // Without a rounding there is nothing to publish.
    p.hasRounding = 0;
    EXPECT_EQ(app::timeLimitMessage(p).find("--accept-best"), std::string::npos);
}

TEST(RunFigures, AZeroRestrictedSearchWithNothingPointsToTheExtendedModel) {
    const std::string zero = "..... finding an output pattern of the zero-restricted QTB\n";
    const std::string extended =
        "..... finding an output pattern of the extended QTB (larger=1)\n";
    const std::string hint = app::extendedModelHint(zero, false);
    EXPECT_EQ(hint,
              "no zero-restricted rounding was found within the time limit, nor proven "
              "impossible (tables of four or five dimensions often have none): with "
              "--accept-best and --max-jump 1 or more, and a time limit of a minute or more, the "
              "extended model (a cell may move further than its two nearest multiples) takes "
              "over half-way through the limit");
    // --accept-best given already: only what is missing is named.
    EXPECT_EQ(app::extendedModelHint(zero, true).find("--accept-best"), std::string::npos);
    EXPECT_NE(app::extendedModelHint(zero, true).find("with --max-jump 1 or more"),
              std::string::npos);
    // The extended model ran (or nothing ran at all): no hint.
    EXPECT_EQ(app::extendedModelHint(zero + extended, false), "");
    EXPECT_EQ(app::extendedModelHint("", false), "");
}

}  // namespace
