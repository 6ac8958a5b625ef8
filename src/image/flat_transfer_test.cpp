#include "image/flat_transfer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "image/color_record.h"
#include "image/document_test_support.h"

using namespace doctest;

namespace {

class FlatTransferTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        SelectProfile(*BuiltinProfile(5));  // "Freeze": the channels differ
        image = std::make_unique<PixelImage>(kTileSide, kTileSide, 4, 16);
        RandomiseWithEdges(*image, 17);
    }
    uint32_t Packed(int u, int v) {
        ColorRecord c;
        image->GetPixel(u, v, &c);
        ToDisplay(c);
        return uint32_t(c.value[3]) << 24 | uint32_t(c.value[0]) << 16 | uint32_t(c.value[1]) << 8 | uint32_t(c.value[2]);
    }
    std::unique_ptr<PixelImage> image;
};

TEST_F(FlatTransferTest, ExportWritesOnlyTheOverlapInDisplayForm) {
    std::vector<uint32_t> buffer(9, 0xDEADBEEF);
    ASSERT_TRUE(ExportFlat(*image, buffer.data(), -1, -1, 3, 3, -1));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x) EXPECT_EQ(buffer[size_t(y * 3 + x)], Packed(x + 1, y + 1)) << x << "," << y;

    std::vector<uint32_t> wide(200 * 2, 0xDEADBEEF);
    ASSERT_TRUE(ExportFlat(*image, wide.data(), 100, -127, 200, 2, -1));
    EXPECT_EQ(wide[0], 0xDEADBEEFu);
    EXPECT_EQ(wide[100], Packed(0, 127));
    EXPECT_EQ(wide[199], Packed(99, 127));
    EXPECT_EQ(wide[200 + 150], 0xDEADBEEFu);
}

TEST_F(FlatTransferTest, ImportFillsTheTileUpToTheImagesLastRowAndColumn) {
    std::vector<uint32_t> flat(100 * 100);
    for (size_t i = 0; i < flat.size(); ++i) flat[i] = uint32_t(i * 2654435761u) | 0x80000000u;
    const uint16_t outside = At(*image, 0, 0, 0);
    ASSERT_TRUE(ImportFlat(*image, flat.data(), -1, -1, 100, 100, -1));
    for (int v : {1, 50, 100}) {
        for (int u : {1, 37, 100}) {
            const uint32_t p = flat[size_t((v - 1) * 100 + (u - 1))];
            ColorRecord c = DisplayColor(int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF), int(p >> 24));
            FromDisplay(c);
            for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(At(*image, ch, u, v), uint16_t(c.value[ch])) << u << "," << v;
        }
    }
    EXPECT_EQ(At(*image, 0, 0, 0), outside);
}

TEST_F(FlatTransferTest, AChannelTransferCopiesRawSamples) {
    std::vector<uint16_t> plane(128 * 128);
    ASSERT_TRUE(ExportFlat(*image, plane.data(), 0, 0, 128, 128, 2));
    for (int i = 0; i < 128 * 128; i += 97) EXPECT_EQ(plane[size_t(i)], Samples(*image, 2)[i]);
    for (auto& s : plane) s = uint16_t(s ^ 0x5555);
    ASSERT_TRUE(ImportFlat(*image, plane.data(), 0, 0, 128, 128, 3));
    for (int i = 0; i < 128 * 128; i += 97) EXPECT_EQ(Samples(*image, 3)[i], uint16_t(Samples(*image, 2)[i] ^ 0x5555));
}

TEST_F(FlatTransferTest, RefusesMissingChannelsAndEmptyImages) {
    std::vector<uint32_t> buffer(4);
    EXPECT_FALSE(ExportFlat(*image, buffer.data(), 0, 0, 2, 2, 4));
    EXPECT_FALSE(ImportFlat(*image, buffer.data(), 0, 0, 2, 2, -2));
    PixelImage none;
    EXPECT_FALSE(ExportFlat(none, buffer.data(), 0, 0, 2, 2, -1));
    PixelImage mask(8, 8, 1, 16);
    EXPECT_FALSE(ImportFlat(mask, buffer.data(), 0, 0, 2, 2, -1));
}

}  // namespace
