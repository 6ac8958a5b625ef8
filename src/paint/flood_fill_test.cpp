#include "paint/flood_fill.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "image/color_record.h"
#include "image/document_test_support.h"
#include "image/undo.h"
#include "paint/layer_pixels.h"
#include "platform/log.h"

using namespace doctest;

namespace {

using Rgba = std::array<int, 4>;
Rgba Of(const ColorRecord& c) { return {c.value[0], c.value[1], c.value[2], c.value[3]}; }
ColorRecord Colour(const Rgba& c) { return DisplayColor(c[0], c[1], c[2], c[3]); }

const Rgba kClear = {255, 255, 255, 0};  // what an untouched layer reads
const Rgba kRed = {200, 0, 0, 255};
const Rgba kBlue = {0, 0, 255, 255};

// 300 x 200 (3 x 2 tiles, borders at x = 125/126, 251/252 and y = 125/126)
// with the layer to fill, 1, under an ink layer, 2.
class FloodFillTest : public DocumentTest {
protected:
    static constexpr int kPaint = 1, kInk = 2;

    void SetUp() override {
        DocumentTest::SetUp();
        ASSERT_TRUE(NewDocument(doc, 300, 200));
        ASSERT_TRUE(AddLayer(doc, 0));
        ASSERT_TRUE(AddLayer(doc, 1));
    }
    Rgba At(int layer, int x, int y) {
        ColorRecord c;
        EXPECT_TRUE(ReadLayerPixel(doc, layer, x, y, DisplayColor(0, 0, 0, 255), c));
        return Of(c);
    }
    // x1 and y1 exclusive.
    void Rect(int layer, int x0, int y0, int x1, int y1, const Rgba& c) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) WriteLayerPixel(doc, layer, x, y, Colour(c), true);
    }
    bool Fill(int x, int y, const Rgba& c) { return FloodFill(doc, x, y, Colour(c), kPaint); }
    // Compares the whole paint layer with expected(x, y), reporting the first
    // few differences.
    void ExpectPaintLayer(const std::function<Rgba(int, int)>& expected) {
        int wrong = 0;
        for (int y = 0; y < doc.height; ++y)
            for (int x = 0; x < doc.width; ++x) {
                const Rgba got = At(kPaint, x, y), want = expected(x, y);
                if (got != want && ++wrong <= 5)
                    ADD_FAILURE() << "at " << x << "," << y << ": " << got[0] << " " << got[1] << " " << got[2]
                                  << " " << got[3] << ", expected " << want[0] << " " << want[1] << " " << want[2]
                                  << " " << want[3];
            }
        EXPECT_EQ(wrong, 0);
    }
};

// An opaque box outline 2 pixels wide across the tile borders.
TEST_F(FloodFillTest, StopsAtOpaqueLineArtOnAVisibleUpperLayerAndPassesAHiddenOne) {
    for (const bool hidden : {false, true}) {
        SCOPED_TRACE(hidden ? "ink hidden" : "ink visible");
        ASSERT_TRUE(NewDocument(doc, 300, 200));
        ASSERT_TRUE(AddLayer(doc, 0));
        ASSERT_TRUE(AddLayer(doc, 1));
        Rect(kInk, 100, 50, 200, 150, {0, 0, 0, 255});
        Rect(kInk, 102, 52, 198, 148, kClear);
        doc.layers[kInk].hidden = hidden;
        ApplyLayerInfo(doc, kInk);

        ASSERT_TRUE(Fill(150, 100, kRed));
        ExpectPaintLayer([&](int x, int y) {
            const bool inside = x >= 102 && x < 198 && y >= 52 && y < 148;
            return hidden || inside ? kRed : kClear;
        });
    }
}

// Two soft vertical lines across the whole height: the left one reaches 254,
// the right one (across the tile border at 251/252) has its crest at 200.
TEST_F(FloodFillTest, ClimbsUnderSoftEdgesUpTo253AndNotBeyondTheCrest) {
    const int leftLine[] = {40, 120, 200, 253, 254, 253, 120};  // x = 60..66
    const int rightLine[] = {60, 130, 180, 200, 150, 80, 30};   // x = 248..254
    for (int i = 0; i < 7; ++i) {
        Rect(kInk, 60 + i, 0, 61 + i, 200, {0, 0, 0, leftLine[i]});
        Rect(kInk, 248 + i, 0, 249 + i, 200, {0, 0, 0, rightLine[i]});
    }
    ASSERT_TRUE(Fill(150, 100, kRed));
    ExpectPaintLayer([](int x, int) { return x >= 65 && x <= 251 ? kRed : kClear; });
}

