#pragma once
// The table of row loops as the including file's instruction set builds them
// (row_loops.cpp for the baseline, row_loops_avx2.cpp for AVX2). Internal
// linkage, as the loops themselves have, so that each build keeps its own.

#include "image/blend_modes.h"
#include "image/display_rows.h"
#include "image/paint_rows.h"
#include "image/row_loops.h"

namespace {

void BuiltBlendPlane(int mode, uint16_t* out, const uint16_t* below, const uint16_t* top, const uint16_t* alpha,
                     uint16_t opacity257, size_t n) {
    blend::BlendPlaneInMode(mode, out, below, top, alpha, opacity257, n);
}

void BuiltBlendColourPlanes(int mode, uint16_t* const out[3], const uint16_t* const below[3],
                            const uint16_t* const top[3], const uint16_t* alpha, uint16_t opacity257, size_t n) {
    blend::BlendColourPlanesInMode(mode, out, below, top, alpha, opacity257, n);
}

void BuiltLerpRow(uint16_t* out, const uint16_t* x, uint16_t p, const uint16_t* m, size_t n) {
    paintrows::LerpRowLoop(out, x, p, m, n);
}

void BuiltPaintRows(uint16_t* const out[], const uint16_t* const x[], const uint16_t p[], int planes,
                    const uint16_t* a0, const uint16_t* m, const uint16_t* a1, size_t n) {
    paintrows::PaintRowsLoop(out, x, p, planes, a0, m, a1, n);
}

void BuiltDisplayRows(const uint16_t* const planes[3], const int32_t* const inverse[3], const uint8_t* quarters,
                      uint8_t* rgba, size_t n) {
    displayrows::ConvertRowsLoop(planes, inverse, quarters, rgba, n);
}

RowLoops BuildRowLoops(const char* name) {
    return RowLoops{name, &BuiltBlendPlane, &BuiltBlendColourPlanes, &BuiltLerpRow, &BuiltPaintRows,
                    &BuiltDisplayRows};
}

}  // namespace
