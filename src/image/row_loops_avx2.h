#pragma once
#include "image/row_loops.h"

// The row loops built with -mavx2. Call this only where the processor has
// AVX2 (WideRowLoops decides): every instruction in its file may need it.
const RowLoops& Avx2RowLoops();
