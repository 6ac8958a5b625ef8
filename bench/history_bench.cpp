// What recording history steps costs at pen-up and after a filter, beside a
// plain copy of the same bytes (the floor for keeping a copy at all), and
// undo plus redo of a whole-layer step. BM_SixteenInverts reports the memory
// the process holds after 16 inverts of one layer of a 4096 x 4096, 8-layer
// document (three layers painted), against the document alone. The painted
// layers are as a painter leaves them (painted_layer.h), or random noise, the
// worst case for compressed snapshots.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench_tiles.h"
#include "painted_layer.h"
#include "filters/simple_filters.h"
#include "image/color_profile.h"
#include "image/document.h"
#include "image/pixel_image.h"
#include "image/thread_scratch.h"
#include "image/undo.h"
#include "image/workers.h"

namespace {

constexpr size_t kTileBytes = size_t(kTileSide) * kTileSide * 4 * 2;

void Prepare() {
    static bool ready = [] {
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
        InitThreadScratch(2, kTileSide);
        // The copies run on the compositing threads, as in the program; the
        // workers must be gone before the program's statics are.
        StartWorkers(2);
        std::atexit(CloseWorkerThreads);
        return true;
    }();
    (void)ready;
}

enum Content { kPainted, kNoise };

// A side x side document whose layers 1..painted are painted, or have noise
// everywhere.
void MakeDocument(Document& doc, int side, int layers, int painted, Content content = kPainted) {
    Prepare();
    NewDocument(doc, side, side);
    for (int i = 1; i < layers; ++i) AddLayer(doc, i - 1);
    uint32_t seed = 0x2468aceu;
    for (int i = 1; i <= painted; ++i) {
        if (content == kPainted) {
            bench::PaintLayer(doc, i, seed++);
            continue;
        }
        auto tiles = bench::RandomTiles(1, seed++);
        for (LayerTile* stack : doc.stacks) {
            LayerTile* tile = LayerTileAt(stack, i);
            EnsurePixels(*tile);
            tile->pixels->CopyFrom(*tiles[0]);
        }
    }
    ClearUndo(doc);
}

// A radius-127 stroke covers a 256-pixel square: 4 x 4 tiles.
void MarkStroke(Document& doc) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) LayerTileAt(doc.stacks[size_t(r * doc.columns + c)], 1)->strokeActive = true;
}

// One step saving layer 1's stroke tiles, or all its tiles.
void SaveStep(Document& doc, int kind, bool all) {
    OpenStep(doc, kind, 1);
    SaveTiles(doc, 1, all);
    CloseStep(doc);
}

// Each timed step follows one like it, which closing the timed step hands
// to the packing thread, as in the program.
void BM_StrokeStep(benchmark::State& state) {
    Document doc;
    MakeDocument(doc, 1024, 2, 1);
    MarkStroke(doc);
    for (auto _ : state) {
        state.PauseTiming();
        ClearUndo(doc);
        SaveStep(doc, kStepStroke, false);
        state.ResumeTiming();
        SaveStep(doc, kStepStroke, false);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(16 * kTileBytes));
}
BENCHMARK(BM_StrokeStep)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_CopyStrokeBytes(benchmark::State& state) {
    std::vector<char> from(16 * kTileBytes, 1), to(16 * kTileBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(from.size()));
}
BENCHMARK(BM_CopyStrokeBytes)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_FilterStep(benchmark::State& state) {
    Document doc;
    MakeDocument(doc, 4096, 2, 1);
    for (auto _ : state) {
        state.PauseTiming();
        ClearUndo(doc);
        SaveStep(doc, kStepInvert, true);
        state.ResumeTiming();
        SaveStep(doc, kStepInvert, true);
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(doc.stacks.size() * kTileBytes));
}
BENCHMARK(BM_FilterStep)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CopyLayerBytes(benchmark::State& state) {
    const size_t tiles = size_t(TilesAlong(4096) * TilesAlong(4096));
    std::vector<char> from(tiles * kTileBytes, 1), to(tiles * kTileBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(from.size()));
}
BENCHMARK(BM_CopyLayerBytes)->Unit(benchmark::kMillisecond)->UseRealTime();

