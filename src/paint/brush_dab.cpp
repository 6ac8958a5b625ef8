#include "paint/brush_dab.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "image/channel_buffer.h"
#include "image/pixel_image.h"

namespace {

// The edge profile is computed in single precision throughout, pi included,
// so that the stored samples do not depend on a wider intermediate.
constexpr float kPi = 3.1415925f;

// Steps beyond this (in 1/256 source pixel) belong to dabs shrunk below
// 2^-32 of their size; they cover nothing, and refusing them keeps every
// position comfortably inside 64 bits.
constexpr double kMaxStep = 1099511627776.0;  // 2^40

uint16_t* Samples(const PixelImage& image) { return static_cast<ChannelBuffer16&>(image.Channel(0)).samples; }

bool IsBrushImage(const PixelImage& image) {
    return image.channelCount >= 1 && image.depth == 16 && Samples(image) != nullptr;
}

// Round to nearest with ties to even, independent of the FPU rounding mode.
int RoundHalfEven(float v) {
    const float lower = std::floor(v);
    const float fraction = v - lower;
    int r = int(lower);
    if (fraction > 0.5f || (fraction == 0.5f && (r & 1) != 0)) ++r;
    return r;
}

float EdgeCoverage(float c, float w, float d) {
    if (w == 1.0f) return c - d > 0.0f ? 1.0f : 0.0f;
    const float t = (c - d) / w;
    if (t < 0.0f) return 0.0f;
    if (t > 1.0f) return 1.0f;
    return std::clamp((1.0f - std::cos(kPi * t)) / 2.0f, 0.0f, 1.0f);
}

// The sub-pixel part of a position; a position that is no number has none.
float Fraction(float v) { return std::isfinite(v) ? v - std::floor(v) : 0.0f; }

// Takes the shape's logical size; false if either image cannot hold a dab.
bool MatchShape(PixelImage& dab, const PixelImage& shape) {
    if (!IsBrushImage(dab) || !IsBrushImage(shape)) return false;
    dab.SetSize(shape.width, shape.height);
    return dab.width == shape.width && dab.height == shape.height;
}

// One shape row blended across by the weight m of each right-hand neighbour,
// for dab columns 1..w - 2 (shape columns j and j + 1).
void BlendAcross(uint32_t* out, const uint16_t* row, uint32_t m, int w) {
    for (int j = 1; j < w - 1; ++j) out[j] = m * row[j + 1] + (256 - m) * row[j];
}

void BlendDown(uint16_t* out, const uint32_t* upper, const uint32_t* lower, uint32_t l, int w) {
    for (int j = 1; j < w - 1; ++j) out[j] = uint16_t((l * lower[j] + (256 - l) * upper[j]) >> 16);
}

// For each dab column of a resampled dab: the shape column left of its
// position and the position's 1/256 fraction toward the next column.
struct ColumnTable {
    uint32_t index[kBrushCapacity];
    uint32_t fraction[kBrushCapacity];
};

void ResampleAcross(uint32_t* out, const uint16_t* row, const ColumnTable& t, int begin, int end) {
    for (int j = begin; j < end; ++j) {
        const uint32_t c = t.index[j];
        const uint32_t a = t.fraction[j];
        out[j] = row[c + 1] * a + row[c] * (256 - a);
    }
}

void ResampleDown(uint16_t* out, const uint32_t* upper, const uint32_t* lower, uint32_t b, int begin, int end) {
    for (int j = begin; j < end; ++j) out[j] = uint16_t((upper[j] * (256 - b) + b * lower[j]) >> 16);
}

// First index 0..count at which start + i * step reaches limit (step >= 0).
int FirstAtOrPast(int64_t start, int64_t step, int64_t limit, int count) {
    if (start >= limit) return 0;
    if (step == 0) return count;
    const int64_t i = (limit - start + step - 1) / step;
    return int(std::min<int64_t>(i, count));
}

// First index 0..count whose position start + i * step is not negative.
int FirstNonNegative(int64_t start, int64_t step, int count) { return FirstAtOrPast(start, step, 0, count); }

}  // namespace

PixelImage* NewBrushImage() { return CreateCleared(kBrushCapacity, kBrushCapacity, 1, 16); }

void BuildBrushShape(PixelImage& shape, float radius, float hardness) {
    if (!IsBrushImage(shape)) return;
    float c = std::min(radius, kMaxShapeRadius);
    if (!(c >= 0.0f)) c = 0.0f;  // also catches NaN
    if (!(hardness >= 0.0f)) hardness = 0.0f;
    hardness = std::min(hardness, 1.0f);
    const int n = RoundHalfEven(c) + 1;
    shape.SetSize(2 * n, 2 * n);
    if (shape.width != 2 * n || shape.height != 2 * n) return;
    const float w = 4.0f * c * (1.0f - hardness) + 1.0f;
    const int side = 2 * n;
    uint16_t* out = Samples(shape);
    for (int i = 0; i < side; ++i) {
        for (int j = 0; j < side; ++j) {
            const float d = std::sqrt(float((i - n) * (i - n) + (j - n) * (j - n)));
            out[i * side + j] = uint16_t(std::lround(EdgeCoverage(c, w, d) * 65535.0f));
        }
    }
}

