#include "platform/fake/fake_tablet.h"

namespace platform {
namespace fake {

FakeTablet& Tablet() {
    static FakeTablet tablet;
    return tablet;
}

void ResetTablet() { Tablet() = FakeTablet(); }

void FollowMouseButtons(bool left, bool right) {
    FakeTablet& t = Tablet();
    if ((left && !t.leftWasDown) || (right && !t.rightWasDown)) {
        if (t.pressure == 0) t.pressure = -1;
    }
    if ((!left && t.leftWasDown) || (!right && t.rightWasDown)) t.pressure = 0;
    t.leftWasDown = left;
    t.rightWasDown = right;
}

bool SendPenSample(float x, float y, float pressure) {
    if (!Tablet().open || !Tablet().handler) return false;
    PenSample sample;
    sample.x = x;
    sample.y = y;
    sample.pressure = pressure;
    Tablet().handler(sample);
    return true;
}

}  // namespace fake

using fake::Tablet;

void SetPenSampleHandler(PenSampleHandler handler) { Tablet().handler = handler; }

bool TabletInit() {
    ++Tablet().inits;
    Tablet().open = Tablet().present;
    return Tablet().open;
}

void TabletClose() {
    ++Tablet().closes;
    Tablet().open = false;
}

bool PenInProximity() { return Tablet().inProximity; }
bool PenEraserInUse() { return Tablet().eraser; }
float TabletPressure() { return Tablet().pressure; }

}  // namespace platform
