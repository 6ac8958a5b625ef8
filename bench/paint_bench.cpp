// The per-dab work of a stroke with the largest brush (radius 127, a 256 x 256
// dab), in dabs per second: preparing the dab by shifting or resampling the
// shape, and stamping it into the stroke masks of the tiles it covers. A
// tablet sends a few hundred packets a second, each of which may lay several
// dabs, so these must run in the tens of thousands per second.

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "image/color_profile.h"
#include "image/document.h"
#include "image/pixel_image.h"
#include "image/thread_scratch.h"
#include "paint/brush_dab.h"
#include "paint/stroke_mask.h"

namespace {

constexpr float kRadius = 127.0f;

void EnsureSetUp() {
    static const bool ready = [] {
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
        InitThreadScratch(1, kTileSide);
        return true;
    }();
    (void)ready;
}

std::unique_ptr<PixelImage> LargestShape() {
    std::unique_ptr<PixelImage> shape(NewBrushImage());
    BuildBrushShape(*shape, kRadius, 0.7f);
    return shape;
}

// Sub-pixel positions that differ from dab to dab, as along a real stroke.
float Position(int64_t i) { return 500.0f + float(i % 97) * 0.173f; }

void BM_ShiftDab(benchmark::State& state) {
    auto shape = LargestShape();
    std::unique_ptr<PixelImage> dab(NewBrushImage());
    int64_t i = 0;
    for (auto _ : state) {
        ShiftDab(*dab, *shape, Position(i), Position(i + 31));
        benchmark::ClobberMemory();
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ShiftDab);

void BM_ScaleDab(benchmark::State& state) {
    auto shape = LargestShape();
    std::unique_ptr<PixelImage> dab(NewBrushImage());
    const float scale = float(state.range(0)) / 100.0f;
    int64_t i = 0;
    for (auto _ : state) {
        ScaleDab(*dab, *shape, Position(i), Position(i + 31), scale);
        benchmark::ClobberMemory();
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ScaleDab)->Arg(100)->Arg(73)->Arg(20);

// A dab centred on the corner where four tiles meet, deep inside each.
void BM_StampDabFourTiles(benchmark::State& state) {
    EnsureSetUp();
    Document doc;
    NewDocument(doc, 1024, 724);
    auto shape = LargestShape();
    std::unique_ptr<PixelImage> dab(NewBrushImage());
    ShiftDab(*dab, *shape, 0.5f, 0.5f);
    LayerTile* corner = doc.stacks[size_t(doc.columns * 2 + 2)];
    LayerTile* tiles[4] = {doc.stacks[size_t(doc.columns + 1)], doc.stacks[size_t(doc.columns + 2)],
                           doc.stacks[size_t(doc.columns * 2 + 1)], corner};
    const int left = corner->x0 - 64, top = corner->y0 - 64;
    int64_t i = 0;
    for (auto _ : state) {
        // Start a new stroke now and then, so the masks do not stay full.
        if (i++ % 16 == 0)
            for (LayerTile* t : tiles) t->strokeActive = false;
        for (LayerTile* t : tiles) StampDab(*t, *dab, left, top, 60000);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StampDabFourTiles);

// What the stroke engine does per dab: shift the shape and offer the dab to
// the current layer's tile at every position; at tile step 126 a 256-pixel
// dab touches 9 to 16 of them. The dab walks along a stroke with 10 %
// spacing, and a new stroke starts every 64 dabs.
void BM_ShiftAndStampAlongAStroke(benchmark::State& state) {
    EnsureSetUp();
    Document doc;
    NewDocument(doc, 1024, 724);
    auto shape = LargestShape();
    std::unique_ptr<PixelImage> dab(NewBrushImage());
    int64_t i = 0;
    int64_t touched = 0;
    for (auto _ : state) {
        if (i % 64 == 0)
            for (LayerTile* t : doc.stacks) t->strokeActive = false;
        const float x = 130.0f + float(i % 64) * 12.7f + 0.31f;
        const float y = 362.0f + float(i % 7) * 3.1f;
        ShiftDab(*dab, *shape, x, y);
        const int left = int(std::floor(x)) - 127, top = int(std::floor(y)) - 127;
        for (LayerTile* t : doc.stacks) {
            const bool was = t->dirty;
            t->dirty = false;
            StampDab(*t, *dab, left, top, 60000);
            touched += t->dirty;
            t->dirty = t->dirty || was;
        }
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["tiles_per_dab"] = double(touched) / double(state.iterations());
}
BENCHMARK(BM_ShiftAndStampAlongAStroke);

}  // namespace
