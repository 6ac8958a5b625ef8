// The main loop's wait for events, on SDL's event queue.
#include <SDL.h>

#include "platform/platform.h"

namespace platform {

bool WaitForEvent(int timeoutMs) { return SDL_WaitEventTimeout(nullptr, timeoutMs < 0 ? 0 : timeoutMs) == 1; }

// An event of the application's own range: PumpEvents passes over it, its
// arrival alone ends the wait. SDL_PushEvent may be called from any thread.
void WakeMainLoop() {
    if (!SDL_WasInit(SDL_INIT_EVENTS)) return;
    SDL_Event event{};
    event.type = SDL_USEREVENT;
    SDL_PushEvent(&event);
}

}  // namespace platform
