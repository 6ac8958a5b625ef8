#include "image/plane_ops.h"

#include <algorithm>
#include <cstring>

#include "image/channel_buffer.h"
#include "image/paint_rows.h"
#include "image/row_loops.h"
#include "image/thread_scratch.h"

// Every loop here runs over the raw sample arrays with 16-bit lanes in mind:
// a product normalised by >> 16 is the high half of a 16 x 16 bit multiply,
// which SSE2 does eight samples at a time. Operands may be the same plane.

using paintrows::AlphaWeight;
using paintrows::kFullCoverage;
using paintrows::Lerp;
using paintrows::NeedsMixing;
using paintrows::WeightedLerp;

namespace {

constexpr uint32_t kNoiseSeed = 0xFC578168u;

size_t SampleCount(const ChannelBuffer& b) {
    return b.width > 0 && b.height > 0 ? size_t(b.width) * size_t(b.height) : 0;
}

size_t SampleCount(const ChannelBuffer16* b) { return b && b->samples ? SampleCount(*b) : 0; }

// The first operand's size, cut to the smallest operand so that a caller who
// mixes sizes gets a partial result rather than a read past an allocation.
template <typename... Rest>
size_t SharedCount(const ChannelBuffer16* x, const Rest*... rest) {
    size_t n = SampleCount(x);
    ((n = std::min(n, SampleCount(rest))), ...);
    return n;
}

uint16_t* Samples(ChannelBuffer16* b) { return b ? b->samples : nullptr; }
const uint16_t* Samples(const ChannelBuffer16* b) { return b ? b->samples : nullptr; }

uint16_t MulHi(uint16_t a, uint16_t b) { return uint16_t((uint32_t(a) * b) >> 16); }

template <typename Op>
ChannelBuffer16* Combine(ChannelBuffer16* x, const ChannelBuffer16* y, Op op) {
    uint16_t* xs = Samples(x);
    const uint16_t* ys = Samples(y);
    const size_t n = SharedCount(x, y);
    for (size_t i = 0; i < n; ++i) xs[i] = op(xs[i], ys[i]);
    return x;
}

// Kept out of line so that the factor stays a 16-bit value: inlined, the
// compiler folds away its zero extension, no longer sees a 16 x 16 bit
// multiply and falls back to 32-bit lanes at a quarter of the speed.
[[gnu::noinline]] void ScaleSamples(uint16_t* xs, size_t n, uint16_t f) {
    for (size_t i = 0; i < n; ++i) xs[i] = MulHi(xs[i], f);
}

uint32_t NoiseStep(uint32_t s) {
    s += 0x57238591u;
    return s ^ ((s >> 8) & 0x00FFF3F7u);
}

}  // namespace

ChannelBuffer16* PlaneFromChannel(const ChannelBuffer& c) {
    ChannelBuffer16* plane = ScratchPlane();
    uint16_t* out = Samples(plane);
    // The plane keeps its ring size; a larger channel is cut, never overrun.
    const size_t n = std::min(SampleCount(c), SampleCount(plane));
    if (c.depth == 8) {
        // The low byte is filled with ones so that 8-bit 255 becomes full 65535.
        const uint8_t* in = static_cast<const ChannelBuffer8&>(c).samples;
        for (size_t i = 0; i < n; ++i) out[i] = uint16_t(in[i] << 8 | 0xFF);
    } else if (n > 0) {
        std::memcpy(out, static_cast<const ChannelBuffer16&>(c).samples, n * sizeof(uint16_t));
    }
    return plane;
}

ChannelBuffer16* PlaneConstant(uint32_t v) {
    ChannelBuffer16* plane = ScratchPlane();
    std::fill_n(Samples(plane), SampleCount(plane), uint16_t(v));
    return plane;
}

// The same pattern in every plane, and its last two rows and columns repeat
// the first two, so neighbouring tiles (two pixels of overlap) join seamlessly.
// The generator is serial; this one loop does not vectorise.
ChannelBuffer16* PlaneNoise() {
    ChannelBuffer16* plane = ScratchPlane();
    if (SampleCount(plane) == 0) return plane;
    const int w = plane->width;
    const int h = plane->height;
    uint32_t s = kNoiseSeed;
    for (int r = 0; r < h; ++r) {
        uint16_t* row = plane->samples + size_t(r) * size_t(w);
        const uint32_t first = s;
        for (int c = 0; c < w - 2; ++c) {
            row[c] = uint16_t(s);
            s = NoiseStep(s);
        }
        if (w >= 2) row[w - 2] = uint16_t(first);
        row[w - 1] = uint16_t(NoiseStep(first));
        if (r == h - 3) s = kNoiseSeed;
    }
    return plane;
}

