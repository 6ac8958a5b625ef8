// Built with -mavx2 (see CMakeLists.txt): the same row loops as the baseline,
// vectorised sixteen samples wide.
#include "image/blend_rows_avx2.h"

#include "image/blend_modes.h"

namespace blend {

void Avx2Plane(int mode, uint16_t* out, const uint16_t* below, const uint16_t* top, const uint16_t* alpha,
               uint16_t opacity257, size_t n) {
    BlendPlaneInMode(mode, out, below, top, alpha, opacity257, n);
}

void Avx2ColourPlanes(int mode, uint16_t* const out[3], const uint16_t* const below[3], const uint16_t* const top[3],
                      const uint16_t* alpha, uint16_t opacity257, size_t n) {
    BlendColourPlanesInMode(mode, out, below, top, alpha, opacity257, n);
}

}  // namespace blend