void ShiftDab(PixelImage& dab, const PixelImage& shape, float x, float y) {
    if (!MatchShape(dab, shape)) return;
    const int w = shape.width;
    const int h = shape.height;
    uint16_t* d = Samples(dab);
    if (w < 2 || h < 2 || w > kBrushCapacity) {
        std::fill_n(d, size_t(w) * size_t(h), uint16_t(0));
        return;
    }
    const float fx = Fraction(x);
    const float fy = Fraction(y);
    const uint32_t m = uint32_t(std::lround((1.0f - fx) * 256.0f));
    const uint32_t l = uint32_t(std::lround((1.0f - fy) * 256.0f));
    const uint16_t* s = Samples(shape);

    // The weights separate: each shape row is blended across once and then
    // serves as the lower row of one dab row and the upper row of the next.
    // The sums are exact integers, so the order does not change the result.
    uint32_t across[2][kBrushCapacity];
    std::fill_n(d, size_t(w), uint16_t(0));
    std::fill_n(d + size_t(h - 1) * w, size_t(w), uint16_t(0));
    BlendAcross(across[1], s + size_t(1) * w, m, w);
    for (int i = 1; i < h - 1; ++i) {
        BlendAcross(across[(i + 1) & 1], s + size_t(i + 1) * w, m, w);
        uint16_t* row = d + size_t(i) * w;
        BlendDown(row, across[i & 1], across[(i + 1) & 1], l, w);
        row[0] = 0;
        row[w - 1] = 0;
    }
}

void ScaleDab(PixelImage& dab, const PixelImage& shape, float x, float y, float scale) {
    if (!MatchShape(dab, shape)) return;
    const int w = shape.width;
    const int h = shape.height;
    uint16_t* d = Samples(dab);
    std::fill_n(d, size_t(w) * size_t(h), uint16_t(0));
    if (!(scale > 0.0f) || !std::isfinite(scale) || w < 2 || h < 2) return;
    if (w > kBrushCapacity || h > kBrushCapacity) return;  // the row tables below

    const double k = 1.0 / double(scale);
    if (256.0 * k > kMaxStep) return;
    const int64_t u = std::llround(256.0 * k);
    const int64_t o = u * 7 / 8;
    const float fx = Fraction(x);
    const float fy = Fraction(y);
    const int64_t x0 = (w / 2 - std::llround(k * (w / 2))) * 256 + o - std::llround(double(u) * fx);
    const int64_t y0 = (h / 2 - std::llround(k * (h / 2))) * 256 + o - std::llround(double(u) * fy);

    // Positions only grow, so the covered samples are one run of columns and
    // one run of rows, and each column's source offset is the same on every
    // row. Inside the run a position is below (side - 1) * 256 and fits 32 bits.
    const int jBegin = FirstNonNegative(x0, u, w);
    const int jEnd = FirstAtOrPast(x0, u, int64_t(w - 1) * 256, w);
    const int iBegin = FirstNonNegative(y0, u, h);
    const int iEnd = FirstAtOrPast(y0, u, int64_t(h - 1) * 256, h);
    if (jBegin >= jEnd || iBegin >= iEnd) return;

    ColumnTable columns;
    for (int j = jBegin; j < jEnd; ++j) {
        const uint32_t p = uint32_t(x0 + j * u);
        columns.index[j] = p >> 8;
        columns.fraction[j] = p & 255;
    }
    // The two shape rows under the current dab row, resampled across; at
    // scales near 1 consecutive dab rows share one of them.
    uint32_t across[2][kBrushCapacity];
    int64_t held[2] = {-1, -1};
    const uint16_t* s = Samples(shape);
    // The slot holding shape row r, filled if need be without touching slot keep.
    auto slotFor = [&](int64_t r, int keep) {
        if (held[0] == r) return 0;
        if (held[1] == r) return 1;
        const int slot = keep == 0 ? 1 : 0;
        ResampleAcross(across[slot], s + size_t(r) * w, columns, jBegin, jEnd);
        held[slot] = r;
        return slot;
    };
    for (int i = iBegin; i < iEnd; ++i) {
        const uint32_t p = uint32_t(y0 + i * u);
        const int upper = slotFor(p >> 8, -1);
        const int lower = slotFor((p >> 8) + 1, upper);
        ResampleDown(d + size_t(i) * w, across[upper], across[lower], p & 255, jBegin, jEnd);
    }
}
