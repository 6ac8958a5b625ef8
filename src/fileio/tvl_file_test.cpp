#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "fileio/allocation_probe.h"
#include "fileio/fileio_test_support.h"
#include "fileio/test_images.h"
#include "fileio/tvl_file.h"
#include "image/memory_guard.h"
#include "image/animation.h"
#include "image/document_test_support.h"
#include "image/pixel_image.h"
#include "image/undo.h"

namespace {

using namespace fileiotest;

// Header offsets of the layered format.
constexpr size_t kSideAt = 4, kWidthAt = 8, kHeightAt = 12, kDarkAt = 80, kBrightAt = 92;
constexpr size_t kTilesAt = 104, kLayersAt = 108, kAnimationAt = 112, kFpsAt = 114, kCurrentAt = 118;
constexpr size_t kFramesAt = 122;
// Within a layer block.
constexpr size_t kOpacityIn = 64, kBlendIn = 68, kLockIn = 72, kHiddenIn = 73, kAnimatedIn = 74;
constexpr size_t kPlaneCountIn = 75 + 16, kSampleCountIn = kPlaneCountIn + 4;

size_t FirstLayerAt(int frames) { return 126 + 4 * size_t(frames); }

size_t LayerNamed(const std::vector<uint8_t>& bytes, const char* name) {
    char field[kLayerNameBytes] = {};
    std::strncpy(field, name, sizeof field - 1);
    const auto at = std::search(bytes.begin(), bytes.end(), field, field + sizeof field);
    EXPECT_NE(at, bytes.end()) << name;
    return size_t(at - bytes.begin());
}

void SetName(LayerInfo& info, const char* name) {
    std::memset(info.name, 0, sizeof info.name);
    std::strncpy(info.name, name, sizeof info.name - 1);
}

bool SameImage(const PixelImage* a, const PixelImage* b) {
    const bool emptyA = !a || a->IsEmpty(), emptyB = !b || b->IsEmpty();
    if (emptyA || emptyB) return emptyA == emptyB;
    return doctest::SameSamples(*a, *b);
}

void ExpectSameLayerInfo(const LayerInfo& a, const LayerInfo& b) {
    EXPECT_STREQ(a.name, b.name);
    EXPECT_EQ(a.opacity, b.opacity);
    EXPECT_EQ(a.blendMode, b.blendMode);
    EXPECT_EQ(a.lockTransparency, b.lockTransparency);
    EXPECT_EQ(a.hidden, b.hidden);
    EXPECT_EQ(a.animated, b.animated);
}

class TvlFileTest : public FileTest {};

TEST_F(TvlFileTest, RoundTripKeepsSamplesSettingsAndTheFilesProfile) {
    const ColorProfile& freeze = *BuiltinProfile(5);
    SelectProfile(freeze);
    ASSERT_TRUE(NewDocument(doc, 300, 140));
    doctest::PaintLayer(doc, 0, 11);
    SetName(doc.layers[0], "Backdrop");
    doc.layers[0].opacity = 200;
    doc.layers[0].blendMode = kBlendDarken;
    ApplyLayerInfo(doc, 0);
    const std::vector<uint8_t> bytes = TvlBytes(doc);
    EXPECT_EQ(GetI32(bytes, 0), 5);
    EXPECT_EQ(GetI32(bytes, kSideAt), 128);
    EXPECT_EQ(GetI32(bytes, kWidthAt), 300);

    // Loaded under another profile: the file's is selected, the samples are
    // taken as they are.
    SelectProfile(*BuiltinProfile(4));
    Document loaded;
    ASSERT_TRUE(NewDocument(loaded, 10, 10));
    ASSERT_TRUE(ReadTvlBytes(loaded, bytes));
    EXPECT_TRUE(SameProfile(CurrentProfile(), freeze));
    EXPECT_EQ(loaded.width, 300);
    EXPECT_EQ(loaded.height, 140);
    ASSERT_EQ(loaded.layerCount, 1);
    ExpectSameLayerInfo(loaded.layers[0], doc.layers[0]);
    ASSERT_EQ(loaded.stacks.size(), doc.stacks.size());
    for (size_t t = 0; t < doc.stacks.size(); ++t) {
        EXPECT_TRUE(SameImage(loaded.stacks[t]->pixels, doc.stacks[t]->pixels)) << "tile " << t;
        EXPECT_EQ(loaded.stacks[t]->opacity, 200);
    }
    EXPECT_TRUE(loaded.layeredFile);
    EXPECT_FALSE(loaded.modified);
    EXPECT_FALSE(loaded.animationMode);
    EXPECT_EQ(TvlBytes(loaded), bytes);
}

TEST_F(TvlFileTest, AnimatedDocumentRoundTrips) {
    samples::MakeAnimatedDocument(doc, 260, 130, 5);
    AddLayer(doc, 1);
    SetName(doc.layers[2], "Ink");
    doc.layers[2].opacity = 77;
    doc.layers[2].blendMode = kBlendMultiply;
    doc.layers[2].lockTransparency = true;
    doc.layers[2].hidden = true;
    ApplyLayerInfo(doc, 2);
    doctest::PaintLayer(doc, 2, 3);
    ToggleOnionSkin(doc);
    ASSERT_EQ(doc.currentFrame, 1);
    const std::vector<uint8_t> bytes = TvlBytes(doc);

    Document loaded;
    ASSERT_TRUE(ReadTvlBytes(loaded, bytes));
    EXPECT_TRUE(loaded.animationMode);
    EXPECT_TRUE(loaded.onionSkin);
    EXPECT_EQ(loaded.framesPerSecond, 12);
    EXPECT_EQ(loaded.currentFrame, 1);
    ASSERT_EQ(loaded.frameCount, 3);
    EXPECT_EQ(std::vector<int32_t>(loaded.durations.begin(), loaded.durations.begin() + 3),
              (std::vector<int32_t>{2, 5, 1}));
    ASSERT_EQ(loaded.layerCount, 3);
    for (int i = 0; i < 3; ++i) ExpectSameLayerInfo(loaded.layers[i], doc.layers[i]);
    for (size_t t = 0; t < doc.stacks.size(); ++t) {
        for (int i = 0; i < 3; ++i) {
            const LayerTile* want = LayerTileAt(doc.stacks[t], i);
            const LayerTile* got = LayerTileAt(loaded.stacks[t], i);
            ASSERT_EQ(got->animated, want->animated);
            EXPECT_EQ(got->hidden, want->hidden);
            if (!want->animated) {
                EXPECT_TRUE(SameImage(got->pixels, want->pixels)) << "tile " << t << " layer " << i;
                continue;
            }
            EXPECT_TRUE(got->onionSkin);
            ASSERT_EQ(got->frameCount, 3);
            EXPECT_EQ(got->currentFrame, 1);
            EXPECT_EQ(got->pixels, got->frames[1]);
            for (int f = 0; f < 3; ++f)
                EXPECT_TRUE(SameImage(got->frames[size_t(f)], want->frames[size_t(f)]))
                    << "tile " << t << " frame " << f;
        }
    }
    EXPECT_EQ(TvlBytes(loaded), bytes);
}

TEST_F(TvlFileTest, SavingLeavesTheShownFramesAndTheUndoHistoryAlone) {
    samples::MakeAnimatedDocument(doc, 260, 10, 8);
    PushUndo(doc, 1, true);
    const size_t saved = NewestStepTiles(doc).size();
    ASSERT_GT(saved, 0u);
    std::vector<PixelImage*> shown;
    for (LayerTile* stack : doc.stacks) shown.push_back(LayerTileAt(stack, 1)->pixels);

    TvlBytes(doc);
    EXPECT_EQ(UndoDepth(doc), 1);
    EXPECT_EQ(NewestStepTiles(doc).size(), saved);
    for (size_t t = 0; t < doc.stacks.size(); ++t) {
        const LayerTile* tile = LayerTileAt(doc.stacks[t], 1);
        EXPECT_EQ(tile->pixels, shown[t]);
        EXPECT_EQ(tile->currentFrame, 1);
    }
}

TEST_F(TvlFileTest, EmptyAndTransparentUpperTilesReadBackEmpty) {
    ASSERT_TRUE(NewDocument(doc, 130, 10));  // two tiles
    ASSERT_TRUE(AddLayer(doc, 0));
    LayerTile* erased = LayerTileAt(doc.stacks[0], 1);
    EnsurePixels(*erased);
    doctest::Randomise(*erased->pixels, 4);
    erased->pixels->Alpha().Fill(0);
    const std::vector<uint8_t> bytes = TvlBytes(doc);

    // The untouched tile is the last record: its coordinates, 4, then four
    // planes of zeros.
    std::vector<uint8_t> zeros;
    {
        ByteSink sink(zeros);
        const std::vector<uint16_t> plane(kTileSide * kTileSide, 0);
        for (int c = 0; c < 4; ++c) WriteRLE(plane.data(), int(plane.size()), sink);
        ASSERT_TRUE(sink.Finish());
    }
    ASSERT_GT(bytes.size(), zeros.size() + 4);
    EXPECT_TRUE(std::equal(zeros.begin(), zeros.end(), bytes.end() - std::ptrdiff_t(zeros.size())));
    EXPECT_EQ(GetI32(bytes, bytes.size() - zeros.size() - 4), 4);

    Document loaded;
    ASSERT_TRUE(ReadTvlBytes(loaded, bytes));
    for (LayerTile* stack : loaded.stacks) {
        const LayerTile* tile = LayerTileAt(stack, 1);
        EXPECT_TRUE(tile->empty);
        EXPECT_TRUE(tile->pixels->IsEmpty());
    }
}

// A greyscale mask over black leaves the bottom layer with colour under zero
// alpha; reading it back as untouched opaque white would lose the picture.
TEST_F(TvlFileTest, TransparentBottomTilesKeepTheirSamples) {
    ASSERT_TRUE(NewDocument(doc, 130, 10));  // two tiles
    ASSERT_TRUE(AddLayer(doc, 0));
    for (int alpha : {0, 1}) {
        SCOPED_TRACE(alpha);
        LayerTile* bottom = LayerTileAt(doc.stacks[size_t(alpha)], 0);
        doctest::Randomise(*bottom->pixels, 7 + alpha);
        bottom->pixels->Alpha().Fill(uint16_t(alpha));
    }
    Document loaded;
    ASSERT_TRUE(ReadTvlBytes(loaded, TvlBytes(doc)));
    for (size_t t = 0; t < doc.stacks.size(); ++t) {
        const LayerTile* got = LayerTileAt(loaded.stacks[t], 0);
        EXPECT_FALSE(got->empty) << "tile " << t;
        EXPECT_TRUE(SameImage(got->pixels, LayerTileAt(doc.stacks[t], 0)->pixels)) << "tile " << t;
    }
}

// "Export full" writes a frame once per time step, so a file must not bring
// in durations the animation panel would never allow.
TEST_F(TvlFileTest, FrameDurationsAreKeptToThePanelsRange) {
    samples::MakeAnimatedDocument(doc, 130, 10, 3);
    ASSERT_EQ(doc.frameCount, 3);
    std::vector<uint8_t> bytes = TvlBytes(doc);
    const size_t durationsAt = kFramesAt + 4;
    PutI32(bytes, durationsAt, -5);
    PutI32(bytes, durationsAt + 4, 99999999);
    PutI32(bytes, durationsAt + 8, kMaxFrameDuration);
    Document loaded;
    ASSERT_TRUE(ReadTvlBytes(loaded, bytes));
    EXPECT_EQ(std::vector<int32_t>(loaded.durations.begin(), loaded.durations.begin() + 3),
              (std::vector<int32_t>{0, kMaxFrameDuration, kMaxFrameDuration}));
}

TEST_F(TvlFileTest, ReplacedTexturesReachTheReleaseList) {
    ASSERT_TRUE(NewDocument(doc, 300, 10));
    doc.stacks[0]->textureCreated = true;
    doc.stacks[0]->texture = 41;
    doc.layers[0].thumbnail = 42;
    doc.texturesToRelease = {40};
    Document source;
    samples::MakeAnimatedDocument(source, 130, 10, 2);

    ASSERT_TRUE(ReadTvlBytes(doc, TvlBytes(source)));
    std::vector<uint32_t> names = doc.texturesToRelease;
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<uint32_t>{40, 41, 42}));
    EXPECT_EQ(doc.layers[0].thumbnail, 0u);
    EXPECT_FALSE(doc.stacks[0]->textureCreated);
}

