#pragma once
#include <array>

struct BrushSettings;

// A brush kept in one of the brush popup's preset slots: its size and
// hardness and how the pen's pressure acts on it.
struct BrushPreset {
    float radius = 1.6f;     // 1..127 pixels
    float hardness = 0.7f;   // 0..0.99, or exactly 1 for the hard pixel brush
    float pressureScale = 1.0f;
    bool pressureSensitivity = true;
    bool pressureControlledSize = false;

    bool operator==(const BrushPreset& o) const {
        return radius == o.radius && hardness == o.hardness && pressureScale == o.pressureScale &&
               pressureSensitivity == o.pressureSensitivity && pressureControlledSize == o.pressureControlledSize;
    }
    bool operator!=(const BrushPreset& o) const { return !(*this == o); }
};

constexpr int kBrushPresetCount = 8;
using BrushPresets = std::array<BrushPreset, kBrushPresetCount>;

// What a new installation offers: a fine pen, an inking pen whose width
// follows the pressure, a pixel pencil, a soft airbrush, a round brush, a
// broad flat one, a large soft brush and a huge soft one for wide areas.
BrushPresets DefaultBrushPresets();

// The brush's part a preset keeps, and the brush with a preset's values put
// in (pressure-controlled size turns line avoidance off, as the toggles do).
BrushPreset PresetOfBrush(const BrushSettings& brush);
void ApplyPresetToBrush(const BrushPreset& preset, BrushSettings& brush);

// A preset read from a file, with every value brought into its range.
BrushPreset ClampedPreset(BrushPreset preset);
