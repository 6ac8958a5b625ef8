#pragma once
#include <string>

struct Document;

// The text after the last '.' of path (all of it when there is none), with
// every ASCII character above 'Z' moved down by 32: "a.Png" gives "PNG",
// "a" gives "A".
std::string FileExtension(const std::string& path);

// True when SaveImage and LoadImage know the path's extension.
bool KnownImageExtension(const std::string& path);

// Saves or loads by the extension: "TVL" the layered format, "ORA"
// OpenRaster, "PNG", "JPG" or "JPEG" a flat image. Both log the path.
//
// Saving clears the layered-file flag first; only a save that kept the whole
// document sets it again (an OpenRaster save of an animation does not). Unknown extensions are refused.
bool SaveImage(Document& doc, const std::string& path);
// On success the document is the file's, unmodified and without the
// flat-copy flag, its layered-file flag telling whether the file was layered.
// On failure (an unknown extension, a missing or damaged file) the document
// is exactly as it was, flags included.
bool LoadImage(Document& doc, const std::string& path);
// The same, with a message for the user in refusal when the file was refused
// for a reason clearer than an unknown format (empty otherwise).
bool LoadImage(Document& doc, const std::string& path, std::string& refusal);
