#include "platform/sdl/icon_file.h"

#include <cstddef>

namespace platform {
namespace sdl {

namespace {

constexpr uint64_t kDirectorySize = 6, kEntrySize = 16, kInfoHeaderSize = 40;
constexpr int kMaxSide = 256;

uint32_t Little16(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t Little32(const uint8_t* p) { return Little16(p) | Little16(p + 2) << 16; }

}  // namespace

bool DecodeIcon(const std::vector<uint8_t>& file, int& width, int& height, std::vector<uint8_t>& rgba) {
    if (file.size() < kDirectorySize + kEntrySize) return false;
    const uint8_t* p = file.data();
    if (Little16(p) != 0 || Little16(p + 2) != 1 || Little16(p + 4) < 1) return false;
    const uint64_t offset = Little32(p + kDirectorySize + 12);
    if (offset + kInfoHeaderSize > file.size()) return false;
    const uint8_t* info = p + offset;
    const uint32_t headerSize = Little32(info);
    const int32_t w = int32_t(Little32(info + 4));
    const int32_t doubled = int32_t(Little32(info + 8));  // the colour rows, then the mask's
    if (headerSize < kInfoHeaderSize || Little16(info + 14) != 32 || Little32(info + 16) != 0) return false;
    if (w < 1 || w > kMaxSide || doubled < 2 || doubled > 2 * kMaxSide || doubled % 2) return false;
    const int h = doubled / 2;
    const uint64_t colourBytes = uint64_t(w) * uint64_t(h) * 4;
    const uint64_t maskStride = (uint64_t(w) + 31) / 32 * 4;
    const uint64_t pixels = offset + headerSize;
    if (pixels + colourBytes > file.size()) return false;
    const bool maskPresent = pixels + colourBytes + maskStride * uint64_t(h) <= file.size();

    std::vector<uint8_t> out(static_cast<std::size_t>(colourBytes));
    bool anyAlpha = false;
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = p + pixels + uint64_t(h - 1 - y) * uint64_t(w) * 4;  // stored bottom up
        for (int x = 0; x < w; ++x) {
            uint8_t* q = &out[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 4];
            q[0] = row[4 * x + 2];
            q[1] = row[4 * x + 1];
            q[2] = row[4 * x + 0];
            q[3] = row[4 * x + 3];
            anyAlpha = anyAlpha || q[3] != 0;
        }
    }
    if (!anyAlpha) {
        for (int y = 0; y < h; ++y) {
            const uint8_t* mask = p + pixels + colourBytes + uint64_t(h - 1 - y) * maskStride;
            for (int x = 0; x < w; ++x) {
                const bool transparent = maskPresent && (mask[x / 8] >> (7 - x % 8)) & 1;
                out[(std::size_t(y) * std::size_t(w) + std::size_t(x)) * 4 + 3] = transparent ? 0 : 255;
            }
        }
    }
    width = w;
    height = h;
    rgba.swap(out);
    return true;
}

}  // namespace sdl
}  // namespace platform
