// Compositing a whole 4096 x 4096 document of 8 layers (every blend mode,
// partial alpha, every tile dirty) into display tiles, in document megapixels
// per second: once with one compositing thread per processor and once with
// the calling thread alone, whose ratio is the thread scaling. BM_Memcpy in
// this executable is the memory-copy floor.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <thread>
#include <vector>

#include "image/channel_buffer.h"
#include "image/color_profile.h"
#include "image/document.h"
#include "image/pixel_image.h"
#include "image/thread_scratch.h"
#include "image/workers.h"
#include "bench_tiles.h"

namespace {

constexpr int kSide = 4096;
constexpr int kLayers = 8;
constexpr int kPatterns = 16;

int Processors() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : int(n);
}

Document& BenchDocument() {
    static Document* doc = [] {
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
        auto* d = new Document();
        NewDocument(*d, kSide, kSide);
        for (int i = 1; i < kLayers; ++i) AddLayer(*d, i - 1);
        for (int i = 1; i < kLayers; ++i) {
            d->layers[i].blendMode = i % kBlendModeCount;
            d->layers[i].opacity = 255 - 20 * i;
            ApplyLayerInfo(*d, i);
        }
        const auto patterns = bench::RandomTiles(kPatterns, 0x12345678u);
        for (size_t t = 0; t < d->stacks.size(); ++t) {
            int layer = 0;
            for (LayerTile* tile = d->stacks[t]; tile; tile = tile->next, ++layer) {
                EnsurePixels(*tile);
                tile->pixels->CopyFrom(*patterns[(t * 7 + size_t(layer) * 3) % kPatterns]);
            }
        }
        return d;
    }();
    return *doc;
}

void BM_RenderDirtyTiles(benchmark::State& state) {
    const int workers = int(state.range(0));
    Document& doc = BenchDocument();
    InitThreadScratch(Processors(), kTileSide);
    StartWorkers(workers);
    for (auto _ : state) {
        MarkAllDirty(doc);
        RenderDirtyTiles(doc);
        benchmark::ClobberMemory();
    }
    CloseWorkerThreads();
    const double pixels = double(kSide) * kSide * double(state.iterations());
    state.counters["Mpx/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsRate);
    state.counters["workers"] = workers;
    state.SetItemsProcessed(int64_t(pixels));
}
BENCHMARK(BM_RenderDirtyTiles)->Arg(Processors())->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
