#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include <png.h>

#include "fileio/allocation_probe.h"
#include "fileio/fileio_test_support.h"
#include "fileio/png_file.h"
#include "fileio/test_images.h"
#include "image/document_test_support.h"
#include "image/flat_transfer.h"
#include "image/pixel_image.h"

namespace {

using namespace fileiotest;

// What libpng itself says about a file, with no transforms.
struct RawPng {
    png_uint_32 width = 0, height = 0;
    int bitDepth = 0, colourType = -1;
    std::vector<uint8_t> pixels;  // rows as stored
};

bool ReadRaw(const std::string& path, RawPng& raw, std::vector<png_bytep>& rows) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_read_info(png, info);
    png_get_IHDR(png, info, &raw.width, &raw.height, &raw.bitDepth, &raw.colourType, nullptr, nullptr, nullptr);
    const size_t rowBytes = png_get_rowbytes(png, info);
    raw.pixels.resize(rowBytes * raw.height);
    rows.resize(raw.height);
    for (png_uint_32 y = 0; y < raw.height; ++y) rows[y] = raw.pixels.data() + y * rowBytes;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    return true;
}

class PngFileTest : public FileTest {
protected:
    void SetUp() override {
        FileTest::SetUp();
        // Under the identity profile 8-bit values go in and out unchanged.
        SelectProfile(*BuiltinProfile(0));
    }

    bool Load(const std::vector<uint8_t>& bytes) {
        const std::string path = Path("in.png");
        EXPECT_TRUE(samples::WriteFileBytes(path, bytes));
        return LoadImage_PNG(doc, path.c_str());
    }
};

TEST_F(PngFileTest, SavedFileIsEightBitRgbOfTheCompositeWithoutAlpha) {
    ASSERT_TRUE(NewDocument(doc, 140, 3));
    const std::vector<uint32_t> base(140 * 3, 0xFF204060u);
    for (LayerTile* stack : doc.stacks) ImportFlat(*stack->pixels, base.data(), stack->x0, stack->y0, 140, 3, -1);
    ASSERT_TRUE(AddLayer(doc, 0));
    // The upper layer covers only pixel (130, 1), opaque, in the second tile.
    LayerTile* upper = LayerTileAt(doc.stacks[1], 1);
    EnsurePixels(*upper);
    std::vector<uint32_t> paint(140 * 3, 0x00FFFFFFu);
    paint[1 * 140 + 130] = 0xFFF0E0D0u;
    ImportFlat(*upper->pixels, paint.data(), upper->x0, upper->y0, 140, 3, -1);
    MarkAllDirty(doc);

    const std::string path = Path("out.png");
    ASSERT_TRUE(SaveImage_PNG(doc, path.c_str()));
    RawPng raw;
    std::vector<png_bytep> rows;
    ASSERT_TRUE(ReadRaw(path, raw, rows));
    EXPECT_EQ(raw.width, 140u);
    EXPECT_EQ(raw.height, 3u);
    EXPECT_EQ(raw.bitDepth, 8);
    EXPECT_EQ(raw.colourType, PNG_COLOR_TYPE_RGB);
    // The upper layer shows (coverage just below one leaves a trace of the
    // colour underneath).
    const uint8_t* composite = rows[1] + 130 * 3;
    EXPECT_NEAR(composite[0], 0xF0, 2);
    EXPECT_NEAR(composite[1], 0xE0, 2);
    EXPECT_NEAR(composite[2], 0xD0, 2);
    const uint8_t* plain = rows[2] + 5 * 3;
    EXPECT_EQ(plain[0], 0x20);
    EXPECT_EQ(plain[1], 0x40);
    EXPECT_EQ(plain[2], 0x60);
}

