#include "image/row_loops.h"

#include "image/blend_modes.h"
#include "image/display_rows.h"
#include "image/paint_rows.h"

namespace {

void BlendPlane(int mode, uint16_t* out, const uint16_t* below, const uint16_t* top, const uint16_t* alpha,
                uint16_t opacity257, size_t n) {
    blend::BlendPlaneInMode(mode, out, below, top, alpha, opacity257, n);
}

void BlendColourPlanes(int mode, uint16_t* const out[3], const uint16_t* const below[3], const uint16_t* const top[3],
                       const uint16_t* alpha, uint16_t opacity257, size_t n) {
    blend::BlendColourPlanesInMode(mode, out, below, top, alpha, opacity257, n);
}

void LerpRow(uint16_t* out, const uint16_t* x, uint16_t p, const uint16_t* m, size_t n) {
    paintrows::LerpRowLoop(out, x, p, m, n);
}

void PaintRows(uint16_t* const out[], const uint16_t* const x[], const uint16_t p[], int planes, const uint16_t* a0,
               const uint16_t* m, const uint16_t* a1, size_t n) {
    paintrows::PaintRowsLoop(out, x, p, planes, a0, m, a1, n);
}

void DisplayRows(const uint16_t* const planes[3], const int32_t* const inverse[3], const uint8_t* quarters,
                 uint8_t* rgba, size_t n) {
    displayrows::ConvertRowsLoop(planes, inverse, quarters, rgba, n);
}

}  // namespace

const RowLoops& BaselineRowLoops() {
    static const RowLoops loops{"baseline", &BlendPlane, &BlendColourPlanes, &LerpRow, &PaintRows, &DisplayRows};
    return loops;
}

std::vector<const RowLoops*> RunnableRowLoops() {
    std::vector<const RowLoops*> all{&BaselineRowLoops()};
    if (WideRowLoops()) all.push_back(WideRowLoops());
    return all;
}

const RowLoops& ChosenRowLoops() {
    static const RowLoops& chosen = WideRowLoops() ? *WideRowLoops() : BaselineRowLoops();
    return chosen;
}
