#pragma once
// The OpenGL 1.1 header. Windows' copy needs the system's calling-convention
// macros defined first; everywhere else it stands alone.
#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif
#include <GL/gl.h>
