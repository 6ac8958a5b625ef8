#include "paint/stroke_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "image/compositor.h"
#include "image/document_test_support.h"
#include "image/plane_reserve.h"
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
    EXPECT_EQ(UndoDepth(doc), 1);
    EXPECT_EQ(NewestStepTiles(doc).size(), 1u);
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
    ASSERT_EQ(NewestStepTiles(doc).size(), 3u);
    int changed = 0;
    for (size_t t = 0; t < doc.stacks.size(); ++t)
        changed += SameSamples(*LayerTileAt(doc.stacks[t], 1)->pixels, *before[t]) ? 0 : 1;
    EXPECT_EQ(changed, 3);

    Undo(doc);
    for (size_t t = 0; t < doc.stacks.size(); ++t)
        EXPECT_TRUE(SameSamples(*LayerTileAt(doc.stacks[t], 1)->pixels, *before[t])) << "tile " << t;
}

// The planes a stroke needs at once (an empty tile's pixels at its first dab,
// the history's copies at pen-up) come from the reserve the resting passes
// fill, so the stroke never waits for the system to map fresh memory.
TEST_F(StrokeEngineTest, AStrokeTakesItsNewPlanesFromTheReserveFilledAtRest) {
    tool.paint = DisplayColor(200, 10, 10, 255);
    RenderDirtyTiles(doc);
    RenderDirtyTiles(doc);  // at rest: nothing to show, the reserve fills
    WaitForPlaneReserve();
    ASSERT_EQ(ReservedPlanes(), kPlaneReserveTarget);

    for (float x = 60; x <= 330; x += 3) Sample(x, 60, true);
    // Three empty tiles got pixels: four planes each.
    EXPECT_EQ(ReservedPlanes(), kPlaneReserveTarget - 3 * 4);
    Sample(330, 60, false);
    ASSERT_EQ(NewestStepTiles(doc).size(), 3u);
    EXPECT_EQ(ReservedPlanes(), kPlaneReserveTarget - 2 * 3 * 4) << "the history's copies came from the heap";
    ASSERT_TRUE(Undo(doc));
    EXPECT_EQ(AlphaAt(1, 200, 60), 0) << "the copies the undo restored are not the layer's before the stroke";
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
    // The step holds the stroke's one tile of layer 1.
    EXPECT_EQ(NewestStepTiles(doc), std::vector<int>{0});
    ASSERT_TRUE(Undo(doc));
    EXPECT_EQ(AlphaAt(1, 90, 40), 0);
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

using Trail = std::map<std::pair<int, int>, int>;  // pixel -> mask value

// The arithmetic of dab placement, observed dab by dab: the brush shape is
// replaced by a single full sample at its centre, so with hardness 1 every
// dab marks exactly the pixel under its centre (left = floor(x) - round(R))
// with its ceiling, and the stroke mask records each dab's position and
// pressure. A radius of 40 spaces the dabs round(40 / 2) = 20 tenths of a
// pixel apart, so no two share a pixel.
class DabTrailTest : public StrokeEngineTest {
protected:
    void SetUp() override {
        StrokeEngineTest::SetUp();
        brush.radius = 40;
        brush.hardness = 1.0f;
        brush.pressureSensitivity = true;
        Rebuild();
        const int side = shape->width;
        shape->Channel(0).Fill(0);
        Samples(*shape, 0)[(side / 2) * side + side / 2] = 65535;
    }
    void PenSample(float x, float y, float pressure) { Sample(x, y, true, pressure); }

    // Every marked pixel of the stroke mask of layer 1.
    Trail Marked() {
        Trail marked;
        for (int y = 0; y < doc.height; ++y)
            for (int x = 0; x < doc.width; ++x)
                if (const int m = MaskAt(x, y)) marked[{x, y}] = m;
        return marked;
    }
};

struct TrailDab {
    int x, y, ceiling;
};

Trail TrailOf(const std::vector<TrailDab>& dabs) {
    Trail trail;
    for (const TrailDab& d : dabs)
        if (d.ceiling > 0) trail[{d.x, d.y}] = std::max(trail[{d.x, d.y}], d.ceiling);
    return trail;
}

TEST_F(DabTrailTest, AStraightSegmentRampsThePressureOverEvenlySpacedDabs) {
    // A 32-pixel segment is 320 tenths: steps of 20 / 320 = 1/16 along it,
    // one dab every 2 pixels, the pressure going from 0 (the first sample's)
    // to 1 as t: ceiling round(k / 16 * 65535).
    PenSample(100, 100, 0);
    PenSample(132, 100, 1);
    const int ceilings[16] = {0,     4096,  8192,  12288, 16384, 20480, 24576, 28672,
                              32768, 36863, 40959, 45055, 49151, 53247, 57343, 61439};
    std::vector<TrailDab> expected;
    for (int k = 0; k < 16; ++k) expected.push_back({100 + 2 * k, 100, ceilings[k]});
    EXPECT_EQ(Marked(), TrailOf(expected));
}

TEST_F(DabTrailTest, ANegativeTabletPressureIsFullPressure) {
    // A pen whose pressure is not known yet paints at the pressure scale,
    // whatever the sample says: both samples have pressure 0.75, so there is
    // no ramp and every dab, the segment's first included, has 0.75.
    brush.pressureScale = 0.75f;
    in.tabletInProximity = true;
    in.tabletPressure = -1;
    PenSample(100, 100, 0.2f);
    PenSample(132, 100, 0.3f);
    std::vector<TrailDab> expected;
    for (int k = 0; k < 16; ++k) expected.push_back({100 + 2 * k, 100, 49151});  // round(0.75 * 65535)
    EXPECT_EQ(Marked(), TrailOf(expected));
}

// An independent model of the dab placement along one sample's segment,
// written from the rules: the path (a straight line, or from the third
// sample on the cubic through the corner, evaluated with 1024 Bernstein
// weight sets), spacing T = max(5, round(R / 2)) tenths, steps of T / M
// corrected by 1.1 while a dab would land closer than T / 1.15 and by 1 / 1.1
// while it would land farther than 1.15 T (until both retry counts pass 5;
// each placed dab forgives one of each), and the pressure ramp.
struct ModelPoint {
    float x, y;
};

ModelPoint Mix(ModelPoint a, ModelPoint b, float t) { return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}; }
ModelPoint Middle(ModelPoint a, ModelPoint b) { return {(a.x + b.x) / 2, (a.y + b.y) / 2}; }
float Tenths(ModelPoint a, ModelPoint b) {
    const float dx = a.x - b.x, dy = a.y - b.y;
    return std::sqrt(dx * dx + dy * dy) * 10.0f;
}

