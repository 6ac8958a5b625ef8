#include "app/main_loop.h"

#include "app/app_state.h"
#include "app/autosave.h"
#include "app/commands.h"
#include "app/frame_drawing.h"
#include "platform/platform.h"

namespace {

// Past this many passes without mouse movement the loop sleeps between
// passes instead of only yielding, so an idle program costs little.
constexpr int kBusyPasses = 30;
constexpr int kIdleSleepMs = 10;

}  // namespace

bool QuitConfirmed() { return ConfirmDiscard(); }

bool MainLoopPass() {
    platform::WindowState& w = app.window;
    ++w.idlePasses;
    platform::SleepMilliseconds(w.idlePasses > kBusyPasses ? kIdleSleepMs : 0);

    w.wheel = 0;
    platform::PumpEvents();

    if (w.closeRequested && QuitConfirmed()) return false;
    if (!UpdateFrame()) return false;
    w.closeRequested = false;

    DrawAndShowFrame();
    w.paintCount = 0;
    AutosavePass();
    return !w.quit;
}

