#pragma once
// The tablet on Windows through Wintab32.dll, loaded at run time; the rest of
// the tablet interface is platform/tablet.h.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// The window procedure hands every message here before its own handling:
// tablet packets become pen samples at once, and the mouse buttons and
// activation reset the pen's pressure. Always 0; it never stops the window
// procedure's own handling.
LRESULT TabletMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
