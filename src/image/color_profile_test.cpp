#include "image/color_profile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "image/channel_buffer.h"
#include "image/color_record.h"
#include "image/pixel_image.h"

namespace {

// Leaves the default profile selected for whatever runs next.
class ColorProfileTest : public ::testing::Test {
protected:
    void Select(int index) { SelectProfile(*BuiltinProfile(index)); }
    void TearDown() override { Select(kDefaultProfileIndex); }
};

class EveryProfile : public ColorProfileTest, public ::testing::WithParamInterface<int> {};

INSTANTIATE_TEST_SUITE_P(Builtin, EveryProfile, ::testing::Range(0, kProfileCount));

TEST_F(ColorProfileTest, LinearRgbIsTheIdentityAndWhiteSurvivesTheRoundTrip) {
    Select(0);
    for (int c = 0; c < 3; ++c)
        for (int i = 0; i < kProfileTableSize; ++i) {
            ASSERT_EQ(ForwardTable(c)[i], i);
            ASSERT_EQ(InverseTable(c)[i], i);
        }
    ColorRecord white = DisplayColor(255, 255, 255, 255);
    FromDisplay(white);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(white.value[i], 65280);
    ToDisplay(white);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(white.value[i], 255);
    EXPECT_EQ(white.displayR, 65280);
}

// Spot values of the forward curves, worked out separately in single
// precision; they catch a table built in double or with the wrong weighting.
struct ForwardSpot {
    int profile, channel;
    int values[8];  // entries 1, 10, 100, 512, 1024, 1536, 2000, 2046
};

TEST_F(ColorProfileTest, ForwardCurvesMatchValuesWorkedOutIndependently) {
    const ForwardSpot spots[] = {
        {1, 0, {0, 1, 31, 338, 933, 1566, 2013, 2046}},    {2, 1, {3, 22, 154, 576, 1009, 1471, 1987, 2046}},
        {3, 2, {7, 38, 204, 599, 949, 1375, 1969, 2045}},  {4, 0, {21, 83, 301, 553, 719, 1087, 1913, 2044}},
        {5, 0, {97, 243, 607, 1130, 1472, 1756, 2019, 2046}}, {5, 1, {2, 17, 130, 492, 866, 1330, 1964, 2045}},
        {5, 2, {0, 0, 12, 165, 511, 1077, 1933, 2045}},    {6, 0, {1, 10, 98, 463, 898, 1395, 1978, 2046}},
        {6, 1, {14, 64, 281, 745, 1129, 1528, 1992, 2046}}, {6, 2, {31, 110, 383, 891, 1276, 1634, 2005, 2046}},
    };
    const int at[8] = {1, 10, 100, 512, 1024, 1536, 2000, 2046};
    for (const ForwardSpot& s : spots) {
        Select(s.profile);
        for (int k = 0; k < 8; ++k)
            EXPECT_EQ(ForwardTable(s.channel)[at[k]], s.values[k])
                << BuiltinProfile(s.profile)->name << " channel " << s.channel << " entry " << at[k];
    }
}

// The only entries where single and double precision round differently.
TEST_F(ColorProfileTest, ForwardCurvesAreBuiltInSinglePrecision) {
    Select(1);
    EXPECT_EQ(ForwardTable(0)[1319], 1307);  // 1306 in double precision
    Select(5);
    EXPECT_EQ(ForwardTable(1)[771], 679);  // 680 in double precision
}

TEST_P(EveryProfile, ForwardTablesRiseFromBlackToWhite) {
    Select(GetParam());
    for (int c = 0; c < 3; ++c) {
        const int32_t* f = ForwardTable(c);
        EXPECT_EQ(f[0], 0);
        EXPECT_EQ(f[kProfileTableSize - 1], kProfileTableSize - 1);
        for (int i = 1; i < kProfileTableSize; ++i) ASSERT_GE(f[i], f[i - 1]) << "channel " << c << " entry " << i;
    }
}

TEST_P(EveryProfile, InverseTablesHaveNoHolesAndMapBackToTheLargestInput) {
    Select(GetParam());
    for (int c = 0; c < 3; ++c) {
        const int32_t* f = ForwardTable(c);
        const int32_t* inv = InverseTable(c);
        for (int k = 1; k < kProfileTableSize - 1; ++k) ASSERT_NE(inv[k], 0) << "channel " << c << " entry " << k;
        EXPECT_EQ(inv[kProfileTableSize - 1], kProfileTableSize - 1);
        std::vector<int> largest(kProfileTableSize, -1);
        for (int i = 0; i < kProfileTableSize; ++i) largest[f[i]] = i;
        for (int k = 0; k < kProfileTableSize - 1; ++k)
            if (largest[k] >= 0) {
                ASSERT_EQ(inv[k], largest[k]) << "channel " << c << " level " << k;
            }
    }
}

// Levels no input maps to are holes in the inverse tables. Each takes the
// value of the nearest level to its left, except a run right after level 0
// when level 0 maps back to 0 (the dark end): those take the nearest level to
// their right, so that no level above black displays as black. The entries
// below were worked out separately from the curves; filling from the right
// first moves each of them by one.
struct FilledEntry {
    int profile, channel, entry, value;
};

TEST_F(ColorProfileTest, InverseHolesAreFilledFromTheLeftExceptNextToBlack) {
    const FilledEntry pins[] = {
        {1, 0, 385, 558},   {1, 1, 1057, 1121}, {1, 2, 1738, 1693},                      // Pale
        {2, 0, 5, 1},       {2, 1, 275, 202},   {2, 2, 2045, 2045},                      // Rich
        {3, 2, 10, 1},      {3, 0, 1628, 1760}, {3, 1, 2046, 2046},                      // Very rich
        {4, 0, 31, 1},      {4, 1, 1493, 1815}, {4, 2, 2046, 2046},                      // Neon
        {5, 0, 127, 1},     {5, 0, 631, 110},   {5, 0, 985, 354},   {5, 2, 676, 1201},   // Freeze
        {5, 2, 1520, 1805}, {5, 1, 3, 1},                                                //
        {6, 0, 1268, 1415}, {6, 0, 1795, 1868}, {6, 1, 22, 1},      {6, 1, 278, 98},     // Warm skin
        {6, 2, 757, 370},
    };
    for (const FilledEntry& p : pins) {
        Select(p.profile);
        EXPECT_EQ(InverseTable(p.channel)[p.entry], p.value)
            << BuiltinProfile(p.profile)->name << " channel " << p.channel << " entry " << p.entry;
    }
}

TEST_P(EveryProfile, EveryInverseHoleTakesItsNeighbourByTheRule) {
    Select(GetParam());
    for (int c = 0; c < 3; ++c) {
        const int32_t* f = ForwardTable(c);
        std::vector<int> produced(kProfileTableSize, -1);
        for (int i = 0; i < kProfileTableSize; ++i) produced[f[i]] = i;
        produced[kProfileTableSize - 1] = kProfileTableSize - 1;
        if (produced[0] < 0) produced[0] = 0;
        const int32_t* inv = InverseTable(c);
        for (int k = 1; k < kProfileTableSize - 1; ++k) {
            if (produced[k] >= 0) continue;
            int left = k - 1, right = k + 1;
            while (produced[left] < 0) --left;
            while (produced[right] < 0) ++right;
            const int expected = produced[left] != 0 ? produced[left] : produced[right];
            ASSERT_EQ(inv[k], expected) << "channel " << c << " entry " << k;
        }
    }
}

TEST_P(EveryProfile, DisplayValuesStayInRangeAndBlackStaysBlack) {
    Select(GetParam());
    ColorRecord black = DisplayColor(0, 0, 0, 0);
    FromDisplay(black);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(black.value[i], 0);
    for (int v = 0; v < 65536; ++v) {
        ColorRecord c = DisplayColor(v, v, v, v);
        ToDisplay(c);
        for (int i = 0; i < 4; ++i) ASSERT_LE(c.value[i], 255) << "working value " << v;
        ASSERT_LE(Fwd(0, v), 65504u);
        ASSERT_EQ(Fwd(1, v) % 32, 0u);
    }
}

TEST_P(EveryProfile, SelectingTwiceGivesTheSameTablesAndItsOwnIndex) {
    Select(GetParam());
    std::vector<int32_t> first;
    for (int c = 0; c < 3; ++c) {
        first.insert(first.end(), ForwardTable(c), ForwardTable(c) + kProfileTableSize);
        first.insert(first.end(), InverseTable(c), InverseTable(c) + kProfileTableSize);
    }
    Select(4);
    Select(GetParam());
    std::vector<int32_t> second;
    for (int c = 0; c < 3; ++c) {
        second.insert(second.end(), ForwardTable(c), ForwardTable(c) + kProfileTableSize);
        second.insert(second.end(), InverseTable(c), InverseTable(c) + kProfileTableSize);
    }
    EXPECT_EQ(first, second);
    EXPECT_EQ(CurrentProfileIndex(), GetParam());
    EXPECT_STREQ(CurrentProfile().name, BuiltinProfile(GetParam())->name);
}

TEST_F(ColorProfileTest, DarkExponentLiftsBlackOnTheWayBack) {
    Select(5);  // "Freeze": its blue curve stays at 0 over the first levels
    EXPECT_GT(Inv(2, 0), 0u);
    EXPECT_EQ(Inv(0, 0), 0u);
}

TEST_F(ColorProfileTest, ProfilesAreFoundByIndexAndName) {
    EXPECT_EQ(BuiltinProfile(-1), nullptr);
    EXPECT_EQ(BuiltinProfile(kProfileCount), nullptr);
    EXPECT_STREQ(BuiltinProfile(0)->name, "Linear RGB");
    EXPECT_STREQ(BuiltinProfile(6)->name, "Warm skin");
    EXPECT_EQ(sizeof(ColorProfile), 88u);

    ColorProfile custom = *BuiltinProfile(3);
    std::strcpy(custom.name, "Very rich (mine)");
    SelectProfile(custom);
    EXPECT_EQ(CurrentProfileIndex(), -1);
    EXPECT_EQ(ForwardTable(0)[1024], 949);  // the curves are still those of "Very rich"
}

TEST_F(ColorProfileTest, UnterminatedNamesAreCutInsideTheRecord) {
    ColorProfile junk = *BuiltinProfile(1);
    std::memset(junk.name, 'x', sizeof junk.name);
    SelectProfile(junk);
    EXPECT_EQ(std::strlen(CurrentProfile().name), sizeof junk.name - 1);
}

TEST_F(ColorProfileTest, RecordValuesOutsideSixteenBitsDoNotReadPastTheTables) {
    Select(2);
    ColorRecord c = DisplayColor(70000, 300, 255, 255);
    FromDisplay(c);
    EXPECT_EQ(c.value[0], 65504);  // clamped to the top of the table
    EXPECT_EQ(c.value[1], 65504);
}

TEST_F(ColorProfileTest, ImageConversionTouchesColourPlanesOnly) {
    Select(4);
    PixelImage image(3, 2, 4, 16);
    for (int ch = 0; ch < 4; ++ch)
        for (int i = 0; i < 6; ++i) static_cast<ChannelBuffer16&>(image.Channel(ch)).samples[i] = uint16_t(i * 9000 + ch);
    ConvertImageProfile(image, true);
    for (int ch = 0; ch < 4; ++ch)
        for (int i = 0; i < 6; ++i) {
            const uint32_t before = uint32_t(i * 9000 + ch);
            const uint32_t expected = ch == 3 ? before : Fwd(ch, before);
            EXPECT_EQ(static_cast<ChannelBuffer16&>(image.Channel(ch)).samples[i], expected);
        }
    ConvertImageProfile(image, false);
    for (int ch = 0; ch < 3; ++ch)
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(static_cast<ChannelBuffer16&>(image.Channel(ch)).samples[i], Inv(ch, Fwd(ch, uint32_t(i * 9000 + ch))));

    PixelImage mask(3, 2, 1, 16);
    mask.Channel(0).Fill(1234);
    ConvertImageProfile(mask, true);
    EXPECT_EQ(mask.Channel(0).Get(2, 1), 1234u);
}

}  // namespace
