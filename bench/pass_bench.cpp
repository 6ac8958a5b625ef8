// The main loop's painting pass without GL, as a painter meets it: a pointer
// sample through the stroke engine, the preview's paint settings and
// RenderDirtyTiles, on a 4096 x 4096 document of 16 painted layers, painting
// on layer 8 with Multiply, Screen and Darken layers above it. A stroke moves
// 2000 px/s at 60 passes a second (33 px a pass); between strokes the pointer
// rests and the loop runs idle passes, as it does at 60 Hz.
//
// Per pass it reports the p50 and p99 of the painting passes, the pen-down
// pass that ends the rest (it stamps the first dab), the first painting pass
// after it, the same first pass of a stroke begun straight after a pen-up,
// with no rest, the pen-up pass, the p99 over the p50 of the
// painting passes' processor time, and the floor: a memcpy of the bytes a
// median painting pass reads and writes (every layer's four 16-bit planes and
// the RGBA display buffer of each dirty tile) with the compositing alone
// against it, and the processor time the main thread and the whole process
// take while the pointer rests.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

#include "image/channel_buffer.h"
#include "image/color_profile.h"
#include "image/document.h"
#include "image/pixel_image.h"
#include "image/thread_scratch.h"
#include "image/workers.h"
#include "paint/brush_dab.h"
#include "paint/stroke_engine.h"
#include "paint/stroke_mask.h"
#include "bench_tiles.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSide = 4096;
constexpr int kLayers = 16;
constexpr int kPaintLayer = 8;
constexpr int kPatterns = 16;
constexpr float kStepPerPass = 2000.0f / 60.0f;
constexpr int kPaintingPasses = 40;
constexpr int kIdlePasses = 12;
// A pass at 60 Hz that has nothing to do leaves the rest of its 16.7 ms to
// the swap; the rest between two strokes is about a fifth of a second.
constexpr auto kIdleGap = std::chrono::milliseconds(16);
constexpr size_t kTileSamples = size_t(kTileSide) * kTileSide;

Document& PassDocument() {
    static Document* doc = [] {
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
        auto* d = new Document();
        NewDocument(*d, kSide, kSide);
        for (int i = 1; i < kLayers; ++i) AddLayer(*d, i - 1);
        const int above[] = {kBlendMultiply, kBlendScreen, kBlendDarken};
        for (int i = kPaintLayer + 1; i < kLayers; ++i) {
            d->layers[i].blendMode = above[(i - kPaintLayer - 1) % 3];
            d->layers[i].opacity = 200;
            ApplyLayerInfo(*d, i);
        }
        const auto patterns = bench::RandomTiles(kPatterns, 0x2468ace1u);
        for (size_t t = 0; t < d->stacks.size(); ++t) {
            int layer = 0;
            for (LayerTile* tile = d->stacks[t]; tile; tile = tile->next, ++layer) {
                EnsurePixels(*tile);
                tile->pixels->CopyFrom(*patterns[(t * 7 + size_t(layer) * 3) % kPatterns]);
            }
        }
        d->currentLayer = kPaintLayer;
        return d;
    }();
    return *doc;
}

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Processor seconds the calling thread has used.
double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

double Median(std::vector<double> v) { return Percentile(std::move(v), 0.5); }

// Seconds per byte of a large memcpy, the copy floor of this machine now.
double MemcpySecondsPerByte() {
    const size_t bytes = size_t(64) << 20;
    std::vector<uint8_t> a(bytes, 1), b(bytes, 2);
    std::memcpy(b.data(), a.data(), bytes);
    double best = 1e9;
    for (int i = 0; i < 5; ++i) {
        const auto t0 = Clock::now();
        std::memcpy(b.data(), a.data(), bytes);
        benchmark::DoNotOptimize(b.data());
        best = std::min(best, Seconds(Clock::now() - t0));
    }
    return best / double(bytes);
}

int DirtyStacks(const Document& doc) {
    int n = 0;
    for (const LayerTile* stack : doc.stacks) n += StackDirty(stack) ? 1 : 0;
    return n;
}

struct Painter {
    Document& doc = PassDocument();
    std::unique_ptr<PixelImage> shape{NewBrushImage()};
    std::unique_ptr<PixelImage> dab{NewBrushImage()};
    BrushSettings brush;
    PaintTool tool;
    StrokeState state;

    explicit Painter(float radius) {
        brush.radius = radius;
        BuildBrushShape(*shape, brush.radius, brush.hardness);
        InstallStrokePreview();
        tool.primary = tool.paint = DisplayColor(200, 40, 90, 255);
    }

    double lastCpu = 0;     // processor seconds of the last pass, every thread's
    double lastRender = 0;  // seconds of the last pass's RenderDirtyTiles

    // One main-loop pass; returns its seconds.
    double Pass(float x, float y, bool down) {
        const std::clock_t cpu0 = std::clock();
        const auto t0 = Clock::now();
        StrokeInput in;
        in.x = x;
        in.y = y;
        in.leftButton = down;
        in.pressure = 1.0f;
        in.tabletPressure = 1.0f;
        StrokeSample(state, StrokeTarget{doc, *shape, *dab, brush, tool}, in);
        SetStrokePaint(tool.paint, tool.PaintMode);
        const auto render0 = Clock::now();
        RenderDirtyTiles(doc);
        lastRender = Seconds(Clock::now() - render0);
        const double seconds = Seconds(Clock::now() - t0);
        lastCpu = double(std::clock() - cpu0) / CLOCKS_PER_SEC;
        return seconds;
    }
};

