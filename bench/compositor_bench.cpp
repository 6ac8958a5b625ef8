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

namespace {

constexpr int kSide = 4096;
constexpr int kLayers = 8;
constexpr int kPatterns = 16;

int Processors() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : int(n);
}

uint32_t Next(uint32_t& s) {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
}

// Tile contents: random colour, alpha spread over the whole range with runs
// of fully transparent and fully opaque pixels, as painted layers have.
std::vector<PixelImage*> Patterns() {
    std::vector<PixelImage*> patterns;
    uint32_t s = 0x12345678u;
    for (int p = 0; p < kPatterns; ++p) {
        auto* image = new PixelImage(kTileSide, kTileSide, 4, 16);
        for (int c = 0; c < 4; ++c) {
            uint16_t* samples = static_cast<ChannelBuffer16&>(image->Channel(c)).samples;
            for (int i = 0; i < kTileSide * kTileSide; ++i) {
                const uint32_t r = Next(s);
                uint16_t v = uint16_t(r);
                if (c == 3) v = (r >> 20) % 4 == 0 ? 0 : (r >> 20) % 4 == 1 ? 65535 : v;
                samples[i] = v;
            }
        }
        patterns.push_back(image);
    }
    return patterns;
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
        const std::vector<PixelImage*> patterns = Patterns();
        for (size_t t = 0; t < d->stacks.size(); ++t) {
            int layer = 0;
            for (LayerTile* tile = d->stacks[t]; tile; tile = tile->next, ++layer) {
                EnsurePixels(*tile);
                tile->pixels->CopyFrom(*patterns[(t * 7 + size_t(layer) * 3) % kPatterns]);
            }
        }
        for (PixelImage* p : patterns) delete p;
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
