#pragma once
#include "platform/platform.h"
#include "platform/win32/window_events.h"
#include "ui/gl.h"

// The program's one window with its OpenGL context, and the window procedure
// that turns the window's messages into the shared WindowState.

// The module instance, stored by WinMain before anything else runs.
void SetProgramInstance(HINSTANCE instance);

// Creates the window at state's placement and size with a current GL context
// and keeps a pointer to state for the window procedure until DestroyGLWindow.
// On any failure it shows "Could not create window", tears down what it made
// and returns false.
bool CreateGLWindow(const char* title, platform::WindowState& state, int colourBits);
// Safe on a half-made or absent window.
void DestroyGLWindow();

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Sets the cursor the state asks for; false when the pointer is outside the
// window and the system's cursor applies.
bool ApplyCursor();

// The window and its device context; null before creation and after teardown.
HWND MainWindow();
HDC MainDeviceContext();
// The state the window procedure writes; null while there is no window.
platform::WindowState* CurrentWindowState();
// The frame the main window's styles put around its client area.
FrameInsets CurrentFrameInsets();
