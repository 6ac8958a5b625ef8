#include "app/popups.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/app_state.h"
#include "app/app_test_support.h"
#include "app/program_test_support.h"
#include "image/color_profile.h"
#include "image/document_test_support.h"
#include "image/pixel_image.h"
#include "image/thread_scratch.h"
#include "paint/brush_dab.h"
#include "platform/fake/fake_platform.h"
#include "ui/widgets.h"

namespace {

constexpr int kWindowWidth = 950, kWindowHeight = 650;

class PopupTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::fake::Reset();
        ResetAppState();
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
        InitThreadScratch(1, kTileSide);
        ASSERT_TRUE(NewDocument(app.document, 200, 150));
        ui = UiState();
        app.popups = PopupState();
        app.filterDialog = FilterDialogState();
        app.brush = BrushSettings();
        app.canvas.smooth = true;
        app.joystick = JoystickPressure();
        app.pick = PickState();
        app.tool = PaintTool();
        app.altHeld = app.shiftHeld = app.ctrlHeld = false;
        app.enterPressed = app.escapeHeld = false;
        app.showHelp = false;
        app.pendingCommand.clear();
        app.newCanvasDialogRequested = false;
        app.newCanvasWidth = 1024;
        app.newCanvasHeight = 724;
        app.window.x = 100;
        app.window.y = 40;
        app.brushShape = NewBrushImage();
        BuildBrushShape(*app.brushShape, app.brush.radius, app.brush.hardness);
    }
    void TearDown() override {
        delete app.brushShape;
        app.brushShape = nullptr;
        ReleaseDocument(app.document);
        FreeThreadScratch();
    }

    // One interface frame as the program draws it, restricted to the popups
    // and dialogs: keys reach the open field first, then each surface acts.
    void Frame(int x, int y, bool down, unsigned char typed = 0) {
        app.window.mouseX = x;
        app.window.mouseY = y;
        app.window.leftButton = down;
        BeginInterfaceFrame(x, y, down, kWindowWidth, kWindowHeight);
        ui.typedChar = typed;
        ui.enterPressed = app.enterPressed;
        ui.escapePressed = app.escapeHeld;
        ProcessEditKeys();
        ColourEditorAreaTest();
        DrawPopups();
        if (app.showHelp) DrawHelpPopup();
        DrawCanvasSizeDialog();
        app.window.wheel = 0;
    }
    // Press and release at one place.
    void Click(int x, int y) {
        Frame(x, y, false);
        Frame(x, y, true);
        Frame(x, y, false);
    }

    // Opens the Alt popup with the pointer at (x, y); returns its square's corner.
    PopupOrigin OpenAlt(int x = 400, int y = 150) {
        app.altHeld = true;
        Frame(x, y, false);
        return PopupOrigin{app.popups.px, app.popups.py};
    }

    PopupState& popups = app.popups;
};

// --- Alt popup -----------------------------------------------------------------

TEST(AltPopupOrigin, SitsLeftOfAndBelowThePointerButClearOfTheLeftEdge) {
    struct Case {
        int screenX, screenY, clientX, clientY, px, py;
    };
    const Case cases[] = {
        {400, 300, 104, 77, 146, 273},  // 150 left of and 50 below the pointer
        {264, 300, 104, 77, 10, 273},   // exactly at the edge margin: not moved
        {263, 300, 104, 77, 10, 293},   // one pixel further left: at the margin, 20 lower
        {120, 90, 104, 77, 10, 83},     // pointer at the window's left edge
    };
    for (const Case& c : cases) {
        const PopupOrigin o = AltPopupOrigin(c.screenX, c.screenY, c.clientX, c.clientY);
        EXPECT_EQ(o.px, c.px) << c.screenX;
        EXPECT_EQ(o.py, c.py) << c.screenX;
    }
}

