#pragma once
#include <cstdint>
#include <vector>

namespace platform {
namespace sdl {

// The device-independent bitmap inside a BMP file, laid out as Windows keeps
// one on its clipboard: a 40-byte info header (later, longer headers are cut
// down to it, their masks kept), the masks for bit-field pixels, the palette
// and then the pixel rows with no gap. False, and dib untouched, for anything
// but a whole "BM" file whose headers and palette fit in it.
bool DibFromBmpFile(const std::vector<uint8_t>& file, std::vector<uint8_t>& dib);
// The BMP file of such a bitmap: the 14-byte file header, then the bitmap,
// with the pixels found after its header, masks and palette. False, file
// untouched, when the header does not fit in dib.
bool BmpFileFromDib(const std::vector<uint8_t>& dib, std::vector<uint8_t>& file);

}  // namespace sdl
}  // namespace platform
