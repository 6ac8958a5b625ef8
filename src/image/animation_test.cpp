#include "image/animation.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "image/document_test_support.h"
#include "image/pixel_image.h"
#include "image/undo.h"

using namespace doctest;

namespace {

class AnimationTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        ASSERT_TRUE(NewDocument(doc, 300, 200));  // 3 x 2 tiles
        ASSERT_TRUE(AddLayer(doc, 0));
        ASSERT_TRUE(AddLayer(doc, 1));
        PaintLayer(doc, 1, 10);
        EnterAnimation(doc);
    }
    // Frame count, current frame and durations, in the document and in every
    // tile of every animated layer.
    void ExpectFrames(int count, int current, const std::vector<int>& durations) {
        EXPECT_EQ(doc.frameCount, count);
        EXPECT_EQ(doc.currentFrame, current);
        for (size_t k = 0; k < durations.size(); ++k) EXPECT_EQ(doc.durations[k], durations[k]) << "frame " << k;
        for (int i = 0; i < doc.layerCount; ++i) {
            if (!doc.layers[i].animated) continue;
            for (LayerTile* stack : doc.stacks) {
                const LayerTile* t = LayerTileAt(stack, i);
                ASSERT_TRUE(t->animated);
                EXPECT_EQ(t->frameCount, count);
                EXPECT_EQ(int(t->frames.size()), count);
                EXPECT_EQ(t->currentFrame, current);
                EXPECT_EQ(t->pixels, t->frames[size_t(current)]);
                EXPECT_EQ(t->empty, t->pixels->IsEmpty());
            }
        }
    }
    LayerTile& Tile(int layer, size_t t = 0) { return *LayerTileAt(doc.stacks[t], layer); }
};

TEST_F(AnimationTest, EnteringStartsOneFrameAtTenPerSecond) {
    EXPECT_TRUE(doc.animationMode);
    EXPECT_EQ(doc.framesPerSecond, 10);
    ExpectFrames(1, 0, {1});
    doc.framesPerSecond = 24;
    EnterAnimation(doc);  // already in: nothing changes
    EXPECT_EQ(doc.framesPerSecond, 24);
}

TEST_F(AnimationTest, AddFrameCopiesTheCurrentDurationAndMovesToTheNewEmptyFrame) {
    ASSERT_TRUE(ToggleLayerAnimated(doc, 1));
    ASSERT_TRUE(AddFrame(doc));
    ASSERT_TRUE(AddFrame(doc));
    doc.durations[0] = 2, doc.durations[1] = 5, doc.durations[2] = 1;
    SetFrame(doc, 1);
    PixelImage* second = Tile(1).frames[1];
    ASSERT_TRUE(AddFrame(doc));
    ExpectFrames(4, 2, {2, 5, 5, 1});
    for (LayerTile* stack : doc.stacks) EXPECT_TRUE(LayerTileAt(stack, 1)->pixels->IsEmpty());
    EXPECT_EQ(Tile(1).frames[1], second);
    EXPECT_FALSE(Tile(1).frames[0]->IsEmpty());
}

TEST_F(AnimationTest, SetFrameWrapsBothWays) {
    ASSERT_TRUE(ToggleLayerAnimated(doc, 1));
    for (int k = 0; k < 3; ++k) ASSERT_TRUE(AddFrame(doc));
    SetFrame(doc, 1);
    SetFrame(doc, -1);
    ExpectFrames(4, 3, {});
    SetFrame(doc, 4);
    ExpectFrames(4, 0, {});
    SetFrame(doc, 2);
    ExpectFrames(4, 2, {});
}

TEST_F(AnimationTest, RemovingTheLastFrameMakesThePreviousOneCurrent) {
    ASSERT_TRUE(ToggleLayerAnimated(doc, 1));
    ASSERT_TRUE(AddFrame(doc));
    ASSERT_TRUE(AddFrame(doc));
    doc.durations[0] = 3, doc.durations[1] = 4, doc.durations[2] = 6;
    PixelImage* middle = Tile(1).frames[1];
    ASSERT_TRUE(RemoveFrame(doc));
    ExpectFrames(2, 1, {3, 4});
    EXPECT_EQ(Tile(1).pixels, middle);
    SetFrame(doc, 0);
    ASSERT_TRUE(RemoveFrame(doc));
    ExpectFrames(1, 0, {4});
    EXPECT_EQ(Tile(1).pixels, middle);
}

TEST_F(AnimationTest, RemoveFrameDoesNothingAtOneFrame) {
    ASSERT_TRUE(ToggleLayerAnimated(doc, 1));
    EXPECT_FALSE(RemoveFrame(doc));
    ExpectFrames(1, 0, {1});
    doc.frameCount = 0;  // as a document that never entered animation mode
    EXPECT_FALSE(RemoveFrame(doc));
    EXPECT_EQ(doc.frameCount, 0);
}

TEST_F(AnimationTest, AddFrameStopsAt4096Frames) {
    ASSERT_TRUE(ToggleLayerAnimated(doc, 2));  // an empty layer: frames cost nothing
    while (doc.frameCount < kMaxFrames) ASSERT_TRUE(AddFrame(doc));
    EXPECT_FALSE(AddFrame(doc));
    ExpectFrames(kMaxFrames, kMaxFrames - 1, {});
}

