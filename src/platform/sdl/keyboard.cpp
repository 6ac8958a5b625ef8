// The keyboard and up to four game controllers on SDL2. SDL keeps both
// states itself as events arrive, so everything is read on the main thread
// once a pass, with no poll thread; an event watch keeps the key presses in
// between, so that a key pressed and released within one pass still counts.
#include <SDL.h>
#include <fcntl.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/input.h"
#include "platform/key_latch.h"
#include "platform/log.h"
#include "platform/sdl/keyboard_map.h"
#include "platform/sdl/main_window.h"

namespace platform {

namespace {

constexpr int kMaxJoysticks = 4;

struct Joystick {
    SDL_Joystick* device = nullptr;
    SDL_GameController* controller = nullptr;  // read through its mapping when set
    int axisCount = 0;
    sdl::AxisKind kinds[kMaxJoystickAxes] = {};
    SDL_GameControllerAxis controllerAxes[kMaxJoystickAxes] = {};
    float values[kMaxJoystickAxes] = {};
};

}  // namespace

struct StickInput {
    bool joystickSystemStarted = false;
    uint8_t keyStates[kKeyCodeCount] = {};
    KeyLatch latch;
    bool keyboardEnabled = true;
    Joystick joysticks[kMaxJoysticks];
    int joystickCount = 0;
    int currentJoystick = 0;
};

namespace {

// The absolute axis codes of a Linux event device, in ascending order; false
// when the device cannot be asked.
bool EventDeviceAxisCodes(const char* path, std::vector<int>& codes) {
    if (!path || std::strncmp(path, "/dev/input/event", 16) != 0) return false;
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    unsigned long bits[ABS_CNT / (8 * sizeof(unsigned long)) + 1] = {};
    const bool asked = ioctl(fd, EVIOCGBIT(EV_ABS, sizeof bits), bits) >= 0;
    close(fd);
    if (!asked) return false;
    constexpr size_t kBitsPerWord = 8 * sizeof(unsigned long);
    for (int code = 0; code < ABS_CNT; ++code)
        if (bits[size_t(code) / kBitsPerWord] & (1ul << (size_t(code) % kBitsPerWord))) codes.push_back(code);
    return true;
}

void SetAxes(Joystick& joystick, const std::vector<sdl::AxisKind>& kinds) {
    joystick.axisCount = int(std::min(kinds.size(), size_t(kMaxJoystickAxes)));
    for (int axis = 0; axis < joystick.axisCount; ++axis) joystick.kinds[axis] = kinds[size_t(axis)];
}

// Which of the device's axes are the sticks' X, Y, Z and rotations: from the
// event device's own axis codes where it can be asked, else through SDL's
// controller mapping, else by position (SDL numbers X, Y, Z, Rx, Ry, Rz first
// when a device has them all).
void FindAxisKinds(Joystick& joystick, int index) {
    const int sdlAxes = SDL_JoystickNumAxes(joystick.device);
    if (sdlAxes < 0) LogLine("Error - failed to enumerate axes");
    std::vector<int> codes;
    if (EventDeviceAxisCodes(SDL_JoystickPath(joystick.device), codes)) {
        const std::vector<sdl::AxisKind> kinds = sdl::AxisKindsFromEventCodes(codes);
        if (int(kinds.size()) == sdlAxes) {
            SetAxes(joystick, kinds);
            return;
        }
    }
    if (SDL_IsGameController(index) && (joystick.controller = SDL_GameControllerOpen(index))) {
        std::vector<sdl::AxisKind> kinds;
        for (int axis = 0; axis < 6; ++axis) {
            kinds.push_back(sdl::kControllerAxes[axis].kind);
            joystick.controllerAxes[axis] = sdl::kControllerAxes[axis].axis;
        }
        SetAxes(joystick, kinds);
        LogLine("Joystick %i read as a game controller", index);
        return;
    }
    std::vector<int> byPosition;
    for (int axis = 0; axis < sdlAxes; ++axis) byPosition.push_back(axis);
    SetAxes(joystick, sdl::AxisKindsFromEventCodes(byPosition));
}

void OpenJoysticks(StickInput& in) {
    LogLine("Enumerating joysticks...");
    const int attached = SDL_NumJoysticks();
    for (int index = 0; index < attached; ++index) {
        LogLine("Joystick callback");
        // A fifth controller has no slot; the first four are kept.
        if (in.joystickCount >= kMaxJoysticks) break;
        SDL_Joystick* device = SDL_JoystickOpen(index);
        if (!device) {
            LogLine("Error - failed to open joystick: %s", SDL_GetError());
            break;
        }
        Joystick& joystick = in.joysticks[in.joystickCount];
        joystick.device = device;
        LogLine("Added joystick %i", in.joystickCount);
        ++in.joystickCount;
    }
    for (int i = 0; i < in.joystickCount; ++i) {
        Joystick& joystick = in.joysticks[i];
        FindAxisKinds(joystick, i);
        LogLine("Joystick %i initialized - %i axes", i, joystick.axisCount);
    }
    LogLine("A total of %i joysticks were found", in.joystickCount);
}

// Runs as SDL queues each event, on the thread pumping them (the main one).
int WatchKeys(void* context, SDL_Event* event) {
    if (event->type == SDL_KEYDOWN && !event->key.repeat)
        static_cast<StickInput*>(context)->latch.Press(sdl::KeyCodeFromScancode(event->key.keysym.scancode));
    return 0;
}

void ReadJoystick(Joystick& joystick) {
    // A controller pulled out keeps its last readings, as a failed read does on Windows.
    if (!SDL_JoystickGetAttached(joystick.device)) return;
    for (int axis = 0; axis < joystick.axisCount; ++axis) {
        if (joystick.kinds[axis] == sdl::AxisKind::kOther) continue;  // stays 0
        const Sint16 position = joystick.controller
                                    ? SDL_GameControllerGetAxis(joystick.controller, joystick.controllerAxes[axis])
                                    : SDL_JoystickGetAxis(joystick.device, axis);
        joystick.values[axis] = sdl::AxisFromSdl(position);
    }
}

}  // namespace

StickInput* CreateStickInput() {
    LogLine("Init StickInput");
    auto* in = new StickInput;
    in->keyboardEnabled = true;
    SDL_AddEventWatch(WatchKeys, in);
    if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0) {
        LogLine("Error - failed to start the joystick system: %s", SDL_GetError());
        return in;
    }
    in->joystickSystemStarted = true;
    // Readings are taken once a pass with SDL_JoystickUpdate; the events would
    // only fill the queue.
    SDL_JoystickEventState(SDL_IGNORE);
    SDL_GameControllerEventState(SDL_IGNORE);
    OpenJoysticks(*in);
    in->currentJoystick = 0;
    return in;
}

