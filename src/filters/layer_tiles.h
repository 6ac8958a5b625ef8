#pragma once
#include <cstdint>

#include "filters/filter_threads.h"
#include "image/document.h"

class PixelImage;

// What the filters share: finding a layer's tiles that hold pixels and
// recording that the layer changed.

// True for a tile whose pixels are four 16-bit planes, the only kind of image
// a layer holds once it has pixels at all.
bool HasFilterablePixels(const LayerTile& tile);

// The samples of plane c of a four-plane 16-bit image.
uint16_t* PlaneSamples(const PixelImage& image, int c);

bool ValidLayer(const Document& doc, int layer);

// After a filter changed the layer: its thumbnail must be redrawn, the
// document is modified and no longer matches a flat file.
void MarkLayerFiltered(Document& doc, int layer);

// Runs filter(PixelImage&) on the layer's tile at every position that has
// pixels, spread over threads (see FilterThreadCount); each such tile becomes
// dirty. Tiles without pixels are left alone and stay fully transparent.
template <typename Filter>
void FilterLayerTiles(Document& doc, int layer, int threads, const Filter& filter) {
    RunInParallel(doc.tileCount, threads, [&doc, layer, &filter](int begin, int end) {
        for (int t = begin; t < end; ++t) {
            LayerTile* tile = LayerTileAt(doc.stacks[size_t(t)], layer);
            if (!tile || !HasFilterablePixels(*tile)) continue;
            filter(*tile->pixels);
            tile->dirty = true;
        }
    });
}
