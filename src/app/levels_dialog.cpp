// The levels dialog: a graph of the curves with handles for the five values
// of each channel, "RGB/Neutral", "Reset", OK and Cancel.

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "app/filter_dialog_parts.h"
#include "filters/levels.h"
#include "ui/gl.h"
#include "ui/text.h"
#include "ui/widgets.h"

namespace {

constexpr int kGraphWidth = kLevelsGraphPoints;
constexpr int kGraphHeight = kLevelsGraphScale;
constexpr int kGraphTop = kLevelsGraphBottom - kGraphHeight;
// Output handles: one column per channel left of the graph (neutral mode
// uses the one next to it); input handles: one row per channel below it.
constexpr int kColumnLeft = 2;
constexpr int kColumnStep = 12;
constexpr int kRowTop = kLevelsGraphBottom + 4;
constexpr int kRowStep = 12;

const char* const kHandleTooltips[kLevelsParamCount] = {
    "Minimum intensity (background level)", "Maximum intensity (brightness scale)", "Black point (under-expose)",
    "Curve shape (gamma or soft adjustment)", "White point (over-expose)"};

struct HandleBox {
    int handle;      // parameter * 3 + channel
    int x, y, w, h;  // relative to the dialog
    int centre;      // along the handle's axis
};

bool Vertical(int param) { return param == kLevelsMinimum || param == kLevelsMaximum; }

float Value(const LevelsParams& p, int param, int channel) { return p.value[param][channel]; }

// Where the shape handle sits: between the black and white points.
float ShapePosition(const LevelsParams& p, int c) {
    const float black = Value(p, kLevelsBlackPoint, c), white = Value(p, kLevelsWhitePoint, c);
    return black + Value(p, kLevelsShape, c) * (white - black);
}

HandleBox BoxOf(const LevelsParams& p, int param, int c) {
    const int slot = p.neutral ? kLevelsChannels - 1 : c;
    HandleBox b;
    b.handle = param * kLevelsChannels + c;
    if (Vertical(param)) {
        b.centre = kLevelsGraphBottom - int(std::lround(Value(p, param, c) * kGraphHeight));
        b.x = kColumnLeft + slot * kColumnStep;
        b.y = b.centre - 4;
        b.w = 10;
        b.h = 9;
    } else {
        const float at = param == kLevelsShape ? ShapePosition(p, c) : Value(p, param, c);
        b.centre = kLevelsGraphLeft + int(std::lround(at * kGraphWidth));
        b.x = b.centre - 4;
        b.y = kRowTop + (p.neutral ? 0 : c) * kRowStep;
        b.w = 9;
        b.h = 10;
    }
    return b;
}

// The handles shown: one set in neutral mode (editing red), else three.
int Handles(const LevelsParams& p, HandleBox out[kLevelsParamCount * kLevelsChannels]) {
    int n = 0;
    const int channels = p.neutral ? 1 : kLevelsChannels;
    for (int c = 0; c < channels; ++c)
        for (int param = 0; param < kLevelsParamCount; ++param) out[n++] = BoxOf(p, param, c);
    return n;
}

// Among handles on the same spot, prefer the one that can move towards the
// point: the upper end of a range when the point is beyond the spot, the lower
// end when it is short of it; right on the spot, whichever is not at its limit.
int Preference(int param, int x, int y, int centre, float value) {
    switch (param) {
        case kLevelsMaximum:
            return y < centre || (y == centre && value < 1.0f) ? 0 : 2;
        case kLevelsMinimum:
            return y > centre || (y == centre && value >= 1.0f) ? 0 : 2;
        case kLevelsWhitePoint:
            return x > centre || (x == centre && value < 1.0f) ? 0 : 2;
        case kLevelsBlackPoint:
            return x < centre || (x == centre && value >= 1.0f) ? 0 : 2;
        default:
            return 1;
    }
}

bool SameValues(const LevelsParams& a, const LevelsParams& b) {
    return std::memcmp(a.value, b.value, sizeof a.value) == 0 && a.neutral == b.neutral;
}

void RebuildGraph() {
    FilterDialogState& s = app.filterDialog;
    BuildLevelsTable(s.levels, s.levelsGraph, kLevelsGraphPoints, kLevelsGraphScale);
}

void ChannelColour(const LevelsParams& p, int c, float light) {
    if (p.neutral) {
        SetGrey(light);
        return;
    }
    SetColour(c == 0 ? 1.0f : light, c == 1 ? 1.0f : light, c == 2 ? 1.0f : light);
}

void DrawGraph(const DialogRect& r) {
    const FilterDialogState& s = app.filterDialog;
    const int left = r.x + kLevelsGraphLeft, top = r.y + kGraphTop;
    SetGrey(1.0f);
    FillRect(left, top, kGraphWidth, kGraphHeight + 1);
    SetGrey(0.0f);
    OutlineRect(left - 1, top - 1, kGraphWidth + 2, kGraphHeight + 3);
    const int channels = s.levels.neutral ? 1 : kLevelsChannels;
    for (int c = channels - 1; c >= 0; --c) {
        ChannelColour(s.levels, c, 0.0f);
        glBegin(GL_LINE_STRIP);
        for (int i = 0; i < kLevelsGraphPoints; ++i)
            glVertex2f(float(left + i) + 0.5f, float(r.y + kLevelsGraphBottom - s.levelsGraph[c * kLevelsGraphPoints + i]) + 0.5f);
        glEnd();
    }
}

void DrawHandles(const DialogRect& r, int hot) {
    const FilterDialogState& s = app.filterDialog;
    HandleBox boxes[kLevelsParamCount * kLevelsChannels];
    const int n = Handles(s.levels, boxes);
    for (int k = 0; k < n; ++k) {
        const HandleBox& b = boxes[k];
        const bool lit = b.handle == hot || b.handle == s.levelsHandle;
        if (lit)
            SetGrey(0.8f);
        else if (s.levels.neutral)
            SetGrey(0.9f);
        else
            ChannelColour(s.levels, b.handle % kLevelsChannels, 0.6f);
        FillRect(r.x + b.x, r.y + b.y, b.w, b.h);
        SetGrey(0.0f);
        OutlineRect(r.x + b.x, r.y + b.y, b.w, b.h);
    }
}

// Follows the handle being dragged; true when a value changed.
bool DragHandles(const DialogRect& r, int hot) {
    FilterDialogState& s = app.filterDialog;
    if (s.levelsHandle < 0 && ui.pointer.clicked) s.levelsHandle = hot;
    if (s.levelsHandle < 0) return false;
    if (!ui.pointer.down) {
        s.levelsHandle = -1;
        return false;
    }
    const LevelsParams before = s.levels;
    DragLevelsHandle(s.levels, s.levelsHandle, ui.pointer.x - r.x, ui.pointer.y - r.y);
    if (SameValues(before, s.levels)) return false;
    RebuildGraph();
    return true;
}

}  // namespace

