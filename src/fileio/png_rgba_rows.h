#pragma once
#include <png.h>

#include <cstdint>
#include <vector>

// The decoding steps the PNG readers share. Both functions run inside the
// caller's setjmp on png's error jump, and fail by png_error.

struct PngRgbaRows {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bytes;  // height rows of width x RGBA
    std::vector<png_bytep> rows;
};

// The fewest bytes that can hold the image the header declares: the deflate
// stream packs at most 1032 bytes into one. Call before ReadPngRgbaRows.
uint64_t LeastPngBytes(png_structp png, png_infop info);

// Whatever the layout, reads the image as 8-bit RGBA rows: the transparency
// of a palette or a colour key becomes alpha, and files without any read as
// opaque. The rows and `alsoNeeded` more bytes must fit in the memory left
// (see memory_guard.h) before anything is allocated.
void ReadPngRgbaRows(png_structp png, png_infop info, PngRgbaRows& out, uint64_t alsoNeeded);
