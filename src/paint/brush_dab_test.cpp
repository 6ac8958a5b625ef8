#include "paint/brush_dab.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "image/channel_buffer.h"
#include "image/pixel_image.h"

namespace {

using Image = std::unique_ptr<PixelImage>;

constexpr double kPi = 3.14159265358979323846;

uint16_t* Samples(const PixelImage& image) { return static_cast<ChannelBuffer16&>(image.Channel(0)).samples; }

uint32_t At(const PixelImage& image, int row, int column) { return Samples(image)[row * image.width + column]; }

// The whole allocation, so that writes past the logical size show up.
void FillStorage(PixelImage& image, uint16_t v) {
    std::fill_n(static_cast<ChannelBuffer16&>(image.Channel(0)).storage,
                size_t(image.capacityWidth) * image.capacityHeight, v);
}

Image Shape(float radius, float hardness) {
    Image shape(NewBrushImage());
    BuildBrushShape(*shape, radius, hardness);
    return shape;
}

// The edge profile in double precision; the code works in single precision,
// which may land one step away.
std::vector<int> ReferenceShape(double radius, double hardness, int n) {
    const double c = std::min(radius, 127.0);
    const double w = 4 * c * (1 - hardness) + 1;
    std::vector<int> out;
    for (int i = 0; i < 2 * n; ++i) {
        for (int j = 0; j < 2 * n; ++j) {
            const double t = (c - std::hypot(i - n, j - n)) / w;
            const double v = t < 0 ? 0 : t > 1 ? 1 : (1 - std::cos(kPi * t)) / 2;
            out.push_back(int(std::lround(v * 65535)));
        }
    }
    return out;
}

std::vector<uint16_t> ReferenceShift(const PixelImage& s, float x, float y) {
    const int w = s.width, h = s.height;
    const uint32_t m = uint32_t(std::lround((1 - (x - std::floor(x))) * 256));
    const uint32_t l = uint32_t(std::lround((1 - (y - std::floor(y))) * 256));
    std::vector<uint16_t> out(size_t(w) * h, 0);
    for (int i = 1; i < h - 1; ++i)
        for (int j = 1; j < w - 1; ++j)
            out[size_t(i) * w + j] = uint16_t(
                (l * (m * At(s, i + 1, j + 1) + (256 - m) * At(s, i + 1, j)) +
                 (256 - l) * (m * At(s, i, j + 1) + (256 - m) * At(s, i, j))) >> 16);
    return out;
}

// The resampling loops exactly as described, one sample at a time, with the
// row and column loops also bounded by the dab's size.
std::vector<uint16_t> ReferenceScale(const PixelImage& s, float x, float y, float scale) {
    const int w = s.width, h = s.height;
    std::vector<uint16_t> out(size_t(w) * h, 0);
    if (!(scale > 0) || !std::isfinite(scale)) return out;
    const double k = 1.0 / scale;
    const int64_t u = std::llround(256 * k);
    const int64_t o = u * 7 / 8;
    const double fx = x - std::floor(x), fy = y - std::floor(y);
    const int64_t x0 = (w / 2 - std::llround(k * (w / 2))) * 256 + o - std::llround(u * fx);
    const int64_t y0 = (h / 2 - std::llround(k * (h / 2))) * 256 + o - std::llround(u * fy);
    for (int i = 0; i < h; ++i) {
        const int64_t yi = y0 + i * u;
        if (yi >= int64_t(h - 1) * 256) break;
        if (yi < 0) continue;
        for (int j = 0; j < w; ++j) {
            const int64_t xj = x0 + j * u;
            if (xj >= int64_t(w - 1) * 256) break;
            if (xj < 0) continue;
            const int sx = int(xj / 256), sy = int(yi / 256);
            const uint32_t a = uint32_t(xj % 256), b = uint32_t(yi % 256);
            out[size_t(i) * w + j] = uint16_t(
                ((At(s, sy, sx + 1) * a + At(s, sy, sx) * (256 - a)) * (256 - b) +
                 b * (At(s, sy + 1, sx + 1) * a + At(s, sy + 1, sx) * (256 - a))) >> 16);
        }
    }
    return out;
}

std::vector<uint16_t> Logical(const PixelImage& image) {
    return std::vector<uint16_t>(Samples(image), Samples(image) + size_t(image.width) * image.height);
}

TEST(BrushDabShape, SideIsTwiceTheRadiusRoundedHalfToEvenPlusOne) {
    const struct {
        float radius;
        int n;
    } cases[] = {{1.0f, 2}, {1.6f, 3}, {2.5f, 3}, {3.5f, 5}, {4.49f, 5}, {126.5f, 127}, {127.0f, 128}, {300.0f, 128}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.radius);
        Image shape = Shape(c.radius, 0.5f);
        EXPECT_EQ(shape->width, 2 * c.n);
        EXPECT_EQ(shape->height, 2 * c.n);
    }
}

