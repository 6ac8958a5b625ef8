#include <gtest/gtest.h>

#include <cmath>

#include "app/program_test_support.h"
#include "platform/input.h"

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

}  // namespace
