#include "fileio/clipboard_image.h"

#include "image/document.h"
#include "image/memory_guard.h"
#include "platform/log.h"

namespace {

constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kMasksInHeaderBytes = 52;  // the shortest header version that holds the bit masks itself
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kRedMask = 0x00FF0000;
constexpr uint32_t kGreenMask = 0x0000FF00;
constexpr uint32_t kBlueMask = 0x000000FF;

uint32_t U32At(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
uint16_t U16At(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

bool Refuse(const char* reason) {
    LogLine("DecodeDib: %s", reason);
    return false;
}

}  // namespace

bool DecodeDib(const uint8_t* bytes, size_t size, int& w, int& h, std::vector<uint32_t>& flat) {
    if (!bytes || size < kInfoHeaderBytes) return Refuse("too short");
    const uint32_t headerBytes = U32At(bytes);
    const int64_t width = int32_t(U32At(bytes + 4));
    const int64_t signedHeight = int32_t(U32At(bytes + 8));
    const uint16_t bitCount = U16At(bytes + 14);
    const uint32_t compression = U32At(bytes + 16);
    const uint32_t coloursUsed = U32At(bytes + 32);
    if (headerBytes < kInfoHeaderBytes || headerBytes > size) return Refuse("bad header size");
    if (compression != kBiRgb && compression != kBiBitfields) return Refuse("compressed");
    if (bitCount != 24 && bitCount != 32) return Refuse("unsupported depth");
    const int64_t height = signedHeight < 0 ? -signedHeight : signedHeight;
    if (width < 1 || height < 1 || width > kMaxDocumentSide || height > kMaxDocumentSide) return Refuse("bad size");

    // Bit masks follow a plain info header; later versions hold them.
    uint64_t offset = headerBytes;
    if (compression == kBiBitfields) {
        const uint8_t* masks = bytes + 40;
        if (headerBytes < kMasksInHeaderBytes) {
            if (offset + 12 > size) return Refuse("too short");
            masks = bytes + offset;
            offset += 12;
        }
        if (U32At(masks) != kRedMask || U32At(masks + 4) != kGreenMask || U32At(masks + 8) != kBlueMask)
            return Refuse("unsupported bit fields");
    }
    // A colour table is optional at these depths and only a hint; skip it.
    offset += uint64_t(coloursUsed) * 4;
    offset = (offset + 3) & ~uint64_t(3);

    const uint64_t pixelBytes = uint64_t(bitCount) / 8;
    const uint64_t stride = (uint64_t(width) * bitCount + 31) / 32 * 4;
    if (offset > size || stride * uint64_t(height) > size - offset) return Refuse("too short");

    // The flat pixels and the document made from them.
    const uint64_t pixels = uint64_t(width) * uint64_t(height);
    if (!MemoryFor(pixels * sizeof(uint32_t) + NewDocumentBytes(width, height)) ||
        !Allocating([&flat, pixels] { flat.resize(size_t(pixels)); }))
        return Refuse("not enough memory");
    w = int(width);
    h = int(height);
    const bool bottomUp = signedHeight > 0;
    for (int64_t r = 0; r < height; ++r) {
        const uint8_t* in = bytes + offset + uint64_t(r) * stride;
        const int64_t y = bottomUp ? height - 1 - r : r;
        uint32_t* out = flat.data() + size_t(y) * size_t(w);
        for (int64_t x = 0; x < width; ++x, in += pixelBytes)
            out[x] = 0xFF000000u | uint32_t(in[2]) << 16 | uint32_t(in[1]) << 8 | in[0];
    }
    return true;
}
