#include "input/wintab_pressure.h"

#include <algorithm>

namespace wintab {

namespace {

constexpr int kFullScale = 255;
constexpr int kHighestScaled = 254;  // + 1 for touching still fits a byte

// value * 255 / span rounded to nearest, for span > 0; 64 bits so no raw
// reading overflows.
int64_t ScaleOver(int64_t value, int32_t span) {
    const int64_t product = value * kFullScale;
    return product >= 0 ? (product + span / 2) / span : (product - span / 2) / span;
}

}  // namespace

bool PressureButtonHeld(int pressureButton, uint32_t buttons) {
    if (pressureButton < 0 || pressureButton >= 32) return false;
    return (buttons >> pressureButton) & 1u;
}

int ScalePressure(const PressureRange& range, uint32_t buttons, uint32_t raw) {
    const bool pressed = PressureButtonHeld(range.pressureButton, buttons);
    int64_t from = pressed ? range.pressMark : range.minimum;
    int32_t span = pressed ? range.spanAboveMark : range.span;
    if (span <= 0) {
        from = pressed ? range.minimum : range.pressMark;
        span = pressed ? range.span : range.spanAboveMark;
    }
    if (span <= 0) return kHighestScaled;
    const int64_t scaled = ScaleOver(int64_t(raw) - from, span);
    return int(std::clamp<int64_t>(scaled, 0, kHighestScaled));
}

platform::PenSample ApplyPacket(PenState& pen, const Packet& packet, const RangeReader& readRange) {
    if (int(packet.cursor) != pen.cursor) {
        pen.cursor = int(packet.cursor);
        pen.range = readRange(pen.cursor);
    }
    if (packet.buttons != 0) pen.pressure = ScalePressure(pen.range, packet.buttons, packet.normalPressure) + 1;
    platform::PenSample sample;
    sample.x = float(packet.x);
    sample.y = float(packet.y);
    sample.pressure = float(pen.pressure) / kFullScale;
    return sample;
}

void MouseButtonDown(PenState& pen) {
    if (pen.pressure == 0) pen.pressure = -1;
}

void PressureReleased(PenState& pen) { pen.pressure = 0; }

}  // namespace wintab
