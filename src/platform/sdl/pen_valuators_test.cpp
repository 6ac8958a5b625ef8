#include "platform/sdl/pen_valuators.h"

#include <gtest/gtest.h>

namespace platform {
namespace sdl {
namespace {

TEST(ValuatorValue, FindsTheValueAmongOnlyThePackedValuators) {
    // Valuators 0, 1, 3 and 9 present: the values array holds just those four.
    const unsigned char mask[2] = {0x0B, 0x02};
    const double values[4] = {10, 11, 13, 19};
    const struct {
        int valuator;
        bool present;
        double value;
    } cases[] = {{0, true, 10}, {1, true, 11}, {2, false, 0}, {3, true, 13},
                 {9, true, 19}, {8, false, 0}, {16, false, 0}, {-1, false, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.valuator);
        double value = -7;
        EXPECT_EQ(ValuatorValue(mask, 2, values, c.valuator, value), c.present);
        EXPECT_EQ(value, c.present ? c.value : -7);
    }
}

TEST(PressureLevel, MapsTheRangeOntoOneTo255) {
    const struct {
        double value, minimum, maximum;
        int level;
    } cases[] = {
        {0, 0, 2047, 1},          // touching without pressure still presses
        {2047, 0, 2047, 255},     // full range: 254 + 1
        {1023.5, 0, 2047, 129},   // 127.5 rounds up to 128
        {0.25, 0, 1, 65},         // a 0..1 range: 63.75 -> 64
        {-3, 0, 1023, 1},         // below the range
        {5000, 0, 1023, 255},     // above the range
        {600, 200, 1000, 129},    // from the range's minimum: 127.5 -> 128
        {7, 10, 10, 255},         // no span: full pressure
        {7, 10, 3, 255},          // an inverted range: full pressure
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " in " << c.minimum << ".." << c.maximum);
        EXPECT_EQ(PressureLevel(c.value, c.minimum, c.maximum), c.level);
    }
}

TEST(ClassifyDevice, APenReportsPressureAndItsEraserEndSaysSo) {
    const std::vector<ValuatorInfo> tablet = {
        {0, "Abs X", 0, 44704}, {1, "Abs Y", 0, 27940}, {2, "Abs Pressure", 0, 65535}, {3, "Abs Tilt X", -64, 63}};
    const PenDevice stylus = ClassifyDevice("Wacom Intuos Pro M Pen stylus", tablet);
    EXPECT_TRUE(stylus.isPen);
    EXPECT_FALSE(stylus.eraser);
    EXPECT_EQ(stylus.pressureValuator, 2);
    EXPECT_EQ(stylus.maximum, 65535);

    const PenDevice eraser = ClassifyDevice("Wacom Intuos Pro M Pen ERASER", tablet);
    EXPECT_TRUE(eraser.isPen);
    EXPECT_TRUE(eraser.eraser);

    const std::vector<ValuatorInfo> mouse = {{0, "Rel X", -1, -1}, {1, "Rel Y", -1, -1},
                                             {2, "Rel Horiz Scroll", 0, -1}};
    const PenDevice pointer = ClassifyDevice("Logitech USB Eraser-Shaped Mouse", mouse);
    EXPECT_FALSE(pointer.isPen);
    EXPECT_FALSE(pointer.eraser) << "a mouse is no eraser end, whatever its name";
}

class PenEvents : public ::testing::Test {
protected:
    PenTracker tracker;
    PenDevice stylus{true, false, 2, 0, 1023};
    PenDevice eraser{true, true, 2, 0, 1023};
};

TEST_F(PenEvents, PressingSetsThePressureAndHoveringKeepsIt) {
    const double hard = 1023, light = 0;
    PenSample sample = tracker.PenEvent(stylus, false, &hard, 15.5, 20.25);
    EXPECT_TRUE(tracker.inProximity);
    EXPECT_EQ(sample.x, 15.5f);
    EXPECT_EQ(sample.y, 20.25f);
    EXPECT_EQ(sample.pressure, 0.0f) << "a hovering pen's pressure reading is not pressure";

    EXPECT_EQ(tracker.PenEvent(stylus, true, &hard, 16, 21).pressure, 1.0f);
    EXPECT_EQ(tracker.PenEvent(stylus, true, nullptr, 17, 22).pressure, 1.0f) << "no reading: the last stays";
    EXPECT_FLOAT_EQ(tracker.PenEvent(stylus, true, &light, 18, 23).pressure, 1.0f / 255.0f);
    EXPECT_FLOAT_EQ(tracker.PenEvent(stylus, false, &hard, 19, 24).pressure, 1.0f / 255.0f);
}

TEST_F(PenEvents, TheEraserEndAndProximityFollowTheDevices) {
    tracker.PenEvent(eraser, false, nullptr, 0, 0);
    EXPECT_TRUE(tracker.eraser);
    tracker.PenEvent(stylus, false, nullptr, 0, 0);
    EXPECT_FALSE(tracker.eraser);
    tracker.OtherPointerMoved();
    EXPECT_FALSE(tracker.inProximity);
}

TEST_F(PenEvents, MouseButtonsMarkPressureUnknownUntilThePenPresses) {
    tracker.MouseButtonDown();
    EXPECT_EQ(tracker.pressure, -1);
    EXPECT_LT(tracker.PenEvent(stylus, false, nullptr, 0, 0).pressure, 0.0f);
    const double half = 511.5;
    tracker.PenEvent(stylus, true, &half, 0, 0);
    EXPECT_EQ(tracker.pressure, 129);
    tracker.MouseButtonDown();
    EXPECT_EQ(tracker.pressure, 129) << "a known pressure stays";
    tracker.PressureReleased();
    EXPECT_EQ(tracker.pressure, 0);
}

}  // namespace
}  // namespace sdl
}  // namespace platform