void DestroyStickInput(StickInput* in) {
    if (!in) return;
    LogLine("Destroy StickInput");
    SDL_DelEventWatch(WatchKeys, in);
    for (int i = 0; i < in->joystickCount; ++i) {
        if (in->joysticks[i].controller) SDL_GameControllerClose(in->joysticks[i].controller);
        SDL_JoystickClose(in->joysticks[i].device);
    }
    if (in->joystickSystemStarted) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
    delete in;
}

void PollInput(StickInput* in) {
    if (!in) return;
    in->keyboardEnabled = true;
    int numKeys = 0;
    const Uint8* sdlKeys = SDL_GetKeyboardState(&numKeys);
    SDL_Window* window = sdl::MainWindow();
    const bool focus = window && SDL_GetKeyboardFocus() == window;
    sdl::SnapshotKeys(sdlKeys, numKeys, focus, in->keyStates);
    if (focus)
        in->latch.MarkHeld(in->keyStates);
    else
        in->latch.Clear();

    if (in->joystickCount == 0) return;
    SDL_JoystickUpdate();
    for (int i = 0; i < in->joystickCount; ++i) ReadJoystick(in->joysticks[i]);
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
    if (in) in->latch.Clear();
}

int JoystickAxisCount(const StickInput* in) {
    if (!in || in->joystickCount == 0) return 0;
    return in->joysticks[in->currentJoystick].axisCount;
}

float JoystickAxis(const StickInput* in, int axis) {
    if (!in || in->joystickCount == 0) return 0.0f;
    const Joystick& joystick = in->joysticks[in->currentJoystick];
    if (axis < 0 || axis >= joystick.axisCount) return 0.0f;
    return joystick.values[axis];
}

}  // namespace platform
