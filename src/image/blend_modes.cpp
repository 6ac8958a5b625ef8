#include "image/blend_modes.h"

#include "image/blend_rows.h"

namespace blend {

namespace {

void BaselinePlane(int mode, uint16_t* out, const uint16_t* below, const uint16_t* top, const uint16_t* alpha,
                   uint16_t opacity257, size_t n) {
    BlendPlaneInMode(mode, out, below, top, alpha, opacity257, n);
}

void BaselineColourPlanes(int mode, uint16_t* const out[3], const uint16_t* const below[3],
                          const uint16_t* const top[3], const uint16_t* alpha, uint16_t opacity257, size_t n) {
    BlendColourPlanesInMode(mode, out, below, top, alpha, opacity257, n);
}

const RowLoops& Chosen() {
    static const RowLoops& chosen = WideRowLoops() ? *WideRowLoops() : BaselineRowLoops();
    return chosen;
}

}  // namespace

const RowLoops& BaselineRowLoops() {
    static const RowLoops loops{"baseline", &BaselinePlane, &BaselineColourPlanes};
    return loops;
}

std::vector<const RowLoops*> RunnableRowLoops() {
    std::vector<const RowLoops*> all{&BaselineRowLoops()};
    if (WideRowLoops()) all.push_back(WideRowLoops());
    return all;
}

void BlendPlane(int mode, uint16_t* out, const uint16_t* below, const uint16_t* top, const uint16_t* alpha,
                uint16_t opacity257, size_t n) {
    Chosen().plane(mode, out, below, top, alpha, opacity257, n);
}

void BlendColourPlanes(int mode, uint16_t* const out[3], const uint16_t* const below[3], const uint16_t* const top[3],
                       const uint16_t* alpha, uint16_t opacity257, size_t n) {
    Chosen().colourPlanes(mode, out, below, top, alpha, opacity257, n);
}

}  // namespace blend
