#include "platform/window_fit.h"

#include <algorithm>
#include <cstdint>

namespace {

// One axis: a side clamped to [min(kMinWindowSide, room), room] and a start
// that keeps it within [areaStart, areaStart + room). 64-bit, so that the
// sums of stored values near the int limits cannot overflow.
void FitAxis(int start, int side, int areaStart, int room, int& fittedStart, int& fittedSide) {
    const int64_t fitSide = std::min<int64_t>(std::max<int64_t>(side, std::min(kMinWindowSide, room)), room);
    const int64_t last = int64_t(areaStart) + room - fitSide;
    fittedSide = int(fitSide);
    fittedStart = int(std::clamp<int64_t>(start, areaStart, last));
}

}  // namespace

ScreenRect FitToWorkArea(const ScreenRect& window, const ScreenRect& area) {
    if (area.width <= 0 || area.height <= 0) return window;
    ScreenRect fitted;
    FitAxis(window.x, window.width, area.x, area.width, fitted.x, fitted.width);
    FitAxis(window.y, window.height, area.y, area.height, fitted.y, fitted.height);
    return fitted;
}
