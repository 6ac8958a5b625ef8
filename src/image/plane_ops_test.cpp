#include "image/plane_ops.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "image/channel_buffer.h"
#include "image/color_profile.h"
#include "image/row_loops.h"
#include "image/thread_scratch.h"

namespace {

constexpr int kSide = 128;
constexpr int kAll = 256;  // a 256 x 256 plane holds every 16-bit value once
const std::vector<int64_t> kEdgeValues = {0, 1, 2, 255, 256, 32767, 32768, 65279, 65280, 65534, 65535};

// Straight from the formulas, in 64 bits, so that nothing can overflow.
int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

int64_t RefLerp(int64_t x, int64_t p, int64_t m) { return x + FloorDiv((p - x) * m, 65536); }

int64_t RefWeightedUnclamped(int64_t x, int64_t a0, int64_t p, int64_t m, int64_t a1) {
    if (m >= 65280) return p;
    if (a1 > 0 && m > 0) {
        const int64_t u = (p * m) & ~int64_t(0xFFFF);
        const int64_t v = ((65535 - m) * (((a0 + 1) * x) >> 16)) & ~int64_t(0xFFFF);
        return (u + v) / (a1 + 1);
    }
    return x;
}

int64_t RefWeighted(int64_t x, int64_t a0, int64_t p, int64_t m, int64_t a1) {
    return std::min<int64_t>(RefWeightedUnclamped(x, a0, p, m, a1), 65535);
}

std::unique_ptr<ChannelBuffer16> Plane(int w, int h, uint16_t fill) {
    auto plane = std::make_unique<ChannelBuffer16>(w, h);
    plane->Fill(fill);
    return plane;
}

std::unique_ptr<ChannelBuffer16> PlaneOf(const std::vector<uint16_t>& values) {
    auto plane = std::make_unique<ChannelBuffer16>(int(values.size()), 1);
    std::copy(values.begin(), values.end(), plane->samples);
    return plane;
}

// Every 16-bit value once, in order.
std::unique_ptr<ChannelBuffer16> EveryValue() {
    auto plane = std::make_unique<ChannelBuffer16>(kAll, kAll);
    for (int i = 0; i < kAll * kAll; ++i) plane->samples[i] = uint16_t(i);
    return plane;
}

// A different ordering of every 16-bit value for each round (odd multiplier).
void Permute(ChannelBuffer16& plane, int round) {
    for (uint32_t i = 0; i < uint32_t(kAll * kAll); ++i) plane.samples[i] = uint16_t(i * 40503u + uint32_t(round) * 7919u);
}

// Columns of operand values, one plane per operand, for the dense comparisons:
// every combination of the edge values, then rounds of random values.
struct Columns {
    explicit Columns(int operands) {
        edgeCount = 1;
        for (int k = 0; k < operands; ++k) edgeCount *= int(kEdgeValues.size());
        rows = std::max(kAll, (edgeCount + kAll - 1) / kAll);
        for (int k = 0; k < operands; ++k) planes.push_back(std::make_unique<ChannelBuffer16>(kAll, rows));
    }
    int Size() const { return kAll * rows; }
    void EdgeGrid() {
        const int n = int(kEdgeValues.size());
        for (int i = 0; i < edgeCount; ++i) {
            int rest = i;
            for (auto& p : planes) {
                p->samples[i] = uint16_t(kEdgeValues[size_t(rest % n)]);
                rest /= n;
            }
        }
    }
    void Random(std::mt19937& rng) {
        for (auto& p : planes)
            for (int i = 0; i < Size(); ++i) p->samples[i] = uint16_t(rng());
    }
    // A copy of the first operand, to be modified by the operation under test.
    std::unique_ptr<ChannelBuffer16> First() const {
        auto x = std::make_unique<ChannelBuffer16>(kAll, rows);
        std::copy(planes[0]->samples, planes[0]->samples + Size(), x->samples);
        return x;
    }
    const ChannelBuffer16* operator[](int k) const { return planes[size_t(k)].get(); }
    uint16_t At(int k, int i) const { return planes[size_t(k)]->samples[i]; }

