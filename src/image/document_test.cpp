#include "image/document.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "image/animation.h"
#include "image/color_record.h"
#include "image/compositor.h"
#include "image/display_tile.h"
#include "image/document_test_support.h"
#include "image/layer_clipboard.h"
#include "image/undo.h"
#include "image/workers.h"

using namespace doctest;

namespace {

struct GridCase {
    int w, h, columns, rows;
};

class TileGridTest : public DocumentTest, public ::testing::WithParamInterface<GridCase> {};

TEST_P(TileGridTest, TilesOnA126PixelStepCoverTheWholeImage) {
    const GridCase g = GetParam();
    ASSERT_TRUE(NewDocument(doc, g.w, g.h));
    EXPECT_EQ(doc.columns, g.columns);
    EXPECT_EQ(doc.rows, g.rows);
    EXPECT_EQ(doc.tileCount, g.columns * g.rows);
    ASSERT_EQ(doc.stacks.size(), size_t(g.columns * g.rows));
    for (int r = 0; r < g.rows; ++r) {
        for (int c = 0; c < g.columns; ++c) {
            const LayerTile* t = doc.stacks[size_t(r * g.columns + c)];
            EXPECT_EQ(t->x0, 126 * c - 1);
            EXPECT_EQ(t->y0, 126 * r - 1);
            EXPECT_EQ(t->x1, t->x0 + 128);
            EXPECT_EQ(t->y1, t->y0 + 128);
        }
    }
    // The last tile reaches the image's last pixel (with its border).
    const LayerTile* last = doc.stacks.back();
    EXPECT_GE(last->x1, g.w + 1);
    EXPECT_GE(last->y1, g.h + 1);
}

INSTANTIATE_TEST_SUITE_P(Sizes, TileGridTest,
                         ::testing::Values(GridCase{1024, 724, 9, 6}, GridCase{1, 1, 1, 1}, GridCase{100, 100, 1, 1},
                                           GridCase{126, 125, 2, 2}, GridCase{2000, 300, 16, 3}));

TEST_F(DocumentTest, The1024By724GridEndsWithAColumnPastTheImage) {
    ASSERT_TRUE(NewDocument(doc, 1024, 724));
    EXPECT_EQ(doc.stacks[8]->x0, 1007);
    EXPECT_EQ(doc.stacks[8]->x1, 1135);
}

TEST_F(DocumentTest, NewDocumentStartsWithOneOpaqueWhiteCanvas) {
    ASSERT_TRUE(NewDocument(doc, 300, 200));
    EXPECT_EQ(doc.layerCount, 1);
    EXPECT_STREQ(doc.layers[0].name, "Canvas");
    EXPECT_FALSE(doc.modified);
    EXPECT_EQ(UndoDepth(doc), 0);
    const ColorRecord white = OpaqueWhiteWorking();
    for (const LayerTile* stack : doc.stacks) {
        EXPECT_TRUE(stack->bottom);
        EXPECT_EQ(stack->next, nullptr);
        EXPECT_TRUE(stack->dirty);
        ASSERT_FALSE(stack->pixels->IsEmpty());
        for (int c = 0; c < 4; ++c) EXPECT_EQ(At(*stack->pixels, c, 64, 64), uint16_t(white.value[c]));
        EXPECT_EQ(At(*stack->pixels, 3, 0, 0), 65280);
        EXPECT_EQ(stack->strokeMask->Channel(0).Get(5, 5), 0u);
    }
}

struct BadSize {
    int w, h;
};

class RefusedSizeTest : public DocumentTest, public ::testing::WithParamInterface<BadSize> {};

TEST_P(RefusedSizeTest, LeavesTheOldDocumentUntouched) {
    ASSERT_TRUE(NewDocument(doc, 300, 200));
    ASSERT_TRUE(AddLayer(doc, 0));
    PaintLayer(doc, 1, 5);
    const std::vector<LayerTile*> stacks = doc.stacks;
    const uint16_t sample = At(*LayerTileAt(doc.stacks[0], 1)->pixels, 0, 10, 10);

    EXPECT_FALSE(NewDocument(doc, GetParam().w, GetParam().h));
    EXPECT_EQ(doc.width, 300);
    EXPECT_EQ(doc.height, 200);
    EXPECT_EQ(doc.layerCount, 2);
    EXPECT_EQ(doc.stacks, stacks);
    EXPECT_EQ(At(*LayerTileAt(doc.stacks[0], 1)->pixels, 0, 10, 10), sample);
}

INSTANTIATE_TEST_SUITE_P(Sizes, RefusedSizeTest,
                         ::testing::Values(BadSize{0, 10}, BadSize{10, 0}, BadSize{-5, 10}, BadSize{10, -1},
                                           BadSize{kMaxDocumentSide + 1, 10}, BadSize{10, kMaxDocumentSide + 1},
                                           BadSize{INT_MAX, INT_MAX}, BadSize{INT_MIN, 5}));

TEST(TileCount, IsComputedWithoutOverflowForAnySide) {
    EXPECT_EQ(TilesAlong(INT_MAX), (int64_t(INT_MAX) + 128) / 126);
    EXPECT_EQ(TilesAlong(kMaxDocumentSide), 131);
}

TEST_F(DocumentTest, AddedLayerIsAnEmptyNormalLayerSharingTheStrokeMask) {
    ASSERT_TRUE(NewDocument(doc, 300, 200));
    ASSERT_TRUE(AddLayer(doc, 0));
    doc.modified = false;
    ASSERT_TRUE(AddLayer(doc, 1));  // above the top layer: appended
    EXPECT_EQ(doc.layerCount, 3);
    EXPECT_TRUE(doc.modified);
    const LayerInfo& info = doc.layers[2];
    EXPECT_STREQ(info.name, "Layer");
    EXPECT_EQ(info.opacity, 255);
    EXPECT_EQ(info.blendMode, kBlendNormal);
    EXPECT_FALSE(info.lockTransparency);
    EXPECT_FALSE(info.hidden);
    EXPECT_FALSE(info.animated);
    EXPECT_TRUE(info.thumbnailDirty);
    for (LayerTile* stack : doc.stacks) {
        LayerTile* top = LayerTileAt(stack, 2);
        ASSERT_NE(top, nullptr);
        EXPECT_EQ(top->next, nullptr);
        EXPECT_TRUE(top->empty);
        EXPECT_TRUE(top->pixels->IsEmpty());
        EXPECT_FALSE(top->bottom);
        EXPECT_EQ(top->strokeMask, stack->strokeMask);
        EXPECT_EQ(top->texturePixels, nullptr);
        EXPECT_EQ(top->x0, stack->x0);
        EXPECT_EQ(top->y1, stack->y1);
    }
}

TEST_F(DocumentTest, AddLayerRefusesTheLayerPast128AndBadPositions) {
    ASSERT_TRUE(NewDocument(doc, 200, 200));
    while (doc.layerCount < kMaxLayers) ASSERT_TRUE(AddLayer(doc, doc.layerCount - 1));
    EXPECT_FALSE(AddLayer(doc, doc.layerCount - 1));
    EXPECT_FALSE(AddLayer(doc, 0));
    EXPECT_EQ(doc.layerCount, kMaxLayers);
    for (LayerTile* stack : doc.stacks) {
        EXPECT_NE(LayerTileAt(stack, kMaxLayers - 1), nullptr);
        EXPECT_EQ(LayerTileAt(stack, kMaxLayers), nullptr);
    }

    Document small;
    ASSERT_TRUE(NewDocument(small, 10, 10));
    EXPECT_FALSE(AddLayer(small, 1));
    EXPECT_FALSE(AddLayer(small, -2));
    EXPECT_EQ(small.layerCount, 1);
}

// Layers told apart by their opacity, which the tiles carry too.
class LayerOrderTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        ASSERT_TRUE(NewDocument(doc, 300, 200));
        for (int i = 1; i < 5; ++i) ASSERT_TRUE(AddLayer(doc, i - 1));
        for (int i = 0; i < 5; ++i) {
            doc.layers[i].opacity = 10 * (i + 1);
            ApplyLayerInfo(doc, i);
        }
    }
    // The layer order as original indices, checked to agree in every stack.
    std::vector<int> Order() {
        std::vector<int> order;
        for (int i = 0; i < doc.layerCount; ++i) order.push_back(doc.layers[i].opacity / 10 - 1);
        for (LayerTile* stack : doc.stacks) {
            std::vector<int> tiles;
            for (LayerTile* t = stack; t; t = t->next) tiles.push_back(t->opacity / 10 - 1);
            EXPECT_EQ(tiles, order);
            EXPECT_TRUE(stack->bottom);
        }
        return order;
    }
};

