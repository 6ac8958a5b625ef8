#include <cstdio>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/popups.h"
#include "image/document.h"
#include "ui/text.h"
#include "ui/widgets.h"

namespace {

constexpr int kDialogWidth = 250, kDialogHeight = 100;

bool EditingOurField(const PopupState& p) {
    return ui.editing && (ui.editBuffer == p.widthText || ui.editBuffer == p.heightText);
}

void EndEditing(const PopupState& p) {
    if (EditingOurField(p)) CommitEdit();
}

// The fields start from the document's size, with the width open for typing.
void FillFields(PopupState& p) {
    std::snprintf(p.widthText, sizeof p.widthText, "%i", app.document.width);
    std::snprintf(p.heightText, sizeof p.heightText, "%i", app.document.height);
    p.sizeDialog = 2;
    ui.numericOnly = true;
    BeginEdit(p.widthText, sizeof p.widthText);
}

void Close(PopupState& p) {
    EndEditing(p);
    p.sizeDialog = 0;
}

// A size that cannot be made keeps the dialog open for correcting it.
void Confirm(PopupState& p) {
    EndEditing(p);
    int width = 0, height = 0;
    if (!ParseCanvasSide(p.widthText, width) || !ParseCanvasSide(p.heightText, height)) return;
    app.newCanvasWidth = width;
    app.newCanvasHeight = height;
    PostCommand("new");
    p.sizeDialog = 0;
}

}  // namespace

bool ParseCanvasSide(const char* text, int& side) {
    if (!text || !*text) return false;
    int value = 0;
    for (const char* c = text; *c; ++c) {
        if (*c < '0' || *c > '9') return false;
        value = value * 10 + (*c - '0');
        if (value > kMaxDocumentSide) return false;
    }
    if (value < 1) return false;
    side = value;
    return true;
}

void DrawCanvasSizeDialog() {
    PopupState& p = app.popups;
    if (app.newCanvasDialogRequested) {
        app.newCanvasDialogRequested = false;
        p.sizeDialog = 1;
    }
    if (p.sizeDialog == 0) return;
    if (p.sizeDialog == 1) FillFields(p);

    const int x = ui.windowWidth / 2 - kDialogWidth / 2, y = ui.windowHeight / 2 - kDialogHeight / 2;
    ui.pointerOverInterface = true;
    SetGrey(0.9f);
    FillRect(x, y, kDialogWidth, kDialogHeight);
    SetGrey(0);
    OutlineRect(x, y, kDialogWidth, kDialogHeight);
    DrawTextF(x + 3, y + 3, "Canvas size (pixels)");
    DrawTextF(x + 30, y + 30, "Width:");
    TextField(x + 130, y + 30, 100, p.widthText, sizeof p.widthText, true);
    DrawTextF(x + 30, y + 45, "Height:");
    TextField(x + 130, y + 45, 100, p.heightText, sizeof p.heightText, true);

    const bool ok = Button(x + 95, y + 70, 60, 20, nullptr);
    SetGrey(0);
    DrawTextF(x + 115, y + 74, "OK");
    const bool cancel = Button(x + 170, y + 70, 70, 20, nullptr);
    SetGrey(0);
    DrawTextF(x + 175, y + 74, "Cancel");

    // The keys reach the open field before the dialog: Escape has cancelled
    // the edit, Enter has ended it. Enter or Tab in the width moves on to the
    // height; Enter in the height, or with no field open, is OK.
    if (cancel || app.escapeHeld) {
        Close(p);
        return;
    }
    if (ui.closedByEnter == p.widthText || ui.tabbedFrom == p.widthText) {
        ui.numericOnly = true;
        BeginEdit(p.heightText, sizeof p.heightText);
        return;
    }
    if (ok || ui.closedByEnter == p.heightText || ui.enterPressed) Confirm(p);
}
