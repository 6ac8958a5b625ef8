// The font decoder on arbitrary bytes: a font it accepts has the pixels it
// reports, and measuring it and walking every character stays inside it
// (the sanitizers see any read outside).
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "ui/font_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly size bytes, so that any read past them is caught.
    const std::vector<uint8_t> bytes(data, data + size);
    FontImage image;
    if (!DecodeFontImage(bytes.data(), bytes.size(), image)) return 0;
    if (image.width < 1 || image.height < 1 || image.rgba.size() != size_t(image.width) * size_t(image.height) * 4)
        std::abort();
    const FontMetrics metrics = MeasureGlyphs(image);
    for (int g = 0; g < kFontGlyphs; ++g)
        if (metrics.width[g] < 0 || metrics.left[g] < 0)
            std::abort();
    char every[256];
    for (int c = 1; c < 256; ++c) every[c - 1] = char(c);
    every[255] = '\0';
    WalkText(metrics, every, [](int glyph, int) {
        if (glyph < 0 || glyph >= kFontGlyphs) std::abort();
    });
    return 0;
}
