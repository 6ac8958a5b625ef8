#include "paint/stroke_mask.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "image/color_record.h"
#include "image/compositor.h"
#include "image/document_test_support.h"
#include "paint/brush_dab.h"

namespace {

using doctest::At;
using doctest::Samples;
using Image = std::unique_ptr<PixelImage>;

constexpr int kSide = kTileSide;
constexpr size_t kCount = size_t(kSide) * kSide;

uint16_t* MaskSamples(const PixelImage& mask) { return Samples(mask, 0); }

Image ConstantDab(int w, int h, uint16_t v) {
    Image dab(new PixelImage(w, h, 1, 16));
    dab->Channel(0).Fill(v);
    return dab;
}

// The paint colour in working values, converted independently of the code.
ColorRecord Working(const ColorRecord& display) {
    ColorRecord c = DisplayColor(display.value[0], display.value[1], display.value[2], display.value[3]);
    FromDisplay(c);
    return c;
}

uint16_t PlainLerp(uint16_t x, uint16_t p, uint16_t m) {
    return uint16_t(x + doctest::FloorDiv((int64_t(p) - x) * m, 65536));
}

uint16_t WeightedLerp(uint16_t x, uint16_t a0, uint16_t p, uint16_t m, uint16_t a1) {
    if (m >= 65280) return p;
    if (a1 == 0 || m == 0) return x;
    const uint64_t u = (uint64_t(p) * m) & ~uint64_t(0xFFFF);
    const uint64_t v = (uint64_t(65535 - m) * ((uint64_t(a0) + 1) * x >> 16)) & ~uint64_t(0xFFFF);
    return uint16_t(std::min<uint64_t>((u + v) / (uint64_t(a1) + 1), 65535));
}

// One pixel of a stroke applied to src, straight from the rules.
void ReferencePixel(const PixelImage& src, const PixelImage& mask, size_t i, const ColorRecord& working, bool lock,
                    bool paintsColour, uint16_t out[4]) {
    const uint16_t m = MaskSamples(mask)[i];
    const uint16_t a0 = Samples(src, 3)[i];
    const uint16_t a1 = lock ? a0 : PlainLerp(a0, uint16_t(working.value[3]), m);
    for (int c = 0; c < 3; ++c) {
        const uint16_t v = Samples(src, c)[i];
        const uint16_t p = uint16_t(working.value[c]);
        out[c] = !paintsColour                ? v
                 : lock                       ? PlainLerp(v, p, m)
                 : a0 == 0 && m > 0           ? p
                                              : WeightedLerp(v, a0, p, m, a1);
    }
    out[3] = a1;
}

class StrokeMaskTest : public doctest::DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        ASSERT_TRUE(NewDocument(doc, 300, 300));
        ASSERT_TRUE(AddLayer(doc, 0));
        // The second tile of the second row: a tile whose origin is not 0.
        stack = doc.stacks[size_t(doc.columns + 1)];
        tile = stack->next;
        for (LayerTile* t = stack; t; t = t->next) t->dirty = false;
    }

    void ExpectMaskAll(uint16_t v) {
        const uint16_t* m = MaskSamples(*tile->strokeMask);
        EXPECT_TRUE(std::all_of(m, m + kCount, [&](uint16_t s) { return s == v; }));
    }

    LayerTile* stack = nullptr;
    LayerTile* tile = nullptr;  // layer 1, empty until painted
};

TEST_F(StrokeMaskTest, DabsAccumulateAtTheirPlaceInTheTileClippedToIt) {
    ASSERT_GT(tile->x0, 0);
    ASSERT_GT(tile->y0, 0);
    Image dab(new PixelImage(40, 30, 1, 16));
    doctest::Randomise(*dab, 3);
    const uint32_t ceiling = 50000;
    // Hanging over the tile's top-left corner, then over its right edge.
    const std::pair<int, int> places[] = {{tile->x0 - 12, tile->y0 - 7}, {tile->x1 - 25, tile->y0 + 60}};
    std::vector<uint32_t> expected(kCount, 0);
    for (auto [left, top] : places) {
        for (int r = 0; r < dab->height; ++r) {
            for (int c = 0; c < dab->width; ++c) {
                const int x = left + c - tile->x0, y = top + r - tile->y0;
                if (x < 0 || y < 0 || x >= kSide || y >= kSide) continue;
                uint32_t& m = expected[size_t(y) * kSide + x];
                if (m < ceiling) m += ((At(*dab, 0, c, r) + 1u) * (ceiling - m)) >> 16;
            }
        }
        StampDab(*tile, *dab, left, top, ceiling);
    }
    const uint16_t* mask = MaskSamples(*tile->strokeMask);
    for (size_t i = 0; i < kCount; ++i) ASSERT_EQ(mask[i], expected[i]) << i;
    EXPECT_TRUE(tile->strokeActive);
    EXPECT_TRUE(tile->dirty);
    EXPECT_FALSE(tile->empty);
}

