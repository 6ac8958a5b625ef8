#pragma once
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/input.h"

// The keyboard and game controllers through DirectInput 8. platform::
// CreateStickInput opens them for the program's main window; this is the
// same with the window and module instance given.
platform::StickInput* CreateStickInputFor(HWND window, HINSTANCE instance);
