#pragma once
#include "app/app_state.h"
#include "image/document.h"
#include "ui/widgets.h"

// Starts a test from a program that has not run yet.
inline void ResetAppState() {
    ReleaseDocument(app.document);
    app.document.modified = false;
    app.window = platform::WindowState();
    app.startupFile.clear();
    app.documentPath.clear();
    // The tools a program starts with, not the colour, brush or eraser an
    // earlier test chose.
    app.tool = PaintTool();
    app.brush = BrushSettings();
    app.stroke = StrokeState();
}

// The interface's state as a program that has drawn no frame yet has it;
// tests before this one ran the same program.
inline void ResetInterfaceState() {
    ui = UiState();
    app.menuBar = MenuBarState();
    app.layerPanel = LayerPanelState();
    app.animationPanel = AnimationPanelState();
    app.popups = PopupState();
    app.filterDialog = FilterDialogState();
    app.pendingCommand.clear();
    app.keyboardShortcutsEnabled = true;  // no text field is being edited
}
