#include "image/undo.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The history is bounded by memory, not by a count of steps: seventeen
// strokes all undo, and all redo.
TEST_F(UndoTest, SeventeenStrokesAllUndoAndRedo) {
    std::vector<std::vector<std::unique_ptr<PixelImage>>> states;
    for (int k = 0; k < 17; ++k) {
        states.push_back(Snapshot());
        Stroke({size_t(k) % doc.stacks.size()}, 1000 * uint32_t(k));
    }
    states.push_back(Snapshot());
    for (int k = 16; k >= 0; --k) {
        ASSERT_TRUE(Undo(doc));
        ExpectLayerIs(states[size_t(k)]);
    }
    EXPECT_FALSE(Undo(doc));
    EXPECT_EQ(RedoDepth(doc), 17);
    for (int k = 1; k <= 17; ++k) {
        ASSERT_TRUE(Redo(doc));
        ExpectLayerIs(states[size_t(k)]);
    }
    EXPECT_FALSE(Redo(doc));
}

TEST_F(UndoTest, ANewStepAfterUndoDropsTheStepsThatCouldBeRedone) {
    Stroke({1}, 1);
    Stroke({2}, 2);
    ASSERT_TRUE(Undo(doc));
    ASSERT_TRUE(Undo(doc));
    const auto start = Snapshot();
    Stroke({3}, 3);
    EXPECT_EQ(RedoDepth(doc), 0);
    EXPECT_FALSE(Redo(doc));
    ASSERT_TRUE(Undo(doc));
    ExpectLayerIs(start);
    EXPECT_FALSE(Undo(doc));
}

TEST_F(UndoTest, UndoAndRedoMarkTheDocumentModified) {
    Stroke({1}, 1);
    for (bool (*move)(Document&) : {Undo, Redo}) {
        doc.modified = false;
        doc.flatCopy = true;
        ASSERT_TRUE(move(doc));
        EXPECT_TRUE(doc.modified);
        EXPECT_FALSE(doc.flatCopy);
    }
}

// A dialog keeps its step open while it previews: it can go back to the
// pixels from before as often as it likes, and Cancel leaves no step.
TEST_F(UndoTest, AnOpenStepRevertsAgainAndAgainAndAbandoningLeavesNoStep) {
    const auto before = Snapshot();
    ASSERT_TRUE(OpenStep(doc, kStepLevels, 1));
    ASSERT_TRUE(SaveTiles(doc, 1, true));
    EXPECT_FALSE(OpenStep(doc, kStepStroke, 1));  // one edit at a time
    EXPECT_FALSE(Undo(doc));
    for (uint32_t seed : {7u, 8u}) {
        for (size_t t = 0; t < doc.stacks.size(); ++t) Randomise(*Tile(t).pixels, seed);
        RevertOpenStep(doc);
        ExpectLayerIs(before);
    }
    for (size_t t = 0; t < doc.stacks.size(); ++t) Randomise(*Tile(t).pixels, 9);
    AbandonStep(doc);
    ExpectLayerIs(before);
    EXPECT_FALSE(StepOpen(doc));
    EXPECT_EQ(UndoDepth(doc), 0);
    EXPECT_EQ(RedoDepth(doc), 0);
}

TEST_F(UndoTest, AStepThatSavedNothingIsDropped) {
    doc.modified = false;
    ASSERT_TRUE(OpenStep(doc, kStepStroke, 1));
    ASSERT_TRUE(SaveTiles(doc, 1, false));  // no tile has an active stroke
    CloseStep(doc);
    EXPECT_EQ(UndoDepth(doc), 0);
    EXPECT_FALSE(doc.modified);
}

