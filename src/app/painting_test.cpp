#include "app/painting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/app_test_support.h"
#include "app/commands.h"
#include "app/file_commands.h"
#include "app/joystick_pressure.h"
#include "app/main_loop.h"
#include "fileio/allocation_probe.h"
#include "fileio/jpeg_file.h"
#include "fileio/png_file.h"
#include "image/animation.h"
#include "image/color_profile.h"
#include "image/compositor.h"
#include "image/document_test_support.h"
#include "image/plane_reserve.h"
#include "image/undo.h"
#include "paint/brush_dab.h"
#include "platform/fake/fake_input.h"
#include "platform/fake/fake_platform.h"
#include "platform/fake/fake_tablet.h"

namespace {

using namespace platform;

// The real pass on a 200 x 150 document centred in a 400 x 300 window at
// 100 %: window pixel (200 + dx, 150 + dy) shows document pixel (100 + dx, 75 + dy).
class PaintingTest : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        fake::ResetInput();
        fake::ResetTablet();
        ResetAppState();
        app.tool = PaintTool();
        app.brush = BrushSettings();
        app.brush.pressureSensitivity = false;
        app.stroke = StrokeState();
        app.pick = PickState();
        app.pickSessionOpen = app.leftWasDown = false;
        app.altHeld = app.ctrlHeld = app.shiftHeld = app.spaceHeld = app.clickTaken = false;
        // Left over from earlier tests in the same program: an open popup or
        // dialog, or the last drawn frame's pointer over a panel, would block
        // the stroke (these passes draw no frame), and a joystick would ease
        // the mouse's pressure.
        ResetInterfaceState();
        app.pointerOverInterface = false;
        app.joystick = JoystickPressure();
        app.view = ViewState();
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
        InitThreadScratch(1, kTileSide);
        app.window.width = 400;
        app.window.height = 300;
        ASSERT_TRUE(CreateMainWindow("Orvella", app.window, 32));
        app.window.width = 400;
        app.window.height = 300;
        app.input = CreateStickInput();
        ASSERT_TRUE(NewDocument(app.document, 200, 150));
        ExitAnimation(app.document);
        ASSERT_TRUE(AddLayer(app.document, 0));
        app.document.currentLayer = 1;
        ResetView(app.view, 200, 150);
        InitPainting();
        fake::Tablet().open = true;
    }
    void TearDown() override {
        ShutdownPainting();
        DestroyStickInput(app.input);
        app.input = nullptr;
        ReleaseDocument(app.document);
        FreeThreadScratch();
        DestroyMainWindow();
        fake::ResetTablet();
    }
    void Pass(int x, int y, bool left) {
        app.window.mouseX = x;
        app.window.mouseY = y;
        app.window.leftButton = left;
        ASSERT_TRUE(UpdateFrame());
    }
    // A pass as the main loop runs it, up to the drawing (whose panels
    // would cover this small window): the window's events, through the
    // platform as the backends deliver them, then the frame's input.
    void FramePass(int x, int y, bool left) {
        fake::State().onPump = [x, y, left](WindowState& w) {
            w.mouseX = x;
            w.mouseY = y;
            w.leftButton = left;
        };
        PumpEvents();
        ASSERT_TRUE(UpdateFrame());
    }
    uint16_t Alpha(int layer, int x, int y) {
        LayerTile* t = LayerTileAt(app.document.stacks[0], layer);
        return t->empty ? 0 : doctest::At(*t->pixels, 3, x - t->x0, y - t->y0);
    }
};

TEST_F(PaintingTest, AMouseDragPaintsUnderThePointer) {
    Pass(200, 150, false);
    Pass(200, 150, true);
    Pass(210, 150, true);
    Pass(210, 150, false);
    // The default soft brush, 1.6 pixels: well under full cover at one dab.
    EXPECT_GT(Alpha(1, 100, 75), 20000);
    EXPECT_GT(Alpha(1, 110, 75), 20000);
    EXPECT_EQ(Alpha(1, 105, 90), 0);
    EXPECT_TRUE(app.document.modified);
}