// A step's tiles are packed in the background once the next step closes;
// this is that work too, for the whole layer (a filter step's), with a
// settings change as the next step.
void BM_FilterStepPacked(benchmark::State& state) {
    Document doc;
    MakeDocument(doc, 4096, 2, 1);
    for (auto _ : state) {
        OpenStep(doc, kStepInvert, 1);
        SaveTiles(doc, 1, true);
        CloseStep(doc);
        OpenStep(doc, kStepOpacity, 1);
        SaveLayerSettings(doc, 1, doc.layers[1]);
        CloseStep(doc);
        FinishHistoryPacking(doc);
        state.PauseTiming();
        ClearUndo(doc);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(doc.stacks.size() * kTileBytes));
}
BENCHMARK(BM_FilterStepPacked)->Unit(benchmark::kMillisecond)->UseRealTime();

void InvertStep(Document& doc) {
    OpenStep(doc, kStepInvert, 1);
    SaveTiles(doc, 1, true);
    ApplySimpleFilter(doc, 1, 0);
    CloseStep(doc);
}

// An undo and a redo of the newest step, which stays plain.
void BM_UndoRedoWholeLayer(benchmark::State& state) {
    Document doc;
    MakeDocument(doc, 4096, 2, 1);
    InvertStep(doc);
    for (auto _ : state) {
        Undo(doc);
        Redo(doc);
    }
}
BENCHMARK(BM_UndoRedoWholeLayer)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Two steps back and forth: the second undo and the second redo each take
// a whole-layer step packed by then (timed), the first ones a plain one.
void BM_UndoRedoPackedLayer(benchmark::State& state) {
    Document doc;
    MakeDocument(doc, 4096, 2, 1);
    InvertStep(doc);
    InvertStep(doc);
    for (auto _ : state) {
        state.PauseTiming();
        Undo(doc);
        FinishHistoryPacking(doc);
        state.ResumeTiming();
        if (!Undo(doc)) state.SkipWithError("no second undo");
        state.PauseTiming();
        Redo(doc);
        FinishHistoryPacking(doc);
        state.ResumeTiming();
        if (!Redo(doc)) state.SkipWithError("no second redo");
    }
}
BENCHMARK(BM_UndoRedoPackedLayer)->Unit(benchmark::kMillisecond)->UseRealTime();

double ResidentMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

// The samples the open document holds: every tile image, and the bottom
// tiles' stroke masks and display buffers.
double DocumentMiB(const Document& doc) {
    double bytes = 0;
    for (LayerTile* stack : doc.stacks)
        for (LayerTile* tile = stack; tile; tile = tile->next) {
            if (!tile->pixels->IsEmpty()) bytes += double(kTileBytes);
            if (tile->bottom) bytes += double(kTileSide) * kTileSide * (2 + 4);
        }
    return bytes / (1 << 20);
}

void BM_SixteenInverts(benchmark::State& state, Content content) {
    for (auto _ : state) {
        const double base = ResidentMiB();
        Document doc;
        MakeDocument(doc, 4096, 8, 3, content);
        const double open = DocumentMiB(doc);
        for (int k = 0; k < 16; ++k) InvertStep(doc);
        // Right after the last step its tiles count plain: they are being packed.
        state.counters["unpacked_over_document"] = (open + double(HistoryBytes(doc)) / (1 << 20)) / open;
        FinishHistoryPacking(doc);
        const double held = open + double(HistoryBytes(doc)) / (1 << 20);
        state.counters["budget_holds_steps"] = double(HistoryBudget()) / (double(HistoryBytes(doc)) / UndoDepth(doc));
        state.counters["document_MiB"] = open;
        state.counters["held_MiB"] = held;
        state.counters["held_over_document"] = held / open;
        state.counters["resident_MiB"] = ResidentMiB() - base;
        state.counters["steps_kept"] = UndoDepth(doc);
        state.counters["budget_MiB"] = double(HistoryBudget()) / (1 << 20);
    }
}
BENCHMARK_CAPTURE(BM_SixteenInverts, painted, kPainted)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
BENCHMARK_CAPTURE(BM_SixteenInverts, noise, kNoise)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace
