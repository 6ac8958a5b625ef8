#pragma once
#include <SDL.h>

namespace platform {
namespace sdl {

// A box with one OK button, above the main window when there is one.
void ShowOkBox(Uint32 iconFlag, const char* title, const char* text);

}  // namespace sdl
}  // namespace platform
