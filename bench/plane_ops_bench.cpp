// Whole-plane operations on one tile-sized plane, in samples per second, next
// to a plain copy of the same bytes: the memory-bandwidth floor they share.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "image/channel_buffer.h"
#include "image/color_profile.h"
#include "image/plane_ops.h"
#include "image/thread_scratch.h"

namespace {

constexpr int kSide = 128;
constexpr int64_t kSamples = int64_t(kSide) * kSide;

void EnsureScratch() {
    static const bool ready = [] {
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
        InitThreadScratch(1, kSide);
        return true;
    }();
    (void)ready;
}

std::unique_ptr<ChannelBuffer16> RandomPlane(uint32_t seed) {
    auto plane = std::make_unique<ChannelBuffer16>(kSide, kSide);
    std::mt19937 rng(seed);
    for (int64_t i = 0; i < kSamples; ++i) plane->samples[i] = uint16_t(rng());
    return plane;
}

void Count(benchmark::State& state) { state.SetItemsProcessed(state.iterations() * kSamples); }

// Source and destination lie a multiple of 64 bytes apart. Two separately
// allocated planes usually sit 16 bytes off that, and on some processors the
// C library's block copy then runs an order of magnitude slower, which would
// make a poor floor.
void BM_Memcpy(benchmark::State& state) {
    std::vector<uint16_t> both(size_t(2 * kSamples + 32));
    uint16_t* from = both.data();
    uint16_t* to = both.data() + kSamples + 32;
    std::mt19937 rng(1);
    for (int64_t i = 0; i < kSamples; ++i) from[i] = uint16_t(rng());
    for (auto _ : state) {
        std::memcpy(to, from, size_t(kSamples) * sizeof(uint16_t));
        benchmark::DoNotOptimize(to);
        benchmark::ClobberMemory();
    }
    Count(state);
}
BENCHMARK(BM_Memcpy);

void BM_PlaneFromChannel16(benchmark::State& state) {
    EnsureScratch();
    auto channel = RandomPlane(3);
    for (auto _ : state) benchmark::DoNotOptimize(PlaneFromChannel(*channel));
    Count(state);
}
BENCHMARK(BM_PlaneFromChannel16);

void BM_PlaneFromChannel8(benchmark::State& state) {
    EnsureScratch();
    ChannelBuffer8 channel(kSide, kSide);
    std::mt19937 rng(4);
    for (int64_t i = 0; i < kSamples; ++i) channel.samples[i] = uint8_t(rng());
    for (auto _ : state) benchmark::DoNotOptimize(PlaneFromChannel(channel));
    Count(state);
}
BENCHMARK(BM_PlaneFromChannel8);

void BM_PlaneConstant(benchmark::State& state) {
    EnsureScratch();
    for (auto _ : state) benchmark::DoNotOptimize(PlaneConstant(0x1234));
    Count(state);
}
BENCHMARK(BM_PlaneConstant);

void BM_PlaneNoise(benchmark::State& state) {
    EnsureScratch();
    for (auto _ : state) benchmark::DoNotOptimize(PlaneNoise());
    Count(state);
}
BENCHMARK(BM_PlaneNoise);

void BM_PlaneInvert(benchmark::State& state) {
    auto x = RandomPlane(5);
    for (auto _ : state) benchmark::DoNotOptimize(PlaneInvert(x.get()));
    Count(state);
}
BENCHMARK(BM_PlaneInvert);

void BM_PlaneScale(benchmark::State& state) {
    auto x = RandomPlane(6);
    for (auto _ : state) benchmark::DoNotOptimize(PlaneScale(x.get(), 254 * 257));
    Count(state);
}
BENCHMARK(BM_PlaneScale);

void BM_PlaneBinary(benchmark::State& state, ChannelBuffer16* (*op)(ChannelBuffer16*, const ChannelBuffer16*)) {
    auto x = RandomPlane(7);
    auto y = RandomPlane(8);
    for (auto _ : state) benchmark::DoNotOptimize(op(x.get(), y.get()));
    Count(state);
}
BENCHMARK_CAPTURE(BM_PlaneBinary, Multiply, PlaneMultiply);
BENCHMARK_CAPTURE(BM_PlaneBinary, InverseMultiply, PlaneInverseMultiply);
BENCHMARK_CAPTURE(BM_PlaneBinary, Screen, PlaneScreen);
BENCHMARK_CAPTURE(BM_PlaneBinary, Min, PlaneMin);
BENCHMARK_CAPTURE(BM_PlaneBinary, Max, PlaneMax);

void BM_PlaneLerp(benchmark::State& state) {
    auto x = RandomPlane(9);
    auto p = RandomPlane(10);
    auto m = RandomPlane(11);
    for (auto _ : state) benchmark::DoNotOptimize(PlaneLerp(x.get(), p.get(), m.get()));
    Count(state);
}
BENCHMARK(BM_PlaneLerp);

// Random inputs: every run of samples needs the division.
void BM_PlaneLerpWeighted(benchmark::State& state) {
    auto x = RandomPlane(12);
    auto a0 = RandomPlane(13);
    auto p = RandomPlane(14);
    auto m = RandomPlane(15);
    auto a1 = RandomPlane(16);
    for (auto _ : state) benchmark::DoNotOptimize(PlaneLerp(x.get(), a0.get(), p.get(), m.get(), a1.get()));
    Count(state);
}
BENCHMARK(BM_PlaneLerpWeighted);

// A tile under a soft dab of radius 40: mostly empty or full coverage.
void BM_PlaneLerpWeightedStrokeMask(benchmark::State& state) {
    auto x = RandomPlane(17);
    auto a0 = RandomPlane(18);
    auto p = RandomPlane(19);
    auto m = std::make_unique<ChannelBuffer16>(kSide, kSide);
    auto a1 = std::make_unique<ChannelBuffer16>(kSide, kSide);
    for (int r = 0; r < kSide; ++r) {
        for (int c = 0; c < kSide; ++c) {
            const int i = r * kSide + c;
            const double edge = (40.0 - std::hypot(c - 64.0, r - 64.0)) / 8.0;
            m->samples[i] = uint16_t(std::lround(std::clamp(edge, 0.0, 1.0) * 65535));
            a1->samples[i] = uint16_t(a0->samples[i] + ((65280 - a0->samples[i]) * int64_t(m->samples[i]) >> 16));
        }
    }
    for (auto _ : state) benchmark::DoNotOptimize(PlaneLerp(x.get(), a0.get(), p.get(), m.get(), a1.get()));
    Count(state);
}
BENCHMARK(BM_PlaneLerpWeightedStrokeMask);

}  // namespace
