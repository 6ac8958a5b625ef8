#include "ui/canvas_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "image/document.h"

namespace {

// The view ResetView gives a document: centred, 100 %, unturned.
CanvasTransform HomeView(int windowW, int windowH, int docW, int docH, bool mirrored = false) {
    return MakeCanvasTransform(windowW, windowH, 1, -docW / 2.0f, -docH / 2.0f, 0, mirrored, docW);
}

TEST(CanvasTransformTest, HomeViewPutsFirstPixelOnAWindowPixelCentre) {
    const CanvasTransform t = HomeView(1280, 1024, 1024, 724);
    const ViewPoint first = CanvasToWindow(t, {0, 0});
    EXPECT_FLOAT_EQ(first.x, 640 - 512 + 0.5f);
    EXPECT_FLOAT_EQ(first.y, 512 - 362 + 0.5f);
    const ViewPoint last = CanvasToWindow(t, {1023, 723});
    EXPECT_FLOAT_EQ(last.x, 640 + 511 + 0.5f);
    EXPECT_FLOAT_EQ(last.y, 512 + 361 + 0.5f);
}

// The GL matrix, the point mapping and its inverse must agree for every view,
// or the overlays and the tools drift away from the drawn tiles.
TEST(CanvasTransformTest, MatrixAndInverseAgreeWithTheMapping) {
    struct Case {
        float zoom, offsetX, offsetY, rotation;
        bool mirrored;
    };
    const Case cases[] = {{1, -512, -362, 0, false}, {2.5f, -100, 40, 33, false}, {0.3f, 12, -7, 200, true},
                          {7, -3, -3, 90, true}};
    const ViewPoint points[] = {{0, 0}, {1023, 0}, {17.25f, 600.5f}, {-40, 900}};
    for (const Case& c : cases) {
        const CanvasTransform t = MakeCanvasTransform(1000, 700, c.zoom, c.offsetX, c.offsetY, c.rotation, c.mirrored, 1024);
        float m[16];
        CanvasMatrix(t, m);
        for (const ViewPoint& d : points) {
            const ViewPoint w = CanvasToWindow(t, d);
            EXPECT_NEAR(m[0] * d.x + m[4] * d.y + m[12], w.x, 1e-2f) << c.rotation;
            EXPECT_NEAR(m[1] * d.x + m[5] * d.y + m[13], w.y, 1e-2f) << c.rotation;
            const ViewPoint back = WindowToCanvas(t, w);
            EXPECT_NEAR(back.x, d.x, 1e-2f) << c.rotation;
            EXPECT_NEAR(back.y, d.y, 1e-2f) << c.rotation;
        }
    }
}

TEST(CanvasTransformTest, MirrorSwapsTheDocumentEdges) {
    const CanvasTransform plain = HomeView(1280, 1024, 1024, 724);
    const CanvasTransform mirrored = HomeView(1280, 1024, 1024, 724, true);
    EXPECT_FLOAT_EQ(CanvasToWindow(mirrored, {0, 5}).x, CanvasToWindow(plain, {1023, 5}).x);
    EXPECT_FLOAT_EQ(CanvasToWindow(mirrored, {1023, 5}).x, CanvasToWindow(plain, {0, 5}).x);
}

// --- Tile quads ----------------------------------------------------------

// Every vertex must sample the centre of the texel that holds its own
// document pixel, whatever the clipping did.
void ExpectVerticesOnTexelCentres(const TileQuad& q, int tileX0, int tileY0) {
    EXPECT_FLOAT_EQ(q.s0 * kTileSide - 0.5f, q.x0 - tileX0);
    EXPECT_FLOAT_EQ(q.s1 * kTileSide - 0.5f, q.x1 - tileX0);
    EXPECT_FLOAT_EQ(q.t0 * kTileSide - 0.5f, q.y0 - tileY0);
    EXPECT_FLOAT_EQ(q.t1 * kTileSide - 0.5f, q.y1 - tileY0);
}

TEST(TileQuadTest, ClipsToTheDocumentAndSamplesTexelCentres) {
    struct Case {
        const char* name;
        int column, row, docW, docH;
        bool drawn;
        float x0, y0, x1, y1;
    };
    const Case cases[] = {
        {"first tile starts at the first pixel", 0, 0, 1024, 724, true, 0, 0, 127, 127},
        {"inner tile keeps its whole square", 1, 1, 1024, 724, true, 125, 125, 253, 253},
        {"last column ends at the last pixel", 8, 0, 1024, 724, true, 1007, 0, 1023, 127},
        {"last row ends at the last pixel", 0, 5, 1024, 724, true, 0, 629, 127, 723},
        {"1 x 1 document draws nothing", 0, 0, 1, 1, false, 0, 0, 0, 0},
        {"width a multiple of the step: spare column is empty", 2, 0, 252, 100, false, 0, 0, 0, 0},
        {"width a multiple of the step: column before it reaches the end", 1, 0, 252, 100, true, 125, 0, 251, 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int x0 = kTileStep * c.column - 1, y0 = kTileStep * c.row - 1;
        TileQuad q;
        ASSERT_EQ(ClipTileQuad(x0, y0, x0 + kTileSide, y0 + kTileSide, c.docW, c.docH, q), c.drawn);
        if (!c.drawn) continue;
        EXPECT_EQ(q.x0, c.x0);
        EXPECT_EQ(q.y0, c.y0);
        EXPECT_EQ(q.x1, c.x1);
        EXPECT_EQ(q.y1, c.y1);
        ExpectVerticesOnTexelCentres(q, x0, y0);
    }
}

TEST(TileQuadTest, OnlyTilesThatCanShowAreVisible) {
    TileQuad q;
    ASSERT_TRUE(ClipTileQuad(-1, -1, 127, 127, 4000, 4000, q));
    struct Case {
        const char* name;
        float zoom, offsetX, offsetY, rotation;
        bool visible;
    };
    // Window 800 x 600, centre (400.5, 300.5).
    const Case cases[] = {
        {"at the window centre", 1, 0, 0, 0, true},
        {"just right of the window", 1, 400, 0, 0, false},
        {"touching the right edge", 1, 399, 0, 0, true},
        {"far above", 1, 0, -1000, 0, false},
        {"left, zoomed out of reach", 0.1f, -5000, 0, 0, false},
        {"off the right edge unturned", 1, 440, 0, 0, false},
        {"the same, turned back into view", 1, 440, 0, 180, true},
        {"zoomed up so it covers the window", 40, -60, -60, 0, true},
    };
    for (const Case& c : cases) {
        const CanvasTransform t = MakeCanvasTransform(800, 600, c.zoom, c.offsetX, c.offsetY, c.rotation, false, 4000);
        EXPECT_EQ(TileQuadVisible(t, q, 800, 600), c.visible) << c.name;
    }
}

// --- Contrast colours ------------------------------------------------------

class ContrastTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(NewDocument(doc, 300, 200));
        for (LayerTile* stack : doc.stacks) {
            ASSERT_NE(stack->texturePixels, nullptr);
            std::memset(stack->texturePixels, 255, size_t(kTileSide) * kTileSide * 4);
        }
    }
    void Paint(int column, int row, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
        LayerTile& tile = *doc.stacks[size_t(row) * doc.columns + column];
        uint8_t* p = tile.texturePixels + (size_t(y - tile.y0) * kTileSide + (x - tile.x0)) * 4;
        p[0] = r;
        p[1] = g;
        p[2] = b;
    }
    Document doc;
};

