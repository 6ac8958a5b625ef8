#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "fileio/allocation_probe.h"
#include "fileio/fileio_test_support.h"
#include "fileio/jpeg_file.h"
#include "fileio/test_images.h"
#include "image/document_test_support.h"
#include "image/flat_transfer.h"
#include "image/pixel_image.h"

namespace {

using namespace fileiotest;

class JpegFileTest : public FileTest {
protected:
    void SetUp() override {
        FileTest::SetUp();
        SelectProfile(*BuiltinProfile(0));
    }

    // A smooth picture, which JPEG keeps close.
    void MakeGradient(int w, int h) {
        ASSERT_TRUE(NewDocument(doc, w, h));
        picture_.assign(size_t(w) * size_t(h), 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                picture_[size_t(y) * size_t(w) + size_t(x)] =
                    0xFF000000u | uint32_t(x * 255 / w) << 16 | uint32_t(y * 255 / h) << 8 | 0x80u;
        for (LayerTile* stack : doc.stacks) ImportFlat(*stack->pixels, picture_.data(), stack->x0, stack->y0, w, h, -1);
        MarkAllDirty(doc);
    }

    bool Load(const std::vector<uint8_t>& bytes) {
        const std::string path = Path("in.jpg");
        EXPECT_TRUE(samples::WriteFileBytes(path, bytes));
        return LoadImage_JPEG(doc, path.c_str());
    }

    std::vector<uint32_t> picture_;
};

TEST_F(JpegFileTest, SavingTwiceGivesIdenticalFilesWithoutSubsampling) {
    MakeGradient(150, 70);
    ASSERT_TRUE(SaveImage_JPEG(doc, Path("a.jpg").c_str()));
    ASSERT_TRUE(SaveImage_JPEG(doc, Path("b.jpg").c_str()));
    const std::vector<uint8_t> a = samples::ReadFileBytes(Path("a.jpg"));
    EXPECT_FALSE(a.empty());
    EXPECT_EQ(a, samples::ReadFileBytes(Path("b.jpg")));

    std::FILE* file = std::fopen(Path("a.jpg").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, file);
    ASSERT_EQ(jpeg_read_header(&info, TRUE), JPEG_HEADER_OK);
    EXPECT_EQ(info.num_components, 3);
    EXPECT_EQ(info.image_width, 150u);
    for (int c = 0; c < info.num_components; ++c) {
        EXPECT_EQ(info.comp_info[c].h_samp_factor, 1);
        EXPECT_EQ(info.comp_info[c].v_samp_factor, 1);
    }
    jpeg_destroy_decompress(&info);
    std::fclose(file);
}

TEST_F(JpegFileTest, SavedPictureLoadsBackClose) {
    MakeGradient(150, 70);
    ASSERT_TRUE(SaveImage_JPEG(doc, Path("a.jpg").c_str()));
    ASSERT_TRUE(LoadImage_JPEG(doc, Path("a.jpg").c_str()));
    ASSERT_EQ(doc.width, 150);
    ASSERT_EQ(doc.height, 70);
    EXPECT_EQ(doc.layerCount, 1);
    const std::vector<uint32_t> shown = Shown(doc);
    int worst = 0;
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(shown[i] >> 24, 0xFFu);
        for (int shift : {0, 8, 16})
            worst = std::max(worst, std::abs(int((shown[i] >> shift) & 0xFF) - int((picture_[i] >> shift) & 0xFF)));
    }
    EXPECT_LE(worst, 6);
}

TEST_F(JpegFileTest, GreyscaleLoadsAsGreyRgb) {
    std::vector<uint8_t> grey(16 * 8);
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = uint8_t(i % 16 * 16);
    ASSERT_TRUE(Load(samples::EncodeJpeg(16, 8, 1, grey)));
    for (uint32_t p : Shown(doc)) {
        EXPECT_EQ(p >> 24, 0xFFu);
        EXPECT_EQ((p >> 16) & 0xFF, p & 0xFF);
        EXPECT_EQ((p >> 8) & 0xFF, p & 0xFF);
    }
}

TEST_F(JpegFileTest, DamagedAndOversizedFilesFailAndLeaveTheDocument) {
    ASSERT_TRUE(NewDocument(doc, 30, 20));
    doctest::PaintLayer(doc, 0, 2);
    std::vector<uint8_t> rgb(40 * 24 * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t(i * 13);
    const std::vector<uint8_t> good = samples::EncodeJpeg(40, 24, 3, rgb);
    ASSERT_FALSE(good.empty());
    // The frame header's width, patched to one pixel above the limit.
    std::vector<uint8_t> tooWide = good;
    for (size_t i = 0; i + 8 < tooWide.size(); ++i) {
        if (tooWide[i] == 0xFF && tooWide[i + 1] == 0xC0) {
            tooWide[i + 7] = uint8_t((kMaxDocumentSide + 1) >> 8);
            tooWide[i + 8] = uint8_t(kMaxDocumentSide + 1);
            break;
        }
    }
    ASSERT_NE(tooWide, good);
    std::vector<uint8_t> garbage(400);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = uint8_t(i * 31 + 7);
    std::vector<uint8_t> garbageAfterStart = garbage;
    garbageAfterStart[0] = 0xFF;
    garbageAfterStart[1] = 0xD8;

    struct Case {
        std::string name;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases = {
        {"wider than the largest document", tooWide},
        {"garbage", garbage},
        {"garbage after the start marker", garbageAfterStart},
        {"empty file", {}},
    };
    for (size_t length : {size_t(2), size_t(30), good.size() / 3, good.size() - 2})
        cases.push_back({"cut at " + std::to_string(length), std::vector<uint8_t>(good.begin(), good.begin() + std::ptrdiff_t(length))});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(c.bytes.empty() && c.name != "empty file");
        const DocumentSnapshot before(doc);
        EXPECT_FALSE(Load(c.bytes));
        before.ExpectSame(doc);
    }
}

// Print files open in RGB. Their inks are stored inverted (Adobe's way,
// which the library writes too): 255 is no ink, 0 full ink.
TEST_F(JpegFileTest, CmykAndYcckFilesOpenConvertedToRgb) {
    const struct {
        uint8_t inks[4];
        uint32_t rgb;
    } colours[] = {{{255, 255, 255, 255}, 0xFFFFFF},  // no ink: white
                   {{255, 128, 0, 255}, 0xFF8000},    // half magenta, full yellow
                   {{200, 100, 50, 128}, 0x64321A},   // half black darkens it all
                   {{255, 255, 255, 0}, 0x000000}};   // full black
    for (const auto& colour : colours) {
        std::vector<uint8_t> inks;
        for (int i = 0; i < 16 * 16; ++i) inks.insert(inks.end(), colour.inks, colour.inks + 4);
        for (const bool ycck : {false, true}) {
            SCOPED_TRACE(testing::Message() << std::hex << colour.rgb << (ycck ? " YCCK" : " CMYK"));
            ASSERT_TRUE(Load(ycck ? samples::EncodeJpegYcck(16, 16, inks) : samples::EncodeJpeg(16, 16, 4, inks)));
            ASSERT_EQ(doc.width, 16);
            const uint32_t seen = Shown(doc)[8 * 16 + 8];
            EXPECT_EQ(seen >> 24, 0xFFu);
            for (int shift : {16, 8, 0}) EXPECT_NEAR(int(seen >> shift & 0xFF), int(colour.rgb >> shift & 0xFF), 3);
        }
    }
}

// A stream with a stretch of its coded data lost decodes around the gap;
// the document says so, so the program can keep the original safe.
TEST_F(JpegFileTest, CorruptDataLoadsMarkedDamaged) {
    std::vector<uint8_t> rgb(64 * 48 * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t(i * 7 + i / 192);
    const std::vector<uint8_t> good = samples::EncodeJpeg(64, 48, 3, rgb);
    const std::vector<uint8_t> lost = samples::JpegWithDataLost(good);
    ASSERT_FALSE(lost.empty());

    ASSERT_TRUE(Load(good));
    EXPECT_FALSE(doc.damagedFile);
    ASSERT_TRUE(Load(lost));
    EXPECT_TRUE(doc.damagedFile);
    EXPECT_EQ(doc.width, 64);
    ASSERT_TRUE(Load(good));
    EXPECT_FALSE(doc.damagedFile) << "the next file starts clean";
}

// Crafted headers declaring huge pictures over a few bytes of data are
// refused before their pixels are allocated, the document untouched.
TEST_F(JpegFileTest, HugeDeclaredSizesAreRefusedBeforeAllocating) {
    ASSERT_TRUE(NewDocument(doc, 30, 20));
    const struct {
        uint16_t w, h;
    } sizes[] = {{30000, 30000}, {16384, 16384}, {16384, 2000}, {1000, 16384}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(std::to_string(size.w) + " x " + std::to_string(size.h));
        const std::vector<uint8_t> bytes = samples::JpegDeclaring(size.w, size.h);
        ASSERT_FALSE(bytes.empty());
        const std::string path = Path("crafted.jpg");
        ASSERT_TRUE(samples::WriteFileBytes(path, bytes));
        const DocumentSnapshot before(doc);
        bool loaded = true;
        const AllocationFigures reading = AllocationsDuring([&] { loaded = LoadImage_JPEG(doc, path.c_str()); });
        EXPECT_FALSE(loaded);
        EXPECT_LT(reading.largest, uint64_t(1) << 20);
        before.ExpectSame(doc);
    }
}

}  // namespace