TEST_F(TvlFileTest, LayerFieldsAreKeptInRangeAndTheBottomAnimatedFlagIsIgnored) {
    ASSERT_TRUE(NewDocument(doc, 130, 10));
    ASSERT_TRUE(AddLayer(doc, 0));
    SetName(doc.layers[0], "Bottom");
    SetName(doc.layers[1], "Upper");
    doctest::PaintLayer(doc, 1, 6);
    std::vector<uint8_t> bytes = TvlBytes(doc);
    const size_t bottom = LayerNamed(bytes, "Bottom");
    const size_t upper = LayerNamed(bytes, "Upper");
    PutI32(bytes, bottom + kOpacityIn, -4);
    PutI32(bytes, bottom + kBlendIn, -1);
    bytes[bottom + kAnimatedIn] = 1;
    std::fill_n(bytes.begin() + std::ptrdiff_t(upper), kLayerNameBytes, 'A');
    PutI32(bytes, upper + kOpacityIn, 300);
    PutI32(bytes, upper + kBlendIn, 9);
    bytes[upper + kLockIn] = 2;
    bytes[upper + kHiddenIn] = 0xFF;

    Document loaded;
    ASSERT_TRUE(ReadTvlBytes(loaded, bytes));
    EXPECT_EQ(loaded.layers[0].opacity, 0);
    EXPECT_EQ(loaded.layers[0].blendMode, kBlendNormal);
    EXPECT_FALSE(loaded.layers[0].animated);
    EXPECT_FALSE(loaded.stacks[0]->animated);
    EXPECT_EQ(std::string(loaded.layers[1].name), std::string(kLayerNameBytes - 1, 'A'));
    EXPECT_EQ(loaded.layers[1].opacity, 255);
    EXPECT_EQ(loaded.layers[1].blendMode, kBlendLighten);
    EXPECT_TRUE(loaded.layers[1].lockTransparency);
    EXPECT_TRUE(loaded.layers[1].hidden);
    const LayerTile* tile = LayerTileAt(loaded.stacks[0], 1);
    EXPECT_EQ(tile->blendMode, kBlendLighten);
    EXPECT_TRUE(tile->hidden);
    EXPECT_TRUE(SameImage(tile->pixels, LayerTileAt(doc.stacks[0], 1)->pixels));
}

