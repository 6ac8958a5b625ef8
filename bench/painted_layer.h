#pragma once
// A layer as a painter leaves it, for benchmarks whose cost depends on the
// content (compressed history snapshots): an opaque two-way gradient over the
// top of the painted area, flat opaque blocks below it, soft round strokes of
// many sizes and colours over both and over the transparent rest, and the
// right quarter of the document never touched (empty tiles). Seeded, so the
// same on every machine.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "bench_tiles.h"
#include "image/channel_buffer.h"
#include "image/document.h"
#include "image/pixel_image.h"

namespace bench {

struct Colour16 {
    uint32_t r, g, b;
};

inline Colour16 RandomColour(uint32_t& seed) { return {Next(seed) & 0xffff, Next(seed) & 0xffff, Next(seed) & 0xffff}; }

// Calls plot(tile, i) for every tile pixel i showing document pixel (x, y):
// neighbouring tiles overlap, so a pixel on a border is in two or four.
template <typename Plot>
void ForEachTilePixel(Document& doc, int layer, int x0, int y0, int x1, int y1, Plot plot) {
    x0 = std::max(x0, 0);
    y0 = std::max(y0, 0);
    x1 = std::min(x1, int(doc.width));
    y1 = std::min(y1, int(doc.height));
    if (x0 >= x1 || y0 >= y1) return;
    const int c0 = std::max(0, (x0 - 126) / kTileStep), c1 = std::min(doc.columns - 1, (x1 + 1) / kTileStep);
    const int r0 = std::max(0, (y0 - 126) / kTileStep), r1 = std::min(doc.rows - 1, (y1 + 1) / kTileStep);
    for (int r = r0; r <= r1; ++r)
        for (int c = c0; c <= c1; ++c) {
            LayerTile& tile = *LayerTileAt(doc.stacks[size_t(r * doc.columns + c)], layer);
            const int tx0 = std::max(x0, int(tile.x0)), tx1 = std::min(x1, int(tile.x1));
            const int ty0 = std::max(y0, int(tile.y0)), ty1 = std::min(y1, int(tile.y1));
            if (tx0 >= tx1 || ty0 >= ty1) continue;
            EnsurePixels(tile);
            for (int y = ty0; y < ty1; ++y)
                for (int x = tx0; x < tx1; ++x) plot(tile, x, y, (y - tile.y0) * kTileSide + (x - tile.x0));
        }
}

inline uint16_t* Plane(LayerTile& tile, int c) { return static_cast<ChannelBuffer16&>(tile.pixels->Channel(c)).samples; }

// Unpremultiplied "over" of colour at coverage a (0..65535).
inline void Over(LayerTile& tile, int i, Colour16 colour, uint32_t a) {
    uint16_t* alpha = Plane(tile, 3);
    const uint64_t below = alpha[i];
    const uint64_t out = a + below * (65535 - a) / 65535;
    if (out == 0) return;
    const uint32_t src[3] = {colour.r, colour.g, colour.b};
    for (int c = 0; c < 3; ++c) {
        uint16_t* plane = Plane(tile, c);
        plane[i] = uint16_t((uint64_t(src[c]) * a + plane[i] * below * (65535 - a) / 65535) / out);
    }
    alpha[i] = uint16_t(out);
}

inline void Dab(Document& doc, int layer, double cx, double cy, double radius, double hardness, Colour16 colour,
                uint32_t strength) {
    const int x0 = int(std::floor(cx - radius)), x1 = int(std::ceil(cx + radius)) + 1;
    const int y0 = int(std::floor(cy - radius)), y1 = int(std::ceil(cy + radius)) + 1;
    ForEachTilePixel(doc, layer, x0, y0, x1, y1, [&](LayerTile& tile, int x, int y, int i) {
        const double d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) / radius;
        if (d >= 1) return;
        const double falloff = d <= hardness ? 1 : (1 - d) / (1 - hardness);
        Over(tile, i, colour, uint32_t(strength * falloff * falloff));
    });
}

inline void PaintLayer(Document& doc, int layer, uint32_t seed) {
    const int right = doc.width * 3 / 4;
    const int skyBottom = doc.height * 2 / 5;
    // The gradient: top-left to bottom-right between two colours.
    const Colour16 from = RandomColour(seed), to = RandomColour(seed);
    const double span = double(right) + skyBottom;
    ForEachTilePixel(doc, layer, 0, 0, right, skyBottom, [&](LayerTile& tile, int x, int y, int i) {
        const double t = (x + y) / span;
        Plane(tile, 0)[i] = uint16_t(from.r + (double(to.r) - from.r) * t);
        Plane(tile, 1)[i] = uint16_t(from.g + (double(to.g) - from.g) * t);
        Plane(tile, 2)[i] = uint16_t(from.b + (double(to.b) - from.b) * t);
        Plane(tile, 3)[i] = 65535;
    });
    // Flat blocks, as a fill or a big hard brush leaves them.
    for (int k = 0; k < 6; ++k) {
        const int x = int(Next(seed) % uint32_t(right)), y = skyBottom + int(Next(seed) % uint32_t(doc.height - skyBottom));
        const int w = 200 + int(Next(seed) % 700), h = 150 + int(Next(seed) % 500);
        const Colour16 colour = RandomColour(seed);
        ForEachTilePixel(doc, layer, x, y, std::min(x + w, right), y + h, [&](LayerTile& tile, int, int, int i) {
            Plane(tile, 0)[i] = uint16_t(colour.r);
            Plane(tile, 1)[i] = uint16_t(colour.g);
            Plane(tile, 2)[i] = uint16_t(colour.b);
            Plane(tile, 3)[i] = 65535;
        });
    }
    // Strokes: smooth wandering paths of dabs a quarter radius apart.
    for (int k = 0; k < 120; ++k) {
        double x = Next(seed) % uint32_t(right), y = Next(seed) % uint32_t(doc.height);
        double angle = (Next(seed) % 6283) / 1000.0, turn = 0;
        const double radius = 3 + Next(seed) % 60;
        const double hardness = (Next(seed) % 90) / 100.0;
        const uint32_t strength = 20000 + Next(seed) % 45536;
        const Colour16 colour = RandomColour(seed);
        const int length = 300 + int(Next(seed) % 1500);
        for (double walked = 0; walked < length; walked += std::max(1.0, radius / 4)) {
            Dab(doc, layer, x, y, radius, hardness, colour, strength);
            turn = std::clamp(turn + ((Next(seed) % 2001) / 1000.0 - 1) * 0.02, -0.03, 0.03);
            angle += turn;
            const double step = std::max(1.0, radius / 4);
            x = std::clamp(x + std::cos(angle) * step, 0.0, double(right - 1));
            y = std::clamp(y + std::sin(angle) * step, 0.0, double(doc.height - 1));
        }
    }
    for (LayerTile* stack : doc.stacks) {
        LayerTile* tile = LayerTileAt(stack, layer);
        tile->empty = tile->pixels->IsEmpty();
        tile->dirty = true;
    }
}

}  // namespace bench
