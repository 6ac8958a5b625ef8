#pragma once
// Small image files made in memory, for the tests and for the fuzzers' seed
// corpus: PNGs of every layout, JPEGs of every colour space, clipboard
// bitmaps, and layered documents.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct Document;

namespace samples {

// PNG colour types as the format numbers them.
enum PngColour { kGrey = 0, kRgb = 2, kPalette = 3, kGreyAlpha = 4, kRgba = 6 };

struct PngPicture {
    int width = 1;
    int height = 1;
    PngColour colour = kRgb;
    int bitDepth = 8;
    // Row-major, channels per pixel as the colour type has them (palette:
    // the index); values up to the bit depth's maximum.
    std::vector<uint16_t> samples;
    std::vector<uint8_t> palette;       // R, G, B per entry
    std::vector<uint8_t> paletteAlpha;  // tRNS for the first entries
    bool interlaced = false;
};
std::vector<uint8_t> EncodePng(const PngPicture& picture);
inline PngPicture Png(int width, int height, PngColour colour, int bitDepth, std::vector<uint16_t> samples) {
    PngPicture picture;
    picture.width = width;
    picture.height = height;
    picture.colour = colour;
    picture.bitDepth = bitDepth;
    picture.samples = std::move(samples);
    return picture;
}

// The signature and a header chunk (with a correct checksum) announcing
// w x h 8-bit RGB, and nothing more.
std::vector<uint8_t> PngHeaderOnly(uint32_t w, uint32_t h);

// A small picture's file whose header declares w x h: far too short for
// that size, as a crafted file is.
std::vector<uint8_t> PngDeclaring(uint32_t w, uint32_t h);
std::vector<uint8_t> JpegDeclaring(uint16_t w, uint16_t h);

// components 1 (grey), 3 (RGB) or 4 (CMYK); samples row-major.
std::vector<uint8_t> EncodeJpeg(int width, int height, int components, const std::vector<uint8_t>& samples);
// CMYK samples stored as YCCK, as print tools write them.
std::vector<uint8_t> EncodeJpegYcck(int width, int height, const std::vector<uint8_t>& cmyk);
// The JPEG without the middle third of its coded data (its end marker kept),
// as a file damaged in transfer; empty when bytes hold no scan to cut.
std::vector<uint8_t> JpegWithDataLost(const std::vector<uint8_t>& bytes);

struct DibPicture {
    int width = 1;
    int height = 1;   // negative: rows stored top-down
    int bitCount = 32;
    uint32_t compression = 0;
    uint32_t headerBytes = 40;
    uint32_t masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};  // stored for compression 3
    std::vector<uint32_t> pixels;  // |height| rows of 0xRRGGBB, top row first
};
std::vector<uint8_t> EncodeDib(const DibPicture& picture);

// A small document with two layers, one of them animated over three frames,
// in animation mode; needs a colour profile selected.
void MakeAnimatedDocument(Document& doc, int w, int h, uint32_t seed);

// A zip of the given entries in order (each deflated, "mimetype" stored), as
// another program would write an OpenRaster file.
std::vector<uint8_t> EncodeZip(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& entries);

// An OpenRaster file whose stack.xml lists count layers, all of one 4 x 4 picture.
std::vector<uint8_t> OraWithLayers(int count);

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFileBytes(const std::string& path);

}  // namespace samples
