#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

// The per-sample arithmetic of painting a stroke on 16-bit samples and the
// row loops built from it (plane_ops.h's LerpRow and PaintRows). Every
// product normalised by >> 16 is the high half of a 16 x 16 bit multiply,
// which SSE2 does eight samples at a time and AVX2 sixteen.
//
// Internal linkage, as in blend_modes.h: each file that includes this builds
// its own copy for its own instruction set (row_loops.h).

namespace paintrows {
namespace {

constexpr uint16_t kFullCoverage = 65280;

inline uint16_t MulHi(uint16_t a, uint16_t b) { return uint16_t((uint32_t(a) * b) >> 16); }

// x + floor((p - x) * m / 65536) without the signed product, which does not
// fit 32 bits (65535 * 65535 either way). The magnitude of the difference
// times m is split into 16-bit halves; a downward step rounds away from x
// whenever the low half is not zero, which is exactly floor division.
inline uint16_t Lerp(uint16_t x, uint16_t p, uint16_t m) {
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
inline uint16_t WeightedLerp(uint16_t x, uint16_t a0, uint16_t p, uint16_t m, uint16_t a1, double weight) {
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

inline double AlphaWeight(uint16_t a1) { return 65536.0 / double(int32_t(a1) + 1); }

// Whether any sample of a run is partly covered with alpha left, the only
// case that needs the division. Stroke masks are mostly empty or full, so most
// runs of a tile skip it.
inline bool NeedsMixing(const uint16_t* m, const uint16_t* a1, size_t n) {
    unsigned any = 0;
    for (size_t i = 0; i < n; ++i) any |= unsigned(uint16_t(m[i] - 1) < kFullCoverage - 1) & unsigned(a1[i] != 0);
    return any != 0;
}

inline void LerpRowLoop(uint16_t* out, const uint16_t* x, uint16_t p, const uint16_t* m, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = Lerp(x[i], p, m[i]);
}

inline void PaintRowsLoop(uint16_t* const out[], const uint16_t* const x[], const uint16_t p[], int planes,
                          const uint16_t* a0, const uint16_t* m, const uint16_t* a1, size_t n) {
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

}  // namespace
}  // namespace paintrows
