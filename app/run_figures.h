// What a command says about the rounding run it made, from the run's final
// state (app/run_progress_source.h): how many cells the audit measured, the
// seed of the random weights, and for a search the time limit stopped with a
// rounding in hand, its gap and how to publish it.
#pragma once

#include <string>

#include "engine/run_progress.h"

namespace app {

// Lines for the printed summary (each ends with a newline); "" when there is
// nothing to say.
std::string runSummaryLines(const RunProgress& p);

// Fields for the JSON summary, each as `, "key": value`: the time limit and
// the accept-best setting the run had, audited_cells and
// unaudited_cells when intervals were computed, weights_seed when the run
// drew random weights, and the distance and gap of a rounding the time limit
// left unpublished (when `published` is false).
std::string runJsonFields(const RunProgress& p, bool published);

// Why nothing was published when the time limit ended the search. With a
// rounding in hand it gives its distance and gap and says how to publish it.
std::string timeLimitMessage(const RunProgress& p);

// The hint for a run whose zero-restricted search ended at the time limit
// with nothing and never reached the extended model (from the run's engine
// log); empty otherwise.
std::string extendedModelHint(const std::string& engineLog, bool acceptBest);

}  // namespace app
