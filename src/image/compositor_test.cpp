#include "image/compositor.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "image/animation.h"
#include "image/blend_reference.h"
#include "image/document_test_support.h"

using namespace doctest;

namespace {

constexpr int kPixels = kTileSide * kTileSide;

std::unique_ptr<PixelImage> TileImage(uint32_t seed) {
    auto image = std::make_unique<PixelImage>(kTileSide, kTileSide, 4, 16);
    RandomiseWithEdges(*image, seed);
    return image;
}

// The walk over a still stack, one pixel at a time.
void ReferenceComposite(const LayerTile& stack, int i, int64_t* colour) {
    bool have = false;
    for (const LayerTile* t = &stack; t; t = t->next) {
        if (t->pixels->IsEmpty() || t->hidden || t->opacity == 0) continue;
        for (int c = 0; c < 3; ++c) {
            const int64_t top = Samples(*t->pixels, c)[i];
            colour[c] = have ? blendref::Mode(t->blendMode, colour[c], top,
                                              blendref::Coverage(Samples(*t->pixels, 3)[i], t->opacity))
                             : top;
        }
        have = true;
    }
    if (!have)
        for (int c = 0; c < 3; ++c) colour[c] = Samples(*stack.pixels, c)[i];
}

class CompositorTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        ASSERT_TRUE(NewDocument(doc, 100, 100));
        for (int i = 1; i < 6; ++i) ASSERT_TRUE(AddLayer(doc, i - 1));
        stack = doc.stacks[0];
        RandomiseWithEdges(*stack->pixels, 1);
    }
    void Set(int layer, int opacity, int mode, bool hidden = false) {
        doc.layers[layer].opacity = opacity;
        doc.layers[layer].blendMode = mode;
        doc.layers[layer].hidden = hidden;
        ApplyLayerInfo(doc, layer);
    }
    void ExpectMatchesReference(const PixelImage& result) {
        for (int i = 0; i < kPixels; ++i) {
            int64_t colour[3];
            ReferenceComposite(*stack, i, colour);
            for (int c = 0; c < 3; ++c) ASSERT_EQ(Samples(result, c)[i], colour[c]) << "pixel " << i << " channel " << c;
        }
    }
    LayerTile* stack = nullptr;
};

TEST_F(CompositorTest, EveryModeOverEveryOpacityMatchesTheReferenceWalk) {
    PaintLayer(doc, 1, 10);
    PaintLayer(doc, 2, 20);
    PaintLayer(doc, 4, 40);
    PaintLayer(doc, 5, 50);
    Set(1, 255, kBlendMultiply);
    Set(2, 128, kBlendScreen);
    Set(3, 200, kBlendNormal);  // empty
    Set(4, 31, kBlendDarken);
    Set(5, 222, kBlendLighten);
    ExpectMatchesReference(*CompositeTile(*stack));
    Set(2, 128, kBlendScreen, true);
    Set(4, 255, kBlendNormal);
    Set(0, 0, kBlendNormal);  // layer 1 is now the first visible one
    ExpectMatchesReference(*CompositeTile(*stack));
}

// Layers painted and then erased everywhere: skipped where coverage 0 keeps
// the colour below, still blended where it does not (Multiply and Screen
// move it by one).
TEST_F(CompositorTest, FullyTransparentLayersComposeLikeTheReferenceWalk) {
    const int modes[] = {kBlendNormal, kBlendMultiply, kBlendScreen, kBlendDarken, kBlendLighten};
    for (int layer = 1; layer < 6; ++layer) {
        PaintLayer(doc, layer, 60 + uint32_t(layer));
        LayerTileAt(stack, layer)->pixels->Alpha().Fill(0);
        Set(layer, 255, modes[layer - 1]);
    }
    ExpectMatchesReference(*CompositeTile(*stack));
    for (int layer : {2, 3}) Set(layer, 0, kBlendNormal);  // only the skipped modes are left
    const PixelImage* shown = CompositeTile(*stack);
    ExpectMatchesReference(*shown);
    EXPECT_EQ(shown, stack->pixels);  // nothing above changed the bottom layer, so it is shown as it is
}

