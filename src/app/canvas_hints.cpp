#include "app/app_state.h"
#include "app/panels.h"
#include "ui/widgets.h"

namespace {

bool CurrentLayerInvisible() {
    const Document& doc = app.document;
    if (doc.currentLayer < 0 || doc.currentLayer >= doc.layerCount) return false;
    const LayerInfo& info = doc.layers[doc.currentLayer];
    return info.hidden || info.opacity == 0;
}

}  // namespace

void DrawCanvasHints() {
    app.drawingBlocked = false;
    if (ui.pointerOverInterface) return;
    if (app.altHeld) {
        // A hint names what a canvas click does; it does not take the pointer.
        if (app.shiftHeld)
            SetTooltip("Click on canvas to pick a color from the current layer");
        else if (app.ctrlHeld)
            SetTooltip("Click on canvas to select a layer");
        else
            SetTooltip("Click on canvas to pick a color (pressure-sensitive) or press Shift/Control for options");
        ui.pointerOverInterface = false;
    }
    if (CurrentLayerInvisible()) {
        SetTooltip("The current layer is invisible, show it to enable drawing");
        app.drawingBlocked = true;
        app.noCursorRequested = true;
        ui.pointerOverInterface = true;
    }
}
