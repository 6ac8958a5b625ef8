// The OpenRaster reader on arbitrary bytes (the zip, stack.xml and the layer
// PNGs). Beyond not crashing: a refused file leaves the colour profile as it
// was, and whatever loads saves to a file that loads back to the same picture.
// Pictures are held to 65536 pixels so that 128 layers stay within memory.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fileio/flat_image.h"
#include "fileio/ora_file.h"
#include "image/color_profile.h"
#include "image/document.h"
#include "image/thread_scratch.h"

namespace {

constexpr int64_t kMaxPixels = 1 << 16;

bool SameProfile(const ColorProfile& a, const ColorProfile& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

std::vector<uint32_t> Shown(Document& doc) {
    std::vector<uint32_t> flat;
    if (!FlattenDocument(doc, flat)) std::abort();
    return flat;
}

// Saving flattens the picture on tile scratch, held only while an input runs
// so that the leak check at exit finds nothing of it.
class Scratch {
public:
    Scratch() { InitThreadScratch(1, kTileSide); }
    ~Scratch() { FreeThreadScratch(); }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ColorProfile before = CurrentProfile();
    Document doc;
    std::string refusal;
    if (ReadOra(doc, data, size, refusal, kMaxPixels)) {
        const Scratch scratch;
        std::vector<uint8_t> saved;
        if (!WriteOra(doc, saved)) std::abort();
        Document again;
        if (!ReadOra(again, saved.data(), saved.size(), refusal, kMaxPixels)) std::abort();
        if (again.layerCount != doc.layerCount || Shown(again) != Shown(doc)) std::abort();
    } else if (!SameProfile(CurrentProfile(), before)) {
        std::abort();
    }
    if (!SameProfile(CurrentProfile(), *BuiltinProfile(kDefaultProfileIndex)))
        SelectProfile(*BuiltinProfile(kDefaultProfileIndex));
    return 0;
}