    int edgeCount = 0;
    int rows = 0;
    std::vector<std::unique_ptr<ChannelBuffer16>> planes;
};

class PlaneOpsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SelectProfile(*BuiltinProfile(0));
        InitThreadScratch(1, kSide);
    }
    void TearDown() override {
        FreeThreadScratch();
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
    }
};

TEST_F(PlaneOpsTest, FromChannelWidens8BitSamplesWithALowByteOfOnes) {
    ChannelBuffer8 channel(16, 16);
    for (int i = 0; i < 256; ++i) channel.samples[i] = uint8_t(i);
    const ChannelBuffer16* plane = PlaneFromChannel(channel);
    EXPECT_EQ(plane->samples[0], 255);
    EXPECT_EQ(plane->samples[255], 65535);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(plane->samples[i], i * 256 + 255) << "8-bit value " << i;
}

TEST_F(PlaneOpsTest, FromChannelCopies16BitSamples) {
    ChannelBuffer16 channel(kSide, kSide);
    for (int i = 0; i < kSide * kSide; ++i) channel.samples[i] = uint16_t(i * 4099 + 0x12FF);
    const ChannelBuffer16* plane = PlaneFromChannel(channel);
    EXPECT_TRUE(std::equal(channel.samples, channel.samples + kSide * kSide, plane->samples));
}

TEST_F(PlaneOpsTest, FromChannelCutsALargerChannelToThePlane) {
    ChannelBuffer16 big(2 * kSide, 2 * kSide);
    for (int i = 0; i < 4 * kSide * kSide; ++i) big.samples[i] = uint16_t(i);
    ChannelBuffer8 big8(2 * kSide, 2 * kSide);
    big8.Fill(7);
    for (const ChannelBuffer* channel : {static_cast<const ChannelBuffer*>(&big), static_cast<const ChannelBuffer*>(&big8)}) {
        const ChannelBuffer16* plane = PlaneFromChannel(*channel);
        EXPECT_EQ(plane->width, kSide);
        EXPECT_EQ(plane->height, kSide);
        EXPECT_EQ(plane->samples[kSide * kSide - 1], channel->depth == 8 ? 7 * 256 + 255 : kSide * kSide - 1);
    }
}

TEST_F(PlaneOpsTest, ConstantKeepsTheLow16Bits) {
    const ChannelBuffer16* plane = PlaneConstant(0x12345);
    EXPECT_TRUE(std::all_of(plane->samples, plane->samples + kSide * kSide, [](uint16_t v) { return v == 0x2345; }));
}

uint32_t NoiseStep(uint32_t s) {
    s += 0x57238591u;
    return s ^ ((s >> 8) & 0x00FFF3F7u);
}

TEST_F(PlaneOpsTest, NoiseFollowsTheGenerator) {
    const ChannelBuffer16* plane = PlaneNoise();
    const uint16_t* row0 = plane->samples;
    // Low halves of the seed and its first three steps; row 1 continues after 126 steps.
    EXPECT_EQ(row0[0], 0x8168);
    EXPECT_EQ(row0[1], 0x75FF);
    EXPECT_EQ(row0[2], 0xB863);
    EXPECT_EQ(row0[3], 0x3CC1);
    EXPECT_EQ(plane->samples[kSide], 0x2365);

    uint32_t s = 0xFC578168u;
    for (int r = 0; r < kSide - 2; ++r) {
        for (int c = 0; c < kSide - 2; ++c, s = NoiseStep(s))
            ASSERT_EQ(plane->samples[r * kSide + c], uint16_t(s)) << "row " << r << " column " << c;
    }
}

TEST_F(PlaneOpsTest, NoiseIsSeamlessAcrossTheTwoPixelOverlap) {
    const ChannelBuffer16* plane = PlaneNoise();
    auto at = [plane](int c, int r) { return plane->samples[r * kSide + c]; };
    for (int r = 0; r < kSide; ++r) {
        ASSERT_EQ(at(126, r), at(0, r)) << "row " << r;
        ASSERT_EQ(at(127, r), at(1, r)) << "row " << r;
    }
    for (int c = 0; c < kSide; ++c) {
        ASSERT_EQ(at(c, 126), at(c, 0)) << "column " << c;
        ASSERT_EQ(at(c, 127), at(c, 1)) << "column " << c;
    }
    const ChannelBuffer16* again = PlaneNoise();
    ASSERT_NE(again, plane);
    EXPECT_TRUE(std::equal(plane->samples, plane->samples + kSide * kSide, again->samples));
}

