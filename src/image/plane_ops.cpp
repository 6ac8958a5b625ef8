#include "image/plane_ops.h"

#include <algorithm>
#include <cstring>

#include "image/channel_buffer.h"
#include "image/thread_scratch.h"

// Every loop here runs over the raw sample arrays with 16-bit lanes in mind:
// a product normalised by >> 16 is the high half of a 16 x 16 bit multiply,
// which SSE2 does eight samples at a time. Operands may be the same plane.

namespace {

constexpr uint32_t kNoiseSeed = 0xFC578168u;
constexpr uint16_t kFullCoverage = 65280;

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

// x + floor((p - x) * m / 65536) without the signed product, which does not
// fit 32 bits (65535 * 65535 either way). The magnitude of the difference
// times m is split into 16-bit halves; a downward step rounds away from x
// whenever the low half is not zero, which is exactly floor division.
uint16_t Lerp(uint16_t x, uint16_t p, uint16_t m) {
    const bool up = p >= x;
    const uint16_t d = up ? uint16_t(p - x) : uint16_t(x - p);
    const uint16_t hi = MulHi(d, m);
    const uint16_t lo = uint16_t(d * m);
    return up ? uint16_t(x + hi) : uint16_t(x - hi - (lo != 0));
}

// Paint p laid through coverage m over a sample x whose alpha goes from a0 to
// a1: ((p * m) & ~0xFFFF) + (((65535 - m) * ((a0 + 1) * x >> 16)) & ~0xFFFF),
// divided by a1 + 1. Both terms have clear low halves, so the numerator is
// their high halves' sum s (below 65536 because the weights add to 65535)
// times 65536. The quotient can exceed 65535 (white over transparency in a
// pale profile gives 65598) and is clamped rather than wrapped.
//
// The division is a multiplication by weight, AlphaWeight(a1): a pixel's
// colour planes share their new alpha, so painting divides once per pixel.
uint16_t WeightedLerp(uint16_t x, uint16_t a0, uint16_t p, uint16_t m, uint16_t a1, double weight) {
    // (a0 + 1) * x >> 16 in 16-bit halves: a0 * x, plus x with its carry.
    const uint16_t lo = uint16_t(a0 * x);
    const uint16_t q = uint16_t(MulHi(a0, x) + (uint16_t(lo + x) < x));
    const uint16_t s = uint16_t(MulHi(p, m) + MulHi(uint16_t(~m), q));
    // SSE2 has no integer division. The reciprocal and the product each round
    // by at most 2^-53 of their value, so the product lies within 2^-20 of
    // the quotient s * 65536 / (a1 + 1), which is below 2^32; adding 2^-18
    // rounds by at most 2^-22 more. A quotient that is not whole lies at least
    // 2^-16 below the next integer (the divisor is at most 65536), so the sum
    // stays below it, while a whole quotient that rounding left just under
    // itself is lifted back: the truncation is the exact floor.
    double w = double(int32_t(s)) * weight + 0x1p-18;
    w = w < 65535.0 ? w : 65535.0;
    const uint16_t mixed = uint16_t(int32_t(w));
    const uint16_t kept = (a1 > 0 && m > 0) ? mixed : x;
    return m >= kFullCoverage ? p : kept;
}

double AlphaWeight(uint16_t a1) { return 65536.0 / double(int32_t(a1) + 1); }

// Whether any sample of a run is partly covered with alpha left, the only
// case that needs the division. Stroke masks are mostly empty or full, so most
// runs of a tile skip it.
bool NeedsMixing(const uint16_t* m, const uint16_t* a1, size_t n) {
    unsigned any = 0;
    for (size_t i = 0; i < n; ++i) any |= unsigned(uint16_t(m[i] - 1) < kFullCoverage - 1) & unsigned(a1[i] != 0);
    return any != 0;
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
    for (size_t i = 0; i < n; ++i) out[i] = Lerp(x[i], p, m[i]);
}

void PaintRows(uint16_t* const out[], const uint16_t* const x[], const uint16_t p[], int planes, const uint16_t* a0,
               const uint16_t* m, const uint16_t* a1, size_t n) {
    constexpr size_t kRun = 32;
    double weight[kRun];
    for (size_t start = 0; start < n; start += kRun) {
        const size_t k = std::min(kRun, n - start);
        const uint16_t* ms = m + start;
        const uint16_t* a0s = a0 + start;
        const uint16_t* a1s = a1 + start;
        const bool mixing = NeedsMixing(ms, a1s, k);
        if (mixing)
            for (size_t i = 0; i < k; ++i) weight[i] = AlphaWeight(a1s[i]);
        for (int c = 0; c < planes; ++c) {
            const uint16_t* xs = x[c] + start;
            uint16_t* os = out[c] + start;
            const uint16_t pc = p[c];
            if (mixing) {
                for (size_t i = 0; i < k; ++i) os[i] = WeightedLerp(xs[i], a0s[i], pc, ms[i], a1s[i], weight[i]);
            } else {
                for (size_t i = 0; i < k; ++i) {
                    const uint16_t full = uint16_t(0 - unsigned(ms[i] >= kFullCoverage));
                    os[i] = uint16_t((pc & full) | (xs[i] & ~full));
                }
            }
        }
    }
}

ChannelBuffer16* PlaneMin(ChannelBuffer16* x, const ChannelBuffer16* y) {
    return Combine(x, y, [](uint16_t a, uint16_t b) { return std::min(a, b); });
}

ChannelBuffer16* PlaneMax(ChannelBuffer16* x, const ChannelBuffer16* y) {
    return Combine(x, y, [](uint16_t a, uint16_t b) { return std::max(a, b); });
}
