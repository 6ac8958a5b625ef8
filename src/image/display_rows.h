#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>

// The display conversion's row loop (display_tile.h's ConvertTileToDisplay):
// working samples through the profile's inverse tables to dithered RGBA
// bytes. Internal linkage, as in blend_modes.h: each file that includes this
// builds its own copy for its own instruction set (row_loops.h).

namespace displayrows {
namespace {

// A display value d = I * 32 (I = inverse table entry) has d >> 8 = I >> 3
// and dither row (d >> 5) & 7 = I & 7; table entry (r, c) is 1 exactly when
// c / 4 < r.
inline uint8_t DitheredByte(int32_t inverse, uint8_t quarter) {
    const int32_t v = (inverse >> 3) + (int32_t(quarter) < (inverse & 7) ? 1 : 0);
    return uint8_t(std::min(v, 255));
}

// n pixels of three 16-bit planes to RGBA, quarters[i] being pixel i's dither
// column / 4. Inverse table entries are indices into a table of
// kProfileTableSize entries, so they fit 16 bits. The loop looks them up for a
// block of pixels first; the dither and the RGBA interleave then run on the
// block as plain 16-bit arithmetic that vectorises, with no table load in the
// way.
inline void ConvertRowsLoop(const uint16_t* const planes[3], const int32_t* const inverse[3],
                            const uint8_t* quarters, uint8_t* rgba, size_t n) {
    constexpr size_t kBlock = 256;
    uint16_t looked[3][kBlock];
    for (size_t start = 0; start < n; start += kBlock) {
        const size_t k = std::min(kBlock, n - start);
        for (int c = 0; c < 3; ++c) {
            const uint16_t* p = planes[c] + start;
            for (size_t i = 0; i < k; ++i) looked[c][i] = uint16_t(inverse[c][p[i] >> 5]);
        }
        const uint8_t* q = quarters + start;
        uint8_t* out = rgba + 4 * start;
        for (size_t i = 0; i < k; ++i) {
            for (int c = 0; c < 3; ++c) {
                const uint16_t v = uint16_t((looked[c][i] >> 3) + (q[i] < (looked[c][i] & 7) ? 1 : 0));
                out[4 * i + size_t(c)] = uint8_t(v > 255 ? 255 : v);
            }
            out[4 * i + 3] = 255;
        }
    }
}

}  // namespace
}  // namespace displayrows
