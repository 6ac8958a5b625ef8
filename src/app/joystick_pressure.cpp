#include "app/joystick_pressure.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kChoosingDistance = 0.3f;
constexpr float kEasing = 0.3f;

// How far the axis is pressed: 0 at rest, 1 at the farthest seen so far.
float PressedFraction(const JoystickAxisCalibration& axis) {
    if (axis.range == 0.0f) return 0.0f;
    const float fraction = (axis.value - axis.rest) / axis.range;
    // A reading behind the rest point, or NaN from a broken device, is no pressure.
    if (!(fraction > 0.0f)) return 0.0f;
    return std::min(fraction, 1.0f);
}

}  // namespace

void StartJoystickPressure(JoystickPressure& pressure, int axisCount) {
    pressure.axisCount = std::clamp(axisCount, 0, platform::kMaxJoystickAxes);
    for (JoystickAxisCalibration& axis : pressure.axes) axis = JoystickAxisCalibration();
    pressure.pressureAxis = -1;
    pressure.mousePressure = 1.0f;
}

void SetJoystickPressureOn(JoystickPressure& pressure, bool on) {
    if (on && !pressure.on) {
        for (int i = 0; i < pressure.axisCount; ++i) {
            pressure.axes[i].rest = pressure.axes[i].value;
            pressure.axes[i].range = 0.0f;
        }
        // The old choice was made against a range that is gone; keeping it
        // would divide by a zero range until the axis moved.
        pressure.pressureAxis = -1;
    }
    pressure.on = on;
}

void UpdateJoystickPressure(JoystickPressure& pressure, const float* values) {
    for (int i = 0; i < pressure.axisCount; ++i) {
        JoystickAxisCalibration& axis = pressure.axes[i];
        axis.value = values[i];
        const float offset = axis.value - axis.rest;
        if (std::fabs(offset) > std::fabs(axis.range)) axis.range = offset;
        if (pressure.pressureAxis < 0 && std::fabs(axis.range) > kChoosingDistance) pressure.pressureAxis = i;
    }
    if (!pressure.on || pressure.pressureAxis < 0) {
        pressure.mousePressure = 1.0f;
        return;
    }
    const float target = PressedFraction(pressure.axes[pressure.pressureAxis]);
    pressure.mousePressure += (target - pressure.mousePressure) * kEasing;
}

void UpdateJoystickPressure(JoystickPressure& pressure, const platform::StickInput* input) {
    float values[platform::kMaxJoystickAxes] = {};
    for (int i = 0; i < pressure.axisCount; ++i) values[i] = platform::JoystickAxis(input, i);
    UpdateJoystickPressure(pressure, values);
}