struct MoveCase {
    int from, below;
    std::vector<int> order;
};

class MoveLayerTest : public LayerOrderTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(MoveLayerTest, PutsTheLayerDirectlyAboveTheOther) {
    const MoveCase m = GetParam();
    const bool moves = m.order != std::vector<int>{0, 1, 2, 3, 4};
    for (LayerTile* stack : doc.stacks)
        for (LayerTile* t = stack; t; t = t->next) t->dirty = false;
    doc.modified = false;
    EXPECT_EQ(MoveLayer(doc, m.from, m.below), moves);
    EXPECT_EQ(Order(), m.order);
    EXPECT_EQ(doc.modified, moves);
    if (moves) {
        EXPECT_TRUE(StackDirty(doc.stacks[0]));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Orders, MoveLayerTest,
    ::testing::Values(MoveCase{3, 0, {0, 3, 1, 2, 4}}, MoveCase{1, 2, {0, 2, 1, 3, 4}}, MoveCase{4, 0, {0, 4, 1, 2, 3}},
                      MoveCase{1, 4, {0, 2, 3, 4, 1}}, MoveCase{2, 4, {0, 1, 3, 4, 2}},
                      // Refused: the bottom layer, no-op moves, out of range.
                      MoveCase{0, 2, {0, 1, 2, 3, 4}}, MoveCase{2, 2, {0, 1, 2, 3, 4}},
                      MoveCase{2, 1, {0, 1, 2, 3, 4}}, MoveCase{5, 0, {0, 1, 2, 3, 4}},
                      MoveCase{1, 5, {0, 1, 2, 3, 4}}, MoveCase{1, -1, {0, 1, 2, 3, 4}}));

TEST_F(LayerOrderTest, RemoveLayerUnlinksItsTilesAndRecord) {
    ASSERT_TRUE(RemoveLayer(doc, 2));
    EXPECT_EQ(Order(), (std::vector<int>{0, 1, 3, 4}));
    EXPECT_FALSE(RemoveLayer(doc, 0));
    EXPECT_FALSE(RemoveLayer(doc, 4));
    EXPECT_EQ(Order(), (std::vector<int>{0, 1, 3, 4}));
}

TEST_F(DocumentTest, RemoveLayerIsRefusedWithOneLayer) {
    ASSERT_TRUE(NewDocument(doc, 10, 10));
    EXPECT_FALSE(RemoveLayer(doc, 0));
    EXPECT_FALSE(RemoveLayer(doc, 1));
    EXPECT_FALSE(MergeLayerDown(doc, 1));
    EXPECT_EQ(doc.layerCount, 1);
}

// A two- or three-layer document of one tile with known samples.
class MergeTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        ASSERT_TRUE(NewDocument(doc, 100, 100));
        ASSERT_TRUE(AddLayer(doc, 0));
        ASSERT_TRUE(AddLayer(doc, 1));
        stack = doc.stacks[0];
        PaintLayer(doc, 1, 11);
        PaintLayer(doc, 2, 12);
        lowerBefore = CloneImage(*LayerTileAt(stack, 1)->pixels);
        upperBefore = CloneImage(*LayerTileAt(stack, 2)->pixels);
        bottomBefore = CloneImage(*stack->pixels);
    }
    void TearDown() override {
        delete lowerBefore;
        delete upperBefore;
        delete bottomBefore;
        DocumentTest::TearDown();
    }
    void SetLayer(int i, int opacity, int mode, bool hidden) {
        doc.layers[i].opacity = opacity;
        doc.layers[i].blendMode = mode;
        doc.layers[i].hidden = hidden;
        ApplyLayerInfo(doc, i);
    }
    LayerTile* stack = nullptr;
    PixelImage* lowerBefore = nullptr;
    PixelImage* upperBefore = nullptr;
    PixelImage* bottomBefore = nullptr;
};

