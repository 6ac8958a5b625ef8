#pragma once
#include <cstdio>
#include <filesystem>
#include <string>

// File names inside the program are UTF-8, whatever the system's own code
// page. These are the one way from such a name to the system: on Windows a
// narrow name given to fopen or to std::filesystem::path is read in the ANSI
// code page, which cannot hold most scripts and turns what it cannot hold
// into look-alikes ("ä" into "a"), so another file gets opened or replaced.

// fopen for a UTF-8 name; null on failure, as fopen.
std::FILE* OpenFile(const std::string& utf8Name, const char* mode);

// The path a UTF-8 name stands for; empty for a name that is not valid UTF-8
// where the system needs it converted.
std::filesystem::path PathFromUtf8(const std::string& utf8Name);
// A path's name in UTF-8; empty when the system's name cannot be expressed.
std::string Utf8FromPath(const std::filesystem::path& path);
