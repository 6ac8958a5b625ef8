#pragma once
#include "platform/input.h"

// Mouse pressure from a joystick axis, calibrating itself: each axis remembers
// its rest reading and the farthest it has moved from it, and the first axis
// to move more than 0.3 away becomes the pressure axis.
struct JoystickAxisCalibration {
    float value = 0.0f;  // the latest reading
    float rest = 0.0f;
    float range = 0.0f;  // signed: the direction of pressing
};

struct JoystickPressure {
    int axisCount = 0;  // taken once at start-up
    JoystickAxisCalibration axes[platform::kMaxJoystickAxes];
    int pressureAxis = -1;  // -1 until an axis has moved far enough
    bool on = false;        // the user's switch: mouse pressure from the axis
    float mousePressure = 1.0f;
};

// Fresh calibration for a controller with this many axes (at most
// kMaxJoystickAxes are used): every axis at rest at 0, no pressure axis.
void StartJoystickPressure(JoystickPressure& pressure, int axisCount);

// Turns the switch on or off. Switching it on calibrates afresh from each
// axis's latest reading, and no axis is the pressure axis until one moves
// far enough from there.
void SetJoystickPressureOn(JoystickPressure& pressure, bool on);

// One pass: values holds the current reading of each of the axisCount axes.
// Mouse pressure is 1 unless the switch is on and an axis is chosen; then it
// eases towards how far that axis is pressed, 0..1.
void UpdateJoystickPressure(JoystickPressure& pressure, const float* values);

// The same with the readings taken from the controller.
void UpdateJoystickPressure(JoystickPressure& pressure, const platform::StickInput* input);
