#include "input/wintab_pressure.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace wintab {
namespace {

// A pen on a 0..1023 axis whose press mark is 100; logical button 0 chooses
// the pressed scale.
PressureRange PenRange() {
    PressureRange range;
    range.pressureButton = 0;
    range.minimum = 0;
    range.span = 1023;
    range.pressMark = 100;
    range.spanAboveMark = 923;
    return range;
}

struct ScaleCase {
    const char* what;
    PressureRange range;
    uint32_t buttons;
    uint32_t raw;
    int expected;
};

PressureRange With(PressureRange range, void (*change)(PressureRange&)) {
    change(range);
    return range;
}

TEST(ScalePressure, FollowsTheScaleTheButtonsChoose) {
    const ScaleCase cases[] = {
        {"pressed exactly at the press mark", PenRange(), 1, 100, 0},
        {"pressed, rounded to nearest (127.36)", PenRange(), 1, 561, 127},
        {"pressed at the axis maximum stays a byte below 255", PenRange(), 1, 1023, 254},
        {"pressed below the press mark reads as no pressure", PenRange(), 1, 50, 0},
        {"pressed far below the press mark", PenRange(), 1, 0, 0},
        {"another button: the axis scale (127.62)", PenRange(), 2, 512, 128},
        {"axis scale from its minimum, a half rounds up (127.5)",
         With(PenRange(), [](PressureRange& r) { r.minimum = 200, r.span = 800; }), 2, 600, 128},
        {"axis scale below its minimum", With(PenRange(), [](PressureRange& r) { r.minimum = 200; }), 2, 10, 0},
        {"a raw value beyond every 32-bit signed reading", PenRange(), 2, 0xFFFFFFFFu, 254},
        {"no pressure button: every bit leaves the axis scale",
         With(PenRange(), [](PressureRange& r) { r.pressureButton = kNoPressureButton; }), 0xFFFFFFFFu, 512, 128},
        {"pressure button 40 does not alias bit 8",
         With(PenRange(), [](PressureRange& r) { r.pressureButton = 40, r.pressMark = 1000, r.spanAboveMark = 23; }),
         0x100, 512, 128},
        {"pressure button 32 does not alias bit 0",
         With(PenRange(), [](PressureRange& r) { r.pressureButton = 32; }), 1, 512, 128},
        {"pressure button 31 is the top bit",
         With(PenRange(), [](PressureRange& r) { r.pressureButton = 31; }), 0x80000000u, 100, 0},
        {"axis span 0 falls back to the press mark scale",
         With(PenRange(), [](PressureRange& r) { r.span = 0; }), 2, 561, 127},
        {"press mark at the axis maximum falls back to the axis scale",
         With(PenRange(), [](PressureRange& r) { r.pressMark = 1023, r.spanAboveMark = 0; }), 1, 512, 128},
        {"negative span falls back like an empty one",
         With(PenRange(), [](PressureRange& r) { r.spanAboveMark = -7; }), 1, 512, 128},
        {"no span on either scale is full pressure",
         With(PenRange(), [](PressureRange& r) { r.span = 0, r.spanAboveMark = -3; }), 1, 0, 254},
        {"an untouched range (no axis read) is full pressure", PressureRange(), 1, 0, 254},
    };
    for (const ScaleCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ScalePressure(c.range, c.buttons, c.raw), c.expected);
    }
}

// A tablet whose pen (cursor 1) and eraser end (cursor 2) have their own press
// marks; every range read is recorded.
class PenPackets : public ::testing::Test {
protected:
    PenState pen;
    std::vector<int> rangesRead;
    RangeReader reader = [this](int cursor) {
        rangesRead.push_back(cursor);
        PressureRange range = PenRange();
        if (cursor == 2) range.pressMark = 500, range.spanAboveMark = 523;
        return range;
    };

    platform::PenSample Send(uint32_t cursor, uint32_t buttons, uint32_t raw, int x = 10, int y = 20) {
        return ApplyPacket(pen, Packet{cursor, buttons, x, y, raw}, reader);
    }
};

TEST_F(PenPackets, PressingReadsAtLeastOneAndHoveringKeepsTheLastPressure) {
    const platform::PenSample touch = Send(1, 1, 100, -30, 700);
    EXPECT_EQ(touch.x, -30.0f);
    EXPECT_EQ(touch.y, 700.0f);
    EXPECT_EQ(pen.pressure, 1);
    EXPECT_FLOAT_EQ(touch.pressure, 1.0f / 255.0f);

    EXPECT_EQ(Send(1, 1, 1023).pressure, 1.0f);
    EXPECT_EQ(pen.pressure, 255);

    const platform::PenSample hover = Send(1, 0, 0, 11, 21);
    EXPECT_EQ(hover.x, 11.0f);
    EXPECT_EQ(hover.pressure, 1.0f);
    EXPECT_EQ(pen.pressure, 255);
}

TEST_F(PenPackets, ANewCursorReReadsTheRangesBeforeItsPacketIsScaled) {
    Send(1, 1, 561);
    EXPECT_EQ(pen.pressure, 128);
    Send(1, 1, 561);
    EXPECT_EQ(rangesRead, std::vector<int>{1});

    // On the pen's scale 561 is halfway; on the eraser's it is barely pressed.
    Send(2, 1, 561);
    EXPECT_EQ(rangesRead, (std::vector<int>{1, 2}));
    EXPECT_EQ(pen.cursor, 2);
    EXPECT_EQ(pen.pressure, 31);  // (61 * 255 / 523 = 29.7 -> 30) + 1
}

TEST_F(PenPackets, MouseButtonsMarkPressureUnknownUntilThePenPresses) {
    MouseButtonDown(pen);
    EXPECT_EQ(pen.pressure, -1);
    EXPECT_LT(Send(1, 0, 900).pressure, 0.0f) << "hovering does not tell the pressure";
    Send(1, 1, 561);
    EXPECT_EQ(pen.pressure, 128);
    MouseButtonDown(pen);
    EXPECT_EQ(pen.pressure, 128) << "a known pressure stays";
    PressureReleased(pen);
    EXPECT_EQ(pen.pressure, 0);
    EXPECT_EQ(Send(1, 0, 900).pressure, 0.0f);
}

}  // namespace
}  // namespace wintab
