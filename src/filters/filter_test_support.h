#pragma once
// A document with a painted upper layer for the filter tests, and layer
// snapshots to compare against.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "image/document.h"
#include "image/document_test_support.h"
#include "image/pixel_image.h"

namespace filtertest {

using doctest::At;
using doctest::Samples;

struct LayerSnapshot {
    std::vector<std::unique_ptr<PixelImage>> images;  // null where the tile was empty
    std::vector<const PixelImage*> pointers;
};

inline LayerTile& TileOf(Document& doc, int layer, size_t t) { return *LayerTileAt(doc.stacks[t], layer); }

inline LayerSnapshot Snapshot(Document& doc, int layer) {
    LayerSnapshot s;
    for (size_t t = 0; t < doc.stacks.size(); ++t) {
        const LayerTile& tile = TileOf(doc, layer, t);
        s.images.emplace_back(tile.empty ? nullptr : CloneImage(*tile.pixels));
        s.pointers.push_back(tile.pixels);
    }
    return s;
}

// Same pixels in every tile, and the same tiles empty.
inline bool SameAsSnapshot(Document& doc, int layer, const LayerSnapshot& s) {
    for (size_t t = 0; t < doc.stacks.size(); ++t) {
        const LayerTile& tile = TileOf(doc, layer, t);
        if (tile.empty != !s.images[t]) return false;
        if (s.images[t] && !doctest::SameSamples(*tile.pixels, *s.images[t])) return false;
    }
    return true;
}

inline void MakeEmpty(Document& doc, int layer, size_t t) { ReplaceTilePixels(TileOf(doc, layer, t), PixelImage()); }

inline void ClearChangeFlags(Document& doc) {
    for (LayerTile* stack : doc.stacks)
        for (LayerTile* tile = stack; tile; tile = tile->next) tile->dirty = false;
    for (int i = 0; i < doc.layerCount; ++i) doc.layers[i].thumbnailDirty = false;
    doc.modified = false;
    doc.flatCopy = true;
}

// 301 x 203 pixels, three by two tiles (neither side a multiple of the blur's
// line groups), with random pixels on layer 1 above the white canvas; tiles 1
// and 3 of layer 1 are empty. Neighbouring tiles disagree where they overlap,
// as independently painted tiles do.
class FilterTest : public doctest::DocumentTest {
protected:
    static constexpr int kLayer = 1;
    void SetUp() override {
        DocumentTest::SetUp();
        ASSERT_TRUE(NewDocument(doc, 301, 203));
        ASSERT_TRUE(AddLayer(doc, 0));
        doctest::PaintLayer(doc, kLayer, 1234);
        MakeEmpty(doc, kLayer, 1);
        MakeEmpty(doc, kLayer, 3);
        ClearChangeFlags(doc);
    }
    LayerTile& Tile(size_t t) { return TileOf(doc, kLayer, t); }
    void ExpectLayerFiltered() {
        EXPECT_TRUE(doc.layers[kLayer].thumbnailDirty);
        EXPECT_TRUE(doc.modified);
        EXPECT_FALSE(doc.flatCopy);
    }
    void ExpectNothingMarked() {
        EXPECT_FALSE(doc.layers[kLayer].thumbnailDirty);
        EXPECT_FALSE(doc.modified);
        EXPECT_TRUE(doc.flatCopy);
        for (size_t t = 0; t < doc.stacks.size(); ++t) EXPECT_FALSE(Tile(t).dirty) << "tile " << t;
    }
};

}  // namespace filtertest