// Under load the button's release and a quick Ctrl+Z can reach the program
// in one pass, whose keys come before its mouse sample: the undo still
// takes back the stroke the painter just finished.
TEST_F(PaintingTest, CtrlZInThePassTheButtonWentUpUndoesThatStroke) {
    Pass(200, 150, false);
    Pass(200, 150, true);
    Pass(210, 150, true);
    ASSERT_GT(app.stroke.count, 0);
    fake::Tap({kKeyLeftCtrl, kKeyZ});
    Pass(210, 150, false);
    EXPECT_EQ(app.stroke.count, 0);
    EXPECT_EQ(UndoDepth(app.document), 0) << "the stroke's step is still there to undo";
    EXPECT_EQ(Alpha(1, 100, 75), 0);
    EXPECT_EQ(Alpha(1, 110, 75), 0);
}

// With no memory left for the pixels of tiles the stroke reaches first, the
// program keeps running: the paint lands where the layer already has pixels,
// nothing is laid where it has none, and the painter is told once the stroke
// ends, whether it began on such a tile or came to one. With memory back,
// painting there works again.
TEST_F(PaintingTest, AStrokeShortOfMemoryPaintsWhatItCanAndSaysSo) {
    // Tile column 1 starts at document x 125, window x 225.
    const auto alphaAt = [this](int column, int x, int y) -> uint16_t {
        LayerTile* t = LayerTileAt(app.document.stacks[size_t(column)], 1);
        return t->empty ? 0 : doctest::At(*t->pixels, 3, x - t->x0, y - t->y0);
    };
    Pass(190, 150, false);
    Pass(190, 150, true);
    Pass(190, 150, false);
    ASSERT_GT(alphaAt(0, 90, 75), 0);
    ASSERT_TRUE(LayerTileAt(app.document.stacks[1], 1)->empty);
    const int depth = UndoDepth(app.document);

    const struct {
        const char* what;
        int fromX, toX;
    } strokes[] = {{"from a tile with pixels onto one without", 200, 260},
                   {"begun on a tile without pixels", 260, 280}};
    for (const auto& stroke : strokes) {
        SCOPED_TRACE(stroke.what);
        fake::State().errors.clear();
        WaitForPlaneReserve();
        while (uint16_t* plane = TakeReservedPlane()) delete[] plane;
        RefuseAllocationsFrom(kTileSide * kTileSide * sizeof(uint16_t));
        Pass(stroke.fromX, 150, false);
        Pass(stroke.fromX, 150, true);
        Pass(stroke.toX, 150, true);
        const size_t errorsWhilePainting = fake::State().errors.size();
        Pass(stroke.toX, 150, false);
        Pass(stroke.toX, 150, false);
        RefuseAllocationsFrom(0);

        EXPECT_EQ(errorsWhilePainting, 0u) << "nothing interrupts the stroke itself";
        std::vector<std::string> said;
        for (const fake::Question& error : fake::State().errors) said.push_back(error.text);
        EXPECT_EQ(said, std::vector<std::string>{"Not enough memory"});
        EXPECT_TRUE(LayerTileAt(app.document.stacks[1], 1)->empty);
        EXPECT_EQ(UndoDepth(app.document), depth) << "no memory for the history either";
        EXPECT_EQ(app.stroke.count, 0);
    }
    EXPECT_GT(alphaAt(0, 110, 75), 20000) << "the tile with pixels took the paint";

    fake::State().errors.clear();
    Pass(250, 150, false);
    Pass(250, 150, true);
    Pass(260, 150, true);
    Pass(260, 150, false);
    EXPECT_GT(alphaAt(1, 155, 75), 20000);
    EXPECT_TRUE(fake::State().errors.empty());
    EXPECT_EQ(UndoDepth(app.document), depth + 1);
}

TEST_F(PaintingTest, ThePenInProximityKeepsTheMouseFromPainting) {
    fake::Tablet().inProximity = true;
    Pass(200, 150, true);
    Pass(210, 150, true);
    fake::Tablet().inProximity = false;
    EXPECT_EQ(app.stroke.count, 0);
    EXPECT_EQ(Alpha(1, 100, 75), 0);
}

