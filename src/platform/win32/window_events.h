#pragma once
#include <cstdint>

#include "platform/platform.h"

// The arithmetic of the window's mouse and placement messages, kept free of
// system headers so the rules can be checked on their own.

// The window frame around the client area, from the system metrics.
struct FrameMetrics {
    int sizingFrameWidth = 0;
    int sizingFrameHeight = 0;
    int captionHeight = 0;
};

// A client position of clientSize pixels scaled into a logical size of
// logicalSize, rounded to the nearest pixel. A client size of 0 or less
// leaves the position as it is.
int ScaleToLogical(int clientPos, int clientSize, int logicalSize);

// The direction of one wheel step for a wheel delta: -1, +1, or 0 when the
// delta's low 15 bits are all zero and the step changes nothing.
int WheelDirection(int16_t delta);

// The message parameter of a move or size message packs two 16-bit values.
// Positions are signed (a window left of or above the primary monitor sits at
// negative coordinates); sizes are unsigned.
inline int SignedLow16(uint32_t packed) { return int(int16_t(packed & 0xFFFF)); }
inline int SignedHigh16(uint32_t packed) { return int(int16_t(packed >> 16)); }
inline int UnsignedLow16(uint32_t packed) { return int(packed & 0xFFFF); }
inline int UnsignedHigh16(uint32_t packed) { return int(packed >> 16); }

// A move message: stores the outer top-left corner of a window whose client
// area is now at the packed position. A minimised window's placement is
// parked far off the desktop and is never stored; returns whether it stored.
bool StoreMovedPlacement(platform::WindowState& state, uint32_t packedClientPos, bool minimised,
                         const FrameMetrics& frame);

// The frame around the client area, as the window's styles make it.
struct FrameInsets {
    int left = 0, top = 0, right = 0, bottom = 0;
};

// What the system keeps of a window's placement: the outer rectangle it has
// when neither maximized nor minimised, and its present state.
struct RestoredPlacement {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool maximized = false, minimised = false;
    bool restoresToMaximized = false;  // minimised from maximized
};

// The placement to keep at the end. A window on the desktop keeps what its
// move and size messages stored, and whether it is maximized. A minimised
// one reports no placement of its own: it keeps the restored outer corner and
// the client size inside the restored rectangle, and is maximized when it
// will come back maximized.
void StoreRestoredPlacement(platform::WindowState& state, const RestoredPlacement& placement,
                            const FrameInsets& frame);

// A size message: stores the packed client size as the logical size, unless
// the window is minimised. Returns whether it stored, so the caller knows to
// resize the drawing area.
bool StoreResizedClient(platform::WindowState& state, uint32_t packedClientSize, bool minimised);
