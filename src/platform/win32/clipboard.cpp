// The clipboard's device-independent bitmap (CF_DIB), copied out whole.
#include "platform/log.h"
#include "platform/platform.h"
#include "platform/win32/gl_window.h"

namespace platform {

namespace {

// Another program may hold the clipboard for a moment while it writes.
bool OpenClipboardSoon() {
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (OpenClipboard(MainWindow())) return true;
        Sleep(10);
    }
    LogLine("#### clipboard: cannot open it");
    return false;
}

}  // namespace

bool ClipboardHasImage() { return IsClipboardFormatAvailable(CF_DIB) != 0; }

bool ReadClipboardImage(std::vector<uint8_t>& dib) {
    if (!OpenClipboardSoon()) return false;
    bool copied = false;
    if (HANDLE data = GetClipboardData(CF_DIB)) {
        if (const void* bytes = GlobalLock(data)) {
            const SIZE_T size = GlobalSize(data);
            const uint8_t* first = static_cast<const uint8_t*>(bytes);
            dib.assign(first, first + size);
            copied = size > 0;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return copied;
}

}  // namespace platform
