#include "paint/colour_pick.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>

#include "image/document_test_support.h"
#include "paint/layer_pixels.h"

using namespace doctest;

namespace {

using Rgba = std::array<int, 4>;
Rgba Of(const ColorRecord& c) { return {c.value[0], c.value[1], c.value[2], c.value[3]}; }

ColorRecord Working(ColorRecord c) {
    FromDisplay(c);
    return c;
}

// 300 x 200 with layers 0..2, layer 1 current. The pick point (126, 130)
// lies in tiles 3 and 4; tile 3 is the one read.
class ColourPickTest : public DocumentTest {
protected:
    static constexpr int kX = 126, kY = 130;

    void SetUp() override {
        DocumentTest::SetUp();
        ASSERT_TRUE(NewDocument(doc, 300, 200));
        ASSERT_TRUE(AddLayer(doc, 0));
        ASSERT_TRUE(AddLayer(doc, 1));
        doc.currentLayer = 1;
    }
    // The composite picture at document (x, y) in one tile's display buffer.
    void SetComposite(size_t t, int x, int y, int r, int g, int b) {
        const LayerTile& tile = *doc.stacks[t];
        uint8_t* p = tile.texturePixels + ((y - tile.y0) * tile.side + (x - tile.x0)) * 4;
        p[0] = uint8_t(r), p[1] = uint8_t(g), p[2] = uint8_t(b), p[3] = 255;
    }
    PickInput Press(float pressure) {
        PickInput in;
        in.x = kX, in.y = kY, in.leftButton = true, in.pressure = pressure;
        return in;
    }