// Layers can only be animated in animation mode, but a file may say otherwise:
// the layer keeps its frames and shows the current one.
TEST_F(TvlFileTest, AnimatedLayerOutsideAnimationModeShowsTheCurrentFrame) {
    samples::MakeAnimatedDocument(doc, 130, 10, 3);
    std::vector<uint8_t> bytes = TvlBytes(doc);
    bytes[kAnimationAt] = 0;
    Document loaded;
    ASSERT_TRUE(ReadTvlBytes(loaded, bytes));
    EXPECT_FALSE(loaded.animationMode);
    for (size_t t = 0; t < loaded.stacks.size(); ++t) {
        const LayerTile* tile = LayerTileAt(loaded.stacks[t], 1);
        ASSERT_TRUE(tile->animated);
        EXPECT_EQ(tile->currentFrame, 1);
        EXPECT_EQ(tile->pixels, tile->frames[1]);
        EXPECT_TRUE(SameImage(tile->pixels, LayerTileAt(doc.stacks[t], 1)->pixels));
    }
}

// Every damaged file is refused before the caller's document or the current
// profile change.
class TvlFileDamageTest : public TvlFileTest {
protected:
    void SetUp() override {
        TvlFileTest::SetUp();
        SelectProfile(*BuiltinProfile(1));
        ASSERT_TRUE(NewDocument(doc, 200, 100));
        doctest::PaintLayer(doc, 0, 9);
        doc.modified = doc.flatCopy = true;
        doc.layeredFile = false;
        doc.texturesToRelease = {7};
    }