TEST_F(PngFileTest, EveryLayoutLoadsWithItsTransparency) {
    using samples::PngPicture;
    struct Case {
        const char* name;
        PngPicture picture;
        std::vector<uint32_t> expected;  // 0xAARRGGBB per pixel
    };
    PngPicture rgba = samples::Png(2, 1, samples::kRgba, 8, {10, 20, 30, 0, 40, 50, 60, 128});
    PngPicture rgb16 = samples::Png(2, 1, samples::kRgb, 16, {0xABAB, 0x0101, 0xFFFF, 0, 0x8080, 0x7F7F});
    PngPicture grey = samples::Png(3, 1, samples::kGrey, 8, {0, 128, 255});
    PngPicture grey2 = samples::Png(4, 1, samples::kGrey, 2, {0, 1, 2, 3});
    PngPicture greyAlpha = samples::Png(2, 1, samples::kGreyAlpha, 8, {90, 0, 200, 255});
    PngPicture palette = samples::Png(3, 1, samples::kPalette, 8, {2, 0, 1});
    palette.palette = {1, 2, 3, 40, 50, 60, 200, 100, 0};
    palette.paletteAlpha = {0, 128};
    PngPicture palette4 = palette;
    palette4.bitDepth = 4;
    PngPicture interlaced = samples::Png(9, 9, samples::kRgb, 8, {});
    interlaced.interlaced = true;
    std::vector<uint32_t> interlacedExpected;
    for (int i = 0; i < 81; ++i) {
        const uint16_t r = uint16_t(i), g = uint16_t(255 - i), b = uint16_t(i * 3 % 256);
        interlaced.samples.insert(interlaced.samples.end(), {r, g, b});
        interlacedExpected.push_back(0xFF000000u | uint32_t(r) << 16 | uint32_t(g) << 8 | b);
    }
    const Case cases[] = {
        // Fully transparent pixels open as transparent white, not as the
        // black most files store under them.
        {"RGBA", rgba, {0x00FFFFFF, 0x8028323C}},
        {"16-bit RGB", rgb16, {0xFFAB01FF, 0xFF00807F}},
        {"grey", grey, {0xFF000000, 0xFF808080, 0xFFFFFFFF}},
        {"2-bit grey", grey2, {0xFF000000, 0xFF555555, 0xFFAAAAAA, 0xFFFFFFFF}},
        {"grey with alpha", greyAlpha, {0x00FFFFFF, 0xFFC8C8C8}},
        {"palette with transparency", palette, {0xFFC86400, 0x00FFFFFF, 0x8028323C}},
        {"4-bit palette", palette4, {0xFFC86400, 0x00FFFFFF, 0x8028323C}},
        {"interlaced", interlaced, interlacedExpected},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> bytes = samples::EncodePng(c.picture);
        ASSERT_FALSE(bytes.empty());
        ASSERT_TRUE(Load(bytes));
        ASSERT_EQ(doc.width, c.picture.width);
        ASSERT_EQ(doc.height, c.picture.height);
        EXPECT_EQ(doc.layerCount, 1);
        EXPECT_EQ(Shown(doc), c.expected);
    }
}

TEST_F(PngFileTest, OnePixelImageGivesOneTile) {
    ASSERT_TRUE(Load(samples::EncodePng(samples::Png(1, 1, samples::kRgb, 8, {1, 2, 3}))));
    EXPECT_EQ(doc.width, 1);
    EXPECT_EQ(doc.height, 1);
    EXPECT_EQ(doc.tileCount, 1);
    EXPECT_EQ(Shown(doc), std::vector<uint32_t>{0xFF010203u});
}

TEST_F(PngFileTest, DamagedOrOversizedFilesFailAndLeaveTheDocument) {
    ASSERT_TRUE(NewDocument(doc, 30, 20));
    doctest::PaintLayer(doc, 0, 1);
    samples::PngPicture picture = samples::Png(40, 30, samples::kRgb, 8, {});
    for (int i = 0; i < 40 * 30 * 3; ++i) picture.samples.push_back(uint16_t(i * 7 % 256));
    const std::vector<uint8_t> good = samples::EncodePng(picture);
    std::vector<uint8_t> badChecksum = good;
    badChecksum[45] ^= 0x55;  // inside the image data
    std::vector<uint8_t> garbage(300);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = uint8_t(i * 37);
    std::vector<uint8_t> garbageAfterSignature = garbage;
    std::copy(good.begin(), good.begin() + 8, garbageAfterSignature.begin());

    struct Case {
        std::string name;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases = {
        {"image data checksum", badChecksum},
        {"garbage", garbage},
        {"garbage after the signature", garbageAfterSignature},
        {"wider than the largest document", samples::PngHeaderOnly(kMaxDocumentSide + 1, 1)},
        {"empty file", {}},
    };
    for (size_t length : {size_t(8), size_t(20), size_t(33), good.size() / 2, good.size() - 13})
        cases.push_back({"cut at " + std::to_string(length), std::vector<uint8_t>(good.begin(), good.begin() + std::ptrdiff_t(length))});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DocumentSnapshot before(doc);
        EXPECT_FALSE(Load(c.bytes));
        before.ExpectSame(doc);
    }
    EXPECT_FALSE(LoadImage_PNG(doc, Path("missing.png").c_str()));
}