TEST_F(CompositorTest, AStackWithNothingVisibleAboveShowsTheBottomPixelsUnchanged) {
    PaintLayer(doc, 2, 3);
    Set(2, 255, kBlendNormal, true);
    Set(3, 0, kBlendNormal);
    EXPECT_EQ(CompositeTile(*stack), stack->pixels);
}

TEST_F(CompositorTest, AStackWithNoVisibleLayerAtAllShowsTheBottomPixels) {
    PaintLayer(doc, 2, 3);
    Set(0, 0, kBlendNormal);
    Set(2, 255, kBlendNormal, true);
    const PixelImage* result = CompositeTile(*stack);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result, stack->pixels);
}

// A flat layer made animated, with frame images the test fills itself.
class OnionSkinTest : public CompositorTest {
protected:
    void Animate(int frames) {
        PaintLayer(doc, 1, 77);
        Set(1, 180, kBlendNormal);
        EnterAnimation(doc);
        for (int k = 1; k < frames; ++k) ASSERT_TRUE(AddFrame(doc));
        SetFrame(doc, 0);
        ASSERT_TRUE(ToggleLayerAnimated(doc, 1));
        tile = stack->next;
        ASSERT_EQ(tile->frameCount, frames);
        ToggleOnionSkin(doc);
        ASSERT_TRUE(tile->onionSkin);
    }
    void GiveFrame(int k, uint32_t seed) {
        delete tile->frames[size_t(k)];
        tile->frames[size_t(k)] = TileImage(seed).release();
        if (k == tile->currentFrame) {
            tile->pixels = tile->frames[size_t(k)];
            tile->empty = false;
        }
    }
    LayerTile* tile = nullptr;
};

TEST_F(OnionSkinTest, TwoFramesShowTheOtherFrameOnce) {
    Animate(2);
    GiveFrame(1, 91);
    const PixelImage& current = *tile->frames[0];
    const PixelImage& other = *tile->frames[1];
    const PixelImage* result = CompositeTile(*stack);
    for (int i = 0; i < kPixels; i += 13) {
        int64_t b[3], t[3];
        for (int c = 0; c < 3; ++c) b[c] = Samples(other, c)[i], t[c] = Samples(current, c)[i];
        const blendref::Over o = blendref::NormalOver(b, Samples(other, 3)[i], 180 / 4, t, Samples(current, 3)[i], 180);
        for (int c = 0; c < 3; ++c) {
            const int64_t expected =
                blendref::Normal(Samples(*stack->pixels, c)[i], o.colour[c], blendref::Coverage(o.alpha, 180));
            ASSERT_EQ(Samples(*result, c)[i], expected) << i;
        }
    }
}

TEST_F(OnionSkinTest, AnEmptyCurrentFrameStillShowsItsNeighboursAtAQuarter) {
    Animate(3);
    GiveFrame(0, 0);  // replaced below by the empty image
    delete tile->frames[0];
    tile->frames[0] = new PixelImage();
    tile->pixels = tile->frames[0];
    tile->empty = true;
    GiveFrame(1, 5);
    GiveFrame(2, 6);
    const PixelImage& next = *tile->frames[1];
    const PixelImage& previous = *tile->frames[2];
    const PixelImage* result = CompositeTile(*stack);
    for (int i = 0; i < kPixels; i += 11) {
        int64_t n[3], p[3];
        for (int c = 0; c < 3; ++c) n[c] = Samples(next, c)[i], p[c] = Samples(previous, c)[i];
        const blendref::Over first = blendref::NormalOver(n, Samples(next, 3)[i], 45, n, Samples(next, 3)[i], 0);
        const blendref::Over both = blendref::NormalOver(p, Samples(previous, 3)[i], 45, first.colour, first.alpha, 180);
        for (int c = 0; c < 3; ++c) {
            const int64_t expected =
                blendref::Normal(Samples(*stack->pixels, c)[i], both.colour[c], blendref::Coverage(both.alpha, 180));
            ASSERT_EQ(Samples(*result, c)[i], expected) << i;
        }
    }
}

int previewCalls = 0;

