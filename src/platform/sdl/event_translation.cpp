#include "platform/sdl/event_translation.h"

#include <cmath>

namespace platform {
namespace sdl {

namespace {

// The control characters a Windows keyboard delivers as typed characters,
// which SDL reports only as key presses.
uint8_t ControlChar(SDL_Keycode key) {
    switch (key) {
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 13;
    case SDLK_ESCAPE: return 27;
    default: return 0;
    }
}

int WheelDirection(const SDL_MouseWheelEvent& wheel) {
    // preciseY carries the fractional steps of smooth-scrolling wheels, whose
    // whole-step y can stay 0.
    float y = wheel.preciseY != 0.0f ? wheel.preciseY : static_cast<float>(wheel.y);
    if (wheel.direction == SDL_MOUSEWHEEL_FLIPPED) y = -y;
    if (y == 0.0f) return 0;
    return y < 0.0f ? -1 : 1;
}

void SetSize(WindowState& state, int width, int height) {
    state.width = width;
    state.height = height == 0 ? 1 : height;
}

}  // namespace

int ScaleToLogical(int position, int realExtent, int logicalExtent) {
    if (realExtent <= 0) return position;
    return static_cast<int>(std::lround(static_cast<double>(position) / realExtent * logicalExtent));
}

uint8_t LastLatin1Char(const char* utf8) {
    uint8_t last = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(utf8);
    while (*p) {
        uint32_t code;
        int extra;
        if (*p < 0x80) {
            code = *p;
            extra = 0;
        } else if ((*p & 0xE0) == 0xC0) {
            code = *p & 0x1F;
            extra = 1;
        } else if ((*p & 0xF0) == 0xE0) {
            code = *p & 0x0F;
            extra = 2;
        } else if ((*p & 0xF8) == 0xF0) {
            code = *p & 0x07;
            extra = 3;
        } else {
            ++p;  // a stray continuation or invalid byte
            continue;
        }
        ++p;
        bool whole = true;
        for (int i = 0; i < extra; ++i, ++p) {
            if ((*p & 0xC0) != 0x80) {
                whole = false;
                break;
            }
            code = (code << 6) | (*p & 0x3F);
        }
        if (whole && code <= 0xFF) last = static_cast<uint8_t>(code);
    }
    return last;
}

FollowUp EventRecorder::Record(const SDL_Event& event, const WindowFacts& facts, WindowState& state) {
    switch (event.type) {
    case SDL_QUIT:
        state.closeRequested = true;
        return FollowUp::kNone;
    case SDL_WINDOWEVENT:
        return RecordWindowEvent(event.window, facts, state);
    case SDL_TEXTINPUT:
        if (uint8_t c = LastLatin1Char(event.text.text)) state.typedChar = c;
        return FollowUp::kNone;
    case SDL_KEYDOWN:
        if (uint8_t c = ControlChar(event.key.keysym.sym)) state.typedChar = c;
        return FollowUp::kNone;
    case SDL_MOUSEMOTION:
        state.mouseInWindow = true;
        state.mouseX = ScaleToLogical(event.motion.x, facts.clientWidth, state.width);
        state.mouseY = ScaleToLogical(event.motion.y, facts.clientHeight, state.height);
        state.idlePasses = 0;
        return FollowUp::kApplyCursor;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const bool down = event.type == SDL_MOUSEBUTTONDOWN;
        if (event.button.button == SDL_BUTTON_LEFT) state.leftButton = down;
        if (event.button.button == SDL_BUTTON_RIGHT) state.rightButton = down;
        if (event.button.button == SDL_BUTTON_MIDDLE) state.middleButton = down;
        return FollowUp::kNone;
    }
    case SDL_MOUSEWHEEL:
        if (int direction = WheelDirection(event.wheel)) state.wheel = direction;
        return FollowUp::kNone;
    default:
        return FollowUp::kNone;
    }
}

FollowUp EventRecorder::RecordWindowEvent(const SDL_WindowEvent& event, const WindowFacts& facts,
                                          WindowState& state) {
    switch (event.event) {
    case SDL_WINDOWEVENT_MOVED:
        if (minimized_) return FollowUp::kNone;
        state.x = event.data1 - facts.borderLeft;
        state.y = event.data2 - facts.borderTop;
        return FollowUp::kNone;
    case SDL_WINDOWEVENT_RESIZED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
        if (minimized_) return FollowUp::kNone;
        SetSize(state, event.data1, event.data2);
        return FollowUp::kNewSize;
    case SDL_WINDOWEVENT_MINIMIZED:
        minimized_ = true;
        return FollowUp::kNone;
    case SDL_WINDOWEVENT_MAXIMIZED:
        minimized_ = false;
        return FollowUp::kNone;
    case SDL_WINDOWEVENT_RESTORED:
        // Moves and resizes that arrived while minimised were dropped.
        minimized_ = false;
        state.x = facts.clientX - facts.borderLeft;
        state.y = facts.clientY - facts.borderTop;
        SetSize(state, facts.clientWidth, facts.clientHeight);
        return FollowUp::kNewSize;
    case SDL_WINDOWEVENT_EXPOSED:
        return ++state.paintCount > 2 ? FollowUp::kPaint : FollowUp::kNone;
    case SDL_WINDOWEVENT_CLOSE:
        state.closeRequested = true;
        return FollowUp::kNone;
    case SDL_WINDOWEVENT_ENTER:
        state.mouseInWindow = true;
        return FollowUp::kApplyCursor;
    case SDL_WINDOWEVENT_LEAVE:
        state.leftButton = false;
        state.rightButton = false;
        state.middleButton = false;
        state.mouseInWindow = false;
        return FollowUp::kNone;
    default:
        return FollowUp::kNone;
    }
}

}  // namespace sdl
}  // namespace platform