TEST_F(PaintingTest, PenSamplesLandWhereThePenPoints) {
    fake::Tablet().inProximity = true;
    app.window.leftButton = true;
    // Desktop position = client position + window position + the frame's share.
    app.window.x = 30;
    app.window.y = 20;
    ASSERT_TRUE(fake::SendPenSample(200 + 30 + 4, 150 + 20 + 27, 1.0f));
    ASSERT_TRUE(fake::SendPenSample(200 + 30 + 4, 150 + 20 + 27 + 10, 1.0f));
    EXPECT_EQ(app.stroke.count, 2);
    EXPECT_FLOAT_EQ(app.stroke.p1.x, 100.5f);
    EXPECT_FLOAT_EQ(app.stroke.p1.y, 85.5f);
}

// The pen's last sample can arrive while its button still reads held, and
// nothing tells that the pen has left: the pass after the button went up
// commits the stroke all the same.
TEST_F(PaintingTest, APenStrokeCommitsOnThePassAfterItsButtonWentUp) {
    fake::Tablet().inProximity = true;
    fake::Tablet().pressure = 1.0f;
    FramePass(200, 150, true);
    ASSERT_TRUE(fake::SendPenSample(200 + 4, 150 + 27, 1.0f));
    ASSERT_TRUE(fake::SendPenSample(210 + 4, 150 + 27, 1.0f));
    ASSERT_GT(app.stroke.count, 0);
    FramePass(210, 150, false);
    EXPECT_EQ(app.stroke.count, 0);
    EXPECT_EQ(UndoDepth(app.document), 1);
    EXPECT_GT(Alpha(1, 105, 75), 20000);
    EXPECT_TRUE(fake::Tablet().inProximity);  // no sign of the pen leaving was needed
}

TEST_F(PaintingTest, ControlClickFillsOnceWithTheWaitCursor) {
    fake::Hold({kKeyLeftCtrl});
    Pass(200, 150, false);
    const int applied = fake::State().cursorsApplied;
    Pass(200, 150, true);
    EXPECT_GT(Alpha(1, 0, 0), 65000);
    EXPECT_EQ(UndoDepth(app.document), 1);
    EXPECT_GE(fake::State().cursorsApplied, applied + 2);
    // Holding the button does not fill again.
    Pass(200, 150, true);
    EXPECT_EQ(UndoDepth(app.document), 1);
}

TEST_F(PaintingTest, AltClickTakesTheColourUnderThePointer) {
    ColorRecord red = DisplayColor(250, 0, 0, 255);
    ColorRecord working = red;
    FromDisplay(working);
    LayerTile* tile = LayerTileAt(app.document.stacks[0], 1);
    EnsurePixels(*tile);
    tile->pixels->Fill(working);
    tile->dirty = true;

    fake::Hold({kKeyLeftAlt, kKeyLeftShift});
    Pass(200, 150, false);
    Pass(200, 150, true);
    // Within the profile's quantisation of the round trip.
    EXPECT_NEAR(app.tool.primary.value[0], 250, 2);
    EXPECT_EQ(app.tool.primary.value[1], 0);
    // Picking never paints.
    EXPECT_EQ(app.stroke.count, 0);
}

// Every way to a new document, as the program takes it: each leaves a
// 200 x 150 white canvas, so the fixture's view still maps the window.
struct DocumentSource {
    const char* name;
    void (*make)(const std::string& dir);
};

std::vector<uint32_t> WhiteImage() { return std::vector<uint32_t>(200 * 150, 0xFFFFFFFFu); }

void OpenWrittenFile(const std::string& path, FlatWriter write) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(write(file, 200, 150, WhiteImage()));
    std::fclose(file);
    fake::State().dialogAnswers.push_back(fake::DialogAnswer{true, path});
    PostCommand("open");
    ASSERT_TRUE(DispatchCommands());
}

