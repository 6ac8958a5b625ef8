#include "platform/fake/fake_input.h"

#include <algorithm>

#include "platform/key_latch.h"

namespace platform {

struct StickInput {
    uint8_t keyStates[kKeyCodeCount] = {};
    KeyLatch latch;
    std::vector<float> axes;
    bool keyboardEnabled = true;
};

namespace fake {

InputScript& Input() {
    static InputScript script;
    return script;
}

void ResetInput() { Input() = InputScript(); }

void Hold(std::initializer_list<int> keyCodes) {
    for (int code : keyCodes) {
        if (!Input().held.test(size_t(code))) Input().presses.push_back(code);
        Input().held.set(size_t(code));
    }
}

void Release(std::initializer_list<int> keyCodes) {
    for (int code : keyCodes) Input().held.reset(size_t(code));
}

void Tap(std::initializer_list<int> keyCodes) {
    for (int code : keyCodes) Input().presses.push_back(code);
}

}  // namespace fake

using fake::Input;

StickInput* CreateStickInput() {
    ++Input().created;
    return new StickInput;
}

void DestroyStickInput(StickInput* input) {
    if (!input) return;
    ++Input().destroyed;
    delete input;
}

void PollInput(StickInput* input) {
    if (!input) return;
    ++Input().polls;
    if (Input().onPoll) Input().onPoll(Input());
    input->keyboardEnabled = true;
    // The real keyboards hear every key-down as it happens, whenever the
    // snapshot is taken.
    for (int code : Input().presses) input->latch.Press(code);
    Input().presses.clear();
    for (int code = 0; code < kKeyCodeCount; ++code)
        input->keyStates[code] = Input().held.test(size_t(code)) ? 0x80 : 0;
    input->latch.MarkHeld(input->keyStates);
    input->axes = Input().axes;
    if (input->axes.size() > size_t(kMaxJoystickAxes)) input->axes.resize(size_t(kMaxJoystickAxes));
    for (float& value : input->axes) value = std::clamp(value, -1.0f, 1.0f);
}

bool KeyDown(const StickInput* input, int keyCode) {
    if (!input || !input->keyboardEnabled || keyCode < 0 || keyCode >= kKeyCodeCount) return false;
    return (input->keyStates[keyCode] & 0x80) != 0;
}

void IgnoreKeyboard(StickInput* input) {
    if (input) input->keyboardEnabled = false;
}

void UseKeyboard(StickInput* input) {
    if (input) input->keyboardEnabled = true;
}

void ForgetKeyPresses(StickInput*) {}

int JoystickAxisCount(const StickInput* input) { return input ? int(input->axes.size()) : 0; }

float JoystickAxis(const StickInput* input, int axis) {
    if (!input || axis < 0 || axis >= int(input->axes.size())) return 0.0f;
    return input->axes[size_t(axis)];
}

}  // namespace platform