uint32_t Scale(uint32_t v, int opacity) { return (v * uint32_t(opacity * 257)) >> 16; }

TEST_F(MergeTest, NormalIntoAnUpperLayerComposesTheAlphas) {
    SetLayer(1, 200, kBlendNormal, false);
    SetLayer(2, 128, kBlendNormal, false);
    ASSERT_TRUE(MergeLayerDown(doc, 2));
    EXPECT_EQ(doc.layerCount, 2);
    EXPECT_EQ(doc.layers[1].opacity, 255);
    const LayerTile* merged = LayerTileAt(stack, 1);
    EXPECT_EQ(merged->opacity, 255);
    EXPECT_EQ(merged->next, nullptr);
    for (int y = 0; y < 128; y += 3) {
        for (int x = 0; x < 128; x += 5) {
            const uint32_t p = Scale(At(*lowerBefore, 3, x, y), 200);
            const uint32_t q = Scale(At(*upperBefore, 3, x, y), 128);
            const uint32_t r = 65535 - (((65535 - p) * (65535 - q)) >> 16);
            ASSERT_EQ(At(*merged->pixels, 3, x, y), r) << x << "," << y;
            for (int c = 0; c < 3; ++c) {
                const uint32_t b = At(*lowerBefore, c, x, y);
                const uint32_t t = At(*upperBefore, c, x, y);
                uint64_t expected;
                if (q >= 65280) {
                    expected = t;
                } else if (q == 0 || r == 0) {
                    expected = b;
                } else {
                    const uint64_t xb = ((uint64_t(p) + 1) * b) >> 16;
                    expected = (((uint64_t(q) * t) & ~0xFFFFull) + (((65535 - q) * xb) & ~0xFFFFull)) / (r + 1);
                    expected = std::min<uint64_t>(expected, 65535);
                }
                ASSERT_EQ(At(*merged->pixels, c, x, y), expected) << x << "," << y << " channel " << c;
            }
        }
    }
}

