// The keyboard and up to four game controllers through DirectInput 8. A poll
// thread asks the controllers for fresh data every 10 ms, since polling can be
// slow; the main thread copies the keyboard state every pass and the
// controllers' states whenever a poll has completed. The keyboard also keeps
// a buffer of its key events, so that a key pressed and released between two
// passes still shows held for one.
#define DIRECTINPUT_VERSION 0x0800
#include "input/dinput.h"

#include <dinput.h>

#include <chrono>
#include <cstring>
#include <thread>

#include "input/dinput_joystick.h"
#include "platform/key_latch.h"
#include "platform/log.h"
#include "platform/win32/gl_window.h"

// The portable key codes are DirectInput's own.
static_assert(platform::kKeyEscape == DIK_ESCAPE && platform::kKeyTab == DIK_TAB &&
              platform::kKeyEnter == DIK_RETURN && platform::kKeySpace == DIK_SPACE);
static_assert(platform::kKeyLeftCtrl == DIK_LCONTROL && platform::kKeyRightCtrl == DIK_RCONTROL &&
              platform::kKeyLeftShift == DIK_LSHIFT && platform::kKeyRightShift == DIK_RSHIFT &&
              platform::kKeyLeftAlt == DIK_LMENU && platform::kKeyRightAlt == DIK_RMENU);
static_assert(platform::kKeyF1 == DIK_F1 && platform::kKeyF4 == DIK_F4);
static_assert(platform::kKeyNumpadMultiply == DIK_MULTIPLY && platform::kKeyNumpadSubtract == DIK_SUBTRACT &&
              platform::kKeyNumpadAdd == DIK_ADD);
static_assert(platform::kKeyUp == DIK_UP && platform::kKeyLeft == DIK_LEFT && platform::kKeyRight == DIK_RIGHT &&
              platform::kKeyDown == DIK_DOWN);
static_assert(platform::kKeyR == DIK_R && platform::kKeyY == DIK_Y && platform::kKeyE == DIK_E && platform::kKeyI == DIK_I &&
              platform::kKeyO == DIK_O && platform::kKeyS == DIK_S && platform::kKeyF == DIK_F &&
              platform::kKeyL == DIK_L && platform::kKeyZ == DIK_Z && platform::kKeyX == DIK_X &&
              platform::kKeyC == DIK_C && platform::kKeyV == DIK_V && platform::kKeyB == DIK_B &&
              platform::kKeyN == DIK_N);

namespace platform {

struct StickInput {
    IDirectInput8A* directInput = nullptr;
    HWND window = nullptr;

    IDirectInputDevice8A* keyboard = nullptr;
    uint8_t keyStates[kKeyCodeCount] = {};
    KeyLatch latch;
    bool keyboardEnabled = true;

    input::JoystickRecord records[input::kMaxJoysticks];
    IDirectInputDevice8A* joysticks[input::kMaxJoysticks] = {};
    int joystickCount = 0;
    int currentJoystick = 0;

    std::thread pollThread;
    std::atomic<bool> stop{false};
    input::SampleHandoff samples;
};

}  // namespace platform