TEST_F(PopupTest, AltOpensAtThePointerWithTheBrushAndLayerOfTheMoment) {
    ASSERT_TRUE(AddLayer(app.document, 0));
    ASSERT_TRUE(AddLayer(app.document, 1));
    app.document.currentLayer = 1;
    app.pick.layerUnderPointer = 2;  // left over from an earlier pick
    app.brush.radius = 15.0f;
    app.brush.hardness = 0.5f;

    const PopupOrigin o = OpenAlt(300, 200);
    EXPECT_TRUE(popups.altOpen);
    EXPECT_EQ(o.px, 150);
    EXPECT_EQ(o.py, 250);
    EXPECT_EQ(popups.sizePosition, 33);
    EXPECT_EQ(popups.hardnessPosition, 50);
    EXPECT_EQ(popups.pickedLayer, 1);
    EXPECT_FALSE(ui.pointerOverInterface);  // the pointer is above the popup

    Frame(o.px + 120, o.py + 125, false);  // inside the frame, off every control
    EXPECT_TRUE(ui.pointerOverInterface);

    app.altHeld = false;
    Frame(o.px + 50, o.py + 50, false);
    EXPECT_FALSE(popups.altOpen);
    EXPECT_FALSE(popups.brushSquareHot);
    EXPECT_FALSE(ui.pointerOverInterface);
}

TEST_F(PopupTest, AltNearTheLeftEdgeOpensAtTheMarginAndLower) {
    const PopupOrigin o = OpenAlt(40, 100);
    EXPECT_EQ(o.px, 10);
    EXPECT_EQ(o.py, 170);
}

TEST_F(PopupTest, BrushSquareSetsSizeAndHardnessFromThePointer) {
    struct Case {
        int x, y;
        bool shift;
        float radius, hardness;
        int shapeSide;  // 2 (round(radius) + 1)
    };
    const Case cases[] = {
        {50, 33, false, 15.0f, 0.5f, 32},
        {0, 0, false, 1.0f, 0.0f, 4},
        {99, 99, false, 127.0f, 0.99f, 256},
        {70, 66, false, 57.0f, 0.7f, 116},
        {20, 33, true, 15.0f, 1.0f, 32},  // Shift: the hard pixel brush at any x
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x * 1000 + c.y);
        app.altHeld = false;
        Frame(600, 100, false);
        const PopupOrigin o = OpenAlt();
        app.shiftHeld = c.shift;
        Frame(o.px + c.x, o.py + c.y, true);
        EXPECT_TRUE(popups.brushSquareHot);
        EXPECT_FLOAT_EQ(app.brush.radius, c.radius);
        EXPECT_FLOAT_EQ(app.brush.hardness, c.hardness);
        EXPECT_EQ(popups.hardnessPosition, c.shift ? 100 : c.x);
        EXPECT_EQ(popups.sizePosition, c.y);
        EXPECT_EQ(app.brush.pressureSensitivity, !c.shift);
        EXPECT_EQ(app.canvas.smooth, !c.shift);
        EXPECT_EQ(app.brushShape->width, c.shapeSide);
        EXPECT_STREQ(ui.tooltip, "Change brush shape - up/down for size, left/right for hardness, Shift for pixel");
        Frame(o.px + c.x, o.py + c.y, false);
        app.shiftHeld = false;
    }
}

TEST_F(PopupTest, BrushSquareActsOnlyWhileTheButtonIsHeldInIt) {
    const PopupOrigin o = OpenAlt();
    app.shiftHeld = true;
    Frame(o.px + 40, o.py + 40, false);  // hovering changes nothing
    Frame(o.px + 40, o.py + 108, true);  // held below the square
    EXPECT_FLOAT_EQ(app.brush.radius, 1.6f);
    EXPECT_FLOAT_EQ(app.brush.hardness, 0.7f);
    EXPECT_TRUE(app.canvas.smooth);

    // Held into the square: a pixel brush; then without Shift, smoothing again.
    Frame(o.px + 40, o.py + 40, true);
    EXPECT_FALSE(app.canvas.smooth);
    app.shiftHeld = false;
    Frame(o.px + 41, o.py + 40, true);
    EXPECT_TRUE(app.canvas.smooth);
    EXPECT_TRUE(app.brush.pressureSensitivity);
    EXPECT_FLOAT_EQ(app.brush.hardness, 0.41f);
}

