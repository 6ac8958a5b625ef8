// Chooses the AVX2 build of the row loops on x86 processors that have it.
// Built with the baseline instruction set, so the check runs anywhere.
#include "image/row_loops.h"
#include "image/row_loops_avx2.h"

namespace {

// __builtin_cpu_supports says AVX2 only when the system also saves the wide
// registers; the init call makes it safe before static constructors have run.
bool ProcessorHasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

}  // namespace

const RowLoops* WideRowLoops() {
    static const bool runnable = ProcessorHasAvx2();
    return runnable ? &Avx2RowLoops() : nullptr;
}