TEST_F(ContrastTest, DarkPixelsGetWhiteLinesAndLightOnesBlack) {
    Paint(0, 0, 10, 20, 0, 0, 0);
    Paint(0, 0, 11, 20, 127, 127, 126);  // 2R + 3G + B = 761: still dark
    Paint(0, 0, 12, 20, 128, 127, 127);  // 763: light
    EXPECT_TRUE(ContrastWhite(doc, 10, 20));
    EXPECT_TRUE(ContrastWhite(doc, 10.4f, 19.6f));  // nearest pixel
    EXPECT_FALSE(ContrastWhite(doc, 11.6f, 20));
    EXPECT_TRUE(ContrastWhite(doc, 11, 20));
    EXPECT_FALSE(ContrastWhite(doc, 12, 20));
    EXPECT_FALSE(ContrastWhite(doc, 50, 50));
}

TEST_F(ContrastTest, SharedPixelsAreReadFromTheFirstTile) {
    // Pixel 126 lies in column 0 (its last texel but one) and column 1.
    Paint(0, 0, 126, 5, 0, 0, 0);
    EXPECT_TRUE(ContrastWhite(doc, 126, 5));
    Paint(0, 0, 126, 5, 255, 255, 255);
    Paint(1, 0, 126, 5, 0, 0, 0);
    EXPECT_FALSE(ContrastWhite(doc, 126, 5));
    // 127 is in column 1 only.
    Paint(1, 0, 127, 5, 0, 0, 0);
    EXPECT_TRUE(ContrastWhite(doc, 127, 5));
    // A pixel of the last row and column.
    Paint(doc.columns - 1, doc.rows - 1, 299, 199, 0, 0, 0);
    EXPECT_TRUE(ContrastWhite(doc, 299, 199));
}