PixelImage* PaintItRed(const LayerTile&, const PixelImage& source, PixelImage& scratch) {
    ++previewCalls;
    scratch.Channel(0).Fill(65535);
    scratch.Channel(1).Fill(0);
    scratch.Channel(2).Fill(0);
    scratch.Alpha().CopyFrom(source.Alpha());
    return &scratch;
}

TEST_F(CompositorTest, TheStrokePreviewShowsOnlyOnTilesWithAnActiveStroke) {
    PaintLayer(doc, 1, 8);
    const std::unique_ptr<PixelImage> layer(CloneImage(*stack->next->pixels));
    previewCalls = 0;
    SetStrokePreview(PaintItRed);
    PixelImage* plain = CompositeTile(*stack);
    EXPECT_EQ(previewCalls, 0);
    ExpectMatchesReference(*plain);

    stack->next->strokeActive = true;
    const PixelImage* painted = CompositeTile(*stack);
    SetStrokePreview(nullptr);
    EXPECT_EQ(previewCalls, 1);
    for (int i = 0; i < kPixels; i += 7) {
        const int64_t m = blendref::Coverage(Samples(*layer, 3)[i], 255);
        ASSERT_EQ(Samples(*painted, 0)[i], blendref::Normal(Samples(*stack->pixels, 0)[i], 65535, m));
        ASSERT_EQ(Samples(*painted, 1)[i], blendref::Normal(Samples(*stack->pixels, 1)[i], 0, m));
    }
    EXPECT_TRUE(SameSamples(*stack->next->pixels, *layer));  // the layer itself is untouched

    // Without a preview installed an active stroke adds nothing.
    ExpectMatchesReference(*CompositeTile(*stack));
}

TEST_F(DocumentTest, FullNormalBlendMatchesTheOverReferenceAlsoInPlace) {
    auto below = TileImage(1), top = TileImage(2);
    const std::unique_ptr<PixelImage> topCopy(CloneImage(*top));
    PixelImage out(kTileSide, kTileSide, 4, 16);
    for (int ob : {255, 100, 0}) {
        for (int ot : {255, 128, 0}) {
            BlendLayer(kBlendNormal, out, *below, *top, *top, ob, ot, true);
            BlendLayer(kBlendNormal, *top, *below, *top, *top, ob, ot, true);
            ASSERT_TRUE(SameSamples(out, *top));
            for (int i = 0; i < kPixels; ++i) {
                int64_t b[3], t[3];
                for (int c = 0; c < 3; ++c) b[c] = Samples(*below, c)[i], t[c] = Samples(*topCopy, c)[i];
                const blendref::Over o =
                    blendref::NormalOver(b, Samples(*below, 3)[i], ob, t, Samples(*topCopy, 3)[i], ot);
                ASSERT_EQ(Samples(out, 3)[i], o.alpha) << ob << " " << ot << " pixel " << i;
                for (int c = 0; c < 3; ++c) ASSERT_EQ(Samples(out, c)[i], o.colour[c]) << ob << " " << ot << " pixel " << i;
            }
            top->CopyFrom(*topCopy);
        }
    }
}

TEST_F(DocumentTest, NotFullBlendLeavesTheOutputAlphaAlone) {
    auto below = TileImage(3), top = TileImage(4);
    PixelImage out(kTileSide, kTileSide, 4, 16);
    out.Alpha().Fill(1234);
    for (int mode = 0; mode < kBlendModeCount; ++mode) {
        BlendLayer(mode, out, *below, *top, *top, 255, 150, mode != kBlendNormal);
        for (int i = 0; i < kPixels; i += 5) {
            ASSERT_EQ(Samples(out, 3)[i], 1234);
            const int64_t m = blendref::Coverage(Samples(*top, 3)[i], 150);
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(Samples(out, c)[i], blendref::Mode(mode, Samples(*below, c)[i], Samples(*top, c)[i], m));
        }
    }
}

