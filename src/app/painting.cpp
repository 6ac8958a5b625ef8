#include "app/painting.h"

#include <cmath>

#include "app/app_state.h"
#include "app/file_commands.h"
#include "image/pixel_image.h"
#include "paint/brush_dab.h"
#include "paint/colour_pick.h"
#include "paint/flood_fill.h"
#include "paint/stroke_engine.h"
#include "paint/stroke_mask.h"
#include "platform/platform.h"
#include "platform/tablet.h"

namespace {

StrokeTarget Target() {
    return StrokeTarget{app.document, *app.brushShape, *app.dabBuffer, app.brush, app.tool};
}

void OnPenSample(const platform::PenSample& sample) { StrokeSampleAt(sample.x, sample.y, sample.pressure, true); }

bool CurrentLayerInvisible() {
    const Document& doc = app.document;
    if (doc.currentLayer < 0 || doc.currentLayer >= doc.layerCount) return true;
    const LayerInfo& layer = doc.layers[doc.currentLayer];
    return layer.hidden || layer.opacity == 0;
}

// Document pixel under the pointer, as the pixel tools use it.
void PointerPixel(int& x, int& y) {
    const Float3 c = ToolCanvasPoint(app.view, app.document.width);
    x = int(std::floor(c.x));
    y = int(std::floor(c.y));
}

void FillOnClick() {
    const bool down = app.window.leftButton;
    const bool pressed = down && !app.leftWasDown;
    app.leftWasDown = down;
    // The interface state is the previous pass's, as for painting: this pass's
    // interface is drawn after the input. A hidden layer is not filled: the
    // painter could not see what changed.
    if (!pressed || !app.ctrlHeld || app.clickTaken || app.altHeld || app.pointerOverInterface ||
        CurrentLayerInvisible())
        return;
    int x, y;
    PointerPixel(x, y);
    platform::WindowState& w = app.window;
    const int previous = w.cursorKind;
    const bool wasHidden = w.cursorHidden;
    w.cursorKind = platform::kCursorWait;
    w.cursorHidden = false;
    platform::ApplyCursor();
    const ColorRecord colour = app.tool.paint;
    FloodFill(app.document, x, y, colour, app.document.currentLayer);
    w.cursorKind = previous;
    w.cursorHidden = wasHidden;
    platform::ApplyCursor();
}

// The mix rate's base: the pressure scale, or the joystick, or the pen.
float PickPressure() {
    float w = app.brush.pressureScale;
    if (app.joystick.on) w = app.joystick.mousePressure;
    if (platform::PenInProximity()) w = platform::TabletPressure();
    return w;
}

void PickOnAlt() {
    if (!app.altHeld) {
        app.pickSessionOpen = false;
        return;
    }
    if (!app.pickSessionOpen) {
        BeginPick(app.pick, app.tool.primary);
        app.pickSessionOpen = true;
    }
    const bool down = app.window.leftButton;
    if (!app.pointerOverInterface && !app.clickTaken) {
        PickInput in;
        PointerPixel(in.x, in.y);
        in.shift = app.shiftHeld;
        in.control = app.ctrlHeld;
        in.leftButton = down;
        in.pressure = PickPressure();
        in.paintColour = app.tool.paint;
        PickColour(app.document, in, app.pick);
    }
    // The colour being edited is the brush colour while picking.
    if (!app.ctrlHeld) app.tool.primary = app.pick.edited;
}

// While the pen is near, its own samples run the stroke. A pen's last
// sample can come before its button is seen to go up, and X reports no pen
// leaving: without this a quick lift could leave the stroke uncommitted (no
// undo step) until the pen came back.
void MouseSample() {
    if (platform::PenInProximity()) {
        CommitReleasedStroke();
        return;
    }
    int dx = 0, dy = 0;
    platform::ClientToDesktopOffset(dx, dy);
    const platform::WindowState& w = app.window;
    StrokeSampleAt(float(w.mouseX + w.x + dx), float(w.mouseY + w.y + dy), app.joystick.mousePressure, false);
}

}  // namespace

void InitPainting() {
    app.brushShape = NewBrushImage();
    app.dabBuffer = NewBrushImage();
    BuildBrushShape(*app.brushShape, app.brush.radius, app.brush.hardness);
    InstallStrokePreview();
    platform::SetPenSampleHandler(OnPenSample);
}

void ShutdownPainting() {
    platform::SetPenSampleHandler(nullptr);
    delete app.brushShape;
    delete app.dabBuffer;
    app.brushShape = app.dabBuffer = nullptr;
}

void StrokeSampleAt(float screenX, float screenY, float pressure, bool fromPen) {
    if (!app.brushShape) return;
    const platform::WindowState& w = app.window;
    int dx = 0, dy = 0;
    platform::ClientToDesktopOffset(dx, dy);

    StrokeInput in;
    in.x = screenX - float(w.x + dx);
    in.y = screenY - float(w.y + dy);
    if (app.forceMouseCoordinates) {
        in.x = float(w.mouseX);
        in.y = float(w.mouseY);
    }
    in.pressure = pressure;
    in.leftButton = w.leftButton;
    in.rightButton = w.rightButton;
    in.shift = app.shiftHeld;
    in.control = app.ctrlHeld;
    in.space = app.spaceHeld;
    in.pickMode = app.altHeld;
    in.clickTaken = app.clickTaken || app.view.navigationMode != kNavigationNone;
    in.blocked = app.pointerOverInterface || CurrentLayerInvisible();
    in.tabletInProximity = platform::PenInProximity();
    in.tabletEraser = platform::PenEraserInUse();
    // Every mouse button-down marks the tablet's reading unknown, pen or not.
    if (fromPen || in.tabletInProximity) in.tabletPressure = platform::TabletPressure();
    in.windowWidth = w.width;
    in.windowHeight = w.height;
    in.zoom = app.view.zoomFactor;
    in.panX = app.view.viewOffset.x;
    in.panY = app.view.viewOffset.y;
    in.depth = app.view.viewOffset.z;
    in.rotation = app.view.viewRotation;
    in.mirrored = app.view.mirrored;
    StrokeSample(app.stroke, Target(), in);
}

void PaintingInput() {
    FillOnClick();
    PickOnAlt();
    if (app.tool.PaintMode == 0) app.tool.paint = app.tool.primary;
    // Between strokes the brush outline shows the brush's own size.
    if (app.stroke.count == 0) app.stroke.effectiveRadius = app.brush.radius;
    MouseSample();
    // A stroke without memory for new tiles or for its history paints what
    // it can; the painter hears of it when it has ended, not in the middle.
    if (app.stroke.count == 0 && app.stroke.shortOfMemory) {
        app.stroke.shortOfMemory = false;
        SayNotEnoughMemory();
    }
}

void CommitReleasedStroke() {
    const platform::WindowState& w = app.window;
    if (app.brushShape && app.stroke.count > 0 && !w.leftButton && !w.rightButton) EndStroke(app.stroke, Target());
}

void PrepareStrokePreview() { SetStrokePaint(app.tool.paint, app.tool.PaintMode); }

void DocumentWillChange() {
    if (app.brushShape) EndStroke(app.stroke, Target());
    CancelStroke(app.stroke);
}
