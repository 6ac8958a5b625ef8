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

// A PNG file as other programs put it on the clipboard: any layout, decoded
// to flat pixels with its alpha (see RgbaRowToFlat), top row first. Damaged data, an empty image
// and sides above kMaxDocumentSide are refused (false, outputs untouched).
bool DecodeClipboardPng(const uint8_t* bytes, size_t size, int& w, int& h, std::vector<uint32_t>& flat);

// The picture in the two forms other programs paste: a PNG file (8-bit RGB,
// or RGBA when some pixel is not fully opaque) and a 24-bit bottom-up
// device-independent bitmap (a 40-byte BITMAPINFOHEADER and the rows, alpha
// dropped). False when the encoder fails, flat does not hold w x h pixels or
// the memory cannot hold both forms (noted as a shortage, see memory_guard.h).
bool EncodeClipboardImage(int w, int h, const std::vector<uint32_t>& flat, std::vector<uint8_t>& png,
                          std::vector<uint8_t>& dib);
