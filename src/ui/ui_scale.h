#pragma once

// The interface scale: 100, 150 or 200 percent. The interface is laid out in
// logical units, one unit being scale / 100 window pixels; the canvas keeps
// drawing in window pixels under its own zoom.
//
// Window pixel p belongs to the logical unit its centre falls in. At 150 %
// the logical edges are drawn a quarter pixel up and left of where the scale
// alone puts them, so that no edge runs through a pixel centre: a pixel is
// then inside a filled rectangle exactly when the pointer on it is inside the
// same rectangle, whichever way the rasteriser breaks ties.

constexpr int kUiScales[] = {100, 150, 200};

// The scale a display of this many dots per inch reads best at: 100 % up to
// 119 dpi, 150 % up to 167, 200 % above (96, 144 and 192 dpi are the systems'
// usual steps). Unknown (zero or less) counts as 96.
int DefaultUiScale(int dpi);
// A kept setting as a scale: 100, 150 or 200 as they are, anything else
// (0 included: not chosen) the display's default for dpi.
int ChosenUiScale(int setting, int dpi);
// The scale after this one in the Settings menu's cycle.
int NextUiScale(int scale);

// The current scale, set by the program; 100 until then.
int UiScale();
void SetUiScale(int scale);

// The quarter-pixel shift at this scale (0 at whole multiples).
float UiEdgeShift(int scale);
// The logical unit window pixel p (0 or more) falls in; negative positions
// (no pointer yet) stay as they are.
int LogicalFromWindow(int p, int scale);
// The first window pixel of logical unit u: the pixel a rectangle starting at
// u starts to cover, and where text drawn at u puts its first column.
int WindowFromLogical(int u, int scale);
// The window's size in logical units (whole units only).
int LogicalSize(int windowPixels, int scale);

// Sets the viewport to the whole window and the projection to logical units,
// origin top-left, y down; the model-view matrix to identity.
void InterfaceProjection(int windowWidth, int windowHeight, int scale);
// A scissor box given in logical units, set in window pixels.
void InterfaceScissor(int x, int y, int w, int h, int windowHeight, int scale);
