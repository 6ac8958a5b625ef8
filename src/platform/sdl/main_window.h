#pragma once
#include <SDL.h>

namespace platform {
namespace sdl {

// The program's window, or null before it is made and after it is gone;
// message boxes open above it.
SDL_Window* MainWindow();

}  // namespace sdl
}  // namespace platform
