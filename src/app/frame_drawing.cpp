#include "app/frame_drawing.h"

#include "app/app_state.h"
#include "app/main_loop.h"
#include "app/painting.h"
#include "app/program.h"
#include "image/document.h"
#include "image/workers.h"
#include "platform/platform.h"
#include "ui/canvas_view.h"
#include "ui/gl.h"
#include "ui/tile_texture.h"

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

void DrawFrame() {
    PrepareStrokePreview();
    RenderDirtyTiles(app.document);
    ReleaseDroppedTextures(app.document);

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
    in.overlay.navigating = v.navigationMode != kNavigationNone;
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
    DrawCanvasView(app.canvas, app.document, in);
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
