#include "image/layer_clipboard.h"

#include <cstddef>

#include "image/document.h"
#include "image/pixel_image.h"

void CopyLayerToClipboard(Document& doc) {
    if (doc.currentLayer < 0 || doc.currentLayer >= doc.layerCount) return;
    doc.clipboardTiles.resize(doc.stacks.size(), nullptr);
    for (size_t t = 0; t < doc.stacks.size(); ++t) {
        const LayerTile* source = LayerTileAt(doc.stacks[t], doc.currentLayer);
        delete doc.clipboardTiles[t];
        auto* copy = new LayerTile();
        InitLayerTile(*copy, false);
        copy->x0 = source->x0;
        copy->y0 = source->y0;
        copy->x1 = source->x1;
        copy->y1 = source->y1;
        ReplaceTilePixels(*copy, *source->pixels);
        doc.clipboardTiles[t] = copy;
    }
    doc.clipboardInfo = doc.layers[doc.currentLayer];
    doc.clipboardFilled = true;
}

bool PasteLayerFromClipboard(Document& doc) {
    if (!doc.clipboardFilled || doc.clipboardTiles.size() != doc.stacks.size()) return false;
    if (!AddLayer(doc, doc.currentLayer)) return false;
    const int layer = doc.currentLayer + 1;
    doc.currentLayer = layer;
    LayerInfo& info = doc.layers[layer];
    const uint32_t thumbnail = info.thumbnail;
    info = doc.clipboardInfo;
    info.thumbnail = thumbnail;
    // Only one frame was copied: the new layer is still whatever the source was.
    info.animated = false;
    for (size_t t = 0; t < doc.stacks.size(); ++t)
        ReplaceTilePixels(*LayerTileAt(doc.stacks[t], layer), *doc.clipboardTiles[t]->pixels);
    ApplyLayerInfo(doc, layer);
    info.thumbnailDirty = true;
    doc.modified = true;
    doc.flatCopy = false;
    return true;
}
