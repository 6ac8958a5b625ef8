// The program's entry point on Windows.
#include "app/command_line_tool.h"
#include "app/program.h"
#include "platform/win32/console_arguments.h"
#include "platform/win32/gl_window.h"
#include "platform/win32/wide_text.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    int exitCode = 0;
    std::string out, err;
    if (RunCommandLineTool(Utf8Arguments(), exitCode, out, err)) {
        WriteStandardStreams(out, err);
        return exitCode;
    }
    // The interface scales itself to the display's DPI: the system must not
    // enlarge (and blur) the window's pixels as it does for programs that do not.
    SetProcessDPIAware();
    SetProgramInstance(instance);
    const wchar_t* commandLine = GetCommandLineW();
    return RunProgram(ArgumentsAfterProgramName(Utf8FromWide(commandLine ? commandLine : L"")));
}
