// The benchmark's yardstick: CBC's own driver (CbcMain, preprocessing off)
// on the master models the engine builds for the loaded instance.
#pragma once

namespace bench {

struct ReferenceResult {
    int status = 4;  // 1 optimal, 2 infeasible, 3 stopped with a rounding, 4 without
    double seconds = 0;
    double distance = -1;  // total absolute distance of the best rounding found
    double bound = 0;      // proven lower bound on the distance
    int nodes = 0;
    int extended = 0;  // 1 when the extended model was solved
};

// Solves the zero-restricted model of the engine's loaded instance and, when
// it is infeasible and maxJump > 0, the extended model with `maxJump`, within
// `seconds` in all. Prints CBC's messages on standard output.
ReferenceResult SolveWithCbcDriver(int maxJump, double seconds);

}  // namespace bench