struct ModelStroke {
    float radius = 40;
    int count = 0;
    ModelPoint p0{}, p1{};
    float previousPressure = 0;
    std::vector<TrailDab> dabs;

    ModelPoint Bezier(const ModelPoint b[4], float t) const {
        const int i = int(std::lround(std::clamp(t, 0.0f, 1.0f) * 1023.0f));
        const float u = float(i) / 1023.0f, v = 1.0f - u;
        const float w[4] = {v * v * v, 3 * u * v * v, 3 * u * u * v, u * u * u};
        ModelPoint q{0, 0};
        for (int k = 0; k < 4; ++k) q = {q.x + b[k].x * w[k], q.y + b[k].y * w[k]};
        return q;
    }

    // One sample at document point p with mapped pressure pressure.
    void Sample(ModelPoint p, float pressure) {
        if (count == 0) p0 = p1 = p;
        const float spacing = float(std::max(5L, std::lround(radius * 0.5f)));
        int m = int(std::lround(Tenths(p, p1)));
        if (m == 0 && count < 5) m = 1;
        const bool curved = count >= 2;
        const ModelPoint b[4] = {Middle(p0, p1), Mix(p0, p1, 0.85f), Mix(p, p1, 0.85f), Middle(p1, p)};
        if (curved && m >= 2) {
            m = int(std::lround(Tenths(b[3], b[0])));
            if (m == 0 && count < 5) m = 1;
        }
        ModelPoint last = curved ? b[0] : p1;
        float step = m > 0 ? spacing / float(m) : 1.0f, t = 0;
        int tooClose = 0, tooFar = 0;
        while (t < 1) {
            const ModelPoint q = curved ? Bezier(b, t) : Mix(p1, p, t);
            const float d = Tenths(q, last);
            const bool retry = t > 0 && !(tooClose > 5 && tooFar > 5);
            float retried = step;
            if (retry && d < 0.86956525f * spacing) {
                ++tooClose;
                retried = step * 1.1f;
            } else if (retry && d > 1.15f * spacing) {
                ++tooFar;
                retried = step * 0.9090909f;
            }
            if (retried != step) {
                t = t - step + retried;
                step = retried;
                continue;
            }
            tooClose = std::max(0, tooClose - 1);
            tooFar = std::max(0, tooFar - 1);
            const float pt = previousPressure + (pressure - previousPressure) * t;
            dabs.push_back({int(std::floor(q.x)), int(std::floor(q.y)), int(std::lround(pt * 65535.0f))});
            t += step;
            last = q;
        }
        previousPressure = pressure;
        p0 = p1;
        p1 = p;
        ++count;
    }
};

struct RecordedStroke {
    const char* name;
    std::vector<std::array<float, 3>> samples;  // window x, y, pen pressure
};

