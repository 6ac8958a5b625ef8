#pragma once
// Lossless packing of a pixel image for the history: each plane's rows as
// differences from the sample to the left (smooth paint becomes runs of small
// numbers), a 16-bit plane split into its high bytes and then its low bytes
// (the high bytes of small differences are runs of 0 and 255), all deflated
// at zlib's fastest level. Painted tiles shrink to about a fifth; noise does
// not shrink at all, and the caller keeps the plain image then.
#include <cstdint>
#include <vector>

class PixelImage;

// The packed form of image (which has planes) in out. False, with out
// unchanged, when it would not be smaller than the samples (noise) or
// memory runs out.
bool PackImage(const PixelImage& image, std::vector<uint8_t>& out);
// A new image from PackImage's bytes; null when they are not such bytes or
// memory runs out.
PixelImage* UnpackImage(const std::vector<uint8_t>& packed);
