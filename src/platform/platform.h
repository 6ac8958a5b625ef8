#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Everything the portable program asks of the operating system. One backend
// implements it per system (platform/win32, platform/sdl, and platform/fake
// for tests); the rest of the program never includes a system header.
namespace platform {

// What the window's events leave behind for the next pass of the main loop.
// The backend writes it whenever events arrive (also while the system holds
// the thread in a modal loop); the program reads it and clears what it consumes.
struct WindowState {
    // Mouse, in logical client pixels with y down; x = -1 until the first movement.
    int mouseX = -1, mouseY = -1;
    bool leftButton = false, rightButton = false;
    bool middleButton = false;
    bool mouseInWindow = false;
    int wheel = 0;          // -1, 0 or +1: the direction of the pass's last wheel step
    uint8_t typedChar = 0;  // last character typed; the text field consumes it
    bool closeRequested = false;
    bool quit = false;      // the system's quit message: end after this pass
    int exitCode = 0;       // what the quit message asks the program to return
    int idlePasses = 0;     // reset by every mouse movement
    int paintCount = 0;     // redraw requests since the main loop last drew

    // Placement of the outer window on the desktop and the logical client size.
    int x = 0, y = 0;
    int width = 950, height = 650;
    bool maximized = true;

    int cursorKind = 0;
    bool cursorHidden = false;
};

enum CursorKind { kCursorArrow = 0, kCursorNone = 1, kCursorSizeAll = 2, kCursorWait = 3, kCursorNo = 4, kCursorIBeam = 5 };

// Creates the window at state's placement with a double-buffered RGBA OpenGL
// context (colourBits colour bits, 16 depth bits) current on this thread,
// shows it (maximized when state.maximized) and sets the pixel projection.
// The backend keeps writing events into state until DestroyMainWindow. On any
// failure it shows "Could not create window", tears down what it made and
// returns false.
bool CreateMainWindow(const char* title, WindowState& state, int colourBits);
// Safe on a half-made or absent window.
void DestroyMainWindow();

// Handles every pending event without blocking.
void PumpEvents();

// Blocks until the window has an event to handle (input, a system message,
// a WakeMainLoop from any thread) or timeoutMs have passed, without using
// the processor meanwhile; the event stays for PumpEvents. True when an
// event ended the wait.
bool WaitForEvent(int timeoutMs);
// Safe from any thread: ends the main thread's WaitForEvent now, or the
// next one when none is waiting (for work that finishes off the main thread).
void WakeMainLoop();

// Called at most once, on the thread that noticed, when the system takes the
// window away with no close request the program could answer (on X11 the
// connection to the display is cut, as xkill does). The program writes what
// it keeps at exit; the backend then ends the process with exit code 0.
// Windows always asks with a close message first and never calls it.
using WindowLostHandler = void (*)();
void SetWindowLostHandler(WindowLostHandler handler);
// At the end of the program: the placement to keep for the next start goes
// into the window state: whether the window is maximized. A minimised window
// counts as what it comes back as and, where the system keeps it, takes the
// outer position and client size it has when restored.
void StoreFinalPlacement();
void SwapBuffers();
void SetWindowTitle(const char* title);

// The window frame's share of a desktop position: desktop coordinates of a
// logical client position are the position plus the window's x, y plus this.
void ClientToDesktopOffset(int& dx, int& dy);

// Shows state.cursorKind, or no cursor while state.cursorHidden; false when
// the pointer is outside the window and the system's cursor applies.
bool ApplyCursor();

// An OK/Cancel question with the exclamation icon: true only for OK. A box
// that cannot be shown, or is closed without an answer, counts as Cancel, so
// that nothing is thrown away unasked.
bool AskOkCancel(const char* title, const char* text);
// An error box with an OK button.
void ShowError(const char* title, const char* text);

// The lists of file types the file dialogs offer (see file_types.h).
enum FileDialogType { kFilesOpen = 0, kFilesSave = 1, kFilesExport = 2 };

// The system's file dialogs, titled "Open" and "Save As", owned by the main
// window where the system allows it, offering the file types of type (a
// FileDialogType); the save dialog asks before overwriting a file. The main
// window takes no input while one is up. name: in, the name to offer (may be
// empty); out, the chosen full path. False when cancelled or the dialog
// cannot be shown.
bool OpenFileDialog(int type, std::string& name);
bool SaveFileDialog(int type, std::string& name);

// A picture on the system clipboard comes as a PNG file (what browsers,
// image editors and screenshot tools offer) or as a device-independent
// bitmap (a BITMAPINFOHEADER followed by optional masks and the pixel rows,
// as Windows' CF_DIB).
enum ClipboardImageKind { kClipboardPng = 0, kClipboardDib = 1 };

// Whether the clipboard offers a picture in either form.
bool ClipboardHasImage();
// The picture copied out, the PNG when both are offered; kind says which.
// False when there is none or it cannot be fetched.
bool ReadClipboardImage(std::vector<uint8_t>& bytes, int& kind);
// Puts one picture on the clipboard in both forms, replacing what it held,
// for other programs to paste. False when the system refuses it.
bool WriteClipboardImage(const std::vector<uint8_t>& png, const std::vector<uint8_t>& dib);

// Full path of the running program file; empty if it cannot be found whole.
std::string ProgramFile();
// This user's own folder for the program's settings (XDG_CONFIG_HOME/orvella,
// or ~/.config/orvella; %APPDATA%\Orvella on Windows), for when the program's
// folder takes no files. Not created here; empty when the system names none.
std::string UserSettingsFolder();
int ProcessorCount();
// The main display's dots per inch as the system's settings give it (96 is
// 100 %); 96 when the system does not say.
int DisplayDpi();
// Bytes of physical memory; 0 when the system does not say.
uint64_t PhysicalMemoryBytes();
uint32_t Milliseconds();
void SleepMilliseconds(int ms);  // 0 yields the processor

}  // namespace platform