TEST(PlaneUnaryOps, InvertEveryValue) {
    auto x = EveryValue();
    PlaneInvert(x.get());
    for (int i = 0; i < kAll * kAll; ++i) ASSERT_EQ(x->samples[i], 65535 - i);
}

TEST(PlaneUnaryOps, ScaleEveryValueByEveryFactor) {
    auto x = EveryValue();
    for (int64_t factor = 0; factor <= 255; ++factor) {
        for (int i = 0; i < kAll * kAll; ++i) x->samples[i] = uint16_t(i);
        PlaneScale(x.get(), uint32_t(factor * 257));
        for (int64_t i = 0; i < kAll * kAll; ++i)
            ASSERT_EQ(x->samples[i], (i * factor * 257) >> 16) << "value " << i << " factor " << factor;
    }
}

struct BinaryCase {
    const char* name;
    ChannelBuffer16* (*op)(ChannelBuffer16*, const ChannelBuffer16*);
    int64_t (*ref)(int64_t, int64_t);
};

const BinaryCase kBinaryCases[] = {
    {"Multiply", PlaneMultiply, [](int64_t x, int64_t y) { return (x * y) >> 16; }},
    {"InverseMultiply", PlaneInverseMultiply, [](int64_t x, int64_t y) { return 65535 - (((65535 - x) * y) >> 16); }},
    {"Screen", PlaneScreen, [](int64_t x, int64_t y) { return 65535 - (((65535 - x) * (65535 - y)) >> 16); }},
    {"Min", PlaneMin, [](int64_t x, int64_t y) { return std::min(x, y); }},
    {"Max", PlaneMax, [](int64_t x, int64_t y) { return std::max(x, y); }},
};

TEST(PlaneBinaryOps, MatchTheFormulaForEveryFirstOperand) {
    auto x = std::make_unique<ChannelBuffer16>(kAll, kAll);
    auto y = std::make_unique<ChannelBuffer16>(kAll, kAll);
    for (const BinaryCase& c : kBinaryCases) {
        SCOPED_TRACE(c.name);
        for (int round = 0; round < 32; ++round) {
            Permute(*y, round);
            for (int i = 0; i < kAll * kAll; ++i) x->samples[i] = uint16_t(i);
            EXPECT_EQ(c.op(x.get(), y.get()), x.get());
            for (int i = 0; i < kAll * kAll; ++i)
                ASSERT_EQ(x->samples[i], c.ref(i, y->samples[i])) << "x " << i << " y " << y->samples[i];
        }
    }
}

TEST(PlaneBinaryOps, OneOperandMayBeBothInputs) {
    for (const BinaryCase& c : kBinaryCases) {
        SCOPED_TRACE(c.name);
        auto x = EveryValue();
        c.op(x.get(), x.get());
        for (int i = 0; i < kAll * kAll; ++i) ASSERT_EQ(x->samples[i], c.ref(i, i)) << "value " << i;
    }
}

// A smaller or missing operand limits the work instead of being read past its end.
TEST(PlaneBinaryOps, StopAtTheSmallestOperand) {
    auto x = Plane(4, 4, 65535);
    auto y = Plane(2, 2, 0);
    PlaneMultiply(x.get(), y.get());
    for (int i = 0; i < 16; ++i) EXPECT_EQ(x->samples[i], i < 4 ? 0 : 65535) << "sample " << i;

    auto z = Plane(4, 4, 65535);
    EXPECT_EQ(PlaneMin(z.get(), nullptr), z.get());
    EXPECT_EQ(z->samples[0], 65535);
    EXPECT_EQ(PlaneInvert(nullptr), nullptr);
}

