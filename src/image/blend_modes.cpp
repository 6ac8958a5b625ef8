#include "image/blend_modes.h"

namespace blend {

void BlendPlane(int mode, uint16_t* out, const uint16_t* below, const uint16_t* top, const uint16_t* alpha,
                uint16_t opacity257, size_t n) {
    switch (mode) {
        case 0: BlendRow<Normal>(out, below, top, alpha, opacity257, n); break;
        case 1: BlendRow<Multiply>(out, below, top, alpha, opacity257, n); break;
        case 2: BlendRow<Screen>(out, below, top, alpha, opacity257, n); break;
        case 3: BlendRow<Darken>(out, below, top, alpha, opacity257, n); break;
        case 4: BlendRow<Lighten>(out, below, top, alpha, opacity257, n); break;
        default: break;
    }
}

void BlendColourPlanes(int mode, uint16_t* const out[3], const uint16_t* const below[3], const uint16_t* const top[3],
                       const uint16_t* alpha, uint16_t opacity257, size_t n) {
    switch (mode) {
        case 0: BlendColourRows<Normal>(out, below, top, alpha, opacity257, n); break;
        case 1: BlendColourRows<Multiply>(out, below, top, alpha, opacity257, n); break;
        case 2: BlendColourRows<Screen>(out, below, top, alpha, opacity257, n); break;
        case 3: BlendColourRows<Darken>(out, below, top, alpha, opacity257, n); break;
        case 4: BlendColourRows<Lighten>(out, below, top, alpha, opacity257, n); break;
        default: break;
    }
}

}  // namespace blend
