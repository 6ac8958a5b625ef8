#include "image/color_profile.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "image/channel_buffer.h"
#include "image/pixel_image.h"

namespace {

const ColorProfile kBuiltin[kProfileCount] = {
    {"Linear RGB", {1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 1.0f}},
    {"Pale", {1.4f, 1.4f, 1.4f}, {0.7f, 0.7f, 0.7f}},
    {"Rich", {0.85f, 0.85f, 0.85f}, {1.3f, 1.3f, 1.3f}},
    {"Very rich", {0.75f, 0.75f, 0.75f}, {1.7f, 1.7f, 1.7f}},
    {"Neon", {0.6f, 0.6f, 0.6f}, {3.0f, 3.0f, 3.0f}},
    {"Freeze", {0.4f, 0.9f, 1.7f}, {0.6f, 1.8f, 2.5f}},
    {"Warm skin", {1.0f, 0.65f, 0.55f}, {1.5f, 1.2f, 0.9f}},
};

constexpr int kLast = kProfileTableSize - 1;
constexpr int kMaxHolePasses = 512;

ColorProfile current = kBuiltin[kDefaultProfileIndex];
int32_t forwardTable[3][kProfileTableSize];
int32_t inverseTable[3][kProfileTableSize];

// The exponent slides from the dark to the bright one, weighted by x^1.4.
// Everything up to the exponent is single precision so the tables come out
// the same wherever they are built.
void BuildForward(int32_t* table, float darkExp, float brightExp) {
    const float step = 1.0f / 2047.0f;
    for (int i = 0; i < kProfileTableSize; ++i) {
        const float x = float(i) * step;
        const float t = float(std::pow(double(x), double(1.4f)));
        const float e = darkExp + t * (brightExp - darkExp);
        const double y = std::nearbyint(std::pow(double(x), double(e)) * 2047.0);
        table[i] = int32_t(std::clamp(y, 0.0, double(kLast)));
    }
}

// Each level maps back to the largest input that produced it; levels no input
// produced are holes, filled from their neighbours so that no mid-range
// working value ever displays as black.
void BuildInverse(int32_t* inverse, const int32_t* forward) {
    std::fill_n(inverse, kProfileTableSize, 0);
    inverse[kLast] = kLast;
    for (int i = 0; i < kProfileTableSize; ++i) inverse[forward[i]] = i;

    for (int pass = 0; pass < kMaxHolePasses; ++pass) {
        const int neighbour = pass % 2 == 0 ? -1 : 1;
        bool foundHole = false;
        for (int k = 1; k < kLast; ++k) {
            if (inverse[k] != 0) continue;
            foundHole = true;
            inverse[k] = inverse[k + neighbour];
        }
        if (!foundHole) break;
    }
}

inline uint32_t Lookup(const int32_t* table, uint32_t v) { return uint32_t(table[std::min(v, 65535u) >> 5]) * 32; }

}  // namespace

const ColorProfile* BuiltinProfile(int index) {
    if (index < 0 || index >= kProfileCount) return nullptr;
    return &kBuiltin[index];
}

void SelectProfile(const ColorProfile& profile) {
    ColorProfile copy = profile;
    copy.name[sizeof copy.name - 1] = '\0';
    current = copy;
    for (int c = 0; c < 3; ++c) {
        BuildForward(forwardTable[c], current.dark[c], current.bright[c]);
        BuildInverse(inverseTable[c], forwardTable[c]);
    }
}

// The tables hold the default profile before anything selects one, so a
// conversion is never made through empty tables.
static const bool defaultTablesBuilt = (SelectProfile(kBuiltin[kDefaultProfileIndex]), true);

const ColorProfile& CurrentProfile() { return current; }

int CurrentProfileIndex() {
    for (int i = 0; i < kProfileCount; ++i)
        if (std::strcmp(kBuiltin[i].name, current.name) == 0) return i;
    return -1;
}

uint32_t Fwd(int channel, uint32_t v) {
    return Lookup(forwardTable[channel], v);
}

uint32_t Inv(int channel, uint32_t v) {
    return Lookup(inverseTable[channel], v);
}

const int32_t* ForwardTable(int channel) {
    return forwardTable[channel];
}

const int32_t* InverseTable(int channel) {
    return inverseTable[channel];
}

void ConvertImageProfile(PixelImage& image, bool forward) {
    if (image.channelCount != 4 || image.depth != 16) return;
    for (int c = 0; c < 3; ++c) {
        const int32_t* table = forward ? ForwardTable(c) : InverseTable(c);
        auto& plane = static_cast<ChannelBuffer16&>(image.Channel(c));
        if (!plane.samples) continue;
        const size_t n = size_t(plane.width) * size_t(plane.height);
        for (size_t i = 0; i < n; ++i) plane.samples[i] = uint16_t(table[plane.samples[i] >> 5] * 32);
    }
}
