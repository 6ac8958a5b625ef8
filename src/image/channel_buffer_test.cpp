#include "image/channel_buffer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

TEST(ChannelBuffer, NonPositiveSizesAllocateNothing) {
    ChannelBuffer8 a(0, 5);
    ChannelBuffer16 b(5, -1);
    EXPECT_EQ(a.samples, nullptr);
    EXPECT_EQ(b.samples, nullptr);
    a.Fill(7);  // must not write anywhere
    b.Fill(7);
    EXPECT_EQ(a.depth, 8);
    EXPECT_EQ(b.depth, 16);
}

TEST(ChannelBuffer, GetAndSetKeepTheLowBitsOfTheDepth) {
    ChannelBuffer8 a(4, 3);
    ChannelBuffer16 b(4, 3);
    a.Set(3, 2, 0x1234);
    b.Set(3, 2, 0x12345);
    EXPECT_EQ(a.Get(3, 2), 0x34u);
    EXPECT_EQ(b.Get(3, 2), 0x2345u);
    EXPECT_EQ(a.samples[2 * 4 + 3], 0x34);
}

TEST(ChannelBuffer, CopyFromConvertsBetweenDepths) {
    ChannelBuffer16 wide(2, 2);
    ChannelBuffer8 narrow(2, 2);
    ChannelBuffer16 back(2, 2);
    wide.Fill(0x12FF);
    narrow.CopyFrom(wide);
    EXPECT_EQ(narrow.Get(1, 1), 0x12u);
    back.CopyFrom(narrow);
    EXPECT_EQ(back.Get(1, 1), 0x1200u);

    ChannelBuffer8 copy(2, 2);
    copy.CopyFrom(narrow);
    EXPECT_EQ(copy.Get(0, 1), 0x12u);
    ChannelBuffer16 same(2, 2);
    same.CopyFrom(wide);
    EXPECT_EQ(same.Get(0, 1), 0x12FFu);
}

TEST(ChannelBuffer, CopyFromIgnoresADifferentSize) {
    ChannelBuffer16 src(3, 2), dst(2, 3);
    src.Fill(9);
    dst.Fill(1);
    dst.CopyFrom(src);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x) EXPECT_EQ(dst.Get(x, y), 1u);
}

// floor((d - s)(k + 1) + 255) / 65536) worked out in floating point.
int ReferenceMix8(int d, int s, int k) { return s + int(std::floor(((d - s) * double(k + 1) + 255) / 65536.0)); }

TEST(ChannelBuffer8Mix, MatchesTheWeightedMixForEveryPairOfSamples) {
    ChannelBuffer8 dst(256, 256), src(256, 256);
    for (int k : {0, 1, 255, 32767, 32768, 40000, 65534, 65535}) {
        for (int d = 0; d < 256; ++d)
            for (int s = 0; s < 256; ++s) {
                dst.Set(s, d, d);
                src.Set(s, d, s);
            }
        ASSERT_TRUE(dst.MixFrom(src, 0, 0, k));
        for (int d = 0; d < 256; ++d)
            for (int s = 0; s < 256; ++s) ASSERT_EQ(int(dst.Get(s, d)), ReferenceMix8(d, s, k)) << d << " " << s << " " << k;
    }
    dst.Fill(200);
    src.Fill(10);
    dst.MixFrom(src, 0, 0, 65535);
    EXPECT_EQ(dst.Get(5, 5), 200u);
    dst.MixFrom(src, 0, 0, 0);
    EXPECT_EQ(dst.Get(5, 5), 10u);
}

TEST(ChannelBuffer16Mix, RaisesTowardTheCeilingAndNeverPastIt) {
    ChannelBuffer16 dst(64, 64), mask(64, 64);
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        for (int i = 0; i < 64 * 64; ++i) {
            dst.samples[i] = uint16_t(rng());
            mask.samples[i] = uint16_t(rng());
        }
        const uint32_t k = rng() & 0xFFFF;
        ChannelBuffer16 before(64, 64);
        before.CopyFrom(dst);
        dst.MixFrom(mask, 0, 0, k);
        for (int i = 0; i < 64 * 64; ++i) {
            const uint32_t d = before.samples[i], m = mask.samples[i];
            const uint32_t want = k > d ? d + (uint64_t(m + 1) * (k - d) >> 16) : d;
            ASSERT_EQ(dst.samples[i], want);
            ASSERT_GE(dst.samples[i], d);
            ASSERT_TRUE(dst.samples[i] <= k || dst.samples[i] == d);
        }
    }
}

TEST(ChannelBuffer16Mix, FullMaskReachesTheCeilingExactlyAndCeilingZeroChangesNothing) {
    ChannelBuffer16 dst(4, 4), mask(4, 4);
    mask.Fill(65535);
    dst.Fill(1000);
    dst.MixFrom(mask, 0, 0, 0);
    EXPECT_EQ(dst.Get(2, 2), 1000u);
    dst.MixFrom(mask, 0, 0, 50000);
    EXPECT_EQ(dst.Get(2, 2), 50000u);
    dst.MixFrom(mask, 0, 0, 65535);
    EXPECT_EQ(dst.Get(2, 2), 65535u);
}

struct Placement {
    int x, y;
    bool overlaps;
};

class MixPlacement : public ::testing::TestWithParam<Placement> {};

// A 3 x 2 source placed over a 5 x 4 buffer: only the overlap changes, and the
// source is read with its own row stride.
TEST_P(MixPlacement, OnlyTheOverlapChanges) {
    const Placement p = GetParam();
    ChannelBuffer16 dst(5, 4), src(3, 2);
    dst.Fill(0);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) src.Set(x, y, 65535);
    EXPECT_EQ(dst.MixFrom(src, p.x, p.y, 10 + 0), p.overlaps);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const bool inside = x >= p.x && x < p.x + 3 && y >= p.y && y < p.y + 2;
            EXPECT_EQ(dst.Get(x, y), inside ? 10u : 0u) << x << "," << y;
        }

    ChannelBuffer8 d8(5, 4), s8(3, 2);
    d8.Fill(100);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) s8.Set(x, y, 10 * (y * 3 + x));
    EXPECT_EQ(d8.MixFrom(s8, p.x, p.y, 0), p.overlaps);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            const bool inside = x >= p.x && x < p.x + 3 && y >= p.y && y < p.y + 2;
            EXPECT_EQ(d8.Get(x, y), inside ? 10u * ((y - p.y) * 3 + (x - p.x)) : 100u) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P(Placements, MixPlacement,
                         ::testing::Values(Placement{0, 0, true}, Placement{1, 1, true}, Placement{-2, -1, true},
                                           Placement{4, 3, true}, Placement{5, 0, false}, Placement{0, 4, false},
                                           Placement{-3, 0, false}, Placement{0, -2, false}));

TEST(ChannelBuffer, MixingDifferentDepthsIsRefused) {
    ChannelBuffer16 dst(2, 2);
    ChannelBuffer8 src(2, 2);
    dst.Fill(5);
    src.Fill(200);
    EXPECT_FALSE(dst.MixFrom(src, 0, 0, 65535));
    EXPECT_EQ(dst.Get(0, 0), 5u);
}

}  // namespace
