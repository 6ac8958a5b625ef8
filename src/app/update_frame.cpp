#include "app/app_state.h"
#include "app/main_loop.h"
#include "app/view_navigation.h"
#include "platform/input.h"

namespace {

bool Held(int code) { return platform::KeyDown(app.input, code); }

ViewInput ReadViewInput() {
    const platform::WindowState& w = app.window;
    ViewInput in;
    in.mouseX = w.mouseX;
    in.mouseY = w.mouseY;
    in.windowWidth = w.width;
    in.windowHeight = w.height;
    in.canvasWidth = app.document.width;
    in.canvasHeight = app.document.height;
    in.altHeld = Held(platform::kKeyLeftAlt) || Held(platform::kKeyRightAlt);
    in.shiftHeld = Held(platform::kKeyLeftShift) || Held(platform::kKeyRightShift);
    in.spaceHeld = Held(platform::kKeySpace);
    in.leftButton = w.leftButton;
    in.numpadPlus = Held(platform::kKeyNumpadAdd);
    in.numpadMinus = Held(platform::kKeyNumpadSubtract);
    in.numpadStar = Held(platform::kKeyNumpadMultiply);
    in.fHeld = Held(platform::kKeyF);
    in.wheel = w.wheel;
    return in;
}

// The view's share of the pass, in the order its steps depend on each other.
void NavigateView() {
    const ViewInput in = ReadViewInput();
    ViewState& view = app.view;
    MouseToCanvas(view, in);
    ApplyZoomKeys(view, in);
    UpdateZoom(view);
    StepViewReset(view, in.canvasWidth, in.canvasHeight);
    TriggerRotationReset(view, in);
    StepRotationReset(view);
    ApplyMirrorKey(view, in);
    UpdateSpaceNavigation(view, in);
    SnapViewOffset(view);
}

}  // namespace

bool UpdateFrame() {
    platform::PollInput(app.input);
    NavigateView();
    return true;
}
