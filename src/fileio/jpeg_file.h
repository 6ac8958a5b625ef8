#pragma once
#include <cstdint>
#include <cstdio>
#include <vector>

#include "fileio/flat_image.h"

struct Document;

constexpr int kJpegQuality = 95;

// Both log their name. Saving writes the document as displayed at quality 95
// without chroma subsampling, and replaces the file only when all of it was
// written. Loading reads any JPEG the library can decode into a new
// one-layer document, marked damagedFile when parts of it could not be
// decoded; on failure the document is untouched.
bool SaveImage_JPEG(Document& doc, const char* path);
bool LoadImage_JPEG(Document& doc, const char* path);

// Decodes to opaque flat pixels; print files (CMYK, YCCK) are converted to
// RGB. Refused: a side above kMaxDocumentSide, more than maxPixels pixels,
// files too short for the size they declare and images the memory cannot
// hold (noted, see memory_guard.h), before their pixels are allocated;
// streams that end early. A stream with corrupt data that the library
// decodes around is read, and *damaged (when given) says so.
bool ReadJpeg(std::FILE* file, int& w, int& h, std::vector<uint32_t>& flat, int64_t maxPixels = kMaxFlatPixels,
              bool* damaged = nullptr);
// Encodes flat pixels (alpha dropped). False on any write error or a row that
// cannot be made.
bool WriteJpegRows(std::FILE* file, const FlatRows& rows);
bool WriteJpeg(std::FILE* file, int w, int h, const std::vector<uint32_t>& flat);
