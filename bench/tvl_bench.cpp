// Saving a 2048 x 2048 document of four painted layers as .tvl, beside an
// fwrite of its raw pixels (every layer tile's four 16-bit planes) to the
// same file: the floor for writing that many bytes. Loading it back is the
// third figure, since saving should be as fast as reading.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "fileio/tvl_file.h"
#include "image/channel_buffer.h"
#include "image/color_profile.h"
#include "image/document.h"
#include "image/pixel_image.h"
#include "image/thread_scratch.h"
#include "bench_tiles.h"

namespace {

constexpr int kSide = 2048;
constexpr int kLayers = 4;
constexpr size_t kTileSamples = size_t(kTileSide) * kTileSide;

std::string BenchPath() { return "/tmp/orvella_tvl_bench_" + std::to_string(::getpid()) + ".tvl"; }

// Painted layers: smooth colour with noise in the low bits, alpha in runs of
// transparent and opaque pixels with soft edges between them.
void Paint(PixelImage& image, uint32_t& s) {
    for (int c = 0; c < 4; ++c) {
        uint16_t* samples = static_cast<ChannelBuffer16&>(image.Channel(c)).samples;
        uint16_t run = 0;
        int left = 0;
        for (size_t i = 0; i < kTileSamples; ++i) {
            const uint32_t r = bench::Next(s);
            if (c < 3) {
                samples[i] = uint16_t(i * 3 + (r & 0xFF));
            } else {
                if (left == 0) {
                    left = int(r % 300);
                    run = (r >> 12) % 3 == 0 ? 0 : (r >> 12) % 3 == 1 ? 65535 : uint16_t(r >> 16);
                }
                --left;
                samples[i] = run;
            }
        }
    }
}

Document& BenchDocument() {
    static Document* doc = [] {
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
        InitThreadScratch(1, kTileSide);
        auto* d = new Document();
        NewDocument(*d, kSide, kSide);
        for (int i = 1; i < kLayers; ++i) AddLayer(*d, i - 1);
        uint32_t s = 0x13579bdfu;
        for (LayerTile* stack : d->stacks)
            for (LayerTile* tile = stack; tile; tile = tile->next) {
                EnsurePixels(*tile);
                Paint(*tile->pixels, s);
            }
        return d;
    }();
    return *doc;
}

double RawBytes(const Document& doc) { return double(doc.tileCount) * kLayers * 4 * double(kTileSamples) * 2; }

void BM_SaveTvl(benchmark::State& state) {
    Document& doc = BenchDocument();
    const std::string path = BenchPath();
    for (auto _ : state) {
        if (!SaveImage_TVL(doc, path.c_str())) state.SkipWithError("save failed");
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(int64_t(RawBytes(doc) * double(state.iterations())));
}
BENCHMARK(BM_SaveTvl)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FwriteRawPixels(benchmark::State& state) {
    Document& doc = BenchDocument();
    const std::string path = BenchPath();
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (!f) {
            state.SkipWithError("cannot open");
            break;
        }
        for (LayerTile* stack : doc.stacks)
            for (LayerTile* tile = stack; tile; tile = tile->next)
                for (int c = 0; c < 4; ++c)
                    std::fwrite(static_cast<ChannelBuffer16&>(tile->pixels->Channel(c)).samples, 2, kTileSamples, f);
        std::fclose(f);
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(int64_t(RawBytes(doc) * double(state.iterations())));
}
BENCHMARK(BM_FwriteRawPixels)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadTvl(benchmark::State& state) {
    Document& doc = BenchDocument();
    const std::string path = BenchPath();
    if (!SaveImage_TVL(doc, path.c_str())) state.SkipWithError("save failed");
    Document loaded;
    for (auto _ : state) {
        if (!LoadImage_TVL(loaded, path.c_str())) state.SkipWithError("load failed");
    }
    std::remove(path.c_str());
    state.SetBytesProcessed(int64_t(RawBytes(doc) * double(state.iterations())));
}
BENCHMARK(BM_LoadTvl)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
