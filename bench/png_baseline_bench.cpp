// Saving a 2048 x 2048 document as PNG next to libpng alone encoding the
// same picture at its default settings, one file per iteration. The gap is
// what the save adds around the encoder: compositing the tiles, turning the
// flat pixels into RGB rows and replacing the file safely. Both report the
// file size; equal sizes show that both compressed the same bytes the same way.

#include <benchmark/benchmark.h>
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "fileio/flat_image.h"
#include "fileio/png_file.h"
#include "image/color_profile.h"
#include "image/document.h"
#include "image/thread_scratch.h"

namespace {

constexpr int kSide = 2048;

// A painting rather than noise, which would leave the compressor nothing to
// find: smooth gradients, soft discs, flat areas and grain in some regions.
std::vector<uint32_t> Picture() {
    std::vector<uint32_t> flat(size_t(kSide) * kSide);
    uint32_t s = 0x9E3779B9u;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            s ^= s << 13;
            s ^= s >> 17;
            s ^= s << 5;
            int r = x * 255 / kSide, g = y * 255 / kSide, b = 128;
            const double d = std::hypot(double(x % 512) - 256.0, double(y % 512) - 256.0);
            if (d < 200.0) {
                const int t = int(255.0 * (1.0 - d / 200.0));
                b = (b * (255 - t) + 40 * t) / 255;
                r = (r * (255 - t) + 230 * t) / 255;
            }
            if ((x / 256 + y / 256) % 3 == 0) {
                const int grain = int(s >> 29) - 4;
                r += grain;
                g += grain;
                b += grain;
            }
            auto clamp = [](int v) { return uint32_t(v < 0 ? 0 : v > 255 ? 255 : v); };
            flat[size_t(y) * kSide + size_t(x)] = 0xFF000000u | clamp(r) << 16 | clamp(g) << 8 | clamp(b);
        }
    return flat;
}

struct Fixture {
    Document doc;
    std::vector<uint8_t> rgb;  // the picture as the document shows it, RGB rows
};

Fixture& Shared() {
    static Fixture* f = [] {
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
        InitThreadScratch(1, kTileSide);
        auto* fx = new Fixture();
        if (!LoadFlatImage(fx->doc, kSide, kSide, Picture())) return fx;
        std::vector<uint32_t> shown;
        if (!FlattenDocument(fx->doc, shown)) return fx;
        fx->rgb.resize(shown.size() * 3);
        for (size_t i = 0; i < shown.size(); ++i) {
            fx->rgb[i * 3 + 0] = uint8_t(shown[i] >> 16);
            fx->rgb[i * 3 + 1] = uint8_t(shown[i] >> 8);
            fx->rgb[i * 3 + 2] = uint8_t(shown[i]);
        }
        return fx;
    }();
    return *f;
}

std::string OutputPath(const char* name) {
    return "/tmp/orvella_bench_" + std::to_string(getpid()) + "_" + name + ".png";
}

long FileSize(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return -1;
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fclose(f);
    return size;
}

void Report(benchmark::State& state, const std::string& path) {
    state.counters["file_KiB"] = double(FileSize(path)) / 1024.0;
    state.counters["Mpx/s"] =
        benchmark::Counter(double(kSide) * kSide * double(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
    std::remove(path.c_str());
}

// libpng with nothing set beyond the header: default compression level,
// strategy and row filters.
bool EncodeWithLibpng(const char* path, const std::vector<uint8_t>& rgb) {
    std::vector<png_bytep> rows(kSide);
    for (int y = 0; y < kSide; ++y) rows[size_t(y)] = const_cast<png_bytep>(rgb.data() + size_t(y) * kSide * 3);
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, kSide, kSide, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

void BM_SaveImagePng(benchmark::State& state) {
    Fixture& fx = Shared();
    if (fx.rgb.empty()) return state.SkipWithError("could not build the document");
    const std::string path = OutputPath("save");
    for (auto _ : state)
        if (!SaveImage_PNG(fx.doc, path.c_str())) return state.SkipWithError("SaveImage_PNG failed");
    Report(state, path);
}
BENCHMARK(BM_SaveImagePng)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LibpngEncode(benchmark::State& state) {
    Fixture& fx = Shared();
    if (fx.rgb.empty()) return state.SkipWithError("could not build the document");
    const std::string path = OutputPath("libpng");
    for (auto _ : state)
        if (!EncodeWithLibpng(path.c_str(), fx.rgb)) return state.SkipWithError("libpng failed");
    Report(state, path);
}
BENCHMARK(BM_LibpngEncode)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
