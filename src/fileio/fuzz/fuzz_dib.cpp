// The clipboard bitmap decoder on arbitrary bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fileio/clipboard_image.h"
#include "image/color_profile.h"
#include "image/document.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A copy of exactly size bytes, so that any read past them is caught.
    std::vector<uint8_t> bytes(data, data + size);
    int w = 0, h = 0;
    std::vector<uint32_t> flat;
    if (!DecodeDib(bytes.data(), bytes.size(), w, h, flat)) return 0;
    if (w < 1 || h < 1 || w > kMaxDocumentSide || h > kMaxDocumentSide || flat.size() != size_t(w) * size_t(h))
        std::abort();
    Document doc;
    if (!LoadFlatImage(doc, w, h, flat)) std::abort();
    return 0;
}
