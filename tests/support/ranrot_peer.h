// Test access to the generator's state, to put it where its self-test
// looks: back in the state it was seeded with.
#pragma once

#include <cstring>

#include "random/ranrot.h"

// Reaches into the generator to put it into the state its self-test looks for.
struct RanrotTestPeer {
    static void restoreSeededBuffer(RanrotGenerator& g) {
        std::memcpy(g.buffer_, g.snapshot_[RanrotGenerator::kPairs - g.lag1_], sizeof g.buffer_);
    }
    static void breakLags(RanrotGenerator& g) { g.lag2_ = (g.lag1_ + 3) % RanrotGenerator::kPairs; }
    static void runSelfTest(RanrotGenerator& g) { g.selfTest(); }
    static int lagDistance(const RanrotGenerator& g) {
        return (g.lag2_ + RanrotGenerator::kPairs - g.lag1_) % RanrotGenerator::kPairs;
    }
};

// A generator whose self-test has failed, as one that came back to its
// seeded state would be.
inline RanrotGenerator failedGenerator(uint32_t seed) {
    RanrotGenerator g(seed);
    RanrotTestPeer::restoreSeededBuffer(g);
    RanrotTestPeer::runSelfTest(g);
    return g;
}