TEST_F(PopupTest, PressureBarFollowsADragAndStaysWithinZeroToOne) {
    const PopupOrigin o = OpenAlt();
    const int barX = o.px + 115;
    Frame(barX, o.py + 30, true);
    EXPECT_NEAR(app.brush.pressureScale, 0.7f, 1e-6f);
    EXPECT_STREQ(ui.tooltip, "Change pressure scale/maximum");
    Frame(barX + 200, o.py + 180, true);  // the drag goes on outside the bar
    EXPECT_EQ(app.brush.pressureScale, 0.0f);
    Frame(barX, o.py - 60, true);
    EXPECT_EQ(app.brush.pressureScale, 1.0f);
    Frame(barX, o.py + 50, true);
    Frame(barX, o.py + 50, false);
    Frame(barX, o.py + 90, true);
    Frame(barX + 300, o.py + 90, true);
    EXPECT_NEAR(app.brush.pressureScale, 0.1f, 1e-6f);
    Frame(barX + 300, o.py + 90, false);
    Frame(barX + 300, o.py + 20, true);  // a press off the bar starts no drag
    EXPECT_NEAR(app.brush.pressureScale, 0.1f, 1e-6f);
}

TEST_F(PopupTest, WheelStepsThePressureScaleWithinZeroToOne) {
    const PopupOrigin o = OpenAlt();
    app.brush.pressureScale = 0.95f;
    app.window.wheel = 1;
    Frame(o.px + 300, o.py, false);
    EXPECT_EQ(app.brush.pressureScale, 1.0f);
    for (int notch = 0; notch < 12; ++notch) {
        app.window.wheel = -1;
        Frame(o.px + 300, o.py, false);
        EXPECT_GE(app.brush.pressureScale, 0.0f);
    }
    EXPECT_EQ(app.brush.pressureScale, 0.0f);
    app.window.wheel = 1;
    Frame(o.px + 300, o.py, false);
    EXPECT_NEAR(app.brush.pressureScale, 0.1f, 1e-6f);
}

TEST_F(PopupTest, LineAvoidanceAndPressureSizeExcludeEachOther) {
    const PopupOrigin o = OpenAlt();
    auto toggle = [&](int k) { Click(o.px + 35 + 20 * k, o.py + 120); };
    app.brush.pressureControlledSize = true;
    toggle(1);  // Av
    EXPECT_TRUE(app.brush.lineAvoidance);
    EXPECT_FALSE(app.brush.pressureControlledSize);
    toggle(2);  // Bs
    EXPECT_TRUE(app.brush.pressureControlledSize);
    EXPECT_FALSE(app.brush.lineAvoidance);
    toggle(2);  // turning one off leaves the other off
    EXPECT_FALSE(app.brush.pressureControlledSize);
    EXPECT_FALSE(app.brush.lineAvoidance);
}

TEST_F(PopupTest, InertiaAndJoystickToggles) {
    const PopupOrigin o = OpenAlt();
    Frame(o.px + 95, o.py + 120, false);
    EXPECT_STREQ(ui.tooltip, "Toggle brush inertia (simple path-smoothing)");
    Click(o.px + 95, o.py + 120);
    EXPECT_FLOAT_EQ(app.brush.inertia, 0.9f);
    Click(o.px + 95, o.py + 120);
    EXPECT_EQ(app.brush.inertia, 0.0f);

    // Switching joystick pressure on starts its calibration afresh.
    StartJoystickPressure(app.joystick, 2);
    const float resting[2] = {0.0f, 0.0f}, pressed[2] = {0.0f, 0.8f};
    UpdateJoystickPressure(app.joystick, resting);
    UpdateJoystickPressure(app.joystick, pressed);
    ASSERT_EQ(app.joystick.pressureAxis, 1);
    Click(o.px + 35, o.py + 120);
    EXPECT_TRUE(app.joystick.on);
    EXPECT_EQ(app.joystick.pressureAxis, -1);
    EXPECT_STREQ(ui.tooltip, "Toggle joystick pressure control (self-calibrating)");
    Click(o.px + 35, o.py + 120);
    EXPECT_FALSE(app.joystick.on);
}

