#include "app/filter_dialogs.h"

#include "app/app_state.h"
#include "app/commands.h"
#include "app/edits.h"
#include "app/filter_dialog_parts.h"
#include "app/painting.h"
#include "filters/levels.h"
#include "filters/noise.h"
#include "image/undo.h"
#include "platform/platform.h"
#include "ui/text.h"
#include "ui/widgets.h"

namespace {

FilterDialogState& State() { return app.filterDialog; }

void CloseDialog() {
    FilterDialogState& s = State();
    s.open = kNoFilterDialog;
    s.sliderDragging = false;
    s.levelsHandle = -1;
    s.previewStale = false;
}

}  // namespace

DialogRect FilterDialogRect(int dialog, int windowWidth, int windowHeight) {
    DialogRect r;
    r.w = 400;
    r.h = dialog == kLevelsDialog ? 280 : 100;
    r.x = windowWidth - 10 - r.w;
    r.y = windowHeight - 10 - r.h;
    return r;
}

bool FilterDialogOpen() { return State().open != kNoFilterDialog; }

void CancelFilterDialog() {
    FilterDialogState& s = State();
    // The blur takes its step only when it runs.
    if (s.open == kLevelsDialog || s.open == kNoiseDialog) CancelDocumentEdit();
    CloseDialog();
}

void OpenFilterDialog(int dialog) {
    if (dialog != kBlurDialog && dialog != kNoiseDialog && dialog != kLevelsDialog) return;
    Document& doc = app.document;
    const int layer = doc.currentLayer;
    if (layer < 0 || layer >= doc.layerCount) return;
    if (dialog == kNoiseDialog && layer == 0) return;

    if (FilterDialogOpen()) CancelFilterDialog();
    if (dialog != kBlurDialog && !MemoryForLayerUndo(doc, layer)) return;
    if (dialog != kBlurDialog) {
        DocumentWillChange();
        // The dialog's step stays open while it previews: OK closes it,
        // Cancel puts the layer back.
        if (!BeginDocumentEdit(dialog == kLevelsDialog ? kStepLevels : kStepNoise, layer)) return;
        if (!SaveTiles(doc, layer, true)) {
            CancelDocumentEdit();
            platform::ShowError("Error", "Not enough memory");
            return;
        }
    }
    FilterDialogState& s = State();
    s.open = dialog;
    s.firstFrameDone = false;
    s.layer = layer;
    s.noiseRest = s.levelsRest = 0;
    s.sliderDragging = false;
    s.levelsHandle = -1;
    s.previewStale = false;
    s.previews = 0;
}

void DrawFilterDialog() {
    FilterDialogState& s = State();
    if (s.open == kNoFilterDialog) return;
    // A dialog whose layer has gone has nothing left to preview or undo.
    if (s.layer < 0 || s.layer >= app.document.layerCount) {
        if (StepOpen(app.document)) ClearUndo(app.document);
        CloseDialog();
        return;
    }
    ui.pointerOverInterface = true;
    const DialogRect r = FilterDialogRect(s.open, ui.windowWidth, ui.windowHeight);
    bool stillOpen = false;
    switch (s.open) {
        case kBlurDialog:
            stillOpen = BlurDialogFrame(r);
            break;
        case kNoiseDialog:
            stillOpen = NoiseDialogFrame(r);
            break;
        case kLevelsDialog:
            stillOpen = LevelsDialogFrame(r);
            break;
        default:
            break;
    }
    if (!stillOpen) CloseDialog();
}

void PreviewFilter() {
    FilterDialogState& s = State();
    Document& doc = app.document;
    RevertOpenStep(doc);
    if (s.open == kNoiseDialog)
        AddTransparencyNoise(doc, s.layer, NoiseStrengthForSlider(s.noiseSlider));
    else if (s.open == kLevelsDialog)
        ApplyLevels(doc, s.layer, s.levels);
    s.previewStale = false;
    ++s.previews;
}

void DrawDialogPanel(const DialogRect& r) {
    SetGrey(0.9f);
    FillRect(r.x, r.y, r.w, r.h);
    SetGrey(0.0f);
    OutlineRect(r.x, r.y, r.w, r.h);
}

bool DialogButton(int x, int y, int w, int h, const char* caption, const char* tooltip) {
    const bool clicked = Button(x, y, w, h, tooltip);
    SetGrey(0.0f);
    DrawText(kNormalFont, x + (w - TextWidth(kNormalFont, caption)) / 2, y + 4, caption);
    return clicked;
}

void CountRest(int& counter) {
    FilterDialogState& s = State();
    if (ui.pointer.x != s.lastPointerX || ui.pointer.y != s.lastPointerY)
        counter = 0;
    else
        ++counter;
    s.lastPointerX = ui.pointer.x;
    s.lastPointerY = ui.pointer.y;
}

DialogChoice OkCancel(const DialogRect& r) {
    const int y = r.y + r.h - 30;
    const bool ok = DialogButton(r.x + r.w - 170, y, 70, 20, "OK", nullptr);
    const bool cancel = DialogButton(r.x + r.w - 80, y, 70, 20, "Cancel", nullptr);
    if (ok || ui.enterPressed) return DialogChoice::kOk;
    if (cancel || ui.escapePressed || app.escapeHeld) return DialogChoice::kCancel;
    return DialogChoice::kNone;
}

bool PreviewDialogButtons(const DialogRect& r) {
    switch (OkCancel(r)) {
        case DialogChoice::kOk:
            // Enter during a drag keeps what the dialog shows.
            if (app.filterDialog.previewStale) PreviewFilter();
            app.document.layers[app.filterDialog.layer].thumbnailDirty = true;
            EndDocumentEdit();
            return false;
        case DialogChoice::kCancel:
            CancelFilterDialog();
            return false;
        case DialogChoice::kNone:
            return true;
    }
    return true;
}
