// The filters over a whole 4096 x 4096 layer, in megapixels per second. Each
// runs once on one thread (threads:1) and once on one thread per processor
// (threads:0), so the two figures stand side by side in one run. The blur
// runs at the smallest and the largest radius: its cost must not grow with
// the radius.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <thread>

#include "filters/blur.h"
#include "filters/levels.h"
#include "filters/noise.h"
#include "image/channel_buffer.h"
#include "image/color_profile.h"
#include "image/document.h"
#include "image/pixel_image.h"
#include "image/thread_scratch.h"

namespace {

constexpr int kSide = 4096;
constexpr int kLayer = 1;

// One document for every benchmark: building it takes longer than a filter.
// Layer 1 holds soft shapes with edges and transparent gaps, so the blur's
// weights and its colour restarts all come into play.
Document& SharedDocument() {
    static Document* doc = [] {
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
        InitThreadScratch(1, kTileSide);
        auto* d = new Document();
        NewDocument(*d, kSide, kSide);
        AddLayer(*d, 0);
        for (LayerTile* stack : d->stacks) {
            LayerTile* tile = LayerTileAt(stack, kLayer);
            EnsurePixels(*tile);
            for (int c = 0; c < 4; ++c) {
                uint16_t* s = static_cast<ChannelBuffer16&>(tile->pixels->Channel(c)).samples;
                for (int v = 0; v < kTileSide; ++v)
                    for (int u = 0; u < kTileSide; ++u) {
                        const uint32_t x = uint32_t(tile->x0 + u), y = uint32_t(tile->y0 + v);
                        const uint32_t h = (x * 2654435761u) ^ (y * 40503u) ^ (uint32_t(c) * 97u);
                        const bool gap = c == 3 && ((x / 200 + y / 150) % 5 == 0);
                        s[v * kTileSide + u] = gap ? 0 : uint16_t((x * 37 + y * 11 + (h >> 24)) * (c + 3));
                    }
            }
        }
        return d;
    }();
    return *doc;
}

void Report(benchmark::State& state, int threads) {
    const double pixels = double(kSide) * double(kSide) * double(state.iterations());
    state.counters["MP/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsRate);
    const int n = threads > 0 ? threads : int(std::thread::hardware_concurrency());
    state.SetLabel(std::to_string(n) + (n == 1 ? " thread" : " threads"));
}

// Args: radius, threads.
void BM_Blur(benchmark::State& state) {
    Document& doc = SharedDocument();
    const int radius = int(state.range(0)), threads = int(state.range(1));
    for (auto _ : state)
        if (!BlurLayer(doc, kLayer, radius, threads)) state.SkipWithError("not enough memory");
    Report(state, threads);
}
BENCHMARK(BM_Blur)
    ->ArgNames({"radius", "threads"})
    ->Args({1, 1})
    ->Args({1, 0})
    ->Args({512, 1})
    ->Args({512, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Levels(benchmark::State& state) {
    Document& doc = SharedDocument();
    const int threads = int(state.range(0));
    LevelsParams params;
    SetLevelsParam(params, kLevelsShape, 0, 0.7f);
    SetLevelsParam(params, kLevelsMinimum, 0, 0.05f);
    for (auto _ : state) ApplyLevels(doc, kLayer, params, threads);
    Report(state, threads);
}
BENCHMARK(BM_Levels)->ArgName("threads")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Noise(benchmark::State& state) {
    Document& doc = SharedDocument();
    const int threads = int(state.range(0));
    for (auto _ : state) AddTransparencyNoise(doc, kLayer, 49, threads);
    Report(state, threads);
}
BENCHMARK(BM_Noise)->ArgName("threads")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