TEST_F(PopupTest, ControlClickMakesThePickedLayerCurrent) {
    ASSERT_TRUE(AddLayer(app.document, 0));
    ASSERT_TRUE(AddLayer(app.document, 1));
    app.document.currentLayer = 1;
    app.pick.layerUnderPointer = 0;  // a stale find from an earlier session
    app.ctrlHeld = true;
    OpenAlt();

    // Until the picking finds a layer, the current one is the pick.
    Click(700, 100);
    EXPECT_EQ(popups.pickedLayer, 1);
    EXPECT_EQ(app.document.currentLayer, 1);

    app.pick.layerUnderPointer = 2;  // what the picking finds under the pointer
    Frame(700, 100, false);
    EXPECT_EQ(popups.pickedLayer, 2);
    EXPECT_EQ(app.document.currentLayer, 1);  // shown, not yet chosen
    Click(700, 100);
    EXPECT_EQ(app.document.currentLayer, 2);

    // Without Control a click picks colours, not layers.
    app.ctrlHeld = false;
    app.pick.layerUnderPointer = 0;
    Click(700, 100);
    EXPECT_EQ(app.document.currentLayer, 2);
}

// --- Colour editor ---------------------------------------------------------------

TEST_F(PopupTest, ColourEditorStartsFromThePrimaryAndSetsItFromTheStrips) {
    app.tool.primary = DisplayColor(255, 128, 0, 255);
    OpenColourEditor();
    Frame(300, 300, false);
    EXPECT_EQ(popups.hue, 21);
    EXPECT_EQ(popups.saturation, 255);
    EXPECT_EQ(popups.value, 255);

    Click(110, 110 + 128);  // value strip
    EXPECT_EQ(popups.value, 128);
    EXPECT_EQ(app.tool.primary, DisplayColor(128, 64, 0, 255));
    EXPECT_TRUE(ui.pointerOverInterface);

    // A drag keeps its strip beyond the strip's ends; hues past the wheel are red.
    Frame(40, 110 + 50, true);
    Frame(40, 110 + 253, true);
    EXPECT_EQ(popups.hue, 0);
    EXPECT_EQ(app.tool.primary, DisplayColor(128, 0, 0, 255));
    Frame(200, 600, true);
    EXPECT_EQ(popups.hue, 0);
    Frame(200, 600, false);
    Frame(80, 110 + 200, true);
    Frame(80, 110 - 40, true);
    EXPECT_EQ(popups.saturation, 0);
    EXPECT_EQ(app.tool.primary, DisplayColor(128, 128, 128, 255));
    EXPECT_TRUE(popups.editorOpen);
}

TEST_F(PopupTest, ColourEditorClosesOnAPressOutsideItsPanel) {
    OpenColourEditor();
    Frame(300, 300, false);
    const ColorRecord before = app.tool.primary;
    Click(149, 419);  // the panel's last pixel, outside the strips
    EXPECT_TRUE(popups.editorOpen);
    EXPECT_EQ(app.tool.primary, before);
    Click(150, 200);
    EXPECT_FALSE(popups.editorOpen);

    // Opened again, it takes the primary colour of that moment.
    app.tool.primary = DisplayColor(0, 255, 0, 255);
    OpenColourEditor();
    Frame(300, 300, false);
    EXPECT_EQ(popups.hue, 84);
}

// --- Help popup ------------------------------------------------------------------

TEST_F(PopupTest, HelpPopupClaimsThePointerUnlessAFilterDialogIsOpen) {
    app.showHelp = true;
    const int x = kWindowWidth - 490, y = kWindowHeight - 200;
    Frame(x + 20, y + 20, false);
    EXPECT_TRUE(ui.pointerOverInterface);
    EXPECT_STREQ(ui.tooltip, "Help me help you");
    Frame(x - 1, y + 20, false);
    EXPECT_FALSE(ui.pointerOverInterface);

    app.filterDialog.open = kBlurDialog;
    Frame(x + 20, y + 20, false);
    EXPECT_FALSE(ui.pointerOverInterface);
    EXPECT_STREQ(ui.tooltip, "");
}

// --- New-canvas-size dialog --------------------------------------------------------

