#include "paint/layer_pixels.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "image/color_record.h"
#include "image/document_test_support.h"

using namespace doctest;


namespace {

// Colours are compared as arrays so that failures print their values.
std::array<int, 4> Rgba(const ColorRecord& c) { return {c.value[0], c.value[1], c.value[2], c.value[3]}; }
std::array<int, 4> Rgba(int r, int g, int b, int a) { return {r, g, b, a}; }

// 300 x 200 gives 3 x 2 tiles: columns start at x = -1, 125, 251 and rows at
// y = -1, 125, so the shared borders are x = 125, 126, 251, 252 and y = 125, 126.
class LayerPixelsTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        ASSERT_TRUE(NewDocument(doc, 300, 200));
        ASSERT_TRUE(AddLayer(doc, 0));
        ASSERT_TRUE(AddLayer(doc, 1));
    }
    ColorRecord Read(int layer, int x, int y) {
        ColorRecord c;
        EXPECT_TRUE(ReadLayerPixel(doc, layer, x, y, DisplayColor(0, 0, 0, 255), c)) << x << "," << y;
        return c;
    }
    LayerTile& Tile(size_t t, int layer) { return *LayerTileAt(doc.stacks[t], layer); }
    static bool Holds(const LayerTile& tile, int x, int y) {
        return x >= tile.x0 && x < tile.x1 && y >= tile.y0 && y < tile.y1;
    }
    static ColorRecord Working(ColorRecord c) {
        FromDisplay(c);
        return c;
    }
    static ColorRecord Sample(const LayerTile& tile, int x, int y) {
        ColorRecord c;
        tile.pixels->GetPixel(x - tile.x0, y - tile.y0, &c);
        return c;
    }
};

TEST_F(LayerPixelsTest, FirstTileIndexMatchesAScanOfTheTileRectangles) {
    for (int y = -2; y <= doc.height + 1; ++y)
        for (int x = -2; x <= doc.width + 1; ++x) {
            int expected = -1;
            const bool inside = x >= 0 && y >= 0 && x < doc.width && y < doc.height;
            for (size_t t = 0; inside && t < doc.stacks.size() && expected < 0; ++t)
                if (Holds(*doc.stacks[t], x, y)) expected = int(t);
            ASSERT_EQ(FirstTileIndex(doc, x, y), expected) << x << "," << y;
        }
}

TEST_F(LayerPixelsTest, WriteGoesIntoEveryTileHoldingThePointAndReadsBack) {
    struct Case {
        int x, y, holders;
    };
    const Case cases[] = {
        {10, 10, 1}, {125, 50, 2}, {126, 126, 4}, {125, 125, 4}, {252, 126, 4}, {299, 199, 1}, {0, 126, 2},
    };
    int shade = 0;
    for (const Case& c : cases) {
        const ColorRecord colour = DisplayColor(20 + shade, 200 - shade, 2 * shade, 30 + shade);
        shade += 20;
        for (LayerTile* stack : doc.stacks) LayerTileAt(stack, 1)->dirty = false;
        WriteLayerPixel(doc, 1, c.x, c.y, colour, true);

        int holders = 0;
        for (size_t t = 0; t < doc.stacks.size(); ++t) {
            const LayerTile& tile = Tile(t, 1);
            if (!Holds(tile, c.x, c.y)) {
                EXPECT_FALSE(tile.dirty) << "tile " << t << " for " << c.x << "," << c.y;
                continue;
            }
            ++holders;
            ASSERT_FALSE(tile.empty);
            EXPECT_TRUE(tile.dirty);
            EXPECT_EQ(Rgba(Sample(tile, c.x, c.y)), Rgba(Working(colour))) << "tile " << t << " for " << c.x << "," << c.y;
        }
        EXPECT_EQ(holders, c.holders) << c.x << "," << c.y;
        EXPECT_EQ(Rgba(Read(1, c.x, c.y)), Rgba(colour)) << c.x << "," << c.y;
    }
}

