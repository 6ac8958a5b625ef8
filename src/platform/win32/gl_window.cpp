#include "platform/win32/gl_window.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <initializer_list>

#include "app/program.h"
#include "input/wintab.h"
#include "platform/log.h"
#include "platform/window_fit.h"
#include "platform/win32/resource_ids.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_events.h"

namespace {

// A Unicode window: its title and typed characters are not bound to the
// ANSI code page.
const wchar_t kClassName[] = L"ravel";
const DWORD kExStyle = WS_EX_APPWINDOW | WS_EX_WINDOWEDGE;

HINSTANCE instance = nullptr;
HWND mainWindow = nullptr;
HDC deviceContext = nullptr;
HGLRC glContext = nullptr;
HICON classIcon = nullptr;       // the exe's icon at the size of a window's large icon
HICON classIconSmall = nullptr;  // and at the title bar's size
platform::WindowState* state = nullptr;

PIXELFORMATDESCRIPTOR pixelFormatRequest;
bool pixelFormatFilled = false;

// Indexed by platform::CursorKind; the cross is loaded with the others but no
// kind shows it.
HCURSOR cursors[platform::kCursorIBeam + 1];
HCURSOR crossCursor = nullptr;

void LoadCursors() {
    cursors[platform::kCursorArrow] = LoadCursor(nullptr, IDC_ARROW);
    crossCursor = LoadCursor(nullptr, IDC_CROSS);
    cursors[platform::kCursorNone] = nullptr;
    cursors[platform::kCursorSizeAll] = LoadCursor(nullptr, IDC_SIZEALL);
    cursors[platform::kCursorWait] = LoadCursor(nullptr, IDC_WAIT);
    cursors[platform::kCursorNo] = LoadCursor(nullptr, IDC_NO);
    cursors[platform::kCursorIBeam] = LoadCursor(nullptr, IDC_IBEAM);
}

void FillPixelFormatRequest(int colourBits) {
    pixelFormatRequest = PIXELFORMATDESCRIPTOR{};
    pixelFormatRequest.nSize = sizeof(PIXELFORMATDESCRIPTOR);
    pixelFormatRequest.nVersion = 1;
    pixelFormatRequest.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pixelFormatRequest.iPixelType = PFD_TYPE_RGBA;
    pixelFormatRequest.cColorBits = BYTE(colourBits);
    pixelFormatRequest.cDepthBits = 16;
    pixelFormatRequest.iLayerType = PFD_MAIN_PLANE;
}

FrameMetrics CurrentFrameMetrics() {
    FrameMetrics frame;
    frame.sizingFrameWidth = GetSystemMetrics(SM_CXSIZEFRAME);
    frame.sizingFrameHeight = GetSystemMetrics(SM_CYSIZEFRAME);
    frame.captionHeight = GetSystemMetrics(SM_CYCAPTION);
    return frame;
}

// Everything made so far is released before the box, so a failed start
// leaves no window behind it.
bool FailCreation() {
    DestroyGLWindow();
    MessageBoxW(nullptr, L"Could not create window", L"ERROR", MB_OK | MB_ICONEXCLAMATION);
    return false;
}

// Sets up the device context and a current GL context on the new window.
bool AttachGLContext() {
    LogLine("CreateGLWindow: dc stuff");
    deviceContext = GetDC(mainWindow);
    if (!deviceContext) {
        LogLine("#### CreateGLWindow: failed to get DC");
        return false;
    }
    const int format = ChoosePixelFormat(deviceContext, &pixelFormatRequest);
    if (format == 0) {
        LogLine("#### CreateGLWindow: failed to choose pixel format");
        return false;
    }
    if (!SetPixelFormat(deviceContext, format, &pixelFormatRequest)) {
        LogLine("#### CreateGLWindow: failed to set pixel format");
        return false;
    }
    glContext = wglCreateContext(deviceContext);
    if (!glContext) return false;
    return wglMakeCurrent(deviceContext, glContext) != FALSE;
}

// Frames should not wait for the vertical retrace; the extension that lets us
// choose is there on most drivers, and its function only with a current context.
void TurnOffVerticalSync() {
    using SwapIntervalProc = BOOL(WINAPI*)(int);
    const auto setInterval = reinterpret_cast<SwapIntervalProc>(
        reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")));
    if (setInterval && setInterval(0))
        LogLine("CreateGLWindow: swap interval 0");
    else
        LogLine("CreateGLWindow: swap interval left to the driver");
}

void TrackMouseLeave(HWND window) {
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = window;
    track.dwHoverTime = HOVER_DEFAULT;
    TrackMouseEvent(&track);
}

void OnMouseMove(HWND window, LPARAM lParam) {
    if (!state->mouseInWindow) {
        state->mouseInWindow = true;
        TrackMouseLeave(window);
    }
    RECT client;
    GetClientRect(window, &client);
    const uint32_t packed = uint32_t(lParam);
    state->mouseX = ScaleToLogical(UnsignedLow16(packed), client.right - client.left, state->width);
    state->mouseY = ScaleToLogical(UnsignedHigh16(packed), client.bottom - client.top, state->height);
    state->idlePasses = 0;
}

LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_MOVE:
            StoreMovedPlacement(*state, uint32_t(lParam), IsIconic(window), CurrentFrameMetrics());
            return 0;
        case WM_SIZE:
            // Without a context yet (during creation) the drawing area is set
            // once the context exists.
            if (StoreResizedClient(*state, uint32_t(lParam), IsIconic(window) || wParam == SIZE_MINIMIZED) &&
                glContext)
                SetViewportSize(state->width, state->height);
            return 0;
        case WM_ACTIVATE:
            return 0;
        case WM_PAINT:
            if (++state->paintCount > 2 && glContext) PaintFrame();
            return DefWindowProcW(window, message, wParam, lParam);
        case WM_CLOSE:
            state->closeRequested = true;
            return 0;
        case WM_SETCURSOR:
            if (ApplyCursor()) return 0;
            return DefWindowProcW(window, message, wParam, lParam);
        case WM_CHAR:
            // UTF-16; the text fields take Latin-1, which is its first 256 characters.
            if (wParam < 0x100) state->typedChar = uint8_t(wParam);
            return 0;
        case WM_SYSKEYDOWN:
            return 0;
        case WM_MOUSEMOVE:
            OnMouseMove(window, lParam);
            return 0;
        case WM_LBUTTONDOWN:
            state->leftButton = true;
            return 0;
        case WM_LBUTTONUP:
            state->leftButton = false;
            return 0;
        case WM_RBUTTONDOWN:
            state->rightButton = true;
            return 0;
        case WM_RBUTTONUP:
            state->rightButton = false;
            return 0;
        case WM_MBUTTONDOWN:
            state->middleButton = true;
            return 0;
        case WM_MBUTTONUP:
            state->middleButton = false;
            return 0;
        case WM_MOUSEWHEEL:
            if (const int direction = WheelDirection(int16_t(GET_WHEEL_DELTA_WPARAM(wParam))))
                state->wheel = direction;
            return 0;
        case WM_MOUSELEAVE:
            state->leftButton = false;
            state->rightButton = false;
            state->middleButton = false;
            state->mouseInWindow = false;
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

// The whole window (frame included) of a stored placement, fitted to the work
// area of the monitor nearest its stored position: a placement from a larger
// screen (or edited by hand) would make a window the system refuses.
void FitToScreen(platform::WindowState& windowState) {
    const FrameInsets frame = CurrentFrameInsets();
    const auto outer = [](int client, int a, int b) {
        return int(std::min<int64_t>(int64_t(client) + a + b, INT_MAX));
    };
    const ScreenRect stored{windowState.x, windowState.y, outer(windowState.width, frame.left, frame.right),
                            outer(windowState.height, frame.top, frame.bottom)};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ScreenRect area;
    if (GetMonitorInfoW(MonitorFromPoint(POINT{stored.x, stored.y}, MONITOR_DEFAULTTONEAREST), &monitor))
        area = {int(monitor.rcWork.left), int(monitor.rcWork.top), int(monitor.rcWork.right - monitor.rcWork.left),
                int(monitor.rcWork.bottom - monitor.rcWork.top)};
    const ScreenRect fitted = FitToWorkArea(stored, area);
    windowState.x = fitted.x;
    windowState.y = fitted.y;
    windowState.width = std::max(1, fitted.width - frame.left - frame.right);
    windowState.height = std::max(1, fitted.height - frame.top - frame.bottom);
}

// The best of the icon resource's images for the size (Windows scales it only
// when none fits).
HICON LoadIconAtSize(int width, int height) {
    return HICON(LoadImageW(instance, MAKEINTRESOURCEW(ORVELLA_ICON_ID), IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
}

}  // namespace

void SetProgramInstance(HINSTANCE programInstance) { instance = programInstance; }

HWND MainWindow() { return mainWindow; }

FrameInsets CurrentFrameInsets() {
    // The same sum that sized the window from its client area at creation.
    RECT outer{0, 0, 0, 0};
    AdjustWindowRectEx(&outer, WS_OVERLAPPEDWINDOW, FALSE, kExStyle);
    FrameInsets frame;
    frame.left = -outer.left;
    frame.top = -outer.top;
    frame.right = outer.right;
    frame.bottom = outer.bottom;
    return frame;
}
HDC MainDeviceContext() { return deviceContext; }
platform::WindowState* CurrentWindowState() { return state; }

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TabletMessage(window, message, wParam, lParam);
    // Messages outside CreateGLWindow's and DestroyGLWindow's span have no
    // state to write to.
    if (!state) return DefWindowProcW(window, message, wParam, lParam);
    return HandleMessage(window, message, wParam, lParam);
}

bool ApplyCursor() {
    if (!state || !state->mouseInWindow) return false;
    if (state->cursorHidden) {
        SetCursor(nullptr);
        return true;
    }
    if (state->cursorKind >= platform::kCursorArrow && state->cursorKind <= platform::kCursorIBeam)
        SetCursor(cursors[state->cursorKind]);
    return true;
}

bool CreateGLWindow(const char* title, platform::WindowState& windowState, int colourBits) {
    LogLine("CreateGLWindow: start");
    state = &windowState;
    FitToScreen(windowState);
    RECT outer;
    outer.left = windowState.x;
    outer.top = windowState.y;
    outer.right = outer.left + windowState.width;
    outer.bottom = outer.top + windowState.height;
    const int width = windowState.width, height = windowState.height;

    if (!instance) instance = GetModuleHandleW(nullptr);
    LoadCursors();

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    // The exe's own icon resource, each at the size the system draws it, so
    // neither is scaled from another size.
    if (!classIcon) classIcon = LoadIconAtSize(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    if (!classIconSmall)
        classIconSmall = LoadIconAtSize(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
    windowClass.hIcon = classIcon;
    windowClass.hIconSm = classIconSmall;
    windowClass.hCursor = cursors[platform::kCursorArrow];
    windowClass.lpszClassName = kClassName;
    LogLine("CreateGLWindow: register class");
    RegisterClassExW(&windowClass);

    const DWORD exStyle = kExStyle;
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    LogLine("CreateGLWindow: adjustwindowrect");
    AdjustWindowRectEx(&outer, WS_OVERLAPPEDWINDOW, FALSE, exStyle);

    LogLine("CreateGLWindow: create window");
    LogLine("title=\"%s\"", title);
    LogLine("ravel_winx=%i", windowState.x);
    LogLine("ravel_winy=%i", windowState.y);
    LogLine("width=%i", width);
    LogLine("height=%i", height);
    mainWindow = CreateWindowExW(exStyle, kClassName, WideFromUtf8(title).c_str(), style, windowState.x, windowState.y,
                                 outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance,
                                 nullptr);
    if (!mainWindow) return FailCreation();

    if (!pixelFormatFilled) {
        FillPixelFormatRequest(colourBits);
        pixelFormatFilled = true;
    }
    if (!AttachGLContext()) return FailCreation();
    TurnOffVerticalSync();

    ShowWindow(mainWindow, SW_SHOW);
    SetForegroundWindow(mainWindow);
    SetFocus(mainWindow);
    SetViewportSize(width, height);
    if (windowState.maximized) ShowWindow(mainWindow, SW_MAXIMIZE);

    LogLine("CreateGLWindow: init gl");
    InitGLState();
    LogLine("CreateGLWindow: done");
    return true;
}

void DestroyGLWindow() {
    if (glContext) {
        LogLine("delete OpenGL context");
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(glContext);
        glContext = nullptr;
    }
    if (deviceContext) {
        LogLine("release DC");
        ReleaseDC(mainWindow, deviceContext);
        deviceContext = nullptr;
    }
    if (mainWindow) {
        LogLine("destroy main window");
        DestroyWindow(mainWindow);
        mainWindow = nullptr;
    }
    LogLine("unregister main class");
    UnregisterClassW(kClassName, instance);
    // Icons loaded without LR_SHARED belong to us, not to the class.
    for (HICON* icon : {&classIcon, &classIconSmall}) {
        if (*icon) DestroyIcon(*icon);
        *icon = nullptr;
    }
    state = nullptr;
}
