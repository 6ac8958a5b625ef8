#pragma once
#include <cstddef>
#include <cstdint>

// The row loops of row_loops.h built with -mavx2. Call them only where
// WideRowLoops() says the processor has AVX2: every instruction in their
// file may need it.

namespace avx2 {

void BlendPlane(int mode, uint16_t* out, const uint16_t* below, const uint16_t* top, const uint16_t* alpha,
                uint16_t opacity257, size_t n);
void BlendColourPlanes(int mode, uint16_t* const out[3], const uint16_t* const below[3], const uint16_t* const top[3],
                       const uint16_t* alpha, uint16_t opacity257, size_t n);
void LerpRow(uint16_t* out, const uint16_t* x, uint16_t p, const uint16_t* m, size_t n);
void PaintRows(uint16_t* const out[], const uint16_t* const x[], const uint16_t p[], int planes, const uint16_t* a0,
               const uint16_t* m, const uint16_t* a1, size_t n);
void DisplayRows(const uint16_t* const planes[3], const int32_t* const inverse[3], const uint8_t* quarters,
                 uint8_t* rgba, size_t n);

}  // namespace avx2
