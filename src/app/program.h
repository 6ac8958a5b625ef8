#pragma once
#include <string>

// The program's life, shared by every platform backend: the backend's entry
// point (WinMain or main) hands over the command line and returns what this
// returns as the exit code.
int RunProgram(const std::string& commandLine);

// Draws and shows one frame outside the main loop, for a backend whose main
// loop is held up by the system (the Win32 modal sizing loop sends paint
// messages); the backend calls it from its paint handling when the paint
// count is above 2.
void PaintFrame();

// GL set-up shared by the backends: the fixed state right after the context
// is made, and the pixel projection for a new client size (-1 keeps the
// stored size; a height of 0 becomes 1).
bool InitGLState();
void SetViewportSize(int width, int height);
