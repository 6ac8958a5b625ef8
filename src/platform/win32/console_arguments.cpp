#include "platform/win32/console_arguments.h"

#include <windows.h>
#include <shellapi.h>

namespace {

std::string Utf8(const wchar_t* text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) return std::string();
    std::string result(size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &result[0], bytes, nullptr, nullptr);
    result.resize(size_t(bytes) - 1);
    return result;
}

std::wstring Wide(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int count = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring result(size_t(count), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), &result[0], count);
    return result;
}

bool Usable(HANDLE handle) {
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// The handle of a standard stream, or the parent's console when the stream
// is not set.
HANDLE StreamHandle(DWORD which) {
    HANDLE handle = GetStdHandle(which);
    if (Usable(handle)) return handle;
    static bool attached = AttachConsole(ATTACH_PARENT_PROCESS) != 0;
    if (!attached) return nullptr;
    handle = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, 0, nullptr);
    return handle == INVALID_HANDLE_VALUE ? nullptr : handle;
}

void Write(DWORD which, const std::string& text) {
    if (text.empty()) return;
    HANDLE handle = StreamHandle(which);
    if (!handle) return;
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = Wide(text);
        WriteConsoleW(handle, wide.data(), DWORD(wide.size()), &written, nullptr);
    } else {
        WriteFile(handle, text.data(), DWORD(text.size()), &written, nullptr);
    }
}

}  // namespace

std::vector<std::string> Utf8Arguments() {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(Utf8(argv[i]));
    LocalFree(argv);
    return arguments;
}

void WriteStandardStreams(const std::string& out, const std::string& err) {
    Write(STD_OUTPUT_HANDLE, out);
    Write(STD_ERROR_HANDLE, err);
}