TEST_F(UndoTest, AnEmptyTileIsSavedEmptyAndComesBackEmpty) {
    ASSERT_TRUE(AddLayer(doc, 1));
    LayerTile& fresh = *LayerTileAt(doc.stacks[4], 2);
    PushUndo(doc, 2, true);
    EnsurePixels(fresh);
    Randomise(*fresh.pixels, 3);
    const std::unique_ptr<PixelImage> painted(CloneImage(*fresh.pixels));
    Undo(doc);
    EXPECT_TRUE(fresh.empty);
    EXPECT_TRUE(fresh.pixels->IsEmpty());
    Redo(doc);
    EXPECT_FALSE(fresh.empty);
    EXPECT_TRUE(SameSamples(*fresh.pixels, *painted));
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

// The steps find their tiles by layer position: a layer change made outside
// any step (which no command makes) leaves them nothing to trust.
TEST_F(UndoTest, ALayerChangeOutsideAStepEmptiesTheHistory) {
    const struct {
        const char* name;
        bool (*change)(Document&);
    } cases[] = {
        {"add", [](Document& d) { return AddLayer(d, 1); }},
        {"remove", [](Document& d) { return RemoveLayer(d, 1); }},
        {"merge", [](Document& d) { return MergeLayerDown(d, 1); }},
        {"move", [](Document& d) { return AddLayer(d, 1) && MoveLayer(d, 2, 0); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(NewDocument(doc, 500, 300));
        ASSERT_TRUE(AddLayer(doc, 0));
        PaintLayer(doc, 1, 1);
        Stroke({0, 1}, 5);
        ASSERT_TRUE(c.change(doc));
        EXPECT_EQ(UndoDepth(doc), 0);
        EXPECT_FALSE(Undo(doc));
    }
}

TEST_F(UndoTest, AStrokeUndoesAfterItsLayerWasMovedInAStep) {
    const auto before = Snapshot();
    Stroke({6}, 9);
    ASSERT_TRUE(OpenStep(doc, kStepAddLayer, -1));
    ASSERT_TRUE(AddLayer(doc, 0));  // the painted layer becomes layer 2
    CloseStep(doc);
    ASSERT_TRUE(OpenStep(doc, kStepMoveLayer, 2));
    ASSERT_TRUE(MoveLayer(doc, 2, 0));  // and back to layer 1
    CloseStep(doc);
    const auto moved = Snapshot();
    ASSERT_TRUE(Undo(doc));
    ASSERT_TRUE(Undo(doc));
    EXPECT_EQ(doc.layerCount, 2);
    ASSERT_TRUE(Undo(doc));
    ExpectLayerIs(before);
    ASSERT_TRUE(Redo(doc));
    ASSERT_TRUE(Redo(doc));
    ASSERT_TRUE(Redo(doc));
    ExpectLayerIs(moved);
}

// ---- The memory budget

class UndoBudgetTest : public UndoTest {
protected:
    void TearDown() override {
        SetHistoryBudget(saved);
        UndoTest::TearDown();
    }
    const size_t saved = HistoryBudget();
    static constexpr size_t kTileBytes = size_t(kTileSide) * kTileSide * 4 * 2;
};

TEST_F(UndoBudgetTest, TheOldestStepsGoAndTheNewestStay) {
    SetHistoryBudget(3 * kTileBytes);
    std::vector<std::vector<std::unique_ptr<PixelImage>>> states;
    for (uint32_t k = 0; k < 6; ++k) {
        states.push_back(Snapshot());
        Stroke({size_t(k)}, 100 + k);
        EXPECT_LE(HistoryBytes(doc), 3 * kTileBytes);
    }
    EXPECT_EQ(UndoDepth(doc), 3);
    for (int k = 5; k >= 3; --k) {
        ASSERT_TRUE(Undo(doc));
        ExpectLayerIs(states[size_t(k)]);
    }
    EXPECT_FALSE(Undo(doc));
}

TEST_F(UndoBudgetTest, TheLastStepSurvivesABudgetSmallerThanItself) {
    SetHistoryBudget(kTileBytes);
    Stroke({0}, 1);
    const auto middle = Snapshot();
    Stroke({1, 2, 3}, 2);  // three tiles: over the budget on its own
    EXPECT_EQ(UndoDepth(doc), 1);
    EXPECT_EQ(HistoryBytes(doc), 3 * kTileBytes);
    ASSERT_TRUE(Undo(doc));
    ExpectLayerIs(middle);
    EXPECT_FALSE(Undo(doc));
}

// ---- Packed snapshots: a closed step's tiles are packed in the background

class UndoPackTest : public UndoBudgetTest {
protected:
    void TearDown() override {
        FinishHistoryPacking(doc);
        UndoBudgetTest::TearDown();
    }
    // Paint as a painter leaves it: gradients and flat areas, which pack
    // small (the fixture's noise does not pack at all).
    void PaintSmooth(size_t t, uint32_t seed) {
        PixelImage& image = *Tile(t).pixels;
        for (int c = 0; c < 4; ++c)
            for (int y = 0; y < image.height; ++y)
                for (int x = 0; x < image.width; ++x)
                    Samples(image, c)[y * image.width + x] =
                        c == 3 ? (x < 64 ? 65535 : uint16_t(x * 300))
                               : uint16_t(seed * 4099u + uint32_t(c) * 20000u + uint32_t(x * 40 + y * (c + 3)));
    }
    void PaintSmoothLayer(uint32_t seed) {
        for (size_t t = 0; t < doc.stacks.size(); ++t) PaintSmooth(t, seed + uint32_t(t));
    }
    // A filter's step: every tile saved, then painted over.
    void WholeLayerStep(uint32_t seed) {
        ASSERT_TRUE(OpenStep(doc, kStepFilter, 1));
        ASSERT_TRUE(SaveTiles(doc, 1, true));
        PaintSmoothLayer(seed);
        CloseStep(doc);
    }
    size_t LayerBytes() const { return doc.stacks.size() * kTileBytes; }
};

// The step next to be undone stays plain (undoing it takes no unpacking);
// the others are packed, and come back exactly.
TEST_F(UndoPackTest, PackedTilesUndoAndRedoExactlyAndCountPacked) {
    PaintSmoothLayer(1);
    const auto start = Snapshot();
    WholeLayerStep(2);
    const auto middle = Snapshot();
    WholeLayerStep(3);
    const auto end = Snapshot();
    FinishHistoryPacking(doc);
    EXPECT_GE(HistoryBytes(doc), LayerBytes());
    EXPECT_LT(HistoryBytes(doc), LayerBytes() + LayerBytes() / 4);
    ASSERT_TRUE(Undo(doc));
    ExpectLayerIs(middle);
    ASSERT_TRUE(Undo(doc));  // unpacks
    ExpectLayerIs(start);
    FinishHistoryPacking(doc);  // the step two away from the position is packed again
    EXPECT_LT(HistoryBytes(doc), LayerBytes() + LayerBytes() / 4);
    ASSERT_TRUE(Redo(doc));
    ExpectLayerIs(middle);
    ASSERT_TRUE(Redo(doc));  // unpacks
    ExpectLayerIs(end);
}

// The budget holds packed bytes: where three noise strokes fill it (above),
// six smooth ones fit.
TEST_F(UndoPackTest, TheBudgetCountsPackedBytes) {
    SetHistoryBudget(3 * kTileBytes);
    PaintSmoothLayer(1);
    std::vector<std::vector<std::unique_ptr<PixelImage>>> states;
    for (uint32_t k = 0; k < 6; ++k) {
        states.push_back(Snapshot());
        Tile(k).strokeActive = true;
        PushUndo(doc, 1, false);
        PaintSmooth(k, 100 + k);
        Tile(k).strokeActive = false;
        FinishHistoryPacking(doc);
        EXPECT_LE(HistoryBytes(doc), 3 * kTileBytes);
    }
    EXPECT_EQ(UndoDepth(doc), 6);
    for (int k = 5; k >= 0; --k) {
        ASSERT_TRUE(Undo(doc));
        ExpectLayerIs(states[size_t(k)]);
    }
}

// Undo, redo, new steps and dropped steps while tiles are still queued or
// being packed: the packing is called off or waited for, never mixed up.
TEST_F(UndoPackTest, StepsChangeHandsWhilePackingIsPending) {
    PaintSmoothLayer(1);
    std::vector<std::vector<std::unique_ptr<PixelImage>>> states;
    states.push_back(Snapshot());
    for (uint32_t k = 0; k < 12; ++k) {
        // The step before this one starts packing now; the undos and redos
        // reach it (and this one, two away) while that goes on.
        WholeLayerStep(10 + k);
        states.push_back(Snapshot());
        const size_t back = std::min<size_t>(2, states.size() - 1);
        for (size_t j = 1; j <= back; ++j) {
            ASSERT_TRUE(Undo(doc));
            ExpectLayerIs(states[states.size() - 1 - j]);
        }
        for (size_t j = back; j >= 1; --j) {
            ASSERT_TRUE(Redo(doc));
            ExpectLayerIs(states[states.size() - j]);
        }
        if (k % 4 == 3) {
            // An undo, then a new step: the undone step goes while pending.
            ASSERT_TRUE(Undo(doc));
            states.pop_back();
            WholeLayerStep(50 + k);
            states.push_back(Snapshot());
        }
    }
    for (size_t k = states.size() - 1; k > 0; --k) {
        ASSERT_TRUE(Undo(doc));
        ExpectLayerIs(states[k - 1]);
    }
    EXPECT_FALSE(Undo(doc));
    Redo(doc);
    ClearUndo(doc);  // drops steps whose tiles are queued
    EXPECT_EQ(HistoryBytes(doc), 0u);
}

TEST(HistoryBudget, DefaultsToAQuarterOfPhysicalMemoryAtMost2048MiB) {
    const size_t mib = size_t(1) << 20;
    EXPECT_EQ(DefaultHistoryBudget(4096ull * mib), 1024 * mib);
    EXPECT_EQ(DefaultHistoryBudget(64ull * 1024 * mib), 2048 * mib);
    EXPECT_EQ(DefaultHistoryBudget(0), 2048 * mib);  // unknown
}

}  // namespace