class CanvasSizeDialogTest : public PopupTest {
protected:
    static constexpr int kX = kWindowWidth / 2 - 125, kY = kWindowHeight / 2 - 50;

    void Open() {
        app.newCanvasDialogRequested = true;
        Frame(10, 10, false);
    }
    void Type(const char* text) {
        for (const char* c = text; *c; ++c) Frame(10, 10, false, static_cast<unsigned char>(*c));
    }
    // Sets both fields as if typed, with no field open.
    void Fill(const char* width, const char* height) {
        CommitEdit();
        std::strcpy(popups.widthText, width);
        std::strcpy(popups.heightText, height);
    }
    void ClickOk() { Click(kX + 100, kY + 75); }
    void ClickCancel() { Click(kX + 200, kY + 75); }
};

TEST_F(CanvasSizeDialogTest, OpensWithTheDocumentSizeAndTheWidthBeingEdited) {
    Open();
    EXPECT_FALSE(app.newCanvasDialogRequested);
    EXPECT_EQ(popups.sizeDialog, 2);
    EXPECT_TRUE(ui.editing);
    EXPECT_EQ(ui.editBuffer, popups.widthText);
    EXPECT_STREQ(popups.widthText, "200_");
    EXPECT_STREQ(popups.heightText, "150");
    Frame(5, 5, false);
    EXPECT_TRUE(ui.pointerOverInterface);  // the dialog holds the whole window
}

TEST_F(CanvasSizeDialogTest, TypedSizeReadsAsDecimalAndPostsNew) {
    Open();
    Type("\b\b\b0x8-00");  // the field opened at once is numeric like a clicked one
    EXPECT_STREQ(popups.widthText, "0800_");
    ClickOk();
    EXPECT_EQ(popups.sizeDialog, 0);
    EXPECT_FALSE(ui.editing);
    EXPECT_EQ(app.pendingCommand, "new");
    EXPECT_EQ(app.newCanvasWidth, 800);
    EXPECT_EQ(app.newCanvasHeight, 150);
}

TEST_F(CanvasSizeDialogTest, AcceptsEverySideFromOneToTheLimit) {
    struct Case {
        const char* width;
        const char* height;
        int w, h;
    };
    const Case cases[] = {{"16384", "1", 16384, 1}, {"0010", "000000000000099", 10, 99}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        app.pendingCommand.clear();
        Open();
        Fill(c.width, c.height);
        ClickOk();
        EXPECT_EQ(popups.sizeDialog, 0);
        EXPECT_EQ(app.pendingCommand, "new");
        EXPECT_EQ(app.newCanvasWidth, c.w);
        EXPECT_EQ(app.newCanvasHeight, c.h);
    }
}

TEST_F(CanvasSizeDialogTest, RefusedSizesKeepTheDialogOpenAndChangeNothing) {
    struct Case {
        const char* width;
        const char* height;
    };
    const Case cases[] = {{"0", "150"},   {"16385", "150"}, {"", "150"},        {"12a", "150"},
                          {"-5", "150"},  {"200", "0"},     {"200", "99999999999"}, {"200", " 150"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.width) + " x " + c.height);
        Open();
        Fill(c.width, c.height);
        ClickOk();
        EXPECT_EQ(popups.sizeDialog, 2);
        EXPECT_TRUE(app.pendingCommand.empty());
        EXPECT_EQ(app.newCanvasWidth, 1024);
        EXPECT_EQ(app.newCanvasHeight, 724);
        ClickCancel();
        ASSERT_EQ(popups.sizeDialog, 0);
    }
}

TEST_F(CanvasSizeDialogTest, CancelAndEscapeCloseWithoutChange) {
    Open();
    Type("9");
    ClickCancel();
    EXPECT_EQ(popups.sizeDialog, 0);
    EXPECT_TRUE(app.pendingCommand.empty());
    EXPECT_EQ(app.newCanvasWidth, 1024);

    Open();
    Type("9");
    app.escapeHeld = true;
    Frame(10, 10, false);
    app.escapeHeld = false;
    EXPECT_EQ(popups.sizeDialog, 0);
    EXPECT_FALSE(ui.editing);
    EXPECT_STREQ(popups.widthText, "200");  // the edit was cancelled too
    EXPECT_TRUE(app.pendingCommand.empty());
}

