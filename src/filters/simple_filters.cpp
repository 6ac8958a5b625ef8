#include "filters/simple_filters.h"

#include "filters/layer_tiles.h"
#include "image/channel_buffer.h"
#include "image/pixel_image.h"
#include "image/plane_ops.h"

namespace {

ChannelBuffer16* Plane(PixelImage& image, int c) { return &static_cast<ChannelBuffer16&>(image.Channel(c)); }

void Invert(PixelImage& image) {
    for (int c = 0; c < image.channelCount - 1; ++c) PlaneInvert(Plane(image, c));
}

void GreyscaleMask(PixelImage& image) {
    ChannelBuffer16* alpha = Plane(image, image.channelCount - 1);
    alpha->CopyFrom(*Plane(image, 0));
    PlaneInvert(alpha);
    for (int c = 0; c < image.channelCount - 1; ++c) Plane(image, c)->Fill(0);
}

}  // namespace

bool ApplySimpleFilter(Document& doc, int layer, int index, int threads) {
    if (!ValidLayer(doc, layer)) return false;
    switch (index) {
        case kFilterInvert:
            FilterLayerTiles(doc, layer, threads, Invert);
            break;
        case kFilterGreyscaleMask:
            FilterLayerTiles(doc, layer, threads, GreyscaleMask);
            break;
        case kFilterNothing:
            return true;
        default:
            return false;
    }
    MarkLayerFiltered(doc, layer);
    return true;
}
