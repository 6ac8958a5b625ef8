#include "platform/file_open.h"

// u8path and u8string convert between UTF-8 and the system's own name type
// (wide on Windows, bytes elsewhere) without going through a code page; they
// throw on text that does not convert, which callers get as an empty result.

std::filesystem::path PathFromUtf8(const std::string& utf8Name) {
    try {
        return std::filesystem::u8path(utf8Name);
    } catch (...) {
        return {};
    }
}

std::string Utf8FromPath(const std::filesystem::path& path) {
    try {
        return path.u8string();
    } catch (...) {
        return {};
    }
}