    void ExpectRefused(const std::vector<uint8_t>& bytes, const std::string& what) {
        SCOPED_TRACE(what);
        const DocumentSnapshot before(doc);
        EXPECT_FALSE(ReadTvlBytes(doc, bytes));
        before.ExpectSame(doc);
    }
};

TEST_F(TvlFileDamageTest, DamagedHeadersAndTilesAreRefused) {
    // Under another profile than the caller's, so that a refusal after the
    // file's profile was selected shows.
    SelectProfile(*BuiltinProfile(4));
    Document source;
    samples::MakeAnimatedDocument(source, 130, 10, 4);  // 2 tiles, 2 layers, 3 frames
    const std::vector<uint8_t> base = TvlBytes(source);
    {
        Document check;
        ASSERT_TRUE(ReadTvlBytes(check, base)) << "the undamaged file must load";
    }
    SelectProfile(*BuiltinProfile(1));
    const size_t layer = FirstLayerAt(3);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    using Patch = std::function<void(std::vector<uint8_t>&)>;
    const struct {
        const char* what;
        Patch patch;
    } cases[] = {
        {"version 4", [](auto& b) { PutI32(b, 0, 4); }},
        {"tile side 64", [](auto& b) { PutI32(b, kSideAt, 64); }},
        {"width 0", [](auto& b) { PutI32(b, kWidthAt, 0); }},
        {"negative height", [](auto& b) { PutI32(b, kHeightAt, -5); }},
        {"width above the limit", [](auto& b) { PutI32(b, kWidthAt, kMaxDocumentSide + 1); }},
        {"tile count off by one", [](auto& b) { PutI32(b, kTilesAt, 3); }},
        {"largest image in a short file",
         [](auto& b) {
             PutI32(b, kWidthAt, kMaxDocumentSide);
             PutI32(b, kHeightAt, kMaxDocumentSide);
             PutI32(b, kTilesAt, 131 * 131);
         }},
        {"no layers", [](auto& b) { PutI32(b, kLayersAt, 0); }},
        {"129 layers", [](auto& b) { PutI32(b, kLayersAt, 129); }},
        {"huge layer count", [](auto& b) { PutI32(b, kLayersAt, 1 << 30); }},
        {"128 layers in a short file", [](auto& b) { PutI32(b, kLayersAt, 128); }},
        {"negative frame count", [](auto& b) { PutI32(b, kFramesAt, -1); }},
        {"4097 frames", [](auto& b) { PutI32(b, kFramesAt, kMaxFrames + 1); }},
        {"no frames in animation mode", [](auto& b) { PutI32(b, kFramesAt, 0); }},
        {"current frame past the last", [](auto& b) { PutI32(b, kCurrentAt, 3); }},
        {"negative current frame", [](auto& b) { PutI32(b, kCurrentAt, -1); }},
        {"0 frames per second", [](auto& b) { PutI32(b, kFpsAt, 0); }},
        {"101 frames per second", [](auto& b) { PutI32(b, kFpsAt, 101); }},
        {"NaN exponent", [nan](auto& b) { PutF32(b, kDarkAt + 4, nan); }},
        {"infinite exponent", [inf](auto& b) { PutF32(b, kBrightAt + 8, inf); }},
        {"zero exponent", [](auto& b) { PutF32(b, kDarkAt, 0.0f); }},
        {"negative exponent", [](auto& b) { PutF32(b, kBrightAt, -1.0f); }},
        {"plane count 3", [layer](auto& b) { PutI32(b, layer + kPlaneCountIn, 3); }},
        {"plane of 16383 samples", [layer](auto& b) { PutI32(b, layer + kSampleCountIn, 16383); }},
        {"plane of 16385 samples", [layer](auto& b) { PutI32(b, layer + kSampleCountIn, 16385); }},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> bytes = base;
        c.patch(bytes);
        ExpectRefused(bytes, c.what);
    }
    for (size_t length : {size_t(0), size_t(2), size_t(60), size_t(125), size_t(130), layer + 40, layer + 93,
                          base.size() / 2, base.size() - 1}) {
        ExpectRefused(std::vector<uint8_t>(base.begin(), base.begin() + std::ptrdiff_t(length)),
                      "cut at " + std::to_string(length));
    }
}

