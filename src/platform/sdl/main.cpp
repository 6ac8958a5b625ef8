// The program's entry point on Linux.
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line_tool.h"
#include "app/program.h"
#include "platform/sdl/command_line.h"

int main(int argc, char* argv[]) {
    int exitCode = 0;
    std::string out, err;
    if (RunCommandLineTool(std::vector<std::string>(argv + 1, argv + argc), exitCode, out, err)) {
        std::fputs(out.c_str(), stdout);
        std::fputs(err.c_str(), stderr);
        return exitCode;
    }
    return RunProgram(platform::sdl::CommandLineFromArguments(argc, argv));
}
