#include "app/frame_drawing.h"

#include "app/app_state.h"
#include "app/filter_dialogs.h"
#include "app/main_loop.h"
#include "app/painting.h"
#include "app/panels.h"
#include "app/popups.h"
#include "app/program.h"
#include "image/document.h"
#include "image/workers.h"
#include "platform/platform.h"
#include "ui/canvas_view.h"
#include "ui/gl.h"
#include "ui/tile_texture.h"
#include "ui/ui_scale.h"
#include "ui/widgets.h"

void DrawAndShowFrame() {
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    DrawFrame();
    glFlush();
    platform::SwapBuffers();
}

// The paint count is left alone: while the system holds the main loop up,
// every further paint request redraws.
void PaintFrame() { DrawAndShowFrame(); }

namespace {

// The keys the interface reads this frame; a typed character is consumed here.
void HandKeysToInterface() {
    ui.typedChar = app.window.typedChar;
    app.window.typedChar = 0;
    ui.enterPressed = app.enterPressed;
    ui.escapePressed = app.escapeHeld;
    ui.showTooltips = app.showTooltips;
}

// What the next pass's input needs to know about the interface.
void TakeInterfaceFlags() {
    if (ui.pointer.clicked && ui.pointerOverInterface) ui.clickTaken = true;
    if (!ui.pointer.down) ui.clickTaken = false;
    app.pointerOverInterface = ui.pointerOverInterface;
    // The mirror key also takes the click; either way it lasts until the button is up.
    app.clickTaken = (app.clickTaken && ui.pointer.down) || ui.clickTaken;
    app.keyboardShortcutsEnabled = ui.keyboardShortcutsEnabled;
    if (ui.overEditableField) app.textCursorRequested = true;
}

// The interface half of the frame, in drawing order: later surfaces lie over
// earlier ones. It is laid out in logical units: the projection and the
// pointer the controls see are the one place the interface scale enters.
void DrawInterface(const CanvasFrameResult& canvas) {
    const platform::WindowState& w = app.window;
    const int scale = UiScale();
    InterfaceProjection(w.width, w.height, scale);
    glLineWidth(scale / 100.0f);
    BeginInterfaceFrame(LogicalFromWindow(w.mouseX, scale), LogicalFromWindow(w.mouseY, scale), w.leftButton,
                        LogicalSize(w.width, scale), LogicalSize(w.height, scale));
    app.drawingBlocked = false;
    if (canvas.tooltip) SetTooltip(canvas.tooltip);
    if (canvas.pointerOverInterface) ui.pointerOverInterface = true;
    HandKeysToInterface();
    ProcessEditKeys();

    ColourEditorAreaTest();
    DrawLayerPanel();
    DrawPopups();
    DrawSwatches();
    DrawMenuBar();
    if (app.showHelp) DrawHelpPopup();
    DrawFilterDialog();
    DrawCanvasSizeDialog();
    DrawAnimationPanel();
    DrawCanvasHints();
    DrawTooltip();
    TakeInterfaceFlags();
    glLineWidth(1);
}

}  // namespace

void DrawFrame() {
    PrepareStrokePreview();
    RenderDirtyTiles(app.document);
    ReleaseDroppedTextures(app.document);
    RenderDirtyThumbnails();

    const platform::WindowState& w = app.window;
    const ViewState& v = app.view;
    CanvasFrameInput in;
    in.windowWidth = w.width;
    in.windowHeight = w.height;
    in.transform = MakeCanvasTransform(w.width, w.height, v.zoomFactor, v.viewOffset.x, v.viewOffset.y, v.viewRotation,
                                       v.mirrored, app.document.width);
    in.overlay.pointerX = w.mouseX;
    in.overlay.pointerY = w.mouseY;
    in.overlay.pointerInWindow = w.mouseInWindow;
    in.overlay.canvasCursor = {v.canvasCursor.x, v.canvasCursor.y};
    in.overlay.leftButton = w.leftButton;
    in.overlay.navigating = NavigationCircleShows(v, app.spaceHeld);
    in.overlay.brushRadius = app.stroke.effectiveRadius;
    in.overlay.brushSize = app.brush.radius;
    in.overlay.hardness = app.brush.hardness;
    in.overlay.paintMode = app.tool.PaintMode;
    in.overlay.altHeld = app.altHeld;
    in.overlay.controlHeld = app.ctrlHeld;
    in.overlay.shiftHeld = app.shiftHeld;
    in.overlay.strokeDrawn = app.document.strokeDrawn;
    in.overlay.lastPainted = {app.stroke.p1.x, app.stroke.p1.y};
    // Over the canvas the system cursor is off; the cursor rules hide the
    // crosshair too while the brush outline alone marks the pointer.
    in.overlay.cursorHidden = w.cursorKind == platform::kCursorNone;
    in.overlay.brushCircleMarksPointer = w.cursorHidden;
    in.overlay.pointerOverInterface = app.pointerOverInterface;
    // Both as the interface half of the previous frame found them.
    in.overlay.pointerInBrushShapeSquare = app.popups.brushSquareHot;
    // The menu bar is drawn after the canvas: this is still the previous frame's.
    in.pointerOverMenuBar = ui.pointerOverTopBar;
    const CanvasFrameResult canvas = DrawCanvasView(app.canvas, app.document, in);
    DrawInterface(canvas);
}

bool InitGLState() {
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.5f, 0.5f, 0.5f, 0.0f);
    glClearDepth(1.0);
    glDepthMask(GL_FALSE);
    glDisable(GL_DEPTH_TEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_CULL_FACE);
    return true;
}

void SetViewportSize(int width, int height) {
    platform::WindowState& w = app.window;
    if (height == 0) height = 1;
    if (width != -1 && height != -1) {
        w.width = width;
        w.height = height;
    }
    glViewport(0, 0, w.width, w.height);
    // One unit is one client pixel, origin top-left, y down.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, w.width, w.height, 0, 1, -1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
