#include "filters/blur.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

#include "filters/filter_sliders.h"
#include "filters/filter_test_support.h"

namespace filtertest {
namespace {

using Pixel = std::array<uint16_t, 4>;  // R, G, B, A

TEST(BlurSlider, RadiusOverTheSlider) {
    struct Case {
        int p, radius;
    } cases[] = {{-3, 1}, {0, 1}, {kBlurSliderStart, 18}, {190, 129}, {380, 512}, {500, 512}};
    for (const Case& k : cases) EXPECT_EQ(BlurRadiusForSlider(k.p), k.radius) << k.p;
}

TEST(BlurKernel, StatedScalesAndFallingWeights) {
    struct Case {
        int radius, scale;
    } cases[] = {{1, 186}, {18, 47}, {512, 2}, {0, 186}, {9999, 2}};
    for (const Case& k : cases) {
        EXPECT_EQ(BlurKernelScale(k.radius), k.scale) << k.radius;
        int32_t weights[kBlurWeightCount];
        BuildBlurWeights(k.radius, weights);
        EXPECT_EQ(weights[0], k.scale);
        EXPECT_EQ(weights[255], std::lround(std::pow(1.0 / 256.0, 0.15) * k.scale));
        for (int i = 1; i < kBlurWeightCount; ++i) ASSERT_LE(weights[i], weights[i - 1]) << i;
    }
}

// The line arithmetic multiplies a weight by a jump in 32 bits; this is the
// bound that keeps that product from overflowing.
TEST(BlurKernel, WeightTimesJumpFitsIn32Bits) {
    for (int radius = kBlurMinRadius; radius <= kBlurMaxRadius; ++radius) {
        int32_t weights[kBlurWeightCount];
        BuildBlurWeights(radius, weights);
        for (int i = 0; i < kBlurWeightCount; ++i)
            ASSERT_LE(int64_t(weights[i]) * ((int64_t(i) + 1) * 65536 - 1), std::numeric_limits<int32_t>::max())
                << "radius " << radius << " weight " << i;
    }
}

std::vector<Pixel> Blurred(std::vector<Pixel> line, int radius) {
    int32_t weights[kBlurWeightCount];
    BuildBlurWeights(radius, weights);
    BlurLine(line[0].data(), 4, int(line.size()), weights);
    return line;
}

// Worked out by hand (the first) and with a separate transcription of the
// arithmetic (the second); both need truncation toward zero and the colour
// restart at the first pixel.
TEST(BlurLine, KnownLines) {
    EXPECT_EQ(Blurred({{0, 0, 0, 65535}, {65535, 0, 0, 65535}}, 1),
              (std::vector<Pixel>{{6479, 0, 0, 65535}, {20479, 0, 0, 65535}}));
    EXPECT_EQ(Blurred({{0, 1000, 65535, 65535}, {65535, 0, 0, 32768}, {200, 300, 400, 65535}}, 18),
              (std::vector<Pixel>{{1808, 851, 58540, 61789}, {2205, 818, 57049, 60947}, {2135, 800, 55886, 61125}}));
}

TEST(BlurLine, ConstantLineIsUnchanged) {
    const Pixel pixels[] = {{0, 0, 0, 0}, {65535, 65535, 65535, 65535}, {1234, 40000, 65535, 1}, {300, 20000, 9, 32768}};
    for (const Pixel& p : pixels)
        for (int radius : {1, 18, 512}) {
            const std::vector<Pixel> line(37, p);
            EXPECT_EQ(Blurred(line, radius), line) << "radius " << radius << " alpha " << p[3];
        }
}

// Only alpha is smoothed where everything is transparent; colour passes
// through, and restarts from the sample right after the transparent stretch.
TEST(BlurLine, ColourPassesThroughTransparentPixels) {
    std::vector<Pixel> line;
    for (int i = 0; i < 40; ++i) line.push_back({uint16_t(i * 1500), uint16_t(65535 - i * 1000), uint16_t(i * i), 0});
    const std::vector<Pixel> out = Blurred(line, 512);
    EXPECT_EQ(out, line);
}

// The blur exactly as described, plane by plane: gather the layer in tile
// order (where tiles overlap, the later one with pixels wins), then every row
// and every column forwards into intermediate planes and backwards out of
// them, one line at a time.
class ReferenceBlur {
public:
    ReferenceBlur(const Document& doc, int layer, int radius) : w_(doc.width), h_(doc.height) {
        BuildBlurWeights(radius, weights_);
        for (auto& p : work_) p.assign(size_t(w_) * size_t(h_), 0);
        for (auto& p : inter_) p.assign(size_t(w_) * size_t(h_), 0);
        for (LayerTile* stack : doc.stacks) {
            const LayerTile* tile = LayerTileAt(stack, layer);
            if (tile->empty) continue;
            for (int v = 0; v < kTileSide; ++v)
                for (int u = 0; u < kTileSide; ++u) {
                    const int x = tile->x0 + u, y = tile->y0 + v;
                    if (x < 0 || y < 0 || x >= w_ || y >= h_) continue;
                    for (int c = 0; c < 4; ++c) work_[c][Index(x, y)] = uint16_t(tile->pixels->Channel(c).Get(u, v));
                }
        }
        for (int y = 0; y < h_; ++y) Line(Index(0, y), 1, w_);
        for (int x = 0; x < w_; ++x) Line(Index(x, 0), size_t(w_), h_);
    }
    uint16_t At(int c, int x, int y) const { return work_[c][Index(x, y)]; }

private:
    struct State {
        int32_t a, x[3], h;
    };
    size_t Index(int x, int y) const { return size_t(y) * size_t(w_) + size_t(x); }
    int32_t T(int32_t d) const { return weights_[std::abs(d) >> 16]; }

