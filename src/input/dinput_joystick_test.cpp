#include "input/dinput_joystick.h"

#include <gtest/gtest.h>

#include <thread>

namespace input {
namespace {

AxisPositions Positions(long x, long y, long z, long rx, long ry, long rz) {
    AxisPositions p;
    p.x = x;
    p.y = y;
    p.z = z;
    p.rotationX = rx;
    p.rotationY = ry;
    p.rotationZ = rz;
    return p;
}

TEST(JoystickRecord, EachAxisTakesTheReadingOfItsKindInEnumerationOrder) {
    JoystickRecord record;
    // Enumeration order is the device's, not X-Y-Z order.
    for (AxisKind kind : {AxisKind::kRotationZ, AxisKind::kX, AxisKind::kOther, AxisKind::kY, AxisKind::kZ,
                          AxisKind::kRotationX, AxisKind::kRotationY})
        ASSERT_TRUE(record.AddAxis(kind));
    record.ReadSucceeded(Positions(100, -200, 300, -400, 500, -1000));
    const float expected[] = {-1.0f, 0.1f, 0.0f, -0.2f, 0.3f, -0.4f, 0.5f};
    ASSERT_EQ(record.axisCount, 7);
    for (int i = 0; i < 7; ++i) EXPECT_FLOAT_EQ(record.values[i], expected[i]) << "axis " << i;
}

TEST(JoystickRecord, ASliderIsCountedButReadsZero) {
    JoystickRecord record;
    record.AddAxis(AxisKind::kX);
    record.AddAxis(AxisKind::kOther);
    record.ReadSucceeded(Positions(1000, 1000, 1000, 1000, 1000, 1000));
    EXPECT_EQ(record.axisCount, 2);
    EXPECT_FLOAT_EQ(record.values[0], 1.0f);
    EXPECT_FLOAT_EQ(record.values[1], 0.0f);
}

TEST(JoystickRecord, ANinthAxisIsIgnoredAndTheEightStayIntact) {
    JoystickRecord record;
    for (int i = 0; i < platform::kMaxJoystickAxes; ++i) ASSERT_TRUE(record.AddAxis(AxisKind::kY));
    EXPECT_FALSE(record.AddAxis(AxisKind::kX));
    EXPECT_EQ(record.axisCount, platform::kMaxJoystickAxes);
    record.ReadSucceeded(Positions(1000, -500, 0, 0, 0, 0));
    for (int i = 0; i < platform::kMaxJoystickAxes; ++i) EXPECT_FLOAT_EQ(record.values[i], -0.5f);
}

TEST(JoystickRecord, SmoothingEasesTowardsTheReading) {
    JoystickRecord record;
    record.AddAxis(AxisKind::kX);
    record.smoothing = 0.5f;
    record.ReadSucceeded(Positions(800, 0, 0, 0, 0, 0));
    EXPECT_FLOAT_EQ(record.values[0], 0.4f);
    record.ReadSucceeded(Positions(800, 0, 0, 0, 0, 0));
    EXPECT_FLOAT_EQ(record.values[0], 0.6f);
}

TEST(JoystickRecord, FourFailedReadsChangeNothingTheFifthReacquires) {
    JoystickRecord record;
    record.AddAxis(AxisKind::kX);
    record.ReadSucceeded(Positions(250, 0, 0, 0, 0, 0));
    for (int i = 1; i <= 4; ++i) EXPECT_FALSE(record.ReadFailed()) << "failure " << i;
    EXPECT_TRUE(record.ReadFailed());
    EXPECT_TRUE(record.ReadFailed());  // and every failure after it
    EXPECT_FLOAT_EQ(record.values[0], 0.25f);

    // One good read starts the count again.
    record.ReadSucceeded(Positions(-250, 0, 0, 0, 0, 0));
    EXPECT_FLOAT_EQ(record.values[0], -0.25f);
    for (int i = 1; i <= 4; ++i) EXPECT_FALSE(record.ReadFailed()) << "failure " << i << " after a good read";
    EXPECT_TRUE(record.ReadFailed());
}

// The poll thread and the main thread take turns: every poll is read exactly
// once, and no device is polled while the main thread reads it.
TEST(SampleHandoff, PollsAndReadsAlternate) {
    SampleHandoff handoff;
    std::atomic<bool> stop{false};
    std::atomic<int> usersOfTheDevice{0};
    std::atomic<bool> overlapped{false};
    int polls = 0;  // written by the poll thread only between MayPoll and Publish

    std::thread poller([&] {
        while (!stop.load()) {
            if (!handoff.MayPoll()) {
                std::this_thread::yield();
                continue;
            }
            if (usersOfTheDevice.fetch_add(1) != 0) overlapped = true;
            ++polls;
            usersOfTheDevice.fetch_sub(1);
            handoff.Publish();
        }
    });

    int lastSeen = 0;
    for (int reads = 0; reads < 2000;) {
        if (!handoff.Ready()) {
            std::this_thread::yield();
            continue;
        }
        if (usersOfTheDevice.fetch_add(1) != 0) overlapped = true;
        EXPECT_EQ(polls, lastSeen + 1);
        lastSeen = polls;
        usersOfTheDevice.fetch_sub(1);
        handoff.Consumed();
        ++reads;
    }
    stop = true;
    poller.join();
    EXPECT_FALSE(overlapped.load());
    EXPECT_EQ(lastSeen, 2000);
}

}  // namespace
}  // namespace input