TEST_F(LayerPixelsTest, ColourOnlyWriteKeepsAlpha) {
    WriteLayerPixel(doc, 1, 126, 126, DisplayColor(10, 20, 30, 200), true);
    WriteLayerPixel(doc, 1, 126, 126, DisplayColor(40, 50, 60, 0), false);
    EXPECT_EQ(Rgba(Read(1, 126, 126)), Rgba(40, 50, 60, 200));
    // Into an empty tile: the rest of the tile is transparent white.
    WriteLayerPixel(doc, 2, 20, 20, DisplayColor(40, 50, 60, 255), false);
    EXPECT_EQ(Rgba(Read(2, 20, 20)), Rgba(40, 50, 60, 0));
    EXPECT_EQ(Rgba(Read(2, 21, 20)), Rgba(255, 255, 255, 0));
}

TEST_F(LayerPixelsTest, WritesOutsideTheDocumentOrLayerListChangeNothing) {
    const int points[][2] = {{-1, 10}, {10, -1}, {300, 10}, {10, 200}};
    for (const auto& p : points) WriteLayerPixel(doc, 1, p[0], p[1], DisplayColor(0, 0, 0, 255), true);
    WriteLayerPixel(doc, 3, 10, 10, DisplayColor(0, 0, 0, 255), true);
    WriteLayerPixel(doc, -1, 10, 10, DisplayColor(0, 0, 0, 255), true);
    for (size_t t = 0; t < doc.stacks.size(); ++t) {
        EXPECT_TRUE(Tile(t, 1).empty) << t;
        EXPECT_TRUE(Tile(t, 2).empty) << t;
    }
}

// Where tiles overlap, the read must come from the first of them.
TEST_F(LayerPixelsTest, ReadTakesTheFirstTileInTileOrder) {
    const ColorRecord first = Working(DisplayColor(10, 20, 30, 255));
    const ColorRecord other = Working(DisplayColor(90, 80, 70, 255));
    struct Case {
        int x, y;
        size_t first;
    };
    const Case cases[] = {{126, 126, 0}, {125, 10, 0}, {252, 150, 4}, {200, 126, 1}};
    for (const Case& c : cases) {
        for (size_t t = 0; t < doc.stacks.size(); ++t) {
            LayerTile& tile = Tile(t, 1);
            if (!Holds(tile, c.x, c.y)) continue;
            EnsurePixels(tile);
            tile.pixels->SetPixel(c.x - tile.x0, c.y - tile.y0, t == c.first ? &first : &other, true);
        }
        EXPECT_EQ(Rgba(Read(1, c.x, c.y)), Rgba(10, 20, 30, 255)) << c.x << "," << c.y;
    }
}

TEST_F(LayerPixelsTest, EmptyTileReadsTransparentWhiteAndMissingPixelsReadNothing) {
    WriteLayerPixel(doc, 1, 10, 10, DisplayColor(1, 2, 3, 4), true);
    EXPECT_EQ(Rgba(Read(1, 200, 150)), Rgba(255, 255, 255, 0));  // a tile never painted
    EXPECT_EQ(Rgba(Read(2, 10, 10)), Rgba(255, 255, 255, 0));

    ColorRecord out = DisplayColor(7, 7, 7, 7);
    const int points[][2] = {{-1, 0}, {0, -1}, {300, 0}, {0, 200}};
    for (const auto& p : points) EXPECT_FALSE(ReadLayerPixel(doc, 1, p[0], p[1], out, out)) << p[0] << "," << p[1];
    EXPECT_FALSE(ReadLayerPixel(doc, 3, 10, 10, out, out));
    EXPECT_FALSE(ReadLayerPixel(doc, -1, 10, 10, out, out));
    EXPECT_EQ(Rgba(out), Rgba(7, 7, 7, 7));
}