TEST_F(StrokeMaskTest, RaisingFollowsTheRuleForEveryMaskDabAndCeiling) {
    Image dab(new PixelImage(kSide, kSide, 1, 16));
    doctest::RandomiseWithEdges(*dab, 41);
    tile->strokeActive = true;  // keeps the prepared mask
    for (uint32_t ceiling : {0u, 1u, 255u, 32768u, 65279u, 65535u}) {
        SCOPED_TRACE(ceiling);
        doctest::RandomiseWithEdges(*tile->strokeMask, ceiling);
        std::vector<uint16_t> expected(MaskSamples(*tile->strokeMask), MaskSamples(*tile->strokeMask) + kCount);
        for (size_t i = 0; i < kCount; ++i)
            if (expected[i] < ceiling)
                expected[i] = uint16_t(expected[i] + (((MaskSamples(*dab)[i] + 1u) * (ceiling - expected[i])) >> 16));
        StampDab(*tile, *dab, tile->x0, tile->y0, ceiling);
        const uint16_t* mask = MaskSamples(*tile->strokeMask);
        for (size_t i = 0; i < kCount; ++i) ASSERT_EQ(mask[i], expected[i]) << i;
    }
}

TEST_F(StrokeMaskTest, CeilingBoundsWhatADabCanRaiseTheMaskTo) {
    const struct {
        uint16_t before, dab;
        uint32_t ceiling;
        uint16_t after;
    } cases[] = {
        {0, 65535, 0, 0},              // ceiling 0: nothing
        {1234, 40000, 0, 1234},        // and nothing lowered either
        {0, 65535, 41000, 41000},      // a full sample goes straight to the ceiling
        {20000, 65535, 41000, 41000},  //
        {50000, 65535, 41000, 50000},  // a dab never lowers the mask
        {0, 0, 65535, 0},              // an empty sample adds nothing
        {0, 32767, 65535, 32767},      //
        {0, 65535, 65536, 65535},      // out-of-range ceilings are the full one, not 0
        // Products of two large 16-bit values, past the int range.
        {0, 65534, 65535, 65534},      //
        {1, 65535, 65535, 65535},      //
        {10000, 40000, 65535, 43896},  //
        {2, 50000, 65000, 49592},      //
        {0, 65535, 65534, 65534},      //
    };
    tile->strokeActive = true;  // keeps the prepared mask
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.before << " " << c.dab << " " << c.ceiling);
        tile->strokeMask->Channel(0).Fill(c.before);
        StampDab(*tile, *ConstantDab(8, 8, c.dab), tile->x0 + 10, tile->y0 + 10, c.ceiling);
        EXPECT_EQ(At(*tile->strokeMask, 0, 12, 12), c.after);
        EXPECT_EQ(At(*tile->strokeMask, 0, 9, 12), c.before);
    }
}

TEST_F(StrokeMaskTest, ADabOutsideTheTileChangesNothing) {
    tile->strokeMask->Channel(0).Fill(777);
    const int w = 20, h = 10;
    Image dab = ConstantDab(w, h, 65535);
    const std::pair<int, int> misses[] = {
        {tile->x0 - w, tile->y0}, {tile->x1, tile->y0}, {tile->x0, tile->y0 - h}, {tile->x0, tile->y1}, {-2147483647, 0}};
    for (auto [left, top] : misses) StampDab(*tile, *dab, left, top, 65535);
    ExpectMaskAll(777);
    EXPECT_FALSE(tile->strokeActive);
    EXPECT_FALSE(tile->dirty);
    EXPECT_TRUE(tile->empty);

    // One column of overlap is enough to start the stroke.
    StampDab(*tile, *dab, tile->x0 - w + 1, tile->y0, 65535);
    EXPECT_TRUE(tile->strokeActive);
    EXPECT_EQ(At(*tile->strokeMask, 0, 0, 0), 65535);
}

