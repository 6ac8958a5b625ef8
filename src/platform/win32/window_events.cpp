#include "platform/win32/window_events.h"

#include <algorithm>
#include <cmath>

int ScaleToLogical(int clientPos, int clientSize, int logicalSize) {
    if (clientSize <= 0) return clientPos;
    return int(std::lround(double(clientPos) / clientSize * logicalSize));
}

int WheelDirection(int16_t delta) {
    if ((delta & 0x7FFF) == 0) return 0;
    return delta < 0 ? -1 : 1;
}

bool StoreMovedPlacement(platform::WindowState& state, uint32_t packedClientPos, bool minimised,
                         const FrameMetrics& frame) {
    if (minimised) return false;
    state.x = SignedLow16(packedClientPos) - frame.sizingFrameWidth;
    state.y = SignedHigh16(packedClientPos) - frame.sizingFrameHeight - frame.captionHeight;
    return true;
}

void StoreRestoredPlacement(platform::WindowState& state, const RestoredPlacement& placement,
                            const FrameInsets& frame) {
    if (!placement.minimised) {
        state.maximized = placement.maximized;
        return;
    }
    state.maximized = placement.restoresToMaximized;
    state.x = placement.left;
    state.y = placement.top;
    state.width = std::max(1, placement.right - placement.left - frame.left - frame.right);
    state.height = std::max(1, placement.bottom - placement.top - frame.top - frame.bottom);
}

bool StoreResizedClient(platform::WindowState& state, uint32_t packedClientSize, bool minimised) {
    if (minimised) return false;
    state.width = UnsignedLow16(packedClientSize);
    state.height = UnsignedHigh16(packedClientSize);
    return true;
}