// The seed at (150, 100) and one neighbour at (151, 100) are the only pixels
// not under opaque ink, so the table decides about that neighbour alone.
struct NeighbourCase {
    const char* what;
    Rgba seed, neighbour;
    int upper;  // ink alpha over the neighbour
    Rgba fill, after;
};

TEST_F(FloodFillTest, AcceptanceOfANeighbour) {
    const NeighbourCase cases[] = {
        {"transparent seed, own alpha 0 of another colour", kClear, {10, 20, 30, 0}, 0, kBlue, kBlue},
        {"transparent seed, alpha just below the ink", kClear, {10, 20, 30, 100}, 101, kBlue, kBlue},
        {"transparent seed, alpha two below the ink", kClear, {10, 20, 30, 100}, 102, kBlue, {10, 20, 30, 100}},
        {"transparent seed, alpha 253", kClear, {10, 20, 30, 253}, 0, kBlue, kBlue},
        {"transparent seed, alpha 254 of another colour", kClear, {10, 20, 30, 254}, 0, kBlue, {10, 20, 30, 254}},
        {"transparent seed, alpha 254 of the seed's colour", kClear, {255, 255, 255, 254}, 0, kBlue, kBlue},
        {"transparent seed, ink 253", kClear, kClear, 253, kBlue, kBlue},
        {"transparent seed, ink 254", kClear, kClear, 254, kBlue, kClear},
        {"opaque seed, same colour half transparent", kRed, {200, 0, 0, 128}, 0, kBlue, {0, 0, 255, 128}},
        {"opaque seed, same colour fully transparent", kRed, {200, 0, 0, 0}, 0, kBlue, {200, 0, 0, 0}},
        {"opaque seed, colour one off", kRed, {201, 0, 0, 255}, 0, kBlue, {201, 0, 0, 255}},
        {"opaque seed, fill without alpha", kRed, {200, 0, 0, 128}, 0, {0, 0, 255, 0}, {0, 0, 255, 0}},
    };
    for (const NeighbourCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(NewDocument(doc, 300, 200));
        ASSERT_TRUE(AddLayer(doc, 0));
        ASSERT_TRUE(AddLayer(doc, 1));
        Rect(kInk, 0, 0, 300, 200, {0, 0, 0, 255});
        Rect(kInk, 150, 100, 151, 101, kClear);
        Rect(kInk, 151, 100, 152, 101, {0, 0, 0, c.upper});
        Rect(kPaint, 150, 100, 151, 101, c.seed);
        Rect(kPaint, 151, 100, 152, 101, c.neighbour);

        ASSERT_TRUE(Fill(150, 100, c.fill));
        EXPECT_EQ(At(kPaint, 150, 100), c.fill);
        EXPECT_EQ(At(kPaint, 151, 100), c.after);
    }
}

// Two squares that touch only at a corner, on a layer whose transparent rest
// has the squares' colour: an opaque seed recolours its own square only.
TEST_F(FloodFillTest, OpaqueRegionIsRecolouredFourConnectedKeepingAlphaUnlessTheFillHasNone) {
    struct Case {
        Rgba fill;
        bool keepsAlpha;
    };
    for (const Case& c : {Case{kBlue, true}, Case{{0, 0, 255, 0}, false}}) {
        SCOPED_TRACE(c.keepsAlpha ? "opaque fill" : "fill with alpha 0");
        ASSERT_TRUE(NewDocument(doc, 300, 200));
        ASSERT_TRUE(AddLayer(doc, 0));
        ASSERT_TRUE(AddLayer(doc, 1));
        const Rgba background = {200, 0, 0, 0};
        Rect(kPaint, 0, 0, 300, 200, background);
        Rect(kPaint, 100, 100, 130, 130, kRed);
        Rect(kPaint, 100, 115, 130, 130, {200, 0, 0, 128});
        Rect(kPaint, 130, 130, 160, 160, kRed);

        ASSERT_TRUE(Fill(110, 110, c.fill));
        ExpectPaintLayer([&](int x, int y) -> Rgba {
            if (x >= 100 && x < 130 && y >= 100 && y < 130)
                return {0, 0, 255, c.keepsAlpha ? (y < 115 ? 255 : 128) : 0};
            if (x >= 130 && x < 160 && y >= 130 && y < 160) return kRed;
            return background;
        });
    }
}

