#pragma once
#include <cstdint>

class ByteSink;
class ByteSource;
struct ColorProfile;
struct Document;

// The program's own layered format: the whole document, every layer and
// animation frame of every tile as four run-length coded 16-bit planes, the
// colour profile the samples are encoded in, and the animation settings.
constexpr int32_t kTvlVersion = 5;

// Both log their name. Saving replaces the file only when all of it was
// written. Loading checks the whole file before the document changes: on
// failure the document and the current colour profile are as before; on
// success the file's profile is current (the samples are not converted).
// Both set the layered-file flag on success.
bool SaveImage_TVL(Document& doc, const char* path);
bool LoadImage_TVL(Document& doc, const char* path);

// The same on any byte stream. WriteTvl is false only for a tile image of
// a layout the format cannot hold; write errors are the sink's to report
// (ByteSink::Finish).
bool WriteTvl(Document& doc, ByteSink& sink);
// The same with the samples' colour profile given, for a copy of the
// document written while the current profile may change.
bool WriteTvl(Document& doc, const ColorProfile& profile, ByteSink& sink);
bool ReadTvl(Document& doc, ByteSource& source);

// One coded plane of count samples: the count, then alternating literal and
// run chunks, starting with a literal.
void WriteRLE(const uint16_t* samples, int count, ByteSink& sink);
// Decodes one plane into count samples at destination. False, with nothing
// stored past the plane, when the stored count is not count, the chunks run
// past it, or the bytes end first.
bool ReadRLE(uint16_t* destination, int count, ByteSource& source);
