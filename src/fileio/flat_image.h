#pragma once
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include "image/document.h"

// Flat images are width x height 32-bit display pixels, row-major, each
// A << 24 | R << 16 | G << 8 | B.

// The largest flat image the readers accept, in pixels.
constexpr int64_t kMaxFlatPixels = int64_t(kMaxDocumentSide) * kMaxDocumentSide;

// The document as the screen shows it, less the onion skin, one tile at a
// time on the calling thread's scratch, which must hold tile-sized images.
// False (flat untouched) without that scratch.
bool FlattenDocument(Document& doc, std::vector<uint32_t>& flat);

// Replaces doc by a new one-layer w x h document whose canvas holds flat. The
// animation settings stay, as with any new document; the old contents are
// released. False (doc untouched) for a size outside 1..kMaxDocumentSide or a
// buffer that does not hold w x h pixels.
bool LoadFlatImage(Document& doc, int w, int h, const std::vector<uint32_t>& flat);

// The file side shared by the flat formats: a writer encodes w x h flat
// pixels into an open file, a reader decodes one (refusing more than
// maxPixels pixels).
using FlatWriter = bool (*)(std::FILE* file, int w, int h, const std::vector<uint32_t>& flat);
using FlatReader = std::function<bool(std::FILE* file, int& w, int& h, std::vector<uint32_t>& flat, int64_t maxPixels)>;

// One row between flat pixels and the 8-bit RGB triples the PNG and JPEG
// codecs take and give; pixels read from RGB are opaque.
void RgbRowToFlat(const uint8_t* rgb, uint32_t* flat, int w);
// The same from R, G, B, A quadruples, alpha kept. A fully transparent pixel
// becomes transparent white, as the program's own empty pixels are: what a
// file stores under alpha 0 (mostly black) is no colour anyone saw.
void RgbaRowToFlat(const uint8_t* rgba, uint32_t* flat, int w);
void FlatToRgbRow(const uint32_t* flat, uint8_t* rgb, int w);

// Saves the document as the screen shows it through a SafeFile, so a failed
// save leaves the old file as it was.
bool SaveFlatFile(Document& doc, const char* path, FlatWriter write);
// Replaces doc by the picture in the file; doc is untouched on any failure.
bool LoadFlatFile(Document& doc, const char* path, const FlatReader& read);