// Once the stroke has started on a tile, a dab that overlaps it but raises
// none of its mask leaves it clean: nothing to composite again. The corner of
// a round dab's square, a dab at zero pressure, a dab where the mask already
// stands at the ceiling; then one that raises it.
TEST_F(StrokeMaskTest, ALaterDabThatRaisesNothingLeavesTheTileClean) {
    StampDab(*tile, *ConstantDab(20, 20, 65535), tile->x0, tile->y0, 30000);
    ASSERT_TRUE(tile->strokeActive);
    ASSERT_TRUE(tile->dirty);

    Image shape(NewBrushImage()), round(NewBrushImage());
    BuildBrushShape(*shape, 40.0f, 0.5f);
    ShiftDab(*round, *shape, 0.0f, 0.0f);
    ASSERT_EQ(At(*round, 0, 0, 0), 0u);
    const int corner = 6;  // the dab's top-left 6 x 6 samples lie on the tile
    const Image square = ConstantDab(20, 20, 65535), small = ConstantDab(10, 10, 65535);
    const struct {
        const char* what;
        const PixelImage* dab;
        int left, top;
        uint32_t ceiling;
    } nothing[] = {
        {"corner of a round dab", round.get(), tile->x1 - corner, tile->y1 - corner, 65535},
        {"zero pressure", square.get(), tile->x0 + 30, tile->y0, 0},
        {"mask at the ceiling", small.get(), tile->x0 + 5, tile->y0 + 5, 30000},
    };
    for (const auto& c : nothing) {
        SCOPED_TRACE(c.what);
        tile->dirty = false;  // composited by the pass
        StampDab(*tile, *c.dab, c.left, c.top, c.ceiling);
        EXPECT_FALSE(tile->dirty);
        EXPECT_TRUE(tile->strokeActive);
    }
    EXPECT_EQ(At(*tile->strokeMask, 0, 5, 5), 30000);
    EXPECT_EQ(At(*tile->strokeMask, 0, 30, 0), 0);

    StampDab(*tile, *small, tile->x0 + 5, tile->y0 + 5, 40000);
    EXPECT_TRUE(tile->dirty);
    EXPECT_EQ(At(*tile->strokeMask, 0, 5, 5), 40000);
}

TEST_F(StrokeMaskTest, TheFirstDabOfAStrokeClearsTheLastStrokesMask) {
    tile->strokeMask->Channel(0).Fill(30000);
    Image dab = ConstantDab(4, 4, 65535);
    StampDab(*tile, *dab, tile->x0, tile->y0, 10000);
    EXPECT_EQ(At(*tile->strokeMask, 0, 0, 0), 10000);
    EXPECT_EQ(At(*tile->strokeMask, 0, 4, 0), 0);
    EXPECT_EQ(At(*tile->strokeMask, 0, 100, 100), 0);
    // The stroke is now active: later dabs add to what is there.
    StampDab(*tile, *dab, tile->x0 + 2, tile->y0, 20000);
    EXPECT_EQ(At(*tile->strokeMask, 0, 0, 0), 10000);
    EXPECT_EQ(At(*tile->strokeMask, 0, 2, 0), 20000);
}

TEST_F(StrokeMaskTest, TheFirstDabGivesAnEmptyTileTransparentWhitePixels) {
    StampDab(*tile, *ConstantDab(4, 4, 100), tile->x0, tile->y0, 65535);
    ASSERT_FALSE(tile->empty);
    ColorRecord clear = DisplayColor(255, 255, 255, 0);
    FromDisplay(clear);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(At(*tile->pixels, c, 64, 64), clear.value[c]) << c;
}

// Source pixels, destination and mask of one tile, with random samples and
// the extremes where the rounding rules differ.
class StrokeMaskApplyTest : public doctest::DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        doctest::RandomiseWithEdges(*src, 11);
        doctest::RandomiseWithEdges(*mask, 12);
        doctest::Randomise(*dst, 13);
    }

    void ExpectReference(const PixelImage& before, const PixelImage& out, bool lock, bool paintsColour) {
        const ColorRecord working = Working(colour);
        for (size_t i = 0; i < kCount; ++i) {
            uint16_t expected[4];
            ReferencePixel(before, *mask, i, working, lock, paintsColour, expected);
            for (int c = 0; c < 4; ++c) ASSERT_EQ(Samples(out, c)[i], expected[c]) << "channel " << c << " at " << i;
        }
    }

    ColorRecord colour = DisplayColor(200, 90, 30, 255);
    Image src{CreateCleared(kSide, kSide, 4, 16)};
    Image dst{CreateCleared(kSide, kSide, 4, 16)};
    Image mask{CreateCleared(kSide, kSide, 1, 16)};
};