// --- In the running program ---------------------------------------------------------

TEST_F(ProgramTest, AColourStripDragFollowsThePointerAnywhereUntilRelease) {
    for (int k = 0; k < 7; ++k) ASSERT_TRUE(AddLayer(app.document, 0));  // a layer panel under the strips
    app.document.modified = false;
    app.tool.primary = DisplayColor(255, 128, 0, 255);
    Click(30, 40);  // the foreground swatch
    ASSERT_TRUE(app.popups.editorOpen);
    const int current = app.document.currentLayer;

    Pass(110, 110 + 128, false);
    Pass(110, 110 + 128, true);  // in the value strip
    EXPECT_EQ(app.popups.value, 128);
    struct Step {
        int x, y, value;
    };
    // Over the canvas, the menu bar, the layer panel, the swatch and the
    // window's last row: the strip alone decides.
    const Step steps[] = {{600, 110 + 200, 200}, {300, 5, 0},     {140, 110 + 60, 60},
                          {30, 40, 0},           {700, 649, 255}, {20, 110 + 100, 100}};
    for (const Step& s : steps) {
        Pass(s.x, s.y, true);
        EXPECT_EQ(app.popups.value, s.value) << s.x << "," << s.y;
        EXPECT_EQ(app.popups.hue, 21) << s.x << "," << s.y;
        EXPECT_TRUE(app.popups.editorOpen);
    }
    Pass(600, 300, false);
    Pass(600, 110 + 20, false);
    EXPECT_EQ(app.popups.value, 100);
    EXPECT_EQ(app.tool.primary, DisplayColor(100, 50, 0, 255));
    EXPECT_FALSE(app.document.modified);  // nothing painted or changed on the way
    EXPECT_EQ(app.document.layerCount, 8);
    EXPECT_EQ(app.document.currentLayer, current);
}

class CanvasSizeDialogPasses : public ProgramTest {
protected:
    static constexpr int kX = 950 / 2 - 125, kY = 650 / 2 - 50;
    // File > New: the dialog opens with the width being edited.
    void Open() {
        Pass(10, 5, false);
        Pass(10, 5, true);
        Pass(15, 25, true);
        Pass(15, 25, false);
        Pass(kX + 20, kY + 20, false);
        ASSERT_EQ(app.popups.sizeDialog, 2);
        ASSERT_EQ(ui.editBuffer, app.popups.widthText);
    }
    void Type(const char* text) {
        for (const char* c = text; *c; ++c) Pass(kX + 20, kY + 20, false, static_cast<unsigned char>(*c));
    }
    void Press(int key) {
        const unsigned char typed = key == platform::kKeyEnter ? 13 : key == platform::kKeyTab ? 9 : 27;
        Key(key, typed, kX + 20, kY + 20);
    }
    // The posted "new" runs at the start of the next pass.
    void Settle() { Pass(kX + 20, kY + 20, false); }
};

TEST_F(CanvasSizeDialogPasses, EnterOrTabInTheWidthMovesOnToTheHeight) {
    for (int key : {platform::kKeyEnter, platform::kKeyTab}) {
        SCOPED_TRACE(key);
        TearDown();
        SetUp();
        Open();
        Type("\b\b\b\b800");
        Press(key);
        EXPECT_EQ(app.popups.sizeDialog, 2);
        EXPECT_STREQ(app.popups.widthText, "800");
        ASSERT_TRUE(ui.editing);
        EXPECT_EQ(ui.editBuffer, app.popups.heightText);
        EXPECT_STREQ(app.popups.heightText, "724_");
        Type("\b\b\b600");
        Press(platform::kKeyEnter);
        Settle();
        EXPECT_EQ(app.popups.sizeDialog, 0);
        EXPECT_EQ(app.document.width, 800);
        EXPECT_EQ(app.document.height, 600);
    }
}