TEST_F(MergeTest, AHiddenLayerOnlyBakesTheLowerOpacity) {
    SetLayer(1, 100, kBlendNormal, false);
    SetLayer(2, 255, kBlendNormal, true);
    ASSERT_TRUE(MergeLayerDown(doc, 2));
    const PixelImage& merged = *LayerTileAt(stack, 1)->pixels;
    for (int i = 0; i < 128 * 128; i += 37) {
        ASSERT_EQ(Samples(merged, 3)[i], Scale(Samples(*lowerBefore, 3)[i], 100));
        for (int c = 0; c < 3; ++c) ASSERT_EQ(Samples(merged, c)[i], Samples(*lowerBefore, c)[i]);
    }
    EXPECT_EQ(LayerTileAt(stack, 1)->opacity, 255);
}

TEST_F(MergeTest, IntoTheBottomLayerKeepsItsAlpha) {
    ASSERT_TRUE(RemoveLayer(doc, 1));  // the painted layer 2 is now layer 1
    SetLayer(1, 77, kBlendMultiply, false);
    ASSERT_TRUE(MergeLayerDown(doc, 1));
    const PixelImage& merged = *stack->pixels;
    for (int i = 0; i < 128 * 128; i += 41) {
        EXPECT_EQ(Samples(merged, 3)[i], Samples(*bottomBefore, 3)[i]);
        const uint32_t m = Scale(Samples(*upperBefore, 3)[i], 77);
        for (int c = 0; c < 3; ++c) {
            const uint32_t u = 65535 - (((65535 - Samples(*upperBefore, c)[i]) * m) >> 16);
            ASSERT_EQ(Samples(merged, c)[i], (Samples(*bottomBefore, c)[i] * u) >> 16);
        }
    }
}