const DocumentSource kDocumentSources[] = {
    {"NewCommand",
     [](const std::string&) {
         app.newCanvasWidth = 200;
         app.newCanvasHeight = 150;
         PostCommand("new");
         ASSERT_TRUE(DispatchCommands());
     }},
    {"PngFile", [](const std::string& dir) { OpenWrittenFile(dir + "/white.png", WritePng); }},
    {"JpegFile", [](const std::string& dir) { OpenWrittenFile(dir + "/white.jpg", WriteJpeg); }},
    {"ClipboardBitmap",
     [](const std::string&) {
         // A 32-bit bitmap as the system clipboard holds it: a 40-byte
         // header, then white rows.
         std::vector<uint8_t> dib(40 + 200 * 150 * 4, 255);
         const uint32_t header[] = {40, 200, 150};
         for (int k = 0; k < 3; ++k)
             for (int i = 0; i < 4; ++i) dib[size_t(4 * k + i)] = uint8_t(header[k] >> (8 * i));
         const uint8_t rest[] = {1, 0, 32, 0, 0, 0, 0, 0};  // planes, bits, no compression
         std::copy(std::begin(rest), std::end(rest), dib.begin() + 12);
         std::fill(dib.begin() + 20, dib.begin() + 40, uint8_t(0));
         fake::State().clipboardDib = dib;
         ASSERT_TRUE(PasteImageFromClipboard(true));
     }},
};

