// The layered-file reader on arbitrary bytes. Beyond not crashing: a refused
// file leaves the colour profile as it was, and whatever loads saves to a
// file that loads back and saves to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fileio/byte_stream.h"
#include "fileio/tvl_file.h"
#include "image/color_profile.h"
#include "image/document.h"

namespace {

std::vector<uint8_t> Save(Document& doc) {
    std::vector<uint8_t> bytes;
    ByteSink sink(bytes);
    if (!WriteTvl(doc, sink) || !sink.Finish()) std::abort();
    return bytes;
}

bool SameProfile(const ColorProfile& a, const ColorProfile& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ColorProfile before = CurrentProfile();
    Document doc;
    ByteSource source(data, size);
    if (ReadTvl(doc, source)) {
        const std::vector<uint8_t> first = Save(doc);
        Document again;
        ByteSource reread(first.data(), first.size());
        if (!ReadTvl(again, reread)) std::abort();
        if (Save(again) != first) std::abort();
    } else if (!SameProfile(CurrentProfile(), before)) {
        std::abort();
    }
    if (!SameProfile(CurrentProfile(), *BuiltinProfile(kDefaultProfileIndex)))
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
    return 0;
}
