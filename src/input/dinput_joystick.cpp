#include "input/dinput_joystick.h"

namespace input {

namespace {

constexpr int kFailuresBeforeReacquire = 5;

long PositionOf(AxisKind kind, const AxisPositions& p) {
    switch (kind) {
    case AxisKind::kX: return p.x;
    case AxisKind::kY: return p.y;
    case AxisKind::kZ: return p.z;
    case AxisKind::kRotationX: return p.rotationX;
    case AxisKind::kRotationY: return p.rotationY;
    case AxisKind::kRotationZ: return p.rotationZ;
    case AxisKind::kOther: break;
    }
    return 0;
}

}  // namespace

bool JoystickRecord::AddAxis(AxisKind kind) {
    if (axisCount >= platform::kMaxJoystickAxes) return false;
    kinds[axisCount] = kind;
    values[axisCount] = 0.0f;
    ++axisCount;
    return true;
}

void JoystickRecord::ReadSucceeded(const AxisPositions& positions) {
    failedReads = 0;
    for (int i = 0; i < axisCount; ++i) {
        if (kinds[i] == AxisKind::kOther) continue;
        const float target = float(PositionOf(kinds[i], positions)) * 0.001f;
        values[i] += (target - values[i]) * smoothing;
    }
}

bool JoystickRecord::ReadFailed() {
    // Saturate: a device gone for good must not overflow the count.
    if (failedReads < kFailuresBeforeReacquire) ++failedReads;
    return failedReads >= kFailuresBeforeReacquire;
}

}  // namespace input