// The pending stroke: v + (p - v) * m / 65536, truncated toward zero, on the
// working values, alpha as it was.
ColorRecord StrokeReference(ColorRecord base, ColorRecord paint, int64_t m, bool floorInstead) {
    FromDisplay(base);
    FromDisplay(paint);
    ColorRecord mixed = base;
    for (int c = 0; c < 3; ++c) {
        const int64_t v = base.value[c], d = (paint.value[c] - v) * m;
        const int64_t q = floorInstead ? (d >= 0 ? d / 65536 : -((-d + 65535) / 65536)) : d / 65536;
        mixed.value[c] = int32_t(v + q);
    }
    mixed.RefreshMirrors();
    ToDisplay(mixed);
    return mixed;
}

TEST_F(LayerPixelsTest, ActiveStrokeReadMixesThePaintColourByTheMask) {
    const ColorRecord base = DisplayColor(230, 180, 60, 140);
    const ColorRecord paint = DisplayColor(0, 40, 250, 255);
    // A mask value where truncating and flooring the negative steps differ
    // on screen, so the test tells them apart.
    int64_t telling = 0;
    for (int64_t m = 1; m < 65536 && !telling; ++m)
        if (StrokeReference(base, paint, m, false) != StrokeReference(base, paint, m, true)) telling = m;
    ASSERT_NE(telling, 0);

    const int x = 126, y = 40;  // held by tiles 0 and 1; tile 0 is read
    WriteLayerPixel(doc, 1, x, y, base, true);
    LayerTile& tile = Tile(0, 1);
    tile.strokeActive = true;
    for (const int64_t m : {int64_t(0), int64_t(1), telling, int64_t(32768), int64_t(65535)}) {
        tile.strokeMask->Channel(0).Set(x - tile.x0, y - tile.y0, uint32_t(m));
        ColorRecord got;
        ASSERT_TRUE(ReadLayerPixel(doc, 1, x, y, paint, got));
        EXPECT_EQ(Rgba(got), Rgba(StrokeReference(base, paint, m, false))) << "mask " << m;
        EXPECT_EQ(got.value[3], 140);
    }
    // The mask is shared by the stack, but only the layer whose stroke is
    // active shows it; an empty tile mixes over transparent white.
    EXPECT_EQ(Rgba(Read(2, x, y)), Rgba(255, 255, 255, 0));
    LayerTileAt(doc.stacks[0], 2)->strokeActive = true;
    ColorRecord got;
    ASSERT_TRUE(ReadLayerPixel(doc, 2, x, y, paint, got));
    EXPECT_EQ(Rgba(got), Rgba(StrokeReference(DisplayColor(255, 255, 255, 0), paint, 65535, false)));
    tile.strokeActive = false;
    EXPECT_EQ(Rgba(Read(1, x, y)), Rgba(base));
}

TEST_F(LayerPixelsTest, UpperLayersAlphaIsTheHighestOverVisibleLayersAbove) {
    ASSERT_TRUE(AddLayer(doc, 2));
    const int x = 251, y = 125;  // four tiles
    WriteLayerPixel(doc, 0, x, y, DisplayColor(0, 0, 0, 255), true);
    WriteLayerPixel(doc, 1, x, y, DisplayColor(0, 0, 0, 250), true);
    WriteLayerPixel(doc, 2, x, y, DisplayColor(0, 0, 0, 100), true);
    WriteLayerPixel(doc, 3, x, y, DisplayColor(0, 0, 0, 180), true);
    EXPECT_EQ(UpperLayersAlpha(doc, 0, x, y), 250);
    EXPECT_EQ(UpperLayersAlpha(doc, 1, x, y), 180);
    EXPECT_EQ(UpperLayersAlpha(doc, 3, x, y), 0);
    doc.layers[3].hidden = true;
    ApplyLayerInfo(doc, 3);
    EXPECT_EQ(UpperLayersAlpha(doc, 1, x, y), 100);
    doc.layers[2].hidden = true;
    ApplyLayerInfo(doc, 2);
    EXPECT_EQ(UpperLayersAlpha(doc, 1, x, y), 0);
    EXPECT_EQ(UpperLayersAlpha(doc, 1, x + 1, y), 0);  // empty neighbours count 0
    EXPECT_EQ(UpperLayersAlpha(doc, 0, 5, 5), 0);
}

}  // namespace
