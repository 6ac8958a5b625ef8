// The blur and transparency noise dialogs: one slider each, OK and Cancel.

#include <algorithm>
#include <cstdio>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/filter_dialog_parts.h"
#include "filters/filter_sliders.h"
#include "ui/text.h"
#include "ui/widgets.h"

namespace {

// Slider geometry relative to the dialog: the 10 x 20 handle's left edge runs
// from x = 10 to 10 + kFilterSliderRange.
constexpr int kSliderLeft = 10;
constexpr int kSliderTop = 35;
constexpr int kHandleWidth = 10;
constexpr int kHandleHeight = 20;

// Draws the slider and follows a drag; true when the position changed.
bool Slider(const DialogRect& r, int& position, const char* tooltip) {
    FilterDialogState& s = app.filterDialog;
    const int left = r.x + kSliderLeft, top = r.y + kSliderTop;
    const int width = kFilterSliderRange + kHandleWidth;
    const bool hot = PointerIn(left, top, width, kHandleHeight);
    if (hot && tooltip) SetTooltip(tooltip);
    if (hot && ui.pointer.clicked) s.sliderDragging = true;
    if (!ui.pointer.down) s.sliderDragging = false;

    const int old = position;
    if (s.sliderDragging)
        position = std::clamp(ui.pointer.x - left - kHandleWidth / 2, 0, kFilterSliderRange);

    SetGrey(0.0f);
    OutlineRect(left, top + kHandleHeight / 2 - 2, width, 4);
    SetGrey(hot || s.sliderDragging ? 0.8f : 0.95f);
    FillRect(left + position, top, kHandleWidth, kHandleHeight);
    SetGrey(0.0f);
    OutlineRect(left + position, top, kHandleWidth, kHandleHeight);
    return position != old;
}

}  // namespace

bool BlurDialogFrame(const DialogRect& r) {
    FilterDialogState& s = app.filterDialog;
    s.firstFrameDone = true;
    DrawDialogPanel(r);
    SetGrey(0.0f);
    DrawTextF(r.x + 10, r.y + 10, "Blur radius: %i pixels", BlurRadiusForSlider(s.blurSlider));
    Slider(r, s.blurSlider, "Actually this blur has no kernel size, but let's call it a rough estimate :P");

    switch (OkCancel(r)) {
        case DialogChoice::kOk: {
            char command[32];
            snprintf(command, sizeof command, "filter-blur %i", BlurRadiusForSlider(s.blurSlider));
            PostCommand(command);
            // The blur runs at the start of the next pass; this frame stays on
            // screen meanwhile.
            SetGrey(0.0f);
            DrawText(kNormalFont, r.x + 10, r.y + r.h - 26, "Processing...");
            return false;
        }
        case DialogChoice::kCancel:
            return false;
        case DialogChoice::kNone:
            return true;
    }
    return true;
}

bool NoiseDialogFrame(const DialogRect& r) {
    FilterDialogState& s = app.filterDialog;
    if (!s.firstFrameDone) {
        s.firstFrameDone = true;
        PreviewFilter();
    }
    CountRest(s.noiseRest);
    DrawDialogPanel(r);
    SetGrey(0.0f);
    DrawTextF(r.x + 10, r.y + 10, "Noise strength: %i %%", NoisePercent(NoiseStrengthForSlider(s.noiseSlider)));
    if (Slider(r, s.noiseSlider, nullptr)) s.previewStale = true;
    if (s.previewStale && (!s.sliderDragging || s.noiseRest > kPreviewRestFrames)) PreviewFilter();

    return PreviewDialogButtons(r);
}
