#include "app/view_navigation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Point {
    double x, y;
};

// Reference rotation in double precision, independent of the code under test.
Point Turn(double x, double y, double degrees) {
    double a = degrees * kPi / 180;
    return {x * std::cos(a) - y * std::sin(a), x * std::sin(a) + y * std::cos(a)};
}

// The document point (pixel centres at whole numbers) drawn at the window
// centre, before mirroring.
Point CentreDocumentPoint(const ViewState& v) { return Turn(-v.viewOffset.x, -v.viewOffset.y, -v.viewRotation); }

// Angle reduced to 0..360 for comparing turns.
double Turns(double degrees) {
    double a = std::fmod(degrees, 360.0);
    return a < 0 ? a + 360 : a;
}

// One pass of the view steps in the order the frame's input runs them.
bool RunPass(ViewState& v, const ViewInput& in) {
    MouseToCanvas(v, in);
    ApplyZoomKeys(v, in);
    UpdateZoom(v);
    StepViewReset(v, in.canvasWidth, in.canvasHeight);
    TriggerRotationReset(v, in);
    StepRotationReset(v);
    bool mirrored = ApplyMirrorKey(v, in);
    UpdateSpaceNavigation(v, in);
    SnapViewOffset(v);
    return mirrored;
}

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        in.windowWidth = 800;
        in.windowHeight = 600;
        in.canvasWidth = 400;
        in.canvasHeight = 300;
        in.mouseX = 400;
        in.mouseY = 300;
        ResetView(view, in.canvasWidth, in.canvasHeight);
    }
    // Moves the mouse to the window centre plus (dx, dy).
    void MouseAt(int dx, int dy) {
        in.mouseX = in.windowWidth / 2 + dx;
        in.mouseY = in.windowHeight / 2 + dy;
    }
    ViewState view;
    ViewInput in;
};

// --- Zoom ------------------------------------------------------------------

struct ZoomTargetCase {
    int step;
    double expected;
};

class ZoomTargets : public ::testing::TestWithParam<ZoomTargetCase> {};

TEST_P(ZoomTargets, FollowTheSquaredPowerLaw) {
    const ZoomTargetCase& c = GetParam();
    EXPECT_NEAR(ZoomTarget(c.step), c.expected, c.expected * 1e-5);
}

// Exponents (1 + (step - 20) * 0.05)^2 worked out by hand.
INSTANTIATE_TEST_SUITE_P(Steps, ZoomTargets,
                         ::testing::Values(ZoomTargetCase{4, std::pow(2.0, 0.04) - 1},    // about 0.028
                                           ZoomTargetCase{16, std::pow(2.0, 0.64) - 1},
                                           ZoomTargetCase{24, std::pow(2.0, 1.44) - 1},
                                           ZoomTargetCase{48, std::pow(2.0, 5.76) - 1}),  // about 53.2
                         [](const auto& info) { return "Step" + std::to_string(info.param.step); });

TEST(ZoomTarget, HomeStepIsExactlyOne) { EXPECT_EQ(ZoomTarget(20), 1.0f); }

struct ZoomKeyCase {
    const char* name;
    int start;
    bool plus, minus, star;
    int wheel;
    bool alt;
    int expected;
};

class ZoomKeys : public ViewTest, public ::testing::WithParamInterface<ZoomKeyCase> {};

