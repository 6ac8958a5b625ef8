#include <algorithm>
#include <cstdio>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/edits.h"
#include "app/file_commands.h"
#include "app/panels.h"
#include "image/animation.h"
#include "image/document.h"
#include "image/undo.h"
#include "ui/text.h"
#include "ui/widgets.h"

int ParseFieldNumber(const char* text, int lo, int hi) {
    long long v = 0;
    for (const char* c = text; *c >= '0' && *c <= '9'; ++c) v = std::min(v * 10 + (*c - '0'), 1LL << 40);
    return int(std::clamp(v, (long long)lo, (long long)hi));
}

namespace {

void Touch(Document& doc) {
    doc.modified = true;
    doc.flatCopy = false;
}

void FrameEdit(int kind, bool (*change)(Document&)) {
    if (!BeginDocumentEdit(kind, -1)) return;
    if (change(app.document))
        EndDocumentEdit();
    else
        CancelDocumentEdit();
}

// A numeric field over value: shows the value while the field is closed and
// takes the typed number back every frame while it is open. True when the
// value changed.
template <size_t N>
bool NumberField(int x, int y, int w, char (&text)[N], int32_t& value, int lo, int hi, bool enabled) {
    bool changed = false;
    if (ui.editing && ui.editBuffer == text) {
        const int typed = ParseFieldNumber(text, lo, hi);
        changed = typed != value;
        value = typed;
    } else {
        std::snprintf(text, N, "%i", int(value));
    }
    SetGrey(0);
    if (enabled)
        TextField(x, y, w, text, N, true);
    else
        DrawText(kNormalFont, x, y, text);
    return changed;
}

// While a dialog previews on the document, the frames must stay as they are.
bool PanelButton(int x, int y, int w, int h, const char* tooltip, bool enabled) {
    if (enabled) return Button(x, y, w, h, tooltip);
    SetGrey(0.9f);
    FillRect(x, y, w, h);
    SetGrey(0);
    OutlineRect(x - 1, y - 1, w + 2, h + 2);
    return false;
}

void Caption(int x, int y, const char* text) {
    SetGrey(0);
    DrawText(kNormalFont, x, y, text);
}

void HoverTip(int x, int y, int w, int h, const char* tooltip) {
    if (PointerIn(x, y, w, h)) SetTooltip(tooltip);
}

}  // namespace

void DrawAnimationPanel() {
    Document& doc = app.document;
    AnimationPanelState& s = app.animationPanel;
    if (!doc.animationMode) return;
    const int t = ui.windowHeight - 75;
    const bool enabled = !DialogHoldsDocument();
    if (PointerIn(180, t, 612, 55)) ui.pointerOverInterface = true;
    SetGrey(0.9f);
    FillRect(180, t, 612, 55);
    SetGrey(0);
    OutlineRect(180, t, 612, 55);

    Caption(184, t + 7, "Frames/sec:");
    if (NumberField(305, t + 7, 40, s.fpsText, doc.framesPerSecond, kMinFramesPerSecond, kMaxFramesPerSecond,
                    enabled))
        Touch(doc);
    HoverTip(184, t + 7, 145, 20, "Playback speed (note that frames can have varying duration)");

    SetGrey(0);
    DrawTextF(184, t + 33, "Current frame: %i/%i", int(doc.currentFrame) + 1, int(doc.frameCount));
    HoverTip(184, t + 33, 190, 20, "Navigate using arrow keys. Right/Left to step, Down/Up to play.");

    Caption(410, t + 33, "Duration:");
    const int frame = doc.currentFrame;
    if (frame >= 0 && size_t(frame) < doc.durations.size() &&
        NumberField(495, t + 33, 30, s.durationText, doc.durations[size_t(frame)], 0, kMaxFrameDuration, enabled))
        Touch(doc);
    HoverTip(410, t + 33, 130, 20, "Duration of current frame (number of time steps until next frame)");

    if (PanelButton(350, t + 3, 50, 20, "Add a new frame after the current one", enabled) &&
        doc.frameCount < kMaxFrames)
        FrameEdit(kStepAddFrame, AddFrame);
    Caption(360, t + 7, "Add");
    if (PanelButton(420, t + 3, 85, 20, "Remove the current frame", enabled)) FrameEdit(kStepRemoveFrame, RemoveFrame);
    Caption(430, t + 7, "Remove");
    if (PanelButton(580, t + 3, 85, 20, "Export all frames of the animation as still images", enabled))
        ExportFrames(false);
    Caption(590, t + 7, "Export");
    if (PanelButton(680, t + 3, 108, 20, "Export all frames with individual durations (repeated images)", enabled))
        ExportFrames(true);
    Caption(690, t + 7, "Export full");
    if (PanelButton(580, t + 28, 103, 20, "Show onionskin of previous and next frames", enabled))
        ToggleOnionSkin(doc);
    Caption(590, t + 32, "Onionskin");
    Caption(695, t + 32, doc.onionSkin ? "On" : "Off");
}
