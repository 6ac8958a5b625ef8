#pragma once
#include <cstdint>

class PixelImage;

// A per-channel power curve whose exponent slides from the dark to the bright
// end. 88 bytes; this is also how layered files store it, field by field.
struct ColorProfile {
    char name[64];
    float dark[3];    // R, G, B
    float bright[3];  // R, G, B
};

constexpr int kProfileCount = 7;
constexpr int kDefaultProfileIndex = 2;  // "Rich"
constexpr int kProfileTableSize = 2048;

// Built-in profile by index 0..6; null outside that range.
const ColorProfile* BuiltinProfile(int index);

// Makes a copy of profile current and rebuilds the forward and inverse tables.
void SelectProfile(const ColorProfile& profile);
const ColorProfile& CurrentProfile();

// Index of the first built-in profile whose name equals the current one; -1 if none.
int CurrentProfileIndex();

// Working value maps of one channel (0 R, 1 G, 2 B) on 16-bit samples; both
// return multiples of 32 in 0..65504.
uint32_t Fwd(int channel, uint32_t v);
uint32_t Inv(int channel, uint32_t v);

// The current tables, for loops that convert many samples.
const int32_t* ForwardTable(int channel);
const int32_t* InverseTable(int channel);

// Converts the colour planes of a four-plane 16-bit image to working values
// (forward) or back to display values; alpha is left alone.
void ConvertImageProfile(PixelImage& image, bool forward);