TEST_F(CanvasSizeDialogPasses, EnterWithNoFieldOpenIsOkAndEscapeCancels) {
    Open();
    Type("\b\b\b\b300");
    Click(kX + 20, kY + 20);  // a click ends the edit
    ASSERT_FALSE(ui.editing);
    Press(platform::kKeyEnter);
    Settle();
    EXPECT_EQ(app.popups.sizeDialog, 0);
    EXPECT_EQ(app.document.width, 300);
    EXPECT_EQ(app.document.height, 724);

    Open();
    Type("9");
    Press(platform::kKeyEscape);
    Settle();
    EXPECT_EQ(app.popups.sizeDialog, 0);
    EXPECT_FALSE(ui.editing);
    EXPECT_TRUE(app.pendingCommand.empty());
    EXPECT_EQ(app.document.width, 300);
}

}  // namespace

// --- Brush presets, through whole passes of the program ------------------------

class BrushPresetPasses : public ProgramTest {
protected:
    // Opens the brush popup with Alt at (x, y) and returns slot k's centre.
    void OpenPopup(int x = 400, int y = 200) {
        platform::fake::Hold({platform::kKeyLeftAlt});
        Pass(x, y, false);
        ASSERT_TRUE(app.popups.altOpen);
    }
    int SlotX(int k) const { return app.popups.px + 15 * k + 6; }
    int SlotY() const { return app.popups.py + 138; }
};

TEST_F(BrushPresetPasses, AClickTakesASlotsBrushAndCtrlClickKeepsTheCurrentOneThere) {
    const BrushPresets defaults = DefaultBrushPresets();
    ASSERT_TRUE(AddLayer(app.document, 0));
    app.document.currentLayer = 1;
    OpenPopup();

    // The soft airbrush: size, hardness and the pressure options at once.
    Click(SlotX(3), SlotY());
    EXPECT_EQ(PresetOfBrush(app.brush), defaults[3]);
    EXPECT_EQ(app.popups.sizePosition, SizePosition(defaults[3].radius));
    EXPECT_STREQ(ui.tooltip, "Brush preset - click to use it, Ctrl+click to keep the current brush here");
    // The pixel pencil: no pressure, no smoothing.
    Click(SlotX(2), SlotY());
    EXPECT_EQ(app.brush.hardness, 1.0f);
    EXPECT_FALSE(app.brush.pressureSensitivity);
    EXPECT_FALSE(app.canvas.smooth);

    // A brush of one's own from the square, kept in slot 0 with Ctrl+click;
    // the click picks no layer.
    Pass(app.popups.px + 40, app.popups.py + 60, false);
    Pass(app.popups.px + 40, app.popups.py + 60, true);
    Pass(app.popups.px + 40, app.popups.py + 60, false);
    const BrushPreset own = PresetOfBrush(app.brush);
    ASSERT_NE(own, defaults[0]);
    platform::fake::Hold({platform::kKeyLeftCtrl});
    Click(SlotX(0), SlotY());
    platform::fake::Release({platform::kKeyLeftCtrl});
    EXPECT_EQ(app.brushPresets[0], own);
    EXPECT_EQ(app.document.currentLayer, 1);
    EXPECT_EQ(PresetOfBrush(app.brush), own);  // storing changes no brush

    Click(SlotX(7), SlotY());
    EXPECT_EQ(PresetOfBrush(app.brush), defaults[7]);
    Click(SlotX(0), SlotY());
    EXPECT_EQ(PresetOfBrush(app.brush), own);
    // The shape painted with is the chosen brush's.
    PixelImage* expected = NewBrushImage();
    BuildBrushShape(*expected, own.radius, own.hardness);
    EXPECT_TRUE(doctest::SameSamples(*expected, *app.brushShape));
    delete expected;
    platform::fake::Release({platform::kKeyLeftAlt});
}

TEST_F(BrushPresetPasses, PressureSizeFromAPresetTurnsLineAvoidanceOff) {
    app.brush.lineAvoidance = true;
    OpenPopup();
    Click(SlotX(1), SlotY());  // the inking pen
    EXPECT_TRUE(app.brush.pressureControlledSize);
    EXPECT_FALSE(app.brush.lineAvoidance);
    platform::fake::Release({platform::kKeyLeftAlt});
}
