#pragma once
// Tile contents shared by the benchmarks: a fast generator and tiles of
// random colour whose alpha has runs of fully transparent and fully opaque
// pixels among partial ones, as painted layers have.
#include <cstdint>
#include <memory>
#include <vector>

#include "image/channel_buffer.h"
#include "image/document.h"
#include "image/pixel_image.h"

namespace bench {

// xorshift32: the same sequence for a seed on every machine.
inline uint32_t Next(uint32_t& s) {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
}

inline std::vector<std::unique_ptr<PixelImage>> RandomTiles(int count, uint32_t seed) {
    std::vector<std::unique_ptr<PixelImage>> tiles;
    for (int p = 0; p < count; ++p) {
        auto image = std::make_unique<PixelImage>(kTileSide, kTileSide, 4, 16);
        for (int c = 0; c < 4; ++c) {
            uint16_t* samples = static_cast<ChannelBuffer16&>(image->Channel(c)).samples;
            for (int i = 0; i < kTileSide * kTileSide; ++i) {
                const uint32_t r = Next(seed);
                uint16_t v = uint16_t(r);
                if (c == 3) v = (r >> 20) % 4 == 0 ? 0 : (r >> 20) % 4 == 1 ? 65535 : v;
                samples[i] = v;
            }
        }
        tiles.push_back(std::move(image));
    }
    return tiles;
}

}  // namespace bench