TEST(BrushDabShape, RadiusLimitFillsTheWholeAllocation) {
    Image shape = Shape(127.0f, 0.9f);  // an edge narrower than the radius
    ASSERT_EQ(shape->width, kBrushCapacity);
    ASSERT_EQ(shape->height, kBrushCapacity);
    EXPECT_EQ(At(*shape, 128, 128), 65535u);
    // The edge reaches to within one sample of the border, whose samples lie
    // at the radius or beyond it.
    EXPECT_GT(At(*shape, 128, 2), 0u);
    EXPECT_EQ(At(*shape, 128, 1), 0u);
    EXPECT_EQ(At(*shape, 0, 0), 0u);
}

TEST(BrushDabShape, FullHardnessIsAnAliasedDiscInsideTheRadius) {
    for (float radius : {1.0f, 5.5f, 7.3f, 40.0f}) {
        SCOPED_TRACE(radius);
        Image shape = Shape(radius, 1.0f);
        const int n = shape->width / 2;
        for (int i = 0; i < shape->height; ++i) {
            for (int j = 0; j < shape->width; ++j) {
                const float d2 = float((i - n) * (i - n) + (j - n) * (j - n));
                ASSERT_EQ(At(*shape, i, j), d2 < radius * radius ? 65535u : 0u) << i << "," << j;
            }
        }
    }
}

TEST(BrushDabShape, DefaultBrushDoesNotReachFullCoverageAtItsCentre) {
    Image shape = Shape(1.6f, 0.7f);
    ASSERT_EQ(shape->width, 6);
    // (1 - cos(pi * 1.6 / 2.92)) / 2 * 65535 = 37684.44 in double precision.
    EXPECT_EQ(At(*shape, 3, 3), 37684u);
}

TEST(BrushDabShape, SoftEdgesFollowTheCosineProfile) {
    const struct {
        float radius, hardness;
    } cases[] = {{1.6f, 0.7f}, {3.0f, 0.0f}, {12.4f, 0.5f}, {40.0f, 0.99f}, {90.7f, 0.13f}, {127.0f, 0.3f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.radius << " " << c.hardness);
        Image shape = Shape(c.radius, c.hardness);
        const std::vector<int> expected = ReferenceShape(c.radius, c.hardness, shape->width / 2);
        const std::vector<uint16_t> got = Logical(*shape);
        ASSERT_EQ(got.size(), expected.size());
        for (size_t i = 0; i < got.size(); ++i) ASSERT_LE(std::abs(int(got[i]) - expected[i]), 1) << i;
    }
}

class BrushDabTest : public ::testing::Test {
protected:
    void SetUp() override { FillStorage(*dab, 0xABCD); }

    Image dab{NewBrushImage()};
};

TEST_F(BrushDabTest, ShiftByAWholePixelCopiesTheShapeOneSampleOnward) {
    Image shape = Shape(9.3f, 0.4f);
    for (float p : {0.0f, 10.0f, -3.0f}) {
        ShiftDab(*dab, *shape, p, -p);
        ASSERT_EQ(dab->width, shape->width);
        ASSERT_EQ(dab->height, shape->height);
        const int w = shape->width, h = shape->height;
        for (int i = 0; i < h; ++i) {
            for (int j = 0; j < w; ++j) {
                const bool border = i == 0 || j == 0 || i == h - 1 || j == w - 1;
                ASSERT_EQ(At(*dab, i, j), border ? 0u : At(*shape, i + 1, j + 1)) << i << "," << j;
            }
        }
    }
}

TEST_F(BrushDabTest, ShiftMatchesTheScalarFormulaAtSubPixelPositions) {
    for (float radius : {1.6f, 20.2f, 127.0f}) {
        Image shape = Shape(radius, 0.35f);
        for (auto [x, y] : {std::pair{0.25f, 0.75f}, {3.5f, 17.125f}, {-4.3f, 12.99f}, {1000.61f, -0.002f}}) {
            SCOPED_TRACE(testing::Message() << radius << " at " << x << "," << y);
            ShiftDab(*dab, *shape, x, y);
            ASSERT_EQ(Logical(*dab), ReferenceShift(*shape, x, y));
        }
    }
}

