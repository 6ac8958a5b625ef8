#pragma once

// One pass of the main loop: pace, handle the window's events, run the frame's
// input and draw. False when the program is to end.
bool MainLoopPass();

// Whether a close request ends the program: always for an unmodified
// document, otherwise unless the user cancels the question.
bool QuitConfirmed();

// Handles the frame's input; false ends the program (the user has confirmed).
bool UpdateFrame();
// Draws the whole window.
void DrawFrame();
