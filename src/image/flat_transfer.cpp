#include "image/flat_transfer.h"

#include <algorithm>

#include "image/channel_buffer.h"
#include "image/color_profile.h"
#include "image/pixel_image.h"

namespace {

// The part of the image that lands inside the buffer, in image coordinates.
struct Overlap {
    int u0, v0, u1, v1;
    bool Empty() const { return u0 >= u1 || v0 >= v1; }
};

Overlap Clip(const PixelImage& image, int x, int y, int w, int h) {
    return {std::max(0, -x), std::max(0, -y), std::min(image.width, w - x), std::min(image.height, h - y)};
}

size_t BufferIndex(int u, int v, int x, int y, int w) { return size_t(v + y) * size_t(w) + size_t(u + x); }

}  // namespace

bool ExportFlat(const PixelImage& image, void* buffer, int x, int y, int w, int h, int channel) {
    if (image.IsEmpty() || !buffer || channel < -1 || channel >= image.channelCount) return false;
    if (channel == -1 && (image.channelCount < 4 || image.depth != 16)) return false;
    const Overlap o = Clip(image, x, y, w, h);
    if (o.Empty()) return true;
    if (channel >= 0) {
        auto* out = static_cast<uint16_t*>(buffer);
        const ChannelBuffer& plane = image.Channel(channel);
        for (int v = o.v0; v < o.v1; ++v)
            for (int u = o.u0; u < o.u1; ++u) out[BufferIndex(u, v, x, y, w)] = uint16_t(plane.Get(u, v));
        return true;
    }
    auto* out = static_cast<uint32_t*>(buffer);
    for (int v = o.v0; v < o.v1; ++v) {
        for (int u = o.u0; u < o.u1; ++u) {
            // The working sample's display value, as ToDisplay gives it.
            const uint32_t r = Inv(0, image.Channel(0).Get(u, v)) >> 8;
            const uint32_t g = Inv(1, image.Channel(1).Get(u, v)) >> 8;
            const uint32_t b = Inv(2, image.Channel(2).Get(u, v)) >> 8;
            const uint32_t a = (image.Channel(3).Get(u, v) & 0xFFFF) >> 8;
            out[BufferIndex(u, v, x, y, w)] = a << 24 | r << 16 | g << 8 | b;
        }
    }
    return true;
}

bool ImportFlat(PixelImage& image, const void* buffer, int x, int y, int w, int h, int channel) {
    if (image.IsEmpty() || !buffer || channel < -1 || channel >= image.channelCount) return false;
    if (channel == -1 && (image.channelCount < 4 || image.depth != 16)) return false;
    const Overlap o = Clip(image, x, y, w, h);
    if (o.Empty()) return true;
    if (channel >= 0) {
        const auto* in = static_cast<const uint16_t*>(buffer);
        ChannelBuffer& plane = image.Channel(channel);
        for (int v = o.v0; v < o.v1; ++v)
            for (int u = o.u0; u < o.u1; ++u) plane.Set(u, v, in[BufferIndex(u, v, x, y, w)]);
        return true;
    }
    const auto* in = static_cast<const uint32_t*>(buffer);
    for (int v = o.v0; v < o.v1; ++v) {
        for (int u = o.u0; u < o.u1; ++u) {
            const uint32_t p = in[BufferIndex(u, v, x, y, w)];
            image.Channel(0).Set(u, v, Fwd(0, ((p >> 16) & 0xFF) << 8));
            image.Channel(1).Set(u, v, Fwd(1, ((p >> 8) & 0xFF) << 8));
            image.Channel(2).Set(u, v, Fwd(2, (p & 0xFF) << 8));
            image.Channel(3).Set(u, v, ((p >> 24) & 0xFF) << 8);
        }
    }
    return true;
}
