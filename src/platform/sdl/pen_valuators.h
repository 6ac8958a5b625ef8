#pragma once
// The arithmetic of a pen seen through XInput2, apart from X so that it can be
// tested without a tablet: reading a valuator from an event, scaling pressure,
// telling tablets from mice, and the pen state the events leave behind.
#include <string>
#include <vector>

#include "platform/tablet.h"

namespace platform {
namespace sdl {

// An event carries only the valuators its mask names, packed in the order of
// their numbers. False when the event lacks the valuator.
bool ValuatorValue(const unsigned char* mask, int maskBytes, const double* values, int valuator, double& value);

// The pressure level 1..255 of a pressing pen: the valuator's place in its
// range, rounded to 0..254, plus 1 so that touching reads as pressing. A range
// with no span reads as full pressure.
int PressureLevel(double value, double minimum, double maximum);

// One valuator as the device describes it.
struct ValuatorInfo {
    int number = 0;
    std::string label;  // the name of its label atom, e.g. "Abs Pressure"
    double minimum = 0, maximum = 0;
};

// How a pointer device takes part in pen input.
struct PenDevice {
    bool isPen = false;       // it reports pressure
    bool eraser = false;      // it is a pen's eraser end
    int pressureValuator = -1;
    double minimum = 0, maximum = 0;
};

// A device is a pen when one of its valuators carries pressure; its eraser
// end shows in its name, as the X tablet drivers name the ends apart.
PenDevice ClassifyDevice(const std::string& name, const std::vector<ValuatorInfo>& valuators);

// The pen as the events leave it.
struct PenTracker {
    int pressure = 0;  // 1..255 pressing, 0 released, -1 not known yet
    bool eraser = false;
    bool inProximity = false;

    // A pen event at a desktop position: the pen is near; while it presses,
    // its pressure (when the event carries one) sets the level, otherwise the
    // last level stays. Returns the sample to hand on.
    PenSample PenEvent(const PenDevice& device, bool pressing, const double* pressureValue, double x, double y);
    // Another pointer moved: the pen has left (X reports no proximity of its own).
    void OtherPointerMoved();
    // A mouse button went down: the pressure is not known until the pen presses.
    void MouseButtonDown();
    // A mouse button went up, or the window gained or lost the focus.
    void PressureReleased();
};

}  // namespace sdl
}  // namespace platform
