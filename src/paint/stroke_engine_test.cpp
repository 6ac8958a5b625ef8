#include "paint/stroke_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "image/compositor.h"
#include "image/document_test_support.h"
#include "image/undo.h"
#include "image/workers.h"
#include "paint/brush_dab.h"
#include "paint/stroke_mask.h"

using namespace doctest;

namespace {

// A document of 500 x 300 (4 x 3 tiles) seen at 100 % with the view offset at
// 0 and a window of size 0, so a sample at (x, y) is the document point
// (x + 0.5, y + 0.5).
class StrokeEngineTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        ASSERT_TRUE(NewDocument(doc, 500, 300));
        ASSERT_TRUE(AddLayer(doc, 0));
        doc.currentLayer = 1;
        shape.reset(NewBrushImage());
        dab.reset(NewBrushImage());
        brush.radius = 5;
        brush.hardness = 0.7f;
        brush.pressureSensitivity = false;
        Rebuild();
    }
    void Rebuild() { BuildBrushShape(*shape, brush.radius, brush.hardness); }
    // A hard brush covers its disc fully, so one dab paints it completely.
    void UseHardBrush() {
        brush.hardness = 1.0f;
        Rebuild();
    }
    StrokeTarget Target() { return StrokeTarget{doc, *shape, *dab, brush, tool}; }

    void Sample(float x, float y, bool left, float pressure = 1.0f) {
        in.x = x;
        in.y = y;
        in.leftButton = left;
        in.pressure = pressure;
        StrokeSample(state, Target(), in);
    }
    void Click(float x, float y) {
        Sample(x, y, true);
        Sample(x, y, false);
    }

    LayerTile& Tile(int layer, int column, int row) {
        return *LayerTileAt(doc.stacks[size_t(row * doc.columns + column)], layer);
    }
    // The stroke mask sample under document pixel (x, y), read from the
    // first tile holding it.
    uint16_t MaskAt(int x, int y) {
        const int c = std::max(0, (x - 1) / kTileStep), r = std::max(0, (y - 1) / kTileStep);
        LayerTile& t = Tile(1, c, r);
        if (!t.strokeActive) return 0;
        return At(*t.strokeMask, 0, x - t.x0, y - t.y0);
    }
    uint16_t AlphaAt(int layer, int x, int y) {
        const int c = std::max(0, (x - 1) / kTileStep), r = std::max(0, (y - 1) / kTileStep);
        LayerTile& t = Tile(layer, c, r);
        if (t.empty) return 0;
        return At(*t.pixels, 3, x - t.x0, y - t.y0);
    }
    int ActiveTiles(int layer) {
        int n = 0;
        for (LayerTile* stack : doc.stacks) n += LayerTileAt(stack, layer)->strokeActive ? 1 : 0;
        return n;
    }

    std::unique_ptr<PixelImage> shape, dab;
    BrushSettings brush;
    PaintTool tool;
    StrokeState state;
    StrokeInput in;
};

TEST_F(StrokeEngineTest, AClickLaysExactlyOneDabAtThePointer) {
    Sample(60.25f, 40.75f, true);
    ASSERT_EQ(state.count, 1);

    // The same dab stamped by hand into a fresh tile of the same position.
    LayerTile& tile = Tile(1, 0, 0);
    PixelImage expected(kTileSide, kTileSide, 1, 16);
    expected.Channel(0).Fill(0);
    ShiftDab(*dab, *shape, 60.75f, 41.25f);
    expected.Channel(0).MixFrom(dab->Channel(0), 60 - 5 - tile.x0, 41 - 5 - tile.y0, 65535);
    EXPECT_TRUE(SameSamples(*tile.strokeMask, expected));
    EXPECT_EQ(ActiveTiles(1), 1);
}

TEST_F(StrokeEngineTest, PenUpCommitsOneUndoStepAndMarksTheDocument) {
    UseHardBrush();
    Click(60, 40);
    EXPECT_EQ(state.count, 0);
    EXPECT_EQ(ActiveTiles(1), 0);
    EXPECT_GT(AlphaAt(1, 60, 40), 65000);
    EXPECT_EQ(AlphaAt(1, 90, 40), 0);
    EXPECT_TRUE(doc.modified);
    EXPECT_TRUE(doc.layers[1].thumbnailDirty);
    EXPECT_EQ(doc.undoPosition, 1);
    EXPECT_EQ(doc.undo[0].count, 1);
}