TEST_F(FloodFillTest, ClickOnTheFillColourOrOffTheDocumentDoesNothing) {
    Rect(kPaint, 10, 10, 20, 20, kRed);
    doc.modified = false;
    const int position = UndoDepth(doc);
    struct Case {
        int x, y;
        Rgba fill;
    };
    for (const Case& c : {Case{50, 50, kClear}, Case{15, 15, kRed}, Case{-1, 5, kBlue}, Case{300, 5, kBlue},
                          Case{5, 200, kBlue}}) {
        EXPECT_FALSE(Fill(c.x, c.y, c.fill)) << c.x << "," << c.y;
    }
    EXPECT_FALSE(FloodFill(doc, 5, 5, Colour(kBlue), 3));
    EXPECT_EQ(UndoDepth(doc), position);
    EXPECT_FALSE(doc.modified);
    for (size_t t = 1; t < doc.stacks.size(); ++t) EXPECT_TRUE(LayerTileAt(doc.stacks[t], kPaint)->empty) << t;
}

TEST_F(FloodFillTest, IsOneUndoStepThatRestoresExactlyAndMarksTheDocument) {
    Rect(kPaint, 0, 0, 300, 200, {30, 60, 90, 255});
    // The right column of tiles goes back to empty: the fill lands there, and
    // undo must make those tiles empty again.
    for (size_t t : {size_t(2), size_t(5)}) ReplaceTilePixels(*LayerTileAt(doc.stacks[t], kPaint), PixelImage());
    std::vector<std::unique_ptr<PixelImage>> before;
    for (LayerTile* stack : doc.stacks) before.emplace_back(CloneImage(*LayerTileAt(stack, kPaint)->pixels));
    doc.modified = false;
    doc.flatCopy = true;
    doc.layers[kPaint].thumbnailDirty = false;
    const int position = UndoDepth(doc);

    ASSERT_TRUE(Fill(280, 100, kRed));
    EXPECT_EQ(At(kPaint, 253, 0), kRed);
    EXPECT_EQ(At(kPaint, 299, 199), kRed);
    EXPECT_EQ(At(kPaint, 252, 0), (Rgba{30, 60, 90, 255}));
    EXPECT_TRUE(doc.modified);
    EXPECT_FALSE(doc.flatCopy);
    EXPECT_TRUE(doc.layers[kPaint].thumbnailDirty);
    EXPECT_EQ(UndoDepth(doc), position + 1);

    Undo(doc);
    EXPECT_EQ(UndoDepth(doc), position);
    for (size_t t = 0; t < doc.stacks.size(); ++t) {
        const LayerTile& tile = *LayerTileAt(doc.stacks[t], kPaint);
        EXPECT_EQ(tile.empty, t == 2 || t == 5) << t;
        EXPECT_TRUE(SameSamples(*tile.pixels, *before[t])) << t;
    }
}

// Fills whose colour still matches what they spread over used to take their
// own pixels again: the first ran for ever, the second overflowed its
// frontier and stopped half done. Both must cover the whole layer, quietly.
TEST_F(FloodFillTest, FillThatStillMatchesItsSeedCoversTheLayerOnceAndReturns) {
    const std::string logPath = ::testing::TempDir() + "flood_fill_test.log";
    std::remove(logPath.c_str());
    LogEnable(logPath.c_str());
    for (const Rgba& fill : {Rgba{255, 255, 255, 255}, Rgba{0, 0, 255, 100}}) {
        SCOPED_TRACE(fill[3]);
        ASSERT_TRUE(NewDocument(doc, 300, 200));
        ASSERT_TRUE(AddLayer(doc, 0));
        ASSERT_TRUE(Fill(299, 199, fill));
        ExpectPaintLayer([&](int, int) { return fill; });
    }
    // An opaque region re-coloured with its own colour: only the clicked
    // pixel takes the new alpha.
    Rect(kPaint, 0, 0, 300, 200, kRed);
    ASSERT_TRUE(Fill(0, 0, {200, 0, 0, 77}));
    ExpectPaintLayer([](int x, int y) { return x == 0 && y == 0 ? Rgba{200, 0, 0, 77} : kRed; });
    LogEnable(nullptr);

    std::ifstream log(logPath);
    const std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.find("floodfill overflow"), std::string::npos) << text;
    std::remove(logPath.c_str());
}

}  // namespace