void BM_PaintingPass(benchmark::State& state) {
    const float radius = float(state.range(0));
    const int threads = int(state.range(1));
    Document& doc = PassDocument();
    InitThreadScratch(threads, kTileSide);
    StartWorkers(threads);
    Painter painter(radius);
    MarkAllDirty(doc);
    RenderDirtyTiles(doc);

    std::vector<double> steady, down, first, firstNoRest, penUp, steadyCpu, steadyRender;
    double idleCpu = 0, idleMainCpu = 0, idleWall = 0;
    int stroke = 0;
    for (auto _ : state) {
        // Rest: the pointer lies still with the button up.
        const float y = 300.0f + float((stroke * 157) % (kSide - 600));
        const float x0 = 300.0f + float((stroke * 311) % 1200);
        const std::clock_t cpu0 = std::clock();
        const double mainCpu0 = ThreadCpuSeconds();
        const auto idle0 = Clock::now();
        for (int i = 0; i < kIdlePasses; ++i) {
            painter.Pass(x0, y, false);
            std::this_thread::sleep_for(kIdleGap);
        }
        idleCpu += double(std::clock() - cpu0) / CLOCKS_PER_SEC;
        idleMainCpu += ThreadCpuSeconds() - mainCpu0;
        idleWall += Seconds(Clock::now() - idle0);
        const auto busy0 = Clock::now();
        for (int i = 0; i < kPaintingPasses; ++i) {
            const float x = x0 + kStepPerPass * float(i);
            const double s = painter.Pass(x, y + float(i % 3), true);
            if (i == 0) down.push_back(s);
            if (i == 1) first.push_back(s);
            if (i >= 2) steady.push_back(s);
            if (i >= 2) steadyCpu.push_back(painter.lastCpu);
            if (i >= 2) steadyRender.push_back(painter.lastRender);
        }
        const float xEnd = x0 + kStepPerPass * float(kPaintingPasses);
        penUp.push_back(painter.Pass(xEnd, y, false));
        state.SetIterationTime(Seconds(Clock::now() - busy0));
        // The pen put straight down again elsewhere: the start of a stroke
        // with no rest before it, as a short one.
        const float yNext = 300.0f + float((stroke * 157 + 1700) % (kSide - 600));
        painter.Pass(x0, yNext, true);
        firstNoRest.push_back(painter.Pass(x0 + kStepPerPass, yNext + 1.0f, true));
        painter.Pass(x0 + kStepPerPass, yNext, false);
        ++stroke;
    }
    CloseWorkerThreads();

    // The tiles a painting pass composites: count them on one more stroke.
    std::vector<double> dirty;
    {
        const float y = 2000.0f;
        painter.Pass(300.0f, y, false);
        for (int i = 0; i < kPaintingPasses; ++i) {
            const float x = 300.0f + kStepPerPass * float(i);
            StrokeInput in;
            in.x = x;
            in.y = y;
            in.leftButton = true;
            in.tabletPressure = 1.0f;
            StrokeSample(painter.state, StrokeTarget{doc, *painter.shape, *painter.dab, painter.brush, painter.tool},
                         in);
            if (i >= 2) dirty.push_back(DirtyStacks(doc));
            RenderDirtyTiles(doc);
        }
        painter.Pass(300.0f + kStepPerPass * kPaintingPasses, y, false);
    }
    const double tileBytes = double(kTileSamples) * (double(kLayers) * 4 * 2 + 4);
    const double floor = Median(dirty) * tileBytes * MemcpySecondsPerByte();
    const double p50 = Median(steady);

    state.counters["p50_ms"] = p50 * 1e3;
    state.counters["p99_ms"] = Percentile(steady, 0.99) * 1e3;
    state.counters["down_ms"] = Median(down) * 1e3;
    state.counters["first_ms"] = Median(first) * 1e3;
    state.counters["penup_ms"] = Median(penUp) * 1e3;
    state.counters["floor_ms"] = floor * 1e3;
    state.counters["tiles"] = Median(dirty);
    state.counters["p99_p50"] = Percentile(steady, 0.99) / p50;
    state.counters["down_p50"] = Median(down) / p50;
    state.counters["first_p50"] = Median(first) / p50;
    // The start of a stroke costs more than its middle whether or not the
    // pointer rested before it (its dabs reach tiles, and partly covered
    // pixels, that later dabs only cover again); this ratio is what the rest
    // itself adds.
    state.counters["first_norest_ms"] = Median(firstNoRest) * 1e3;
    state.counters["first_over_norest"] = Median(first) / Median(firstNoRest);
    state.counters["penup_p50"] = Median(penUp) / p50;
    state.counters["p50_floor"] = p50 / floor;
    // The compositing alone (RenderDirtyTiles, without the stroke engine's
    // dabs, which the main thread lays before it): against the floor, and
    // divided by the threads, the share of one thread's copy bandwidth each
    // compositing thread reaches.
    state.counters["render_floor"] = Median(steadyRender) / floor;
    // The same tail in processor time: what the pass's own work does, without
    // the time its threads waited for a processor (another program's, on a
    // shared machine). Wall p99 far above this one is preemption.
    state.counters["cpu_p99_p50"] = Percentile(steadyCpu, 0.99) / Median(steadyCpu);
    // Processor time over wall time while the pointer rests: the main
    // thread's, which only finds nothing dirty, and the whole process's,
    // which adds what waiting threads burn and the history's background work
    // (packing the last stroke's tiles, preparing memory for the next).
    state.counters["idle_main_cpu"] = idleMainCpu / idleWall;
    state.counters["idle_cpu"] = idleCpu / idleWall;
}
BENCHMARK(BM_PaintingPass)
    ->ArgNames({"radius", "threads"})
    ->Args({8, 1})
    ->Args({8, 2})
    ->Args({127, 1})
    ->Args({127, 2})
    ->Iterations(12)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
