#pragma once
// Scalar reference arithmetic of the blend modes and the alpha "over", in 64
// bits straight from the formulas, for the tests to compare the optimised
// loops against.

#include <algorithm>
#include <cstdint>

namespace blendref {

inline int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

inline int64_t Coverage(int64_t alpha, int opacity) { return (alpha * (int64_t(opacity) * 257)) >> 16; }

inline int64_t Normal(int64_t b, int64_t t, int64_t m) { return b + FloorDiv((t - b) * m, 65536); }

inline int64_t Mode(int mode, int64_t b, int64_t t, int64_t m) {
    switch (mode) {
        case 0: return Normal(b, t, m);
        case 1: {
            const int64_t u = 65535 - (((65535 - t) * m) >> 16);
            return (b * u) >> 16;
        }
        case 2: {
            const int64_t u = (t * m) >> 16;
            return 65535 - (((65535 - b) * (65535 - u)) >> 16);
        }
        case 3: return std::min(b, Normal(b, t, m));
        default: return std::max(b, Normal(b, t, m));
    }
}

struct Over {
    int64_t alpha;
    int64_t colour[3];
};

// Straight-colour "over": below (colour b, alpha ab at opacity ob) under top
// (colour t, alpha at at opacity ot). A quotient past 65535 is held at 65535.
inline Over NormalOver(const int64_t* b, int64_t ab, int ob, const int64_t* t, int64_t at, int ot) {
    const int64_t p = ob == 255 ? ab : Coverage(ab, ob);
    const int64_t q = ot == 255 ? at : Coverage(at, ot);
    Over o{};
    o.alpha = 65535 - (((65535 - p) * (65535 - q)) >> 16);
    for (int c = 0; c < 3; ++c) {
        const int64_t x = ((p + 1) * b[c]) >> 16;
        if (q >= 65280)
            o.colour[c] = t[c];
        else if (q == 0 || o.alpha == 0)
            o.colour[c] = b[c];
        else
            o.colour[c] = std::min<int64_t>(
                (((q * t[c]) & ~int64_t(0xFFFF)) + (((65535 - q) * x) & ~int64_t(0xFFFF))) / (o.alpha + 1), 65535);
    }
    return o;
}

}  // namespace blendref
