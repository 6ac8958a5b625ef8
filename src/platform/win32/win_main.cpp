// The program's entry point on Windows.
#include "app/program.h"
#include "platform/win32/gl_window.h"
#include "platform/win32/wide_text.h"

// WinMain's own command line is in the ANSI code page, which loses file names
// in other scripts; the wide one holds any name.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The interface scales itself to the display's DPI: the system must not
    // enlarge (and blur) the window's pixels as it does for programs that do not.
    SetProcessDPIAware();
    SetProgramInstance(instance);
    const wchar_t* commandLine = GetCommandLineW();
    return RunProgram(ArgumentsAfterProgramName(Utf8FromWide(commandLine ? commandLine : L"")));
}
