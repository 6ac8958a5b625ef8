#include "filters/noise.h"

#include <algorithm>

#include "filters/layer_tiles.h"
#include "image/channel_buffer.h"
#include "image/document.h"
#include "image/pixel_image.h"
#include "image/plane_ops.h"

bool AddTransparencyNoise(Document& doc, int layer, int strength, int threads) {
    if (!ValidLayer(doc, layer)) return false;
    // The factor plane is the same for every tile: build it once here, then
    // the tile threads only read it.
    ChannelBuffer16* factor = PlaneNoise();
    if (!factor || !factor->samples || factor->width != kTileSide || factor->height != kTileSide) return false;
    PlaneScale(factor, uint32_t(std::clamp(strength, 0, 255)) * 257u);
    PlaneInvert(factor);
    FilterLayerTiles(doc, layer, threads, [factor](PixelImage& image) {
        if (image.width != factor->width || image.height != factor->height) return;
        PlaneMultiply(&static_cast<ChannelBuffer16&>(image.Alpha()), factor);
    });
    MarkLayerFiltered(doc, layer);
    return true;
}