TEST_F(DocumentTest, EightBitImagesBlendThroughWidenedSamples) {
    PixelImage below(kTileSide, kTileSide, 4, 8), top(kTileSide, kTileSide, 4, 8), out(kTileSide, kTileSide, 4, 8);
    std::mt19937 rng(5);
    for (PixelImage* image : {&below, &top})
        for (int c = 0; c < 4; ++c)
            for (int i = 0; i < kPixels; ++i) static_cast<ChannelBuffer8&>(image->Channel(c)).samples[i] = uint8_t(rng());
    auto wide = [](const PixelImage& image, int c, int i) {
        return int64_t(static_cast<const ChannelBuffer8&>(image.Channel(c)).samples[i]) * 256 + 255;
    };
    BlendLayer(kBlendScreen, out, below, top, top, 255, 99, false);
    for (int i = 0; i < kPixels; i += 3) {
        const int64_t m = blendref::Coverage(wide(top, 3, i), 99);
        for (int c = 0; c < 3; ++c)
            ASSERT_EQ(static_cast<ChannelBuffer8&>(out.Channel(c)).samples[i],
                      blendref::Mode(kBlendScreen, wide(below, c, i), wide(top, c, i), m) >> 8);
    }
}

TEST_F(DocumentTest, BlendDoesNothingWhenTheShapesDiffer) {
    auto below = TileImage(1), top = TileImage(2);
    PixelImage mask(kTileSide, kTileSide, 1, 16), small(64, 64, 4, 16);
    mask.Channel(0).Fill(9);
    BlendLayer(kBlendNormal, mask, *below, *top, *top, 255, 255, true);
    EXPECT_EQ(mask.Channel(0).Get(10, 10), 9u);
    const std::unique_ptr<PixelImage> before(CloneImage(*below));
    BlendLayer(kBlendMultiply, *below, *below, small, small, 255, 255, false);
    EXPECT_TRUE(SameSamples(*below, *before));
}

TEST_F(DocumentTest, ApplyOpacityScalesAlphaAtEitherDepth) {
    auto image = TileImage(6);
    const std::unique_ptr<PixelImage> before(CloneImage(*image));
    ApplyOpacity(*image, 255);
    EXPECT_TRUE(SameSamples(*image, *before));
    ApplyOpacity(*image, 64);
    for (int i = 0; i < kPixels; i += 3) {
        ASSERT_EQ(Samples(*image, 3)[i], (uint32_t(Samples(*before, 3)[i]) * (64 * 257)) >> 16);
        ASSERT_EQ(Samples(*image, 0)[i], Samples(*before, 0)[i]);
    }
    PixelImage narrow(kTileSide, kTileSide, 2, 8);
    narrow.Channel(1).Fill(200);
    ApplyOpacity(narrow, 128);
    EXPECT_EQ(narrow.Channel(1).Get(3, 3), ((200u * 256 + 255) * (128 * 257) >> 16) >> 8);
    PixelImage none;
    ApplyOpacity(none, 10);
}

}  // namespace

namespace {

// What leaves the program as a picture carries the layers' coverage composed
// as "over": whatever the thread's scratch held before, and whatever the
// blend modes.
TEST_F(CompositorTest, APictureForExportCarriesTheLayersCoverage) {
    PaintLayer(doc, 1, 10);
    PaintLayer(doc, 2, 20);
    Set(1, 255, kBlendMultiply);
    Set(2, 128, kBlendScreen);
    for (int layer = 3; layer < 6; ++layer) Set(layer, 0, kBlendNormal);
    // Another stack composited first leaves other alphas in the scratch.
    LayerTile* other = doc.stacks[doc.stacks.size() - 1];
    RandomiseWithEdges(*other->pixels, 99);
    CompositeTile(*other);
    const PixelImage* shown = CompositeTileWithAlpha(*stack);
    ExpectMatchesReference(*shown);
    const uint16_t* a0 = Samples(*stack->pixels, 3);
    const uint16_t* a1 = Samples(*LayerTileAt(stack, 1)->pixels, 3);
    const uint16_t* a2 = Samples(*LayerTileAt(stack, 2)->pixels, 3);
    for (int i = 0; i < kPixels; ++i) {
        const double c0 = a0[i] / 65535.0, c1 = a1[i] / 65535.0, c2 = a2[i] / 65535.0 * 128 / 255;
        const double expected = 1 - (1 - c0) * (1 - c1) * (1 - c2);
        ASSERT_NEAR(Samples(*shown, 3)[i] / 65535.0, expected, 2.0 / 65535) << "pixel " << i;
    }
}

}  // namespace
