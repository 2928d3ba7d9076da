// The generator: reference sequences, the double and range constructions, and
// the self-test that must report instead of ending the process.
#include "random/ranrot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "tests/support/ranrot_peer.h"

namespace {

// First words after seeding, from an independent model of the generator
// (buffer filled from the congruential sequence, 31 steps discarded, new
// words stored crosswise).
TEST(RanrotGenerator, MatchesReferenceSequences) {
    struct Case {
        uint32_t seed;
        uint32_t words[5];
    };
    const Case cases[] = {
        {0u, {0x60217bdf, 0xed8e05c2, 0xd8a9df79, 0x559fe441, 0xc8ebf4b0}},
        {1u, {0x3104b06b, 0xa12cc5ca, 0x976403f2, 0xe8ccfe7f, 0xba7503d4}},
        {12345u, {0x6b4b519d, 0x50f8c8c0, 0xc0697a2f, 0xc5e789ad, 0xea4533be}},
        {0xFFFFFFFFu, {0x7f768755, 0x39df45bc, 0x19e77b00, 0xd2628a04, 0xcf62a78a}},
    };
    for (const Case& c : cases) {
        RanrotGenerator g(c.seed);
        for (uint32_t w : c.words) EXPECT_EQ(g.nextWord(), w) << "seed " << c.seed;
    }
}

TEST(RanrotGenerator, SameSeedSameSequenceAndReseedRestarts) {
    RanrotGenerator a(777), b(777), c(778);
    std::vector<uint32_t> first;
    bool differs = false;
    for (int i = 0; i < 1000; ++i) {
        const uint32_t w = a.nextWord();
        first.push_back(w);
        EXPECT_EQ(w, b.nextWord());
        differs |= (w != c.nextWord());
    }
    EXPECT_TRUE(differs);
    a.reseed(777);
    for (uint32_t w : first) ASSERT_EQ(a.nextWord(), w);
    // A signed seed's bit pattern is the unsigned seed.
    RanrotGenerator neg(static_cast<uint32_t>(int32_t{-1})), ff(0xFFFFFFFFu);
    EXPECT_EQ(neg.nextWord(), ff.nextWord());
}

TEST(RanrotGenerator, DoublesAreBuiltFromOneWord) {
    RanrotGenerator g(42);
    EXPECT_DOUBLE_EQ(g.nextDouble(), 0.35027910311480026);
    EXPECT_DOUBLE_EQ(g.nextDouble(), 0.782925389423716);
    EXPECT_DOUBLE_EQ(g.nextDouble(), 0.6004307460040856);

    // The mantissa is (y mod 2^20) * 2^32 + y of the very word the step returns.
    RanrotGenerator words(9), doubles(9);
    for (int i = 0; i < 2000; ++i) {
        const uint32_t y = words.nextWord();
        const double d = doubles.nextDouble();
        const double expected =
            (static_cast<double>(y & 0xFFFFFu) * 4294967296.0 + static_cast<double>(y)) /
            4503599627370496.0;
        ASSERT_EQ(d, expected);
        ASSERT_GE(d, 0.0);
        ASSERT_LT(d, 1.0);
    }
}

TEST(RanrotGenerator, RangesIncludingSingleAndEmpty) {
    RanrotGenerator g(42), shadow(42);
    // Same word stream as nextDouble: 3 7 6 5 0 5 3 8 8 0 for [0, 9].
    const int expected[] = {3, 7, 6, 5, 0, 5, 3, 8, 8, 0};
    for (int e : expected) EXPECT_EQ(g.nextInRange(0, 9), e);
    for (int i = 0; i < 10; ++i) shadow.nextWord();

    // A one-value range still takes a step.
    EXPECT_EQ(g.nextInRange(5, 5), 5);
    shadow.nextWord();
    EXPECT_EQ(g.nextWord(), shadow.nextWord());

    // An empty range answers the marker and does not step.
    EXPECT_EQ(g.nextInRange(7, 3), RanrotGenerator::kEmptyRange);
    EXPECT_EQ(g.nextInRange(INT32_MIN, INT32_MAX), RanrotGenerator::kEmptyRange);
    EXPECT_EQ(g.nextWord(), shadow.nextWord());

    // Every value of a small range comes up, none outside it.
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        const int v = g.nextInRange(-3, 4);
        ASSERT_GE(v, -3);
        ASSERT_LE(v, 4);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 8u);
    // The widest range that is not empty (INT32_MAX values) and ranges at the
    // ends of the type stay inside their ends; wider ones count as empty.
    for (int i = 0; i < 1000; ++i) {
        const int v = g.nextInRange(0, INT32_MAX - 1);
        ASSERT_GE(v, 0);
        ASSERT_LE(v, INT32_MAX - 1);
        const int w = g.nextInRange(INT32_MAX - 1, INT32_MAX);
        ASSERT_GE(w, INT32_MAX - 1);
        const int m = g.nextInRange(INT32_MIN, INT32_MIN + 1);
        ASSERT_LE(m, INT32_MIN + 1);
    }
    EXPECT_EQ(g.nextInRange(-1, INT32_MAX - 1), RanrotGenerator::kEmptyRange);
}

TEST(RanrotGenerator, SelfTestReportsWithoutEndingTheProcess) {
    RanrotGenerator g(5);
    for (int i = 0; i < 100; ++i) g.nextWord();
    EXPECT_FALSE(g.failed());
    EXPECT_EQ(RanrotTestPeer::lagDistance(g), 10);

    RanrotTestPeer::restoreSeededBuffer(g);
    testing::internal::CaptureStdout();
    RanrotTestPeer::runSelfTest(g);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Random number generator returned to initial state\n");
    EXPECT_TRUE(g.failed());
    g.nextWord();  // still usable: the caller decides what to do

    RanrotGenerator h(6);
    RanrotTestPeer::breakLags(h);
    RanrotTestPeer::restoreSeededBuffer(h);
    testing::internal::CaptureStdout();
    RanrotTestPeer::runSelfTest(h);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Random number generator not initialized\n");
    EXPECT_TRUE(h.failed());

    h.reseed(6);
    EXPECT_FALSE(h.failed());
}

}  // namespace
