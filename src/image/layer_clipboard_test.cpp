#include "image/layer_clipboard.h"

#include <gtest/gtest.h>

#include <cstring>

#include "image/animation.h"
#include "image/document_test_support.h"

using namespace doctest;

namespace {

class LayerClipboardTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        ASSERT_TRUE(NewDocument(doc, 300, 200));
        ASSERT_TRUE(AddLayer(doc, 0));
        ASSERT_TRUE(AddLayer(doc, 1));
        // Layer 1 has pixels in the first tile only.
        EnsurePixels(*LayerTileAt(doc.stacks[0], 1));
        RandomiseWithEdges(*LayerTileAt(doc.stacks[0], 1)->pixels, 3);
        doc.layers[1].opacity = 90;
        doc.layers[1].blendMode = kBlendDarken;
        std::strcpy(doc.layers[1].name, "Ink");
        ApplyLayerInfo(doc, 1);
        doc.currentLayer = 1;
    }
};

TEST_F(LayerClipboardTest, PasteAddsACopyAboveTheCurrentLayer) {
    CopyLayerToClipboard(doc);
    ASSERT_TRUE(doc.clipboardFilled);
    doc.layers[2].thumbnail = 0;
    doc.modified = false;
    ASSERT_TRUE(PasteLayerFromClipboard(doc));
    EXPECT_EQ(doc.layerCount, 4);
    EXPECT_EQ(doc.currentLayer, 2);
    EXPECT_TRUE(doc.modified);
    EXPECT_STREQ(doc.layers[2].name, "Ink");
    EXPECT_EQ(doc.layers[2].opacity, 90);
    EXPECT_EQ(doc.layers[2].blendMode, kBlendDarken);
    EXPECT_TRUE(doc.layers[2].thumbnailDirty);
    const LayerTile* source = LayerTileAt(doc.stacks[0], 1);
    const LayerTile* pasted = LayerTileAt(doc.stacks[0], 2);
    ASSERT_NE(pasted->pixels, source->pixels);
    EXPECT_TRUE(SameSamples(*pasted->pixels, *source->pixels));
    EXPECT_EQ(pasted->opacity, 90);
    EXPECT_EQ(pasted->blendMode, kBlendDarken);
    for (size_t t = 1; t < doc.stacks.size(); ++t) EXPECT_TRUE(LayerTileAt(doc.stacks[t], 2)->empty);
}

TEST_F(LayerClipboardTest, TheCopyDoesNotFollowLaterPainting) {
    CopyLayerToClipboard(doc);
    PixelImage* before = CloneImage(*LayerTileAt(doc.stacks[0], 1)->pixels);
    Randomise(*LayerTileAt(doc.stacks[0], 1)->pixels, 99);
    ASSERT_TRUE(PasteLayerFromClipboard(doc));
    EXPECT_TRUE(SameSamples(*LayerTileAt(doc.stacks[0], 2)->pixels, *before));
    delete before;
}

TEST_F(LayerClipboardTest, AnAnimatedLayerPastesAsAStillLayerOfItsCurrentFrame) {
    EnterAnimation(doc);
    ASSERT_TRUE(ToggleLayerAnimated(doc, 1));
    ASSERT_TRUE(AddFrame(doc));  // now on an empty frame 1
    SetFrame(doc, 0);
    CopyLayerToClipboard(doc);
    ASSERT_TRUE(PasteLayerFromClipboard(doc));
    EXPECT_FALSE(doc.layers[2].animated);
    for (LayerTile* stack : doc.stacks) {
        const LayerTile* pasted = LayerTileAt(stack, 2);
        EXPECT_FALSE(pasted->animated);
        EXPECT_EQ(pasted->frameCount, 0);
    }
    EXPECT_TRUE(SameSamples(*LayerTileAt(doc.stacks[0], 2)->pixels, *LayerTileAt(doc.stacks[0], 1)->pixels));
    // Toggling the pasted layer works from the still state.
    EXPECT_TRUE(ToggleLayerAnimated(doc, 2));
    EXPECT_EQ(LayerTileAt(doc.stacks[0], 2)->frameCount, 2);
}

TEST_F(LayerClipboardTest, PasteIsRefusedWhenEmptyOrTheLayerListIsFull) {
    EXPECT_FALSE(PasteLayerFromClipboard(doc));
    EXPECT_EQ(doc.layerCount, 3);
    CopyLayerToClipboard(doc);
    while (doc.layerCount < kMaxLayers) ASSERT_TRUE(AddLayer(doc, doc.layerCount - 1));
    EXPECT_FALSE(PasteLayerFromClipboard(doc));
    EXPECT_EQ(doc.layerCount, kMaxLayers);
    EXPECT_EQ(doc.currentLayer, 1);
}

TEST_F(LayerClipboardTest, ANewDocumentEmptiesTheClipboard) {
    CopyLayerToClipboard(doc);
    ASSERT_TRUE(NewDocument(doc, 500, 500));
    EXPECT_FALSE(doc.clipboardFilled);
    EXPECT_FALSE(PasteLayerFromClipboard(doc));
}

}  // namespace
