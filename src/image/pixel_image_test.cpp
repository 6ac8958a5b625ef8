#include "image/pixel_image.h"

#include <gtest/gtest.h>

#include <memory>

#include "image/color_profile.h"
#include "image/color_record.h"

namespace {

using ImagePtr = std::unique_ptr<PixelImage>;

TEST(PixelImage, TheEmptyImageHasNoPixels) {
    PixelImage empty;
    EXPECT_TRUE(empty.IsEmpty());
    ColorRecord c = DisplayColor(1, 2, 3, 4);
    EXPECT_FALSE(empty.GetPixel(0, 0, &c));
    EXPECT_FALSE(empty.SetPixel(0, 0, &c, true));
    empty.Fill(c);
    PixelImage other;
    EXPECT_TRUE(empty.CopyFrom(other));
    EXPECT_FALSE(empty.MixFrom(other, 0, 0, 0));
    ImagePtr clone(CloneImage(empty));
    EXPECT_TRUE(clone->IsEmpty());
}

TEST(PixelImage, PixelsOutsideTheImageAreRefused) {
    PixelImage image(4, 3, 4, 16);
    ColorRecord c = DisplayColor(1, 2, 3, 4);
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {4, 0}, {0, 3}}) {
        EXPECT_FALSE(image.GetPixel(x, y, &c));
        EXPECT_FALSE(image.SetPixel(x, y, &c, true));
    }
    EXPECT_TRUE(image.GetPixel(3, 2, nullptr));
    EXPECT_FALSE(image.SetPixel(3, 2, nullptr, true));
}

TEST(PixelImage, SetPixelLeavesAlphaAloneUnlessAsked) {
    PixelImage image(2, 2, 4, 16);
    image.Fill(DisplayColor(0, 0, 0, 7));
    const ColorRecord c = DisplayColor(100, 200, 300, 400);
    ASSERT_TRUE(image.SetPixel(1, 0, &c, false));
    ColorRecord got;
    ASSERT_TRUE(image.GetPixel(1, 0, &got));
    EXPECT_EQ(got, DisplayColor(100, 200, 300, 7));
    EXPECT_EQ(got.mirrorB, 300);
    EXPECT_EQ(got.mirrorA, 7);

    ASSERT_TRUE(image.SetPixel(1, 0, &c, true));
    image.GetPixel(1, 0, &got);
    EXPECT_EQ(got, c);
}

TEST(PixelImage, SetSizeClampsToTheAllocationAndKeepsSamplesInPlace) {
    PixelImage image(256, 256, 1, 16);
    image.Channel(0).Fill(0);
    image.Channel(0).Set(10, 1, 77);  // sample 266
    image.SetSize(300, 10);
    EXPECT_EQ(image.width, 256);
    EXPECT_EQ(image.height, 10);
    image.SetSize(100, -5);
    EXPECT_EQ(image.width, 100);
    EXPECT_EQ(image.height, 0);
    EXPECT_EQ(image.Channel(0).width, 100);
    image.SetSize(100, 100);
    EXPECT_EQ(image.Channel(0).Get(66, 2), 77u);  // the same sample under the new stride
    image.Channel(0).Fill(5);                     // touches only the first 100 x 100 samples
    image.SetSize(256, 256);
    EXPECT_EQ(image.Channel(0).Get(99, 0), 5u);
    EXPECT_EQ(image.Channel(0).Get(100, 0), 5u);      // row 0 continues into the old stride's next samples
    EXPECT_EQ(image.Channel(0).Get(0, 255), 0u);      // untouched
}

struct Shape {
    int w, h, channels, depth;
};

class CopyShapes : public ::testing::TestWithParam<Shape> {};