TEST_F(ContrastTest, PointsOffEveryTileCountAsWhitePaper) {
    for (LayerTile* stack : doc.stacks) std::memset(stack->texturePixels, 0, size_t(kTileSide) * kTileSide * 4);
    EXPECT_TRUE(ContrastWhite(doc, 0, 0));
    const ViewPoint off[] = {{-5, 10}, {10, -5}, {5000, 10}, {10, 5000}, {1e30f, 1e30f}, {NAN, 3}};
    for (const ViewPoint& p : off) EXPECT_FALSE(ContrastWhite(doc, p.x, p.y)) << p.x << "," << p.y;
}

TEST(ContrastPiecesTest, AboutOnePiecePerFourPixels) {
    const struct {
        float length;
        int pieces;
    } cases[] = {{0, 0}, {0.4f, 0}, {3.4f, 3}, {4, 4}, {4.6f, 1}, {8, 2}, {101, 25}, {-3, 0}, {1e20f, 250000}};
    for (const auto& c : cases) EXPECT_EQ(ContrastPieces(c.length), c.pieces) << c.length;
}

TEST_F(ContrastTest, MirroredLinesTakeTheColourOfThePixelShownUnderThem) {
    for (int y = 0; y < 200; ++y) Paint(0, 0 + y / kTileStep, 10, y, 0, 0, 0);  // a dark column at x = 10
    const CanvasTransform mirrored = HomeView(800, 600, 300, 200, true);
    // On screen the dark column shows where x = 289 would be unmirrored.
    const ViewPoint top = CanvasToWindow(mirrored, {10, 50}), bottom = CanvasToWindow(mirrored, {10, 90});
    std::vector<OverlayVertex> lines;
    AppendContrastLine(lines, doc, mirrored, top, bottom);
    ASSERT_EQ(lines.size(), 2u * 10);
    for (const OverlayVertex& v : lines) EXPECT_TRUE(v.white);

    const ViewPoint shifted{top.x + 3, top.y}, shiftedEnd{bottom.x + 3, bottom.y};
    lines.clear();
    AppendContrastLine(lines, doc, mirrored, shifted, shiftedEnd);
    for (const OverlayVertex& v : lines) EXPECT_FALSE(v.white);
}

// --- Overlays ---------------------------------------------------------------