TEST_F(StrokeMaskApplyTest, EveryLockAndModeMatchesTheReferenceIntoAnotherImageAndInPlace) {
    const ColorRecord eraser = DisplayColor(255, 255, 255, 0);
    const struct {
        bool lock, paintsColour;
        ColorRecord colour;
    } cases[] = {{false, true, colour}, {true, true, colour}, {false, false, eraser}, {true, false, eraser},
                 {false, true, DisplayColor(255, 255, 255, 128)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "lock " << c.lock << " paints " << c.paintsColour);
        colour = c.colour;
        ApplyStroke(*dst, *src, colour, *mask, c.lock, c.paintsColour);
        ExpectReference(*src, *dst, c.lock, c.paintsColour);

        Image before(CloneImage(*src));
        ApplyStroke(*src, *src, colour, *mask, c.lock, c.paintsColour);
        ExpectReference(*before, *src, c.lock, c.paintsColour);
        src->CopyFrom(*before);
    }
}

// A bottom tile paints as locked even before its layer's flags reach it (a
// tile fresh from InitLayerTile has its lock flag off): the preview and the
// commit keep its alpha and blend colour by the mask alone.
TEST_F(StrokeMaskApplyTest, TheBottomLayerPaintsLockedWhateverItsLockFlag) {
    LayerTile bottom;
    InitLayerTile(bottom, true);
    bottom.x1 = bottom.y1 = kSide;
    ASSERT_FALSE(bottom.lock);
    doctest::RandomiseWithEdges(*bottom.pixels, 14);
    Image dab(new PixelImage(100, 90, 1, 16));
    doctest::Randomise(*dab, 15);
    StampDab(bottom, *dab, 10, 20, 65535);
    ASSERT_TRUE(bottom.strokeActive);
    mask->CopyFrom(*bottom.strokeMask);
    const Image before(CloneImage(*bottom.pixels));

    InstallStrokePreview();
    for (int mode : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        SetStrokePaint(colour, mode);
        ExpectReference(*before, *CompositeTile(bottom), true, true);
    }
    SetStrokePreview(nullptr);

    CommitStroke(bottom, colour, 1);
    ExpectReference(*before, *bottom.pixels, true, true);
}

TEST_F(StrokeMaskApplyTest, LockedLayerEraserChangesNothing) {
    Image before(CloneImage(*src));
    ApplyStroke(*src, *src, DisplayColor(255, 255, 255, 0), *mask, true, false);
    EXPECT_TRUE(doctest::SameSamples(*src, *before));
    ApplyStroke(*dst, *src, DisplayColor(255, 255, 255, 0), *mask, true, false);
    EXPECT_TRUE(doctest::SameSamples(*dst, *before));
}

TEST_F(StrokeMaskApplyTest, LockedBrushKeepsAlphaAndMovesColourAlsoWhereTransparent) {
    src->Alpha().Fill(0);
    mask->Channel(0).Fill(65535);
    ApplyStroke(*dst, *src, colour, *mask, true, true);
    const ColorRecord working = Working(colour);
    for (size_t i = 0; i < kCount; ++i) {
        ASSERT_EQ(Samples(*dst, 3)[i], 0);
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(Samples(*dst, c)[i], PlainLerp(Samples(*src, c)[i], uint16_t(working.value[c]), 65535));
    }
}

TEST_F(StrokeMaskApplyTest, PaintOnTransparentPixelsIsThePurePaintColourWhereverTheMaskTouches) {
    src->Alpha().Fill(0);
    ApplyStroke(*dst, *src, colour, *mask, false, true);
    const ColorRecord working = Working(colour);
    ASSERT_EQ(working.value[3], 65280);
    for (size_t i = 0; i < kCount; ++i) {
        const uint16_t m = MaskSamples(*mask)[i];
        ASSERT_EQ(Samples(*dst, 3)[i], (65280u * m) >> 16);
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(Samples(*dst, c)[i], m > 0 ? working.value[c] : Samples(*src, c)[i]) << c << " at " << i;
    }
}

TEST_F(StrokeMaskApplyTest, ImagesThatDoNotMatchAreLeftAlone) {
    Image three(new PixelImage(kSide, kSide, 3, 16));
    doctest::Randomise(*three, 5);
    Image small(new PixelImage(64, 64, 4, 16));
    doctest::Randomise(*small, 6);
    Image threeBefore(CloneImage(*three)), smallBefore(CloneImage(*small)), srcBefore(CloneImage(*src));
    ApplyStroke(*three, *src, colour, *mask, false, true);
    ApplyStroke(*small, *src, colour, *mask, false, true);
    ApplyStroke(*src, *src, colour, *ConstantDab(64, 64, 65535), false, true);
    EXPECT_TRUE(doctest::SameSamples(*three, *threeBefore));
    EXPECT_TRUE(doctest::SameSamples(*small, *smallBefore));
    EXPECT_TRUE(doctest::SameSamples(*src, *srcBefore));
}

