#include "filters/noise.h"

#include <gtest/gtest.h>

#include <vector>

#include "filters/filter_sliders.h"
#include "filters/filter_test_support.h"
#include "image/thread_scratch.h"

namespace filtertest {
namespace {

constexpr size_t kTileSamples = size_t(kTileSide) * kTileSide;

TEST(NoiseSlider, StrengthAndPercentOverTheSlider) {
    struct Case {
        int p, strength, percent;
    } cases[] = {{-5, 3, 1}, {0, 3, 1}, {kNoiseSliderStart, 49, 19}, {190, 129, 50}, {380, 255, 100}, {999, 255, 100}};
    for (const Case& k : cases) {
        EXPECT_EQ(NoiseStrengthForSlider(k.p), k.strength) << k.p;
        EXPECT_EQ(NoisePercent(NoiseStrengthForSlider(k.p)), k.percent) << k.p;
    }
}

// The noise pattern written out plainly: a 32-bit generator, each row's last
// two columns repeating its first two, the generator restarting after row
// side - 3 so that the last two rows repeat the first two.
std::vector<uint16_t> ReferenceNoise(int side) {
    auto step = [](uint32_t s) {
        s += 0x57238591u;
        return s ^ ((s >> 8) & 0x00FFF3F7u);
    };
    std::vector<uint16_t> plane(size_t(side) * size_t(side));
    uint32_t s = 0xFC578168u;
    for (int r = 0; r < side; ++r) {
        const uint32_t first = s;
        for (int c = 0; c < side - 2; ++c) {
            plane[size_t(r * side + c)] = uint16_t(s);
            s = step(s);
        }
        plane[size_t(r * side + side - 2)] = uint16_t(first);
        plane[size_t(r * side + side - 1)] = uint16_t(step(first));
        if (r == side - 3) s = 0xFC578168u;
    }
    return plane;
}

uint16_t NoisyAlpha(uint32_t alpha, uint32_t noise, uint32_t strength) {
    const uint32_t cut = (noise * (strength * 257u)) >> 16;
    return uint16_t((alpha * (65535u - cut)) >> 16);
}

using Noise = FilterTest;

TEST_F(Noise, LowersAlphaByThePatternAndLeavesColour) {
    const std::vector<uint16_t> noise = ReferenceNoise(kTileSide);
    for (int strength : {0, 3, 49, 255}) {
        const LayerSnapshot before = Snapshot(doc, kLayer);
        ClearChangeFlags(doc);
        ASSERT_TRUE(AddTransparencyNoise(doc, kLayer, strength, 4));
        ExpectLayerFiltered();
        for (size_t t = 0; t < doc.stacks.size(); ++t) {
            ASSERT_EQ(Tile(t).empty, !before.images[t]);
            EXPECT_EQ(Tile(t).dirty, !Tile(t).empty);
            if (!before.images[t]) continue;
            for (size_t i = 0; i < kTileSamples; ++i) {
                for (int c = 0; c < 3; ++c) ASSERT_EQ(Samples(*Tile(t).pixels, c)[i], Samples(*before.images[t], c)[i]);
                ASSERT_EQ(Samples(*Tile(t).pixels, 3)[i], NoisyAlpha(Samples(*before.images[t], 3)[i], noise[i], uint32_t(strength)))
                    << "strength " << strength << " tile " << t << " sample " << i;
            }
        }
    }
}

TEST_F(Noise, FullyTransparentPixelsStayTransparent) {
    for (size_t t : {0u, 2u}) {
        std::fill_n(Samples(*Tile(t).pixels, 3), kTileSamples / 2, uint16_t(0));
    }
    ASSERT_TRUE(AddTransparencyNoise(doc, kLayer, 255, 2));
    for (size_t t : {0u, 2u})
        for (size_t i = 0; i < kTileSamples / 2; ++i) ASSERT_EQ(Samples(*Tile(t).pixels, 3)[i], 0);
}

// Opaque tiles agree where they overlap before the noise, and after it, so
// the grain shows no seams; a second run lowers alpha again in the same grain.
TEST_F(Noise, GrainIsSeamlessAndRepeats) {
    for (size_t t = 0; t < doc.stacks.size(); ++t) {
        EnsurePixels(Tile(t));
        Tile(t).pixels->Channel(3).Fill(65535);
    }
    ASSERT_TRUE(AddTransparencyNoise(doc, kLayer, 255, 3));
    const int columns = doc.columns;
    for (int r = 0; r < doc.rows; ++r)
        for (int c = 0; c + 1 < columns; ++c) {
            const PixelImage& left = *Tile(size_t(r * columns + c)).pixels;
            const PixelImage& right = *Tile(size_t(r * columns + c + 1)).pixels;
            for (int y = 0; y < kTileSide; ++y)
                for (int k = 0; k < 2; ++k) ASSERT_EQ(At(left, 3, kTileSide - 2 + k, y), At(right, 3, k, y));
        }
    for (int c = 0; c < columns; ++c) {
        const PixelImage& top = *Tile(size_t(c)).pixels;
        const PixelImage& bottom = *Tile(size_t(columns + c)).pixels;
        for (int x = 0; x < kTileSide; ++x)
            for (int k = 0; k < 2; ++k) ASSERT_EQ(At(top, 3, x, kTileSide - 2 + k), At(bottom, 3, x, k));
    }

    const std::vector<uint16_t> noise = ReferenceNoise(kTileSide);
    const LayerSnapshot once = Snapshot(doc, kLayer);
    ASSERT_TRUE(AddTransparencyNoise(doc, kLayer, 255, 3));
    for (size_t i = 0; i < kTileSamples; ++i)
        ASSERT_EQ(Samples(*Tile(4).pixels, 3)[i], NoisyAlpha(Samples(*once.images[4], 3)[i], noise[i], 255));
}

TEST_F(Noise, RefusedWithoutScratchOrLayer) {
    const LayerSnapshot before = Snapshot(doc, kLayer);
    EXPECT_FALSE(AddTransparencyNoise(doc, 2, 100));
    FreeThreadScratch();
    EXPECT_FALSE(AddTransparencyNoise(doc, kLayer, 100));
    InitThreadScratch(1, kTileSide / 2);
    EXPECT_FALSE(AddTransparencyNoise(doc, kLayer, 100));
    EXPECT_TRUE(SameAsSnapshot(doc, kLayer, before));
    ExpectNothingMarked();
}

}  // namespace
}  // namespace filtertest
