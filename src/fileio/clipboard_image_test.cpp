#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "fileio/clipboard_image.h"
#include "fileio/fileio_test_support.h"
#include "fileio/test_images.h"
#include "image/animation.h"
#include "image/document_test_support.h"

namespace {

using namespace fileiotest;
using samples::DibPicture;

const std::vector<uint32_t> k3x2 = {0x010203, 0x040506, 0x070809,   // top row
                                     0xA0B0C0, 0xD0E0F0, 0xFFFFFF};  // bottom row

std::vector<uint32_t> Opaque(const std::vector<uint32_t>& rgb) {
    std::vector<uint32_t> out;
    for (uint32_t p : rgb) out.push_back(0xFF000000u | p);
    return out;
}

TEST(ClipboardImageDecode, AcceptedLayoutsGiveTheTopRowFirst) {
    DibPicture bottomUp32{3, 2, 32, 0, 40, {}, k3x2};
    DibPicture padded24{3, 2, 24, 0, 40, {}, k3x2};  // 9 bytes a row, padded to 12
    DibPicture bitfields{3, 2, 32, 3, 40, {0x00FF0000, 0x0000FF00, 0x000000FF}, k3x2};
    DibPicture v5Bitfields = bitfields;  // masks inside the header
    v5Bitfields.headerBytes = 124;
    DibPicture topDown{3, -2, 32, 0, 40, {}, k3x2};
    DibPicture topDown24{3, -2, 24, 0, 40, {}, k3x2};
    const struct {
        const char* name;
        DibPicture picture;
    } cases[] = {{"32-bit", bottomUp32}, {"24-bit padded", padded24}, {"bit fields", bitfields},
                 {"bit fields in a v5 header", v5Bitfields}, {"top-down", topDown}, {"top-down 24-bit", topDown24}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> bytes = samples::EncodeDib(c.picture);
        int w = 0, h = 0;
        std::vector<uint32_t> flat;
        ASSERT_TRUE(DecodeDib(bytes.data(), bytes.size(), w, h, flat));
        EXPECT_EQ(w, 3);
        EXPECT_EQ(h, 2);
        EXPECT_EQ(flat, Opaque(k3x2));
    }
}

TEST(ClipboardImageDecode, PaddingIsSkippedOnEveryRow) {
    std::vector<uint32_t> pixels(5 * 4);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint32_t(i * 0x030507);
    const std::vector<uint8_t> bytes = samples::EncodeDib({5, 4, 24, 0, 40, {}, pixels});
    ASSERT_EQ(bytes.size(), 40u + 16u * 4u);
    int w = 0, h = 0;
    std::vector<uint32_t> flat;
    ASSERT_TRUE(DecodeDib(bytes.data(), bytes.size(), w, h, flat));
    EXPECT_EQ(flat, Opaque(pixels));
}

TEST(ClipboardImageDecode, OtherLayoutsAndBadFieldsAreRefused) {
    const std::vector<uint8_t> good = samples::EncodeDib({3, 2, 32, 0, 40, {}, k3x2});
    auto withU32 = [&good](size_t at, uint32_t v) {
        std::vector<uint8_t> b = good;
        for (int k = 0; k < 4; ++k) b[at + size_t(k)] = uint8_t(v >> (8 * k));
        return b;
    };
    auto withBits = [&good](uint16_t bits) {
        std::vector<uint8_t> b = good;
        b[14] = uint8_t(bits);
        b[15] = uint8_t(bits >> 8);
        return b;
    };
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"16 bits", withBits(16)},
        {"8-bit palette", withBits(8)},
        {"run-length compressed", withU32(16, 1)},
        {"JPEG compressed", withU32(16, 4)},
        {"bit fields in another order",
         samples::EncodeDib({3, 2, 32, 3, 40, {0x000000FF, 0x0000FF00, 0x00FF0000}, k3x2})},
        {"one byte short", std::vector<uint8_t>(good.begin(), good.end() - 1)},
        {"header only", std::vector<uint8_t>(good.begin(), good.begin() + 40)},
        {"shorter than a header", std::vector<uint8_t>(good.begin(), good.begin() + 39)},
        {"core header", withU32(0, 12)},
        {"header larger than the data", withU32(0, uint32_t(good.size()) + 1)},
        {"width 0", withU32(4, 0)},
        {"negative width", withU32(4, uint32_t(-3))},
        {"height 0", withU32(8, 0)},
        {"width above the limit", withU32(4, kMaxDocumentSide + 1)},
        {"lowest height", withU32(8, uint32_t(INT_MIN))},
        {"largest size, few bytes",
         [&] {
             auto b = withU32(4, kMaxDocumentSide);
             for (int k = 0; k < 4; ++k) b[8 + size_t(k)] = uint8_t(uint32_t(kMaxDocumentSide) >> (8 * k));
             return b;
         }()},
        {"colour table past the end", withU32(32, 0xFFFFFFFFu)},
    };
    for (const auto& c : cases) {
        int w = -1, h = -1;
        std::vector<uint32_t> flat = {42};
        EXPECT_FALSE(DecodeDib(c.bytes.data(), c.bytes.size(), w, h, flat)) << c.name;
        EXPECT_EQ(w, -1) << c.name;
        EXPECT_EQ(flat, std::vector<uint32_t>{42}) << c.name;
    }
    int w = 0, h = 0;
    std::vector<uint32_t> flat;
    EXPECT_FALSE(DecodeDib(nullptr, 0, w, h, flat));
}

