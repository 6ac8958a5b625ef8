// The main thread's share of an autosave: the snapshot of a 4096 x 4096
// document of 16 painted layers (the painting pass's document), taken after
// a given number of tiles changed since the last one. Only those tiles are
// copied; the rest of the backup stays from earlier snapshots. A pass at
// 60 Hz has 16.7 ms, which the table gives as the baseline.
//
// The figure is the longest main-loop step of taking it: the catch-up passes
// that copy a large change a share at a time, then the snapshot itself.
// Counters: that step's processor time (on a loaded machine its wall time
// also holds the waits for a processor), the passes it took, the first
// (cold) snapshot that copies the whole document, and one pass's warm-up
// between snapshots (a scan of 2048 tiles copying at most 8 that changed).
// The program never copies the whole document at once: the catch-up passes
// spread the first snapshot too.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <memory>
#include <vector>

#include "app/autosave_backup.h"
#include "image/color_profile.h"
#include "image/document.h"
#include "image/pixel_image.h"
#include "bench_tiles.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSide = 4096;
constexpr int kLayers = 16;
constexpr int kPaintLayer = 8;
constexpr int kPatterns = 16;

Document& PaintedDocument() {
    static Document* doc = [] {
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
        auto* d = new Document();
        NewDocument(*d, kSide, kSide);
        for (int i = 1; i < kLayers; ++i) AddLayer(*d, i - 1);
        const auto patterns = bench::RandomTiles(kPatterns, 0x2468ace1u);
        for (size_t t = 0; t < d->stacks.size(); ++t) {
            int layer = 0;
            for (LayerTile* tile = d->stacks[t]; tile; tile = tile->next, ++layer) {
                EnsurePixels(*tile);
                tile->pixels->CopyFrom(*patterns[(t * 7 + size_t(layer) * 3) % kPatterns]);
            }
        }
        d->currentLayer = kPaintLayer;
        // As the compositor leaves a shown document.
        for (LayerTile* stack : d->stacks)
            for (LayerTile* tile = stack; tile; tile = tile->next) tile->dirty = false;
        return d;
    }();
    return *doc;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// This thread's processor time: on a loaded machine the wall time also holds
// the waits for a processor.
double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// What painting leaves once the compositor has shown it: the painted
// layer's tiles along a diagonal band, changed since the last snapshot.
void Paint(Document& doc, int tiles, uint16_t value) {
    const size_t count = doc.stacks.size();
    for (int i = 0; i < tiles; ++i) {
        LayerTile* tile = LayerTileAt(doc.stacks[(size_t(i) * 34) % count], kPaintLayer);
        static_cast<ChannelBuffer16&>(tile->pixels->Channel(0)).samples[i % (kTileSide * kTileSide)] = value;
        tile->backupStale = true;
    }
}

void BM_AutosaveSnapshot(benchmark::State& state) {
    Document& doc = PaintedDocument();
    const int changed = int(state.range(0));
    DocumentBackup backup;
    const auto cold0 = Clock::now();
    backup.Capture(doc, CurrentProfile());
    const double cold = Seconds(Clock::now() - cold0);

    uint16_t value = 1;
    double cpu = 0, catchUpPasses = 0;
    for (auto _ : state) {
        Paint(doc, changed, value++);
        // As the main loop does once the autosave is due: catch-up passes
        // until few tiles are left, then the snapshot. The figure is the
        // longest of them, the stall a painter could feel.
        double worst = 0, worstCpu = 0;
        bool ready = false;
        while (!ready) {
            const double c0 = ThreadCpuSeconds();
            const auto t0 = Clock::now();
            ready = backup.CatchUp(doc);
            if (ready) backup.Capture(doc, CurrentProfile());
            worst = std::max(worst, Seconds(Clock::now() - t0));
            worstCpu = std::max(worstCpu, ThreadCpuSeconds() - c0);
            ++catchUpPasses;
        }
        state.SetIterationTime(worst);
        cpu += worstCpu;
    }
    state.counters["cpu_ms"] = cpu / double(state.iterations()) * 1e3;
    state.counters["passes"] = catchUpPasses / double(state.iterations());
    // One warm-up pass that finds nothing to copy, then one that copies.
    auto t0 = Clock::now();
    backup.WarmUp(doc, 2048, 8);
    state.counters["warm_scan_ms"] = Seconds(Clock::now() - t0) * 1e3;
    for (LayerTile* stack : doc.stacks) stack->backupStale = true;
    t0 = Clock::now();
    backup.WarmUp(doc, 2048, 8);
    state.counters["warm_copy_ms"] = Seconds(Clock::now() - t0) * 1e3;
    backup.Capture(doc, CurrentProfile());
    state.counters["cold_ms"] = cold * 1e3;
}
// No change, the tiles a few strokes cover, and a whole layer (a filter).
BENCHMARK(BM_AutosaveSnapshot)
    ->ArgName("changed")
    ->Arg(0)
    ->Arg(64)
    ->Arg(1089)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