TEST_F(StrokeMaskApplyTest, ImagesSmallerThanATileArePainted) {
    Image smallSrc(new PixelImage(50, 20, 4, 16)), smallDst(new PixelImage(50, 20, 4, 16));
    Image smallMask(new PixelImage(50, 20, 1, 16));
    doctest::RandomiseWithEdges(*smallSrc, 21);
    doctest::RandomiseWithEdges(*smallMask, 22);
    ApplyStroke(*smallDst, *smallSrc, colour, *smallMask, false, true);
    const ColorRecord working = Working(colour);
    for (size_t i = 0; i < size_t(50 * 20); ++i) {
        uint16_t expected[4];
        ReferencePixel(*smallSrc, *smallMask, i, working, false, true, expected);
        for (int c = 0; c < 4; ++c) ASSERT_EQ(Samples(*smallDst, c)[i], expected[c]) << c << " at " << i;
    }
}

class StrokeMaskCommitTest : public StrokeMaskTest {
protected:
    // A stroke in progress over layer 1, whose pixels are random.
    void SetUp() override {
        StrokeMaskTest::SetUp();
        EnsurePixels(*tile);
        doctest::RandomiseWithEdges(*tile->pixels, 31);
        Image dab(new PixelImage(90, 70, 1, 16));
        doctest::Randomise(*dab, 32);
        StampDab(*tile, *dab, tile->x0 + 20, tile->y0 + 30, 60000);
        ASSERT_TRUE(tile->strokeActive);
        tile->dirty = false;
        before.reset(CloneImage(*tile->pixels));
    }

    // What the stroke should leave: the tile's pixels painted through its mask.
    Image Expected(const ColorRecord& colour, bool lock, bool paintsColour) {
        Image expected(CloneImage(*before));
        ApplyStroke(*expected, *before, colour, *tile->strokeMask, lock, paintsColour);
        return expected;
    }

    Image before;
};

TEST_F(StrokeMaskCommitTest, CommitPaintsTheTileAndEndsTheStroke) {
    const ColorRecord colour = DisplayColor(10, 160, 250, 255);
    const struct {
        int mode;
        bool lock;
    } cases[] = {{0, false}, {1, true}, {2, false}, {2, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " lock " << c.lock);
        tile->pixels->CopyFrom(*before);
        tile->lock = c.lock;
        tile->strokeActive = true;
        tile->dirty = false;
        CommitStroke(*tile, colour, c.mode);
        EXPECT_TRUE(doctest::SameSamples(*tile->pixels, *Expected(colour, c.lock, c.mode < 2)));
        if (!(c.lock && c.mode == 2)) {
            EXPECT_FALSE(doctest::SameSamples(*tile->pixels, *before));
        }
        EXPECT_FALSE(tile->strokeActive);
        EXPECT_TRUE(tile->dirty);
    }
}

TEST_F(StrokeMaskCommitTest, CommitOfAnInactiveTileDoesNothing) {
    tile->strokeActive = false;
    CommitStroke(*tile, DisplayColor(0, 0, 0, 255), 0);
    EXPECT_TRUE(doctest::SameSamples(*tile->pixels, *before));
    EXPECT_FALSE(tile->dirty);
}

TEST_F(StrokeMaskCommitTest, PreviewShowsTheStrokeWithoutTouchingTheTile) {
    InstallStrokePreview();
    const ColorRecord colour = DisplayColor(240, 20, 120, 255);
    SetStrokePaint(colour, 0);
    // Layer 1 alone shows the preview as it is.
    stack->hidden = true;
    stack->opacity = 0;
    PixelImage* shown = CompositeTile(*stack);
    ASSERT_NE(shown, tile->pixels);
    EXPECT_TRUE(doctest::SameSamples(*shown, *Expected(colour, false, true)));
    EXPECT_TRUE(doctest::SameSamples(*tile->pixels, *before));
    EXPECT_TRUE(tile->strokeActive);

    SetStrokePaint(colour, 2);
    shown = CompositeTile(*stack);
    EXPECT_TRUE(doctest::SameSamples(*shown, *Expected(colour, false, false)));

    tile->lock = true;
    SetStrokePaint(colour, 1);
    shown = CompositeTile(*stack);
    EXPECT_TRUE(doctest::SameSamples(*shown, *Expected(colour, true, true)));
    EXPECT_TRUE(doctest::SameSamples(*tile->pixels, *before));
    SetStrokePreview(nullptr);
}

}  // namespace
