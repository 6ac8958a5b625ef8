#include "platform/win32/wide_text.h"

#include <windows.h>

std::wstring WideFromUtf8(const std::string& text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0);
    if (size <= 0) return {};
    std::wstring wide(size_t(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), &wide[0], size);
    return wide;
}

std::string Utf8FromWide(const std::wstring& text) {
    if (text.empty()) return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string utf8(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.data(), int(text.size()), &utf8[0], size, nullptr,
                        nullptr);
    return utf8;
}

std::string ArgumentsAfterProgramName(const std::string& commandLine) {
    size_t at = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        const size_t close = commandLine.find('"', 1);
        at = close == std::string::npos ? commandLine.size() : close + 1;
    } else {
        while (at < commandLine.size() && commandLine[at] != ' ' && commandLine[at] != '\t') ++at;
    }
    while (at < commandLine.size() && (commandLine[at] == ' ' || commandLine[at] == '\t')) ++at;
    return commandLine.substr(at);
}
