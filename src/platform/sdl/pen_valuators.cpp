#include "platform/sdl/pen_valuators.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace platform {
namespace sdl {

namespace {

bool MaskHas(const unsigned char* mask, int maskBytes, int bit) {
    return bit >= 0 && bit / 8 < maskBytes && (mask[bit / 8] >> (bit % 8)) & 1;
}

bool NameHas(const std::string& name, const char* word) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return lower.find(word) != std::string::npos;
}

}  // namespace

bool ValuatorValue(const unsigned char* mask, int maskBytes, const double* values, int valuator, double& value) {
    if (!MaskHas(mask, maskBytes, valuator)) return false;
    int packed = 0;
    for (int bit = 0; bit < valuator; ++bit)
        if (MaskHas(mask, maskBytes, bit)) ++packed;
    value = values[packed];
    return true;
}

int PressureLevel(double value, double minimum, double maximum) {
    const double span = maximum - minimum;
    if (!(span > 0)) return 255;
    const double scaled = std::round((value - minimum) * 255.0 / span);
    return int(std::clamp(scaled, 0.0, 254.0)) + 1;
}

PenDevice ClassifyDevice(const std::string& name, const std::vector<ValuatorInfo>& valuators) {
    PenDevice device;
    for (const ValuatorInfo& v : valuators) {
        if (v.label == "Abs Pressure") {
            device.isPen = true;
            device.pressureValuator = v.number;
            device.minimum = v.minimum;
            device.maximum = v.maximum;
            break;
        }
    }
    device.eraser = device.isPen && NameHas(name, "eraser");
    return device;
}

PenSample PenTracker::PenEvent(const PenDevice& device, bool pressing, const double* pressureValue, double x,
                               double y) {
    inProximity = true;
    eraser = device.eraser;
    if (pressing && pressureValue) pressure = PressureLevel(*pressureValue, device.minimum, device.maximum);
    PenSample sample;
    sample.x = float(x);
    sample.y = float(y);
    sample.pressure = float(pressure) / 255.0f;
    return sample;
}

void PenTracker::OtherPointerMoved() { inProximity = false; }

void PenTracker::MouseButtonDown() {
    if (pressure == 0) pressure = -1;
}

void PenTracker::PressureReleased() { pressure = 0; }

}  // namespace sdl
}  // namespace platform
