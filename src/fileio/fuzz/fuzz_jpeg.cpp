// The JPEG reader on arbitrary bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "fileio/flat_image.h"
#include "fileio/jpeg_file.h"
#include "image/color_profile.h"
#include "image/document.h"

namespace {

// Large images only cost time here; the reader's own limit is tested apart.
constexpr int64_t kFuzzMaxPixels = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::vector<uint8_t> bytes(data, data + size);
    std::FILE* file = fmemopen(bytes.data(), bytes.size(), "rb");
    if (!file) return 0;
    int w = 0, h = 0;
    std::vector<uint32_t> flat;
    const bool read = ReadJpeg(file, w, h, flat, kFuzzMaxPixels);
    std::fclose(file);
    if (!read) return 0;
    if (w < 1 || h < 1 || int64_t(w) * h > kFuzzMaxPixels || flat.size() != size_t(w) * size_t(h)) std::abort();
    Document doc;
    if (!LoadFlatImage(doc, w, h, flat)) std::abort();
    return 0;
}