TEST(PlaneLerpPlain, StatedValues) {
    struct Case {
        uint16_t x, p, m, expected;
    };
    const Case cases[] = {
        {65535, 0, 65535, 0},      // the widest step down; its signed product needs 33 bits
        {0, 65535, 65535, 65534},  // the widest step up stops one short
        {1234, 50000, 0, 1234},
        {100, 50, 32768, 75},
        {50, 100, 32768, 75},
        {100, 51, 32768, 75},  // -24.5 rounds down, not toward zero
        {1, 0, 1, 0},
        {0, 1, 65535, 0},
    };
    for (const Case& c : cases) {
        auto x = PlaneOf({c.x});
        auto p = PlaneOf({c.p});
        auto m = PlaneOf({c.m});
        EXPECT_EQ(PlaneLerp(x.get(), p.get(), m.get()), x.get());
        EXPECT_EQ(x->samples[0], c.expected) << c.x << " toward " << c.p << " by " << c.m;
        EXPECT_EQ(RefLerp(c.x, c.p, c.m), c.expected);
    }
}

TEST(PlaneLerpPlain, MatchesTheExactFormula) {
    Columns ops(3);  // x, p, m
    std::mt19937 rng(12345);
    auto check = [&ops](int count) {
        auto x = ops.First();
        PlaneLerp(x.get(), ops[1], ops[2]);
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(x->samples[i], RefLerp(ops.At(0, i), ops.At(1, i), ops.At(2, i)))
                << "x " << ops.At(0, i) << " p " << ops.At(1, i) << " m " << ops.At(2, i);
    };
    ops.EdgeGrid();
    check(ops.edgeCount);
    for (int round = 0; round < 64 && !HasFatalFailure(); ++round) {
        ops.Random(rng);
        check(ops.Size());
    }
}

// The weighted form on one sample.
uint16_t Weighted(uint16_t x, uint16_t a0, uint16_t p, uint16_t m, uint16_t a1) {
    auto xs = PlaneOf({x});
    auto a0s = PlaneOf({a0});
    auto ps = PlaneOf({p});
    auto ms = PlaneOf({m});
    auto a1s = PlaneOf({a1});
    EXPECT_EQ(PlaneLerp(xs.get(), a0s.get(), ps.get(), ms.get(), a1s.get()), xs.get());
    return xs->samples[0];
}

TEST(PlaneLerpWeighted, StatedValues) {
    struct Case {
        const char* what;
        uint16_t x, a0, p, m, a1, expected;
    };
    const Case cases[] = {
        {"full coverage takes the paint", 123, 0, 40000, 65280, 0, 40000},
        {"full coverage takes the paint", 123, 65535, 40000, 65535, 65535, 40000},
        {"no coverage keeps the sample", 123, 65535, 40000, 0, 65535, 123},
        {"no new alpha keeps the sample", 123, 65535, 40000, 30000, 0, 123},
        {"half over opaque", 0, 65535, 65535, 32768, 65535, 32767},
        {"half onto transparency", 0, 0, 65280, 32768, 32640, 65533},
        {"quarter over opaque", 40000, 65535, 10000, 16384, 65535, 32499},
        {"almost full onto transparency", 12345, 0, 30000, 65279, 65024, 30116},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Weighted(c.x, c.a0, c.p, c.m, c.a1), c.expected);
        EXPECT_EQ(RefWeighted(c.x, c.a0, c.p, c.m, c.a1), c.expected);
    }
}

// White painted at half coverage onto a transparent pixel under the "Pale"
// profile: the quotient is 65598, which used to be stored as 62.
TEST(PlaneLerpWeighted, ClampsAQuotientAboveTheSampleRange) {
    SelectProfile(*BuiltinProfile(1));
    const uint16_t white = uint16_t(Fwd(0, 65280));
    SelectProfile(*BuiltinProfile(kDefaultProfileIndex));

    auto a1 = PlaneOf({0});
    auto opaque = PlaneOf({65280});
    auto half = PlaneOf({32768});
    PlaneLerp(a1.get(), opaque.get(), half.get());
    ASSERT_EQ(a1->samples[0], 32640);
    ASSERT_EQ(RefWeightedUnclamped(0, 0, white, 32768, 32640), 65598);

    EXPECT_EQ(Weighted(0, 0, white, 32768, a1->samples[0]), 65535);
}