class BottomLayerTest : public PaintingTest, public ::testing::WithParamInterface<DocumentSource> {
protected:
    void SetUp() override {
        PaintingTest::SetUp();
        ASSERT_FALSE(DialogHoldsDocument());
        dir = std::filesystem::path(::testing::TempDir()) /
              ("orvella-bottom-" + std::string(GetParam().name));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override {
        std::filesystem::remove_all(dir);
        PaintingTest::TearDown();
    }
    std::filesystem::path dir;
};

// The bottom layer is always locked: a stroke on it never changes its alpha.
// That shows after a greyscale mask, which leaves the canvas black and nearly
// transparent: painting it must blend colour by the stroke's coverage (soft
// edges), in the preview while the stroke runs and in the committed pixels.
TEST_P(BottomLayerTest, StrokesKeepItsAlphaAndStaySoftAfterAGreyscaleMask) {
    GetParam().make(dir.string());
    ASSERT_FALSE(HasFatalFailure());
    Document& doc = app.document;
    ASSERT_EQ(doc.width, 200);
    ASSERT_EQ(doc.height, 150);
    ASSERT_EQ(doc.layerCount, 1);
    doc.currentLayer = 0;
    PostCommand("filter 1");
    ASSERT_TRUE(DispatchCommands());

    std::vector<std::unique_ptr<PixelImage>> before;
    for (LayerTile* stack : doc.stacks) before.emplace_back(CloneImage(*stack->pixels));
    ASSERT_LT(doctest::At(*before[0], 3, 100, 75), 1000);  // the mask made the canvas see-through

    app.brush.radius = 6;
    app.brush.hardness = 0;
    BuildBrushShape(*app.brushShape, app.brush.radius, app.brush.hardness);
    app.tool.primary = DisplayColor(255, 255, 255, 255);
    ColorRecord white = app.tool.primary;
    FromDisplay(white);

    // Locked painting: alpha as it was, colour moved toward the paint by the
    // mask, floor((paint - v) * m / 65536). Returns the soft samples seen.
    auto expectLockedStroke = [&](size_t t, const PixelImage& painted, const char* what) {
        const PixelImage& old = *before[t];
        const uint16_t* m = doctest::Samples(*doc.stacks[t]->strokeMask, 0);
        int soft = 0, alphaChanged = 0, colourOff = 0;
        int64_t worst = 0;
        for (int i = 0; i < kTileSide * kTileSide; ++i) {
            soft += m[i] > 0 && m[i] < 60000 ? 1 : 0;
            alphaChanged += doctest::Samples(painted, 3)[i] != doctest::Samples(old, 3)[i] ? 1 : 0;
            for (int c = 0; c < 3; ++c) {
                const int64_t v = doctest::Samples(old, c)[i];
                const int64_t expected = v + doctest::FloorDiv((white.value[c] - v) * m[i], 65536);
                const int64_t off = std::abs(doctest::Samples(painted, c)[i] - expected);
                colourOff += off != 0 ? 1 : 0;
                worst = std::max(worst, off);
            }
        }
        EXPECT_EQ(alphaChanged, 0) << what << " tile " << t << ": pixels whose alpha changed";
        EXPECT_EQ(colourOff, 0) << what << " tile " << t << ": colour samples off the coverage blend, by up to "
                                << worst;
        return soft;
    };

    Pass(190, 150, false);
    Pass(190, 150, true);
    Pass(205, 150, true);
    Pass(220, 152, true);
    std::vector<size_t> painted;
    for (size_t t = 0; t < doc.stacks.size(); ++t)
        if (doc.stacks[t]->strokeActive) painted.push_back(t);
    ASSERT_FALSE(painted.empty());
    PrepareStrokePreview();
    int soft = 0;
    for (size_t t : painted) soft += expectLockedStroke(t, *CompositeTile(*doc.stacks[t]), "preview");
    EXPECT_GT(soft, 100) << "the stroke has no soft edge to look at";

    Pass(220, 152, false);
    for (size_t t : painted) {
        ASSERT_FALSE(doc.stacks[t]->strokeActive);
        expectLockedStroke(t, *doc.stacks[t]->pixels, "committed");
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, BottomLayerTest, ::testing::ValuesIn(kDocumentSources),
                         [](const auto& info) { return std::string(info.param.name); });

// The mouse's pressure comes from a joystick axis eased to 0.5; every mouse
// button-down marks the tablet's reading unknown even with no pen about,
// and that must not turn the stroke into a full-pressure one.
class JoystickPressureStroke : public PaintingTest {
protected:
    void SetUp() override {
        PaintingTest::SetUp();
        app.brush.pressureSensitivity = true;
        fake::Input().axes = {0.0f};
        StartJoystickPressure(app.joystick, 1);
        SetJoystickPressureOn(app.joystick, true);
        fake::Input().axes = {1.0f};  // pressed all the way once: the axis is chosen
        FramePass(200, 150, false);
        fake::Input().axes = {0.5f};
        for (int i = 0; i < 60; ++i) FramePass(200, 150, false);
        ASSERT_NEAR(app.joystick.mousePressure, 0.5f, 1e-5f);
    }
    void TearDown() override {
        app.joystick = JoystickPressure();
        PaintingTest::TearDown();
    }
    // A mouse stroke along window row y; the highest alpha it left on the
    // document row under it.
    uint16_t Stroke(int y) {
        for (int x = 180; x <= 220; x += 4) FramePass(x, y, true);
        FramePass(220, y, false);
        uint16_t highest = 0;
        for (int x = 85; x <= 115; ++x) highest = std::max(highest, Alpha(1, x, y - 75));
        return highest;
    }
    // The stroke's curve: min(scale, (1.2 scale p)^2.5) at p = 0.5 and scale 1.
    const float expected = std::pow(0.6f, 2.5f);
};

TEST_F(JoystickPressureStroke, TheStrokeCeilingFollowsThePressureCurve) {
    const uint16_t eased = Stroke(150);
    EXPECT_EQ(UndoDepth(app.document), 1);
    EXPECT_EQ(fake::Tablet().pressure, 0.0f);  // the button-up cleared the reading again
    // The same stroke at full pressure: the masks rise in proportion to the
    // ceiling, so the two strokes' alphas stand as their ceilings do.
    SetJoystickPressureOn(app.joystick, false);
    const uint16_t full = Stroke(170);
    ASSERT_GT(full, 10000);
    EXPECT_NEAR(double(eased) / full, expected, 0.01);
}

TEST_F(JoystickPressureStroke, PressureControlledSizeFollowsThePressureCurve) {
    app.brush.pressureControlledSize = true;
    for (int x = 180; x <= 220; x += 4) FramePass(x, 150, true);
    EXPECT_EQ(fake::Tablet().pressure, -1.0f);  // the button-down marked the reading unknown
    EXPECT_NEAR(app.stroke.effectiveRadius, app.brush.radius * expected, 1e-4f);
}

}  // namespace
