#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The layer pictures of an OpenRaster file: PNGs in memory holding flat
// pixels (A << 24 | R << 16 | G << 8 | B) with their alpha, unlike the flat
// PNG files, which are opaque.

// Encodes w x h pixels as 8-bit RGBA. False on a size that does not fit.
bool EncodeRgbaPng(int w, int h, const std::vector<uint32_t>& flat, std::vector<uint8_t>& png);

// Decodes a PNG of any colour type and 8- or 16-bit depth (16 bits are scaled
// to 8); a picture without alpha is opaque. Pictures with a side above
// kMaxDocumentSide or more than maxPixels pixels are refused, as is any
// damage.
bool DecodeRgbaPng(const uint8_t* data, size_t size, int& w, int& h, std::vector<uint32_t>& flat, int64_t maxPixels);
