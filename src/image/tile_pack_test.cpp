#include "image/tile_pack.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "image/channel_buffer.h"
#include "image/pixel_image.h"

namespace {

using ImagePtr = std::unique_ptr<PixelImage>;
// Sample (x, y) of plane c.
using Pattern = std::function<uint32_t(int c, int x, int y)>;

ImagePtr Make(int w, int h, int planes, int depth, const Pattern& pattern) {
    ImagePtr image(new PixelImage(w, h, planes, depth));
    for (int c = 0; c < planes; ++c)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) image->Channel(c).Set(x, y, pattern(c, x, y));
    return image;
}

bool Same(const PixelImage& a, const PixelImage& b) {
    if (a.width != b.width || a.height != b.height || a.channelCount != b.channelCount || a.depth != b.depth)
        return false;
    for (int c = 0; c < a.channelCount; ++c)
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x)
                if (a.Channel(c).Get(x, y) != b.Channel(c).Get(x, y)) return false;
    return true;
}

// What painting leaves: a gradient, a flat block, the soft edge of a dab,
// and the largest jumps a difference can make (0 beside 65535).
uint32_t Painted(int c, int x, int y) {
    if (c == 3) return x < 20 ? 0 : 65535;
    if (y < 40) return uint32_t(x * 500 + y * 37 + c * 1000) & 0xffff;
    if (y < 80) return 12345u * uint32_t(c + 1) & 0xffff;
    if (y < 100) return (x + y) % 2 ? 65535u : 0u;
    const int dx = x - 64, dy = y - 110;
    const int d2 = dx * dx + dy * dy;
    return d2 < 400 ? uint32_t(65535 - d2 * 150) : 0u;
}

TEST(TilePack, PaintedImagesComeBackSampleForSampleAndSmaller) {
    const struct {
        const char* name;
        int w, h, planes, depth;
    } cases[] = {
        {"tile", 128, 128, 4, 16},
        {"odd size", 37, 5, 4, 16},
        {"one plane", 128, 128, 1, 16},
        {"8-bit", 128, 128, 4, 8},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        const ImagePtr image = Make(k.w, k.h, k.planes, k.depth, [&](int c, int x, int y) {
            return k.depth == 8 ? Painted(c, x, y) >> 8 : Painted(c, x, y);
        });
        std::vector<uint8_t> packed;
        ASSERT_TRUE(PackImage(*image, packed));
        const ImagePtr back(UnpackImage(packed));
        ASSERT_NE(back, nullptr);
        EXPECT_TRUE(Same(*image, *back));
        if (k.w * k.h > 100) {
            EXPECT_LT(packed.size(), size_t(k.w * k.h * k.planes * k.depth / 8) / 4);
        }
    }
}

TEST(TilePack, WhatWouldNotShrinkIsNotPacked) {
    std::mt19937 rng(5);
    const ImagePtr noise = Make(128, 128, 4, 16, [&](int, int, int) { return rng() & 0xffff; });
    std::vector<uint8_t> packed{1, 2, 3};
    EXPECT_FALSE(PackImage(*noise, packed));
    EXPECT_EQ(packed, (std::vector<uint8_t>{1, 2, 3}));
    // Nor what cannot shrink for being tiny, nor the empty image.
    EXPECT_FALSE(PackImage(*Make(1, 1, 4, 16, Painted), packed));
    PixelImage empty;
    EXPECT_FALSE(PackImage(empty, packed));
}

TEST(TilePack, BytesThatAreNotAPackedImageGiveNone) {
    const ImagePtr image = Make(64, 64, 4, 16, Painted);
    std::vector<uint8_t> packed;
    ASSERT_TRUE(PackImage(*image, packed));
    std::vector<uint8_t> truncated(packed.begin(), packed.end() - 8);
    std::vector<uint8_t> corrupt = packed;
    corrupt[corrupt.size() / 2] ^= 0x55;
    std::vector<uint8_t> wrongSize = packed;
    wrongSize[0] = 63;  // the stream holds more samples than the header says
    for (const auto* bytes : {&truncated, &corrupt, &wrongSize}) EXPECT_EQ(UnpackImage(*bytes), nullptr);
    EXPECT_EQ(UnpackImage({}), nullptr);
}

}  // namespace
