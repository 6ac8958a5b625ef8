#pragma once
#include <cstddef>
#include <functional>
#include <string>

// Reads a text of unknown length from a system call that fills a caller's
// buffer, such as the program's file name. fill(buffer, size) returns the
// length written without the terminator; a result of size or more means the
// text was cut to fit, and 0 means failure. The buffer grows until the text
// fits whole. Returns "" on failure or when the text outgrows limit bytes,
// never a cut text.
std::string ReadWholeText(const std::function<size_t(char* buffer, size_t size)>& fill, size_t firstSize = 260,
                          size_t limit = size_t(1) << 16);
// The same for the system's wide (UTF-16) calls; sizes count characters.
std::wstring ReadWholeWideText(const std::function<size_t(wchar_t* buffer, size_t size)>& fill,
                               size_t firstSize = 260, size_t limit = size_t(1) << 16);
