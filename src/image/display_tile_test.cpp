#include "image/display_tile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "image/animation.h"
#include "image/document_test_support.h"
#include "image/workers.h"

using namespace doctest;

namespace {

constexpr int kPixels = kTileSide * kTileSide;

// The dither generator and table lookup one pixel at a time.
std::vector<uint8_t> ReferenceDisplay(const PixelImage& image) {
    std::vector<uint8_t> out(size_t(kPixels) * 4);
    uint32_t g = 0xFC578168u;
    for (int i = 0; i < kPixels; ++i) {
        const uint32_t k = g & 31;
        for (int c = 0; c < 3; ++c) {
            const uint32_t d = Inv(c, Samples(image, c)[i]);
            out[size_t(4 * i + c)] = uint8_t(std::min<uint32_t>(255, (d >> 8) + DitherTable()[((d >> 5) & 7) * 32 + k]));
        }
        out[size_t(4 * i + 3)] = 255;
        g += 0x57238591u;
        g ^= g >> 20;
    }
    return out;
}

TEST(DitherTable, RowRRoundsUpInItsFirst4RColumns) {
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 32; ++c) EXPECT_EQ(DitherTable()[r * 32 + c], c < 4 * r ? 1 : 0) << r << "," << c;
}

class DisplayTileTest : public DocumentTest {};

TEST_F(DisplayTileTest, ADisplayValueOf0x1234RoundsUpInFourOf32Columns) {
    SelectProfile(*BuiltinProfile(0));  // "Linear RGB": display = working, cut to a multiple of 32
    PixelImage image(kTileSide, kTileSide, 4, 16);
    FillChannels(image, 0x1234, 0x1234, 0x1234, 0);
    ASSERT_EQ(Inv(0, 0x1234), 0x1220u);  // the same dither row: (0x1220 >> 5) & 7 = 1
    std::vector<uint8_t> rgba(size_t(kPixels) * 4, 0);
    ConvertTileToDisplay(image, rgba.data());
    uint32_t g = 0xFC578168u;
    int up = 0;
    for (int i = 0; i < kPixels; ++i) {
        const uint8_t expected = (g & 31) < 4 ? 0x13 : 0x12;
        ASSERT_EQ(rgba[size_t(4 * i)], expected) << i;
        ASSERT_EQ(rgba[size_t(4 * i + 1)], expected);
        ASSERT_EQ(rgba[size_t(4 * i + 2)], expected);
        ASSERT_EQ(rgba[size_t(4 * i + 3)], 255);
        up += expected == 0x13;
        g += 0x57238591u;
        g ^= g >> 20;
    }
    EXPECT_GT(up, 0);
    EXPECT_LT(up, kPixels / 4);
}

TEST_F(DisplayTileTest, ConversionMatchesTheReferenceInEveryProfile) {
    PixelImage image(kTileSide, kTileSide, 4, 16);
    RandomiseWithEdges(image, 12);
    std::vector<uint8_t> rgba(size_t(kPixels) * 4);
    for (int p = 0; p < kProfileCount; ++p) {
        SelectProfile(*BuiltinProfile(p));
        const std::vector<uint8_t> expected = ReferenceDisplay(image);
        ConvertTileToDisplay(image, rgba.data());
        ASSERT_EQ(rgba, expected) << BuiltinProfile(p)->name;
        for (const RowLoops* loops : RunnableRowLoops()) {
            std::fill(rgba.begin(), rgba.end(), 0);
            ConvertTileToDisplay(image, rgba.data(), *loops);
            ASSERT_EQ(rgba, expected) << BuiltinProfile(p)->name << ", " << loops->name;
        }
    }
}

TEST_F(DisplayTileTest, RenderTileRunsOnlyForDirtyStacksAndCleansThem) {
    ASSERT_TRUE(NewDocument(doc, 100, 100));
    ASSERT_TRUE(AddLayer(doc, 0));
    LayerTile& stack = *doc.stacks[0];
    RandomiseWithEdges(*stack.pixels, 4);
    ASSERT_TRUE(RenderTile(stack));
    EXPECT_TRUE(stack.uploadPending);
    EXPECT_FALSE(StackDirty(&stack));
    const std::vector<uint8_t> expected = ReferenceDisplay(*stack.pixels);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), stack.texturePixels));

    stack.uploadPending = false;
    stack.texturePixels[0] = 42;
    EXPECT_FALSE(RenderTile(stack));
    EXPECT_FALSE(stack.uploadPending);
    EXPECT_EQ(stack.texturePixels[0], 42);

    stack.next->dirty = true;  // a change in an upper layer redraws the stack
    EXPECT_TRUE(RenderTile(stack));
    EXPECT_EQ(stack.texturePixels[0], expected[0]);
    EXPECT_FALSE(stack.next->dirty);
}

// A bottom layer whose current frame is empty, with nothing above it, holds
// transparent black there; the tile must show that, not the frame before.
TEST_F(DisplayTileTest, AnEmptyAnimationFrameOfTheOnlyLayerShowsTransparentBlack) {
    ASSERT_TRUE(NewDocument(doc, 100, 100));
    LayerTile& stack = *doc.stacks[0];
    FillChannels(*stack.pixels, 60000, 30000, 9000, 65535);
    EnterAnimation(doc);
    ASSERT_TRUE(ToggleLayerAnimated(doc, 0));
    RenderDirtyTiles(doc);
    const std::vector<uint8_t> firstFrame = ReferenceDisplay(*stack.pixels);
    ASSERT_TRUE(std::equal(firstFrame.begin(), firstFrame.end(), stack.texturePixels));

    ASSERT_TRUE(AddFrame(doc));  // a new empty frame becomes the current one
    ASSERT_TRUE(stack.pixels->IsEmpty());
    stack.uploadPending = false;
    RenderDirtyTiles(doc);
    PixelImage transparentBlack(kTileSide, kTileSide, 4, 16);
    FillChannels(transparentBlack, 0, 0, 0, 0);
    const std::vector<uint8_t> expected = ReferenceDisplay(transparentBlack);
    EXPECT_TRUE(stack.uploadPending);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), stack.texturePixels));

    SetFrame(doc, 0);  // and back to the painted frame
    RenderDirtyTiles(doc);
    EXPECT_TRUE(std::equal(firstFrame.begin(), firstFrame.end(), stack.texturePixels));
}

}  // namespace