class ClipboardImageTest : public FileTest {};

TEST_F(ClipboardImageTest, LoadFlatImageReplacesTheDocumentAndKeepsTheAnimationMode) {
    SelectProfile(*BuiltinProfile(0));
    ASSERT_TRUE(NewDocument(doc, 300, 200));
    ASSERT_TRUE(AddLayer(doc, 0));
    EnterAnimation(doc);
    AddFrame(doc);
    doc.modified = true;
    doc.stacks[0]->textureCreated = true;
    doc.stacks[0]->texture = 9;

    const std::vector<uint8_t> bytes = samples::EncodeDib({3, 2, 32, 0, 40, {}, k3x2});
    int w = 0, h = 0;
    std::vector<uint32_t> flat;
    ASSERT_TRUE(DecodeDib(bytes.data(), bytes.size(), w, h, flat));
    ASSERT_TRUE(LoadFlatImage(doc, w, h, flat));
    EXPECT_EQ(doc.width, 3);
    EXPECT_EQ(doc.height, 2);
    EXPECT_EQ(doc.layerCount, 1);
    EXPECT_FALSE(doc.modified);
    EXPECT_EQ(Shown(doc), Opaque(k3x2));
    // The mode and the playback rate stay; the frames are the new image's.
    EXPECT_TRUE(doc.animationMode);
    EXPECT_EQ(doc.framesPerSecond, 10);
    EXPECT_EQ(doc.frameCount, 1);
    EXPECT_EQ(doc.currentFrame, 0);
    EXPECT_EQ(doc.texturesToRelease, std::vector<uint32_t>{9});

    const DocumentSnapshot before(doc);
    EXPECT_FALSE(LoadFlatImage(doc, 3, 3, flat));
    EXPECT_FALSE(LoadFlatImage(doc, 0, 0, {}));
    before.ExpectSame(doc);
}

// --- The PNG form --------------------------------------------------------

