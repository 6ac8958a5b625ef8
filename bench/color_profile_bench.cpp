// Converting a tile between display and working values. Compare its samples
// per second with BM_Memcpy of the same executable: the memory-bandwidth floor.
#include <benchmark/benchmark.h>

#include "image/channel_buffer.h"
#include "image/color_profile.h"
#include "image/pixel_image.h"

namespace {

constexpr int kSide = 128;
constexpr int kColourSamples = kSide * kSide * 3;

void FillRamp(PixelImage& image) {
    for (int c = 0; c < 4; ++c) {
        auto& plane = static_cast<ChannelBuffer16&>(image.Channel(c));
        for (int i = 0; i < kSide * kSide; ++i) plane.samples[i] = uint16_t(i * 7 + c * 1000);
    }
}

void BM_ConvertImageProfile(benchmark::State& state) {
    SelectProfile(*BuiltinProfile(int(state.range(0))));
    PixelImage image(kSide, kSide, 4, 16);
    FillRamp(image);
    bool forward = true;
    for (auto _ : state) {
        ConvertImageProfile(image, forward);
        forward = !forward;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kColourSamples);
    state.SetBytesProcessed(state.iterations() * kColourSamples * 2);
}
BENCHMARK(BM_ConvertImageProfile)->Arg(2)->Arg(5);


}  // namespace
