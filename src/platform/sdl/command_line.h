#pragma once
#include <string>

namespace platform {
namespace sdl {

// The program's command line from main's arguments: joined with spaces. A
// lone argument that holds spaces is put in double quotes, so that a quoted
// file name comes through whole.
std::string CommandLineFromArguments(int argc, const char* const* argv);

}  // namespace sdl
}  // namespace platform
