// The PNG reader on arbitrary bytes. The chunk checksums are recomputed
// first, so that mutations reach the decoder instead of stopping at the
// checksum test.
#include <cstdint>
#include <vector>

#include <zlib.h>

#include "fileio/fuzz/fuzz_flat_reader.h"
#include "fileio/png_file.h"
#include "image/color_profile.h"

namespace {

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
    FuzzFlatReader(bytes, ReadPng, false);  // PNG keeps its transparency
    return 0;
}