class OverlayTest : public ContrastTest {
protected:
    // Pointer at window pixel (px, py) and the canvas point the view maps it to.
    CanvasOverlayInput At(const CanvasTransform& t, int px, int py) {
        CanvasOverlayInput in;
        in.pointerX = px;
        in.pointerY = py;
        in.pointerInWindow = true;
        const ViewPoint d = WindowToCanvas(Unmirrored(t), {px + 0.5f, py + 0.5f});
        in.canvasCursor = {d.x + 0.5f, d.y + 0.5f};
        return in;
    }
    static ViewPoint Centre(const std::vector<OverlayVertex>& lines) {
        double x = 0, y = 0;
        for (const OverlayVertex& v : lines) x += v.x, y += v.y;
        return {float(x / lines.size()), float(y / lines.size())};
    }
};

TEST_F(OverlayTest, BrushOutlineRingsThePointerEvenWhenMirroredOrZoomed) {
    const CanvasTransform views[] = {HomeView(800, 600, 300, 200), HomeView(800, 600, 300, 200, true),
                                     MakeCanvasTransform(800, 600, 12, -100, -80, 30, true, 300)};
    for (const CanvasTransform& t : views) {
        CanvasOverlayInput in = At(t, 420, 310);
        in.brushRadius = in.brushSize = 10;
        const std::vector<OverlayVertex> lines = CanvasOverlayLines(doc, t, in, 800, 600);
        ASSERT_FALSE(lines.empty());
        const ViewPoint c = Centre(lines);
        EXPECT_NEAR(c.x, 420.5f, 0.05f * t.zoom);
        EXPECT_NEAR(c.y, 310.5f, 0.05f * t.zoom);
        float outer = 0;
        for (const OverlayVertex& v : lines) outer = std::max(outer, std::hypot(v.x - 420.5f, v.y - 310.5f));
        EXPECT_NEAR(outer, 9.5f * t.zoom, 0.05f * t.zoom);
    }
}

TEST_F(OverlayTest, HardBrushOutlineRingsThePixelUnderThePointer) {
    const CanvasTransform t = MakeCanvasTransform(800, 600, 10, -150, -100, 0, false, 300);
    CanvasOverlayInput in = At(t, 403, 296);  // inside a 10 x 10 screen pixel block
    in.hardness = 1;
    in.brushRadius = in.brushSize = 3;
    const ViewPoint c = Centre(CanvasOverlayLines(doc, t, in, 800, 600));
    const ViewPoint pixel = WindowToCanvas(t, {403.5f, 296.5f});
    const ViewPoint pixelCentre = CanvasToWindow(t, {std::round(pixel.x), std::round(pixel.y)});
    EXPECT_NEAR(c.x, pixelCentre.x, 0.05f);
    EXPECT_NEAR(c.y, pixelCentre.y, 0.05f);
}

TEST_F(OverlayTest, EraserOutlineGetsRadialTicksOfSteadyScreenLength) {
    const CanvasTransform t = MakeCanvasTransform(800, 600, 4, -150, -100, 0, false, 300);
    const float zooms[] = {1, 4};
    for (float zoom : zooms) {
        CanvasTransform view = t;
        view.zoom = zoom;
        CanvasOverlayInput in = At(view, 400, 300);
        in.brushRadius = in.brushSize = 20;
        in.paintMode = 1;
        const std::vector<OverlayVertex> lines = CanvasOverlayLines(doc, view, in, 800, 600);
        const float cx = 400.5f, cy = 300.5f, outer = 19.5f * zoom;
        int ticks = 0;
        for (size_t i = 0; i + 1 < lines.size(); i += 2) {
            const OverlayVertex &a = lines[i], &b = lines[i + 1];
            const float ra = std::hypot(a.x - cx, a.y - cy), rb = std::hypot(b.x - cx, b.y - cy);
            // A radial segment: its ends lie on one ray from the centre.
            const float cross = (a.x - cx) * (b.y - cy) - (a.y - cy) * (b.x - cx);
            if (std::fabs(ra - rb) < 1 || std::fabs(cross) > 1e-2f * ra * rb) continue;
            ++ticks;
            EXPECT_NEAR((ra + rb) / 2, outer, 0.01f * outer);
            EXPECT_NEAR(std::fabs(ra - rb), 0.5f * 19.5f * 21 / 20, 0.05f) << "tick length on screen at zoom " << zoom;
        }
        EXPECT_EQ(ticks, 4) << zoom;
        in.paintMode = 0;
        const std::vector<OverlayVertex> brush = CanvasOverlayLines(doc, view, in, 800, 600);
        EXPECT_LT(brush.size(), lines.size());
    }
}

