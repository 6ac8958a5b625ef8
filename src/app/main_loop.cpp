#include "app/main_loop.h"

#include "app/app_state.h"
#include "app/autosave.h"
#include "app/commands.h"
#include "app/filter_dialogs.h"
#include "app/frame_drawing.h"
#include "platform/platform.h"
#include "ui/widgets.h"

namespace {

// Past this many passes without mouse movement the loop sleeps between
// passes instead of only yielding; with nothing moving at all it waits for
// the next event instead of drawing the same frame again.
constexpr int kBusyPasses = 30;
constexpr int kIdleSleepMs = 10;
// Passes drawn after an event ends the wait, so that what one pass asks of
// the next (a panel button's request, a key's release) is carried out.
constexpr int kSettlePasses = 3;
// The longest wait: anything that changes the frame by itself but is not
// named below still shows within this time.
constexpr int kLongestWaitMs = 1000;

bool passRequested = false;
uint32_t passRequestedAt = 0;

bool ButtonHeld(const platform::WindowState& w) { return w.leftButton || w.rightButton || w.middleButton; }

bool ViewEasing(const ViewState& v) {
    return v.zoomFactor != v.zoomTarget || v.viewResetFrames > 0 || v.rotationResetFrames > 0 ||
           v.navigationMode != kNavigationNone;
}

bool OverviewMoving(const OverviewState& o) {
    if (!o.show) return o.slide > 0.01f;
    return o.slide < 1.0f || (o.fade != 1.0f && o.fade != -2.0f) || o.fullRefresh;
}

}  // namespace

bool FrameChangesByItself() {
    if (ButtonHeld(app.window) || app.playing || app.stroke.count > 0 || !app.pendingCommand.empty()) return true;
    if (ViewEasing(app.view) || OverviewMoving(app.canvas.overview)) return true;
    // Polled devices, per-pass counters and rest timers.
    if (app.joystick.on || app.layerPanel.actionPause > 0 || FilterDialogOpen() || TooltipCounting()) return true;
    return false;
}

void RequestPassAt(uint32_t milliseconds) {
    if (passRequested && int32_t(milliseconds - passRequestedAt) >= 0) return;
    passRequested = true;
    passRequestedAt = milliseconds;
}

int IdleWaitMs(uint32_t now) {
    if (!passRequested) return kLongestWaitMs;
    const int32_t left = int32_t(passRequestedAt - now);
    if (left <= 0) {
        passRequested = false;
        return 0;
    }
    return left < kLongestWaitMs ? left : kLongestWaitMs;
}

namespace {

// Between passes: yield while the pointer has just moved, keep a 10 ms pace
// while the frame changes by itself, otherwise wait for an event.
void Pace(platform::WindowState& w) {
    if (w.idlePasses <= kBusyPasses) {
        platform::SleepMilliseconds(0);
        return;
    }
    if (FrameChangesByItself()) {
        platform::SleepMilliseconds(kIdleSleepMs);
        return;
    }
    const int wait = IdleWaitMs(platform::Milliseconds());
    if (wait > 0 && platform::WaitForEvent(wait)) w.idlePasses = kBusyPasses - kSettlePasses;
}

}  // namespace

bool QuitConfirmed() { return ConfirmDiscard(); }

bool MainLoopPass() {
    platform::WindowState& w = app.window;
    ++w.idlePasses;
    Pace(w);

    w.wheel = 0;
    platform::PumpEvents();

    if (w.closeRequested && QuitConfirmed()) return false;
    if (!UpdateFrame()) return false;
    w.closeRequested = false;

    DrawAndShowFrame();
    w.paintCount = 0;
    AutosavePass();
    // A due autosave copies the changed tiles over several passes: an idle
    // loop must wake for it.
    const int autosaveDue = AutosaveDueInMs();
    if (autosaveDue >= 0) RequestPassAt(platform::Milliseconds() + uint32_t(autosaveDue));
    return !w.quit;
}

