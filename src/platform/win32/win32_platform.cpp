// The platform interface on top of the Win32 window, message boxes and clock.
#include "platform/platform.h"

#include "platform/win32/gl_window.h"
#include "platform/win32/whole_text.h"
#include "platform/win32/window_events.h"

namespace platform {

bool CreateMainWindow(const char* title, WindowState& state, int colourBits) {
    return CreateGLWindow(title, state, colourBits);
}

void DestroyMainWindow() { DestroyGLWindow(); }

void PumpEvents() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
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
        DispatchMessageA(&message);
    }
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
    if (MainWindow()) SetWindowTextA(MainWindow(), title);
}

void ClientToDesktopOffset(int& dx, int& dy) {
    dx = GetSystemMetrics(SM_CXSIZEFRAME);
    dy = GetSystemMetrics(SM_CYSIZEFRAME) + GetSystemMetrics(SM_CYCAPTION);
}

bool ApplyCursor() { return ::ApplyCursor(); }

bool AskOkCancel(const char* title, const char* text) {
    return MessageBoxA(MainWindow(), text, title, MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK;
}

void ShowError(const char* title, const char* text) {
    MessageBoxA(MainWindow(), text, title, MB_OK | MB_ICONEXCLAMATION);
}

std::string ProgramFile() {
    return ReadWholeText([](char* buffer, size_t size) -> size_t {
        return GetModuleFileNameA(nullptr, buffer, DWORD(size));
    });
}

std::string UserSettingsFolder() {
    const std::string appData = ReadWholeText([](char* buffer, size_t size) -> size_t {
        return GetEnvironmentVariableA("APPDATA", buffer, DWORD(size));
    });
    return appData.empty() ? std::string() : appData + "\\Orvella";
}

int ProcessorCount() {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwNumberOfProcessors > 0 ? int(info.dwNumberOfProcessors) : 1;
}

uint64_t PhysicalMemoryBytes() {
    MEMORYSTATUSEX status;
    status.dwLength = sizeof status;
    return GlobalMemoryStatusEx(&status) ? uint64_t(status.ullTotalPhys) : 0;
}

uint32_t Milliseconds() { return GetTickCount(); }

void SleepMilliseconds(int ms) { Sleep(DWORD(ms < 0 ? 0 : ms)); }

}  // namespace platform
