#include "image/blend_modes.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "image/blend_reference.h"
#include "image/row_loops.h"

namespace {

constexpr int kModes = 5;

TEST(BlendModes, StatedValues) {
    // Full alpha at opacity 255 is coverage 65534, so Normal stops short of t.
    EXPECT_EQ(blend::Coverage(65535, 255 * 257), 65534);
    EXPECT_EQ(blend::Coverage(1000, 255 * 257), 999);
    for (uint32_t b : {0u, 1u, 1000u, 40000u, 65534u, 65535u}) {
        for (uint32_t t : {0u, 1u, 30000u, 65535u}) {
            const int64_t expected = int64_t(b) + blendref::FloorDiv((int64_t(t) - b) * 65534, 65536);
            EXPECT_EQ(blend::Normal(uint16_t(b), uint16_t(t), 65534), expected) << b << " " << t;
        }
        // An opaque white top multiplies to b - 1; a black top screens to b + 1.
        EXPECT_EQ(blend::Multiply(uint16_t(b), 65535, 65534), b > 0 ? b - 1 : 0);
        EXPECT_EQ(blend::Screen(uint16_t(b), 0, 65534), b < 65535 ? b + 1 : 65535);
    }
    EXPECT_EQ(blend::Normal(65535, 0, 65534), 1);
    EXPECT_EQ(blend::Normal(0, 65535, 65534), 65533);
    EXPECT_EQ(blend::Normal(500, 9000, 0), 500);
}

// Every build of the row loops this processor runs, and the dispatch.
struct BlendLoops {
    const char* name;
    decltype(RowLoops::blendPlane) plane;
    decltype(RowLoops::blendColourPlanes) colourPlanes;
};

std::vector<BlendLoops> LoopsToTest() {
    std::vector<BlendLoops> all{{"dispatched", &blend::BlendPlane, &blend::BlendColourPlanes}};
    for (const RowLoops* loops : RunnableRowLoops())
        all.push_back({loops->name, loops->blendPlane, loops->blendColourPlanes});
    return all;
}

// Every mode's row loop against the scalar formulas over random samples with
// the extremes mixed in, for every opacity.
TEST(BlendModes, RowLoopsMatchTheScalarFormulas) {
    const size_t n = 4099;  // not a multiple of any vector width
    std::mt19937 rng(42);
    const uint16_t edges[] = {0, 1, 2, 255, 256, 32767, 32768, 65279, 65280, 65534, 65535};
    auto fill = [&](std::vector<uint16_t>& v) {
        for (auto& s : v) s = rng() % 3 == 0 ? edges[rng() % 11] : uint16_t(rng());
    };
    std::vector<uint16_t> below(n), top(n), alpha(n), out(n);
    for (const BlendLoops& loops : LoopsToTest()) {
        SCOPED_TRACE(loops.name);
        for (int mode = 0; mode < kModes; ++mode) {
            for (int opacity : {0, 1, 77, 128, 254, 255}) {
                fill(below);
                fill(top);
                fill(alpha);
                loops.plane(mode, out.data(), below.data(), top.data(), alpha.data(), uint16_t(opacity * 257), n);
                for (size_t i = 0; i < n; ++i) {
                    const int64_t m = blendref::Coverage(alpha[i], opacity);
                    ASSERT_EQ(out[i], blendref::Mode(mode, below[i], top[i], m))
                        << "mode " << mode << " opacity " << opacity << " b " << below[i] << " t " << top[i]
                        << " a " << alpha[i];
                    if (mode == 3) {
                        ASSERT_LE(out[i], below[i]);
                    }
                    if (mode == 4) {
                        ASSERT_GE(out[i], below[i]);
                    }
                }
            }
        }
    }
}

TEST(BlendModes, RowLoopsMayWriteOverTheirInputs) {
    const size_t n = 1000;
    std::mt19937 rng(7);
    std::vector<uint16_t> below(n), top(n), alpha(n);
    for (size_t i = 0; i < n; ++i) below[i] = uint16_t(rng()), top[i] = uint16_t(rng()), alpha[i] = uint16_t(rng());
    for (const BlendLoops& loops : LoopsToTest()) {
        for (int mode = 0; mode < kModes; ++mode) {
            std::vector<uint16_t> expected(n), inTop = top, inBelow = below;
            loops.plane(mode, expected.data(), below.data(), top.data(), alpha.data(), 200 * 257, n);
            loops.plane(mode, inTop.data(), below.data(), inTop.data(), alpha.data(), 200 * 257, n);
            loops.plane(mode, inBelow.data(), inBelow.data(), top.data(), alpha.data(), 200 * 257, n);
            EXPECT_EQ(inTop, expected) << loops.name << " mode " << mode;
            EXPECT_EQ(inBelow, expected) << loops.name << " mode " << mode;
        }
    }
}

// The three-plane loop against the scalar formulas, over lengths around its
// block size, with the output written over below or over top.
TEST(BlendModes, ColourPlanesAtOnceMatchTheScalarFormulas) {
    std::mt19937 rng(99);
    const uint16_t edges[] = {0, 1, 255, 256, 32768, 65280, 65534, 65535};
    for (const BlendLoops& loops : LoopsToTest()) {
        SCOPED_TRACE(loops.name);
        for (size_t n : {size_t(1), size_t(37), blend::kCoverageBlock, blend::kCoverageBlock + 9, size_t(128 * 128)}) {
            for (int mode = 0; mode < kModes; ++mode) {
                for (int where = 0; where < 3; ++where) {  // separate output, over below, over top
                    const int opacity = int(rng() % 256);
                    std::vector<uint16_t> planes[9], alpha(n);
                    for (auto& v : planes) v.resize(n);
                    for (auto* v : {&planes[0], &planes[1], &planes[2], &planes[3], &planes[4], &planes[5], &alpha})
                        for (auto& x : *v) x = rng() % 4 == 0 ? edges[rng() % 8] : uint16_t(rng());
                    const std::vector<uint16_t> below[3] = {planes[0], planes[1], planes[2]};
                    const std::vector<uint16_t> top[3] = {planes[3], planes[4], planes[5]};
                    uint16_t* o[3];
                    const uint16_t* b[3];
                    const uint16_t* t[3];
                    for (int c = 0; c < 3; ++c) {
                        b[c] = planes[c].data();
                        t[c] = planes[3 + c].data();
                        o[c] = where == 0 ? planes[6 + c].data() : where == 1 ? planes[c].data() : planes[3 + c].data();
                    }
                    loops.colourPlanes(mode, o, b, t, alpha.data(), uint16_t(opacity * 257), n);
                    for (int c = 0; c < 3; ++c)
                        for (size_t i = 0; i < n; ++i)
                            ASSERT_EQ(o[c][i], blendref::Mode(mode, below[c][i], top[c][i],
                                                              blendref::Coverage(alpha[i], opacity)))
                                << "n " << n << " mode " << mode << " output " << where << " plane " << c
                                << " at " << i;
                }
            }
        }
    }
}

TEST(BlendModes, AnUnknownModeWritesNothing) {
    std::vector<uint16_t> below(8, 100), top(8, 200), alpha(8, 65535), out(8, 7);
    for (const BlendLoops& loops : LoopsToTest()) {
        loops.plane(5, out.data(), below.data(), top.data(), alpha.data(), 65535, 8);
        loops.plane(-1, out.data(), below.data(), top.data(), alpha.data(), 65535, 8);
        EXPECT_EQ(out, std::vector<uint16_t>(8, 7)) << loops.name;
    }
}

}  // namespace
