#include "filters/layer_tiles.h"

#include "image/channel_buffer.h"
#include "image/pixel_image.h"

bool HasFilterablePixels(const LayerTile& tile) {
    const PixelImage* image = tile.pixels;
    if (tile.empty || !image || image->IsEmpty()) return false;
    if (image->channelCount != 4) return false;
    for (int c = 0; c < 4; ++c)
        if (image->Channel(c).depth != 16) return false;
    return true;
}

uint16_t* PlaneSamples(const PixelImage& image, int c) {
    return static_cast<ChannelBuffer16&>(image.Channel(c)).samples;
}

bool ValidLayer(const Document& doc, int layer) { return layer >= 0 && layer < doc.layerCount; }

void MarkLayerFiltered(Document& doc, int layer) {
    doc.layers[layer].thumbnailDirty = true;
    doc.modified = true;
    doc.flatCopy = false;
}
