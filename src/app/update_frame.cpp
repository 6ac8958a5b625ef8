#include <algorithm>
#include <utility>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/edits.h"
#include "app/file_commands.h"
#include "app/joystick_pressure.h"
#include "app/main_loop.h"
#include "app/painting.h"
#include "app/view_navigation.h"
#include "image/animation.h"
#include "image/color_record.h"
#include "image/layer_clipboard.h"
#include "image/memory_guard.h"
#include "image/undo.h"
#include "platform/input.h"
#include "platform/platform.h"

namespace {

using namespace platform;

bool Held(int code) { return KeyDown(app.input, code); }

// True on the pass the group goes from no key held to some key held; memory
// remembers the group's state for the next pass.
bool Pressed(bool heldNow, bool& memory) {
    const bool pressed = heldNow && !memory;
    memory = heldNow;
    return pressed;
}

ViewInput ReadViewInput() {
    const WindowState& w = app.window;
    ViewInput in;
    in.mouseX = w.mouseX;
    in.mouseY = w.mouseY;
    in.windowWidth = w.width;
    in.windowHeight = w.height;
    in.canvasWidth = app.document.width;
    in.canvasHeight = app.document.height;
    // The popup the key opened takes the wheel, as the one Alt opens does.
    in.altHeld = app.altHeld || app.popups.keyOpen;
    in.shiftHeld = app.shiftHeld;
    in.spaceHeld = app.spaceHeld;
    in.leftButton = w.leftButton;
    // The + and - of the main keyboard zoom as the numpad's do (+ is the
    // = key, with or without Shift); Ctrl+0 fits the picture in the window.
    in.numpadPlus = Held(kKeyNumpadAdd) || (Held(kKeyEquals) && !app.ctrlHeld);
    in.numpadMinus = Held(kKeyNumpadSubtract) || (Held(kKeyMinus) && !app.ctrlHeld);
    in.numpadStar = Held(kKeyNumpadMultiply);
    in.fitKey = Held(kKey0) && app.ctrlHeld;
    in.middleButton = w.middleButton;
    in.fHeld = Held(kKeyF);
    in.wheel = w.wheel;
    return in;
}

void ReadStateKeys() {
    app.escapeHeld = Held(kKeyEscape);
    app.tabHeld = Held(kKeyTab);
    app.enterHeld = Held(kKeyEnter);
    app.enterPressed = Pressed(app.enterHeld, app.enterWasHeld);
}

void ReadModifierKeys() {
    // P held picks as Alt does, for desktops whose window manager takes
    // Alt+click for itself.
    app.altHeld = Held(kKeyLeftAlt) || Held(kKeyRightAlt) || Held(kKeyP);
    app.shiftHeld = Held(kKeyLeftShift) || Held(kKeyRightShift);
    app.ctrlHeld = Held(kKeyLeftCtrl) || Held(kKeyRightCtrl);
    app.spaceHeld = Held(kKeySpace);
    if (Pressed(Held(kKeyF1), app.helpKeyHeld)) app.showHelp = !app.showHelp;
}

// The interval never divides by zero: a file may store 0 frames per second.
uint32_t TickInterval(int framesPerSecond) { return uint32_t(1000 / std::max(framesPerSecond, 1)); }

int FrameDuration(const Document& doc) {
    const int frame = doc.currentFrame;
    if (frame < 0 || size_t(frame) >= doc.durations.size()) return 1;
    return doc.durations[size_t(frame)];
}

void AnimationKeys() {
    Document& doc = app.document;
    const bool right = Held(kKeyRight), left = Held(kKeyLeft);
    const bool step = Pressed(right || left, app.frameKeysHeld);
    const bool down = Held(kKeyDown), up = Held(kKeyUp);
    if (!doc.animationMode || DialogHoldsDocument()) {
        app.playing = false;
        return;
    }
    if (step) SetFrame(doc, doc.currentFrame + (right ? 1 : -1));

    if (!down && !up) {
        app.playing = false;
        return;
    }
    const uint32_t now = Milliseconds();
    if (!app.playing) {
        app.playing = true;
        app.playbackTicksLeft = 1;
        app.playbackLastTick = now;
    }
    const uint32_t interval = TickInterval(doc.framesPerSecond);
    // Unsigned difference, so a wrapping clock keeps the pace.
    if (now - app.playbackLastTick >= interval) {
        --app.playbackTicksLeft;
        app.playbackLastTick += interval;
    }
    if (app.playbackTicksLeft < 1) {
        SetFrame(doc, doc.currentFrame + (up ? -1 : 1));
        app.playbackTicksLeft = FrameDuration(doc);
    }
}

// Ctrl+V with nothing in the layer clipboard: a picture on the system
// clipboard becomes the document.
void PasteBitmap() {
    if (!PasteImageFromClipboard(false)) return;
    if (app.document.modified && !AskOkCancel("Confirm new image", "Changes will be lost, ok?")) return;
    PasteImageFromClipboard(true);
}

void PasteLayer() {
    if (!BeginDocumentEdit(kStepPasteLayer, -1)) return;
    TakeMemoryShortage();
    if (PasteLayerFromClipboard(app.document)) {
        EndDocumentEdit();
    } else {
        CancelDocumentEdit();
        SayIfOutOfMemory();
    }
}

void CopyLayer() {
    TakeMemoryShortage();
    if (!CopyLayerToClipboard(app.document)) SayIfOutOfMemory();
}

void LayerKeys() {
    Document& doc = app.document;
    // While a dialog works on the document, nothing else may change it.
    const bool ctrl = app.ctrlHeld && !DialogHoldsDocument();
    app.mergeRequested = Pressed(Held(kKeyE), app.mergeKeyHeld) && ctrl;

    const bool copy = Held(kKeyC), paste = Held(kKeyV);
    if (Pressed(copy || paste, app.clipboardKeysHeld) && ctrl) {
        if (copy && app.shiftHeld)
            CopyPictureToClipboard();
        else if (copy)
            CopyLayer();
        else if (doc.clipboardFilled)
            PasteLayer();
        else
            PasteBitmap();
    }
    // Ctrl+Z undoes; Ctrl+Shift+Z and Ctrl+Y redo. A key that came in the
    // pass a stroke's button went up acts on the finished stroke.
    const bool undo = Pressed(Held(kKeyZ), app.undoKeyHeld) && ctrl;
    const bool redo = Pressed(Held(kKeyY), app.redoKeyHeld) && ctrl;
    if (undo || redo) CommitReleasedStroke();
    if (undo) {
        if (app.shiftHeld)
            RedoEdit();
        else
            UndoEdit();
    }
    if (redo) RedoEdit();
    if (Pressed(Held(kKeyI), app.filterKeyHeld) && ctrl) PostCommand("filter 0");
}

void ToolKeys() {
    const bool x = Held(kKeyX), e = Held(kKeyE), b = Held(kKeyB);
    if (Pressed(x || e || b, app.toolKeysHeld)) {
        if (x && !app.window.leftButton) app.colorSwapRequested = true;
        if (e && !app.ctrlHeld) app.toolToggleRequested = true;
        if (b && !app.ctrlHeld && app.tool.PaintMode != 0) app.toolToggleRequested = true;
    }

    const bool bottomLayer = app.document.currentLayer == 0;
    if (app.colorSwapRequested) {
        if (app.tool.PaintMode == 0) {
            std::swap(app.tool.primary, app.tool.secondary);
        } else if (!bottomLayer) {
            // Erasing turns into restoring and back.
            app.tool.paint.Set(3, 255 - app.tool.paint.value[3]);
        }
    }
    if (app.toolToggleRequested) SelectEraser(app.tool, app.tool.PaintMode == 0, bottomLayer);
    // Requests last one pass, whether a key or a panel button made them.
    app.colorSwapRequested = false;
    app.toolToggleRequested = false;

    // The bottom layer has no transparency to erase to: the eraser there
    // paints the background colour.
    if (app.tool.PaintMode == 2 && bottomLayer) {
        app.tool.PaintMode = 1;
        app.tool.paint = app.tool.secondary;
    }
}

// [ and ] make the brush smaller and larger, with Shift softer and harder;
// Q opens the brush popup under the pointer (or closes it).
void BrushKeys() {
    const bool smaller = Held(kKeyLeftBracket), larger = Held(kKeyRightBracket);
    if (Pressed(smaller || larger, app.brushKeysHeld) && !app.ctrlHeld && smaller != larger) {
        if (app.shiftHeld)
            StepBrushHardness(larger ? 1 : -1);
        else
            StepBrushSize(larger ? 1 : -1);
    }
    if (Pressed(Held(kKeyQ), app.popupKeyHeld) && !app.ctrlHeld) app.popups.keyToggleRequested = true;
}

void FileKeys() {
    const bool s = Held(kKeyS), l = Held(kKeyL), o = Held(kKeyO), r = Held(kKeyR), n = Held(kKeyN);
    if (!Pressed(s || l || o || r || n, app.fileKeysHeld) || !app.ctrlHeld || DialogHoldsDocument()) return;
    if (o || l || r) PostCommand("open");
    if (s) PostCommand(app.shiftHeld ? "saveas" : "save");
    if (n) PostCommand("new-dimensions");
}

void ChooseCursor() {
    WindowState& w = app.window;
    const int oldKind = w.cursorKind;
    const bool oldHidden = w.cursorHidden;
    int kind = kCursorNone;
    bool hidden = false;

    if (app.pointerOverInterface || app.spaceHeld) {
        const bool grabbing = app.spaceHeld && (InsideNavigationCircle(app.view, w.width, w.height) ||
                                                app.view.navigationMode == kNavigationScrolling);
        kind = grabbing ? kCursorSizeAll : kCursorArrow;
    } else {
        // The brush outline marks the pointer well enough while it is of a
        // size that can be seen and is not too large to aim with.
        const float onScreen = app.stroke.effectiveRadius * app.view.zoomFactor;
        hidden = onScreen > 2.0f && onScreen < 50.0f && !app.altHeld && app.brush.hardness != 1.0f &&
                 !app.brush.pressureControlledSize && !app.brush.lineAvoidance;
        const Document& doc = app.document;
        const bool lockedLayer = doc.currentLayer >= 0 && doc.currentLayer < doc.layerCount &&
                                 doc.layers[doc.currentLayer].lockTransparency;
        if (app.tool.PaintMode != 0 && lockedLayer) kind = kCursorNo;
    }
    if (app.ctrlHeld && !app.pointerOverInterface) {
        kind = kCursorNone;
        hidden = false;
    }
    if (app.noCursorRequested) {
        kind = kCursorNo;
        hidden = false;
    }
    if (app.textCursorRequested) {
        kind = kCursorIBeam;
        hidden = false;
    }
    app.noCursorRequested = false;
    app.textCursorRequested = false;

    const bool waiting = !app.pendingCommand.empty();
    if (waiting) {
        kind = kCursorWait;
        hidden = false;
    }
    w.cursorKind = kind;
    w.cursorHidden = hidden;
    if (waiting || kind != oldKind || hidden != oldHidden) ApplyCursor();
}

}  // namespace

