#pragma once
// What the fuzz targets of the flat formats check on every input: a reader
// either refuses it or gives a picture of the size it reports, within the
// limit, opaque, that loads as a document.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "fileio/flat_image.h"
#include "image/document.h"

// Large images only cost time here; the reader's own limit is tested apart.
constexpr int64_t kFuzzMaxPixels = 1 << 20;

// opaque: the format holds no transparency, so every pixel read must be opaque.
inline void FuzzFlatReader(std::vector<uint8_t>& bytes, FlatReader read, bool opaque) {
    std::FILE* file = fmemopen(bytes.data(), bytes.size(), "rb");
    if (!file) return;
    int w = 0, h = 0;
    std::vector<uint32_t> flat;
    const bool ok = read(file, w, h, flat, kFuzzMaxPixels);
    std::fclose(file);
    if (!ok) return;
    if (w < 1 || h < 1 || int64_t(w) * h > kFuzzMaxPixels || flat.size() != size_t(w) * size_t(h)) std::abort();
    if (opaque)
        for (uint32_t p : flat)
            if (p >> 24 != 0xFF) std::abort();
    Document doc;
    if (!LoadFlatImage(doc, w, h, flat)) std::abort();
}