TEST_F(OverlayTest, WhichOverlaysShow) {
    const CanvasTransform t = HomeView(800, 600, 300, 200);
    struct Case {
        const char* name;
        void (*set)(CanvasOverlayInput&);
        bool crosshair, outline, preview, circle;
    };
    const Case cases[] = {
        {"plain pointer: outline only", [](CanvasOverlayInput&) {}, false, true, false, false},
        {"hidden cursor: crosshair too",
         [](CanvasOverlayInput& in) { in.cursorHidden = true; }, true, true, false, false},
        {"brush circle marks the pointer: no crosshair",
         [](CanvasOverlayInput& in) { in.cursorHidden = in.brushCircleMarksPointer = true; }, false, true, false, false},
        {"Alt hides the outline", [](CanvasOverlayInput& in) { in.altHeld = true; }, false, false, false, false},
        {"over the interface: no outline",
         [](CanvasOverlayInput& in) { in.pointerOverInterface = true; }, false, false, false, false},
        {"brush-shape square shows it anyway",
         [](CanvasOverlayInput& in) { in.altHeld = in.pointerInBrushShapeSquare = true; }, false, true, false, false},
        {"Shift after a stroke: line preview",
         [](CanvasOverlayInput& in) { in.shiftHeld = in.strokeDrawn = true; }, false, true, true, false},
        {"Shift with the button down: no preview",
         [](CanvasOverlayInput& in) { in.shiftHeld = in.strokeDrawn = in.leftButton = true; }, false, true, false, false},
        {"Shift before any stroke: no preview", [](CanvasOverlayInput& in) { in.shiftHeld = true; }, false, true, false,
         false},
        {"navigating: circle, no outline or preview",
         [](CanvasOverlayInput& in) { in.navigating = in.shiftHeld = in.strokeDrawn = true; }, false, false, false, true},
    };
    for (const Case& c : cases) {
        CanvasOverlayInput in = At(t, 200, 400);
        in.lastPainted = {20.5f, 30.5f};
        in.brushRadius = in.brushSize = 5;
        c.set(in);
        const std::vector<OverlayVertex> lines = CanvasOverlayLines(doc, t, in, 800, 600);
        bool crosshair = false, outline = false, preview = false, circle = false;
        const ViewPoint lastOnScreen = CanvasToWindow(t, {20, 30});
        for (const OverlayVertex& v : lines) {
            const float fromPointer = std::hypot(v.x - 200.5f, v.y - 400.5f);
            if (std::fabs(fromPointer - 4.5f) < 0.01f) outline = true;
            if ((v.x == 200.5f && v.y == 394.5f) || (v.x == 194.5f && v.y == 400.5f)) crosshair = true;
            if (std::hypot(v.x - lastOnScreen.x, v.y - lastOnScreen.y) < 0.01f) preview = true;
            if (std::fabs(std::hypot(v.x - 400.5f, v.y - 300.5f) - 240) < 0.01f) circle = true;
        }
        EXPECT_EQ(crosshair, c.crosshair) << c.name;
        EXPECT_EQ(outline, c.outline) << c.name;
        EXPECT_EQ(preview, c.preview) << c.name;
        EXPECT_EQ(circle, c.circle) << c.name;
    }
}