    void Step(State& s, const std::vector<uint16_t>* in, std::vector<uint16_t>* out, size_t i) const {
        const int32_t A = in[3][i] * 256;
        int32_t d = A - s.a;
        s.a = s.a + (T(d) * d) / 256;
        out[3][i] = uint16_t(s.a >> 8);
        const int32_t w = A >> 16;
        for (int c = 0; c < 3; ++c) {
            const int32_t S = in[c][i] * 256;
            if (s.h < 2) {
                s.x[c] = S;
            } else {
                d = S - s.x[c];
                s.x[c] = s.x[c] + (((T(d) * w) / 256) * d) / 256;
            }
            out[c][i] = uint16_t(s.x[c] >> 8);
        }
        s.h = s.a >> 16;
    }

    void Line(size_t first, size_t stride, int n) {
        State s{work_[3][first] * 256, {work_[0][first] * 256, work_[1][first] * 256, work_[2][first] * 256}, 0};
        for (int k = 0; k < n; ++k) Step(s, work_, inter_, first + size_t(k) * stride);
        for (int k = n - 1; k >= 0; --k) Step(s, inter_, work_, first + size_t(k) * stride);
    }

    int w_, h_;
    int32_t weights_[kBlurWeightCount];
    std::vector<uint16_t> work_[4], inter_[4];
};

// Left alone by the blur: the tiles' pixels outside the document.
bool OutsideDocument(const Document& doc, const LayerTile& tile, int u, int v) {
    const int x = tile.x0 + u, y = tile.y0 + v;
    return x < 0 || y < 0 || x >= doc.width || y >= doc.height;
}

class BlurLayerTest : public FilterTest {
protected:
    void SetUp() override {
        FilterTest::SetUp();
        // Tile 0: a transparent band with colour in it; tile 2: an opaque
        // gradient, so the weights for small jumps come into play too.
        PixelImage& first = *Tile(0).pixels;
        for (int v = 20; v < 60; ++v)
            for (int u = 0; u < kTileSide; ++u) first.Channel(3).Set(u, v, 0);
        PixelImage& third = *Tile(2).pixels;
        for (int v = 0; v < kTileSide; ++v)
            for (int u = 0; u < kTileSide; ++u) {
                for (int c = 0; c < 3; ++c) third.Channel(c).Set(u, v, uint32_t(u * 300 + v * (c + 1) * 100));
                third.Channel(3).Set(u, v, 65535);
            }
    }
    void TearDown() override {
        SetBlurAllocationCheck(nullptr);
        FilterTest::TearDown();
    }
};

using BlurLayerCase = std::tuple<int, int>;  // radius, threads
class BlurLayerReference : public BlurLayerTest, public ::testing::WithParamInterface<BlurLayerCase> {};

TEST_P(BlurLayerReference, MatchesThePlainBlur) {
    const auto [radius, threads] = GetParam();
    const ReferenceBlur reference(doc, kLayer, radius);
    const LayerSnapshot before = Snapshot(doc, kLayer);
    LayerTile fresh;
    fresh.pixels = new PixelImage();
    EnsurePixels(fresh);

    ASSERT_TRUE(BlurLayer(doc, kLayer, radius, threads));
    ExpectLayerFiltered();
    for (size_t t = 0; t < doc.stacks.size(); ++t) {
        const LayerTile& tile = Tile(t);
        ASSERT_FALSE(tile.empty) << "tile " << t;
        EXPECT_TRUE(tile.dirty) << "tile " << t;
        EXPECT_FALSE(TileOf(doc, 0, t).dirty) << "canvas tile " << t;
        const PixelImage& outside = before.images[t] ? *before.images[t] : *fresh.pixels;
        for (int c = 0; c < 4; ++c)
            for (int v = 0; v < kTileSide; ++v)
                for (int u = 0; u < kTileSide; ++u) {
                    const uint16_t expected = OutsideDocument(doc, tile, u, v)
                                                  ? At(outside, c, u, v)
                                                  : reference.At(c, tile.x0 + u, tile.y0 + v);
                    ASSERT_EQ(At(*tile.pixels, c, u, v), expected)
                        << "tile " << t << " channel " << c << " at " << u << ", " << v;
                }
    }
}

INSTANTIATE_TEST_SUITE_P(Blur, BlurLayerReference,
                         ::testing::Combine(::testing::Values(1, 18, 512), ::testing::Values(1, 3)));

using BlurLayerThreads = doctest::DocumentTest;

// A document large enough for many line groups per thread, with sides that
// are no multiple of anything the blur splits by.
TEST_F(BlurLayerThreads, ThreadedMatchesSingleThreaded) {
    ASSERT_TRUE(NewDocument(doc, 1001, 517));
    ASSERT_TRUE(AddLayer(doc, 0));
    doctest::PaintLayer(doc, 1, 99);
    MakeEmpty(doc, 1, 5);
    const LayerSnapshot before = Snapshot(doc, 1);
    ASSERT_TRUE(BlurLayer(doc, 1, 40, 1));
    const LayerSnapshot single = Snapshot(doc, 1);
    for (int threads : {2, 5, 0}) {
        for (size_t t = 0; t < doc.stacks.size(); ++t) {
            if (before.images[t])
                TileOf(doc, 1, t).pixels->CopyFrom(*before.images[t]);
            else
                MakeEmpty(doc, 1, t);
        }
        ASSERT_TRUE(BlurLayer(doc, 1, 40, threads));
        EXPECT_TRUE(SameAsSnapshot(doc, 1, single)) << threads << " threads";
    }
}

int allocationsAllowed = 0;
int allocationsAsked = 0;
bool CountedAllocation(size_t) { return allocationsAsked++ < allocationsAllowed; }

using BlurLayerMemory = BlurLayerTest;

// Whichever allocation fails, nothing has changed yet: the same pixels, the
// same images (no tile has been given pixels), no flags.
TEST_F(BlurLayerMemory, FailedAllocationChangesNothing) {
    const LayerSnapshot before = Snapshot(doc, kLayer);
    SetBlurAllocationCheck(CountedAllocation);
    int failures = 0;
    for (allocationsAllowed = 0; allocationsAllowed < 100; ++allocationsAllowed) {
        allocationsAsked = 0;
        if (BlurLayer(doc, kLayer, 18, 2)) break;
        ++failures;
        ASSERT_TRUE(SameAsSnapshot(doc, kLayer, before)) << "failing allocation " << allocationsAllowed;
        for (size_t t = 0; t < doc.stacks.size(); ++t) ASSERT_EQ(Tile(t).pixels, before.pointers[t]);
        ExpectNothingMarked();
    }
    // At least the document-sized planes and the pixels of the two empty tiles.
    EXPECT_GE(failures, 3);
    EXPECT_FALSE(SameAsSnapshot(doc, kLayer, before));
    ExpectLayerFiltered();
}

TEST_F(BlurLayerMemory, RefusesAnUnknownLayer) {
    EXPECT_FALSE(BlurLayer(doc, 2, 18));
    EXPECT_FALSE(BlurLayer(doc, -1, 18));
    ExpectNothingMarked();
}

}  // namespace
}  // namespace filtertest
