// Pictures on the Windows clipboard: the registered "PNG" format that
// browsers and image editors put there, and the device-independent bitmap
// (CF_DIB; Windows makes it from the other bitmap formats too).
#include <cstring>

#include "platform/log.h"
#include "platform/platform.h"
#include "platform/win32/gl_window.h"

namespace platform {

namespace {

UINT PngFormat() {
    static const UINT format = RegisterClipboardFormatA("PNG");
    return format;
}

// Another program may hold the clipboard for a moment while it writes.
bool OpenClipboardSoon() {
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (OpenClipboard(MainWindow())) return true;
        Sleep(10);
    }
    LogLine("#### clipboard: cannot open it");
    return false;
}

// Copies the format's data out; false when it is missing or empty.
bool CopyOut(UINT format, std::vector<uint8_t>& bytes) {
    HANDLE data = GetClipboardData(format);
    if (!data) return false;
    const void* locked = GlobalLock(data);
    if (!locked) return false;
    const SIZE_T size = GlobalSize(data);
    const uint8_t* first = static_cast<const uint8_t*>(locked);
    bytes.assign(first, first + size);
    GlobalUnlock(data);
    return size > 0;
}

// Hands a copy of bytes to the clipboard, which owns it from then on.
bool Put(UINT format, const std::vector<uint8_t>& bytes) {
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!memory) return false;
    void* locked = GlobalLock(memory);
    if (!locked) {
        GlobalFree(memory);
        return false;
    }
    std::memcpy(locked, bytes.data(), bytes.size());
    GlobalUnlock(memory);
    if (SetClipboardData(format, memory)) return true;
    GlobalFree(memory);
    return false;
}

}  // namespace

bool ClipboardHasImage() {
    return (PngFormat() && IsClipboardFormatAvailable(PngFormat())) || IsClipboardFormatAvailable(CF_DIB);
}

bool ReadClipboardImage(std::vector<uint8_t>& bytes, int& kind) {
    if (!OpenClipboardSoon()) return false;
    bool copied = false;
    if (PngFormat() && IsClipboardFormatAvailable(PngFormat()) && CopyOut(PngFormat(), bytes)) {
        kind = kClipboardPng;
        copied = true;
    } else if (CopyOut(CF_DIB, bytes)) {
        kind = kClipboardDib;
        copied = true;
    }
    CloseClipboard();
    return copied;
}

bool WriteClipboardImage(const std::vector<uint8_t>& png, const std::vector<uint8_t>& dib) {
    if (png.empty() || dib.empty() || !OpenClipboardSoon()) return false;
    bool put = EmptyClipboard() != 0;
    put = put && PngFormat() && Put(PngFormat(), png);
    put = put && Put(CF_DIB, dib);
    CloseClipboard();
    if (!put) LogLine("#### clipboard: the picture was refused");
    return put;
}

}  // namespace platform
