#include "app/brush_presets.h"

#include <algorithm>

#include "paint/stroke_engine.h"

BrushPresets DefaultBrushPresets() {
    BrushPresets p;
    p[0] = {1.0f, 0.9f, 1.0f, true, false};    // fine pen
    p[1] = {3.0f, 0.85f, 1.0f, true, true};    // inking pen
    p[2] = {1.0f, 1.0f, 1.0f, false, false};   // pixel pencil
    p[3] = {25.0f, 0.0f, 0.25f, true, false};  // soft airbrush
    p[4] = {6.0f, 0.6f, 1.0f, true, false};    // round brush
    p[5] = {18.0f, 0.95f, 1.0f, true, false};  // broad flat
    p[6] = {50.0f, 0.3f, 1.0f, true, false};   // large soft brush
    p[7] = {120.0f, 0.1f, 1.0f, true, false};  // huge soft brush
    return p;
}

BrushPreset PresetOfBrush(const BrushSettings& brush) {
    return {brush.radius, brush.hardness, brush.pressureScale, brush.pressureSensitivity,
            brush.pressureControlledSize};
}

void ApplyPresetToBrush(const BrushPreset& preset, BrushSettings& brush) {
    brush.radius = preset.radius;
    brush.hardness = preset.hardness;
    brush.pressureScale = preset.pressureScale;
    brush.pressureSensitivity = preset.pressureSensitivity;
    brush.pressureControlledSize = preset.pressureControlledSize;
    if (brush.pressureControlledSize) brush.lineAvoidance = false;
}

BrushPreset ClampedPreset(BrushPreset p) {
    p.radius = std::clamp(p.radius, 1.0f, 127.0f);
    // Only the exact pixel brush is harder than 0.99.
    if (p.hardness != 1.0f) p.hardness = std::clamp(p.hardness, 0.0f, 0.99f);
    p.pressureScale = std::clamp(p.pressureScale, 0.0f, 1.0f);
    return p;
}
