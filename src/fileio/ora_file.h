#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fileio/flat_image.h"

struct Document;

// OpenRaster, the layered format painting programs exchange: a zip holding
// "mimetype" (stored first), stack.xml, one PNG per layer, mergedimage.png
// and Thumbnails/thumbnail.png.
//
// Saving writes every layer's display values with their alpha, the layer's
// name, opacity, visibility and blend mode, and in the program's own
// namespace its lock and the colour profile. An animated document gives the
// current frame of each layer. Loading checks the whole file before the
// document changes; on failure the document and the current colour profile
// are as before and refusal holds a message for the user when there is one
// clearer than an unknown format. A file from another program (without the
// program's profile) opens in "Linear RGB", the profile in which blending
// display values is what the program does, as those programs do.

bool SaveImage_ORA(Document& doc, const char* path);
bool LoadImage_ORA(Document& doc, const char* path, std::string& refusal);

// The same on bytes in memory; WriteOra needs the calling thread's tile
// scratch (for the merged image). ReadOra refuses pictures of more than
// maxPixels pixels, canvas or layer.
bool WriteOra(Document& doc, std::vector<uint8_t>& bytes);
bool ReadOra(Document& doc, const uint8_t* data, size_t size, std::string& refusal,
             int64_t maxPixels = kMaxFlatPixels);

// True when saving doc as OpenRaster keeps all of it: no layer is animated.
bool OraHoldsWholeDocument(const Document& doc);
