// The program's entry point on Windows.
#include "app/command_line_tool.h"
#include "app/program.h"
#include "platform/win32/console_arguments.h"
#include "platform/win32/gl_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    int exitCode = 0;
    std::string out, err;
    if (RunCommandLineTool(Utf8Arguments(), exitCode, out, err)) {
        WriteStandardStreams(out, err);
        return exitCode;
    }
    SetProgramInstance(instance);
    return RunProgram(commandLine ? commandLine : "");
}