TEST_F(OverlayTest, NavigationCircleTurnsWithTheCanvas) {
    CanvasTransform t = HomeView(800, 600, 300, 200);
    t.rotation = 90;
    CanvasOverlayInput in;
    in.navigating = true;
    const std::vector<OverlayVertex> lines = CanvasOverlayLines(doc, t, in, 800, 600);
    // Spokes start at a quarter of the radius; the first one points along the rotation.
    bool spokeDown = false;
    for (const OverlayVertex& v : lines) {
        const float r = std::hypot(v.x - 400.5f, v.y - 300.5f);
        EXPECT_GE(r, 60 - 0.01f);
        EXPECT_LE(r, 240 + 0.01f);
        if (std::fabs(v.x - 400.5f) < 0.01f && std::fabs(v.y - 360.5f) < 0.01f) spokeDown = true;
    }
    EXPECT_TRUE(spokeDown);
}

// --- Overview ---------------------------------------------------------------

TEST(OverviewTest, SlidesInAndOutAndSnapsHome) {
    float slide = 0;
    int frames = 0;
    while (slide < 1 && frames < 100) slide = SlideStep(slide, true), ++frames;
    EXPECT_EQ(slide, 1.0f);
    EXPECT_EQ(frames, 33);  // 0.85^33 < 0.005 <= 0.85^32
    slide = SlideStep(1, false);
    EXPECT_FLOAT_EQ(slide, 0.85f);
}

TEST(OverviewTest, LayoutKeepsTheHeightAndTheDocumentsShape) {
    const OverviewLayout wide = LayoutOverview(1000, 128, 1024, 512, 1);
    EXPECT_FLOAT_EQ(wide.height, 128);
    EXPECT_FLOAT_EQ(wide.width, 256);
    EXPECT_FLOAT_EQ(wide.x0, 744);
    EXPECT_FLOAT_EQ(wide.x1, 1000);
    EXPECT_FLOAT_EQ(wide.s1, 1);
    EXPECT_FLOAT_EQ(wide.t1, 0.5f);
    EXPECT_FLOAT_EQ(wide.buttonX0, 724);
    EXPECT_FLOAT_EQ(wide.gripX0, 979);
    EXPECT_FLOAT_EQ(wide.gripY0, 128);

    const OverviewLayout tall = LayoutOverview(1000, 200, 100, 400, 0.5f);
    EXPECT_FLOAT_EQ(tall.width, 50);
    EXPECT_FLOAT_EQ(tall.s1, 0.25f);
    EXPECT_FLOAT_EQ(tall.t1, 0);
    EXPECT_FLOAT_EQ(tall.y0, -100);
    EXPECT_FLOAT_EQ(tall.y1, 100);
}

class OverviewStepTest : public ::testing::Test {
protected:
    OverviewFrame Step(int x, int y, bool down = false) {
        OverviewPointer p;
        p.x = x;
        p.y = y;
        p.down = down;
        p.clicked = down && !wasDown;
        wasDown = down;
        return StepOverview(o, p, 1000, 1024, 1024);
    }
    void SetUp() override {
        o.show = true;
        o.slide = 1;
    }
    OverviewState o;
    bool wasDown = false;
};

TEST_F(OverviewStepTest, HoverHidesItAndItReturnsOnlyAfterTheFade) {
    EXPECT_TRUE(Step(10, 500).drawPicture);
    int hidden = 0;
    while (Step(950, 50).drawPicture) ++hidden;
    EXPECT_LE(hidden, 10);
    for (int i = 0; i < 30; ++i) EXPECT_FALSE(Step(950, 50).drawPicture) << "stays hidden under the pointer";
    int away = 0;
    while (!Step(10, 500).drawPicture && away < 1000) ++away;
    EXPECT_GE(away, 75);
    EXPECT_LE(away, 85);
    int fadeIn = 1;
    while (Step(10, 500).alpha < 1 && fadeIn < 1000) ++fadeIn;
    EXPECT_NEAR(fadeIn, 40, 2);
}

