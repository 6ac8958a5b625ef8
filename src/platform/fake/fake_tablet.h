#pragma once
#include "platform/tablet.h"

// A scripted tablet for tests of the program above the platform: a test sets
// the pen's state, sends samples as the tablet would, and reads back what the
// program asked of it.
namespace platform::fake {

struct FakeTablet {
    bool present = false;  // what TabletInit reports
    bool open = false;     // between a successful TabletInit and TabletClose
    bool inProximity = false;
    bool eraser = false;
    float pressure = 0;  // what TabletPressure returns, as the real ones: level / 255
    PenSampleHandler handler = nullptr;
    int inits = 0, closes = 0;
    bool leftWasDown = false, rightWasDown = false;
};

// The tablet behind every tablet call; ResetTablet starts a test afresh.
FakeTablet& Tablet();
void ResetTablet();

// The mouse buttons as the window's events left them: like both real
// backends, a button going down makes a pressure of 0 "not known yet" (-1),
// pen or no pen, and a button going up makes it 0. The fake platform calls
// this after every pump.
void FollowMouseButtons(bool left, bool right);

// Hands a sample to the installed handler, as a packet would; false when no
// handler is installed or the tablet is not open.
bool SendPenSample(float x, float y, float pressure);

}  // namespace platform::fake