TEST_F(StrokeEngineTest, WithPressureSensitivityTheFirstDabLaysNothing) {
    brush.pressureSensitivity = true;
    Sample(60, 40, true);
    ASSERT_EQ(state.count, 1);
    EXPECT_EQ(MaskAt(60, 40), 0);
}

TEST_F(StrokeEngineTest, WithoutSensitivityOpacityIsAllOrNothingAtThreshold) {
    UseHardBrush();
    struct Case {
        float pressure, scale;
        uint16_t mask;
    };
    // (1.2 * s * pressure)^2.5 against the 0.3 threshold.
    const Case cases[] = {{0.5f, 1, 0}, {0.6f, 1, 65535}, {1.0f, 0.8f, 52428}, {1.0f, 0, 0}};
    for (const Case& c : cases) {
        brush.pressureScale = c.scale;
        Sample(60, 40, true, c.pressure);
        EXPECT_EQ(MaskAt(60, 40), c.mask) << "pressure " << c.pressure << " scale " << c.scale;
        Sample(60, 40, false);
    }
}

TEST_F(StrokeEngineTest, ShiftClickDrawsAStraightLineFromTheLastStroke) {
    UseHardBrush();
    Click(20, 20);
    in.shift = true;
    Sample(220, 120, true);
    // On the line, far from both ends, and across the tile border.
    for (int x : {70, 120, 170}) EXPECT_EQ(MaskAt(x, 20 + (x - 20) / 2), 65535) << x;
    EXPECT_EQ(MaskAt(120, 20), 0);
    EXPECT_EQ(MaskAt(20, 120), 0);
}

TEST_F(StrokeEngineTest, ShiftDuringAStrokeLocksTheFirstAxisMovedAlong) {
    UseHardBrush();
    Sample(100, 100, true);
    in.shift = true;
    Sample(100.3f, 100.2f, true);  // within half a pixel: no lock yet
    EXPECT_EQ(state.axisLock, kAxisNone);
    Sample(110, 103, true);
    EXPECT_EQ(state.axisLock, kAxisHorizontal);
    Sample(200, 160, true);
    EXPECT_EQ(MaskAt(190, 100), 65535);
    EXPECT_EQ(MaskAt(190, 150), 0);
    EXPECT_FLOAT_EQ(state.p1.y, 100.5f);
}

TEST_F(StrokeEngineTest, AStrokeOverThreeTilesUndoesExactlyThoseTiles) {
    tool.paint = DisplayColor(200, 10, 10, 255);
    PaintLayer(doc, 1, 7);
    std::vector<std::unique_ptr<PixelImage>> before;
    for (LayerTile* stack : doc.stacks) before.emplace_back(CloneImage(*LayerTileAt(stack, 1)->pixels));

    for (float x = 60; x <= 330; x += 3) Sample(x, 60, true);
    Sample(330, 60, false);
    ASSERT_EQ(doc.undo[0].count, 3);
    int changed = 0;
    for (size_t t = 0; t < doc.stacks.size(); ++t)
        changed += SameSamples(*LayerTileAt(doc.stacks[t], 1)->pixels, *before[t]) ? 0 : 1;
    EXPECT_EQ(changed, 3);

    Undo(doc);
    for (size_t t = 0; t < doc.stacks.size(); ++t)
        EXPECT_TRUE(SameSamples(*LayerTileAt(doc.stacks[t], 1)->pixels, *before[t])) << "tile " << t;
}

TEST_F(StrokeEngineTest, TheStrokeStaysOnItsLayerWhenTheCurrentLayerChanges) {
    UseHardBrush();
    Sample(60, 40, true);
    // A layer pasted above mid-stroke becomes current.
    ASSERT_TRUE(AddLayer(doc, 1));
    doc.currentLayer = 2;
    Sample(90, 40, true);
    Sample(90, 40, false);

    EXPECT_GT(AlphaAt(1, 90, 40), 65000);
    EXPECT_EQ(AlphaAt(2, 90, 40), 0);
    ASSERT_EQ(doc.undo[0].count, 1);
    EXPECT_EQ(doc.undo[0].tiles[0], &Tile(1, 0, 0));
}

TEST_F(StrokeEngineTest, TinyMovementsLateInAStrokeStillEnd) {
    // Without sensitivity every segment is at least a tenth of a pixel long.
    brush.pressureSensitivity = true;
    for (int i = 0; i < 6; ++i) Sample(60.0f + float(i), 40, true);
    ASSERT_EQ(state.count, 6);
    // Moves of well under a tenth of a pixel give a segment of length 0.
    Sample(65.01f, 40, true);
    Sample(65.02f, 40, true);
    EXPECT_EQ(state.count, 8);
    Sample(65.02f, 40, false);
    EXPECT_EQ(state.count, 0);
}

