#include "image/blend_modes.h"

#include "image/row_loops.h"

namespace blend {

void BlendPlane(int mode, uint16_t* out, const uint16_t* below, const uint16_t* top, const uint16_t* alpha,
                uint16_t opacity257, size_t n) {
    ChosenRowLoops().blendPlane(mode, out, below, top, alpha, opacity257, n);
}

void BlendColourPlanes(int mode, uint16_t* const out[3], const uint16_t* const below[3], const uint16_t* const top[3],
                       const uint16_t* alpha, uint16_t opacity257, size_t n) {
    ChosenRowLoops().blendColourPlanes(mode, out, below, top, alpha, opacity257, n);
}

}  // namespace blend
