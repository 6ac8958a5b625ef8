#include "platform/sdl/cursors.h"

#include <SDL.h>

#include "platform/platform.h"

namespace platform {
namespace sdl {

namespace {

// Indexed by cursor kind; kind 1 means no cursor at all, so the crosshair
// loaded in its slot is never shown.
constexpr SDL_SystemCursor kSystemCursors[] = {
    SDL_SYSTEM_CURSOR_ARROW, SDL_SYSTEM_CURSOR_CROSSHAIR, SDL_SYSTEM_CURSOR_SIZEALL,
    SDL_SYSTEM_CURSOR_WAIT, SDL_SYSTEM_CURSOR_NO, SDL_SYSTEM_CURSOR_IBEAM,
};
constexpr int kKinds = sizeof kSystemCursors / sizeof kSystemCursors[0];
static_assert(kKinds == kCursorIBeam + 1, "one system cursor per cursor kind");

SDL_Cursor* cursors[kKinds] = {};
// What the window shows now, so that applying the same cursor every pass
// costs no round trip to the display server; -1: not known.
int shownKind = -1;

}  // namespace

void LoadCursors() {
    for (int i = 0; i < kKinds; ++i)
        if (!cursors[i]) cursors[i] = SDL_CreateSystemCursor(kSystemCursors[i]);
    shownKind = -1;
}

void FreeCursors() {
    for (SDL_Cursor*& cursor : cursors) {
        if (cursor) SDL_FreeCursor(cursor);
        cursor = nullptr;
    }
    shownKind = -1;
}

void ShowCursorKind(bool hidden, int kind) {
    if (!hidden && (kind < kCursorArrow || kind > kCursorIBeam)) return;
    const int wanted = hidden ? kCursorNone : kind;
    if (wanted == shownKind) return;
    if (wanted == kCursorNone) {
        SDL_ShowCursor(SDL_DISABLE);
    } else {
        if (cursors[wanted]) SDL_SetCursor(cursors[wanted]);
        SDL_ShowCursor(SDL_ENABLE);
    }
    shownKind = wanted;
}

}  // namespace sdl
}  // namespace platform
