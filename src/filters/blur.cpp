#include "filters/blur.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "filters/layer_tiles.h"
#include "image/document.h"
#include "image/pixel_image.h"

namespace {

constexpr int kSamplesPerPixel = 4;
constexpr int kAlpha = 3;
// Lines filtered side by side (see BlurLines).
constexpr int kLinesAtOnce = 4;

BlurAllocationCheck allocationCheck = nullptr;

bool AllocationAllowed(size_t bytes) { return !allocationCheck || allocationCheck(bytes); }

// Running values in 1/256 units of a sample. h is the previous pixel's
// smoothed alpha in 8-bit units.
struct LineState {
    int32_t a, colour[3], h;
};

void StartLine(LineState& s, const uint16_t* p) {
    s.a = int32_t(p[kAlpha]) << 8;
    for (int c = 0; c < 3; ++c) s.colour[c] = int32_t(p[c]) << 8;
    s.h = 0;
}

// The weight for a jump d between the running value and a new sample; with
// both within 0..65535 << 8, |d| >> 16 is within 0..255. The products below
// stay under 2^31 because the weights fall as the jump grows.
int32_t Weight(const int32_t* weights, int32_t d) { return weights[(d < 0 ? -d : d) >> 16]; }

// Divisions truncate toward zero, for negative jumps too.
[[gnu::always_inline]] inline void StepPixel(LineState& s, uint16_t* p, const int32_t* weights) {
    const int32_t sampleAlpha = int32_t(p[kAlpha]) << 8;
    const int32_t da = sampleAlpha - s.a;
    s.a += Weight(weights, da) * da / 256;
    const int32_t w = sampleAlpha >> 16;
    // Beside (nearly) transparent pixels colour restarts from the sample, so
    // the colour of invisible pixels never bleeds into visible ones.
    const bool restart = s.h < 2;
    for (int c = 0; c < 3; ++c) {
        int32_t& x = s.colour[c];
        const int32_t sample = int32_t(p[c]) << 8;
        if (restart) {
            x = sample;
        } else {
            const int32_t d = sample - x;
            // The weight times w is never negative: a shift divides it.
            const int32_t k = int32_t(uint32_t(Weight(weights, d)) * uint32_t(w) >> 8);
            x += k * d / 256;
        }
        p[c] = uint16_t(x >> 8);
    }
    p[kAlpha] = uint16_t(s.a >> 8);
    s.h = s.a >> 16;
}

// Blurs n independent lines side by side; line l starts at first + l * across
// and its pixels are along samples apart. Each line is one long chain of
// dependent steps: interleaving a few lets the processor overlap them, and
// along the columns each step then reads neighbouring pixels. n is small
// enough for the running values to stay in registers. Both runs work in
// place: the forward run reads each pixel before writing it, and the
// backward run reads exactly what the forward run wrote there.
template <int n>
void BlurLines(uint16_t* first, ptrdiff_t along, ptrdiff_t across, int length, const int32_t* weights) {
    LineState state[n];
#pragma GCC unroll 8
    for (int l = 0; l < n; ++l) StartLine(state[l], first + l * across);
    for (int k = 0; k < length; ++k) {
        uint16_t* p = first + k * along;
#pragma GCC unroll 8
        for (int l = 0; l < n; ++l) StepPixel(state[l], p + l * across, weights);
    }
    for (int k = length - 1; k >= 0; --k) {
        uint16_t* p = first + k * along;
#pragma GCC unroll 8
        for (int l = 0; l < n; ++l) StepPixel(state[l], p + l * across, weights);
    }
}

void BlurLineGroup(uint16_t* first, ptrdiff_t along, ptrdiff_t across, int length, int lines,
                   const int32_t* weights) {
    int l = 0;
    for (; l + kLinesAtOnce <= lines; l += kLinesAtOnce)
        BlurLines<kLinesAtOnce>(first + l * across, along, across, length, weights);
    for (; l < lines; ++l) BlurLines<1>(first + l * across, along, across, length, weights);
}

// The document's pixels of one layer, interleaved RGBA, row by row.
struct FlatLayer {
    std::unique_ptr<uint16_t[]> samples;
    int width = 0, height = 0;
    uint16_t* Pixel(int x, int y) const {
        return samples.get() + (size_t(y) * size_t(width) + size_t(x)) * kSamplesPerPixel;
    }
};

// The part of a tile inside document rows y0..y1 and the document's columns,
// in document coordinates.
struct Span {
    int x0, y0, x1, y1;
    bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

Span TileSpan(const LayerTile& tile, int width, int y0, int y1) {
    return {std::max(tile.x0, 0), std::max(tile.y0, y0), std::min(tile.x1, width), std::min(tile.y1, y1)};
}

// Rows y0..y1 of the flat layer: cleared, then every tile with pixels copied
// in, in tile order, so where tiles overlap the later one is kept.
void Gather(const Document& doc, int layer, FlatLayer& flat, int y0, int y1) {
    std::memset(flat.Pixel(0, y0), 0, size_t(y1 - y0) * size_t(flat.width) * kSamplesPerPixel * sizeof(uint16_t));
    for (LayerTile* stack : doc.stacks) {
        const LayerTile* tile = LayerTileAt(stack, layer);
        if (!tile || !HasFilterablePixels(*tile)) continue;
        const Span s = TileSpan(*tile, flat.width, y0, y1);
        if (s.Empty()) continue;
        const PixelImage& image = *tile->pixels;
        const uint16_t* planes[kSamplesPerPixel];
        for (int c = 0; c < kSamplesPerPixel; ++c) planes[c] = PlaneSamples(image, c);
        for (int y = s.y0; y < s.y1; ++y) {
            const size_t in = size_t(y - tile->y0) * size_t(image.width) + size_t(s.x0 - tile->x0);
            uint16_t* out = flat.Pixel(s.x0, y);
            for (int k = 0; k < s.x1 - s.x0; ++k, out += kSamplesPerPixel)
                for (int c = 0; c < kSamplesPerPixel; ++c) out[c] = planes[c][in + size_t(k)];
        }
    }
}

void Scatter(const FlatLayer& flat, LayerTile& tile) {
    const Span s = TileSpan(tile, flat.width, 0, flat.height);
    const PixelImage& image = *tile.pixels;
    uint16_t* planes[kSamplesPerPixel];
    for (int c = 0; c < kSamplesPerPixel; ++c) planes[c] = PlaneSamples(image, c);
    for (int y = s.y0; y < s.y1; ++y) {
        const size_t out = size_t(y - tile.y0) * size_t(image.width) + size_t(s.x0 - tile.x0);
        const uint16_t* in = flat.Pixel(s.x0, y);
        for (int k = 0; k < s.x1 - s.x0; ++k, in += kSamplesPerPixel)
            for (int c = 0; c < kSamplesPerPixel; ++c) planes[c][out + size_t(k)] = in[c];
    }
    tile.dirty = true;
}

// The pixels EnsurePixels would give an empty tile, made before anything
// changes; null when they cannot be had.
PixelImage* FreshTilePixels() {
    if (!AllocationAllowed(size_t(kTileSide) * kTileSide * kSamplesPerPixel * sizeof(uint16_t))) return nullptr;
    try {
        LayerTile scratch;
        scratch.pixels = new PixelImage();
        EnsurePixels(scratch);
        PixelImage* image = scratch.pixels;
        scratch.pixels = nullptr;
        return image;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// Hands a tile without pixels the image made for it, as EnsurePixels does.
void InstallPixels(LayerTile& tile, PixelImage* image) {
    delete tile.pixels;
    tile.pixels = image;
    if (tile.animated && tile.currentFrame >= 0 && tile.currentFrame < int(tile.frames.size()))
        tile.frames[size_t(tile.currentFrame)] = image;
    tile.empty = false;
}

// Everything the blur allocates, taken up front.
struct BlurMemory {
    FlatLayer flat;
    // Indexed like doc.stacks; non-null for the tiles that have no pixels yet.
    std::vector<std::unique_ptr<PixelImage>> fresh;
};

bool Allocate(const Document& doc, int layer, BlurMemory& memory) {
    const size_t count = size_t(doc.width) * size_t(doc.height) * kSamplesPerPixel;
    try {
        if (!AllocationAllowed(doc.stacks.size() * sizeof(memory.fresh[0]))) return false;
        memory.fresh.resize(doc.stacks.size());
        if (!AllocationAllowed(count * sizeof(uint16_t))) return false;
        memory.flat.samples.reset(new (std::nothrow) uint16_t[count]);
        if (!memory.flat.samples) return false;
        memory.flat.width = doc.width;
        memory.flat.height = doc.height;
        for (size_t t = 0; t < doc.stacks.size(); ++t) {
            const LayerTile* tile = LayerTileAt(doc.stacks[t], layer);
            if (!tile || HasFilterablePixels(*tile)) continue;
            memory.fresh[t].reset(FreshTilePixels());
            if (!memory.fresh[t]) return false;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

}  // namespace

int BlurKernelScale(int radius) {
    radius = std::clamp(radius, kBlurMinRadius, kBlurMaxRadius);
    return int(std::lround(180.0 / (radius * 0.16666667 + 0.8)));
}

void BuildBlurWeights(int radius, int32_t weights[kBlurWeightCount]) {
    const double k = BlurKernelScale(radius);
    for (int i = 0; i < kBlurWeightCount; ++i) {
        const double w = std::pow(1.0 - i / 256.0, 0.15) * k;
        weights[i] = std::clamp(int32_t(std::lround(w)), 0, 256);
    }
}

void BlurLine(uint16_t* pixels, ptrdiff_t step, int length, const int32_t weights[kBlurWeightCount]) {
    if (pixels && length > 0) BlurLines<1>(pixels, step, 0, length, weights);
}

bool BlurLayer(Document& doc, int layer, int radius, int threads) {
    if (!ValidLayer(doc, layer) || doc.width < 1 || doc.height < 1) return false;
    BlurMemory memory;
    if (!Allocate(doc, layer, memory)) return false;
    int32_t weights[kBlurWeightCount];
    BuildBlurWeights(radius, weights);
    FlatLayer& flat = memory.flat;
    const int w = flat.width, h = flat.height;
    const ptrdiff_t rowSamples = ptrdiff_t(w) * kSamplesPerPixel;

    RunInParallel(h, threads, [&](int y0, int y1) { Gather(doc, layer, flat, y0, y1); });

    const int rowGroups = (h + kLinesAtOnce - 1) / kLinesAtOnce;
    RunInParallel(rowGroups, threads, [&](int g0, int g1) {
        for (int g = g0; g < g1; ++g) {
            const int y = g * kLinesAtOnce;
            BlurLineGroup(flat.Pixel(0, y), kSamplesPerPixel, rowSamples, w, std::min(kLinesAtOnce, h - y), weights);
        }
    });
    const int columnGroups = (w + kLinesAtOnce - 1) / kLinesAtOnce;
    RunInParallel(columnGroups, threads, [&](int g0, int g1) {
        for (int g = g0; g < g1; ++g) {
            const int x = g * kLinesAtOnce;
            BlurLineGroup(flat.Pixel(x, 0), rowSamples, kSamplesPerPixel, h, std::min(kLinesAtOnce, w - x), weights);
        }
    });

    RunInParallel(doc.tileCount, threads, [&](int t0, int t1) {
        for (int t = t0; t < t1; ++t) {
            LayerTile* tile = LayerTileAt(doc.stacks[size_t(t)], layer);
            if (!tile) continue;
            if (memory.fresh[size_t(t)]) InstallPixels(*tile, memory.fresh[size_t(t)].release());
            Scatter(flat, *tile);
        }
    });
    MarkLayerFiltered(doc, layer);
    return true;
}

void SetBlurAllocationCheck(BlurAllocationCheck check) { allocationCheck = check; }
