#include "platform/sdl/command_line.h"

namespace platform {
namespace sdl {

std::string CommandLineFromArguments(int argc, const char* const* argv) {
    if (argc == 2) {
        const std::string only = argv[1];
        return only.find(' ') == std::string::npos ? only : "\"" + only + "\"";
    }
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        line += argv[i];
    }
    return line;
}

}  // namespace sdl
}  // namespace platform
