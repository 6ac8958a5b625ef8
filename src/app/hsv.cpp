#include <cmath>

#include "app/popups.h"

// The editor's colour wheel has 252 hues: six sectors of 42 steps.

namespace {

constexpr int kHueSteps = 252;
constexpr int kSectorSteps = 42;

int RoundToInt(float x) { return int(std::floor(x + 0.5f)); }

int Channel(float pure, float s, float v) { return RoundToInt((1.0f - s * (1.0f - pure)) * v * 255.0f); }

}  // namespace

unsigned HsvToRgb(int h, int s, int v) {
    if (h < 0 || h >= kHueSteps) h = 0;
    const float t = float(h % kSectorSteps) / float(kSectorSteps);
    float r = 0, g = 0, b = 0;
    switch (h / kSectorSteps) {
    case 0: r = 1; g = t; b = 0; break;
    case 1: r = 1 - t; g = 1; b = 0; break;
    case 2: r = 0; g = 1; b = t; break;
    case 3: r = 0; g = 1 - t; b = 1; break;
    case 4: r = t; g = 0; b = 1; break;
    default: r = 1; g = 0; b = 1 - t; break;
    }
    const float sf = float(s) / 255.0f, vf = float(v) / 255.0f;
    return unsigned(Channel(r, sf, vf)) << 16 | unsigned(Channel(g, sf, vf)) << 8 | unsigned(Channel(b, sf, vf));
}

int RgbValue(int r, int g, int b) {
    int m = r > g ? r : g;
    return m > b ? m : b;
}

int RgbSaturation(int r, int g, int b) {
    const int high = RgbValue(r, g, b);
    int low = r < g ? r : g;
    if (b < low) low = b;
    if (float(high) / 255.0f < 0.001f) return 0;
    return RoundToInt(255.0f - 255.0f * float(low) / float(high));
}

int RgbHue(int r, int g, int b) {
    float c[3] = {float(r) / 255.0f, float(g) / 255.0f, float(b) / 255.0f};
    // Ties go to the first channel in the order red, green, blue.
    int low = 0;
    for (int i = 1; i < 3; ++i)
        if (c[i] < c[low]) low = i;
    const float base = c[low];
    for (float& x : c) x -= base;
    int high = 0;
    for (int i = 1; i < 3; ++i)
        if (c[i] > c[high]) high = i;
    const float largest = c[high];
    if (largest < 0.001f) return 0;
    for (float& x : c) x /= largest;

    // The channel that is neither the smallest nor the largest places the
    // hue within the sector.
    int other = (low + 1) % 3;
    if (other == high) other = (other + 1) % 3;
    const int f = RoundToInt(c[other] * 41.0f);

    if (high == 0 && other == 1) return f;
    if (high == 0 && other == 2) return 251 - f;
    if (high == 1 && other == 0) return 83 - f;
    if (high == 1 && other == 2) return f + 84;
    if (high == 2 && other == 0) return f + 168;
    if (high == 2 && other == 1) return 167 - f;
    return 0;
}
