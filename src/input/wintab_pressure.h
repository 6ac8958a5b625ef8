#pragma once
// What the program makes of Wintab packets, apart from the driver so that it
// can be tested anywhere: pressure scaling, and the pen state each packet and
// each window message leaves behind.
#include <cstdint>
#include <functional>

#include "platform/tablet.h"

namespace wintab {

// One packet of the program's context: five 32-bit fields in this order.
struct Packet {
    uint32_t cursor;          // Wintab cursor number; 2 is the eraser end
    uint32_t buttons;         // button state bits, by logical button
    int32_t x, y;             // desktop pixels, y down
    uint32_t normalPressure;  // raw device units
};
static_assert(sizeof(Packet) == 20, "the driver fills packets field by field");

constexpr int kNoPressureButton = 0xFF;

// The pressure scales of one cursor.
struct PressureRange {
    int pressureButton = kNoPressureButton;  // logical button choosing the pressed scale
    int32_t minimum = 0, span = 0;           // the device's normal-pressure axis
    int32_t pressMark = 0, spanAboveMark = 0;  // the cursor's press mark, axis maximum - mark
};

// Whether the pressure button's bit is set; a button number a 32-bit state
// cannot hold (such as the 0xFF of "none") is never set.
bool PressureButtonHeld(int pressureButton, uint32_t buttons);

// The packet's pressure on 0..254: from the press mark while the pressure
// button is held, otherwise from the axis minimum, each over its span and
// rounded. A scale with no span falls back to the other one, and to full
// pressure when neither has a span; readings outside the scale are clamped,
// so a raw value under the press mark reads as no pressure.
int ScalePressure(const PressureRange& range, uint32_t buttons, uint32_t raw);

// The pen as the packets and window messages leave it.
struct PenState {
    int cursor = -1;  // cursor of the last packet
    PressureRange range;
    int pressure = 0;  // 1..255 pressing, 0 released, -1 pressure not known yet
    bool eraser = false;
    bool inProximity = false;
};

// Reads the pressure scales of a cursor from the driver.
using RangeReader = std::function<PressureRange(int cursor)>;

// One packet: a new cursor re-reads the scales before the packet is scaled;
// a packet with a button held sets the pressure (scaled + 1, so that touching
// reads as pressing), one without keeps the previous pressure. Returns the
// sample to hand on.
platform::PenSample ApplyPacket(PenState& pen, const Packet& packet, const RangeReader& readRange);

// A mouse button went down: a pen that has not reported pressure yet is
// marked as unknown until its first pressing packet.
void MouseButtonDown(PenState& pen);
// A mouse button went up, or the window was (de)activated.
void PressureReleased(PenState& pen);

}  // namespace wintab
