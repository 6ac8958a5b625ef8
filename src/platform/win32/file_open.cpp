#include "platform/file_open.h"

#include <string>

// _wfopen takes the name as the system keeps it, with no code page between.
std::FILE* OpenFile(const std::string& utf8Name, const char* mode) {
    const std::filesystem::path path = PathFromUtf8(utf8Name);
    if (path.empty() || !mode) return nullptr;
    std::wstring wideMode;
    for (const char* c = mode; *c; ++c) wideMode += wchar_t(static_cast<unsigned char>(*c));
    return ::_wfopen(path.c_str(), wideMode.c_str());
}
