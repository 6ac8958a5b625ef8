// The keyboard and up to four game controllers on SDL2. SDL keeps both
// states itself as events arrive, so everything is read on the main thread
// once a pass, with no poll thread; an event watch keeps the key presses in
// between, so that a key pressed and released within one pass still counts.
#include <SDL.h>

#include "platform/input.h"
#include "platform/key_latch.h"
#include "platform/log.h"
#include "platform/sdl/keyboard_map.h"
#include "platform/sdl/main_window.h"

namespace platform {

namespace {

constexpr int kMaxJoysticks = 4;
// SDL numbers a controller's axes X, Y, Z, Rx, Ry, Rz first; further ones
// (sliders, throttles) are counted but read 0, as they do on Windows.
constexpr int kReadAxes = 6;

struct Joystick {
    SDL_Joystick* device = nullptr;
    int axisCount = 0;
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
        const int axes = SDL_JoystickNumAxes(joystick.device);
        if (axes < 0) LogLine("Error - failed to enumerate axes");
        joystick.axisCount = axes < 0 ? 0 : (axes > kMaxJoystickAxes ? kMaxJoystickAxes : axes);
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
    const int readable = joystick.axisCount < kReadAxes ? joystick.axisCount : kReadAxes;
    for (int axis = 0; axis < readable; ++axis)
        joystick.values[axis] = sdl::AxisFromSdl(SDL_JoystickGetAxis(joystick.device, axis));
}

}  // namespace

StickInput* CreateStickInput() {
    LogLine("Init StickInput");
    auto* in = new StickInput;
    in->keyboardEnabled = true;
    SDL_AddEventWatch(WatchKeys, in);
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) {
        LogLine("Error - failed to start the joystick system: %s", SDL_GetError());
        return in;
    }
    in->joystickSystemStarted = true;
    // Readings are taken once a pass with SDL_JoystickUpdate; the events would
    // only fill the queue.
    SDL_JoystickEventState(SDL_IGNORE);
    OpenJoysticks(*in);
    in->currentJoystick = 0;
    return in;
}

void DestroyStickInput(StickInput* in) {
    if (!in) return;
    LogLine("Destroy StickInput");
    SDL_DelEventWatch(WatchKeys, in);
    for (int i = 0; i < in->joystickCount; ++i) SDL_JoystickClose(in->joysticks[i].device);
    if (in->joystickSystemStarted) SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
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
