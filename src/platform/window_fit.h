#pragma once

// A rectangle on the desktop, in pixels.
struct ScreenRect {
    int x = 0, y = 0;
    int width = 0, height = 0;
};

// The smallest window side a stored placement can shrink to; the work area
// wins where it is smaller still.
constexpr int kMinWindowSide = 64;

// Where a window stored as window (from config.txt, so from another screen
// or edited by hand) goes on this screen's work area: no wider or taller
// than the area, no narrower or shorter than kMinWindowSide, and moved just
// far enough to lie wholly inside it. Any int is taken, however large or
// negative; an empty area leaves the window as it is.
ScreenRect FitToWorkArea(const ScreenRect& window, const ScreenRect& area);
