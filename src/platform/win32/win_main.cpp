// The program's entry point on Windows.
#include "app/program.h"
#include "platform/win32/gl_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    // The interface scales itself to the display's DPI: the system must not
    // enlarge (and blur) the window's pixels as it does for programs that do not.
    SetProcessDPIAware();
    SetProgramInstance(instance);
    return RunProgram(commandLine ? commandLine : "");
}
