// The random number generator of the system: a lagged-Fibonacci generator on
// pairs of 32-bit words with bit rotation (RANROT type W).
//
// It has no global state. Every user owns an instance, seeds it explicitly and
// discards it when done, so every random table is reproduced by its seeds.
#pragma once

#include <cstdint>

class RanrotGenerator {
  public:
    // Seeding is mandatory; the seed's bit pattern is used unchanged.
    explicit RanrotGenerator(uint32_t seed);

    // Full re-initialisation: the same seed gives the same sequence.
    void reseed(uint32_t seed);

    // One generator step.
    uint32_t nextWord();
    // One step turned into a double in [0, 1) (exact; 0 only for the word 0).
    double nextDouble();
    // A value in [min, max]; kEmptyRange, without stepping, when max < min.
    int32_t nextInRange(int32_t min, int32_t max);

    static constexpr int32_t kEmptyRange = INT32_MIN;

    // True once the self-test has seen the generator come back to its seeded
    // state. The sequence is then periodic and must not be trusted; the caller
    // decides what to do (the process is never ended from here).
    bool failed() const { return failed_; }

    static constexpr const char* kReturnedToInitialState =
        "Random number generator returned to initial state";
    static constexpr const char* kNotInitialized = "Random number generator not initialized";

  private:
    friend struct RanrotTestPeer;

    static constexpr int kPairs = 17;
    static constexpr int kLagDistance = 10;
    static constexpr int kRotateA = 19;
    static constexpr int kRotateB = 27;
    static constexpr uint32_t kSeedMultiplier = 2891336453u;
    static constexpr int kWarmUpSteps = 31;

    // After a step: has the buffer come back to the seeded state? Reports
    // through failed() and a line on standard output.
    void selfTest();

    int32_t lag1_ = 0;
    int32_t lag2_ = 0;
    uint32_t output_[3] = {0, 0, 0};
    uint32_t buffer_[kPairs][2] = {};
    uint32_t snapshot_[2 * kPairs][2] = {};
    bool failed_ = false;
};
