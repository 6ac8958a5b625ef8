#pragma once
#include <SDL.h>

#include <cstdint>

#include "platform/platform.h"

namespace platform {
namespace sdl {

// The window as it is when an event is handled: the real client size, and
// for move and restore events the client's desktop origin and the frame.
struct WindowFacts {
    int clientX = 0, clientY = 0;
    int clientWidth = 0, clientHeight = 0;
    int borderLeft = 0, borderTop = 0;
};

// What the caller still has to do once an event is recorded.
enum class FollowUp {
    kNone,
    kNewSize,      // SetViewportSize with state's width and height
    kPaint,        // PaintFrame
    kApplyCursor,  // ApplyCursor
};

// Turns SDL events into the window state the program reads once a pass.
class EventRecorder {
public:
    FollowUp Record(const SDL_Event& event, const WindowFacts& facts, WindowState& state);

private:
    FollowUp RecordWindowEvent(const SDL_WindowEvent& event, const WindowFacts& facts, WindowState& state);

    // A minimised window's placement is meaningless to store or restore.
    bool minimized_ = false;
};

// The last character of UTF-8 text that fits one Latin-1 byte; 0 if none does.
uint8_t LastLatin1Char(const char* utf8);

// A client coordinate scaled from the real client extent into the logical one,
// rounded to the nearest pixel.
int ScaleToLogical(int position, int realExtent, int logicalExtent);

}  // namespace sdl
}  // namespace platform
