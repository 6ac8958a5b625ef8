#pragma once
#include <bitset>
#include <functional>
#include <initializer_list>
#include <vector>

#include "platform/input.h"

// A scripted keyboard and controller for tests of the per-pass input
// handling. The script says what is held and where the axes stand; like the
// real devices, StickInput sees it only when PollInput takes a snapshot.
namespace platform::fake {

struct InputScript {
    std::bitset<kKeyCodeCount> held;  // by key code
    std::vector<int> presses;         // key-down events since the last snapshot
    std::vector<float> axes;          // the first controller's axes; empty = no controller
    std::function<void(InputScript&)> onPoll;  // changes the script before each snapshot

    // What the program did with it.
    int created = 0, destroyed = 0, polls = 0;
};

// The script behind every input call; ResetInput starts a test afresh.
InputScript& Input();
void ResetInput();

// Holds or releases keys by code, as a test would press them.
void Hold(std::initializer_list<int> keyCodes);
void Release(std::initializer_list<int> keyCodes);
// Presses and releases keys before the next snapshot, as a quick typist
// does between two passes: the snapshot never sees them held.
void Tap(std::initializer_list<int> keyCodes);

}  // namespace platform::fake
