#pragma once
#include <cstdint>
#include <vector>

namespace platform {
namespace sdl {

// The window icon from a Windows .ico file: its first image, which must be an
// uncompressed 32-bit bitmap, as RGBA bytes with the top row first. Where the
// image's alpha is 0 throughout (an icon made before alpha), its AND mask
// says what is transparent. False, outputs untouched, for anything else or a
// file cut short.
bool DecodeIcon(const std::vector<uint8_t>& file, int& width, int& height, std::vector<uint8_t>& rgba);

}  // namespace sdl
}  // namespace platform
