#include "ui/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

#include "ui/ui_scale.h"

namespace {

std::string Resource(const char* name) { return std::string(ORVELLA_RESOURCES_DIR) + "/" + name; }

// Both shipped fonts loaded (no GL context here: the texture calls do
// nothing, the metrics are real).
class TextTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadFont(kNormalFont, Resource("font.tga").c_str()));
        ASSERT_TRUE(LoadFont(kSmallFont, Resource("fontsmall.tga").c_str()));
    }
    void TearDown() override { ReleaseFonts(); }
};

TEST_F(TextTest, SpaceIsAQuarterCellAndAGap) {
    EXPECT_EQ(TextWidth(kNormalFont, " "), 16 / 4 + 1);
    EXPECT_EQ(TextWidth(kNormalFont, "   "), 3 * (16 / 4 + 1));
}

TEST_F(TextTest, OnesTakeTheRoomOfZeros) {
    for (int font : {kNormalFont, kSmallFont}) {
        EXPECT_EQ(TextWidth(font, "11"), TextWidth(font, "00")) << font;
        EXPECT_EQ(TextWidth(font, "1901"), TextWidth(font, "0900")) << font;
    }
}

TEST_F(TextTest, LatinLettersMeasureWithTheirGlyphs) {
    // Ä (196) is drawn with glyph code 129, which a raw byte 129 also reaches.
    const struct {
        const char* latin;
        const char* glyphCode;
    } letters[] = {{"\xc5", "\x80"}, {"\xc4", "\x81"}, {"\xd6", "\x82"}, {"\xe5", "\x83"}, {"\xe4", "\x84"}, {"\xf6", "\x85"}};
    for (const auto& l : letters) {
        const int w = TextWidth(kNormalFont, l.latin);
        EXPECT_EQ(w, TextWidth(kNormalFont, l.glyphCode)) << static_cast<int>(static_cast<unsigned char>(l.latin[0]));
        EXPECT_GT(w, 16 / 4 + 1) << "an inked glyph, wider than an empty cell";
    }
    EXPECT_EQ(TextWidth(kNormalFont, "x\xc4y"), TextWidth(kNormalFont, "x") + TextWidth(kNormalFont, "\xc4") +
                                                   TextWidth(kNormalFont, "y"));
}

TEST_F(TextTest, CharactersWithoutGlyphsTakeNoRoomAndDrawNothing) {
    std::string none;
    for (int c = 1; c < 32; ++c) none += static_cast<char>(c);
    for (int c = 142; c < 256; ++c)
        if (c != 196 && c != 197 && c != 214 && c != 228 && c != 229 && c != 246) none += static_cast<char>(c);
    for (int font : {kNormalFont, kSmallFont}) {
        EXPECT_EQ(TextWidth(font, none.c_str()), 0) << font;
        EXPECT_EQ(TextWidth(font, ("ab" + none + "c").c_str()), TextWidth(font, "abc")) << font;
        DrawText(font, 10, 10, none.c_str());
    }
    // The strip's empty cells past the six letters are still glyphs.
    EXPECT_EQ(TextWidth(kNormalFont, "\x8d"), 16 / 4 + 1);
}

TEST_F(TextTest, TextIsDrawnAndMeasuredAsItIs) {
    const char* data = "%s%n%d";
    EXPECT_EQ(TextWidth(kNormalFont, data),
              3 * TextWidth(kNormalFont, "%") + TextWidth(kNormalFont, "snd"));
    DrawText(kNormalFont, 0, 0, data);
    EXPECT_EQ(TextWidthF(kNormalFont, "%s", data), TextWidth(kNormalFont, data));
    DrawTextF(0, 0, "%s", data);
    DrawSmallTextF(0, 0, "%s", data);
}

TEST_F(TextTest, FormattedTextIsCutAt255Characters) {
    EXPECT_EQ(TextWidthF(kNormalFont, "%d/%d", 3, 12), TextWidth(kNormalFont, "3/12"));
    const std::string longText(300, 'm');
    EXPECT_EQ(TextWidthF(kNormalFont, "%s", longText.c_str()), 255 * TextWidth(kNormalFont, "m"));
}

TEST_F(TextTest, SmallCaptionsFitTheirToggles) {
    for (const char* caption : {"Jy", "Av", "Bs", "Bi"}) EXPECT_LE(TextWidth(kSmallFont, caption), 13) << caption;
    EXPECT_LT(TextWidth(kSmallFont, "Multiply"), TextWidth(kNormalFont, "Multiply"));
}

