// The platform interface on top of the Win32 window, message boxes and clock.
#include "platform/platform.h"

#include "platform/log.h"
#include "platform/win32/gl_window.h"
#include "platform/win32/whole_text.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_events.h"

namespace platform {

bool CreateMainWindow(const char* title, WindowState& state, int colourBits) {
    return CreateGLWindow(title, state, colourBits);
}

void DestroyMainWindow() { DestroyGLWindow(); }

void PumpEvents() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The window state lives only while the window does; a quit that
            // arrives without one has nothing to tell.
            if (WindowState* state = CurrentWindowState()) {
                state->quit = true;
                state->exitCode = int(message.wParam);
            }
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

namespace {

// Set by WakeMainLoop; auto-reset, so one wake ends one wait.
HANDLE WakeEvent() {
    static HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    return event;
}

// Timer messages change nothing the program shows (the system's own ones,
// 0x118, arrive a few times a second for the window): handled here, they do
// not end the wait. True when other messages are pending.
bool OtherMessagesPending() {
    constexpr UINT kSystemTimer = 0x118;
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) DispatchMessageA(&message);
    while (PeekMessageA(&message, nullptr, kSystemTimer, kSystemTimer, PM_REMOVE)) DispatchMessageA(&message);
    return PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) != 0;
}

}  // namespace

bool WaitForEvent(int timeoutMs) {
    HANDLE event = WakeEvent();
    const DWORD handles = event ? 1 : 0;
    const DWORD timeout = DWORD(timeoutMs < 0 ? 0 : timeoutMs);
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeout && timeout > 0) return false;
        // MWMO_INPUTAVAILABLE: messages already queued but not yet handled end
        // the wait too, not only ones that arrive during it.
        const DWORD r = MsgWaitForMultipleObjectsEx(handles, event ? &event : nullptr, timeout - elapsed, QS_ALLINPUT,
                                                    MWMO_INPUTAVAILABLE);
        if (r == WAIT_OBJECT_0 + handles) {
            if (OtherMessagesPending()) return true;
            if (timeout == 0) return false;
            continue;
        }
        return r == WAIT_OBJECT_0 && handles == 1;  // woken, or the time is up
    }
}

void WakeMainLoop() {
    if (HANDLE event = WakeEvent()) SetEvent(event);
}

// Another program can only ask a Win32 window to close (WM_CLOSE), which
// the window procedure answers as usual.
void SetWindowLostHandler(WindowLostHandler) {}

void StoreFinalPlacement() {
    WindowState* state = CurrentWindowState();
    if (!MainWindow() || !state) return;
    // A minimised window's own rectangle is parked off the desktop; the
    // system keeps the one it comes back to apart.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(MainWindow(), &placement)) {
        state->maximized = IsZoomed(MainWindow());
        return;
    }
    RestoredPlacement restored;
    restored.left = placement.rcNormalPosition.left;
    restored.top = placement.rcNormalPosition.top;
    restored.right = placement.rcNormalPosition.right;
    restored.bottom = placement.rcNormalPosition.bottom;
    restored.maximized = placement.showCmd == SW_SHOWMAXIMIZED;
    restored.minimised = placement.showCmd == SW_SHOWMINIMIZED;
    restored.restoresToMaximized = (placement.flags & WPF_RESTORETOMAXIMIZED) != 0;
    StoreRestoredPlacement(*state, restored, CurrentFrameInsets());
}

void SwapBuffers() {
    if (MainDeviceContext()) ::SwapBuffers(MainDeviceContext());
}

void SetWindowTitle(const char* title) {
    if (MainWindow()) SetWindowTextW(MainWindow(), WideFromUtf8(title).c_str());
}

void ClientToDesktopOffset(int& dx, int& dy) {
    dx = GetSystemMetrics(SM_CXSIZEFRAME);
    dy = GetSystemMetrics(SM_CYSIZEFRAME) + GetSystemMetrics(SM_CYCAPTION);
}

bool ApplyCursor() { return ::ApplyCursor(); }

bool AskOkCancel(const char* title, const char* text) {
    return MessageBoxW(MainWindow(), WideFromUtf8(text).c_str(), WideFromUtf8(title).c_str(),
                       MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK;
}

void ShowError(const char* title, const char* text) {
    MessageBoxW(MainWindow(), WideFromUtf8(text).c_str(), WideFromUtf8(title).c_str(), MB_OK | MB_ICONEXCLAMATION);
}

std::string ProgramFile() {
    return Utf8FromWide(ReadWholeWideText([](wchar_t* buffer, size_t size) -> size_t {
        return GetModuleFileNameW(nullptr, buffer, DWORD(size));
    }));
}

std::string UserSettingsFolder() {
    const std::string appData = Utf8FromWide(ReadWholeWideText([](wchar_t* buffer, size_t size) -> size_t {
        return GetEnvironmentVariableW(L"APPDATA", buffer, DWORD(size));
    }));
    return appData.empty() ? std::string() : appData + "\\Orvella";
}

int ProcessorCount() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? int(info.dwNumberOfProcessors) : 1;
}

// The screen's logical DPI: the display scaling setting (the LogPixels
// value), which a DPI-aware process such as this one reads unchanged.
int DisplayDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) ReleaseDC(nullptr, screen);
    LogLine("display: %i dpi", dpi);
    return dpi > 0 ? dpi : 96;
}

uint64_t PhysicalMemoryBytes() {
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? uint64_t(status.ullTotalPhys) : 0;
}

uint32_t Milliseconds() { return GetTickCount(); }

void SleepMilliseconds(int ms) { Sleep(DWORD(ms < 0 ? 0 : ms)); }

}  // namespace platform
