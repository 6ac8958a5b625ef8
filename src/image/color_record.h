#pragma once
#include <cstdint>

// One colour, either as working values (0..65535, encoded by the current
// profile) or as display values (0..255); the record does not know which.
// The 16-bit mirrors are what the conversions read, so every change of
// value[] refreshes them.
struct ColorRecord {
    int32_t value[4] = {0, 0, 0, 0};  // R, G, B, A
    uint16_t displayR = 0, displayG = 0, displayB = 0;
    uint16_t mirrorA = 0, mirrorR = 0, mirrorG = 0, mirrorB = 0;

    void Set(int i, int32_t v);
    void RefreshMirrors();
    bool operator==(const ColorRecord& other) const;
    bool operator!=(const ColorRecord& other) const { return !(*this == other); }
};

// A record in display form with the given channel values.
ColorRecord DisplayColor(int r, int g, int b, int a);

void FromDisplay(ColorRecord& record);
void ToDisplay(ColorRecord& record);

// Opaque white in working form under the current profile.
ColorRecord OpaqueWhiteWorking();
