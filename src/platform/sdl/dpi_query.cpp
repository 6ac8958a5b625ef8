#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include "platform/log.h"
#include "platform/platform.h"
#include "platform/sdl/display_dpi.h"
#include "platform/sdl/main_window.h"

namespace platform {

namespace {

constexpr int kSystemDpi = 96;

// The desktop's scaling choice, kept as the Xft.dpi resource; 0 when unset
// or not on X11.
int DesktopDpi() {
    SDL_Window* window = sdl::MainWindow();
    if (!window) return 0;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return 0;
    return sdl::XftDpiFromResources(XResourceManagerString(info.info.x11.display));
}

// What the monitor's physical size gives, when the desktop says nothing.
int MonitorDpi() {
    SDL_Window* window = sdl::MainWindow();
    const int display = window ? SDL_GetWindowDisplayIndex(window) : 0;
    float horizontal = 0;
    if (SDL_GetDisplayDPI(display < 0 ? 0 : display, nullptr, &horizontal, nullptr) != 0 || horizontal <= 0) return 0;
    return int(horizontal + 0.5f);
}

}  // namespace

int DisplayDpi() {
    int dpi = DesktopDpi();
    const char* from = "Xft.dpi";
    if (dpi <= 0) {
        dpi = MonitorDpi();
        from = "the monitor's size";
    }
    if (dpi <= 0) {
        dpi = kSystemDpi;
        from = "no source";
    }
    LogLine("display: %i dpi (%s)", dpi, from);
    return dpi;
}

}  // namespace platform