// A stroke mask as painting makes it: empty around a soft disc that is full in
// the middle, so whole runs of samples need no mixing and others do. The new
// alpha follows the mask toward opaque (brush) or, in the lower half,
// toward transparent (eraser), where it reaches 0.
TEST(PlaneLerpWeighted, StrokeMaskMatchesTheExactFormula) {
    std::mt19937 rng(777);
    auto x = std::make_unique<ChannelBuffer16>(kSide, kSide);
    auto a0 = std::make_unique<ChannelBuffer16>(kSide, kSide);
    auto p = std::make_unique<ChannelBuffer16>(kSide, kSide);
    auto m = std::make_unique<ChannelBuffer16>(kSide, kSide);
    auto a1 = std::make_unique<ChannelBuffer16>(kSide, kSide);
    for (int r = 0; r < kSide; ++r) {
        for (int c = 0; c < kSide; ++c) {
            const int i = r * kSide + c;
            const double edge = (40.0 - std::hypot(c - 70.0, r - 60.0)) / 12.0;
            m->samples[i] = uint16_t(std::lround(std::clamp(edge, 0.0, 1.0) * 65535));
            x->samples[i] = uint16_t(rng());
            p->samples[i] = uint16_t(rng());
            a0->samples[i] = uint16_t(rng());
            a1->samples[i] = uint16_t(RefLerp(a0->samples[i], r < kSide / 2 ? 65280 : 0, m->samples[i]));
        }
    }
    std::vector<uint16_t> before(x->samples, x->samples + kSide * kSide);
    PlaneLerp(x.get(), a0.get(), p.get(), m.get(), a1.get());
    for (int i = 0; i < kSide * kSide; ++i)
        ASSERT_EQ(x->samples[i], RefWeighted(before[size_t(i)], a0->samples[i], p->samples[i], m->samples[i], a1->samples[i]))
            << "sample " << i << " m " << m->samples[i] << " a1 " << a1->samples[i];
}

TEST(PlaneLerpWeighted, MatchesTheExactFormula) {
    Columns ops(5);  // x, a0, p, m, a1
    std::mt19937 rng(54321);
    auto check = [&ops](int count) {
        auto x = ops.First();
        PlaneLerp(x.get(), ops[1], ops[2], ops[3], ops[4]);
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(x->samples[i], RefWeighted(ops.At(0, i), ops.At(1, i), ops.At(2, i), ops.At(3, i), ops.At(4, i)))
                << "x " << ops.At(0, i) << " a0 " << ops.At(1, i) << " p " << ops.At(2, i) << " m " << ops.At(3, i)
                << " a1 " << ops.At(4, i);
    };
    ops.EdgeGrid();
    check(ops.edgeCount);
    for (int round = 0; round < 32 && !HasFatalFailure(); ++round) {
        ops.Random(rng);
        // Every other round with small new alphas, where quotients run over.
        if (round % 2)
            for (int i = 0; i < ops.Size(); ++i) ops.planes[4]->samples[i] &= 0xFF;
        check(ops.Size());
    }
}

// Every build of the paint row loops this processor runs, and the dispatch.
struct PaintLoops {
    const char* name;
    decltype(RowLoops::lerpRow) lerpRow;
    decltype(RowLoops::paintRows) paintRows;
};

std::vector<PaintLoops> PaintLoopsToTest() {
    std::vector<PaintLoops> all{{"dispatched", &LerpRow, &PaintRows}};
    for (const RowLoops* loops : RunnableRowLoops()) all.push_back({loops->name, loops->lerpRow, loops->paintRows});
    return all;
}

