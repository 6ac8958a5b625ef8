#pragma once

class PixelImage;

// Copies between one tile image and a flat w x h buffer whose pixel (x, y)
// is the tile's top-left; only the overlap is touched. With channel -1 the
// buffer holds 32-bit A << 24 | R << 16 | G << 8 | B display pixels and the
// samples go through the colour profile; with channel k >= 0 it holds 16-bit
// samples of plane k, copied as they are. False for an empty image or a
// channel the image lacks.
bool ExportFlat(const PixelImage& image, void* buffer, int x, int y, int w, int h, int channel);
bool ImportFlat(PixelImage& image, const void* buffer, int x, int y, int w, int h, int channel);
