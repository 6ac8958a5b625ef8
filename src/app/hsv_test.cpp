#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "app/popups.h"

namespace {

struct Rgb {
    int r, g, b;
};

unsigned Pack(Rgb c) { return unsigned(c.r) << 16 | unsigned(c.g) << 8 | unsigned(c.b); }

struct HsvCase {
    const char* name;
    Rgb colour;
    int hue, saturation, value;
    Rgb back;  // HsvToRgb of the three; not always the colour itself
};

void PrintTo(const HsvCase& c, std::ostream* os) { *os << c.name; }

class HsvRoundTrip : public ::testing::TestWithParam<HsvCase> {};

TEST_P(HsvRoundTrip, ConvertsBothWays) {
    const HsvCase& c = GetParam();
    const Rgb in = c.colour;
    EXPECT_EQ(RgbHue(in.r, in.g, in.b), c.hue);
    EXPECT_EQ(RgbSaturation(in.r, in.g, in.b), c.saturation);
    EXPECT_EQ(RgbValue(in.r, in.g, in.b), c.value);
    EXPECT_EQ(HsvToRgb(c.hue, c.saturation, c.value), Pack(c.back))
        << std::hex << HsvToRgb(c.hue, c.saturation, c.value);
}

// The expected values were worked out from the conversion rules apart from
// this code.
// Ties for the smallest or largest channel go to the first of red, green,
// blue, which is why pure red and pure blue do not come back exactly.
INSTANTIATE_TEST_SUITE_P(
    Colours, HsvRoundTrip,
    ::testing::Values(HsvCase{"Orange", {255, 128, 0}, 21, 255, 255, {255, 128, 0}},
                      HsvCase{"Red", {255, 0, 0}, 251, 255, 255, {255, 0, 6}},
                      HsvCase{"Green", {0, 255, 0}, 84, 255, 255, {0, 255, 0}},
                      HsvCase{"Blue", {0, 0, 255}, 167, 255, 255, {0, 6, 255}},
                      HsvCase{"Yellow", {255, 255, 0}, 41, 255, 255, {255, 249, 0}},
                      HsvCase{"Cyan", {0, 255, 255}, 125, 255, 255, {0, 255, 249}},
                      HsvCase{"Magenta", {255, 0, 255}, 210, 255, 255, {255, 0, 255}},
                      HsvCase{"DullRed", {128, 64, 64}, 251, 128, 128, {128, 64, 65}},
                      HsvCase{"SeaGreen", {10, 200, 90}, 101, 242, 200, {10, 200, 87}},
                      HsvCase{"Purple", {200, 30, 150}, 222, 217, 200, {200, 30, 151}},
                      HsvCase{"SlateBlue", {60, 60, 200}, 167, 179, 200, {60, 63, 200}},
                      HsvCase{"NearWhite", {250, 251, 249}, 62, 2, 251, {250, 251, 249}},
                      HsvCase{"White", {255, 255, 255}, 0, 0, 255, {255, 255, 255}},
                      HsvCase{"Grey", {77, 77, 77}, 0, 0, 77, {77, 77, 77}},
                      HsvCase{"Black", {0, 0, 0}, 0, 0, 0, {0, 0, 0}},
                      HsvCase{"DarkestRed", {1, 0, 0}, 251, 255, 1, {1, 0, 0}}),
    [](const ::testing::TestParamInfo<HsvCase>& info) { return std::string(info.param.name); });

TEST(HsvToRgb, HuesPastTheWheelCountAsRed) {
    EXPECT_EQ(HsvToRgb(252, 255, 255), 0xFF0000u);
    EXPECT_EQ(HsvToRgb(255, 255, 255), 0xFF0000u);
}

TEST(HsvToRgb, SectorsStartAtTheirPureColours) {
    const unsigned starts[6] = {0xFF0000u, 0xFFFF00u, 0x00FF00u, 0x00FFFFu, 0x0000FFu, 0xFF00FFu};
    for (int sector = 0; sector < 6; ++sector) EXPECT_EQ(HsvToRgb(42 * sector, 255, 255), starts[sector]) << sector;
}

TEST(HsvToRgb, NoSaturationGivesTheGreyOfTheValue) {
    for (int h : {0, 50, 130, 251}) EXPECT_EQ(HsvToRgb(h, 0, 77), 0x4D4D4Du) << h;
}

}  // namespace
