// The program's entry point on Windows.
#include "app/program.h"
#include "platform/win32/gl_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    SetProgramInstance(instance);
    return RunProgram(commandLine ? commandLine : "");
}
