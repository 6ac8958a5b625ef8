#pragma once

struct ColorRecord;
struct Document;

// Fills the 4-connected region of layer around (x, y) with colour (display
// values). The fill spreads under the soft edges of line art on the visible
// layers above and stops where it becomes opaque. Returns true when anything
// was filled; the layer's tiles were then saved as one undo step and the
// document marked modified.
bool FloodFill(Document& doc, int x, int y, const ColorRecord& colour, int layer);
