#include "platform/sdl/bmp_file.h"

#include <cstddef>
#include <cstdint>

namespace platform {
namespace sdl {

namespace {

constexpr uint64_t kFileHeaderSize = 14;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kBitfields = 3;
constexpr uint32_t kAlphaBitfields = 6;

uint32_t Little16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t Little32(const uint8_t* p) { return Little16(p) | Little16(p + 2) << 16; }

uint32_t MaskBytes(uint32_t compression) {
    if (compression == kBitfields) return 12;
    if (compression == kAlphaBitfields) return 16;
    return 0;
}

}  // namespace

bool DibFromBmpFile(const std::vector<uint8_t>& file, std::vector<uint8_t>& dib) {
    if (file.size() < kFileHeaderSize + kInfoHeaderSize || file[0] != 'B' || file[1] != 'M') return false;
    const uint8_t* info = file.data() + kFileHeaderSize;
    const uint32_t headerSize = Little32(info);
    const uint32_t bitCount = Little16(info + 14);
    const uint32_t compression = Little32(info + 16);
    const uint32_t coloursUsed = Little32(info + 32);
    const uint64_t pixelStart = Little32(file.data() + 10);

    // The masks follow a plain info header and sit inside every longer one;
    // either way they come right after the first 40 bytes.
    const uint32_t maskBytes = MaskBytes(compression);
    if (headerSize < kInfoHeaderSize) return false;
    if (headerSize > kInfoHeaderSize && headerSize < kInfoHeaderSize + maskBytes) return false;
    const uint64_t masksStart = kFileHeaderSize + kInfoHeaderSize;
    const uint64_t paletteStart = kFileHeaderSize + headerSize + (headerSize == kInfoHeaderSize ? maskBytes : 0);
    uint64_t paletteEntries = coloursUsed;
    if (paletteEntries == 0 && bitCount <= 8) paletteEntries = uint64_t(1) << bitCount;
    const uint64_t paletteEnd = paletteStart + paletteEntries * 4;
    if (paletteEnd > file.size() || pixelStart < paletteEnd || pixelStart > file.size()) return false;

    dib.assign(info, info + kInfoHeaderSize);
    dib[0] = uint8_t(kInfoHeaderSize);
    dib[1] = dib[2] = dib[3] = 0;
    dib.insert(dib.end(), file.begin() + std::ptrdiff_t(masksStart),
               file.begin() + std::ptrdiff_t(masksStart + maskBytes));
    dib.insert(dib.end(), file.begin() + std::ptrdiff_t(paletteStart), file.begin() + std::ptrdiff_t(paletteEnd));
    dib.insert(dib.end(), file.begin() + std::ptrdiff_t(pixelStart), file.end());
    return true;
}

bool BmpFileFromDib(const std::vector<uint8_t>& dib, std::vector<uint8_t>& file) {
    if (dib.size() < kInfoHeaderSize) return false;
    const uint32_t headerSize = Little32(dib.data());
    const uint32_t bitCount = Little16(dib.data() + 14);
    const uint32_t compression = Little32(dib.data() + 16);
    uint64_t paletteEntries = Little32(dib.data() + 32);
    if (paletteEntries == 0 && bitCount <= 8) paletteEntries = uint64_t(1) << bitCount;
    const uint64_t pixels =
        uint64_t(headerSize) + (headerSize == kInfoHeaderSize ? MaskBytes(compression) : 0) + paletteEntries * 4;
    if (headerSize < kInfoHeaderSize || pixels > dib.size()) return false;
    const uint64_t size = kFileHeaderSize + dib.size();
    if (size > UINT32_MAX) return false;
    file.assign(kFileHeaderSize, 0);
    file[0] = 'B';
    file[1] = 'M';
    for (int i = 0; i < 4; ++i) {
        file[size_t(2 + i)] = uint8_t(size >> (8 * i));
        file[size_t(10 + i)] = uint8_t((kFileHeaderSize + pixels) >> (8 * i));
    }
    file.insert(file.end(), dib.begin(), dib.end());
    return true;
}

}  // namespace sdl
}  // namespace platform
