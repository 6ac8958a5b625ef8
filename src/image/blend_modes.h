#pragma once
#include <cstddef>
#include <cstdint>

// The per-channel arithmetic of the five blend modes on 16-bit samples: b is
// the sample below, t the sample on top and m the top's coverage, its alpha
// already scaled by the layer opacity. Every product is the high half of a
// 16 x 16 bit multiply, so the row loops below run eight samples per SSE2
// instruction; the header keeps them inline for that.
//
// They have internal linkage: every file that includes this header compiles
// its own copy with its own instruction set, so the copy built for AVX2
// (row_loops_avx2.cpp) can never stand in for the baseline one at link time.

namespace blend {
namespace {

inline uint16_t MulHi(uint16_t a, uint16_t b) { return uint16_t((uint32_t(a) * b) >> 16); }

// The coverage of a top sample: (alpha * opacity * 257) >> 16. Opacity 255
// still scales, so full alpha gives 65534.
inline uint16_t Coverage(uint16_t alpha, uint16_t opacity257) { return MulHi(alpha, opacity257); }

// b + floor((t - b) * m / 65536), split into 16-bit halves: a step downwards
// rounds away from b whenever the low half is not zero, which is floor
// division of the negative product.
inline uint16_t Normal(uint16_t b, uint16_t t, uint16_t m) {
    const bool up = t >= b;
    const uint16_t d = up ? uint16_t(t - b) : uint16_t(b - t);
    const uint16_t hi = MulHi(d, m);
    const uint16_t lo = uint16_t(d * m);
    return up ? uint16_t(b + hi) : uint16_t(b - hi - (lo != 0));
}

// The top is first faded toward white by its coverage, then multiplied in.
inline uint16_t Multiply(uint16_t b, uint16_t t, uint16_t m) {
    const uint16_t u = uint16_t(~MulHi(uint16_t(~t), m));
    return MulHi(b, u);
}

// The top is first faded toward black by its coverage, then screened in.
inline uint16_t Screen(uint16_t b, uint16_t t, uint16_t m) {
    const uint16_t u = MulHi(t, m);
    return uint16_t(~MulHi(uint16_t(~b), uint16_t(~u)));
}

// min(b, Normal) and max(b, Normal). Normal lies between b and t, so Darken
// is b unless the top is darker, and then Normal's downward step; Lighten is
// b plus Normal's upward step. Written that way (a saturating difference, no
// 16-bit unsigned compare) they vectorise without widening to 32 bits.
inline uint16_t Darken(uint16_t b, uint16_t t, uint16_t m) {
    const uint16_t down = b > t ? uint16_t(b - t) : uint16_t(0);
    const uint16_t lo = uint16_t(uint32_t(down) * m);
    return uint16_t(b - MulHi(down, m) - (lo != 0));
}

inline uint16_t Lighten(uint16_t b, uint16_t t, uint16_t m) {
    const uint16_t up = t > b ? uint16_t(t - b) : uint16_t(0);
    return uint16_t(b + MulHi(up, m));
}

// One colour plane: out[i] = mode(below[i], top[i], Coverage(alpha[i], s)).
// out may be the same array as below or top.
template <uint16_t (*Mode)(uint16_t, uint16_t, uint16_t)>
inline void BlendRow(uint16_t* out, const uint16_t* below, const uint16_t* top, const uint16_t* alpha,
                     uint16_t opacity257, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = Mode(below[i], top[i], Coverage(alpha[i], opacity257));
}

// The three colour planes of a layer at once: the coverage of a block of
// samples is worked out once and each plane is blended through the block
// while it is in cache, instead of reading the alpha and scaling it again
// for every plane. The same results as BlendRow on each plane.
constexpr size_t kCoverageBlock = 512;

template <uint16_t (*Mode)(uint16_t, uint16_t, uint16_t)>
inline void BlendColourRows(uint16_t* const out[3], const uint16_t* const below[3], const uint16_t* const top[3],
                            const uint16_t* alpha, uint16_t opacity257, size_t n) {
    uint16_t m[kCoverageBlock];
    for (size_t start = 0; start < n; start += kCoverageBlock) {
        const size_t k = n - start < kCoverageBlock ? n - start : kCoverageBlock;
        const uint16_t* a = alpha + start;
        for (size_t i = 0; i < k; ++i) m[i] = Coverage(a[i], opacity257);
        for (int c = 0; c < 3; ++c) {
            uint16_t* o = out[c] + start;
            const uint16_t* b = below[c] + start;
            const uint16_t* t = top[c] + start;
            for (size_t i = 0; i < k; ++i) o[i] = Mode(b[i], t[i], m[i]);
        }
    }
}

// The row loop of mode 0..4 for one plane and for three; other modes do
// nothing. The files that build the loops for an instruction set call these.
inline void BlendPlaneInMode(int mode, uint16_t* out, const uint16_t* below, const uint16_t* top,
                             const uint16_t* alpha, uint16_t opacity257, size_t n) {
    switch (mode) {
        case 0: BlendRow<Normal>(out, below, top, alpha, opacity257, n); break;
        case 1: BlendRow<Multiply>(out, below, top, alpha, opacity257, n); break;
        case 2: BlendRow<Screen>(out, below, top, alpha, opacity257, n); break;
        case 3: BlendRow<Darken>(out, below, top, alpha, opacity257, n); break;
        case 4: BlendRow<Lighten>(out, below, top, alpha, opacity257, n); break;
        default: break;
    }
}

inline void BlendColourPlanesInMode(int mode, uint16_t* const out[3], const uint16_t* const below[3],
                                    const uint16_t* const top[3], const uint16_t* alpha, uint16_t opacity257,
                                    size_t n) {
    switch (mode) {
        case 0: BlendColourRows<Normal>(out, below, top, alpha, opacity257, n); break;
        case 1: BlendColourRows<Multiply>(out, below, top, alpha, opacity257, n); break;
        case 2: BlendColourRows<Screen>(out, below, top, alpha, opacity257, n); break;
        case 3: BlendColourRows<Darken>(out, below, top, alpha, opacity257, n); break;
        case 4: BlendColourRows<Lighten>(out, below, top, alpha, opacity257, n); break;
        default: break;
    }
}

}  // namespace

// Dispatches one plane to the row loop of mode 0..4; other modes do nothing.
// This and BlendColourPlanes run the AVX2 build of the loops (row_loops.h)
// where the processor has it.
void BlendPlane(int mode, uint16_t* out, const uint16_t* below, const uint16_t* top, const uint16_t* alpha,
                uint16_t opacity257, size_t n);
// The same for the three colour planes at once (BlendColourRows).
void BlendColourPlanes(int mode, uint16_t* const out[3], const uint16_t* const below[3], const uint16_t* const top[3],
                       const uint16_t* alpha, uint16_t opacity257, size_t n);

}  // namespace blend
