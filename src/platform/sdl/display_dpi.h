#pragma once

namespace platform {
namespace sdl {

// The Xft.dpi value in an X resource database's text (as the root window's
// RESOURCE_MANAGER property holds it, one "name:\tvalue" a line): the DPI the
// desktop's scaling setting asks programs to use. 0 when the text names none
// or an unusable one.
int XftDpiFromResources(const char* resources);

}  // namespace sdl
}  // namespace platform
