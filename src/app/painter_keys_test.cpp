#include <gtest/gtest.h>

#include <initializer_list>

#include "app/program_test_support.h"
#include "image/color_profile.h"
#include "image/document.h"
#include "image/pixel_image.h"

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
    EXPECT_EQ(app.document.undoPosition, 0);
    EXPECT_FALSE(app.document.modified);
    EXPECT_TRUE(p.altOpen);

    // The pointer leaves it: closed.
    Pass(900, 600, false);
    EXPECT_FALSE(p.altOpen);
    // Back over where it was, it stays closed, and a click paints.
    Click(p.px + 20, p.py + 20);
    EXPECT_FALSE(p.altOpen);
    EXPECT_EQ(app.document.undoPosition, 1);
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
    EXPECT_LE(p.px + 125, 950);
    EXPECT_LE(p.py + 130, 650);
    // The pointer lies outside it, but has not left it: it stays.
    Pass(945, 645, false);
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
        EXPECT_EQ(app.document.undoPosition, 0) << c.name;
    }
}

}  // namespace
