#include "ui/font_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Rgb {
    uint8_t r, g, b;
};

constexpr Rgb kKey{128, 0, 128};
constexpr Rgb kWhite{255, 255, 255};

// An in-memory TGA glyph strip of key colour, with pixels set through ink().
struct Strip {
    int cell = 8;
    int width = 1024;
    int depth = 24;
    std::vector<uint8_t> id;
    std::vector<Rgb> pixels;  // rows in file order
    std::vector<uint8_t> alpha;

    Strip(int cellSize = 8, int w = 1024) : cell(cellSize), width(w), pixels(w * cellSize, kKey), alpha(w * cellSize, 255) {}

    void Ink(int glyph, int column, int row, Rgb c = kWhite, uint8_t a = 255) {
        const int i = row * width + glyph * cell + column;
        pixels[i] = c;
        alpha[i] = a;
    }

    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> out = {static_cast<uint8_t>(id.size()), 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        const int h = static_cast<int>(pixels.size()) / width;
        for (int v : {width, h}) {
            out.push_back(v & 0xff);
            out.push_back(v >> 8);
        }
        out.push_back(static_cast<uint8_t>(depth));
        out.push_back(0);
        out.insert(out.end(), id.begin(), id.end());
        for (size_t i = 0; i < pixels.size(); ++i) {
            out.insert(out.end(), {pixels[i].b, pixels[i].g, pixels[i].r});
            if (depth == 32) out.push_back(alpha[i]);
        }
        return out;
    }
};

bool Decode(const std::vector<uint8_t>& bytes, FontImage& image) {
    return DecodeFontImage(bytes.data(), bytes.size(), image);
}

const uint8_t* Texel(const FontImage& image, int x, int y) { return &image.rgba[(y * image.width + x) * 4]; }

TEST(FontFileTest, KeyColourIsTransparentAndAnythingElseOpaque) {
    Strip s;
    s.Ink(5, 0, 0, {128, 1, 128});
    s.Ink(5, 1, 0, {0, 0, 0});
    s.Ink(5, 2, 0, {10, 200, 30});
    FontImage image;
    ASSERT_TRUE(Decode(s.Bytes(), image));
    EXPECT_EQ(image.width, 1024);
    EXPECT_EQ(image.height, 8);
    const int x = 5 * 8;
    EXPECT_EQ(Texel(image, x + 3, 0)[3], 0) << "key colour";
    EXPECT_EQ(Texel(image, x, 0)[3], 255) << "(128, 1, 128)";
    EXPECT_EQ(Texel(image, x + 1, 0)[3], 255) << "black";
    const uint8_t* c = Texel(image, x + 2, 0);
    EXPECT_EQ(c[0], 10);
    EXPECT_EQ(c[1], 200);
    EXPECT_EQ(c[2], 30);
}

TEST(FontFileTest, RowsStayInFileOrderAndTheImageIdIsSkipped) {
    Strip s;
    s.id = {1, 2, 3, 4, 5, 6, 7};
    s.Ink(0, 0, 0, {1, 2, 3});
    s.Ink(0, 0, 7, {4, 5, 6});
    FontImage image;
    ASSERT_TRUE(Decode(s.Bytes(), image));
    EXPECT_EQ(Texel(image, 0, 0)[0], 1);
    EXPECT_EQ(Texel(image, 0, 7)[0], 4);
    EXPECT_EQ(Texel(image, 1, 0)[3], 0);
}

TEST(FontFileTest, ThirtyTwoBitFilesKeepTheirAlpha) {
    Strip s;
    s.depth = 32;
    s.Ink(3, 0, 0, kWhite, 77);
    s.Ink(3, 1, 0, kKey, 200);
    FontImage image;
    ASSERT_TRUE(Decode(s.Bytes(), image));
    EXPECT_EQ(Texel(image, 24, 0)[3], 77);
    EXPECT_EQ(Texel(image, 25, 0)[3], 200);
    EXPECT_EQ(Texel(image, 26, 0)[3], 255);
}

