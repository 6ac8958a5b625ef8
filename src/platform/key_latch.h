#pragma once
#include <bitset>
#include <cstdint>

#include "platform/input.h"

namespace platform {

// The keys that went down since the keyboard's last snapshot. A snapshot
// alone loses a key pressed and released between two of them (a quick
// Ctrl+Z under load); the latch keeps the press so that the next snapshot
// shows the key held for one pass.
class KeyLatch {
public:
    // A key went down; codes outside 0..255 are ignored.
    void Press(int keyCode);
    // Marks every key pressed since the last call as held (0x80) in the
    // snapshot's key states, then forgets the presses.
    void MarkHeld(uint8_t keyStates[kKeyCodeCount]);
    // Forgets the presses (they belonged to a keyboard the window lost).
    void Clear();

private:
    std::bitset<kKeyCodeCount> pressed_;
};

}  // namespace platform
