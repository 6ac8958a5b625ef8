#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fileio/flat_image.h"  // LoadFlatImage puts a decoded bitmap into the document

// Decodes a device-independent bitmap as the clipboard holds it (a
// BITMAPINFOHEADER or a later version of it, then the pixels) into opaque flat
// pixels, top row first. Accepted: 24 or 32 bits per pixel, uncompressed or
// with bit fields in the usual B, G, R byte order, rows bottom-up or (with a
// negative height) top-down. Every other layout, any field that does not fit
// in size bytes, sides above kMaxDocumentSide and a bitmap the memory cannot
// hold (noted, see memory_guard.h) are refused (false, outputs untouched).
bool DecodeDib(const uint8_t* bytes, size_t size, int& w, int& h, std::vector<uint32_t>& flat);