bool UpdateFrame() {
    PollInput(app.input);

    // Tested before a text field takes the keyboard away, so the program can
    // always be closed.
    const bool alt = Held(kKeyLeftAlt) || Held(kKeyRightAlt);
    if (alt && Held(kKeyF4) && ConfirmDiscard()) return false;

    if (!DispatchCommands() && ConfirmDiscard()) return false;

    ReadStateKeys();
    const bool textFieldHasKeyboard = !app.keyboardShortcutsEnabled;
    if (textFieldHasKeyboard) IgnoreKeyboard(app.input);
    ReadModifierKeys();

    const ViewInput in = ReadViewInput();
    ViewState& view = app.view;
    MouseToCanvas(view, in);
    AnimationKeys();
    ApplyZoomKeys(view, in);
    UpdateZoom(view);
    StepViewReset(view, in.canvasWidth, in.canvasHeight);
    TriggerRotationReset(view, in);
    StepRotationReset(view);
    if (ApplyMirrorKey(view, in)) app.clickTaken = true;
    LayerKeys();
    UpdateSpaceNavigation(view, in);
    SnapViewOffset(view);
    ToolKeys();
    BrushKeys();
    FileKeys();
    UpdateJoystickPressure(app.joystick, app.input);

    PaintingInput();
    ChooseCursor();
    RefreshWindowTitle();

    if (textFieldHasKeyboard) UseKeyboard(app.input);
    return true;
}
