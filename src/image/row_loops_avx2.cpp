// Built with -mavx2 (see CMakeLists.txt): the same row loops as the baseline,
// vectorised sixteen 16-bit samples wide.
#include "image/row_loops_avx2.h"

#include "image/row_loops_build.h"

const RowLoops& Avx2RowLoops() {
    static const RowLoops loops = BuildRowLoops("avx2");
    return loops;
}
