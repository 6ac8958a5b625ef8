#pragma once
#include <cstdint>

#include "image/color_record.h"

class PixelImage;
struct Document;

// Turns pointer samples into dabs: decides when a stroke runs, smooths and
// constrains the path, maps pressure and spaces the dabs along the path. A
// stroke paints into stroke masks until pen-up, which records one undo step
// and commits the masks to the layer.

struct StrokePoint {
    float x = 0, y = 0, z = 0;
};

struct BrushSettings {
    float radius = 1.6f;          // 1..127 pixels
    float hardness = 0.7f;        // 0..0.99, or exactly 1 for hard whole pixels
    bool pressureSensitivity = true;
    float pressureScale = 1.0f;   // 0..1, the most a sample may lay down
    float inertia = 0.0f;         // 0 or 0.9
    bool pressureControlledSize = false;
    bool lineAvoidance = false;
};

// The tool a stroke paints with; the engine switches it for the right button
// and the pen's eraser end.
struct PaintTool {
    int32_t PaintMode = 0;  // 0 brush, 1 bottom-layer eraser, 2 layer eraser
    ColorRecord primary = DisplayColor(0, 0, 0, 255);
    ColorRecord secondary = DisplayColor(255, 255, 255, 255);
    ColorRecord paint = DisplayColor(0, 0, 0, 255);  // what strokes and fills lay down
};

// Brush on (mode 0, primary colour) or eraser (mode 2 and transparency, or
// mode 1 and the secondary colour on the bottom layer).
void SelectEraser(PaintTool& tool, bool eraser, bool bottomLayer);

// What one sample knows about the pointer, the keys and the view.
struct StrokeInput {
    float x = 0, y = 0;  // window client pixels
    float pressure = 1.0f;  // 0..1
    bool leftButton = false, rightButton = false;
    bool shift = false, control = false, space = false;
    bool pickMode = false;    // a colour is being picked
    bool clickTaken = false;  // the press began on the interface or drags the view
    bool blocked = false;     // a stroke may not start (pointer over a panel, layer invisible)
    bool tabletInProximity = false, tabletEraser = false;
    float tabletPressure = 0;  // the pen's last reading; negative while not yet known

    int windowWidth = 0, windowHeight = 0;
    float zoom = 1;
    float panX = 0, panY = 0, depth = 0;  // the view offset
    float rotation = 0;                   // degrees
    bool mirrored = false;
};

enum AxisLock { kAxisNone = 0, kAxisVertical = 1, kAxisHorizontal = 2 };

struct StrokeState {
    int count = 0;  // samples drawn in the current stroke; 0 between strokes
    StrokePoint p0, p1;
    float previousPressure = 0;
    StrokePoint start;
    int axisLock = kAxisNone;
    float smoothX = 0, smoothY = 0;  // inertia's view position
    bool eraser = false;
    bool temporaryEraser = false;  // the right button chose the eraser
    int layer = -1;                // the layer the stroke paints on
    // The stroke found no memory for a new tile's pixels (it left the tile
    // alone) or for its history (it landed without an undo step). Set until
    // the caller has told the painter and clears it.
    bool shortOfMemory = false;

    float effectiveRadius = 1.6f;  // the radius drawn for the last sample
    StrokePoint cursor;            // unsmoothed document position of the last sample
};

// Everything a sample works on.
struct StrokeTarget {
    Document& doc;
    PixelImage& shape;
    PixelImage& dab;
    const BrushSettings& brush;
    PaintTool& tool;
};

void StrokeSample(StrokeState& state, const StrokeTarget& target, const StrokeInput& in);

// Commits a running stroke as pen-up would.
void EndStroke(StrokeState& state, const StrokeTarget& target);
// Forgets a running stroke whose document went away.
void CancelStroke(StrokeState& state);

// The 1024 Bernstein weight sets of the cubic corner smoothing, t = i / 1023.
struct BernsteinWeights {
    float w[4];
};
const BernsteinWeights& BezierWeights(float t);
