// The program's window and OpenGL context on SDL2, and the events that feed
// the window state.
#include "platform/sdl/main_window.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

#include "app/program.h"
#include "platform/log.h"
#include "platform/platform.h"
#include "platform/sdl/cursors.h"
#include "platform/program_path.h"
#include "platform/window_fit.h"
#include "platform/sdl/event_translation.h"
#include "platform/sdl/icon_file.h"
#include "platform/sdl/message_boxes.h"

namespace platform {

namespace {

constexpr Uint32 kSubsystems = SDL_INIT_VIDEO | SDL_INIT_EVENTS;

bool sdlStarted = false;
SDL_Window* window = nullptr;
SDL_GLContext glContext = nullptr;
WindowState* state = nullptr;
sdl::EventRecorder recorder;

void RequestPixelFormat(int colourBits) {
    const int alphaBits = colourBits >= 32 ? 8 : 0;
    const int colourChannelBits = colourBits >= 24 ? 8 : 5;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, colourChannelBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, colourChannelBits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, colourChannelBits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, alphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

bool CreationFailed(const char* what) {
    LogLine("#### CreateGLWindow: failed to %s: %s", what, SDL_GetError());
    DestroyMainWindow();
    sdl::ShowOkBox(SDL_MESSAGEBOX_WARNING, "ERROR", "Could not create window");
    return false;
}

// The window icon from beside the program; a window without one is no failure.
void SetIcon() {
    std::ifstream in(DataPath("icon-16.ico"), std::ios::binary);
    const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    if (!sdl::DecodeIcon(file, width, height, rgba)) {
        LogLine("CreateGLWindow: no window icon");
        return;
    }
    SDL_Surface* icon =
        SDL_CreateRGBSurfaceWithFormatFrom(rgba.data(), width, height, 32, width * 4, SDL_PIXELFORMAT_RGBA32);
    if (!icon) return;
    SDL_SetWindowIcon(window, icon);
    SDL_FreeSurface(icon);
}

// The usable bounds of the display the stored position is on (the first
// display when it is on none); empty when SDL cannot tell.
ScreenRect WorkAreaAt(int x, int y) {
    ScreenRect first;
    for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
        SDL_Rect bounds;
        if (SDL_GetDisplayUsableBounds(i, &bounds) != 0) continue;
        const ScreenRect area{bounds.x, bounds.y, bounds.w, bounds.h};
        if (i == 0) first = area;
        if (x >= area.x && y >= area.y && x - area.x < area.width && y - area.y < area.height) return area;
    }
    return first;
}

// A stored placement from a larger screen (or edited by hand) would make a
// window the system refuses; it is fitted to this screen first. True when it
// had to change.
bool FitToScreen(WindowState& windowState) {
    const ScreenRect stored{windowState.x, windowState.y, windowState.width, windowState.height};
    const ScreenRect fitted = FitToWorkArea(stored, WorkAreaAt(stored.x, stored.y));
    windowState.x = fitted.x;
    windowState.y = fitted.y;
    windowState.width = fitted.width;
    windowState.height = fitted.height;
    return fitted.x != stored.x || fitted.y != stored.y || fitted.width != stored.width ||
           fitted.height != stored.height;
}

// The frame the window manager puts around the window is known only once the
// window shows: the whole window, frame included, is fitted again with it.
// The window manager needs a moment to say how wide the frame is; a window
// without a frame waits the whole (short) time.
void FitFrameToScreen() {
    constexpr int kFrameWaitSteps = 25, kFrameWaitStepMs = 10;
    int top = 0, left = 0, bottom = 0, right = 0;
    for (int step = 0; step < kFrameWaitSteps; ++step) {
        SDL_PumpEvents();
        if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) == 0 &&
            (top != 0 || left != 0 || bottom != 0 || right != 0))
            break;
        SDL_Delay(kFrameWaitStepMs);
    }
    if (top == 0 && left == 0 && bottom == 0 && right == 0) return;
    int x = 0, y = 0, width = 0, height = 0;
    SDL_GetWindowPosition(window, &x, &y);
    SDL_GetWindowSize(window, &width, &height);
    const ScreenRect outer{x - left, y - top, width + left + right, height + top + bottom};
    const ScreenRect fitted = FitToWorkArea(outer, WorkAreaAt(outer.x, outer.y));
    if (fitted.x == outer.x && fitted.y == outer.y && fitted.width == outer.width && fitted.height == outer.height)
        return;
    LogLine("CreateGLWindow: fitting the framed window to the screen");
    SDL_SetWindowSize(window, std::max(1, fitted.width - left - right), std::max(1, fitted.height - top - bottom));
    SDL_SetWindowPosition(window, fitted.x + left, fitted.y + top);
}

