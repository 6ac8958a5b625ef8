// The history against a model: seeded random sequences of every kind of
// edit, undone all the way back, redone all the way forward, then undo, redo
// and new edits mixed, each result compared with the document state the
// test recorded around every step.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "image/animation.h"
#include "image/document_test_support.h"
#include "image/layer_clipboard.h"
#include "image/pixel_image.h"
#include "image/profile_change.h"
#include "image/undo.h"

using namespace doctest;

namespace {

uint64_t Hash(const PixelImage& image) {
    if (image.IsEmpty()) return 0x9e3779b97f4a7c15ull;
    uint64_t h = 1469598103934665603ull;
    const size_t n = size_t(image.width) * size_t(image.height);
    for (int c = 0; c < image.channelCount; ++c) {
        const uint16_t* s = Samples(image, c);
        for (size_t i = 0; i < n; ++i) h = (h ^ s[i]) * 1099511628211ull;
    }
    return h;
}

// Everything a painter could see change, and what the tiles say of it.
std::string Describe(Document& doc) {
    std::string d;
    char line[256];
    std::snprintf(line, sizeof line, "layers %d current %d frame %d/%d mode %d profile %d\n", doc.layerCount,
                  doc.currentLayer, doc.currentFrame, doc.frameCount, doc.animationMode, CurrentProfileIndex());
    d += line;
    for (int f = 0; f < doc.frameCount; ++f) d += std::to_string(doc.durations[size_t(f)]) + " ";
    d += "\n";
    for (int i = 0; i < doc.layerCount; ++i) {
        const LayerInfo& info = doc.layers[i];
        std::snprintf(line, sizeof line, "%d '%s' op %d blend %d lock %d hidden %d animated %d\n", i, info.name,
                      info.opacity, info.blendMode, info.lockTransparency, info.hidden, info.animated);
        d += line;
        for (size_t s = 0; s < doc.stacks.size(); ++s) {
            const LayerTile* tile = LayerTileAt(doc.stacks[s], i);
            std::snprintf(line, sizeof line, "  %zu: op %d blend %d lock %d hidden %d empty %d animated %d %d/%d", s,
                          tile->opacity, tile->blendMode, tile->lock, tile->hidden, tile->empty, tile->animated,
                          tile->currentFrame, tile->frameCount);
            d += line;
            if (tile->empty != tile->pixels->IsEmpty()) d += " EMPTY-FLAG-WRONG";
            if (tile->animated) {
                if (tile->pixels != tile->frames[size_t(tile->currentFrame)]) d += " PIXELS-NOT-CURRENT";
                for (const PixelImage* frame : tile->frames) d += " " + std::to_string(Hash(*frame));
            } else {
                d += " " + std::to_string(Hash(*tile->pixels));
            }
            d += "\n";
        }
    }
    return d;
}

enum Outcome { kTaken, kRefused, kMoved };

class UndoModelTest : public DocumentTest, public testing::WithParamInterface<uint32_t> {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        rng.seed(GetParam());
        ASSERT_TRUE(NewDocument(doc, 200, 200));  // 2 x 2 tiles
        EnterAnimation(doc);
        ASSERT_TRUE(AddLayer(doc, 0));
        PaintLayer(doc, 1, 3);
        ClearUndo(doc);
    }

    int Pick(int n) { return n <= 0 ? 0 : int(rng() % uint32_t(n)); }
    int AnyLayer() { return Pick(doc.layerCount); }
    int UpperLayer() { return doc.layerCount > 1 ? 1 + Pick(doc.layerCount - 1) : -1; }

    // A stroke marks the tiles it touches. Its first dab gives an empty tile
    // transparent white pixels long before pen-up saves it, so undo gives
    // back those (UndoTest pins that): here strokes keep to tiles that have
    // pixels, and fills change empty ones.
    void StartStroke(int layer) {
        for (size_t s = 0; s < doc.stacks.size(); ++s) {
            LayerTile& tile = *LayerTileAt(doc.stacks[s], layer);
            if (!tile.empty && Pick(2)) tile.strokeActive = true;
        }
    }

    // A stroke changes its tiles; a fill or filter may change any tile of
    // the layer, even empty an upper layer's tile.
    void PaintTiles(int layer, bool stroke) {
        if (!SaveTiles(doc, layer, !stroke)) ADD_FAILURE() << "no memory for the copies";
        for (size_t s = 0; s < doc.stacks.size(); ++s) {
            LayerTile& tile = *LayerTileAt(doc.stacks[s], layer);
            if (stroke && !tile.strokeActive) continue;
            tile.strokeActive = false;
            if (!stroke && !tile.bottom && Pick(5) == 0) {
                ReplaceTilePixels(tile, PixelImage());
                continue;
            }
            EnsurePixels(tile);
            // Flat paint packs small in the history, noise does not pack.
            if (Pick(2) == 0)
                FillChannels(*tile.pixels, uint16_t(rng()), uint16_t(rng()), uint16_t(rng()), uint16_t(rng()));
            else
                Randomise(*tile.pixels, rng());
            tile.dirty = true;
        }
    }

