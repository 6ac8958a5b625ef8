#pragma once
#include <string>

namespace platform {
namespace sdl {

// The program's command line from main's arguments, joined with spaces, in
// the form the program reads back as exactly that file name: unquoted (an
// unquoted line is taken whole), with "./" before a name that begins with a
// double quote. X file names may hold double quotes anywhere; quoting the
// name would cut it at the first one.
std::string CommandLineFromArguments(int argc, const char* const* argv);

}  // namespace sdl
}  // namespace platform
