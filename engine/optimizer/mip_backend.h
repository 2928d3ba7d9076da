// Global (mixed-integer) search on COIN-OR CBC.
#pragma once

#include "engine/optimizer/problem.h"

namespace qtb::opt {

// Runs CBC's default strategy (preprocessing off, one thread) on the problem
// for its current sense, calling the problem's callbacks on this thread, and
// leaves the outcome in its attributes and solution. Searches are serialised
// across threads (CBC's driver has global state); a search started from inside
// a callback of another search fails with XO_ERR_BUSY. Returns a status code.
int RunGlobalSearch(xo_prob_struct& problem);

}  // namespace qtb::opt
