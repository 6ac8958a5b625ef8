// The program's entry point on Linux.
#include "app/program.h"
#include "platform/sdl/command_line.h"

int main(int argc, char* argv[]) { return RunProgram(platform::sdl::CommandLineFromArguments(argc, argv)); }
