#pragma once
#include <SDL.h>

#include <cstdint>
#include <vector>

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

// What a controller axis is. Only the sticks' X, Y, Z and the three rotations
// are read; any other axis (a slider, a throttle, a wheel) is counted but
// reads 0, as on Windows.
enum class AxisKind { kX, kY, kZ, kRotationX, kRotationY, kRotationZ, kOther };

// The kinds of SDL's axes of a Linux event device, from the absolute axis
// codes the device has. SDL numbers only the axes a device has, in the order
// of their codes, and takes the hat codes as hats, so without this a throttle
// on a stick without Z would be read as Z.
std::vector<AxisKind> AxisKindsFromEventCodes(const std::vector<int>& absoluteAxisCodes);

// The axes a game controller offers, in the order a Linux event device has
// them (left stick X and Y, left trigger as Z, right stick as the X and Y
// rotations, right trigger as the Z rotation), as SDL's controller axes.
struct ControllerAxis {
    AxisKind kind;
    SDL_GameControllerAxis axis;
};
extern const ControllerAxis kControllerAxes[6];

}  // namespace sdl
}  // namespace platform
