#include "ui/ui_scale.h"

#include <cmath>

#include "ui/gl.h"

namespace {

int current = 100;

bool Known(int scale) {
    for (int s : kUiScales)
        if (s == scale) return true;
    return false;
}

}  // namespace

int DefaultUiScale(int dpi) {
    if (dpi < 120) return 100;
    if (dpi < 168) return 150;
    return 200;
}

int ChosenUiScale(int setting, int dpi) { return Known(setting) ? setting : DefaultUiScale(dpi); }

int NextUiScale(int scale) {
    const int count = int(sizeof kUiScales / sizeof kUiScales[0]);
    for (int k = 0; k < count; ++k)
        if (kUiScales[k] == scale) return kUiScales[(k + 1) % count];
    return kUiScales[0];
}

int UiScale() { return current; }

void SetUiScale(int scale) { current = Known(scale) ? scale : 100; }

float UiEdgeShift(int scale) { return scale % 100 == 0 ? 0.0f : 0.25f; }

// Pixel p's centre plus the shift, (p + 0.5 + shift), in logical units,
// rounded down. With the shift a quarter, in whole numbers:
// (4p + 3) * 25 / scale; a whole-multiple scale gives the same unit either way.
int LogicalFromWindow(int p, int scale) {
    if (p < 0) return p;
    return (4 * p + 3) * 25 / scale;
}

// The smallest p whose unit is u or more: p + 0.5 + 0.25 >= u * scale / 100.
int WindowFromLogical(int u, int scale) {
    const int quarters = u * scale / 25 - 3;  // 4 * (u * scale / 100 - 0.75), exact for these scales
    return quarters >= 0 ? (quarters + 3) / 4 : -((-quarters) / 4);
}

int LogicalSize(int windowPixels, int scale) { return windowPixels * 100 / scale; }

void InterfaceProjection(int windowWidth, int windowHeight, int scale) {
    const double s = scale / 100.0;
    const double shift = UiEdgeShift(scale) / s;
    glViewport(0, 0, windowWidth, windowHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(shift, windowWidth / s + shift, windowHeight / s + shift, shift, 1, -1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void InterfaceScissor(int x, int y, int w, int h, int windowHeight, int scale) {
    const int x0 = WindowFromLogical(x, scale), x1 = WindowFromLogical(x + w, scale);
    const int y0 = WindowFromLogical(y, scale), y1 = WindowFromLogical(y + h, scale);
    glScissor(x0, windowHeight - y1, x1 - x0, y1 - y0);
}