    PickState state;
};

TEST_F(ColourPickTest, ShiftReadsTheCurrentLayerAsAnOpaqueColour) {
    struct Case {
        Rgba pixel, picked;
    };
    const Case cases[] = {
        {{255, 255, 255, 0}, {255, 255, 255, 255}},
        {{10, 20, 30, 0}, {255, 255, 255, 255}},  // nothing there: white
        {{10, 20, 30, 1}, {10, 20, 30, 255}},
        {{10, 20, 30, 77}, {10, 20, 30, 255}},
    };
    SetComposite(3, kX, kY, 1, 2, 3);
    for (const Case& c : cases) {
        WriteLayerPixel(doc, 1, kX, kY, DisplayColor(c.pixel[0], c.pixel[1], c.pixel[2], c.pixel[3]), true);
        state.hover = DisplayColor(5, 5, 5, 255);
        PickInput in;
        in.x = kX, in.y = kY, in.shift = true;
        PickColour(doc, in, state);
        EXPECT_EQ(Of(state.hover), c.picked) << c.pixel[3];
    }
}

TEST_F(ColourPickTest, CompositeModeReadsTheFirstTilesDisplayBuffer) {
    SetComposite(3, kX, kY, 11, 22, 33);
    SetComposite(4, kX, kY, 99, 99, 99);
    PickInput in;
    in.x = kX, in.y = kY;
    PickColour(doc, in, state);
    EXPECT_EQ(Of(state.hover), (Rgba{11, 22, 33, 255}));
    EXPECT_EQ(state.layerUnderPointer, 0);
}

TEST_F(ColourPickTest, FullPressureReplacesTheEditedColourInOnePass) {
    const ColorRecord picked = DisplayColor(40, 150, 220, 255);
    ColorRecord back = Working(picked);
    ToDisplay(back);
    ASSERT_EQ(Of(back), Of(picked));  // the colour survives the profile's round trip

    SetComposite(3, kX, kY, 40, 150, 220);
    BeginPick(state, DisplayColor(0, 0, 0, 255));
    PickColour(doc, Press(1.0f), state);
    EXPECT_EQ(Of(state.edited), Of(picked));
    EXPECT_EQ(Of(state.hover), Of(picked));
    for (int c = 0; c < 3; ++c) EXPECT_EQ(state.accumulator[c], float(Working(picked).value[c])) << c;
}

// Pressure 0.5 mixes 0.5³ = 1/8 of the remaining way each pass.
TEST_F(ColourPickTest, HalfPressureMovesTheColourAnEighthPerPass) {
    SetComposite(3, kX, kY, 255, 200, 30);
    const ColorRecord start = DisplayColor(0, 60, 250, 255);
    BeginPick(state, start);
    EXPECT_EQ(Of(state.edited), Of(start));
    const ColorRecord from = Working(start), to = Working(DisplayColor(255, 200, 30, 255));
    for (int pass = 1; pass <= 4; ++pass) {
        PickColour(doc, Press(0.5f), state);
        ColorRecord expected;
        for (int c = 0; c < 3; ++c) {
            const double remaining = (to.value[c] - from.value[c]) * std::pow(7.0 / 8.0, pass);
            EXPECT_NEAR(state.accumulator[c], to.value[c] - remaining, 0.05) << "pass " << pass << " channel " << c;
            expected.value[c] = int32_t(std::lround(state.accumulator[c]));
        }
        expected.value[3] = 255 << 8;
        expected.RefreshMirrors();
        ToDisplay(expected);
        EXPECT_EQ(Of(state.edited), Of(expected)) << "pass " << pass;
    }
}

TEST_F(ColourPickTest, ControlMixesNothingButStillFindsTheLayer) {
    SetComposite(3, kX, kY, 40, 150, 220);
    WriteLayerPixel(doc, 2, kX, kY, DisplayColor(0, 0, 0, 255), true);
    const ColorRecord start = DisplayColor(0, 60, 250, 255);
    BeginPick(state, start);
    const PickState before = state;
    PickInput in = Press(1.0f);
    in.control = true;
    PickColour(doc, in, state);
    EXPECT_EQ(Of(state.edited), Of(start));
    for (int c = 0; c < 3; ++c) EXPECT_EQ(state.accumulator[c], before.accumulator[c]);
    EXPECT_EQ(state.layerUnderPointer, 2);
}

// Opaque white reads 65280 as alpha: 65280 * 48 / 255 is exactly the limit.
TEST_F(ColourPickTest, LayerPickPassesOverLayersBelowAbout19PercentOpacity) {
    struct Case {
        bool layer1Opaque;
        int layer2Opacity, expected;
    };
    const Case cases[] = {{true, 255, 2}, {true, 49, 2}, {true, 48, 1}, {false, 48, 0}, {true, 0, 1}};
    WriteLayerPixel(doc, 2, kX, kY, DisplayColor(0, 0, 0, 255), true);
    for (const Case& c : cases) {
        WriteLayerPixel(doc, 1, kX, kY, DisplayColor(0, 0, 0, c.layer1Opaque ? 255 : 0), true);
        doc.layers[2].opacity = c.layer2Opacity;
        ApplyLayerInfo(doc, 2);
        state.layerUnderPointer = -1;
        PickInput in;
        in.x = kX, in.y = kY;
        PickColour(doc, in, state);
        EXPECT_EQ(state.layerUnderPointer, c.expected) << c.layer1Opaque << " " << c.layer2Opacity;
    }
}

TEST_F(ColourPickTest, OffTheDocumentNothingIsPickedOrMixed) {
    BeginPick(state, DisplayColor(0, 60, 250, 255));
    state.hover = DisplayColor(1, 2, 3, 255);
    state.layerUnderPointer = 2;
    for (const auto& p : {std::array<int, 2>{-1, 10}, {10, -1}, {300, 10}, {10, 200}}) {
        PickInput in = Press(1.0f);
        in.x = p[0], in.y = p[1];
        PickColour(doc, in, state);
    }
    EXPECT_EQ(Of(state.edited), (Rgba{0, 60, 250, 255}));
    EXPECT_EQ(Of(state.hover), (Rgba{1, 2, 3, 255}));
    EXPECT_EQ(state.layerUnderPointer, 2);
}

}  // namespace