TEST_F(StrokeEngineTest, TheRightButtonErasesUntilReleased) {
    UseHardBrush();
    ColorRecord red = DisplayColor(255, 0, 0, 255);
    FromDisplay(red);
    for (LayerTile* stack : doc.stacks) {
        EnsurePixels(*LayerTileAt(stack, 1));
        LayerTileAt(stack, 1)->pixels->Fill(red);
    }
    in.rightButton = true;
    Sample(60, 40, false);
    EXPECT_EQ(tool.PaintMode, 2);
    EXPECT_EQ(tool.paint.value[3], 0);
    Sample(61, 40, false);
    in.rightButton = false;
    Sample(61, 40, false);

    EXPECT_EQ(AlphaAt(1, 60, 40), 0);
    EXPECT_EQ(AlphaAt(1, 90, 40), 65280);
    EXPECT_EQ(tool.PaintMode, 0);
    EXPECT_EQ(tool.paint, tool.primary);
}

TEST_F(StrokeEngineTest, TheEraserOnTheBottomLayerPaintsTheSecondaryColour) {
    doc.currentLayer = 0;
    tool.secondary = DisplayColor(10, 20, 30, 255);
    in.rightButton = true;
    Sample(60, 40, false);
    EXPECT_EQ(tool.PaintMode, 1);
    EXPECT_EQ(tool.paint, tool.secondary);
}

TEST_F(StrokeEngineTest, TransparentPaintOnTheBottomLayerIsRefused) {
    doc.currentLayer = 0;
    tool.paint = DisplayColor(255, 255, 255, 0);
    Sample(60, 40, true);
    EXPECT_EQ(state.count, 0);
    EXPECT_EQ(ActiveTiles(0), 0);
}

TEST_F(StrokeEngineTest, NoStrokeStartsWhileBlockedPickingOrControlled) {
    const std::vector<void (*)(StrokeInput&)> blockers = {
        [](StrokeInput& i) { i.blocked = true; }, [](StrokeInput& i) { i.pickMode = true; },
        [](StrokeInput& i) { i.control = true; }, [](StrokeInput& i) { i.clickTaken = true; },
        [](StrokeInput& i) { i.space = true; }};
    for (auto block : blockers) {
        in = StrokeInput();
        block(in);
        Sample(60, 40, true);
        EXPECT_EQ(state.count, 0);
        EXPECT_EQ(ActiveTiles(1), 0);
    }
}

TEST_F(StrokeEngineTest, InertiaMakesSlowMovementLag) {
    brush.inertia = 0.9f;
    Sample(100, 100, false);
    Sample(100, 100, true);
    Sample(110, 100, true);
    // Ten pixels away the pull is capped at 0.95: the path moves 5 % of the way.
    EXPECT_NEAR(state.p1.x, 100.5f + 0.5f, 1e-3f);
    EXPECT_NEAR(state.cursor.x, 110.5f, 1e-3f);
}

TEST_F(StrokeEngineTest, LineAvoidanceShrinksTheBrushNearLineArtAbove) {
    brush.radius = 30;
    brush.lineAvoidance = true;
    Rebuild();
    doc.currentLayer = 0;
    Sample(100, 100, true);
    EXPECT_FLOAT_EQ(state.effectiveRadius, 30.0f);
    Sample(100, 100, false);

    // An opaque vertical line on the layer above, 12 pixels to the right.
    ColorRecord ink = DisplayColor(0, 0, 0, 255);
    FromDisplay(ink);
    LayerTile& tile = Tile(1, 0, 0);
    EnsurePixels(tile);
    for (int y = 0; y < kTileSide; ++y) tile.pixels->SetPixel(112 - tile.x0, y, &ink, true);
    Sample(100, 100, true);
    EXPECT_GT(state.effectiveRadius, 8.0f);
    EXPECT_LT(state.effectiveRadius, 15.0f);
}

