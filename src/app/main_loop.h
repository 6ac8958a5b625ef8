#pragma once
#include <cstdint>

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

// Whether the next frame would differ from this one with no event coming:
// a button held, playback, a stroke, a command waiting, the view or the
// overview easing, a joystick, a layer-button pause, an open filter dialog's
// rest timer, a tooltip counting towards showing.
bool FrameChangesByItself();

// A timer of the program (autosave, say) asks for a pass at this clock time
// (platform::Milliseconds); the main loop's wait for events ends by then.
// The earliest request counts; it is dropped once its time has come.
void RequestPassAt(uint32_t milliseconds);
// How long an idle main loop may wait at clock time now: until the requested
// pass, at most a second; 0 when the requested time has come.
int IdleWaitMs(uint32_t now);