namespace {

using platform::StickInput;

// Key events kept between two passes; far more than a typist makes in one.
constexpr DWORD kKeyEventBuffer = 64;

input::AxisKind KindOf(const GUID& type) {
    if (IsEqualGUID(type, GUID_XAxis)) return input::AxisKind::kX;
    if (IsEqualGUID(type, GUID_YAxis)) return input::AxisKind::kY;
    if (IsEqualGUID(type, GUID_ZAxis)) return input::AxisKind::kZ;
    if (IsEqualGUID(type, GUID_RxAxis)) return input::AxisKind::kRotationX;
    if (IsEqualGUID(type, GUID_RyAxis)) return input::AxisKind::kRotationY;
    if (IsEqualGUID(type, GUID_RzAxis)) return input::AxisKind::kRotationZ;
    return input::AxisKind::kOther;
}

BOOL CALLBACK AddJoystick(LPCDIDEVICEINSTANCEA device, LPVOID context) {
    StickInput& in = *static_cast<StickInput*>(context);
    LogLine("Joystick callback");
    // A fifth controller has no slot; the first four are kept.
    if (in.joystickCount >= input::kMaxJoysticks) return DIENUM_STOP;
    IDirectInputDevice8A* joystick = nullptr;
    if (FAILED(in.directInput->CreateDevice(device->guidInstance, &joystick, nullptr)) || !joystick)
        return DIENUM_STOP;
    in.joysticks[in.joystickCount] = joystick;
    LogLine("Added joystick %i", in.joystickCount);
    ++in.joystickCount;
    return DIENUM_CONTINUE;
}

struct AxisEnumeration {
    IDirectInputDevice8A* device;
    input::JoystickRecord* record;
};

BOOL CALLBACK AddAxis(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID context) {
    AxisEnumeration& e = *static_cast<AxisEnumeration*>(context);
    if (!(object->dwType & DIDFT_AXIS)) return DIENUM_CONTINUE;
    // A ninth axis has no slot; it is left alone.
    if (!e.record->AddAxis(KindOf(object->guidType))) return DIENUM_CONTINUE;
    DIPROPRANGE range{};
    range.diph.dwSize = sizeof range;
    range.diph.dwHeaderSize = sizeof range.diph;
    range.diph.dwHow = DIPH_BYID;
    range.diph.dwObj = object->dwType;
    range.lMin = -1000;
    range.lMax = 1000;
    if (FAILED(e.device->SetProperty(DIPROP_RANGE, &range.diph))) return DIENUM_STOP;
    return DIENUM_CONTINUE;
}

void SetUpJoystick(StickInput& in, int i) {
    IDirectInputDevice8A* joystick = in.joysticks[i];
    input::JoystickRecord& record = in.records[i];
    record.axisCount = 0;
    if (FAILED(joystick->SetDataFormat(&c_dfDIJoystick2))) LogLine("Error - failed to set data format");
    if (FAILED(joystick->SetCooperativeLevel(in.window, DISCL_EXCLUSIVE | DISCL_FOREGROUND)))
        LogLine("Error - failed to set coop level");
    AxisEnumeration enumeration{joystick, &record};
    if (FAILED(joystick->EnumObjects(AddAxis, &enumeration, DIDFT_AXIS))) LogLine("Error - failed to enumerate axes");
    joystick->Acquire();
    LogLine("Joystick %i initialized - %i axes", i, record.axisCount);
}

void CreateKeyboard(StickInput& in) {
    if (FAILED(in.directInput->CreateDevice(GUID_SysKeyboard, &in.keyboard, nullptr)) || !in.keyboard) {
        in.keyboard = nullptr;
        LogLine("Error - failed to create keyboard device");
        return;
    }
    // In the foreground mode the keyboard reads fail while another window has
    // the focus, and a failed read leaves every key not held.
    in.keyboard->SetCooperativeLevel(in.window, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
    in.keyboard->SetDataFormat(&c_dfDIKeyboard);
    DIPROPDWORD buffer{};
    buffer.diph.dwSize = sizeof buffer;
    buffer.diph.dwHeaderSize = sizeof buffer.diph;
    buffer.diph.dwHow = DIPH_DEVICE;
    buffer.dwData = kKeyEventBuffer;
    if (FAILED(in.keyboard->SetProperty(DIPROP_BUFFERSIZE, &buffer.diph)))
        LogLine("Error - failed to set the keyboard buffer");
}

// Latches the key-downs buffered since the last pass. A buffer that overflowed
// still hands over the events it kept.
void ReadKeyPresses(StickInput& in) {
    DIDEVICEOBJECTDATA events[kKeyEventBuffer];
    DWORD count = kKeyEventBuffer;
    if (FAILED(in.keyboard->GetDeviceData(sizeof events[0], events, &count, 0))) return;
    for (DWORD i = 0; i < count; ++i)
        if (events[i].dwData & 0x80) in.latch.Press(int(events[i].dwOfs));
}

void PollJoysticks(StickInput* in) {
    LogLine("Starting poll thread");
    while (!in->stop.load(std::memory_order_acquire)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!in->samples.MayPoll()) continue;
        for (int i = 0; i < in->joystickCount; ++i) in->joysticks[i]->Poll();
        in->samples.Publish();
    }
    in->samples.Publish();
}

void ReadKeyboard(StickInput& in) {
    if (in.keyboard && SUCCEEDED(in.keyboard->GetDeviceState(sizeof in.keyStates, in.keyStates))) {
        ReadKeyPresses(in);
        in.latch.MarkHeld(in.keyStates);
        return;
    }
    if (in.keyboard) in.keyboard->Acquire();
    std::memset(in.keyStates, 0, sizeof in.keyStates);
    in.latch.Clear();
}

void ReadJoystick(StickInput& in, int i) {
    DIJOYSTATE2 state{};
    input::JoystickRecord& record = in.records[i];
    if (FAILED(in.joysticks[i]->GetDeviceState(sizeof state, &state))) {
        if (record.ReadFailed()) in.joysticks[i]->Acquire();
        return;
    }
    input::AxisPositions positions;
    positions.x = state.lX;
    positions.y = state.lY;
    positions.z = state.lZ;
    positions.rotationX = state.lRx;
    positions.rotationY = state.lRy;
    positions.rotationZ = state.lRz;
    record.ReadSucceeded(positions);
}

}  // namespace

