#include "platform/sdl/bmp_file.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sdl/le_bytes_test_support.h"

namespace {

using sdltest::Bytes;
using sdltest::Put16;
using sdltest::Put32;


// A BMP file of a 2 x 2 image; extras (masks, palette) follow the info header,
// then gap bytes, then the pixel rows.
struct BmpFixture {
    uint32_t headerSize = 40;
    uint32_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t coloursUsed = 0;
    Bytes extras;
    size_t gap = 0;
    Bytes pixels = Bytes(16, 0);

    Bytes File() const {
        Bytes file(14 + headerSize, 0);
        file[0] = 'B';
        file[1] = 'M';
        Put32(file, 10, uint32_t(14 + headerSize + extras.size() + gap));
        Put32(file, 14, headerSize);
        Put32(file, 18, 2);
        Put32(file, 22, 2);
        Put16(file, 26, 1);
        Put16(file, 28, bitCount);
        Put32(file, 30, compression);
        Put32(file, 46, coloursUsed);
        file.insert(file.end(), extras.begin(), extras.end());
        file.insert(file.end(), gap, 0xEE);
        file.insert(file.end(), pixels.begin(), pixels.end());
        Put32(file, 2, uint32_t(file.size()));
        return file;
    }
};

Bytes Counting(size_t n, uint8_t first) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = uint8_t(first + i);
    return b;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(DibFromBmpFile, PackedFilesLoseOnlyTheirFileHeader) {
    BmpFixture rgb;
    rgb.pixels = Counting(16, 1);
    BmpFixture bitfields;
    bitfields.bitCount = 32;
    bitfields.compression = 3;
    bitfields.extras = Counting(12, 100);
    bitfields.pixels = Counting(16, 1);
    BmpFixture paletted;
    paletted.bitCount = 8;
    paletted.extras = Counting(256 * 4, 0);
    paletted.pixels = Counting(8, 1);
    BmpFixture fewColours = paletted;
    fewColours.coloursUsed = 2;
    fewColours.extras = Counting(2 * 4, 50);

    for (const BmpFixture* f : {&rgb, &bitfields, &paletted, &fewColours}) {
        const Bytes file = f->File();
        Bytes dib;
        ASSERT_TRUE(platform::sdl::DibFromBmpFile(file, dib)) << f->bitCount;
        EXPECT_EQ(dib, Bytes(file.begin() + 14, file.end())) << f->bitCount;
    }
}

TEST(DibFromBmpFile, PixelsMoveUpToTheHeadersAcrossAGap) {
    BmpFixture f;
    f.bitCount = 32;
    f.compression = 3;
    f.extras = Counting(12, 100);
    f.gap = 6;
    f.pixels = Counting(16, 1);
    const Bytes file = f.File();
    Bytes dib;
    ASSERT_TRUE(platform::sdl::DibFromBmpFile(file, dib));
    EXPECT_EQ(dib, Join({Bytes(file.begin() + 14, file.begin() + 14 + 40), f.extras, f.pixels}));
}

// Longer headers (V4, V5) hold the masks themselves; a reader of the
// clipboard's packed bitmap finds them after a 40-byte header.
TEST(DibFromBmpFile, LongerHeadersBecomeAnInfoHeaderWithItsMasks) {
    BmpFixture v5;
    v5.headerSize = 124;
    v5.bitCount = 32;
    v5.compression = 3;
    v5.pixels = Counting(16, 1);
    Bytes file = v5.File();
    const size_t masksAt = 14 + 40;
    for (size_t i = 0; i < 16; ++i) file[masksAt + i] = uint8_t(200 + i);  // red, green, blue, alpha

    Bytes dib;
    ASSERT_TRUE(platform::sdl::DibFromBmpFile(file, dib));
    Bytes header(file.begin() + 14, file.begin() + 14 + 40);
    Put32(header, 0, 40);
    EXPECT_EQ(dib, Join({header, Bytes(file.begin() + masksAt, file.begin() + masksAt + 12), v5.pixels}));

    v5.compression = 0;
    const Bytes plain = v5.File();
    ASSERT_TRUE(platform::sdl::DibFromBmpFile(plain, dib));
    EXPECT_EQ(dib.size(), 40u + 16u);
    EXPECT_EQ(Bytes(dib.begin() + 40, dib.end()), v5.pixels);
}

TEST(DibFromBmpFile, RefusesWhatIsNotAWholeBmpFile) {
    BmpFixture good;
    const Bytes file = good.File();

    Bytes notBm = file;
    notBm[0] = 'P';
    Bytes coreHeader = file;  // the 12-byte header has 16-bit sizes: another layout
    Put32(coreHeader, 14, 12);
    Bytes headerPastEnd = file;
    Put32(headerPastEnd, 14, 4000);
    Bytes pixelsPastEnd = file;
    Put32(pixelsPastEnd, 10, uint32_t(file.size() + 1));
    Bytes pixelsInsideHeader = file;
    Put32(pixelsInsideHeader, 10, 30);
    BmpFixture v4Short;  // bit fields need 12 bytes of masks the header lacks
    v4Short.headerSize = 44;
    v4Short.compression = 3;
    BmpFixture paletteMissing;
    paletteMissing.bitCount = 8;
    paletteMissing.pixels = Bytes(8, 0);
    BmpFixture hugePalette;
    hugePalette.bitCount = 32;
    hugePalette.coloursUsed = 0xFFFFFFFF;

    const std::pair<const char*, Bytes> cases[] = {
        {"empty", {}},
        {"file header only", Bytes(file.begin(), file.begin() + 14)},
        {"cut inside the info header", Bytes(file.begin(), file.begin() + 53)},
        {"not BM", notBm},
        {"core header", coreHeader},
        {"header past the end", headerPastEnd},
        {"pixels past the end", pixelsPastEnd},
        {"pixels inside the header", pixelsInsideHeader},
        {"masks missing", v4Short.File()},
        {"palette missing", paletteMissing.File()},
        {"palette larger than the file", hugePalette.File()},
    };
    for (const auto& c : cases) {
        Bytes dib = {1, 2, 3};
        EXPECT_FALSE(platform::sdl::DibFromBmpFile(c.second, dib)) << c.first;
        EXPECT_EQ(dib, (Bytes{1, 2, 3})) << c.first;
    }
}

// What the program offers as image/bmp: the same file a BMP reader expects,
// whatever sits between the header and the pixels.
TEST(BmpFileFromDib, GivesBackTheFileABitmapCameFrom) {
    BmpFixture plain;
    plain.pixels = Counting(16, 1);
    BmpFixture masks = plain;
    masks.bitCount = 32;
    masks.compression = 3;
    masks.extras = Counting(12, 100);
    masks.pixels = Counting(16, 50);
    BmpFixture palette = plain;
    palette.bitCount = 8;
    palette.coloursUsed = 2;
    palette.extras = Counting(8, 200);
    palette.pixels = Counting(8, 9);
    for (const BmpFixture& f : {plain, masks, palette}) {
        Bytes dib, file;
        ASSERT_TRUE(platform::sdl::DibFromBmpFile(f.File(), dib));
        ASSERT_TRUE(platform::sdl::BmpFileFromDib(dib, file));
        EXPECT_EQ(file, f.File());
    }
    Bytes file = {1};
    EXPECT_FALSE(platform::sdl::BmpFileFromDib(Bytes(39, 0), file));
    Bytes shortPalette(40, 0);
    Put32(shortPalette, 0, 40);
    Put16(shortPalette, 14, 8);  // 256 palette entries that are not there
    EXPECT_FALSE(platform::sdl::BmpFileFromDib(shortPalette, file));
    EXPECT_EQ(file, Bytes{1});
}

}  // namespace
