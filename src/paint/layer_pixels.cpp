#include "paint/layer_pixels.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "image/channel_buffer.h"
#include "image/color_record.h"
#include "image/document.h"
#include "image/pixel_image.h"

namespace {

// Tile k along an axis covers [kTileStep * k - 1, kTileStep * k - 1 + kTileSide).
// The first tile holding p is the lowest k whose end lies beyond p; the last
// is the highest k whose start is at or before p.
int FirstTileAlong(int p) { return p < kTileSide - 1 ? 0 : (p - (kTileSide - 1)) / kTileStep + 1; }
int LastTileAlong(int p, int count) { return std::min((p + 1) / kTileStep, count - 1); }

bool InsideDocument(const Document& doc, int x, int y) {
    return x >= 0 && y >= 0 && x < doc.width && y < doc.height;
}

bool HasPixels(const LayerTile& tile) { return !tile.empty && tile.pixels && !tile.pixels->IsEmpty(); }

// The layer's tile that a read at (x, y) uses, or null.
const LayerTile* ReadTile(const Document& doc, int layer, int x, int y) {
    if (layer < 0 || layer >= doc.layerCount) return nullptr;
    const int t = FirstTileIndex(doc, x, y);
    if (t < 0) return nullptr;
    return LayerTileAt(doc.stacks[size_t(t)], layer);
}

// Working values of an active stroke's colour laid over working at mask m:
// each colour channel moves toward the paint colour, alpha stays.
void MixStroke(ColorRecord& working, const ColorRecord& paintColour, uint32_t m) {
    ColorRecord paint = paintColour;
    FromDisplay(paint);
    for (int c = 0; c < 3; ++c) {
        const int64_t v = working.value[c];
        // Integer division truncates toward zero, also for a negative difference.
        working.value[c] = int32_t(v + (int64_t(paint.value[c]) - v) * int64_t(m) / 65536);
    }
    working.RefreshMirrors();
}

}  // namespace

int FirstTileIndex(const Document& doc, int x, int y) {
    if (!InsideDocument(doc, x, y) || doc.columns <= 0) return -1;
    const int t = FirstTileAlong(y) * doc.columns + FirstTileAlong(x);
    return t < int(doc.stacks.size()) ? t : -1;
}

bool ReadLayerPixel(const Document& doc, int layer, int x, int y, const ColorRecord& paintColour,
                    ColorRecord& out) {
    const LayerTile* tile = ReadTile(doc, layer, x, y);
    if (!tile) return false;
    const int u = x - tile->x0, v = y - tile->y0;
    const bool stroke = tile->strokeActive && tile->strokeMask && !tile->strokeMask->IsEmpty();
    if (!HasPixels(*tile) && !stroke) {
        out = DisplayColor(255, 255, 255, 0);
        return true;
    }
    ColorRecord working;
    if (HasPixels(*tile)) {
        if (!tile->pixels->GetPixel(u, v, &working)) return false;
    } else {
        working = DisplayColor(255, 255, 255, 0);
        FromDisplay(working);
    }
    if (stroke) {
        const uint32_t m = tile->strokeMask->Channel(0).Get(u, v);
        if (m) MixStroke(working, paintColour, m);
    }
    ToDisplay(working);
    out = working;
    return true;
}

void WriteLayerPixel(Document& doc, int layer, int x, int y, const ColorRecord& colour, bool withAlpha) {
    if (layer < 0 || layer >= doc.layerCount || !InsideDocument(doc, x, y)) return;
    ColorRecord working = colour;
    FromDisplay(working);
    const int lastRow = LastTileAlong(y, doc.rows), lastColumn = LastTileAlong(x, doc.columns);
    for (int r = FirstTileAlong(y); r <= lastRow; ++r)
        for (int c = FirstTileAlong(x); c <= lastColumn; ++c) {
            LayerTile* tile = LayerTileAt(doc.stacks[size_t(r * doc.columns + c)], layer);
            if (!tile || !TryEnsurePixels(*tile)) continue;
            tile->pixels->SetPixel(x - tile->x0, y - tile->y0, &working, withAlpha);
            tile->dirty = true;
        }
}

int UpperLayersAlpha(const Document& doc, int layer, int x, int y) {
    const LayerTile* tile = ReadTile(doc, layer, x, y);
    if (!tile) return 0;
    const int u = x - tile->x0, v = y - tile->y0;
    int highest = 0;
    // Strokes leave alpha alone when read, so the samples can be taken as they are.
    int i = layer + 1;
    for (const LayerTile* upper = tile->next; upper && i < doc.layerCount; upper = upper->next, ++i) {
        if (doc.layers[i].hidden || !HasPixels(*upper)) continue;
        highest = std::max(highest, int(upper->pixels->Alpha().Get(u, v) >> 8));
    }
    return highest;
}