TEST_F(BrushDabTest, ScaleMatchesTheScalarLoopsAtManyScalesAndPositions) {
    const float scales[] = {1.0f, 0.5f, 0.37f, 0.01f, 1.3f, 2.0f, 7.9f, 600.0f};
    const std::pair<float, float> positions[] = {{0.0f, 0.0f}, {0.3f, 0.8f}, {-2.875f, 5.5f}, {33.01f, -7.49f}};
    for (float radius : {1.6f, 15.0f, 127.0f}) {
        Image shape = Shape(radius, 0.6f);
        for (float scale : scales) {
            for (auto [x, y] : positions) {
                SCOPED_TRACE(testing::Message() << radius << " x" << scale << " at " << x << "," << y);
                ScaleDab(*dab, *shape, x, y, scale);
                ASSERT_EQ(dab->width, shape->width);
                ASSERT_EQ(Logical(*dab), ReferenceScale(*shape, x, y, scale));
            }
        }
    }
}

TEST_F(BrushDabTest, ScaleOfOneDrawsTheShapeAndSmallerScalesShrinkIt) {
    Image shape = Shape(30.0f, 0.5f);
    auto covered = [&] {
        const std::vector<uint16_t> s = Logical(*dab);
        return std::count_if(s.begin(), s.end(), [](uint16_t v) { return v > 0; });
    };
    ScaleDab(*dab, *shape, 0.0f, 0.0f, 1.0f);
    const auto full = covered();
    ScaleDab(*dab, *shape, 0.0f, 0.0f, 0.5f);
    const auto half = covered();
    EXPECT_GT(full, 2000);
    EXPECT_NEAR(double(half) / double(full), 0.25, 0.05);
}

TEST_F(BrushDabTest, ScaleThatIsNotPositiveOrFiniteLeavesTheDabEmpty) {
    Image shape = Shape(20.0f, 0.5f);
    for (float scale : {0.0f, -0.0f, -1.0f, INFINITY, NAN}) {
        SCOPED_TRACE(scale);
        FillStorage(*dab, 0xABCD);
        ScaleDab(*dab, *shape, 0.5f, 0.5f, scale);
        ASSERT_EQ(dab->width, shape->width);
        const std::vector<uint16_t> s = Logical(*dab);
        EXPECT_TRUE(std::all_of(s.begin(), s.end(), [](uint16_t v) { return v == 0; }));
    }
}

// A tiny scale once made the source step overflow 32 bits, so the loops,
// bounded only by positions, ran away and wrote past the dab.
TEST_F(BrushDabTest, TinyScalesFinishAndStayInsideTheDab) {
    Image shape = Shape(10.0f, 0.5f);
    const size_t logical = size_t(shape->width) * shape->height;
    const uint16_t* storage = static_cast<ChannelBuffer16&>(dab->Channel(0)).storage;
    const size_t capacity = size_t(kBrushCapacity) * kBrushCapacity;
    for (float scale : {5e-9f, 1e-12f, 1e-30f, 1e-45f}) {
        SCOPED_TRACE(scale);
        FillStorage(*dab, 0xABCD);
        ScaleDab(*dab, *shape, 0.4f, 0.7f, scale);
        EXPECT_EQ(Logical(*dab), std::vector<uint16_t>(logical, 0));
        for (size_t i = logical; i < capacity; ++i) ASSERT_EQ(storage[i], 0xABCD) << i;
    }
    ScaleDab(*dab, *shape, 0.4f, 0.7f, 5e-9f);
    EXPECT_EQ(Logical(*dab), ReferenceScale(*shape, 0.4f, 0.7f, 5e-9f));
}

TEST_F(BrushDabTest, HugeScalesSpreadTheCentreOverTheDabWithoutRunningAway) {
    Image shape = Shape(10.0f, 0.5f);
    ScaleDab(*dab, *shape, 0.0f, 0.0f, 1e9f);  // a source step of 0
    const uint32_t centre = At(*shape, shape->height / 2, shape->width / 2);
    ASSERT_GT(centre, 0u);
    const std::vector<uint16_t> s = Logical(*dab);
    EXPECT_TRUE(std::all_of(s.begin(), s.end(), [&](uint16_t v) { return v == centre; }));
}

}  // namespace