TEST_F(TvlFileDamageTest, AnimatedLayerWithoutFramesIsRefused) {
    Document source;
    ASSERT_TRUE(NewDocument(source, 130, 10));
    ASSERT_TRUE(AddLayer(source, 0));
    SetName(source.layers[1], "Upper");
    std::vector<uint8_t> bytes = TvlBytes(source);
    ASSERT_EQ(GetI32(bytes, kFramesAt), 0);
    ASSERT_EQ(bytes[kAnimationAt], 0);
    bytes[LayerNamed(bytes, "Upper") + kAnimatedIn] = 1;
    ExpectRefused(bytes, "animated layer, no frames");
}

// A short file whose animated layer claims 4096 frames is refused before
// any frame is made: making them first took memory in proportion to the
// claim, not to the file.
TEST_F(TvlFileDamageTest, AnimatedLayerTooLongForTheFileIsRefusedBeforeItsFramesAreMade) {
    Document source;
    ASSERT_TRUE(NewDocument(source, 1000, 1000));  // 64 tiles
    ASSERT_TRUE(AddLayer(source, 0));
    SetName(source.layers[1], "Upper");
    std::vector<uint8_t> bytes = TvlBytes(source);
    ASSERT_EQ(GetI32(bytes, kFramesAt), 0);
    bytes[kAnimationAt] = 1;
    PutI32(bytes, kFpsAt, 12);
    PutI32(bytes, kFramesAt, kMaxFrames);
    bytes.insert(bytes.begin() + std::ptrdiff_t(kFramesAt + 4), size_t(4) * kMaxFrames, uint8_t(0));
    bytes[LayerNamed(bytes, "Upper") + kAnimatedIn] = 1;

    const AllocationFigures reading = AllocationsDuring([&] { ExpectRefused(bytes, "4096 frames, one stored"); });
    EXPECT_LT(reading.total, NewDocumentBytes(1000, 1000) + (uint64_t(4) << 20));
}

TEST_F(TvlFileDamageTest, MissingFileFails) {
    const DocumentSnapshot before(doc);
    EXPECT_FALSE(LoadImage_TVL(doc, Path("nothing.tvl").c_str()));
    before.ExpectSame(doc);
}

}  // namespace
