#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "app/program_test_support.h"
#include "image/color_profile.h"
#include "image/document.h"
#include "image/pixel_image.h"
#include "image/undo.h"

// The ways to the brush and the colour picking that need no modifier held
// during a click (window managers take Alt+click for themselves), through
// whole main-loop passes of the program.
namespace {

using namespace platform;

// Over the canvas, clear of every panel of a 950 x 650 window.
constexpr int kCanvasX = 600, kCanvasY = 300;

class PainterKeys : public ProgramTest {
protected:
    // Keys held for one pass with the pointer on the canvas, then let go.
    void Press(std::initializer_list<int> keys, int x = kCanvasX, int y = kCanvasY) {
        fake::Hold(keys);
        Pass(x, y, false);
        fake::Release(keys);
        Pass(x, y, false);
    }
};

TEST_F(PainterKeys, BracketsStepTheBrushAlongThePopupsScales) {
    struct Case {
        const char* name;
        std::initializer_list<int> keys;
        float radius0, hardness0;
        float radius, hardness;  // what one press leaves
    };
    const Case cases[] = {
        {"] larger", {kKeyRightBracket}, BrushSizeAt(40), 0.5f, BrushSizeAt(44), 0.5f},
        {"[ smaller", {kKeyLeftBracket}, BrushSizeAt(40), 0.5f, BrushSizeAt(36), 0.5f},
        {"[ stops at the smallest", {kKeyLeftBracket}, BrushSizeAt(2), 0.5f, BrushSizeAt(0), 0.5f},
        {"] stops at the largest", {kKeyRightBracket}, BrushSizeAt(97), 0.5f, BrushSizeAt(99), 0.5f},
        {"Shift+] harder", {kKeyLeftShift, kKeyRightBracket}, BrushSizeAt(40), 0.5f, BrushSizeAt(40), 0.6f},
        {"Shift+[ softer", {kKeyRightShift, kKeyLeftBracket}, BrushSizeAt(40), 0.5f, BrushSizeAt(40), 0.4f},
        {"Shift+] never makes the pixel brush", {kKeyLeftShift, kKeyRightBracket}, 5, 0.95f, 5, 0.99f},
        {"Shift+[ leaves the pixel brush", {kKeyLeftShift, kKeyLeftBracket}, 5, 1.0f, 5, 0.9f},
        {"Ctrl+] is no brush key", {kKeyLeftCtrl, kKeyRightBracket}, 5, 0.5f, 5, 0.5f},
    };
    for (const Case& c : cases) {
        app.brush.radius = c.radius0;
        app.brush.hardness = c.hardness0;
        Press(c.keys);
        EXPECT_FLOAT_EQ(app.brush.radius, c.radius) << c.name;
        EXPECT_FLOAT_EQ(app.brush.hardness, c.hardness) << c.name;
        // The outline on the canvas is drawn at this radius between strokes.
        EXPECT_FLOAT_EQ(app.stroke.effectiveRadius, c.radius) << c.name;
    }
}

TEST_F(PainterKeys, ABracketHeldStepsOnceAndBringsBackPressureAfterThePixelBrush) {
    app.brush.radius = BrushSizeAt(40);
    fake::Hold({kKeyRightBracket});
    for (int k = 0; k < 5; ++k) Pass(kCanvasX, kCanvasY, false);
    fake::Release({kKeyRightBracket});
    Pass(kCanvasX, kCanvasY, false);
    EXPECT_FLOAT_EQ(app.brush.radius, BrushSizeAt(44));

    app.brush.hardness = 1.0f;
    app.brush.pressureSensitivity = false;
    app.canvas.smooth = false;
    Press({kKeyLeftShift, kKeyLeftBracket});
    EXPECT_TRUE(app.brush.pressureSensitivity);
    EXPECT_TRUE(app.canvas.smooth);
}

TEST_F(PainterKeys, QOpensTheBrushPopupWithTheCurrentBrushUnderThePointer) {
    app.brush.radius = BrushSizeAt(30);
    app.brush.hardness = 0.7f;
    Press({kKeyQ});
    const PopupState& p = app.popups;
    ASSERT_TRUE(p.altOpen);
    EXPECT_EQ(p.px, kCanvasX - 70);
    EXPECT_EQ(p.py, kCanvasY - 30);
    // Open with no key held, for as long as the pointer stays in it.
    for (int k = 0; k < 3; ++k) Pass(kCanvasX + 10 * k, kCanvasY + 5 * k, false);
    EXPECT_TRUE(p.altOpen);

    // A click in the square's top left corner: the smallest, softest brush,
    // and no paint.
    Click(p.px, p.py);
    EXPECT_FLOAT_EQ(app.brush.radius, BrushSizeAt(0));
    EXPECT_FLOAT_EQ(app.brush.hardness, 0.0f);
    EXPECT_EQ(UndoDepth(app.document), 0);
    EXPECT_FALSE(app.document.modified);
    EXPECT_TRUE(p.altOpen);

    // The pointer leaves it: closed.
    Pass(900, 600, false);
    EXPECT_FALSE(p.altOpen);
    // Back over where it was, it stays closed, and a click paints.
    Click(p.px + 20, p.py + 20);
    EXPECT_FALSE(p.altOpen);
    EXPECT_EQ(UndoDepth(app.document), 1);
}

TEST_F(PainterKeys, QAgainClosesThePopupItOpened) {
    Press({kKeyQ});
    ASSERT_TRUE(app.popups.altOpen);
    Press({kKeyQ});
    EXPECT_FALSE(app.popups.altOpen);
    Press({kKeyQ});
    EXPECT_TRUE(app.popups.altOpen);
}

TEST_F(PainterKeys, QKeepsThePopupInsideTheWindow) {
    Press({kKeyQ}, 940, 640);
    const PopupState& p = app.popups;
    ASSERT_TRUE(p.altOpen);
    // The whole panel, presets included, lies inside the window.
    EXPECT_LE(p.px + 125, 950);
    EXPECT_LE(p.py + 148, 650);
    // The pointer moves within it: it stays.
    Pass(935, 635, false);
    EXPECT_TRUE(p.altOpen);
}

// Every tile of the layer in one display colour.
void FillLayer(int layer, int r, int g, int b) {
    ColorRecord c = DisplayColor(uint8_t(r), uint8_t(g), uint8_t(b), 255);
    FromDisplay(c);
    Document& doc = app.document;
    for (LayerTile* stack : doc.stacks) {
        LayerTile* tile = LayerTileAt(stack, layer);
        EnsurePixels(*tile);
        tile->pixels->Fill(c);
        tile->dirty = true;
    }
    MarkAllDirty(doc);
}

// P held picks as Alt held does, Shift and Ctrl included: red bottom layer
// (current), blue top layer over it.
TEST_F(PainterKeys, PHeldWhileClickingPicksAsAltDoes) {
    struct Case {
        const char* name;
        std::initializer_list<int> keys;
        int red, blue;  // the primary colour after the click
        int current;    // the current layer after it
    };
    const Case cases[] = {
        {"Alt: the colour shown", {kKeyLeftAlt}, 0, 255, 0},
        {"P: the colour shown", {kKeyP}, 0, 255, 0},
        {"Alt+Shift: the current layer's", {kKeyLeftAlt, kKeyLeftShift}, 255, 0, 0},
        {"P+Shift: the current layer's", {kKeyP, kKeyLeftShift}, 255, 0, 0},
        {"Alt+Ctrl: the layer under the pointer", {kKeyLeftAlt, kKeyLeftCtrl}, 0, 0, 1},
        {"P+Ctrl: the layer under the pointer", {kKeyP, kKeyLeftCtrl}, 0, 0, 1},
    };
    ASSERT_TRUE(AddLayer(app.document, 0));
    FillLayer(0, 255, 0, 0);
    FillLayer(1, 0, 0, 255);
    for (const Case& c : cases) {
        app.document.currentLayer = 0;
        app.tool.primary = DisplayColor(0, 0, 0, 255);
        fake::Hold(c.keys);
        Pass(kCanvasX, kCanvasY, false);
        for (int k = 0; k < 5; ++k) Pass(kCanvasX, kCanvasY, true);
        Pass(kCanvasX, kCanvasY, false);
        fake::Release(c.keys);
        Pass(kCanvasX, kCanvasY, false);
        EXPECT_NEAR(app.tool.primary.value[0], c.red, 3) << c.name;
        EXPECT_EQ(app.tool.primary.value[1], 0) << c.name;
        EXPECT_NEAR(app.tool.primary.value[2], c.blue, 3) << c.name;
        EXPECT_EQ(app.document.currentLayer, c.current) << c.name;
        // Picking never paints.
        EXPECT_EQ(UndoDepth(app.document), 0) << c.name;
    }
}

// ---- Conventions from other painting programs ----

TEST_F(PainterKeys, PlainPlusAndMinusZoomAsTheNumpadsDo) {
    struct Case {
        const char* name;
        std::initializer_list<int> keys;
        int step;  // from the home step
    };
    const Case cases[] = {
        {"=", {kKeyEquals}, kHomeZoomStep + 4},
        {"Shift+= (+)", {kKeyLeftShift, kKeyEquals}, kHomeZoomStep + 4},
        {"-", {kKeyMinus}, kHomeZoomStep - 4},
        {"Numpad +", {kKeyNumpadAdd}, kHomeZoomStep + 4},
        {"Ctrl+- is no zoom key", {kKeyLeftCtrl, kKeyMinus}, kHomeZoomStep},
    };
    for (const Case& c : cases) {
        app.view.zoomStep = kHomeZoomStep;
        Press(c.keys);
        EXPECT_EQ(app.view.zoomStep, c.step) << c.name;
    }
}

TEST_F(PainterKeys, CtrlZeroFitsTheWholePictureInTheWindow) {
    // Zoomed in, scrolled away and turned.
    app.view.zoomStep = 36;
    app.view.viewOffset = {-900, 200, 0};
    app.view.viewRotation = 70;
    Press({kKeyLeftCtrl, kKey0});
    for (int k = 0; k < 60; ++k) Pass(kCanvasX, kCanvasY, false);
    const ViewState& v = app.view;
    EXPECT_EQ(v.viewRotation, 0.0f);
    const ViewTransform t = MakeViewTransform(v, 950, 650, 1024);
    for (Float2 corner : {Float2{0, 0}, Float2{1023, 723}}) {
        const Float2 w = DocumentToWindow(t, corner);
        EXPECT_GE(w.x, 0.0f);
        EXPECT_LE(w.x, 950.0f);
        EXPECT_GE(w.y, 0.0f);
        EXPECT_LE(w.y, 650.0f);
    }
    // And no larger step would fit.
    EXPECT_GT(ZoomTarget(v.zoomStep + 2) * 1024, 950.0f);
    EXPECT_EQ(v.zoomStep, FitZoomStep(1024, 724, 950, 650));
}

TEST(FitZoomStep, TheLargestEvenStepThatFitsAndTheSmallestWhenNoneDoes) {
    EXPECT_EQ(FitZoomStep(10, 10, 950, 650), kMaxZoomStep);
    EXPECT_EQ(FitZoomStep(950, 650, 950, 650), kHomeZoomStep);
    EXPECT_LT(FitZoomStep(951, 650, 950, 650), kHomeZoomStep);
    EXPECT_EQ(FitZoomStep(16384, 16384, 10, 10), kMinZoomStep);
}

TEST_F(PainterKeys, AMiddleButtonDragScrollsWithoutPaintingOrTurning) {
    // Far outside the navigation circle, where Space+drag would turn.
    const int x = 880, y = 600;
    auto middle = [](int px, int py, bool down) {
        fake::State().onPump = [=](WindowState& w) {
            w.mouseInWindow = true;
            w.mouseX = px;
            w.mouseY = py;
            w.middleButton = down;
        };
        ASSERT_TRUE(MainLoopPass());
    };
    // Still passes first: the motion prediction settles on the pointer.
    for (int k = 0; k < 3; ++k) middle(x, y, false);
    const Float3 before = app.view.viewOffset;
    middle(x, y, true);
    for (int k = 1; k <= 10; ++k) middle(x - 6 * k, y - 3 * k, true);
    for (int k = 0; k < 10; ++k) middle(x - 60, y - 30, true);
    middle(x - 60, y - 30, false);
    EXPECT_NEAR(app.view.viewOffset.x - before.x, -60.0f, 1.0f);
    EXPECT_NEAR(app.view.viewOffset.y - before.y, -30.0f, 1.0f);
    EXPECT_EQ(app.view.viewRotation, 0.0f);
    EXPECT_EQ(app.view.navigationMode, kNavigationNone);
    EXPECT_EQ(UndoDepth(app.document), 0);
}

int NavigationCircleVertices() {
    int n = 0;
    for (const OverlayVertex& v : app.canvas.overlay)
        if (std::abs(std::hypot(v.x - 475.5f, v.y - 325.5f) - 260.0f) < 1.5f) ++n;
    return n;
}

TEST_F(PainterKeys, TheNavigationCircleShowsWhileSpaceIsHeldBeforeAnyPress) {
    Pass(kCanvasX, kCanvasY, false);
    EXPECT_EQ(NavigationCircleVertices(), 0);
    fake::Hold({kKeySpace});
    Pass(kCanvasX, kCanvasY, false);
    EXPECT_GE(NavigationCircleVertices(), 64);
    fake::Release({kKeySpace});
    Pass(kCanvasX, kCanvasY, false);
    EXPECT_EQ(NavigationCircleVertices(), 0);
}

// Things that stay open after a click: the press that closes them does
// nothing else, such as painting; the next press paints.
TEST_F(PainterKeys, APressThatClosesSomethingDoesNotPaint) {
    struct Case {
        const char* name;
        int x, y;  // a click here opens it
        bool (*open)();
    };
    const Case cases[] = {
        {"colour editor", 35, 40, [] { return app.popups.editorOpen; }},
        {"menu", 10, 5, [] { return app.menuBar.openMenu == 0; }},
    };
    int strokes = 0;
    for (const Case& c : cases) {
        Click(c.x, c.y);
        ASSERT_TRUE(c.open()) << c.name;
        Click(kCanvasX, kCanvasY);
        EXPECT_FALSE(c.open()) << c.name;
        EXPECT_EQ(UndoDepth(app.document), strokes) << c.name;
        Click(kCanvasX, kCanvasY);
        EXPECT_EQ(UndoDepth(app.document), ++strokes) << c.name;
    }
}

TEST_F(PainterKeys, AClickedMenuStaysOpenUntilTheNextClick) {
    // Settings: a click on the title, passes with the button up, a click on
    // "Tooltips".
    const bool tooltips = app.showTooltips;
    Click(100, 5);
    for (int k = 0; k < 5; ++k) Pass(105, 17 + 8, false);
    ASSERT_EQ(app.menuBar.openMenu, 2);
    Click(105, 17 + 8);
    EXPECT_NE(app.showTooltips, tooltips);
    EXPECT_EQ(app.menuBar.openMenu, -1);

    // A second click on its title closes it; pressing and dragging to a row
    // still chooses on release.
    Click(100, 5);
    Click(100, 5);
    EXPECT_EQ(app.menuBar.openMenu, -1);
    Pass(100, 5, false);
    Pass(100, 5, true);
    Pass(105, 17 + 8, true);
    Pass(105, 17 + 8, false);
    EXPECT_EQ(app.showTooltips, tooltips);
    EXPECT_EQ(app.menuBar.openMenu, -1);
}

TEST_F(PainterKeys, ADisabledMenuRowShowsWhyWhenThePointerRestsOnIt) {
    app.showTooltips = ui.showTooltips = true;
    Click(440, 5);  // Filters
    // Lens flare, the sixth row.
    for (int k = 0; k < 45; ++k) Pass(460, 17 * 5 + 25, false);
    EXPECT_STREQ(ui.tooltip, "This is not the filter you're looking for");
    EXPECT_GT(ui.tooltipCounter, 40);
}

TEST_F(PainterKeys, TheColourEditorTakesAHexColour) {
    Click(35, 40);
    ASSERT_TRUE(app.popups.editorOpen);
    EXPECT_STREQ(app.popups.hexText, "#000000");
    Click(60, 385);
    ASSERT_TRUE(ui.editing);
    // The field opens with its text; Backspace takes it away.
    for (int k = 0; k < 8; ++k) Pass(60, 385, false, 8);
    for (const char* c = "#3a7FC0"; *c; ++c) Pass(60, 385, false, static_cast<unsigned char>(*c));
    Pass(60, 385, false, 13);
    fake::Hold({kKeyEnter});
    Pass(60, 385, false);
    fake::Release({kKeyEnter});
    Pass(60, 385, false);
    Pass(60, 385, false);
    EXPECT_FALSE(ui.editing);
    EXPECT_EQ(app.tool.primary.value[0], 0x3A);
    EXPECT_EQ(app.tool.primary.value[1], 0x7F);
    EXPECT_EQ(app.tool.primary.value[2], 0xC0);
    EXPECT_STREQ(app.popups.hexText, "#3A7FC0");
    EXPECT_TRUE(app.popups.editorOpen);
}

TEST(ParseHexColour, SixHexDigitsWithOrWithoutTheHash) {
    struct Case {
        const char* text;
        bool ok;
        unsigned rgb;
    };
    const Case cases[] = {
        {"#3A7FC0", true, 0x3A7FC0}, {"3a7fc0", true, 0x3A7FC0}, {"#000000", true, 0},
        {"#FFFFFF", true, 0xFFFFFF}, {"#3A7FC", false, 0},       {"#3A7FC00", false, 0},
        {"#3A7FG0", false, 0},       {"", false, 0},             {"#", false, 0},
        {"##3A7FC0", false, 0},
    };
    for (const Case& c : cases) {
        unsigned rgb = 0x123456;
        EXPECT_EQ(ParseHexColour(c.text, rgb), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(rgb, c.rgb) << c.text;
        }
    }
}

}  // namespace
