#include "app/joystick_pressure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/fake/fake_input.h"

namespace {

class JoystickPressureTest : public ::testing::Test {
protected:
    void SetUp() override { StartJoystickPressure(p, 2); }

    // One pass of the main loop with the two axes at these readings.
    void Pass(float axis0, float axis1) {
        const float values[] = {axis0, axis1};
        UpdateJoystickPressure(p, values);
    }

    JoystickPressure p;
};

TEST_F(JoystickPressureTest, AnAxisThatNeverMovesFarEnoughIsNeverChosen) {
    SetJoystickPressureOn(p, true);
    for (float reading : {0.1f, 0.29f, -0.3f, 0.3f, 0.0f}) {
        Pass(reading, 0.0f);
        EXPECT_EQ(p.pressureAxis, -1);
        EXPECT_FLOAT_EQ(p.mousePressure, 1.0f);
    }
}

TEST_F(JoystickPressureTest, TheFirstAxisToMoveFarEnoughStaysChosen) {
    Pass(0.0f, 0.31f);
    EXPECT_EQ(p.pressureAxis, 1);
    Pass(1.0f, 0.0f);
    EXPECT_EQ(p.pressureAxis, 1);
}

TEST_F(JoystickPressureTest, MousePressureIsOneWhileTheSwitchIsOff) {
    Pass(0.8f, 0.0f);
    Pass(0.4f, 0.0f);
    EXPECT_EQ(p.pressureAxis, 0);
    EXPECT_FLOAT_EQ(p.mousePressure, 1.0f);
}

TEST_F(JoystickPressureTest, MousePressureEasesTowardsHowFarTheAxisIsPressed) {
    SetJoystickPressureOn(p, true);
    Pass(0.8f, 0.0f);  // the farthest so far: full pressure
    ASSERT_EQ(p.pressureAxis, 0);
    EXPECT_NEAR(p.mousePressure, 1.0f, 1e-6f);
    Pass(0.4f, 0.0f);  // half way
    EXPECT_NEAR(p.mousePressure, 1.0f + (0.5f - 1.0f) * 0.3f, 1e-6f);
    Pass(0.4f, 0.0f);
    EXPECT_NEAR(p.mousePressure, 0.85f + (0.5f - 0.85f) * 0.3f, 1e-6f);
}

TEST_F(JoystickPressureTest, AnAxisPressedTowardsNegativeReadingsGivesPositivePressure) {
    SetJoystickPressureOn(p, true);
    Pass(-0.6f, 0.0f);
    ASSERT_EQ(p.pressureAxis, 0);
    for (int i = 0; i < 40; ++i) Pass(-0.3f, 0.0f);
    EXPECT_NEAR(p.mousePressure, 0.5f, 1e-4f);
}

// Switching the control on again with the stick at rest used to leave the old
// axis chosen against a zero range: 0 / 0 made the pressure NaN for good.
TEST_F(JoystickPressureTest, RecalibratingAtRestKeepsPressureANumber) {
    SetJoystickPressureOn(p, true);
    Pass(0.9f, 0.0f);
    ASSERT_EQ(p.pressureAxis, 0);
    SetJoystickPressureOn(p, false);
    Pass(0.2f, 0.0f);
    SetJoystickPressureOn(p, true);

    for (int i = 0; i < 5; ++i) {
        Pass(0.2f, 0.0f);  // still at the new rest
        ASSERT_FALSE(std::isnan(p.mousePressure)) << "pass " << i;
        EXPECT_EQ(p.pressureAxis, -1);
        EXPECT_FLOAT_EQ(p.mousePressure, 1.0f);
    }

    // Pressing from the new rest chooses the axis again, measured from there.
    Pass(0.2f, 0.0f);
    Pass(-0.2f, 0.0f);
    EXPECT_EQ(p.pressureAxis, 0);
    EXPECT_FLOAT_EQ(p.axes[0].rest, 0.2f);
    EXPECT_NEAR(p.axes[0].range, -0.4f, 1e-6f);
    for (int i = 0; i < 40; ++i) Pass(0.0f, 0.0f);
    EXPECT_NEAR(p.mousePressure, 0.5f, 1e-4f);
}

TEST_F(JoystickPressureTest, SwitchingOnWhileAlreadyOnKeepsTheCalibration) {
    SetJoystickPressureOn(p, true);
    Pass(0.5f, 0.0f);
    SetJoystickPressureOn(p, true);
    EXPECT_EQ(p.pressureAxis, 0);
    EXPECT_FLOAT_EQ(p.axes[0].range, 0.5f);
}

// A reading behind the rest point is no pressure, never a negative one.
TEST_F(JoystickPressureTest, PressureStaysWithinZeroAndOne) {
    SetJoystickPressureOn(p, true);
    Pass(0.5f, 0.0f);
    ASSERT_EQ(p.pressureAxis, 0);
    for (float reading : {-0.2f, -0.45f, 0.5f, 0.25f, -0.49f}) {
        for (int i = 0; i < 20; ++i) {
            Pass(reading, 0.0f);
            EXPECT_GE(p.mousePressure, 0.0f) << "reading " << reading;
            EXPECT_LE(p.mousePressure, 1.0f) << "reading " << reading;
        }
    }
    // The last readings lay behind rest, within the range: pressure has eased to nothing.
    EXPECT_NEAR(p.mousePressure, 0.0f, 1e-3f);
}

TEST(JoystickPressure, WithNoControllerThePressureStaysOne) {
    platform::fake::ResetInput();
    platform::StickInput* input = platform::CreateStickInput();
    platform::PollInput(input);
    JoystickPressure p;
    StartJoystickPressure(p, platform::JoystickAxisCount(input));
    SetJoystickPressureOn(p, true);
    for (int i = 0; i < 3; ++i) UpdateJoystickPressure(p, input);
    EXPECT_EQ(p.axisCount, 0);
    EXPECT_EQ(p.pressureAxis, -1);
    EXPECT_FLOAT_EQ(p.mousePressure, 1.0f);
    platform::DestroyStickInput(input);
}

// Readings come from the controller as of the last poll, for at most eight axes.
TEST(JoystickPressure, ReadsTheControllerAxes) {
    platform::fake::ResetInput();
    platform::fake::Input().axes = std::vector<float>(10, 0.0f);
    platform::StickInput* input = platform::CreateStickInput();
    platform::PollInput(input);
    JoystickPressure p;
    StartJoystickPressure(p, platform::JoystickAxisCount(input));
    EXPECT_EQ(p.axisCount, platform::kMaxJoystickAxes);
    SetJoystickPressureOn(p, true);

    platform::fake::Input().axes[7] = -1.0f;
    UpdateJoystickPressure(p, input);  // not polled yet: nothing moved
    EXPECT_EQ(p.pressureAxis, -1);
    platform::PollInput(input);
    UpdateJoystickPressure(p, input);
    EXPECT_EQ(p.pressureAxis, 7);
    EXPECT_NEAR(p.mousePressure, 1.0f, 1e-6f);
    platform::DestroyStickInput(input);
}

}  // namespace