TEST_F(MergeTest, IsRefusedWhenEitherLayerIsAnimated) {
    EnterAnimation(doc);
    ASSERT_TRUE(ToggleLayerAnimated(doc, 1));
    EXPECT_FALSE(MergeLayerDown(doc, 2));
    EXPECT_EQ(doc.layerCount, 3);
    ASSERT_TRUE(ToggleLayerAnimated(doc, 1));
    ASSERT_TRUE(ToggleLayerAnimated(doc, 2));
    EXPECT_FALSE(MergeLayerDown(doc, 2));
    EXPECT_EQ(doc.layerCount, 3);
}

TEST_F(DocumentTest, TheBottomLayerIsAlwaysLockedAndNeverHidden) {
    ASSERT_TRUE(NewDocument(doc, 200, 200));
    // From the start: every way to a new document goes through NewDocument.
    for (LayerTile* stack : doc.stacks) EXPECT_TRUE(stack->lock);
    EXPECT_FALSE(doc.layers[0].lockTransparency);
    ASSERT_TRUE(AddLayer(doc, 0));
    for (int i = 0; i < 2; ++i) {
        doc.layers[i].lockTransparency = false;
        doc.layers[i].hidden = true;
        doc.layers[i].opacity = 99;
        doc.layers[i].blendMode = kBlendScreen;
        ApplyLayerInfo(doc, i);
    }
    for (LayerTile* stack : doc.stacks) {
        EXPECT_TRUE(stack->lock);
        EXPECT_FALSE(stack->hidden);
        EXPECT_FALSE(stack->next->lock);
        EXPECT_TRUE(stack->next->hidden);
        EXPECT_EQ(stack->next->opacity, 99);
        EXPECT_EQ(stack->next->blendMode, kBlendScreen);
    }
}

// Every change to the layer stack must reach the screen on the next render:
// the display buffers are rebuilt only for stacks with a dirty tile.
struct StackChange {
    const char* name;
    bool (*change)(Document& doc);
};

class StackChangeTest : public DocumentTest, public ::testing::WithParamInterface<StackChange> {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        ASSERT_TRUE(NewDocument(doc, 300, 200));  // 3 x 2 tiles
        ASSERT_TRUE(AddLayer(doc, 0));
        ASSERT_TRUE(AddLayer(doc, 1));
        PaintLayer(doc, 1, 21);
        PaintLayer(doc, 2, 22);
        doc.layers[2].opacity = 180;
        ApplyLayerInfo(doc, 2);
    }
    // What each stack holds, composited afresh, against what it shows.
    void ExpectDisplayShowsTheDocument() {
        std::vector<uint8_t> expected(size_t(kTileSide) * kTileSide * 4);
        for (size_t t = 0; t < doc.stacks.size(); ++t) {
            LayerTile* stack = doc.stacks[t];
            ConvertTileToDisplay(*CompositeTile(*stack), expected.data());
            EXPECT_EQ(std::memcmp(stack->texturePixels, expected.data(), expected.size()), 0) << "tile " << t;
        }
    }
};

TEST_P(StackChangeTest, ShowsOnTheNextRender) {
    RenderDirtyTiles(doc);
    for (const LayerTile* stack : doc.stacks) ASSERT_FALSE(StackDirty(stack));
    ASSERT_TRUE(GetParam().change(doc));
    RenderDirtyTiles(doc);
    ExpectDisplayShowsTheDocument();
}