TEST_F(AnimationTest, MakingALayerAnimatedPutsItsPixelsIntoTheCurrentFrame) {
    for (int k = 0; k < 4; ++k) ASSERT_TRUE(AddFrame(doc));
    SetFrame(doc, 3);
    PixelImage* pixels = Tile(1).pixels;
    ASSERT_TRUE(ToggleLayerAnimated(doc, 1));
    ExpectFrames(5, 3, {});
    EXPECT_EQ(Tile(1).frames[3], pixels);
    for (int k : {0, 1, 2, 4}) EXPECT_TRUE(Tile(1).frames[size_t(k)]->IsEmpty()) << k;
}

TEST_F(AnimationTest, AFrameOutsideTheCountIsNeverWritten) {
    LayerTile& tile = Tile(1);
    PixelImage* pixels = tile.pixels;
    for (int c : {-1, 3, 4}) {
        EXPECT_FALSE(MakeTileAnimated(tile, 3, c)) << c;
        EXPECT_FALSE(tile.animated);
        EXPECT_TRUE(tile.frames.empty());
        EXPECT_EQ(tile.pixels, pixels);
    }
    EXPECT_FALSE(MakeTileAnimated(tile, 0, 0));
    // The document's own frame out of step with its count: the layer stays still.
    doc.currentFrame = 1;
    EXPECT_FALSE(ToggleLayerAnimated(doc, 1));
    EXPECT_FALSE(doc.layers[1].animated);
    EXPECT_FALSE(tile.animated);
}

TEST_F(AnimationTest, OnionSkinWithoutAnimatedLayersOnlyFlipsTheSwitch) {
    for (LayerTile* stack : doc.stacks) stack->next->dirty = false;
    ToggleOnionSkin(doc);
    EXPECT_TRUE(doc.onionSkin);
    for (LayerTile* stack : doc.stacks) {
        EXPECT_FALSE(stack->next->onionSkin);
        EXPECT_FALSE(stack->next->dirty);
    }
    ASSERT_TRUE(ToggleLayerAnimated(doc, 1));
    ToggleOnionSkin(doc);
    ToggleOnionSkin(doc);
    for (LayerTile* stack : doc.stacks) EXPECT_TRUE(stack->next->onionSkin);
}

TEST_F(AnimationTest, ExitingKeepsTheImageEachLayerShowed) {
    ASSERT_TRUE(ToggleLayerAnimated(doc, 1));
    ASSERT_TRUE(AddFrame(doc));
    EnsurePixels(Tile(1, 2));
    Randomise(*Tile(1, 2).pixels, 4);
    std::vector<PixelImage*> shown;
    for (LayerTile* stack : doc.stacks) shown.push_back(LayerTileAt(stack, 1)->pixels);
    ExitAnimation(doc);
    EXPECT_FALSE(doc.animationMode);
    EXPECT_FALSE(doc.layers[1].animated);
    for (size_t t = 0; t < doc.stacks.size(); ++t) {
        const LayerTile& tile = Tile(1, t);
        EXPECT_FALSE(tile.animated);
        EXPECT_EQ(tile.frameCount, 0);
        EXPECT_EQ(tile.pixels, shown[t]);
        EXPECT_EQ(tile.empty, t != 2);
    }
}

// Stepping through frames keeps the history: a step taken on one frame is
// undone on that frame, which becomes current again.
TEST_F(AnimationTest, AStepTakenOnAnotherFrameIsUndoneThere) {
    ASSERT_TRUE(ToggleLayerAnimated(doc, 1));
    ASSERT_TRUE(AddFrame(doc));
    ASSERT_TRUE(AddFrame(doc));
    const std::unique_ptr<PixelImage> first(CloneImage(*Tile(1).frames[0]));
    SetFrame(doc, 1);
    EnsurePixels(Tile(1));
    Randomise(*Tile(1).pixels, 5);
    const std::unique_ptr<PixelImage> before(CloneImage(*Tile(1).pixels));
    ASSERT_TRUE(PushUndo(doc, 1, true));
    Randomise(*Tile(1).pixels, 6);
    const std::unique_ptr<PixelImage> after(CloneImage(*Tile(1).pixels));
    SetFrame(doc, 2);
    SetFrame(doc, 0);
    ASSERT_EQ(UndoDepth(doc), 1);
    ASSERT_TRUE(Undo(doc));
    ExpectFrames(3, 1, {1, 1, 1});
    EXPECT_TRUE(SameSamples(*Tile(1).pixels, *before));
    EXPECT_TRUE(SameSamples(*Tile(1).frames[0], *first));
    EXPECT_TRUE(Tile(1).frames[2]->IsEmpty());
    SetFrame(doc, 2);
    ASSERT_TRUE(Redo(doc));
    ExpectFrames(3, 1, {1, 1, 1});
    EXPECT_TRUE(SameSamples(*Tile(1).pixels, *after));
}

}  // namespace