TEST_P(ZoomKeys, MoveTheStepAndClamp) {
    const ZoomKeyCase& c = GetParam();
    view.zoomStep = c.start;
    in.numpadPlus = c.plus;
    in.numpadMinus = c.minus;
    in.numpadStar = c.star;
    in.wheel = c.wheel;
    in.altHeld = c.alt;
    ApplyZoomKeys(view, in);
    UpdateZoom(view);
    EXPECT_EQ(view.zoomStep, c.expected);
    int resets = c.star ? 40 : 0;
    EXPECT_EQ(view.viewResetFrames, resets);
    EXPECT_EQ(view.rotationResetFrames, resets);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ZoomKeys,
    ::testing::Values(ZoomKeyCase{"PlusFrom18LandsOnHome", 18, true, false, false, 0, false, 20},
                      ZoomKeyCase{"MinusFrom22LandsOnHome", 22, false, true, false, 0, false, 20},
                      ZoomKeyCase{"PlusFromHome", 20, true, false, false, 0, false, 24},
                      ZoomKeyCase{"MinusFromHome", 20, false, true, false, 0, false, 16},
                      ZoomKeyCase{"PlusFrom16", 16, true, false, false, 0, false, 20},
                      ZoomKeyCase{"PlusStopsAtTop", 46, true, false, false, 0, false, 48},
                      ZoomKeyCase{"MinusStopsAtBottom", 6, false, true, false, 0, false, 4},
                      ZoomKeyCase{"StarGoesHome", 37, false, false, true, 0, false, 20},
                      ZoomKeyCase{"WheelUp", 44, false, false, false, 1, false, 46},
                      ZoomKeyCase{"WheelDown", 20, false, false, false, -1, false, 18},
                      ZoomKeyCase{"WheelStopsAtTop", 48, false, false, false, 1, false, 48},
                      ZoomKeyCase{"WheelStopsAtBottom", 4, false, false, false, -1, false, 4},
                      ZoomKeyCase{"WheelIgnoredWithAlt", 20, false, false, false, 1, true, 20}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewTest, NumpadKeysShareOnePressMemory) {
    in.numpadPlus = true;
    for (int pass = 0; pass < 5; ++pass) RunPass(view, in);
    EXPECT_EQ(view.zoomStep, 24);  // held for five passes, acted once

    in.numpadMinus = true;  // pressed while + is still held: not a new press
    RunPass(view, in);
    EXPECT_EQ(view.zoomStep, 24);

    in.wheel = 1;  // the wheel has no press memory
    RunPass(view, in);
    RunPass(view, in);
    EXPECT_EQ(view.zoomStep, 28);

    in.wheel = 0;
    in.numpadPlus = in.numpadMinus = false;
    RunPass(view, in);
    in.numpadPlus = true;
    RunPass(view, in);
    EXPECT_EQ(view.zoomStep, 32);
}

TEST_F(ViewTest, ZoomFactorEasesAndSettlesExactlyOnTarget) {
    view.zoomStep = 24;
    const double target = std::pow(2.0, 1.44) - 1;
    UpdateZoom(view);
    EXPECT_NEAR(view.zoomFactor, 0.7 * 1 + 0.3 * target, 1e-5);

    float last = view.zoomFactor;
    int passes = 1;
    while (view.zoomFactor != view.zoomTarget && passes < 100) {
        UpdateZoom(view);
        EXPECT_GT(view.zoomFactor, last);
        EXPECT_LE(view.zoomFactor, view.zoomTarget);
        last = view.zoomFactor;
        ++passes;
    }
    // 0.7^n of the gap falls under 0.1 % of the target after about 20 passes.
    EXPECT_LT(passes, 30);
    EXPECT_NEAR(view.zoomFactor, target, target * 1e-5);
}

// --- Reset -------------------------------------------------------------------

struct ResetCase {
    int width, height;
    float x, y;
};

class ResetViewCases : public ::testing::TestWithParam<ResetCase> {};

TEST_P(ResetViewCases, CentresTheCanvasAtHundredPercent) {
    const ResetCase& c = GetParam();
    ViewState v;
    v.viewOffset = {17.25f, -3.5f, 0};
    v.viewRotation = 123;
    v.zoomStep = 40;
    v.zoomFactor = 7;
    v.mirrored = true;
    ResetView(v, c.width, c.height);
    EXPECT_EQ(v.viewOffset.x, c.x);
    EXPECT_EQ(v.viewOffset.y, c.y);
    EXPECT_EQ(v.viewRotation, 0);
    EXPECT_EQ(v.zoomStep, 20);
    EXPECT_EQ(v.zoomFactor, 1);
    EXPECT_FALSE(v.mirrored);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ResetViewCases,
                         ::testing::Values(ResetCase{1024, 724, -512, -362}, ResetCase{1025, 3, -512, -1},
                                           ResetCase{1, 1, 0, 0}));

// --- Mouse to canvas ---------------------------------------------------------

struct MouseCase {
    const char* name;
    int windowWidth, windowHeight;
    float offsetX, offsetY, rotation, zoom;
    int mouseX, mouseY;
    double canvasX, canvasY;  // worked out by hand
};

class MouseToCanvasCases : public ::testing::TestWithParam<MouseCase> {};

TEST_P(MouseToCanvasCases, FindsTheCanvasPointUnderTheMouse) {
    const MouseCase& c = GetParam();
    ViewState v;
    v.viewOffset = {c.offsetX, c.offsetY, 0};
    v.viewRotation = c.rotation;
    v.zoomFactor = c.zoom;
    ViewInput in;
    in.windowWidth = c.windowWidth;
    in.windowHeight = c.windowHeight;
    in.mouseX = c.mouseX;
    in.mouseY = c.mouseY;
    MouseToCanvas(v, in);
    EXPECT_NEAR(v.canvasCursor.x, c.canvasX, 1e-3);
    EXPECT_NEAR(v.canvasCursor.y, c.canvasY, 1e-3);
    EXPECT_EQ(v.mouseOffset.x, static_cast<float>(c.mouseX - c.windowWidth / 2));
    EXPECT_EQ(v.mouseOffset.y, static_cast<float>(c.mouseY - c.windowHeight / 2));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MouseToCanvasCases,
    ::testing::Values(MouseCase{"HomeCentre", 1024, 724, -512, -362, 0, 1, 512, 362, 512.5, 362.5},
                      MouseCase{"Zoomed", 1024, 724, -100, -50, 0, 2, 532, 352, 110.5, 45.5},
                      // m = (10, 0), s = (5, 0), turned by -90 degrees: (0, -5).
                      MouseCase{"QuarterTurnOddWindow", 801, 601, 0, 0, 90, 2, 410, 300, 0.5, -4.5},
                      // s - offset = (0, -20), turned by -180 degrees: (0, 20).
                      MouseCase{"HalfTurn", 100, 100, 10, 20, 180, 1, 60, 50, 0.5, 20.5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewTest, StillMouseIsExtrapolatedByHalfItsLastMoveOnce) {
    view.viewOffset = {0, 0, 0};
    // Window centre is (400, 300); offsets of 100, 110, then still, then 130.
    const int mouse[] = {500, 510, 510, 510, 510, 530};
    const double cursor[] = {100.5, 110.5, 115.5, 110.5, 110.5, 130.5};
    for (int pass = 0; pass < 6; ++pass) {
        in.mouseX = mouse[pass];
        MouseToCanvas(view, in);
        EXPECT_EQ(view.mouseOffset.x, mouse[pass] - 400) << "pass " << pass;
        EXPECT_NEAR(view.canvasCursor.x, cursor[pass], 1e-4) << "pass " << pass;
    }
}

TEST_F(ViewTest, AltHoldsTheCursorButNotTheToolPoint) {
    view.viewOffset = {0, 0, 0};
    view.mirrored = true;
    MouseAt(40, 10);
    MouseToCanvas(view, in);
    in.altHeld = true;
    MouseAt(70, 20);
    MouseToCanvas(view, in);
    EXPECT_NEAR(view.canvasCursor.x, 40.5, 1e-4);
    EXPECT_NEAR(view.canvasCursor.y, 10.5, 1e-4);
    Float3 tool = ToolCanvasPoint(view, in.canvasWidth);
    EXPECT_NEAR(tool.x, 400 - 70.5, 1e-4);  // mirrored within the 400-wide canvas
    EXPECT_NEAR(tool.y, 20.5, 1e-4);
}

// --- The drawing transform ---------------------------------------------------

TEST(ViewTransformTest, PlacesDocumentPointsAsTheCanvasIsDrawn) {
    ViewState v;
    v.viewOffset = {-10, 5, 0};
    v.viewRotation = 90;
    v.zoomFactor = 2;
    // Window centre (500.5, 400.5); (3, 4) turned by 90 degrees is (-4, 3).
    ViewTransform t = MakeViewTransform(v, 1000, 800, 11);
    Float2 w = DocumentToWindow(t, {3, 4});
    EXPECT_NEAR(w.x, 500.5 + 2 * (-10 - 4), 1e-3);
    EXPECT_NEAR(w.y, 400.5 + 2 * (5 + 3), 1e-3);

    // Mirrored in an 11-pixel-wide document, x = 3 is drawn where x = 7 was.
    v.mirrored = true;
    t = MakeViewTransform(v, 1000, 800, 11);
    w = DocumentToWindow(t, {3, 4});
    EXPECT_NEAR(w.x, 500.5 + 2 * (-10 - 4), 1e-3);
    EXPECT_NEAR(w.y, 400.5 + 2 * (5 + 7), 1e-3);

    float m[16];
    ViewMatrix(t, m);
    EXPECT_NEAR(m[0] * 3 + m[4] * 4 + m[12], 500.5 + 2 * (-10 - 4), 1e-3);
    EXPECT_NEAR(m[1] * 3 + m[5] * 4 + m[13], 400.5 + 2 * (5 + 7), 1e-3);
}

struct RoundTripCase {
    const char* name;
    float rotation, zoom;
    bool mirrored;
    float offsetX, offsetY;
};

class MouseRoundTrip : public ViewTest, public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(MouseRoundTrip, ToolPointIsDrawnUnderTheMouse) {
    const RoundTripCase& c = GetParam();
    view.viewRotation = c.rotation;
    view.zoomFactor = c.zoom;
    view.mirrored = c.mirrored;
    view.viewOffset = {c.offsetX, c.offsetY, 0};
    const int mice[][2] = {{0, 0}, {123, -45}, {-300, 250}, {7, 299}};
    for (const auto& mouse : mice) {
        MouseAt(mouse[0], mouse[1]);
        MouseToCanvas(view, in);
        Float3 tool = ToolCanvasPoint(view, in.canvasWidth);
        ViewTransform t = MakeViewTransform(view, in.windowWidth, in.windowHeight, in.canvasWidth);
        // The tool point is in pixel units (pixel p spans p..p+1); the
        // transform's document points put pixel centres on whole numbers.
        Float2 w = DocumentToWindow(t, {tool.x - 0.5f, tool.y - 0.5f});
        EXPECT_NEAR(w.x, in.mouseX + 0.5, 2e-3 * c.zoom) << mouse[0] << "," << mouse[1];
        EXPECT_NEAR(w.y, in.mouseY + 0.5, 2e-3 * c.zoom) << mouse[0] << "," << mouse[1];
        Float2 back = WindowToDocument(t, {in.mouseX + 0.5f, in.mouseY + 0.5f});
        EXPECT_NEAR(back.x + 0.5, tool.x, 2e-3);
        EXPECT_NEAR(back.y + 0.5, tool.y, 2e-3);
    }
}

INSTANTIATE_TEST_SUITE_P(Views, MouseRoundTrip,
                         ::testing::Values(RoundTripCase{"Home", 0, 1, false, -200, -150},
                                           RoundTripCase{"Turned", 37, 2.5f, false, -90, 40},
                                           RoundTripCase{"Mirrored", 0, 1, true, -200, -150},
                                           RoundTripCase{"TurnedAndMirrored", 250, 0.4f, true, 33, -71}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Mirror ------------------------------------------------------------------

struct MirrorCase {
    const char* name;
    int canvasWidth;
    float offsetX, offsetY, rotation, zoom;
};

class MirrorCases : public ViewTest, public ::testing::WithParamInterface<MirrorCase> {};

TEST_P(MirrorCases, OnePressKeepsTheCentreAndTwoRestoreTheView) {
    const MirrorCase& c = GetParam();
    in.canvasWidth = c.canvasWidth;
    view.viewOffset = {c.offsetX, c.offsetY, 0};
    view.viewRotation = c.rotation;
    view.zoomFactor = c.zoom;
    Point before = CentreDocumentPoint(view);

    MirrorView(view, c.canvasWidth);
    EXPECT_TRUE(view.mirrored);
    Point drawn = CentreDocumentPoint(view);
    // The document pixel now shown at the centre is the mirror of the drawn one.
    EXPECT_NEAR(c.canvasWidth - 1 - drawn.x, before.x, 1.001);
    EXPECT_NEAR(drawn.y, before.y, 1e-2);
    EXPECT_NEAR(Turns(view.viewRotation), Turns(-c.rotation), 1e-3);

    MirrorView(view, c.canvasWidth);
    EXPECT_FALSE(view.mirrored);
    EXPECT_NEAR(view.viewOffset.x, c.offsetX, 1e-2);
    EXPECT_NEAR(view.viewOffset.y, c.offsetY, 1e-2);
    EXPECT_NEAR(Turns(view.viewRotation), Turns(c.rotation), 1e-3);
}

INSTANTIATE_TEST_SUITE_P(Views, MirrorCases,
                         ::testing::Values(MirrorCase{"Home", 400, -200, -150, 0, 1},
                                           MirrorCase{"OddWidth", 1025, -512, -300, 0, 1},
                                           MirrorCase{"Scrolled", 400, -37, 12, 0, 1},
                                           MirrorCase{"Turned", 400, -120, -260, 30, 2},
                                           MirrorCase{"TurnedPastHalf", 640, 80, -310, 270, 0.5f}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewTest, FMirrorsOncePerPressAndNotWithSpace) {
    in.fHeld = true;
    EXPECT_TRUE(RunPass(view, in));
    EXPECT_FALSE(RunPass(view, in));
    EXPECT_TRUE(view.mirrored);

    in.fHeld = false;
    RunPass(view, in);
    in.fHeld = in.spaceHeld = true;
    EXPECT_FALSE(RunPass(view, in));
    EXPECT_TRUE(view.mirrored);
}

// --- Rotation reset ----------------------------------------------------------

struct RotationResetCase {
    float start;
    double shortWay;   // the same angle within -180..180, by hand
    double firstPass;  // after one pass; under half a degree ends at 0
};

class RotationReset : public ViewTest, public ::testing::WithParamInterface<RotationResetCase> {};

TEST_P(RotationReset, TurnsTheShortWayAboutTheWindowCentre) {
    const RotationResetCase& c = GetParam();
    view.viewRotation = c.start;
    view.viewOffset = {-150, -90, 0};
    Point pivot = CentreDocumentPoint(view);
    view.rotationResetFrames = 40;

    StepRotationReset(view);
    EXPECT_NEAR(view.viewRotation, c.firstPass, 1e-3);
    double last = std::fabs(c.shortWay);
    while (view.rotationResetFrames > 0) {
        EXPECT_LT(std::fabs(view.viewRotation), last);
        EXPECT_GE(view.viewRotation * c.shortWay, 0);  // never swings across zero
        last = std::fabs(view.viewRotation);
        Point centre = CentreDocumentPoint(view);
        EXPECT_NEAR(centre.x, pivot.x, 1e-2);
        EXPECT_NEAR(centre.y, pivot.y, 1e-2);
        StepRotationReset(view);
    }
    EXPECT_EQ(view.viewRotation, 0);
    Point centre = CentreDocumentPoint(view);
    EXPECT_NEAR(centre.x, pivot.x, 1e-2);
    EXPECT_NEAR(centre.y, pivot.y, 1e-2);
}

INSTANTIATE_TEST_SUITE_P(Angles, RotationReset,
                         ::testing::Values(RotationResetCase{350, -10, -10 * (0.6 + 0.4 * std::sqrt(0.05))},
                                           RotationResetCase{10, 10, 10 * (0.6 + 0.4 * std::sqrt(0.05))},
                                           RotationResetCase{190, -170, -170 * (0.6 + 0.4 * std::sqrt(0.85))},
                                           RotationResetCase{170, 170, 170 * (0.6 + 0.4 * std::sqrt(0.85))},
                                           RotationResetCase{-120, -120, -120 * (0.6 + 0.4 * std::sqrt(0.6))},
                                           RotationResetCase{359.75f, -0.25, 0}));

TEST_F(ViewTest, SpaceShiftRestartsTheRotationResetWhileHeld) {
    view.viewRotation = 90;
    in.spaceHeld = in.shiftHeld = true;
    for (int pass = 0; pass < 3; ++pass) {
        RunPass(view, in);
        EXPECT_EQ(view.rotationResetFrames, 39);
    }
    in.shiftHeld = false;
    RunPass(view, in);
    EXPECT_EQ(view.rotationResetFrames, 38);
}

// --- Numpad * and the view reset ---------------------------------------------

struct HomeCase {
    const char* name;
    float offsetX, offsetY, rotation;
    int zoomStep;
};

class NumpadStar : public ViewTest, public ::testing::WithParamInterface<HomeCase> {};

TEST_P(NumpadStar, BringsTheViewExactlyHome) {
    const HomeCase& c = GetParam();
    in.canvasWidth = 1025;
    in.canvasHeight = 724;
    view.viewOffset = {c.offsetX, c.offsetY, 0};
    view.viewRotation = c.rotation;
    view.zoomStep = c.zoomStep;
    view.zoomFactor = view.zoomTarget = ZoomTarget(c.zoomStep);

    in.numpadStar = true;
    int passes = 0;
    do {
        RunPass(view, in);
        ++passes;
    } while ((view.viewResetFrames > 0 || view.rotationResetFrames > 0) && passes < 100);

    EXPECT_LE(passes, 41);
    EXPECT_EQ(view.viewOffset.x, -512);
    EXPECT_EQ(view.viewOffset.y, -362);
    EXPECT_EQ(view.viewRotation, 0);

    // The zoom may take longer to settle; the view stays home meanwhile.
    for (int pass = 0; pass < 40; ++pass) RunPass(view, in);
    EXPECT_EQ(view.viewOffset.x, -512);
    EXPECT_EQ(view.viewOffset.y, -362);
    EXPECT_EQ(view.viewRotation, 0);
    EXPECT_EQ(view.zoomStep, 20);
    EXPECT_EQ(view.zoomFactor, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Views, NumpadStar,
    ::testing::Values(HomeCase{"ScrolledFar", 900, -2000, 0, 20}, HomeCase{"ScrolledAndZoomed", -40.5f, 17.25f, 0, 36},
                      HomeCase{"TurnedAboutTheCentre", 300, -520, 120, 28},
                      // Already at the home offset but turned: the turn takes
                      // longer than the offset needs, and must not drag it away.
                      HomeCase{"TurnedAtHomeOffset", -512, -362, 170, 20},
                      HomeCase{"SlightlyTurnedNearHome", -511, -360, 30, 12}),
    [](const auto& info) { return std::string(info.param.name); });

struct ViewResetCase {
    const char* name;
    float offsetX, offsetY;
    int maxPasses;
};

class ViewReset : public ViewTest, public ::testing::WithParamInterface<ViewResetCase> {};

TEST_P(ViewReset, EndsExactlyAtHome) {
    const ViewResetCase& c = GetParam();
    view.viewOffset = {c.offsetX, c.offsetY, 0};
    view.viewResetFrames = 40;
    int passes = 0;
    while (view.viewResetFrames > 0 && passes < 100) {
        float dx = -200 - view.viewOffset.x, dy = -150 - view.viewOffset.y;
        StepViewReset(view, in.canvasWidth, in.canvasHeight);
        ++passes;
        if (view.viewResetFrames > 0) {  // a quarter of the way each pass
            EXPECT_NEAR(-200 - view.viewOffset.x, 0.75 * dx, 1e-3 + 1e-6 * std::fabs(dx));
            EXPECT_NEAR(-150 - view.viewOffset.y, 0.75 * dy, 1e-3 + 1e-6 * std::fabs(dy));
        }
    }
    EXPECT_EQ(passes, c.maxPasses);
    EXPECT_EQ(view.viewOffset.x, -200);
    EXPECT_EQ(view.viewOffset.y, -150);
}

// 0.75^n of the distance falls below 1.5; the 40-pass limit ends a far one.
INSTANTIATE_TEST_SUITE_P(Distances, ViewReset,
                         ::testing::Values(ViewResetCase{"AlreadyNear", -201.9f, -150, 1},
                                           ViewResetCase{"ExactlyTwoAway", -202, -150, 2},
                                           ViewResetCase{"Hundred", -100, -150, 15},
                                           ViewResetCase{"VeryFar", 1e6f, -150, 40}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Pixel snapping ----------------------------------------------------------

struct SnapCase {
    const char* name;
    float zoom, rotation;
    int viewResetFrames;
    float x, y, expectedX, expectedY;
};

class Snapping : public ::testing::TestWithParam<SnapCase> {};

TEST_P(Snapping, RoundsDownOnlyAtPlainHundredPercent) {
    const SnapCase& c = GetParam();
    ViewState v;
    v.zoomFactor = c.zoom;
    v.viewRotation = c.rotation;
    v.viewResetFrames = c.viewResetFrames;
    v.viewOffset = {c.x, c.y, 0};
    SnapViewOffset(v);
    EXPECT_EQ(v.viewOffset.x, c.expectedX);
    EXPECT_EQ(v.viewOffset.y, c.expectedY);
}

INSTANTIATE_TEST_SUITE_P(Cases, Snapping,
                         ::testing::Values(SnapCase{"Plain", 1, 0, 0, 10.75f, -3.25f, 10, -4},
                                           SnapCase{"AlreadyWhole", 1, 0, 0, -7, 8, -7, 8},
                                           SnapCase{"Zoomed", 1.001f, 0, 0, 10.75f, -3.25f, 10.75f, -3.25f},
                                           SnapCase{"Turned", 1, 0.1f, 0, 10.75f, -3.25f, 10.75f, -3.25f},
                                           SnapCase{"Resetting", 1, 0, 3, 10.75f, -3.25f, 10.75f, -3.25f}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- Space navigation --------------------------------------------------------

struct ScrollCase {
    const char* name;
    int zoomStep;
    float rotation;
    bool mirrored;
};

class SpaceScroll : public ViewTest, public ::testing::WithParamInterface<ScrollCase> {};

TEST_P(SpaceScroll, GrabbedPointFollowsTheMouse) {
    const ScrollCase& c = GetParam();
    view.zoomStep = c.zoomStep;
    view.zoomFactor = view.zoomTarget = ZoomTarget(c.zoomStep);
    view.viewRotation = c.rotation;
    view.mirrored = c.mirrored;
    Float3 offsetBefore = view.viewOffset;

    in.spaceHeld = in.leftButton = true;
    MouseAt(50, 20);
    RunPass(view, in);
    ASSERT_EQ(view.navigationMode, kNavigationScrolling);
    Float3 grabbed = ToolCanvasPoint(view, in.canvasWidth);
    EXPECT_NEAR(view.viewOffset.x, offsetBefore.x, 1e-3);  // the press alone moves nothing
    EXPECT_NEAR(view.viewOffset.y, offsetBefore.y, 1e-3);

    MouseAt(80, -10);
    for (int pass = 0; pass < 40; ++pass) RunPass(view, in);
    Float3 under = ToolCanvasPoint(view, in.canvasWidth);
    EXPECT_NEAR(under.x, grabbed.x, 1e-2);
    EXPECT_NEAR(under.y, grabbed.y, 1e-2);
    // The offset is unrotated view units: the mouse moved (30, -30) pixels.
    EXPECT_NEAR(view.viewOffset.x - offsetBefore.x, 30 / view.zoomFactor, 1e-2);
    EXPECT_NEAR(view.viewOffset.y - offsetBefore.y, -30 / view.zoomFactor, 1e-2);

    in.spaceHeld = false;
    RunPass(view, in);
    EXPECT_EQ(view.navigationMode, kNavigationNone);
}

INSTANTIATE_TEST_SUITE_P(Views, SpaceScroll,
                         ::testing::Values(ScrollCase{"Home", 20, 0, false}, ScrollCase{"Zoomed", 28, 0, false},
                                           ScrollCase{"TurnedAndMirrored", 16, 30, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewTest, ScrollAtHundredPercentStaysOnWholePixels) {
    in.spaceHeld = in.leftButton = true;
    MouseAt(10, 10);
    RunPass(view, in);
    const int path[][2] = {{13, 11}, {20, 4}, {31, -2}, {31, -2}, {31, -2}, {40, 7}};
    for (const auto& p : path) {
        MouseAt(p[0], p[1]);
        RunPass(view, in);
        EXPECT_EQ(view.viewOffset.x, std::floor(view.viewOffset.x));
        EXPECT_EQ(view.viewOffset.y, std::floor(view.viewOffset.y));
    }
    for (int pass = 0; pass < 40; ++pass) RunPass(view, in);
    EXPECT_EQ(view.viewOffset.x, -200 + 30);
    EXPECT_EQ(view.viewOffset.y, -150 - 3);
}

struct RotateStep {
    int dx, dy;       // mouse relative to the window centre
    double rotation;  // expected afterwards
};

struct RotateDrag {
    const char* name;
    float start;
    RotateStep steps[6];
};

class SpaceRotate : public ViewTest, public ::testing::WithParamInterface<RotateDrag> {};

TEST_P(SpaceRotate, DragOutsideTheCircleTurnsAboutTheCentreAndWraps) {
    const RotateDrag& c = GetParam();
    view.viewRotation = c.start;
    view.viewOffset = {-120, -260, 0};
    Point pivot = CentreDocumentPoint(view);
    in.spaceHeld = in.leftButton = true;
    for (const RotateStep& s : c.steps) {
        MouseAt(s.dx, s.dy);
        RunPass(view, in);
        ASSERT_EQ(view.navigationMode, kNavigationRotating);
        EXPECT_NEAR(view.viewRotation, s.rotation, 0.01) << s.dx << "," << s.dy;
        EXPECT_GE(view.viewRotation, 0);
        EXPECT_LT(view.viewRotation, 360);
        Point centre = CentreDocumentPoint(view);
        EXPECT_NEAR(centre.x, pivot.x, 1e-2);
        EXPECT_NEAR(centre.y, pivot.y, 1e-2);
    }
}

// The circle's radius is 0.4 x 600 = 240 pixels at 100 %; each drag starts at
// mouse angle 0 (y grows downwards, so (0, 300) is 90 degrees). 250 px right
// and 1 down is atan(1 / 250) = 0.229 degrees.
INSTANTIATE_TEST_SUITE_P(
    Drags, SpaceRotate,
    ::testing::Values(RotateDrag{"PastFullTurn", 300, {{300, 0, 300}, {0, 300, 30}, {-300, 0, 120}, {0, -300, 210},
                                                      {250, 1, 300.229}, {0, 260, 30}}},
                      RotateDrag{"BelowZero", 10, {{300, 0, 10}, {0, 300, 100}, {-300, 0, 190}, {0, -300, 280},
                                                  {250, 1, 10.229}, {0, -260, 280}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ViewTest, NoRotationDragStartsWhileTheRotationResets) {
    view.viewRotation = 90;
    view.rotationResetFrames = 30;
    in.spaceHeld = in.leftButton = true;
    MouseAt(300, 0);
    RunPass(view, in);
    EXPECT_EQ(view.navigationMode, kNavigationNone);

    MouseAt(20, 0);  // inside the circle a scroll may still start
    RunPass(view, in);
    EXPECT_EQ(view.navigationMode, kNavigationScrolling);
}

TEST_F(ViewTest, NavigationCircleShrinksInViewUnitsAsTheZoomGrows) {
    view.zoomFactor = 2;
    MouseAt(130, 0);  // 65 view units; the circle is 240 / 2 = 120
    MouseToCanvas(view, in);
    EXPECT_TRUE(InsideNavigationCircle(view, in.windowWidth, in.windowHeight));
    MouseAt(250, 0);  // 125 view units
    MouseToCanvas(view, in);
    EXPECT_FALSE(InsideNavigationCircle(view, in.windowWidth, in.windowHeight));
}

}  // namespace
