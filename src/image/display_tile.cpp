#include "image/display_tile.h"

#include <algorithm>
#include <array>

#include "image/channel_buffer.h"
#include "image/color_profile.h"
#include "image/compositor.h"
#include "image/document.h"
#include "image/display_rows.h"
#include "image/pixel_image.h"

namespace {

constexpr int kDitherRows = 8;
constexpr int kDitherColumns = 32;
constexpr uint32_t kDitherSeed = 0xFC578168u;
constexpr size_t kTilePixels = size_t(kTileSide) * kTileSide;

std::array<uint8_t, kDitherRows * kDitherColumns> BuildDitherTable() {
    std::array<uint8_t, kDitherRows * kDitherColumns> table{};
    for (int r = 0; r < kDitherRows; ++r)
        for (int c = 0; c < kDitherColumns; ++c) table[size_t(r * kDitherColumns + c)] = c < 4 * r ? 1 : 0;
    return table;
}

const std::array<uint8_t, kDitherRows * kDitherColumns> ditherTable = BuildDitherTable();

// The generator restarts for every tile, so the column it picks for pixel i
// is the same in every tile: worked out once, the conversion loop carries no
// serial dependency. Stored as column / 4, the table's row threshold.
std::array<uint8_t, kTilePixels> BuildColumnQuarters() {
    std::array<uint8_t, kTilePixels> quarters{};
    uint32_t g = kDitherSeed;
    for (size_t i = 0; i < kTilePixels; ++i) {
        quarters[i] = uint8_t((g & 31) >> 2);
        g += 0x57238591u;
        g ^= g >> 20;
    }
    return quarters;
}

const std::array<uint8_t, kTilePixels> columnQuarters = BuildColumnQuarters();

// What a tile without any pixels holds (an empty animation frame of the
// bottom layer with nothing above): transparent black, shown as a tile of
// zero samples would be.
void ShowTransparentBlack(uint8_t* rgba) {
    uint8_t shown[3][kDitherRows];
    for (int c = 0; c < 3; ++c)
        for (int q = 0; q < kDitherRows; ++q) shown[c][q] = displayrows::DitheredByte(InverseTable(c)[0], uint8_t(q));
    for (size_t i = 0; i < kTilePixels; ++i) {
        const uint8_t q = columnQuarters[i];
        rgba[4 * i + 0] = shown[0][q];
        rgba[4 * i + 1] = shown[1][q];
        rgba[4 * i + 2] = shown[2][q];
        rgba[4 * i + 3] = 255;
    }
}

}  // namespace

const uint8_t* DitherTable() { return ditherTable.data(); }

void ConvertTileToDisplay(const PixelImage& image, uint8_t* rgba, const RowLoops& loops) {
    if (image.channelCount < 3 || image.depth != 16) return;
    const size_t n = std::min(size_t(image.width) * size_t(image.height), kTilePixels);
    const uint16_t* planes[3];
    const int32_t* inverse[3];
    for (int c = 0; c < 3; ++c) {
        planes[c] = static_cast<const ChannelBuffer16&>(image.Channel(c)).samples;
        inverse[c] = InverseTable(c);
    }
    loops.displayRows(planes, inverse, columnQuarters.data(), rgba, n);
}

bool RenderTile(LayerTile& stack) {
    if (!StackDirty(&stack)) return false;
    const PixelImage* image = CompositeTile(stack);
    if (stack.texturePixels) {
        if (image && !image->IsEmpty())
            ConvertTileToDisplay(*image, stack.texturePixels);
        else
            ShowTransparentBlack(stack.texturePixels);
    }
    stack.uploadPending = true;
    for (LayerTile* t = &stack; t; t = t->next) {
        if (t->dirty) t->backupStale = true;
        t->dirty = false;
    }
    return true;
}
