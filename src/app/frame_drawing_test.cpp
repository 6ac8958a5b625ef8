#include <gtest/gtest.h>

#include <cmath>

#include "app/app_settings.h"
#include "app/program_test_support.h"
#include "platform/input.h"
#include "ui/ui_scale.h"

namespace {

class FrameDrawingTest : public ProgramTest {
protected:
    // Overlay vertices of the last frame whose distance from (x, y) is the
    // radius, give or take a pixel.
    static int OverlayVerticesAt(float x, float y, float radius) {
        int n = 0;
        for (const OverlayVertex& v : app.canvas.overlay)
            if (std::abs(std::hypot(v.x - x, v.y - y) - radius) < 1.0f) ++n;
        return n;
    }
};

TEST_F(FrameDrawingTest, TheBrushOutlineShowsWhileThePointerIsInTheAltPopupsSquare) {
    // Still passes settle the canvas cursor on the pointer's pixel centre.
    for (int k = 0; k < 4; ++k) Pass(500, 200, false);
    platform::fake::Hold({platform::kKeyLeftAlt});
    Pass(500, 200, false);
    ASSERT_TRUE(app.popups.altOpen);
    ASSERT_EQ(app.popups.px, 350);
    ASSERT_EQ(app.popups.py, 250);

    // Low in the square a large brush; then the pointer rests there.
    Pass(440, 340, true);
    Pass(440, 340, false);
    Pass(440, 340, false);
    ASSERT_GT(app.brush.radius, 90.0f);
    const float outer = (app.stroke.effectiveRadius - 0.5f) * app.view.zoomFactor;
    // Alt keeps the outline where the brush will paint, not at the pointer.
    EXPECT_GE(OverlayVerticesAt(500.5f, 200.5f, outer), 64);

    // Elsewhere the held Alt hides it.
    Pass(700, 200, false);
    Pass(700, 200, false);
    EXPECT_EQ(OverlayVerticesAt(500.5f, 200.5f, outer), 0);
}

TEST_F(FrameDrawingTest, TheOverviewButtonIgnoresPressesOnTheMenuBar) {
    // A 1024 x 724 document's overview is 181 pixels wide; its button lies
    // 20 pixels left of it, at the window's top, where the menu bar may be.
    struct Case {
        int windowWidth, buttonX;
        bool toggles;
    };
    const Case cases[] = {{700, 505, false}, {950, 755, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.windowWidth);
        TearDown();
        StartProgram(c.windowWidth, 650);
        ASSERT_FALSE(app.canvas.overview.show);
        Click(c.buttonX, 5);
        EXPECT_EQ(app.canvas.overview.show, c.toggles);
    }
}

// The interface's scale follows the display's DPI when none was chosen; the
// controls then answer to the window pixels they are drawn on.
TEST_F(FrameDrawingTest, A144DpiDisplayLaysTheInterfaceOutAtOneAndAHalf) {
    TearDown();
    displayDpi = 144;
    StartProgram(950, 650);
    ASSERT_EQ(UiScale(), 150);
    // The 17-unit menu bar covers window rows 0 to 24 (its edge is drawn at 25.25).
    Pass(100, 24, false);
    EXPECT_TRUE(ui.pointerOverTopBar);
    EXPECT_EQ(ui.windowWidth, 633);
    EXPECT_EQ(ui.windowHeight, 433);
    Pass(100, 25, false);
    EXPECT_FALSE(ui.pointerOverTopBar);
    // Across, the File title ends and Edit begins at unit 45: window column
    // 67; Edit ends and Settings begins at unit 85: window column 127.
    Pass(66, 5, false);
    EXPECT_STREQ(ui.tooltip, "File operations");
    Pass(67, 5, false);
    EXPECT_STREQ(ui.tooltip, "Undo and redo");
    Pass(126, 5, false);
    EXPECT_STREQ(ui.tooltip, "Undo and redo");
    Pass(127, 5, false);
    EXPECT_STREQ(ui.tooltip, "Configure various program settings");
}

TEST_F(FrameDrawingTest, TheSettingsRowChangesTheScaleAtOnce) {
    TearDown();
    displayDpi = 144;
    StartProgram(950, 650);
    // Press on Settings, drag to its third row (units 51 to 67 down: window
    // rows 77 to 101) and release there.
    Pass(150, 20, false);
    Pass(150, 20, true);
    Pass(150, 90, true);
    Pass(150, 90, false);
    EXPECT_EQ(UiScale(), 200);
    EXPECT_EQ(CurrentSettings().uiScale, 200) << "kept as chosen";
    // The very next pass lays out in 2-pixel units.
    Pass(100, 33, false);
    EXPECT_TRUE(ui.pointerOverTopBar);
    Pass(100, 34, false);
    EXPECT_FALSE(ui.pointerOverTopBar);
    // A chosen scale outlasts the display's default.
    Pass(200, 20, true);
    Pass(200, 120, true);
    Pass(200, 120, false);
    EXPECT_EQ(UiScale(), 100);
    EXPECT_EQ(CurrentSettings().uiScale, 100);
}

// The overview's button is part of the interface: at 150 % in a 1400-pixel
// window it lies 20 units left of the 181-unit picture, units 732 to 752
// across (window columns 1098 to 1127), not at columns 1199 to 1218.
TEST_F(FrameDrawingTest, TheOverviewButtonScalesWithTheInterface) {
    TearDown();
    displayDpi = 144;
    StartProgram(1400, 650);
    ASSERT_FALSE(app.canvas.overview.show);
    Click(1205, 8);
    EXPECT_FALSE(app.canvas.overview.show);
    Click(1110, 8);
    EXPECT_TRUE(app.canvas.overview.show);
}

// The Alt popup is placed from the pointer in the interface's units.
TEST_F(FrameDrawingTest, TheAltPopupOpensBesideTheScaledPointer) {
    TearDown();
    displayDpi = 144;
    StartProgram(950, 650);
    for (int k = 0; k < 4; ++k) Pass(600, 300, false);
    platform::fake::Hold({platform::kKeyLeftAlt});
    Pass(600, 300, false);
    ASSERT_TRUE(app.popups.altOpen);
    // The pointer is at unit (400, 200); the popup 150 left and 50 below.
    EXPECT_EQ(app.popups.px, 250);
    EXPECT_EQ(app.popups.py, 250);
}

}  // namespace