// Every scale's fonts loaded, as the program loads them.
class ScaledTextTest : public TextTest {
protected:
    void SetUp() override {
        TextTest::SetUp();
        for (const char* n : {"150", "200"}) {
            ASSERT_TRUE(LoadFont(kNormalFont, Resource((std::string("font") + n + ".tga").c_str()).c_str(), std::stoi(n)));
            ASSERT_TRUE(LoadFont(kSmallFont, Resource((std::string("fontsmall") + n + ".tga").c_str()).c_str(), std::stoi(n)));
        }
    }
    void TearDown() override {
        SetUiScale(100);
        TextTest::TearDown();
    }
};

const char* const kSamples[] = {"File", "Settings", "Color profile - Rich", "Interface scale 150%", "Multiply",
                                "Layer 12", "0123456789", "WWW iii"};

// A scale measures with its own font, in logical units: about the width the
// 100 % font gives, but not that width for every text, as the 100 % glyphs
// merely enlarged would give.
TEST_F(ScaledTextTest, EachScaleMeasuresItsOwnGlyphsInLogicalUnits) {
    for (int font : {kNormalFont, kSmallFont}) {
        int unscaled[sizeof kSamples / sizeof kSamples[0]];
        SetUiScale(100);
        for (size_t k = 0; k < std::size(kSamples); ++k) unscaled[k] = TextWidth(font, kSamples[k]);
        for (int scale : {150, 200}) {
            SetUiScale(scale);
            bool ownGlyphs = false;
            for (size_t k = 0; k < std::size(kSamples); ++k) {
                const int w = TextWidth(font, kSamples[k]);
                EXPECT_NEAR(w, unscaled[k], std::max(2, unscaled[k] / 6)) << scale << "% font " << font << " " << kSamples[k];
                ownGlyphs |= w != unscaled[k];
            }
            EXPECT_TRUE(ownGlyphs) << scale << "% font " << font;
        }
    }
}

TEST_F(ScaledTextTest, SmallCaptionsFitTheirTogglesAtEveryScale) {
    for (int scale : kUiScales) {
        SetUiScale(scale);
        for (const char* caption : {"Jy", "Av", "Bs", "Bi"}) EXPECT_LE(TextWidth(kSmallFont, caption), 13) << scale << "% " << caption;
    }
}

// Without its own font a scale draws the 100 % one enlarged, and measures it so.
TEST_F(ScaledTextTest, AScaleWithoutItsFontUsesTheUnscaledOne) {
    SetUiScale(100);
    const int unscaled = TextWidth(kNormalFont, "Settings");
    EXPECT_FALSE(LoadFont(kNormalFont, Resource("font.tga").c_str(), 150)) << "a 16-pixel strip has no 24-pixel cells";
    SetUiScale(150);
    EXPECT_EQ(TextWidth(kNormalFont, "Settings"), unscaled);
    DrawText(kNormalFont, 0, 0, "Settings");
    EXPECT_FALSE(LoadFont(kNormalFont, Resource("font200.tga").c_str(), 120)) << "no such scale";
}

TEST(TextLoadTest, AFailedLoadLeavesTheFontWithoutGlyphs) {
    ASSERT_TRUE(LoadFont(kNormalFont, Resource("font.tga").c_str()));
    EXPECT_GT(TextWidth(kNormalFont, "W"), 1);

    const std::string bad = ::testing::TempDir() + "orvella_bad_font.tga";
    FILE* f = std::fopen(bad.c_str(), "wb");
    ASSERT_TRUE(f);
    const unsigned char header[18] = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 8, 16, 0, 24, 0};  // run-length encoded
    std::fwrite(header, 1, sizeof header, f);
    std::fclose(f);
    EXPECT_FALSE(LoadFont(kNormalFont, bad.c_str()));
    std::remove(bad.c_str());
    EXPECT_EQ(TextWidth(kNormalFont, "W W"), 3) << "zero-width glyphs, one-pixel gaps";
    DrawText(kNormalFont, 0, 0, "W W");

    EXPECT_FALSE(LoadFont(kNormalFont, (::testing::TempDir() + "orvella_no_such_font.tga").c_str()));
    EXPECT_FALSE(LoadFont(kNormalFont, nullptr));
    EXPECT_FALSE(LoadFont(2, Resource("font.tga").c_str()));
    EXPECT_FALSE(LoadFont(-1, Resource("font.tga").c_str()));
    EXPECT_EQ(TextWidth(2, "W"), 0);
    ReleaseFonts();
}

}  // namespace