// Only what the event needs: the frame lookup is skipped for every other event.
sdl::WindowFacts ReadFacts(const SDL_Event& event) {
    sdl::WindowFacts facts;
    SDL_GetWindowSize(window, &facts.clientWidth, &facts.clientHeight);
    if (event.type == SDL_WINDOWEVENT &&
        (event.window.event == SDL_WINDOWEVENT_MOVED || event.window.event == SDL_WINDOWEVENT_RESTORED)) {
        SDL_GetWindowPosition(window, &facts.clientX, &facts.clientY);
        int top = 0, left = 0, bottom = 0, right = 0;
        if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) == 0) {
            facts.borderLeft = left;
            facts.borderTop = top;
        }
    }
    return facts;
}

}  // namespace

namespace sdl {
SDL_Window* MainWindow() { return window; }
}  // namespace sdl

bool CreateMainWindow(const char* title, WindowState& windowState, int colourBits) {
    LogLine("CreateGLWindow: start");
    state = &windowState;
    recorder = sdl::EventRecorder();

    // A drag that leaves the window must end with the leave event, which
    // releases the buttons; SDL would otherwise capture the mouse while a
    // button is held.
    SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
    if (SDL_InitSubSystem(kSubsystems) != 0) return CreationFailed("start the video system");
    sdlStarted = true;
    RequestPixelFormat(colourBits);
    const bool refitted = FitToScreen(windowState);

    LogLine("CreateGLWindow: create window");
    LogLine("title=\"%s\"", title);
    LogLine("ravel_winx=%i", windowState.x);
    LogLine("ravel_winy=%i", windowState.y);
    LogLine("width=%i", windowState.width);
    LogLine("height=%i", windowState.height);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN;
    if (windowState.maximized) flags |= SDL_WINDOW_MAXIMIZED;
    window = SDL_CreateWindow(title, windowState.x, windowState.y, windowState.width, windowState.height, flags);
    if (!window) return CreationFailed("create the window");
    SetIcon();

    glContext = SDL_GL_CreateContext(window);
    if (!glContext) return CreationFailed("create the OpenGL context");
    if (SDL_GL_MakeCurrent(window, glContext) != 0) return CreationFailed("make the OpenGL context current");
    // Frames should not wait for the vertical retrace; not every driver lets us choose.
    if (SDL_GL_SetSwapInterval(0) != 0) LogLine("CreateGLWindow: swap interval left to the driver");

    sdl::LoadCursors();
    // Only a placement that did not fit can have its frame cross the edge.
    if (refitted && !windowState.maximized) FitFrameToScreen();
    SDL_RaiseWindow(window);
    int width = windowState.width, height = windowState.height;
    SDL_GetWindowSize(window, &width, &height);
    windowState.width = width;
    windowState.height = height > 0 ? height : 1;
    SetViewportSize(windowState.width, windowState.height);

    LogLine("CreateGLWindow: init gl");
    InitGLState();
    LogLine("CreateGLWindow: done");
    return true;
}

void DestroyMainWindow() {
    if (sdlStarted) sdl::FreeCursors();
    if (glContext) {
        LogLine("delete OpenGL context");
        SDL_GL_MakeCurrent(window, nullptr);
        SDL_GL_DeleteContext(glContext);
        glContext = nullptr;
    }
    if (window) {
        LogLine("destroy main window");
        SDL_DestroyWindow(window);
        window = nullptr;
    }
    if (sdlStarted) {
        SDL_QuitSubSystem(kSubsystems);
        sdlStarted = false;
    }
    state = nullptr;
}

void PumpEvents() {
    if (!window || !state) return;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (recorder.Record(event, ReadFacts(event), *state)) {
        case sdl::FollowUp::kNewSize:
            SetViewportSize(state->width, state->height);
            break;
        case sdl::FollowUp::kPaint:
            PaintFrame();
            break;
        case sdl::FollowUp::kApplyCursor:
            ApplyCursor();
            break;
        case sdl::FollowUp::kNone:
            break;
        }
    }
}

void StoreFinalPlacement() {
    if (state) state->maximized = window && (SDL_GetWindowFlags(window) & SDL_WINDOW_MAXIMIZED);
}

void SwapBuffers() {
    if (window) SDL_GL_SwapWindow(window);
}

void SetWindowTitle(const char* title) {
    if (window) SDL_SetWindowTitle(window, title);
}

void ClientToDesktopOffset(int& dx, int& dy) {
    dx = dy = 0;
    if (!window || !state) return;
    int clientX = 0, clientY = 0;
    SDL_GetWindowPosition(window, &clientX, &clientY);
    dx = clientX - state->x;
    dy = clientY - state->y;
}

bool ApplyCursor() {
    if (!state || !state->mouseInWindow) return false;
    sdl::ShowCursorKind(state->cursorHidden, state->cursorKind);
    return true;
}

}  // namespace platform