class RecordedStrokeTest : public DabTrailTest, public ::testing::WithParamInterface<RecordedStroke> {};

TEST_P(RecordedStrokeTest, LaysTheDabsTheRulesGive) {
    ModelStroke model;
    for (const auto& s : GetParam().samples) {
        PenSample(s[0], s[1], s[2]);
        model.Sample({s[0] + 0.5f, s[1] + 0.5f}, std::min(1.0f, std::pow(1.2f * s[2], 2.5f)));
    }
    ASSERT_EQ(state.count, int(GetParam().samples.size()));
    const Trail expected = TrailOf(model.dabs);
    EXPECT_GE(expected.size(), 8u);
    EXPECT_EQ(Marked(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Strokes, RecordedStrokeTest,
    ::testing::Values(
        // A right-angle corner: the curve through it runs fast at its ends
        // and slow in the middle, so steps are retried both ways.
        RecordedStroke{"Corner", {{100, 100, 0}, {132, 100, 1}, {132, 132, 0.5f}, {100, 140, 0.8f}}},
        // Doubling back: the curve turns on itself and the spacing retries
        // run out.
        RecordedStroke{"Hairpin", {{100, 100, 0.3f}, {160, 100, 1}, {101, 103, 0.6f}, {160, 106, 1}}},
        // A long move, then a sharp turn back: many retries both ways, each
        // placed dab forgiving one of each.
        RecordedStroke{"SharpTurn", {{150, 150, 0.6f}, {152.75f, 207, 0.5f}, {124.25f, 167.25f, 0.5f}, {132, 173.75f, 0.6f}}},
        // Short uneven moves, some shorter than the spacing, the last one a
        // fifth of a pixel (a segment of 2 tenths takes the curve's length).
        RecordedStroke{"Scribble",
                       {{200, 150, 0.2f}, {201.3f, 150.4f, 0.5f}, {203, 152, 0.9f}, {207.5f, 151, 0.7f},
                        {209, 146.2f, 1}, {206, 143, 0.4f}, {212.25f, 141.75f, 0.6f}, {212.45f, 141.75f, 0.8f}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(StrokeEngineTest, TheCeilingFollowsThePressureOrTheSizeFraction) {
    // A full square shape: every sample a dab covers is 65535, so the mask
    // under a single click is the click's ceiling. Without pressure
    // sensitivity a click paints at the pressure scale, 0.6 here.
    struct Case {
        float radius, hardness;
        bool sizeControl;
        uint16_t ceiling;
    };
    const Case cases[] = {
        {1.25f, 0.5f, true, 49151},  // min(1, 0.6 * 1.25) = 0.75
        {4, 0.5f, true, 65535},      // min(1, 0.6 * 4) = 1
        {1.25f, 0.5f, false, 39321}, // 0.6
        {1.25f, 1, true, 39321},     // a hard brush keeps the pressure
    };
    brush.pressureScale = 0.6f;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "radius " << c.radius << " hardness " << c.hardness << " size "
                                        << c.sizeControl);
        brush.radius = c.radius;
        brush.hardness = c.hardness;
        brush.pressureControlledSize = c.sizeControl;
        Rebuild();
        shape->Channel(0).Fill(65535);
        Sample(60, 40, true);
        EXPECT_EQ(MaskAt(60, 40), c.ceiling);
        Sample(60, 40, false);
    }
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

    Sample(490, 62, false);
    Frame();
    EXPECT_EQ(ActiveTiles(1), 0);
    EXPECT_EQ(Rendered(), 0);  // the composite of every tile is what the preview showed
    EXPECT_TRUE(doc.layers[1].thumbnailDirty);
    EXPECT_EQ(int(NewestStepTiles(doc).size()), touched);
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

// A wide soft brush, whose square reaches tiles its disc does not, drawn
// across the tiles of a painted Normal layer and of an empty Multiply layer
// (where transparent pixels and no pixels composite differently): after every
// frame, tiles left unrendered still show what a fresh render shows.
TEST_F(StrokeFrameTest, EveryFrameOfAStrokeShowsTheDocument) {
    brush.radius = 60;
    brush.hardness = 0.3f;
    Rebuild();
    ASSERT_TRUE(AddLayer(doc, 1));
    doc.layers[2].blendMode = kBlendMultiply;
    ApplyLayerInfo(doc, 2);
    RenderDirtyTiles(doc);
    for (int layer : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "layer " << layer);
        doc.currentLayer = layer;
        for (int i = 0; i < 9; ++i) {
            Sample(30.0f + 50.0f * float(i), 40.0f + 25.0f * float(i), true);
            Frame();
            ExpectDisplayShowsTheDocument();
        }
        Sample(480, 260, false);
        Frame();
        ExpectDisplayShowsTheDocument();
    }
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
