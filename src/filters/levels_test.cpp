#include "filters/levels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "filters/filter_test_support.h"

namespace filtertest {
namespace {

constexpr size_t kTileSamples = size_t(kTileSide) * kTileSide;

std::vector<int32_t> FilterTable(const LevelsParams& params) {
    std::vector<int32_t> table(size_t(kLevelsChannels) * kLevelsTableSize);
    EXPECT_TRUE(BuildLevelsTable(params, table.data(), kLevelsTableSize, kLevelsOutputScale));
    return table;
}

int32_t Entry(const std::vector<int32_t>& table, int channel, int i) {
    return table[size_t(channel) * kLevelsTableSize + size_t(i)];
}

// Every entry of every channel: finite values can only have come out of a
// curve that stayed finite.
void ExpectStep(const LevelsParams& params, int firstHigh, int32_t low, int32_t high) {
    const std::vector<int32_t> table = FilterTable(params);
    for (int c = 0; c < kLevelsChannels; ++c)
        for (int i = 0; i < kLevelsTableSize; ++i)
            ASSERT_EQ(Entry(table, c, i), i < firstHigh ? low : high) << "channel " << c << " entry " << i;
}

TEST(LevelsTable, DefaultsQuantiseAndScaleDown) {
    const std::vector<int32_t> table = FilterTable(LevelsParams());
    for (int c = 0; c < kLevelsChannels; ++c) {
        EXPECT_EQ(Entry(table, c, 32768 >> 6), 32608);
        EXPECT_EQ(Entry(table, c, 65535 >> 6), 65152);
        EXPECT_EQ(Entry(table, c, 0), 0);
    }
}

TEST(LevelsTable, EqualMinimumAndMaximumGiveAFlatTable) {
    LevelsParams params;
    SetLevelsParam(params, kLevelsMaximum, 0, 0.25f);
    SetLevelsParam(params, kLevelsMinimum, 0, 0.25f);
    ExpectStep(params, 0, 0, int32_t(std::lround(0.25 * kLevelsOutputScale)));
}

TEST(LevelsTable, BlackPointAtHalfSendsTheLowerHalfToTheMinimum) {
    LevelsParams params;
    SetLevelsParam(params, kLevelsMinimum, 0, 0.1f);
    SetLevelsParam(params, kLevelsBlackPoint, 0, 0.5f);
    const std::vector<int32_t> table = FilterTable(params);
    const int32_t minimum = int32_t(std::lround(double(0.1f) * kLevelsOutputScale));
    for (int i = 0; i <= 511; ++i) ASSERT_EQ(Entry(table, 0, i), minimum) << i;
    for (int i = 512; i < kLevelsTableSize; ++i) ASSERT_GT(Entry(table, 0, i), Entry(table, 0, i - 1)) << i;
    EXPECT_EQ(Entry(table, 0, kLevelsTableSize - 1), kLevelsOutputScale);
}

// The shape's end points: gamma (9 * 0.5^2 + 1)^2 = 10.5625 bends the line
// down for a shape of 1 and up for a shape of 0.
TEST(LevelsTable, ShapeBendsTheCurve) {
    struct Case {
        float shape;
        double u, y;
    } cases[] = {
        {0.5f, 0.3, 0.3},
        {1.0f, 0.5, std::pow(0.5, 10.5625)},
        {0.0f, 0.5, 1.0 - std::pow(0.5, 10.5625)},
        {0.75f, 0.5, std::pow(0.5, std::pow(9 * 0.0625 + 1, 2))},
    };
    for (const Case& k : cases) {
        LevelsParams params;
        SetLevelsParam(params, kLevelsShape, 0, k.shape);
        EXPECT_NEAR(LevelsCurve(params, 0, k.u), k.y, 1e-6) << "shape " << k.shape;
    }
}

TEST(LevelsTable, GraphUsesItsOwnSizeAndScale) {
    std::vector<int32_t> graph(size_t(kLevelsChannels) * kLevelsGraphPoints);
    ASSERT_TRUE(BuildLevelsTable(LevelsParams(), graph.data(), kLevelsGraphPoints, kLevelsGraphScale));
    EXPECT_EQ(graph[0], 0);
    EXPECT_EQ(graph[kLevelsGraphPoints - 1], kLevelsGraphScale);
    EXPECT_EQ(graph[size_t(2) * kLevelsGraphPoints + 160], int32_t(std::lround(160.0 / 319.0 * 150.0)));
    EXPECT_FALSE(BuildLevelsTable(LevelsParams(), graph.data(), 1, kLevelsGraphScale));
}

TEST(LevelsParams, NeutralModeKeepsTheChannelsTogether) {
    LevelsParams params;
    SetLevelsParam(params, kLevelsShape, 2, 0.8f);  // neutral: the edit goes to red
    SetLevelsParam(params, kLevelsWhitePoint, 1, 0.7f);
    const std::vector<int32_t> table = FilterTable(params);
    EXPECT_FLOAT_EQ(params.value[kLevelsShape][0], 0.8f);
    for (int i = 0; i < kLevelsTableSize; ++i) {
        ASSERT_EQ(Entry(table, 1, i), Entry(table, 0, i)) << i;
        ASSERT_EQ(Entry(table, 2, i), Entry(table, 0, i)) << i;
    }

    SetLevelsNeutral(params, false);
    SetLevelsParam(params, kLevelsMaximum, 1, 0.5f);
    EXPECT_FLOAT_EQ(params.value[kLevelsMaximum][0], 1.0f);
    EXPECT_FLOAT_EQ(params.value[kLevelsMaximum][1], 0.5f);
    SetLevelsNeutral(params, true);
    EXPECT_FLOAT_EQ(params.value[kLevelsMaximum][1], 1.0f);

    ResetLevels(params);
    EXPECT_TRUE(params.neutral);
    EXPECT_FLOAT_EQ(params.value[kLevelsWhitePoint][0], 1.0f);
    EXPECT_FLOAT_EQ(params.value[kLevelsShape][2], 0.5f);
}

TEST(LevelsParams, HandlesCannotCross) {
    LevelsParams params;
    SetLevelsParam(params, kLevelsWhitePoint, 0, 0.4f);
    SetLevelsParam(params, kLevelsBlackPoint, 0, 0.8f);
    EXPECT_FLOAT_EQ(params.value[kLevelsBlackPoint][0], 0.4f);
    SetLevelsParam(params, kLevelsBlackPoint, 0, 0.2f);
    SetLevelsParam(params, kLevelsWhitePoint, 0, 0.1f);
    EXPECT_FLOAT_EQ(params.value[kLevelsWhitePoint][0], 0.2f);
    SetLevelsParam(params, kLevelsMaximum, 0, 0.3f);
    SetLevelsParam(params, kLevelsMinimum, 0, 0.6f);
    EXPECT_FLOAT_EQ(params.value[kLevelsMinimum][0], 0.3f);
    SetLevelsParam(params, kLevelsShape, 0, 7.0f);
    EXPECT_FLOAT_EQ(params.value[kLevelsShape][0], 1.0f);
    SetLevelsParam(params, kLevelsMaximum, 0, -2.0f);
    EXPECT_FLOAT_EQ(params.value[kLevelsMaximum][0], 0.3f);
}

// A white point below the black point used to divide by a negative range and
// raise a negative base to a non-integer power; equal points divided by zero.
// Both are now a step at the black point, whichever way the curve bends.
TEST(LevelsTable, CrossedOrEqualPointsGiveAStepAtTheBlackPoint) {
    struct Case {
        float black, white, shape;
        int firstHigh;
    } cases[] = {
        {0.6f, 0.4f, 0.8f, 614},  // 613 / 1023 < 0.6 < 614 / 1023
        {0.6f, 0.4f, 0.2f, 614},
        {0.5f, 0.5f, 0.5f, 512},
        {0.5f, 0.5f, 0.9f, 512},
        {0.0f, 0.0f, 0.9f, 1},  // bending down, 0 itself stays at the minimum
        {0.0f, 0.0f, 0.1f, 0},
    };
    for (const Case& k : cases) {
        LevelsParams params;
        for (int c = 0; c < kLevelsChannels; ++c) {
            params.value[kLevelsMinimum][c] = 0.2f;
            params.value[kLevelsMaximum][c] = 0.9f;
            params.value[kLevelsBlackPoint][c] = k.black;
            params.value[kLevelsWhitePoint][c] = k.white;
            params.value[kLevelsShape][c] = k.shape;
        }
        SCOPED_TRACE(::testing::Message() << "black " << k.black << " white " << k.white << " shape " << k.shape);
        ExpectStep(params, k.firstHigh, int32_t(std::lround(double(0.2f) * kLevelsOutputScale)),
                   int32_t(std::lround(double(0.9f) * kLevelsOutputScale)));
    }
}

TEST(LevelsTable, OutOfRangeValuesStayWithinTheOutputRange) {
    LevelsParams params;
    for (int c = 0; c < kLevelsChannels; ++c) {
        params.value[kLevelsMinimum][c] = -0.5f;
        params.value[kLevelsMaximum][c] = NAN;
        params.value[kLevelsBlackPoint][c] = 2.0f;
        params.value[kLevelsShape][c] = -3.0f;
        params.value[kLevelsWhitePoint][c] = -1.0f;
    }
    const std::vector<int32_t> table = FilterTable(params);
    for (int32_t v : table) {
        ASSERT_GE(v, 0);
        ASSERT_LE(v, kLevelsOutputScale);
    }
    EXPECT_FALSE(std::isnan(LevelsCurve(params, 0, NAN)));
}

using Levels = FilterTest;

TEST_F(Levels, DefaultsChangeColourSamplesAsStated) {
    PixelImage& image = *Tile(0).pixels;
    Samples(image, 0)[0] = 32768;
    Samples(image, 1)[0] = 65535;
    Samples(image, 2)[0] = 0;
    Samples(image, 3)[0] = 32768;
    ASSERT_TRUE(ApplyLevels(doc, kLayer, LevelsParams(), 1));
    EXPECT_EQ(At(image, 0, 0, 0), 32608);
    EXPECT_EQ(At(image, 1, 0, 0), 65152);
    EXPECT_EQ(At(image, 2, 0, 0), 0);
    EXPECT_EQ(At(image, 3, 0, 0), 32768);
}

// Each channel through its own table entry for v >> 6, alpha untouched, the
// same whatever the thread count; tiles without pixels stay so.
TEST_F(Levels, AppliesEachChannelsTableOnAnyThreadCount) {
    LevelsParams params;
    SetLevelsNeutral(params, false);
    SetLevelsParam(params, kLevelsShape, 0, 0.8f);
    SetLevelsParam(params, kLevelsBlackPoint, 1, 0.3f);
    SetLevelsParam(params, kLevelsMinimum, 2, 0.2f);
    const std::vector<int32_t> table = FilterTable(params);
    const LayerSnapshot before = Snapshot(doc, kLayer);
    for (int threads : {1, 3, 0}) {
        for (size_t t = 0; t < doc.stacks.size(); ++t)
            if (before.images[t]) Tile(t).pixels->CopyFrom(*before.images[t]);
        ClearChangeFlags(doc);
        ASSERT_TRUE(ApplyLevels(doc, kLayer, params, threads));
        ExpectLayerFiltered();
        for (size_t t = 0; t < doc.stacks.size(); ++t) {
            ASSERT_EQ(Tile(t).empty, !before.images[t]);
            EXPECT_EQ(Tile(t).dirty, !Tile(t).empty);
            if (!before.images[t]) continue;
            for (size_t i = 0; i < kTileSamples; ++i) {
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(Samples(*Tile(t).pixels, c)[i], Entry(table, c, Samples(*before.images[t], c)[i] >> 6))
                        << threads << " threads, tile " << t << " channel " << c;
                ASSERT_EQ(Samples(*Tile(t).pixels, 3)[i], Samples(*before.images[t], 3)[i]);
            }
        }
    }
}

TEST_F(Levels, RefusesAnUnknownLayer) {
    EXPECT_FALSE(ApplyLevels(doc, 2, LevelsParams()));
    ExpectNothingMarked();
}

}  // namespace
}  // namespace filtertest