// Copying between images of different shapes would leave an image describing
// planes it does not have; it is refused and the target keeps everything.
TEST_P(CopyShapes, MismatchedShapesAreRefusedUnchanged) {
    const Shape s = GetParam();
    PixelImage target(4, 4, 4, 16);
    target.Fill(DisplayColor(1, 2, 3, 4));
    PixelImage source(s.w, s.h, s.channels, s.depth);
    for (int i = 0; i < source.channelCount; ++i) source.Channel(i).Fill(99);

    EXPECT_FALSE(target.CopyFrom(source));
    EXPECT_EQ(target.width, 4);
    EXPECT_EQ(target.height, 4);
    EXPECT_EQ(target.capacityWidth, 4);
    EXPECT_EQ(target.channelCount, 4);
    EXPECT_EQ(target.depth, 16);
    ColorRecord c;
    target.GetPixel(3, 3, &c);
    EXPECT_EQ(c, DisplayColor(1, 2, 3, 4));
}

INSTANTIATE_TEST_SUITE_P(Shapes, CopyShapes,
                         ::testing::Values(Shape{8, 4, 4, 16}, Shape{4, 2, 4, 16}, Shape{4, 4, 1, 16}, Shape{4, 4, 4, 8},
                                           Shape{0, 0, 0, 0}));

TEST(PixelImage, CopyAndCloneGiveIndependentEqualImages) {
    for (int depth : {8, 16}) {
        PixelImage source(3, 3, 4, depth);
        for (int i = 0; i < 4; ++i)
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 3; ++x) source.Channel(i).Set(x, y, uint32_t(i * 50 + y * 3 + x));
        ImagePtr clone(CloneImage(source));
        ASSERT_EQ(clone->depth, depth);
        ASSERT_EQ(clone->channelCount, 4);
        PixelImage copy(3, 3, 4, depth);
        ASSERT_TRUE(copy.CopyFrom(source));
        source.Fill(DisplayColor(0, 0, 0, 0));
        for (int i = 0; i < 4; ++i)
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 3; ++x) {
                    EXPECT_EQ(clone->Channel(i).Get(x, y), uint32_t(i * 50 + y * 3 + x));
                    EXPECT_EQ(copy.Channel(i).Get(x, y), uint32_t(i * 50 + y * 3 + x));
                }
    }
}

TEST(PixelImage, MixFromNeedsEqualChannelCountsAndProcessesEveryPlane) {
    PixelImage dst(4, 4, 4, 16), mask(2, 2, 1, 16), src(2, 2, 4, 16);
    dst.Fill(DisplayColor(0, 0, 0, 0));
    EXPECT_FALSE(dst.MixFrom(mask, 0, 0, 65535));
    src.Fill(DisplayColor(65535, 65535, 65535, 65535));
    EXPECT_FALSE(dst.MixFrom(src, 4, 0, 1000));
    EXPECT_TRUE(dst.MixFrom(src, 3, 3, 1000));
    ColorRecord c;
    dst.GetPixel(3, 3, &c);
    EXPECT_EQ(c, DisplayColor(1000, 1000, 1000, 1000));
    dst.GetPixel(2, 2, &c);
    EXPECT_EQ(c, DisplayColor(0, 0, 0, 0));
}

TEST(CreateCleared, MasksStartClearAndColourImagesStartOpaqueWhite) {
    SelectProfile(*BuiltinProfile(0));
    ImagePtr mask(CreateCleared(3, 3, 1, 16));
    EXPECT_EQ(mask->Channel(0).Get(2, 2), 0u);

    ImagePtr linear(CreateCleared(3, 3, 4, 16));
    ColorRecord c;
    linear->GetPixel(1, 1, &c);
    EXPECT_EQ(c, DisplayColor(65280, 65280, 65280, 65280));

    SelectProfile(*BuiltinProfile(5));  // "Freeze": white's working value differs per channel
    ImagePtr freeze(CreateCleared(3, 3, 4, 16));
    freeze->GetPixel(0, 0, &c);
    EXPECT_EQ(c, OpaqueWhiteWorking());
    EXPECT_EQ(c.value[3], 65280);
    EXPECT_EQ(uint32_t(c.value[2]), Fwd(2, 65280));

    ImagePtr narrow(CreateCleared(2, 2, 4, 8));
    narrow->GetPixel(1, 1, &c);
    EXPECT_EQ(c.value[3], 255);
    EXPECT_EQ(c.value[2], int32_t(Fwd(2, 65280) >> 8));

    SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
}

}  // namespace