TEST_F(OverviewStepTest, ButtonTogglesOnClickButNotUnderTheMenuBar) {
    const OverviewFrame hover = Step(860, 5);  // the button sits at [852, 872) x [1, 11)
    EXPECT_TRUE(hover.buttonHot);
    EXPECT_STREQ(hover.tooltip, "Show/hide canvas overview");
    EXPECT_TRUE(hover.pointerOverInterface);
    Step(860, 5, true);
    EXPECT_FALSE(o.show);
    Step(860, 5, true);  // held, not a new click
    EXPECT_FALSE(o.show);

    OverviewPointer p;
    p.x = 860;
    p.y = 5;
    p.down = p.clicked = p.overMenuBar = true;
    const OverviewFrame blocked = StepOverview(o, p, 1000, 1024, 1024);
    EXPECT_FALSE(blocked.buttonHot);
    EXPECT_FALSE(o.show);
}

TEST_F(OverviewStepTest, HiddenOverviewOnlyKeepsItsButton) {
    o.show = false;
    o.fade = -1.5f;
    o.hoverLatch = true;
    OverviewFrame f;
    for (int i = 0; i < 40; ++i) f = Step(10, 500);
    EXPECT_LE(o.slide, 0.01f);
    EXPECT_FALSE(f.drawPicture);
    EXPECT_FALSE(f.showGrip);
    EXPECT_EQ(o.fade, 1.0f);
    EXPECT_FALSE(o.hoverLatch);
    EXPECT_TRUE(Step(860, 5).buttonHot);
}

TEST_F(OverviewStepTest, ResizeDragStopsAt64And512) {
    const OverviewFrame grip = Step(985, 133);
    EXPECT_TRUE(grip.gripHot);
    EXPECT_STREQ(grip.tooltip, "Resize overview image");
    Step(985, 133, true);
    Step(985, 173, true);
    EXPECT_EQ(o.size, 168);
    EXPECT_TRUE(Step(500, 900, true).gripHot) << "the drag keeps the grip hot away from it";
    EXPECT_EQ(o.size, 512);
    Step(500, -900, true);
    EXPECT_EQ(o.size, 64);
    Step(500, 300, false);
    EXPECT_EQ(o.dragStartY, -1);
    Step(500, 600, true);
    EXPECT_EQ(o.size, 64) << "a click elsewhere does not resize";
}

TEST_F(OverviewStepTest, GripOnlyWhileFullyInView) {
    o.slide = 0.5f;
    const OverviewFrame f = Step(985, 133, true);
    EXPECT_FALSE(f.showGrip);
    EXPECT_EQ(o.dragStartY, -1);
}

TEST(OverviewRefreshTest, PartialRefreshWalksTheTilesCyclically) {
    struct Case {
        const char* name;
        int tiles;
        bool full;
        int next;
        int first, count, nextAfter;
    };
    const Case cases[] = {
        {"full refresh draws everything", 100, true, 40, 0, 100, 40},
        {"few tiles are always all drawn", 31, false, 7, 0, 31, 7},
        {"partial refresh continues", 100, false, 40, 40, 32, 72},
        {"partial refresh wraps", 100, false, 90, 90, 32, 22},
        {"position past a smaller document restarts", 40, false, 500, 0, 32, 32},
        {"position at the new end restarts", 40, false, 40, 0, 32, 32},
        {"no tiles", 0, false, 12, 0, 0, 0},
    };
    for (const Case& c : cases) {
        int next = c.next;
        const TileSpan span = OverviewRefreshSpan(c.tiles, c.full, next);
        EXPECT_EQ(span.first, c.first) << c.name;
        EXPECT_EQ(span.count, c.count) << c.name;
        EXPECT_EQ(next, c.nextAfter) << c.name;
        if (c.tiles > 0) {
            EXPECT_LT(span.first, c.tiles) << c.name;
        }
    }
}

}  // namespace