INSTANTIATE_TEST_SUITE_P(
    Changes, StackChangeTest,
    ::testing::Values(StackChange{"RemoveTheTopLayer", [](Document& d) { return RemoveLayer(d, 2); }},
                      StackChange{"RemoveAMiddleLayer", [](Document& d) { return RemoveLayer(d, 1); }},
                      StackChange{"MergeDown", [](Document& d) { return MergeLayerDown(d, 2); }},
                      StackChange{"MoveDown", [](Document& d) { return MoveLayer(d, 2, 0); }},
                      StackChange{"MoveUp", [](Document& d) { return MoveLayer(d, 1, 2); }},
                      StackChange{"Hide",
                                  [](Document& d) {
                                      d.layers[2].hidden = true;
                                      ApplyLayerInfo(d, 2);
                                      return true;
                                  }},
                      StackChange{"ChangeBlendMode",
                                  [](Document& d) {
                                      d.layers[1].blendMode = kBlendDarken;
                                      ApplyLayerInfo(d, 1);
                                      return true;
                                  }},
                      StackChange{"PasteACopy",
                                  [](Document& d) {
                                      d.currentLayer = 1;
                                      CopyLayerToClipboard(d);
                                      return PasteLayerFromClipboard(d);
                                  }}),
    [](const ::testing::TestParamInfo<StackChange>& info) { return std::string(info.param.name); });


// Which stacks the pass collects, against StackDirty on each: 27 stacks (three
// whole groups of the side-by-side walk and a partial one), dirty tiles at
// the bottom, in the middle, at the top and in the last stack.
TEST_F(DocumentTest, CollectDirtyStacksFindsWhatStackDirtyFinds) {
    ASSERT_TRUE(NewDocument(doc, 1100, 300));
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(AddLayer(doc, i));
    ASSERT_EQ(doc.stacks.size(), 27u);
    const struct {
        const char* what;
        bool (*dirty)(size_t stack, int layer);
    } cases[] = {
        {"none", [](size_t, int) { return false; }},
        {"every tile", [](size_t, int) { return true; }},
        {"bottom of every third", [](size_t s, int l) { return s % 3 == 0 && l == 0; }},
        {"top of every other", [](size_t s, int l) { return s % 2 == 1 && l == 4; }},
        {"one layer per stack", [](size_t s, int l) { return size_t(l) == (s * 7) % 6; }},
        {"top of the last", [](size_t s, int l) { return s == 26 && l == 4; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<LayerTile*> expected;
        for (size_t s = 0; s < doc.stacks.size(); ++s) {
            int layer = 0;
            for (LayerTile* t = doc.stacks[s]; t; t = t->next) t->dirty = c.dirty(s, layer++);
            if (StackDirty(doc.stacks[s])) expected.push_back(doc.stacks[s]);
        }
        std::vector<LayerTile*> found{doc.stacks[3]};  // replaced, not appended to
        CollectDirtyStacks(doc.stacks, found);
        EXPECT_EQ(found, expected);
    }
}

TEST_F(DocumentTest, EnsurePixelsGivesTransparentWhiteAndReplaceCanEmptyAgain) {
    ASSERT_TRUE(NewDocument(doc, 10, 10));
    ASSERT_TRUE(AddLayer(doc, 0));
    LayerTile& tile = *doc.stacks[0]->next;
    EnsurePixels(tile);
    ASSERT_FALSE(tile.empty);
    const ColorRecord white = OpaqueWhiteWorking();
    for (int c = 0; c < 3; ++c) EXPECT_EQ(At(*tile.pixels, c, 3, 3), uint16_t(white.value[c]));
    EXPECT_EQ(At(*tile.pixels, 3, 3, 3), 0);

    tile.dirty = false;
    PixelImage none;
    ReplaceTilePixels(tile, none);
    EXPECT_TRUE(tile.empty);
    EXPECT_TRUE(tile.pixels->IsEmpty());
    EXPECT_TRUE(tile.dirty);
}

}  // namespace
