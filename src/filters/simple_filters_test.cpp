#include "filters/simple_filters.h"

#include <gtest/gtest.h>

#include "filters/filter_test_support.h"

namespace filtertest {
namespace {

constexpr size_t kTileSamples = size_t(kTileSide) * kTileSide;

using SimpleFilters = FilterTest;

TEST_F(SimpleFilters, InvertFlipsColourKeepsAlphaAndTwiceRestores) {
    const LayerSnapshot before = Snapshot(doc, kLayer);
    ASSERT_TRUE(ApplySimpleFilter(doc, kLayer, kFilterInvert, 3));
    for (size_t t = 0; t < doc.stacks.size(); ++t) {
        if (!before.images[t]) continue;
        for (int c = 0; c < 4; ++c)
            for (size_t i = 0; i < kTileSamples; ++i) {
                const uint16_t old = Samples(*before.images[t], c)[i];
                const uint16_t expected = c == 3 ? old : uint16_t(65535 - old);
                ASSERT_EQ(Samples(*Tile(t).pixels, c)[i], expected) << "tile " << t << " channel " << c;
            }
    }
    ASSERT_TRUE(ApplySimpleFilter(doc, kLayer, kFilterInvert, 3));
    EXPECT_TRUE(SameAsSnapshot(doc, kLayer, before));
}

// White at full scale; the canvas's opaque white (display 255 through the
// colour profile) sits a little below it and keeps an alpha of 65535 minus
// its red.
TEST_F(SimpleFilters, GreyscaleMaskOnOpaqueWhiteGivesTransparentBlack) {
    for (size_t t = 0; t < doc.stacks.size(); ++t) {
        EnsurePixels(Tile(t));
        doctest::FillChannels(*Tile(t).pixels, 65535, 65535, 65535, 65535);
    }
    ASSERT_TRUE(ApplySimpleFilter(doc, kLayer, kFilterGreyscaleMask, 2));
    for (size_t t = 0; t < doc.stacks.size(); ++t)
        for (int c = 0; c < 4; ++c)
            for (size_t i = 0; i < kTileSamples; ++i)
                ASSERT_EQ(Samples(*Tile(t).pixels, c)[i], 0) << "tile " << t << " channel " << c;
}

TEST_F(SimpleFilters, GreyscaleMaskTurnsRedDarknessIntoAlpha) {
    const LayerSnapshot before = Snapshot(doc, kLayer);
    ASSERT_TRUE(ApplySimpleFilter(doc, kLayer, kFilterGreyscaleMask, 3));
    for (size_t t = 0; t < doc.stacks.size(); ++t) {
        if (!before.images[t]) continue;
        for (size_t i = 0; i < kTileSamples; ++i) {
            ASSERT_EQ(Samples(*Tile(t).pixels, 3)[i], 65535 - Samples(*before.images[t], 0)[i]);
            for (int c = 0; c < 3; ++c) ASSERT_EQ(Samples(*Tile(t).pixels, c)[i], 0);
        }
    }
}

// Tiles without pixels stay without (they are transparent either way); the
// others become dirty and the layer is marked changed.
TEST_F(SimpleFilters, MarksChangedTilesAndLeavesEmptyOnes) {
    for (int index : {kFilterInvert, kFilterGreyscaleMask}) {
        ClearChangeFlags(doc);
        ASSERT_TRUE(ApplySimpleFilter(doc, kLayer, index, 2));
        for (size_t t = 0; t < doc.stacks.size(); ++t) {
            const bool empty = t == 1 || t == 3;
            EXPECT_EQ(Tile(t).empty, empty) << "tile " << t;
            EXPECT_EQ(Tile(t).dirty, !empty) << "tile " << t;
            EXPECT_FALSE(TileOf(doc, 0, t).dirty) << "the canvas tile " << t;
        }
        ExpectLayerFiltered();
    }
}

TEST_F(SimpleFilters, NothingAndRefusedCallsChangeNothing) {
    const LayerSnapshot before = Snapshot(doc, kLayer);
    EXPECT_TRUE(ApplySimpleFilter(doc, kLayer, kFilterNothing));
    EXPECT_FALSE(ApplySimpleFilter(doc, kLayer, 3));
    EXPECT_FALSE(ApplySimpleFilter(doc, kLayer, -1));
    EXPECT_FALSE(ApplySimpleFilter(doc, 2, kFilterInvert));
    EXPECT_FALSE(ApplySimpleFilter(doc, -1, kFilterInvert));
    EXPECT_TRUE(SameAsSnapshot(doc, kLayer, before));
    ExpectNothingMarked();
}

TEST_F(SimpleFilters, ThreadCountDoesNotChangeTheResult) {
    // More threads than tiles, and counts that do not divide the six tiles.
    for (int index : {kFilterInvert, kFilterGreyscaleMask}) {
        const LayerSnapshot before = Snapshot(doc, kLayer);
        ASSERT_TRUE(ApplySimpleFilter(doc, kLayer, index, 1));
        const LayerSnapshot single = Snapshot(doc, kLayer);
        for (int threads : {0, 4, 5, 9}) {
            for (size_t t = 0; t < doc.stacks.size(); ++t)
                if (before.images[t]) Tile(t).pixels->CopyFrom(*before.images[t]);
            ASSERT_TRUE(ApplySimpleFilter(doc, kLayer, index, threads));
            EXPECT_TRUE(SameAsSnapshot(doc, kLayer, single)) << "filter " << index << ", " << threads << " threads";
        }
    }
}

}  // namespace
}  // namespace filtertest
