#pragma once
#include <cstdint>

// The keyboard and game controllers, read once per pass of the main loop.
// Keys are named by their DirectInput key codes on every system: a code names
// a position on the keyboard, not the character printed on it, so shortcuts
// stay where they are under any layout.
namespace platform {

// The key codes the program tests (DirectInput's DIK_ values).
constexpr int kKeyEscape = 0x01;
constexpr int kKeyTab = 0x0F;
constexpr int kKeyEnter = 0x1C;
constexpr int kKeyLeftCtrl = 0x1D;
constexpr int kKeyLeftShift = 0x2A;
constexpr int kKeyRightShift = 0x36;
constexpr int kKeyLeftAlt = 0x38;
constexpr int kKeySpace = 0x39;
constexpr int kKeyRightCtrl = 0x9D;
constexpr int kKeyRightAlt = 0xB8;

constexpr int kKeyF1 = 0x3B;
constexpr int kKeyF4 = 0x3E;

constexpr int kKeyNumpadMultiply = 0x37;
constexpr int kKeyNumpadSubtract = 0x4A;
constexpr int kKeyNumpadAdd = 0x4E;

constexpr int kKeyUp = 0xC8;
constexpr int kKeyLeft = 0xCB;
constexpr int kKeyRight = 0xCD;
constexpr int kKeyDown = 0xD0;

constexpr int kKey0 = 0x0B;
constexpr int kKeyMinus = 0x0C;
constexpr int kKeyEquals = 0x0D;  // + with Shift on most layouts
constexpr int kKeyLeftBracket = 0x1A;
constexpr int kKeyRightBracket = 0x1B;

constexpr int kKeyQ = 0x10;
constexpr int kKeyP = 0x19;
constexpr int kKeyR = 0x13;
constexpr int kKeyY = 0x15;
constexpr int kKeyE = 0x12;
constexpr int kKeyI = 0x17;
constexpr int kKeyO = 0x18;
constexpr int kKeyS = 0x1F;
constexpr int kKeyF = 0x21;
constexpr int kKeyL = 0x26;
constexpr int kKeyZ = 0x2C;
constexpr int kKeyX = 0x2D;
constexpr int kKeyC = 0x2E;
constexpr int kKeyV = 0x2F;
constexpr int kKeyB = 0x30;
constexpr int kKeyN = 0x31;

constexpr int kKeyCodeCount = 256;
// At most this many axes of a controller are offered.
constexpr int kMaxJoystickAxes = 8;

// The keyboard and up to four controllers. One exists while the window does;
// the backend keeps the system devices inside it.
struct StickInput;

// Opens the keyboard and the attached controllers for the main window (which
// must exist). Never fails as a whole: a device that cannot be opened is left
// out and logged, and with no keyboard every key reads as not held.
StickInput* CreateStickInput();
// Stops any background polling and releases every device; null is allowed.
void DestroyStickInput(StickInput* input);

// Takes a fresh keyboard state and the latest controller readings and enables
// the keyboard again; the first thing of every pass. While the window lacks
// the keyboard focus every key reads as not held.
void PollInput(StickInput* input);
// Whether the key with this code was held at the last PollInput and the
// keyboard is enabled; false for codes outside 0..255 and a null input.
bool KeyDown(const StickInput* input, int keyCode);
// Until UseKeyboard or the next PollInput, every key reads as not held (while
// a text field has the keyboard).
void IgnoreKeyboard(StickInput* input);
void UseKeyboard(StickInput* input);
// Forgets the key presses not yet taken by a pass: those typed into a modal
// dialog (a file name) are the dialog's, not shortcuts for the program.
void ForgetKeyPresses(StickInput* input);

// Axes of the first controller found (at most kMaxJoystickAxes): 0 when there is none.
int JoystickAxisCount(const StickInput* input);
// The axis reading, -1 .. 1, as of the last PollInput; 0 for an index out of
// range or with no controller. Axes past the six of X, Y, Z and the three
// rotations (sliders and the like) are counted but read 0.
float JoystickAxis(const StickInput* input, int axis);

}  // namespace platform