// The row forms with one paint value for the row, as the stroke preview runs
// them: a mask of empty, full and partial runs, new alphas with zeros, every
// edge value as the paint, written to another row and in place, one plane
// alone and three at once.
TEST(PlaneLerpRows, MatchTheExactFormulasForEveryEdgePaintValue) {
    for (const PaintLoops& loops : PaintLoopsToTest()) {
        SCOPED_TRACE(loops.name);
        constexpr size_t n = 1000;  // not a whole number of runs
        std::mt19937 rng(4242);
        std::vector<uint16_t> x(n), a0(n), m(n), a1(n);
        for (size_t i = 0; i < n; ++i) {
            const size_t run = i / 40;
            m[i] = run % 3 == 0 ? 0 : run % 3 == 1 ? uint16_t(i % 2 ? 65280 : 65535) : uint16_t(rng());
            x[i] = uint16_t(rng());
            a0[i] = uint16_t(rng());
            a1[i] = i % 7 == 0 ? 0 : uint16_t(rng());
        }
        for (const int64_t p : kEdgeValues) {
            SCOPED_TRACE(testing::Message() << "paint " << p);
            std::vector<uint16_t> plain(n), weighted(n), inPlace = x;
            loops.lerpRow(plain.data(), x.data(), uint16_t(p), m.data(), n);
            const uint16_t paint[1] = {uint16_t(p)};
            const uint16_t* from[1] = {x.data()};
            uint16_t* to[1] = {weighted.data()};
            loops.paintRows(to, from, paint, 1, a0.data(), m.data(), a1.data(), n);
            const uint16_t* fromInPlace[1] = {inPlace.data()};
            uint16_t* toInPlace[1] = {inPlace.data()};
            loops.paintRows(toInPlace, fromInPlace, paint, 1, a0.data(), m.data(), a1.data(), n);
            for (size_t i = 0; i < n; ++i) {
                ASSERT_EQ(plain[i], RefLerp(x[i], p, m[i])) << "sample " << i;
                ASSERT_EQ(weighted[i], RefWeighted(x[i], a0[i], p, m[i], a1[i])) << "sample " << i;
                ASSERT_EQ(inPlace[i], weighted[i]) << "sample " << i;
            }
        }
        // Three planes, each with its own samples and paint, sharing a0, m, a1.
        std::vector<uint16_t> planes[3], painted[3];
        const uint16_t paints[3] = {0, 40000, 65535};
        const uint16_t* from[3];
        uint16_t* to[3];
        for (int c = 0; c < 3; ++c) {
            planes[c].resize(n);
            for (auto& v : planes[c]) v = uint16_t(rng());
            painted[c].resize(n);
            from[c] = planes[c].data();
            to[c] = painted[c].data();
        }
        loops.paintRows(to, from, paints, 3, a0.data(), m.data(), a1.data(), n);
        for (int c = 0; c < 3; ++c)
            for (size_t i = 0; i < n; ++i)
                ASSERT_EQ(painted[c][i], RefWeighted(planes[c][i], a0[i], paints[c], m[i], a1[i]))
                    << "plane " << c << " sample " << i;
    }
}

// The division by the new alpha goes through a shared reciprocal, which must
// still give the exact floor where the quotient is a whole number: for every
// new alpha a1, numerators s * 65536 that (a1 + 1) divides, and their
// neighbours, in one row as painting runs them. With no paint, half
// coverage and an opaque old alpha, the numerator's high half is
// floor(32767 x / 65536), so x picks s.
TEST(PlaneLerpRows, WholeQuotientsAreExactForEveryNewAlpha) {
    std::vector<uint16_t> x, a1;
    for (uint32_t d = 2; d <= 65536; ++d) {
        uint32_t odd = d;
        while (odd % 2 == 0) odd /= 2;
        for (uint32_t s : {odd, 2 * odd, 3 * odd, 32766 / odd * odd, odd - 1, odd + 1}) {
            if (s == 0 || s > 32766) continue;
            x.push_back(uint16_t((uint64_t(s) * 65536 + 32766) / 32767));
            a1.push_back(uint16_t(d - 1));
        }
    }
    const size_t n = x.size();
    const std::vector<uint16_t> a0(n, 65535), m(n, 32768);
    const uint16_t paint[1] = {0};
    for (const PaintLoops& loops : PaintLoopsToTest()) {
        std::vector<uint16_t> out(n);
        const uint16_t* from[1] = {x.data()};
        uint16_t* to[1] = {out.data()};
        loops.paintRows(to, from, paint, 1, a0.data(), m.data(), a1.data(), n);
        for (size_t i = 0; i < n; ++i)
            ASSERT_EQ(out[i], RefWeighted(x[i], 65535, 0, 32768, a1[i]))
                << loops.name << " a1 " << a1[i] << " x " << x[i];
    }
}

}  // namespace
