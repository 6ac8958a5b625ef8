#include "image/profile_change.h"

#include <gtest/gtest.h>

#include <memory>

#include "image/animation.h"
#include "image/layer_clipboard.h"
#include "image/document_test_support.h"
#include "image/undo.h"

using namespace doctest;

namespace {

constexpr int kFrom = 2;  // "Rich"
constexpr int kTo = 4;    // "Neon"

// What a conversion from one profile to the other makes of an image.
std::unique_ptr<PixelImage> Converted(const PixelImage& image) {
    std::unique_ptr<PixelImage> copy(CloneImage(image));
    SelectProfile(*BuiltinProfile(kFrom));
    ConvertImageProfile(*copy, false);
    SelectProfile(*BuiltinProfile(kTo));
    ConvertImageProfile(*copy, true);
    SelectProfile(*BuiltinProfile(kFrom));
    return copy;
}

class ProfileChangeTest : public DocumentTest {
protected:
    void SetUp() override {
        DocumentTest::SetUp();
        ASSERT_TRUE(NewDocument(doc, 200, 100));
        ASSERT_TRUE(AddLayer(doc, 0));
        PaintLayer(doc, 0, 1);
        PaintLayer(doc, 1, 2);
    }
};

TEST_F(ProfileChangeTest, EveryFrameIsConvertedNotJustTheShownOne) {
    EnterAnimation(doc);
    ASSERT_TRUE(ToggleLayerAnimated(doc, 1));
    ASSERT_TRUE(AddFrame(doc));
    LayerTile& tile = *doc.stacks[0]->next;
    EnsurePixels(tile);
    Randomise(*tile.pixels, 9);
    SetFrame(doc, 0);
    const auto hidden = Converted(*tile.frames[1]);
    const auto shown = Converted(*tile.frames[0]);
    const auto bottom = Converted(*doc.stacks[0]->pixels);
    ASSERT_TRUE(ChangeColorProfile(doc, kTo));
    EXPECT_EQ(CurrentProfileIndex(), kTo);
    EXPECT_TRUE(SameSamples(*tile.frames[1], *hidden));
    EXPECT_TRUE(SameSamples(*tile.frames[0], *shown));
    EXPECT_TRUE(SameSamples(*doc.stacks[0]->pixels, *bottom));
    EXPECT_TRUE(doc.stacks[0]->dirty);
}

// The clipboard is converted; the history keeps the samples from before the
// change, so undo gives them back exactly (no lossy round trip), in the old
// profile, and the steps before it still undo.
TEST_F(ProfileChangeTest, TheClipboardIsConvertedAndAStepTakesTheChangeBackExactly) {
    doc.currentLayer = 1;
    CopyLayerToClipboard(doc);
    PixelImage& layer = *doc.stacks[1]->next->pixels;
    const std::unique_ptr<PixelImage> original(CloneImage(layer));
    const auto converted = Converted(layer);
    PushUndo(doc, 1, true);
    Randomise(*doc.stacks[1]->next->pixels, 77);
    const std::unique_ptr<PixelImage> painted(CloneImage(*doc.stacks[1]->next->pixels));
    ASSERT_TRUE(OpenStep(doc, kStepColorProfile, -1));
    ASSERT_TRUE(ChangeColorProfile(doc, kTo));
    CloseStep(doc);
    EXPECT_TRUE(SameSamples(*doc.clipboardTiles[1]->pixels, *converted));
    ASSERT_TRUE(Undo(doc));
    EXPECT_EQ(CurrentProfileIndex(), kFrom);
    EXPECT_TRUE(SameSamples(*doc.stacks[1]->next->pixels, *painted));
    ASSERT_TRUE(Undo(doc));
    EXPECT_TRUE(SameSamples(*doc.stacks[1]->next->pixels, *original));
    ASSERT_TRUE(Redo(doc));
    ASSERT_TRUE(Redo(doc));
    EXPECT_EQ(CurrentProfileIndex(), kTo);
}

TEST_F(ProfileChangeTest, WithoutAStepTheHistoryIsEmptied) {
    PushUndo(doc, 1, true);
    ASSERT_TRUE(ChangeColorProfile(doc, kTo));
    EXPECT_EQ(UndoDepth(doc), 0);
}

TEST_F(ProfileChangeTest, AnUnknownProfileChangesNothing) {
    const auto before = std::unique_ptr<PixelImage>(CloneImage(*doc.stacks[0]->pixels));
    EXPECT_FALSE(ChangeColorProfile(doc, kProfileCount));
    EXPECT_FALSE(ChangeColorProfile(doc, -1));
    EXPECT_EQ(CurrentProfileIndex(), kFrom);
    EXPECT_TRUE(SameSamples(*doc.stacks[0]->pixels, *before));
}

}  // namespace
