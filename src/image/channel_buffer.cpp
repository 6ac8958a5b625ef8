#include "image/channel_buffer.h"

#include <algorithm>
#include <cstring>

#include "image/plane_reserve.h"

ChannelBuffer::~ChannelBuffer() = default;

namespace {

// The part of a source placed at (x, y) that lands inside a w x h buffer.
struct Overlap {
    int x0, y0, x1, y1;  // destination rectangle, exclusive end
    bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

Overlap Clip(int w, int h, int sw, int sh, int x, int y) {
    return {std::max(x, 0), std::max(y, 0), std::min(x + sw, w), std::min(y + sh, h)};
}

bool HasSamples(int w, int h) { return w > 0 && h > 0; }

}  // namespace

ChannelBuffer8::ChannelBuffer8(int w, int h) {
    width = w;
    height = h;
    depth = 8;
    if (HasSamples(w, h)) storage = new uint8_t[size_t(w) * size_t(h)];
    samples = storage;
}

ChannelBuffer8::~ChannelBuffer8() { delete[] storage; }

// Weighted mix: k is how much of the destination is kept, 65535 keeps it all.
bool ChannelBuffer8::MixFrom(const ChannelBuffer& source, int x, int y, uint32_t k) {
    if (source.depth != 8) return false;
    const auto& src = static_cast<const ChannelBuffer8&>(source);
    const Overlap o = Clip(width, height, src.width, src.height, x, y);
    if (o.Empty()) return false;
    const int32_t weight = int32_t(k & 0xFFFF) + 1;
    for (int dy = o.y0; dy < o.y1; ++dy) {
        uint8_t* d = samples + size_t(dy) * width;
        const uint8_t* s = src.samples + size_t(dy - y) * src.width;
        for (int dx = o.x0; dx < o.x1; ++dx) {
            const int32_t sv = s[dx - x];
            // An arithmetic shift is floor division, also for negative differences.
            d[dx] = uint8_t(sv + (((int32_t(d[dx]) - sv) * weight + 255) >> 16));
        }
    }
    return true;
}

void ChannelBuffer8::Fill(uint32_t value) {
    if (samples) std::memset(samples, uint8_t(value), size_t(width) * size_t(height));
}

void ChannelBuffer8::CopyFrom(const ChannelBuffer& other) {
    if (other.width != width || other.height != height || !samples) return;
    const size_t n = size_t(width) * size_t(height);
    if (other.depth == 8) {
        std::memcpy(samples, static_cast<const ChannelBuffer8&>(other).samples, n);
    } else {
        const uint16_t* s = static_cast<const ChannelBuffer16&>(other).samples;
        for (size_t i = 0; i < n; ++i) samples[i] = uint8_t(s[i] >> 8);
    }
}

ChannelBuffer16::ChannelBuffer16(int w, int h, PlaneSource source) {
    width = w;
    height = h;
    depth = 16;
    if (source == PlaneSource::kReserve && HasSamples(w, h) && size_t(w) * size_t(h) == kReservedPlaneSamples)
        storage = TakeReservedPlane();
    if (HasSamples(w, h) && !storage) storage = new uint16_t[size_t(w) * size_t(h)];
    samples = storage;
}

ChannelBuffer16::~ChannelBuffer16() { delete[] storage; }

// Raises each sample toward the ceiling k by the coverage of the mask, so
// overlapping dabs of one stroke never build up past the stroke's opacity.
bool ChannelBuffer16::MixFrom(const ChannelBuffer& source, int x, int y, uint32_t k) {
    if (source.depth != 16) return false;
    const auto& src = static_cast<const ChannelBuffer16&>(source);
    const Overlap o = Clip(width, height, src.width, src.height, x, y);
    if (o.Empty()) return false;
    const uint32_t ceiling = k & 0xFFFF;
    for (int dy = o.y0; dy < o.y1; ++dy) {
        uint16_t* d = samples + size_t(dy) * width;
        const uint16_t* m = src.samples + size_t(dy - y) * src.width;
        for (int dx = o.x0; dx < o.x1; ++dx) {
            const uint32_t dv = d[dx];
            if (ceiling > dv) d[dx] = uint16_t(dv + (((m[dx - x] + 1u) * (ceiling - dv)) >> 16));
        }
    }
    return true;
}

void ChannelBuffer16::Fill(uint32_t value) {
    if (samples) std::fill_n(samples, size_t(width) * size_t(height), uint16_t(value));
}

void ChannelBuffer16::CopyFrom(const ChannelBuffer& other) {
    if (other.width != width || other.height != height || !samples) return;
    const size_t n = size_t(width) * size_t(height);
    if (other.depth == 16) {
        std::memcpy(samples, static_cast<const ChannelBuffer16&>(other).samples, n * 2);
    } else {
        const uint8_t* s = static_cast<const ChannelBuffer8&>(other).samples;
        for (size_t i = 0; i < n; ++i) samples[i] = uint16_t(s[i] << 8);
    }
}
