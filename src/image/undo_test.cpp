#include "image/undo.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "image/document_test_support.h"

using namespace doctest;

namespace {

class UndoTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        ASSERT_TRUE(NewDocument(doc, 500, 300));  // 4 x 3 tiles
        ASSERT_TRUE(AddLayer(doc, 0));
        PaintLayer(doc, 1, 1);
    }
    LayerTile& Tile(size_t t) { return *LayerTileAt(doc.stacks[t], 1); }
    // A stroke: the touched tiles are saved, then changed.
    void Stroke(const std::vector<size_t>& tiles, uint32_t seed) {
        for (size_t t : tiles) Tile(t).strokeActive = true;
        PushUndo(doc, 1, false);
        for (size_t t : tiles) {
            Randomise(*Tile(t).pixels, seed + uint32_t(t));
            Tile(t).strokeActive = false;
        }
    }
    std::vector<std::unique_ptr<PixelImage>> Snapshot() {
        std::vector<std::unique_ptr<PixelImage>> copies;
        for (size_t t = 0; t < doc.stacks.size(); ++t) copies.emplace_back(CloneImage(*Tile(t).pixels));
        return copies;
    }
    void ExpectLayerIs(const std::vector<std::unique_ptr<PixelImage>>& copies) {
        for (size_t t = 0; t < doc.stacks.size(); ++t) EXPECT_TRUE(SameSamples(*Tile(t).pixels, *copies[t])) << "tile " << t;
    }
};

TEST_F(UndoTest, UndoRestoresExactlyTheTilesAStrokeTouched) {
    const auto before = Snapshot();
    Stroke({2, 3, 8}, 50);
    const auto after = Snapshot();
    for (LayerTile* stack : doc.stacks) stack->next->dirty = false;
    Undo(doc);
    ExpectLayerIs(before);
    for (size_t t = 0; t < doc.stacks.size(); ++t) {
        const bool touched = t == 2 || t == 3 || t == 8;
        EXPECT_EQ(Tile(t).dirty, touched) << t;
        // Untouched tiles keep their image object as well as their samples.
        if (!touched) {
            EXPECT_TRUE(SameSamples(*Tile(t).pixels, *after[t]));
        }
    }
    EXPECT_TRUE(doc.layers[0].thumbnailDirty && doc.layers[1].thumbnailDirty);
}

TEST_F(UndoTest, SeventeenStrokesLoseTheFirstToTheRing) {
    std::vector<std::vector<std::unique_ptr<PixelImage>>> states;
    for (int k = 0; k < 17; ++k) {
        states.push_back(Snapshot());
        Stroke({size_t(k) % doc.stacks.size()}, 1000 * uint32_t(k));
    }
    for (int k = 16; k >= 1; --k) {
        Undo(doc);
        ExpectLayerIs(states[size_t(k)]);
    }
    // The 17th undo finds the step of the first stroke overwritten.
    Undo(doc);
    ExpectLayerIs(states[1]);
}

TEST_F(UndoTest, RevertingTwiceRestoresTheSamePixelsBothTimes) {
    const auto before = Snapshot();
    PushUndo(doc, 1, true);
    for (size_t t = 0; t < doc.stacks.size(); ++t) Randomise(*Tile(t).pixels, 7);
    RevertToLastUndo(doc);
    ExpectLayerIs(before);
    for (size_t t = 0; t < doc.stacks.size(); ++t) Randomise(*Tile(t).pixels, 8);
    RevertToLastUndo(doc);
    ExpectLayerIs(before);
    Undo(doc);
    ExpectLayerIs(before);
    EXPECT_EQ(doc.undoPosition, 0);
}

TEST_F(UndoTest, AnEmptyTileIsSavedEmptyAndComesBackEmpty) {
    ASSERT_TRUE(AddLayer(doc, 1));
    LayerTile& fresh = *LayerTileAt(doc.stacks[4], 2);
    PushUndo(doc, 2, true);
    EnsurePixels(fresh);
    Randomise(*fresh.pixels, 3);
    Undo(doc);
    EXPECT_TRUE(fresh.empty);
    EXPECT_TRUE(fresh.pixels->IsEmpty());
}

TEST_F(UndoTest, AStrokeOnAnEmptyTileUndoesToTransparentWhite) {
    ASSERT_TRUE(AddLayer(doc, 1));
    LayerTile& fresh = *LayerTileAt(doc.stacks[4], 2);
    EnsurePixels(fresh);  // the first dab gives the tile pixels before the save
    const std::unique_ptr<PixelImage> clear(CloneImage(*fresh.pixels));
    fresh.strokeActive = true;
    PushUndo(doc, 2, false);
    Randomise(*fresh.pixels, 3);
    Undo(doc);
    EXPECT_FALSE(fresh.empty);
    EXPECT_TRUE(SameSamples(*fresh.pixels, *clear));
}

TEST_F(UndoTest, NothingIsRestoredAfterTheLayersChange) {
    Stroke({0, 1}, 5);
    const auto after = Snapshot();
    ASSERT_TRUE(AddLayer(doc, 1));
    ASSERT_TRUE(RemoveLayer(doc, 2));
    Undo(doc);
    ExpectLayerIs(after);

    Stroke({0, 1}, 6);
    ASSERT_TRUE(AddLayer(doc, 1));
    const auto merged = Snapshot();
    ASSERT_TRUE(MergeLayerDown(doc, 2));
    Undo(doc);
    ExpectLayerIs(merged);
}

TEST_F(UndoTest, MovingALayerKeepsTheHistory) {
    const auto before = Snapshot();
    Stroke({6}, 9);
    ASSERT_TRUE(AddLayer(doc, 0));  // the painted layer becomes layer 2
    ASSERT_TRUE(MoveLayer(doc, 2, 0));
    Undo(doc);
    for (size_t t = 0; t < doc.stacks.size(); ++t) EXPECT_TRUE(SameSamples(*Tile(t).pixels, *before[t])) << t;
}

}  // namespace
