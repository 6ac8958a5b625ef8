#pragma once
#include <SDL.h>

#include <cstdint>

#include "platform/input.h"

// SDL's keyboard and joystick readings in the form the program reads them on
// every system: DirectInput key codes and axes from -1 to 1.
namespace platform {
namespace sdl {

// The DirectInput key code at the same keyboard position as the scancode;
// 0 for a key that has none (and for scancodes out of range).
int KeyCodeFromScancode(int scancode);

// Fills the 256 key states (0x80 = held, by key code) from SDL's keyboard
// state array of numKeys entries. Without the keyboard focus nothing is held:
// keys pressed or released meanwhile belong to another window.
void SnapshotKeys(const Uint8* sdlKeys, int numKeys, bool hasKeyboardFocus, uint8_t keyStates[kKeyCodeCount]);

// An SDL axis position (-32768 .. 32767) as -1 .. 1.
float AxisFromSdl(Sint16 position);

}  // namespace sdl
}  // namespace platform
