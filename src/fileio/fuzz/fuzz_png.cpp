// The PNG reader on arbitrary bytes. The chunk checksums are recomputed
// first, so that mutations reach the decoder instead of stopping at the
// checksum test.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <zlib.h>

#include "fileio/flat_image.h"
#include "fileio/png_file.h"
#include "image/color_profile.h"
#include "image/document.h"

namespace {

// Large images only cost time here; the reader's own limit is tested apart.
constexpr int64_t kFuzzMaxPixels = 1 << 20;

uint32_t BigEndian(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

void FixChecksums(std::vector<uint8_t>& bytes) {
    size_t at = 8;
    while (at + 12 <= bytes.size()) {
        const uint32_t length = BigEndian(&bytes[at]);
        if (length > bytes.size() - at - 12) break;
        const uint32_t crc = uint32_t(crc32(0, &bytes[at + 4], uInt(length + 4)));
        uint8_t* out = &bytes[at + 8 + length];
        for (int k = 0; k < 4; ++k) out[k] = uint8_t(crc >> (24 - 8 * k));
        at += 12 + length;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::vector<uint8_t> bytes(data, data + size);
    FixChecksums(bytes);
    std::FILE* file = fmemopen(bytes.data(), bytes.size(), "rb");
    if (!file) return 0;
    int w = 0, h = 0;
    std::vector<uint32_t> flat;
    const bool read = ReadPng(file, w, h, flat, kFuzzMaxPixels);
    std::fclose(file);
    if (!read) return 0;
    if (w < 1 || h < 1 || int64_t(w) * h > kFuzzMaxPixels || flat.size() != size_t(w) * size_t(h)) std::abort();
    for (uint32_t p : flat)
        if (p >> 24 != 0xFF) std::abort();
    Document doc;
    if (!LoadFlatImage(doc, w, h, flat)) std::abort();
    return 0;
}
