#pragma once
// Shared set-up for the document tests: a profile, scratch rings of tile size
// and helpers that fill tile images with known samples.

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "image/channel_buffer.h"
#include "image/color_profile.h"
#include "image/document.h"
#include "image/pixel_image.h"
#include "image/thread_scratch.h"

namespace doctest {

inline uint16_t* Samples(const PixelImage& image, int c) {
    return static_cast<ChannelBuffer16&>(image.Channel(c)).samples;
}

inline uint16_t At(const PixelImage& image, int c, int x, int y) { return Samples(image, c)[y * image.width + x]; }

inline void FillChannels(PixelImage& image, uint16_t r, uint16_t g, uint16_t b, uint16_t a) {
    const uint16_t v[4] = {r, g, b, a};
    for (int c = 0; c < 4; ++c) image.Channel(c).Fill(v[c]);
}

inline void Randomise(PixelImage& image, uint32_t seed) {
    std::mt19937 rng(seed);
    const size_t n = size_t(image.width) * size_t(image.height);
    for (int c = 0; c < image.channelCount; ++c)
        for (size_t i = 0; i < n; ++i) Samples(image, c)[i] = uint16_t(rng());
}

// Random samples with some exact extremes mixed in, where the rounding rules
// of the arithmetic differ.
inline void RandomiseWithEdges(PixelImage& image, uint32_t seed) {
    static const uint16_t kEdges[] = {0, 1, 255, 256, 32767, 32768, 65279, 65280, 65534, 65535};
    std::mt19937 rng(seed);
    const size_t n = size_t(image.width) * size_t(image.height);
    for (int c = 0; c < image.channelCount; ++c)
        for (size_t i = 0; i < n; ++i)
            Samples(image, c)[i] = rng() % 4 == 0 ? kEdges[rng() % 10] : uint16_t(rng());
}

inline bool SameSamples(const PixelImage& a, const PixelImage& b) {
    if (a.channelCount != b.channelCount || a.width != b.width || a.height != b.height) return false;
    const size_t n = size_t(a.width) * size_t(a.height);
    for (int c = 0; c < a.channelCount; ++c)
        for (size_t i = 0; i < n; ++i)
            if (Samples(a, c)[i] != Samples(b, c)[i]) return false;
    return true;
}

// Gives layer's tile at every position pixels with a pattern of its own.
inline void PaintLayer(Document& doc, int layer, uint32_t seed) {
    for (size_t t = 0; t < doc.stacks.size(); ++t) {
        LayerTile* tile = LayerTileAt(doc.stacks[t], layer);
        EnsurePixels(*tile);
        RandomiseWithEdges(*tile->pixels, seed + uint32_t(t) * 7919u);
        tile->dirty = true;
    }
}

inline int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
        InitThreadScratch(ScratchThreads(), kTileSide);
    }
    void TearDown() override {
        ReleaseDocument(doc);
        FreeThreadScratch();
    }
    virtual int ScratchThreads() const { return 1; }

    Document doc;
};

}  // namespace doctest
