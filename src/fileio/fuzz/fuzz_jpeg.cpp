// The JPEG reader on arbitrary bytes.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "fileio/fuzz/fuzz_flat_reader.h"
#include "fileio/jpeg_file.h"
#include "image/color_profile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    std::vector<uint8_t> bytes(data, data + size);
    bool damaged = false;  // read too: corrupt data the decoder works around
    FuzzFlatReader(bytes, [&damaged](std::FILE* file, int& w, int& h, std::vector<uint32_t>& flat, int64_t most) {
        return ReadJpeg(file, w, h, flat, most, &damaged);
    }, true);
    return 0;
}