    // One random edit inside its own step, or a move to another frame and
    // layer (no edit).
    Outcome RandomEdit(int kind, int layer) {
        lastKind = kind;
        if (!OpenStep(doc, kStepPixels, layer)) return kRefused;
        bool done = true;
        switch (kind) {
            case 0:
            case 1: PaintTiles(layer, true); break;
            case 2: PaintTiles(layer, false); break;
            case 3: {
                const int i = UpperLayer();
                if (i < 0) {
                    done = false;
                    break;
                }
                SaveLayerSettings(doc, i, doc.layers[i]);
                LayerInfo& info = doc.layers[i];
                info.opacity = Pick(256);
                info.blendMode = Pick(kBlendModeCount);
                info.hidden = Pick(2);
                info.lockTransparency = Pick(2);
                std::snprintf(info.name, sizeof info.name, "L%u", unsigned(rng() % 1000));
                ApplyLayerInfo(doc, i);
                break;
            }
            case 4:
                done = doc.layerCount < 5 && AddLayer(doc, layer);
                if (done) doc.currentLayer = layer + 1;
                break;
            case 5: done = RemoveLayer(doc, UpperLayer()); break;
            case 6: done = MergeLayerDown(doc, UpperLayer()); break;
            case 7: {
                const int from = UpperLayer();
                done = MoveLayer(doc, from, AnyLayer());
                break;
            }
            case 8:
                doc.currentLayer = layer;
                CopyLayerToClipboard(doc);
                done = doc.layerCount < 5 && PasteLayerFromClipboard(doc);
                break;
            case 9: done = doc.frameCount < 4 && AddFrame(doc); break;
            case 10: done = RemoveFrame(doc); break;
            case 11: done = ToggleLayerAnimated(doc, UpperLayer()); break;
            case 12: done = ChangeColorProfile(doc, Pick(kProfileCount)); break;
            default:
                // Not an edit: the painter moves between frames and layers.
                AbandonStep(doc);
                SetFrame(doc, Pick(doc.frameCount));
                doc.currentLayer = AnyLayer();
                return kMoved;
        }
        if (!done) {
            AbandonStep(doc);
            return kRefused;
        }
        CloseStep(doc);
        return kTaken;
    }

    // Edits until one is taken, recording the states around it.
    void TakeOneEdit() {
        for (;;) {
            const int kind = Pick(14);
            const int layer = AnyLayer();
            if (kind < 2) StartStroke(layer);
            std::string before = Describe(doc);
            const int depth = UndoDepth(doc);
            const Outcome outcome = RandomEdit(kind, layer);
            if (outcome == kRefused) {
                ASSERT_EQ(Describe(doc), before) << "a refused edit changed the document";
            }
            if (outcome != kTaken) continue;
            if (UndoDepth(doc) == depth) continue;  // a step that saved nothing
            befores.resize(size_t(position));
            afters.resize(size_t(position));
            kinds.resize(size_t(position));
            befores.push_back(before);
            afters.push_back(Describe(doc));
            kinds.push_back(lastKind);
            ++position;
            return;
        }
    }

    void UndoOne() {
        ASSERT_TRUE(Undo(doc));
        --position;
        ASSERT_EQ(Describe(doc), befores[size_t(position)]) << "undoing step " << position << " of kind " << kinds[size_t(position)];
    }
    void RedoOne() {
        ASSERT_TRUE(Redo(doc));
        ASSERT_EQ(Describe(doc), afters[size_t(position)]) << "redoing step " << position << " of kind " << kinds[size_t(position)];
        ++position;
    }

    std::mt19937 rng;
    std::vector<std::string> befores, afters;
    std::vector<int> kinds;  // what each step was, for the failure messages
    int lastKind = -1;
    int position = 0;
};

TEST_P(UndoModelTest, RandomEditsUndoAndRedoExactly) {
    const std::string start = Describe(doc);
    for (int k = 0; k < 120; ++k) {
        ASSERT_NO_FATAL_FAILURE(TakeOneEdit());
    }
    const std::string end = Describe(doc);
    ASSERT_EQ(UndoDepth(doc), position);

    while (position > 0) ASSERT_NO_FATAL_FAILURE(UndoOne());
    EXPECT_FALSE(Undo(doc));
    EXPECT_EQ(Describe(doc), start);
    while (position < int(afters.size())) ASSERT_NO_FATAL_FAILURE(RedoOne());
    EXPECT_FALSE(Redo(doc));
    EXPECT_EQ(Describe(doc), end);

    // Undo, redo and new edits mixed: a new edit drops what could be redone.
    for (int k = 0; k < 150; ++k) {
        const int choice = Pick(3);
        if (choice == 0 && position > 0) {
            ASSERT_NO_FATAL_FAILURE(UndoOne());
        } else if (choice == 1 && position < int(afters.size())) {
            ASSERT_NO_FATAL_FAILURE(RedoOne());
        } else if (choice == 2) {
            ASSERT_NO_FATAL_FAILURE(TakeOneEdit());
        }
        ASSERT_EQ(UndoDepth(doc), position);
        ASSERT_EQ(RedoDepth(doc), int(afters.size()) - position);
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, UndoModelTest, testing::Values(1u, 2u, 3u));

}  // namespace