int LevelsHandleAt(const LevelsParams& params, int x, int y) {
    HandleBox boxes[kLevelsParamCount * kLevelsChannels];
    const int n = Handles(params, boxes);
    int best = -1, bestDistance = 0, bestPreference = 0;
    for (int k = 0; k < n; ++k) {
        const HandleBox& b = boxes[k];
        if (x < b.x || x >= b.x + b.w || y < b.y || y >= b.y + b.h) continue;
        const int param = b.handle / kLevelsChannels;
        const int distance = std::abs((Vertical(param) ? y : x) - b.centre);
        const int c = b.handle % kLevelsChannels;
        const int preference = Preference(param, x, y, b.centre, Value(params, param, c));
        if (best < 0 || distance < bestDistance || (distance == bestDistance && preference < bestPreference)) {
            best = b.handle;
            bestDistance = distance;
            bestPreference = preference;
        }
    }
    return best;
}

void DragLevelsHandle(LevelsParams& params, int handle, int x, int y) {
    const int param = handle / kLevelsChannels, channel = handle % kLevelsChannels;
    if (handle < 0 || param >= kLevelsParamCount) return;
    const int c = params.neutral ? 0 : channel;
    const float along = float(x - kLevelsGraphLeft) / kGraphWidth;
    float value;
    if (Vertical(param)) {
        value = float(kLevelsGraphBottom - y) / kGraphHeight;
    } else if (param == kLevelsShape) {
        // With no room between the points the shape has no position to take.
        const float black = Value(params, kLevelsBlackPoint, c), white = Value(params, kLevelsWhitePoint, c);
        if (!(white > black)) return;
        value = (along - black) / (white - black);
    } else {
        value = along;
    }
    SetLevelsParam(params, param, c, value);
}

bool LevelsDialogFrame(const DialogRect& r) {
    FilterDialogState& s = app.filterDialog;
    if (!s.firstFrameDone) {
        // Every opening starts from the defaults.
        s.firstFrameDone = true;
        ResetLevels(s.levels);
        RebuildGraph();
        PreviewFilter();
    }
    CountRest(s.levelsRest);
    DrawDialogPanel(r);
    SetGrey(0.0f);
    DrawText(kNormalFont, r.x + 10, r.y + 10, "Intensity levels:");
    DrawGraph(r);

    const int hot = LevelsHandleAt(s.levels, ui.pointer.x - r.x, ui.pointer.y - r.y);
    if (DragHandles(r, hot)) s.previewStale = true;
    const int named = s.levelsHandle >= 0 ? s.levelsHandle : hot;
    if (named >= 0) SetTooltip(kHandleTooltips[named / kLevelsChannels]);
    DrawHandles(r, hot);
    if (s.previewStale && (s.levelsHandle < 0 || s.levelsRest > kPreviewRestFrames)) PreviewFilter();

    const int y = r.y + r.h - 30;
    if (DialogButton(r.x + 10, y, 100, 20, "RGB/Neutral", "Neutral intensity or independent RGB levels")) {
        SetLevelsNeutral(s.levels, !s.levels.neutral);
        if (s.levels.neutral) {
            RebuildGraph();
            PreviewFilter();
        }
    }
    if (DialogButton(r.x + 120, y, 60, 20, "Reset", "Restore default parameters")) {
        ResetLevels(s.levels);
        RebuildGraph();
        PreviewFilter();
    }

    return PreviewDialogButtons(r);
}
