#include "app/app_state.h"
#include "app/panels.h"
#include "app/popups.h"
#include "ui/gl.h"
#include "ui/text.h"
#include "ui/widgets.h"

namespace {

void ForegroundSwatch() {
    const bool hover = PointerIn(15, 25, 40, 30);
    if (hover) {
        SetTooltip("Current foreground color, click to adjust");
        ui.pointerOverInterface = true;
    }
    const ColorRecord& c = app.tool.primary;
    if (hover && ui.pointer.clicked) {
        PopupState& p = app.popups;
        p.editorOpen = true;
        p.hue = RgbHue(c.value[0], c.value[1], c.value[2]);
        p.saturation = RgbSaturation(c.value[0], c.value[1], c.value[2]);
        p.value = RgbValue(c.value[0], c.value[1], c.value[2]);
    }
    SetGrey(0);
    OutlineRect(15, 25, 40, 30);
    glColor4ub(GLubyte(c.value[0]), GLubyte(c.value[1]), GLubyte(c.value[2]), 255);
    FillRect(16, 26, 38, 28);
}

// The background colour, smaller, beside the foreground swatch: what X swaps
// in and what the eraser paints on the bottom layer.
void BackgroundSwatch() {
    if (PointerIn(58, 40, 26, 20)) {
        SetTooltip("Background color - [X] swaps it with the foreground");
        ui.pointerOverInterface = true;
    }
    const ColorRecord& c = app.tool.secondary;
    SetGrey(0);
    OutlineRect(58, 40, 26, 20);
    glColor4ub(GLubyte(c.value[0]), GLubyte(c.value[1]), GLubyte(c.value[2]), 255);
    FillRect(59, 41, 24, 18);
}

void SwapButton() {
    if (Button(10, 60, 15, 15, "[X] Switch foreground and background colors")) app.colorSwapRequested = true;
    SetGrey(0);
    DrawText(kNormalFont, 16, 61, "\\");
}

void ToolButton() {
    const bool eraser = app.tool.PaintMode != 0;
    const char* tooltip = "[E/B] Switch between brush and eraser";
    if (eraser) {
        // The eraser keeps its red face under the pointer too.
        const bool hover = PointerIn(90, 37, 20, 20);
        if (hover) {
            SetTooltip(tooltip);
            ui.pointerOverInterface = true;
            if (ui.pointer.clicked) app.toolToggleRequested = true;
        }
        SetColour(1.0f, 0.4f, 0.4f);
        FillRect(90, 37, 20, 20);
        SetGrey(0);
        OutlineRect(89, 36, 22, 22);
        DrawText(kNormalFont, 96, 41, "E");
        return;
    }
    if (Button(90, 37, 20, 20, tooltip)) app.toolToggleRequested = true;
    SetGrey(0);
    DrawText(kNormalFont, 95, 41, "B");
}

// The dragged layer row follows the pointer, see-through, over everything.
void DragGhost() {
    const LayerPanelState& s = app.layerPanel;
    const Document& doc = app.document;
    if (s.dragState != 2 || s.dragFrom < 0 || s.dragFrom >= doc.layerCount) return;
    const int y = ui.pointer.y - s.dragGrab;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    SetColour(0, 0, 0, 0.5f);
    OutlineRect(19, y - 1, 112, 72);
    SetColour(1.0f, 0.8f, 0.7f, 0.25f);
    FillRect(20, y, 110, 70);
    DrawLayerThumbnail(doc.layers[s.dragFrom].thumbnail, 25, y + 5, 0.5f);
    glDisable(GL_BLEND);
    SetGrey(0);
}

}  // namespace

void DrawSwatches() {
    ForegroundSwatch();
    BackgroundSwatch();
    SwapButton();
    ToolButton();
    DragGhost();
}
