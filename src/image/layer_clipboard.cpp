#include "image/layer_clipboard.h"

#include <cstddef>
#include <memory>
#include <vector>

#include "image/document.h"
#include "image/memory_guard.h"
#include "image/pixel_image.h"

namespace {

// What copies of the pixels of these tiles take, with a tile record each.
template <typename TileOf>
uint64_t CopyBytes(size_t count, TileOf tileOf) {
    uint64_t bytes = 0;
    for (size_t t = 0; t < count; ++t) {
        const LayerTile* tile = tileOf(t);
        bytes += sizeof(LayerTile) + (tile && !tile->empty ? kTileImageBytes : 0);
    }
    return bytes;
}

}  // namespace

bool CopyLayerToClipboard(Document& doc) {
    if (doc.currentLayer < 0 || doc.currentLayer >= doc.layerCount) return false;
    const auto source = [&doc](size_t t) { return LayerTileAt(doc.stacks[t], doc.currentLayer); };
    if (!MemoryFor(CopyBytes(doc.stacks.size(), source))) return false;
    // The new copies are made whole before the old ones go.
    std::vector<std::unique_ptr<LayerTile>> copies;
    const bool copied = Allocating([&] {
        copies.reserve(doc.stacks.size());
        for (size_t t = 0; t < doc.stacks.size(); ++t) {
            const LayerTile* from = source(t);
            copies.push_back(std::make_unique<LayerTile>());
            LayerTile& copy = *copies.back();
            InitLayerTile(copy, false);
            copy.x0 = from->x0;
            copy.y0 = from->y0;
            copy.x1 = from->x1;
            copy.y1 = from->y1;
            ReplaceTilePixels(copy, *from->pixels);
        }
        doc.clipboardTiles.reserve(copies.size());
    });
    if (!copied) return false;
    for (LayerTile* old : doc.clipboardTiles) delete old;
    doc.clipboardTiles.clear();
    for (auto& copy : copies) doc.clipboardTiles.push_back(copy.release());
    doc.clipboardInfo = doc.layers[doc.currentLayer];
    doc.clipboardFilled = true;
    return true;
}

bool PasteLayerFromClipboard(Document& doc) {
    if (!doc.clipboardFilled || doc.clipboardTiles.size() != doc.stacks.size()) return false;
    if (!MemoryFor(CopyBytes(doc.clipboardTiles.size(), [&doc](size_t t) { return doc.clipboardTiles[t]; })))
        return false;
    if (!AddLayer(doc, doc.currentLayer)) return false;
    const int layer = doc.currentLayer + 1;
    if (!Allocating([&doc, layer] {
            for (size_t t = 0; t < doc.stacks.size(); ++t)
                ReplaceTilePixels(*LayerTileAt(doc.stacks[t], layer), *doc.clipboardTiles[t]->pixels);
        }))
        return false;
    doc.currentLayer = layer;
    LayerInfo& info = doc.layers[layer];
    const uint32_t thumbnail = info.thumbnail;
    info = doc.clipboardInfo;
    info.thumbnail = thumbnail;
    // Only one frame was copied: the new layer is still whatever the source was.
    info.animated = false;
    ApplyLayerInfo(doc, layer);
    info.thumbnailDirty = true;
    doc.modified = true;
    doc.flatCopy = false;
    return true;
}