// Frames as the main loop runs them, with the compositing threads: a sample,
// the preview's paint, the render of dirty tiles.
class StrokeFrameTest : public StrokeEngineTest {
protected:
    static constexpr int kThreads = 3;
    int ScratchThreads() const override { return kThreads; }
    void SetUp() override {
        StrokeEngineTest::SetUp();
        PaintLayer(doc, 1, 5);  // random pixels, partly transparent
        InstallStrokePreview();
        ASSERT_EQ(StartWorkers(kThreads), kThreads);
        tool.primary = tool.paint = DisplayColor(30, 140, 220, 255);
        RenderDirtyTiles(doc);
    }
    void TearDown() override {
        CloseWorkerThreads();
        SetStrokePreview(nullptr);
        StrokeEngineTest::TearDown();
    }
    void Frame() {
        SetStrokePaint(tool.paint, tool.PaintMode);
        for (LayerTile* stack : doc.stacks) stack->uploadPending = false;
        RenderDirtyTiles(doc);
    }
    int Rendered() {
        int n = 0;
        for (LayerTile* stack : doc.stacks) n += stack->uploadPending ? 1 : 0;
        return n;
    }
    // Every tile's display compared with a fresh render of the whole document.
    void ExpectDisplayShowsTheDocument() {
        std::vector<std::vector<uint8_t>> shown;
        const size_t bytes = size_t(kTileSide) * kTileSide * 4;
        for (LayerTile* stack : doc.stacks) shown.emplace_back(stack->texturePixels, stack->texturePixels + bytes);
        MarkAllDirty(doc);
        RenderDirtyTiles(doc);
        for (size_t t = 0; t < doc.stacks.size(); ++t)
            EXPECT_TRUE(std::equal(shown[t].begin(), shown[t].end(), doc.stacks[t]->texturePixels)) << "tile " << t;
    }
    // A stroke across the top row of tiles, drawn frame by frame; returns
    // the copies of the layer before it.
    std::vector<std::unique_ptr<PixelImage>> DrawStroke() {
        std::vector<std::unique_ptr<PixelImage>> before;
        for (LayerTile* stack : doc.stacks) before.emplace_back(CloneImage(*LayerTileAt(stack, 1)->pixels));
        for (int i = 0; i < 10; ++i) {
            Sample(40.0f + 45.0f * float(i), 60.0f + float(i % 3), true);
            Frame();
        }
        return before;
    }
};

TEST_F(StrokeFrameTest, PenUpRendersNothingThePreviewAlreadyShowed) {
    const auto before = DrawStroke();
    const int touched = ActiveTiles(1);
    ASSERT_GE(touched, 4);
    const int undoPosition = doc.undoPosition;

    Sample(490, 62, false);
    Frame();
    EXPECT_EQ(ActiveTiles(1), 0);
    EXPECT_EQ(Rendered(), 0);  // the composite of every tile is what the preview showed
    EXPECT_TRUE(doc.layers[1].thumbnailDirty);
    EXPECT_EQ(doc.undo[undoPosition].count, touched);
    ExpectDisplayShowsTheDocument();

    // The undo copies, made on several threads, hold the layer from before.
    Undo(doc);
    for (size_t t = 0; t < doc.stacks.size(); ++t)
        EXPECT_TRUE(SameSamples(*LayerTileAt(doc.stacks[t], 1)->pixels, *before[t])) << "tile " << t;
    Frame();
    ExpectDisplayShowsTheDocument();
}

TEST_F(StrokeFrameTest, PenUpRendersTilesTheDisplayHasNotCaughtUpWith) {
    DrawStroke();
    // A dab and the pen-up in one frame (several pen packets between two
    // frames): the display never showed that dab.
    Sample(495, 64, true);
    Sample(495, 64, false);
    Frame();
    EXPECT_EQ(ActiveTiles(1), 0);
    EXPECT_GT(Rendered(), 0);
    ExpectDisplayShowsTheDocument();
}

TEST(StrokeEngine, BezierWeightsSumToOneAndHitTheEnds) {
    for (float t : {0.0f, 0.25f, 0.5f, 1.0f, -1.0f, 2.0f}) {
        const BernsteinWeights& w = BezierWeights(t);
        EXPECT_NEAR(w.w[0] + w.w[1] + w.w[2] + w.w[3], 1.0f, 1e-5f) << t;
    }
    EXPECT_EQ(BezierWeights(-1.0f).w[0], 1.0f);
    EXPECT_EQ(BezierWeights(2.0f).w[3], 1.0f);
    EXPECT_FLOAT_EQ(BezierWeights(0.5f).w[1], 3 * (512.0f / 1023) * (511.0f / 1023) * (511.0f / 1023));
}

}  // namespace
