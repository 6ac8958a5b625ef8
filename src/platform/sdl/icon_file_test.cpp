#include "platform/sdl/icon_file.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sdl/le_bytes_test_support.h"

namespace {

using sdltest::Bytes;
using sdltest::Put16;
using sdltest::Put32;
using platform::sdl::DecodeIcon;


// A one-image .ico of a 2 x 2 picture, stored bottom row first as B, G, R, A,
// then its AND mask (one 32-bit row of bits per picture row).
struct IconFixture {
    uint32_t bitCount = 32;
    uint32_t compression = 0;
    int32_t width = 2, rows = 4;  // the info header counts the mask's rows too
    Bytes bottomUp = {10, 20, 30, 255, 11, 21, 31, 128,   // bottom row
                      12, 22, 32, 0, 13, 23, 33, 64};      // top row
    Bytes mask = {0x40, 0, 0, 0, 0x80, 0, 0, 0};           // bottom right, top left

    Bytes File() const {
        Bytes file(6 + 16 + 40, 0);
        Put16(file, 2, 1);
        Put16(file, 4, 1);
        file[6] = uint8_t(width);
        file[7] = uint8_t(rows / 2);
        Put32(file, 6 + 12, 6 + 16);
        Put32(file, 22, 40);
        Put32(file, 26, uint32_t(width));
        Put32(file, 30, uint32_t(rows));
        Put16(file, 34, 1);
        Put16(file, 36, bitCount);
        Put32(file, 38, compression);
        file.insert(file.end(), bottomUp.begin(), bottomUp.end());
        file.insert(file.end(), mask.begin(), mask.end());
        return file;
    }
};

TEST(DecodeIcon, GivesRgbaTopRowFirstWithTheImagesAlpha) {
    int w = 0, h = 0;
    Bytes rgba;
    ASSERT_TRUE(DecodeIcon(IconFixture().File(), w, h, rgba));
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(rgba, (Bytes{32, 22, 12, 0, 33, 23, 13, 64, 30, 20, 10, 255, 31, 21, 11, 128}));
}

TEST(DecodeIcon, AnIconWithoutAlphaTakesTransparencyFromItsMask) {
    IconFixture icon;
    for (size_t i = 3; i < icon.bottomUp.size(); i += 4) icon.bottomUp[i] = 0;
    int w = 0, h = 0;
    Bytes rgba;
    ASSERT_TRUE(DecodeIcon(icon.File(), w, h, rgba));
    ASSERT_EQ(rgba.size(), 16u);
    // The mask's bit 1 marks transparency: top left and bottom right.
    EXPECT_EQ(rgba[3], 0);
    EXPECT_EQ(rgba[7], 255);
    EXPECT_EQ(rgba[11], 255);
    EXPECT_EQ(rgba[15], 0);
}

TEST(DecodeIcon, RefusesWhatItCannotShowAndLeavesTheOutputsAlone) {
    const struct {
        const char* what;
        Bytes file;
    } cases[] = {
        {"empty", {}},
        {"a cursor file", [] { Bytes f = IconFixture().File(); Put16(f, 2, 2); return f; }()},
        {"24 bits", [] { IconFixture i; i.bitCount = 24; return i.File(); }()},
        {"compressed", [] { IconFixture i; i.compression = 1; return i.File(); }()},
        {"odd row count", [] { IconFixture i; i.rows = 3; return i.File(); }()},
        {"too wide", [] { IconFixture i; i.width = 300; return i.File(); }()},
        {"cut in the pixels", [] { Bytes f = IconFixture().File(); f.resize(6 + 16 + 40 + 15); return f; }()},
        {"image past the end", [] { Bytes f = IconFixture().File(); Put32(f, 18, 1000); return f; }()},
    };
    for (const auto& c : cases) {
        int w = -1, h = -1;
        Bytes rgba{1, 2, 3};
        EXPECT_FALSE(DecodeIcon(c.file, w, h, rgba)) << c.what;
        EXPECT_EQ(w, -1) << c.what;
        EXPECT_EQ(rgba, (Bytes{1, 2, 3})) << c.what;
    }
}

}  // namespace
