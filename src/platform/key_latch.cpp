#include "platform/key_latch.h"

namespace platform {

void KeyLatch::Press(int keyCode) {
    if (keyCode >= 0 && keyCode < kKeyCodeCount) pressed_.set(size_t(keyCode));
}

void KeyLatch::MarkHeld(uint8_t keyStates[kKeyCodeCount]) {
    for (int code = 0; code < kKeyCodeCount; ++code)
        if (pressed_.test(size_t(code))) keyStates[code] |= 0x80;
    pressed_.reset();
}

void KeyLatch::Clear() { pressed_.reset(); }

}  // namespace platform