platform::StickInput* CreateStickInputFor(HWND window, HINSTANCE instance) {
    LogLine("Init StickInput");
    auto* in = new StickInput;
    in->window = window;
    in->keyboardEnabled = true;

    if (FAILED(DirectInput8Create(instance, 0x0800, IID_IDirectInput8A, reinterpret_cast<void**>(&in->directInput),
                                  nullptr)) ||
        !in->directInput) {
        in->directInput = nullptr;
        LogLine("Error - failed to create DirectInput");
        return in;
    }
    CreateKeyboard(*in);

    LogLine("Enumerating joysticks...");
    in->joystickCount = 0;
    in->directInput->EnumDevices(DI8DEVCLASS_GAMECTRL, AddJoystick, in, DIEDFL_ATTACHEDONLY);
    for (int i = 0; i < in->joystickCount; ++i) SetUpJoystick(*in, i);
    LogLine("A total of %i joysticks were found", in->joystickCount);
    if (in->keyboard) in->keyboard->Acquire();

    for (int i = 0; i < in->joystickCount; ++i) {
        in->records[i].failedReads = 0;
        for (float& value : in->records[i].values) value = 0.0f;
        in->records[i].smoothing = 1.0f;
    }
    in->currentJoystick = 0;
    if (in->joystickCount > 0) in->pollThread = std::thread(PollJoysticks, in);
    return in;
}

namespace platform {

StickInput* CreateStickInput() { return CreateStickInputFor(::MainWindow(), GetModuleHandleA(nullptr)); }

void DestroyStickInput(StickInput* in) {
    if (!in) return;
    LogLine("Destroy StickInput");
    in->stop.store(true, std::memory_order_release);
    LogLine("Waiting for poll thread to close");
    if (in->pollThread.joinable()) in->pollThread.join();
    for (int i = 0; i < in->joystickCount; ++i) {
        in->joysticks[i]->Unacquire();
        in->joysticks[i]->Release();
    }
    if (in->keyboard) {
        in->keyboard->Unacquire();
        in->keyboard->Release();
    }
    if (in->directInput) in->directInput->Release();
    delete in;
}

void PollInput(StickInput* in) {
    if (!in) return;
    in->keyboardEnabled = true;
    ReadKeyboard(*in);
    if (!in->samples.Ready()) return;
    for (int i = 0; i < in->joystickCount; ++i) ReadJoystick(*in, i);
    in->samples.Consumed();
}

bool KeyDown(const StickInput* in, int keyCode) {
    if (!in || !in->keyboardEnabled || keyCode < 0 || keyCode >= kKeyCodeCount) return false;
    return (in->keyStates[keyCode] & 0x80) != 0;
}

void IgnoreKeyboard(StickInput* in) {
    if (in) in->keyboardEnabled = false;
}

void UseKeyboard(StickInput* in) {
    if (in) in->keyboardEnabled = true;
}

void ForgetKeyPresses(StickInput* in) {
    if (!in) return;
    if (in->keyboard) {
        // A null buffer with INFINITE empties the device's buffer.
        DWORD count = INFINITE;
        in->keyboard->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), nullptr, &count, 0);
    }
    in->latch.Clear();
}

int JoystickAxisCount(const StickInput* in) {
    if (!in || in->joystickCount == 0) return 0;
    return in->records[in->currentJoystick].axisCount;
}

float JoystickAxis(const StickInput* in, int axis) {
    if (!in || in->joystickCount == 0) return 0.0f;
    const input::JoystickRecord& record = in->records[in->currentJoystick];
    if (axis < 0 || axis >= record.axisCount) return 0.0f;
    return record.values[axis];
}

}  // namespace platform