ChannelBuffer16* PlaneInvert(ChannelBuffer16* x) {
    uint16_t* xs = Samples(x);
    const size_t n = SharedCount(x);
    for (size_t i = 0; i < n; ++i) xs[i] = uint16_t(~xs[i]);
    return x;
}

ChannelBuffer16* PlaneScale(ChannelBuffer16* x, uint32_t s) {
    // Factors are at most 255 * 257; anything larger would overflow the product.
    ScaleSamples(Samples(x), SharedCount(x), uint16_t(std::min<uint32_t>(s, 65535)));
    return x;
}

ChannelBuffer16* PlaneMultiply(ChannelBuffer16* x, const ChannelBuffer16* y) {
    return Combine(x, y, [](uint16_t a, uint16_t b) { return MulHi(a, b); });
}

ChannelBuffer16* PlaneInverseMultiply(ChannelBuffer16* x, const ChannelBuffer16* y) {
    return Combine(x, y, [](uint16_t a, uint16_t b) { return uint16_t(~MulHi(uint16_t(~a), b)); });
}

ChannelBuffer16* PlaneScreen(ChannelBuffer16* x, const ChannelBuffer16* y) {
    return Combine(x, y, [](uint16_t a, uint16_t b) { return uint16_t(~MulHi(uint16_t(~a), uint16_t(~b))); });
}

ChannelBuffer16* PlaneLerp(ChannelBuffer16* x, const ChannelBuffer16* p, const ChannelBuffer16* m) {
    uint16_t* xs = Samples(x);
    const uint16_t* ps = Samples(p);
    const uint16_t* ms = Samples(m);
    const size_t n = SharedCount(x, p, m);
    for (size_t i = 0; i < n; ++i) xs[i] = Lerp(xs[i], ps[i], ms[i]);
    return x;
}

ChannelBuffer16* PlaneLerp(ChannelBuffer16* x, const ChannelBuffer16* a0, const ChannelBuffer16* p,
                           const ChannelBuffer16* m, const ChannelBuffer16* a1) {
    uint16_t* xs = Samples(x);
    const uint16_t* a0s = Samples(a0);
    const uint16_t* ps = Samples(p);
    const uint16_t* ms = Samples(m);
    const uint16_t* a1s = Samples(a1);
    const size_t n = SharedCount(x, a0, p, m, a1);
    constexpr size_t kRun = 32;
    for (size_t start = 0; start < n; start += kRun) {
        const size_t end = std::min(n, start + kRun);
        if (NeedsMixing(ms + start, a1s + start, end - start)) {
            for (size_t i = start; i < end; ++i)
                xs[i] = WeightedLerp(xs[i], a0s[i], ps[i], ms[i], a1s[i], AlphaWeight(a1s[i]));
        } else {
            // A mask rather than a choice: the compiler will not turn a
            // store that may leave the sample alone into a vector store.
            for (size_t i = start; i < end; ++i) {
                const uint16_t full = uint16_t(0 - unsigned(ms[i] >= kFullCoverage));
                xs[i] = uint16_t((ps[i] & full) | (xs[i] & ~full));
            }
        }
    }
    return x;
}

void LerpRow(uint16_t* out, const uint16_t* x, uint16_t p, const uint16_t* m, size_t n) {
    ChosenRowLoops().lerpRow(out, x, p, m, n);
}

void PaintRows(uint16_t* const out[], const uint16_t* const x[], const uint16_t p[], int planes, const uint16_t* a0,
               const uint16_t* m, const uint16_t* a1, size_t n) {
    ChosenRowLoops().paintRows(out, x, p, planes, a0, m, a1, n);
}

ChannelBuffer16* PlaneMin(ChannelBuffer16* x, const ChannelBuffer16* y) {
    return Combine(x, y, [](uint16_t a, uint16_t b) { return std::min(a, b); });
}

ChannelBuffer16* PlaneMax(ChannelBuffer16* x, const ChannelBuffer16* y) {
    return Combine(x, y, [](uint16_t a, uint16_t b) { return std::max(a, b); });
}
