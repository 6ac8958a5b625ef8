// libmypaint laying the same dabs as BM_ShiftAndStampAlongAStroke: radius 127,
// hardness 0.7, black, at the same positions and spacing on a 1024 x 724
// surface, a new stroke (one atomic section) every 64 dabs. libmypaint
// composites each dab into its tiles at the end of the section, where our
// dabs only raise the stroke mask and the compositor shows it once a frame;
// so this is a neighbour's figure for the same stroke, not identical work.
// scripts/bench runs it with OMP_NUM_THREADS=1, as our stamping is one thread.

#include <benchmark/benchmark.h>

extern "C" {
#include <mypaint-fixed-tiled-surface.h>
#include <mypaint-surface.h>
}

#include <cstdint>

namespace {

constexpr int kDabsPerStroke = 64;

void BM_LibmypaintDabAlongAStroke(benchmark::State& state) {
    MyPaintFixedTiledSurface* fixed = mypaint_fixed_tiled_surface_new(1024, 724);
    if (!fixed) {
        state.SkipWithError("libmypaint could not make its surface");
        return;
    }
    MyPaintSurface* surface = mypaint_fixed_tiled_surface_interface(fixed);
    for (auto _ : state) {
        mypaint_surface_begin_atomic(surface);
        for (int64_t i = 0; i < kDabsPerStroke; ++i) {
            const float x = 130.0f + float(i) * 12.7f + 0.31f;
            const float y = 362.0f + float(i % 7) * 3.1f;
            mypaint_surface_draw_dab(surface, x, y, 127.0f, 0.0f, 0.0f, 0.0f, /*opaque*/ 1.0f,
                                     /*hardness*/ 0.7f, /*alpha_eraser*/ 1.0f, /*aspect*/ 1.0f,
                                     /*angle*/ 0.0f, /*lock_alpha*/ 0.0f, /*colorize*/ 0.0f);
        }
        MyPaintRectangle changed{};
        mypaint_surface_end_atomic(surface, &changed);
        benchmark::DoNotOptimize(changed);
    }
    state.SetItemsProcessed(state.iterations() * kDabsPerStroke);
    mypaint_surface_unref(surface);
}
BENCHMARK(BM_LibmypaintDabAlongAStroke);

}  // namespace
