#include "random/ranrot.h"

#include <cstdio>
#include <cstring>

namespace {

uint32_t rotl(uint32_t x, int r) {
    return (x << r) | (x >> (32 - r));
}

}  // namespace

RanrotGenerator::RanrotGenerator(uint32_t seed) {
    reseed(seed);
}

void RanrotGenerator::reseed(uint32_t seed) {
    uint32_t s = seed;
    for (int i = 0; i < kPairs; ++i) {
        for (int j = 0; j < 2; ++j) {
            s = s * kSeedMultiplier + 1u;
            buffer_[i][j] = s;
        }
    }
    // Words 0 and 1 start as the bit pattern of the double 1.0.
    output_[0] = 0;
    output_[1] = 0x3FF00000u;
    output_[2] = 0;
    lag1_ = 0;
    lag2_ = kLagDistance;
    failed_ = false;
    std::memcpy(snapshot_, buffer_, sizeof buffer_);
    std::memcpy(snapshot_[kPairs], buffer_, sizeof buffer_);
    for (int i = 0; i < kWarmUpSteps; ++i) nextWord();
}

uint32_t RanrotGenerator::nextWord() {
    const uint32_t z = rotl(buffer_[lag1_][0], kRotateA) + buffer_[lag2_][0];
    const uint32_t y = rotl(buffer_[lag1_][1], kRotateB) + buffer_[lag2_][1];
    // The new words are stored crosswise.
    buffer_[lag1_][0] = y;
    buffer_[lag1_][1] = z;
    if (--lag1_ < 0) lag1_ = kPairs - 1;
    if (--lag2_ < 0) lag2_ = kPairs - 1;
    selfTest();
    output_[0] = y;
    output_[1] = z;
    return y;
}

void RanrotGenerator::selfTest() {
    if (buffer_[lag1_][0] != snapshot_[0][0]) return;
    if (std::memcmp(buffer_, snapshot_[kPairs - lag1_], sizeof buffer_) != 0) return;
    const bool lagsIntact = (lag2_ + kPairs - lag1_) % kPairs == kLagDistance;
    std::printf("%s\n", lagsIntact ? kReturnedToInitialState : kNotInitialized);
    std::fflush(stdout);
    failed_ = true;
}

double RanrotGenerator::nextDouble() {
    const uint32_t y = nextWord();
    // Sign 0, exponent 0x3FF, mantissa: the low 20 bits of y above all of y.
    const uint64_t bits = (uint64_t{0x3FF} << 52) | (uint64_t{y & 0xFFFFFu} << 32) | y;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d - 1.0;
}

int32_t RanrotGenerator::nextInRange(int32_t min, int32_t max) {
    // The width in wrapping 32-bit arithmetic: ranges wider than INT32_MAX come
    // out as empty, like the narrower empty ones.
    const int32_t n =
        static_cast<int32_t>(static_cast<uint32_t>(max) - static_cast<uint32_t>(min) + 1u);
    if (n <= 0) return kEmptyRange;
    int32_t r = static_cast<int32_t>(nextDouble() * n);
    if (r >= n) r = n - 1;
    return min + r;
}