TEST_F(PngFileTest, ReaderRefusesMoreThanItsPixelLimit) {
    const std::string path = Path("big.png");
    ASSERT_TRUE(samples::WriteFileBytes(path, samples::EncodePng(samples::Png(20, 10, samples::kGrey, 8, std::vector<uint16_t>(200, 9)))));
    for (const auto& [limit, accepted] : {std::pair<int64_t, bool>{199, false}, {200, true}}) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        ASSERT_NE(file, nullptr);
        int w = 0, h = 0;
        std::vector<uint32_t> flat;
        EXPECT_EQ(ReadPng(file, w, h, flat, limit), accepted) << limit;
        std::fclose(file);
    }
}

// A transparent pixel anywhere makes the file RGBA, an opaque picture stays
// RGB, and either way the file holds exactly what the screen shows. The
// picture is streamed a band of tiles at a time, never held whole.
TEST_F(PngFileTest, SavedFileIsTheCompositeWithAlphaOnlyWhenAnyPixelIsTransparent) {
    for (const bool layered : {false, true}) {
        SCOPED_TRACE(layered ? "an opaque multiply layer over the canvas" : "the canvas alone");
        ASSERT_TRUE(NewDocument(doc, 700, 300));  // six tile columns, three rows
        doctest::PaintLayer(doc, 0, 11);          // random alpha on the canvas
        if (layered) {
            ASSERT_TRUE(AddLayer(doc, 0));
            doctest::PaintLayer(doc, 1, 12);
            // Opaque everywhere: it covers the canvas's transparency, whatever
            // its blend mode does to the colours.
            for (LayerTile* stack : doc.stacks) LayerTileAt(stack, 1)->pixels->Alpha().Fill(0xFFFF);
            doc.layers[1].blendMode = kBlendMultiply;
            ApplyLayerInfo(doc, 1);
        }
        const std::vector<uint32_t> shown = Shown(doc);
        const bool opaque = std::all_of(shown.begin(), shown.end(), [](uint32_t p) { return p >> 24 == 0xFF; });
        ASSERT_EQ(opaque, layered) << "the case no longer shows what it is meant to";

        const std::string path = Path("out.png");
        const AllocationFigures saving = AllocationsDuring([&] { ASSERT_TRUE(SaveImage_PNG(doc, path.c_str())); });
        EXPECT_LT(saving.largest, shown.size() * sizeof(uint32_t)) << "a picture-sized buffer was allocated";
        RawPng raw;
        std::vector<png_bytep> rows;
        ASSERT_TRUE(ReadRaw(path, raw, rows));
        EXPECT_EQ(raw.colourType, opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA);
        EXPECT_EQ(raw.bitDepth, 8);
        const int channels = opaque ? 3 : 4;
        size_t wrong = 0;
        for (int y = 0; y < 300; ++y)
            for (int x = 0; x < 700; ++x) {
                const uint8_t* p = rows[size_t(y)] + x * channels;
                const uint32_t alpha = opaque ? 0xFF : p[3];
                const uint32_t saved = alpha << 24 | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
                wrong += saved != shown[size_t(y) * 700 + size_t(x)];
            }
        EXPECT_EQ(wrong, 0u);
    }
}

// Crafted headers declaring huge pictures over a few bytes of data are
// refused before their pixels are allocated, the document untouched; the
// most compressible real file still loads.
TEST_F(PngFileTest, HugeDeclaredSizesAreRefusedBeforeAllocating) {
    ASSERT_TRUE(NewDocument(doc, 30, 20));
    const struct {
        uint32_t w, h;
    } sizes[] = {{30000, 30000}, {16384, 16384}, {16384, 3000}, {2000, 16384}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size.w) + " x " + std::to_string(size.h));
        const DocumentSnapshot before(doc);
        bool loaded = true;
        const AllocationFigures reading =
            AllocationsDuring([&] { loaded = Load(samples::PngDeclaring(size.w, size.h)); });
        EXPECT_FALSE(loaded);
        EXPECT_LT(reading.largest, uint64_t(1) << 20);
        before.ExpectSame(doc);
    }

    const std::string path = Path("blank.png");
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    ASSERT_TRUE(WritePng(out, 2048, 2048, std::vector<uint32_t>(2048 * 2048, 0xFFFFFFFFu)));
    std::fclose(out);
    EXPECT_TRUE(LoadImage_PNG(doc, path.c_str()));
    EXPECT_EQ(doc.width, 2048);
}

}  // namespace
