#include "platform/sdl/command_line.h"

namespace platform {
namespace sdl {

std::string CommandLineFromArguments(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    // An unquoted line is taken whole, spaces and quotes included; only a
    // leading quote would be read as the start of a quoted name, and the
    // same file is reached through the current folder.
    if (!line.empty() && line[0] == '"') line = "./" + line;
    return line;
}

}  // namespace sdl
}  // namespace platform