TEST(FontFileTest, RefusesFilesItCannotUse) {
    struct Case {
        const char* name;
        size_t offset;  // header byte to overwrite, or SIZE_MAX
        uint8_t value;
        size_t cut;  // bytes removed from the end
    };
    const Case cases[] = {
        {"colour map", 1, 1, 0},
        {"colour-mapped image", 2, 1, 0},
        {"run-length encoded", 2, 10, 0},
        {"greyscale", 2, 3, 0},
        {"16-bit", 16, 16, 0},
        {"8-bit", 16, 8, 0},
        {"zero height", 14, 0, 0},
        {"narrower than 110 cells", 13, 2, 0},      // width 512 < 110 x 8
        {"width not a power of two", 12, 1, 0},    // 1025
        {"height not a power of two", 14, 7, 0},
        {"one pixel byte short", SIZE_MAX, 0, 1},
        {"no pixels", SIZE_MAX, 0, 1024 * 8 * 3},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = Strip().Bytes();
        if (c.offset != SIZE_MAX) {
            // Trailing bytes are allowed, so each header case fails on its
            // own field rather than on the pixel count.
            bytes.resize(bytes.size() * 4);
            bytes[c.offset] = c.value;
        }
        bytes.resize(bytes.size() - c.cut);
        FontImage image;
        EXPECT_FALSE(Decode(bytes, image)) << c.name;
    }
    std::vector<uint8_t> padded = Strip().Bytes();
    padded.resize(padded.size() * 4);
    FontImage image;
    EXPECT_TRUE(Decode(padded, image)) << "trailing bytes";
    const std::vector<uint8_t> whole = Strip().Bytes();
    for (size_t size : {size_t{0}, size_t{17}}) EXPECT_FALSE(DecodeFontImage(whole.data(), size, image)) << size;
    EXPECT_FALSE(DecodeFontImage(nullptr, 100, image));
}

TEST(FontFileTest, AnImageIdLongerThanTheFileIsRefused) {
    Strip s;
    s.id.assign(200, 0);
    std::vector<uint8_t> bytes = s.Bytes();
    bytes.resize(18 + 100);
    FontImage image;
    EXPECT_FALSE(Decode(bytes, image));
}

TEST(FontFileTest, MeasuresInkedColumnsOnGreen) {
    Strip s(16, 2048);
    s.Ink(40, 3, 2);
    s.Ink(40, 9, 15);  // columns 3..9, any row
    s.Ink(41, 6, 0, {128, 1, 128});  // a single faint column still counts
    s.Ink(42, 4, 4, {255, 0, 255});  // no green: empty
    s.Ink(43, 0, 0);
    s.Ink(43, 15, 0);  // the full cell
    FontImage image;
    ASSERT_TRUE(Decode(s.Bytes(), image));
    const FontMetrics m = MeasureGlyphs(image);
    EXPECT_EQ(m.cell, 16);
    EXPECT_EQ(m.imageWidth, 2048);
    EXPECT_EQ(m.left[40], 3);
    EXPECT_EQ(m.width[40], 9 - 3 + 16 / 8);
    EXPECT_EQ(m.left[41], 6);
    EXPECT_EQ(m.width[41], 2);
    EXPECT_EQ(m.left[42], 0);
    EXPECT_EQ(m.width[42], 16 / 4);
    EXPECT_EQ(m.left[43], 0);
    EXPECT_EQ(m.width[43], 15 + 2);
    EXPECT_EQ(m.width[0], 4) << "space";
}

// A scaled font's cells (24 pixels in a 32-pixel strip, say): glyphs follow
// each other at the cell's pitch, in the strip's top rows, which come last in
// the file; rows below the cells are not part of any glyph.
TEST(FontFileTest, ASmallerCellLiesInTheStripsTopRows) {
    Strip s(16, 2048);
    const int cell = 12;
    auto ink = [&](int glyph, int column, int fileRow) { s.pixels[fileRow * s.width + glyph * cell + column] = kWhite; };
    ink(40, 2, 15);
    ink(40, 7, 4);  // the cell's rows are file rows 4..15
    ink(41, 3, 3);  // below the cells
    FontImage image;
    ASSERT_TRUE(Decode(s.Bytes(), image));
    const FontMetrics m = MeasureGlyphs(image, cell);
    EXPECT_EQ(m.cell, cell);
    EXPECT_EQ(m.left[40], 2);
    EXPECT_EQ(m.width[40], 7 - 2 + cell / 8);
    EXPECT_EQ(m.width[41], cell / 4) << "empty";
    EXPECT_EQ(m.width[0], cell / 4) << "space";
    EXPECT_EQ(MeasureGlyphs(image, 0).cell, 16) << "0: the strip's height";
    EXPECT_EQ(MeasureGlyphs(image, 20).cell, 16) << "no cell is taller than the strip";
}

