#pragma once
#include <cstddef>
#include <cstdint>

// The row loops of blend_modes.h built with -mavx2. Call them only where
// WideRowLoops() (blend_rows.h) says the processor has AVX2: every
// instruction in their file may need it.

namespace blend {

void Avx2Plane(int mode, uint16_t* out, const uint16_t* below, const uint16_t* top, const uint16_t* alpha,
               uint16_t opacity257, size_t n);
void Avx2ColourPlanes(int mode, uint16_t* const out[3], const uint16_t* const below[3], const uint16_t* const top[3],
                      const uint16_t* alpha, uint16_t opacity257, size_t n);

}  // namespace blend
