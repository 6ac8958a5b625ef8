#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

#include "fileio/flat_image.h"

struct Document;

// Both log their name. Saving writes the document as displayed, 8-bit RGB,
// or RGBA when any pixel is less than opaque, and replaces the file only when
// all of it was written.
// Loading reads any PNG layout into a new one-layer document, its
// transparency in the layer's alpha; on failure the document is untouched.
bool SaveImage_PNG(Document& doc, const char* path);
bool LoadImage_PNG(Document& doc, const char* path);

// Decodes a PNG of any colour type and depth to flat pixels with their alpha
// (see RgbaRowToFlat); files without transparency give opaque ones. Images
// with a side above kMaxDocumentSide or more than maxPixels pixels, files too
// short for the size they declare and images the memory cannot hold (noted,
// see memory_guard.h) are refused before their pixels are allocated. A
// damaged stream is a false result.
bool ReadPng(std::FILE* file, int& w, int& h, std::vector<uint32_t>& flat, int64_t maxPixels = kMaxFlatPixels);
// Encodes flat pixels as 8-bit RGB, or RGBA unless rows.opaque. False on any
// write error or a row that cannot be made.
bool WritePngRows(std::FILE* file, const FlatRows& rows);
// The same for a whole flat buffer, RGBA when any alpha is below 255.
bool WritePng(std::FILE* file, int w, int h, const std::vector<uint32_t>& flat);