TEST(FontFileTest, TransparentPixelsOfThirtyTwoBitFilesAreNotInk) {
    Strip s;
    s.depth = 32;
    s.Ink(40, 1, 0, kWhite, 0);
    s.Ink(40, 5, 0, kWhite, 1);
    FontImage image;
    ASSERT_TRUE(Decode(s.Bytes(), image));
    const FontMetrics m = MeasureGlyphs(image);
    EXPECT_EQ(m.left[40], 5);
    EXPECT_EQ(m.width[40], 1);
}

TEST(FontFileTest, OneTakesTheRoomOfZero) {
    Strip s(16, 2048);
    s.Ink('0' - 32, 2, 5);
    s.Ink('0' - 32, 11, 5);
    s.Ink('1' - 32, 7, 5);
    FontImage image;
    ASSERT_TRUE(Decode(s.Bytes(), image));
    const FontMetrics m = MeasureGlyphs(image);
    EXPECT_EQ(m.left['1' - 32], 2);
    EXPECT_EQ(m.width['1' - 32], m.width['0' - 32]);
    EXPECT_EQ(m.width['0' - 32], 11);
}

TEST(FontFileTest, GlyphsForCharacters) {
    struct Case {
        int c;
        int glyph;
    };
    const Case cases[] = {
        {' ', 0},   {'0', 16},  {'~', 94},  {127, 95},  {128, 96},  {141, 109},  // the strip's own codes
        {197, 96},  {196, 97},  {214, 98},  {229, 99},  {228, 100}, {246, 101},  // Å Ä Ö å ä ö
        {0, -1},    {8, -1},    {31, -1},   {142, -1},  {195, -1},  {198, -1},
        {200, -1},  {220, -1},  {252, -1},  {255, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(GlyphFor(static_cast<unsigned char>(c.c)), c.glyph) << c.c;
}

TEST(FontFileTest, WalkingSkipsCharactersWithoutGlyphs) {
    FontMetrics m;
    for (int k = 0; k < kFontGlyphs; ++k) m.width[k] = k % 7 + 1;
    std::vector<std::pair<int, int>> visits;
    const int advance = WalkText(m, "A\x01\xc4\xff" "b", [&](int glyph, int pen) { visits.push_back({glyph, pen}); });
    const int a = 'A' - 32, ae = 129 - 32, b = 'b' - 32;  // Ä is drawn with glyph code 129
    const std::vector<std::pair<int, int>> expected = {
        {a, 0}, {ae, m.width[a] + 1}, {b, m.width[a] + 1 + m.width[ae] + 1}};
    EXPECT_EQ(visits, expected);
    EXPECT_EQ(advance, m.width[a] + m.width[ae] + m.width[b] + 3);
}

// The fonts the program ships: valid strips with a glyph in every cell that
// stands for a printable character, and nothing in the others.
TEST(ShippedFontsTest, EveryPrintableCharacterHasInk) {
    const struct {
        const char* name;
        int cell;
    } fonts[] = {{"font.tga", 16},    {"fontsmall.tga", 16},    {"font150.tga", 24},
                 {"fontsmall150.tga", 24}, {"font200.tga", 32}, {"fontsmall200.tga", 32}};
    for (const auto& [name, cell] : fonts) {
        const std::string path = std::string(ORVELLA_RESOURCES_DIR) + "/" + name;
        FILE* f = std::fopen(path.c_str(), "rb");
        ASSERT_TRUE(f) << path;
        std::vector<uint8_t> bytes;
        int ch;
        while ((ch = std::fgetc(f)) != EOF) bytes.push_back(static_cast<uint8_t>(ch));
        std::fclose(f);
        FontImage image;
        ASSERT_TRUE(Decode(bytes, image)) << name;
        EXPECT_EQ(bytes[16], 24) << name;
        ASSERT_GE(image.height, cell) << name;
        ASSERT_GE(image.width, kFontGlyphs * cell) << name;
        // The cells are the strip's top rows, the last in file order; below
        // them nothing is inked.
        const int firstRow = image.height - cell;
        for (int y = 0; y < firstRow; ++y)
            for (int x = 0; x < image.width; ++x) ASSERT_EQ(Texel(image, x, y)[3], 0) << name << " row " << y;
        for (int k = 0; k < kFontGlyphs; ++k) {
            const int code = k + 32;
            const bool printable = (code > 32 && code < 127) || (code >= 128 && code <= 133);
            bool inked = false;
            for (int y = firstRow; y < image.height; ++y)
                for (int x = 0; x < cell; ++x) inked |= Texel(image, k * cell + x, y)[3] != 0;
            EXPECT_EQ(inked, printable) << name << " code " << code;
        }
    }
}

}  // namespace