TEST(ClipboardPng, OtherProgramsLayoutsDecodeWithTheirAlpha) {
    using samples::PngPicture;
    PngPicture palette = samples::Png(2, 1, samples::kPalette, 8, {0, 1});
    palette.palette = {10, 20, 30, 200, 100, 50};
    palette.paletteAlpha = {0};  // the first entry transparent
    const struct {
        const char* name;
        PngPicture picture;
        std::vector<uint32_t> flat;
    } cases[] = {
        {"RGB", samples::Png(2, 1, samples::kRgb, 8, {10, 20, 30, 40, 50, 60}), {0xFF0A141E, 0xFF28323C}},
        {"RGBA", samples::Png(2, 1, samples::kRgba, 8, {10, 20, 30, 0, 40, 50, 60, 128}), {0x00FFFFFF, 0x8028323C}},
        {"16-bit RGBA", samples::Png(1, 1, samples::kRgba, 16, {0xFFFF, 0, 0, 0xFFFF}), {0xFFFF0000}},
        {"grey with alpha", samples::Png(2, 1, samples::kGreyAlpha, 8, {90, 0, 200, 255}), {0x00FFFFFF, 0xFFC8C8C8}},
        {"palette with a transparent entry", palette, {0x00FFFFFF, 0xFFC86432}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> bytes = samples::EncodePng(c.picture);
        int w = 0, h = 0;
        std::vector<uint32_t> flat;
        ASSERT_TRUE(DecodeClipboardPng(bytes.data(), bytes.size(), w, h, flat));
        EXPECT_EQ(w, c.picture.width);
        EXPECT_EQ(h, c.picture.height);
        EXPECT_EQ(flat, c.flat);
    }
}

TEST(ClipboardPng, WhatIsNoWholePngIsRefused) {
    const std::vector<uint8_t> good = samples::EncodePng(samples::Png(2, 1, samples::kRgb, 8, {1, 2, 3, 4, 5, 6}));
    const std::vector<uint8_t> text = {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'};
    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"text", text},
        {"cut short", std::vector<uint8_t>(good.begin(), good.begin() + std::ptrdiff_t(good.size() / 2))},
        {"header only, too wide", samples::PngHeaderOnly(uint32_t(kMaxDocumentSide) + 1, 1)},
        {"empty", {}},
    };
    for (const auto& c : cases) {
        int w = -1, h = -1;
        std::vector<uint32_t> flat = {42};
        EXPECT_FALSE(DecodeClipboardPng(c.bytes.data(), c.bytes.size(), w, h, flat)) << c.name;
        EXPECT_EQ(w, -1) << c.name;
        EXPECT_EQ(flat, std::vector<uint32_t>{42}) << c.name;
    }
}

// What goes out is what other programs read back: the PNG with alpha only
// where the picture has some, the bitmap opaque.
TEST(ClipboardPng, CopiedPicturesReadBackWhole) {
    const std::vector<uint32_t> opaque = {0xFF010203, 0xFF040506, 0xFF070809, 0xFFA0B0C0, 0xFFD0E0F0, 0xFFFFFFFF};
    std::vector<uint32_t> seeThrough = opaque;
    seeThrough[1] = 0x00FFFFFF;
    seeThrough[4] = 0x80D0E0F0;
    const struct {
        const char* name;
        std::vector<uint32_t> flat;
        uint8_t colourType;  // of the PNG header
    } cases[] = {{"opaque", opaque, samples::kRgb}, {"with transparency", seeThrough, samples::kRgba}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> png, dib;
        ASSERT_TRUE(EncodeClipboardImage(3, 2, c.flat, png, dib));
        ASSERT_GT(png.size(), 26u);
        EXPECT_EQ(png[24], 8);  // bit depth
        EXPECT_EQ(png[25], c.colourType);
        int w = 0, h = 0;
        std::vector<uint32_t> back;
        ASSERT_TRUE(DecodeClipboardPng(png.data(), png.size(), w, h, back));
        EXPECT_EQ(back, c.flat);
        ASSERT_TRUE(DecodeDib(dib.data(), dib.size(), w, h, back));
        EXPECT_EQ(w, 3);
        EXPECT_EQ(h, 2);
        EXPECT_EQ(back, Opaque(c.flat));
    }
    std::vector<uint8_t> png, dib;
    EXPECT_FALSE(EncodeClipboardImage(3, 3, opaque, png, dib));
}

}  // namespace
