#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/edits.h"
#include "app/file_commands.h"
#include "app/filter_dialogs.h"
#include "app/panels.h"
#include "image/animation.h"
#include "image/document.h"
#include "image/memory_guard.h"
#include "image/undo.h"
#include "ui/gl.h"
#include "ui/text.h"
#include "ui/ui_scale.h"
#include "ui/widgets.h"

// ---- Geometry ----

namespace {

constexpr int kPanelBottomMargin = 80;   // the panel ends this far above the window's bottom
constexpr int kPanelTopReserve = 100;    // the panel never grows closer than this to the top
constexpr int kContentExtra = 29;        // room above the top row for its add button
constexpr int kClipX = 1, kClipWidth = 160;
constexpr int kStripWidth = 15;

// The band in which a drop goes into the gap above row i: from the middle of
// the row above to the middle of row i. The outermost gaps reach to the
// panel's edges.
constexpr int kGapAbove = 55, kGapBelow = 35;

constexpr int kBlendListRow = 11;
constexpr int kBlendListX = 77, kBlendListWidth = 52;

}  // namespace

LayerPanelLayout LayoutLayerPanel(int layerCount, int windowHeight) {
    LayerPanelLayout l;
    l.bottom = windowHeight - kPanelBottomMargin;
    l.content = kLayerRowStep * layerCount + kContentExtra;
    l.visible = std::max(0, std::min(l.content, windowHeight - kPanelTopReserve));
    l.top = l.bottom - l.visible;
    if (l.content > l.visible) {
        const int thumb = l.visible * l.visible / l.content;
        // A strip no taller than its thumb cannot move it (and would divide
        // by zero below).
        if (l.visible > thumb) {
            l.scrollBar = true;
            l.thumbHeight = thumb;
            l.thumbTravel = l.visible - thumb;
        }
    }
    return l;
}

int LayerRowTop(const LayerPanelLayout& l, int layer, int scroll) {
    return l.bottom - kLayerRowStep * (layer + 1) + scroll;
}

int ClampThumb(const LayerPanelLayout& l, int thumb) { return l.scrollBar ? std::clamp(thumb, 0, l.thumbTravel) : 0; }

int ScrollForThumb(const LayerPanelLayout& l, int thumb) {
    if (!l.scrollBar) return 0;
    return (l.content - l.visible) * ClampThumb(l, thumb) / l.thumbTravel;
}

int ThumbTop(const LayerPanelLayout& l, int thumb) { return l.bottom - l.thumbHeight - ClampThumb(l, thumb); }

int ThumbForDrag(const LayerPanelLayout& l, int pointerY, int grab) {
    return ClampThumb(l, l.bottom - l.thumbHeight - (pointerY - grab));
}

int OpacityAtPointer(int rowTop, int pointerY) {
    const int v = std::clamp(rowTop + 55 - pointerY, 0, 40);
    return v * 255 / 40;
}

int OpacityFillHeight(int opacity) { return std::clamp(opacity, 0, 255) * 41 / 255; }

bool LayerDragStarted(int pressY, int pointerY) { return std::abs(pointerY - pressY) >= kLayerDragThreshold; }

int DropGapAt(const LayerPanelLayout& l, int scroll, int layerCount, int from, int pointerX, int pointerY) {
    if (pointerX < 15 || pointerX >= 145 || pointerY < l.top || pointerY >= l.bottom) return -1;
    for (int i = 0; i < layerCount; ++i) {
        const int y = LayerRowTop(l, i, scroll);
        const bool belowTop = i == layerCount - 1 || pointerY >= y - kGapAbove;
        const bool aboveBottom = i == 0 || pointerY < y + kGapBelow;
        if (belowTop && aboveBottom) return i == from || i == from - 1 ? -1 : i;
    }
    return -1;
}

int MovedLayerIndex(int from, int below) { return below < from ? below + 1 : below; }

bool TakeLayerAction(int& pause) {
    if (pause > 0) return false;
    pause = kLayerActionPause;
    return true;
}

void CountDownLayerAction(int& pause) {
    if (pause > 0) --pause;
}

int LayerRowControls(int layer, int y, bool animationMode, LayerControlRect* out) {
    int n = 0;
    auto add = [&](int control, int x, int top, int w, int h) { out[n++] = {control, x, top, w, h}; };
    add(kLayerAddButton, 124, y - 16, 12, 12);
    if (layer > 0) {
        add(kLayerMergeButton, 65, y + 74, 20, 12);
        add(kLayerBlendButton, 77, y + 1, 52, 12);
        add(kLayerHideToggle, 82, y + 30, 10, 10);
        add(kLayerLockToggle, 82, y + 45, 10, 10);
        if (animationMode) add(kLayerAnimateToggle, 96, y + 30, 10, 10);
        add(kLayerOpacitySlider, 110, y + 15, 15, 41);
        add(kLayerRemoveButton, 131, y + 20, 20, 20);
        add(kLayerNameField, 25, y + 60, 100, 8);
    }
    add(kLayerRowBox, 20, y, 110, 60);
    return n;
}

LayerControlRect LayerControlOutline(int control, int y) {
    switch (control) {
        case kLayerAddButton: return {control, 123, y - 17, 14, 14};
        case kLayerRowBox: return {control, 19, y - 1, 112, 72};
        case kLayerBlendButton: return {control, 76, y, 54, 14};
        case kLayerHideToggle: return {control, 81, y + 29, 12, 12};
        case kLayerLockToggle: return {control, 81, y + 44, 12, 12};
        case kLayerAnimateToggle: return {control, 95, y + 29, 12, 12};
        case kLayerOpacitySlider: return {control, 109, y + 14, 17, 42};
        case kLayerRemoveButton: return {control, 130, y + 19, 22, 22};
        case kLayerMergeButton: return {control, 64, y + 74, 22, 14};
        default: return {};
    }
}

LayerHit HitLayerPanel(const LayerPanelLayout& l, int scroll, int layerCount, bool animationMode, int px, int py) {
    LayerHit hit;
    if (!RectContains({kClipX, l.top, kClipWidth, l.visible}, px, py)) return hit;
    LayerControlRect rects[kMaxRowControls];
    for (int i = 0; i < layerCount; ++i) {
        const int n = LayerRowControls(i, LayerRowTop(l, i, scroll), animationMode, rects);
        for (int k = 0; k < n; ++k) {
            const LayerControlRect& r = rects[k];
            if (RectContains({r.x, r.y, r.w, r.h}, px, py)) return {r.control, i};
        }
    }
    return hit;
}

int BlendListRowAt(int rowTop, int px, int py) {
    if (!RectContains({kBlendListX, rowTop + 1, kBlendListWidth, kBlendListRow * kBlendModeCount}, px, py)) return -1;
    return (py - rowTop - 1) / kBlendListRow;
}

// ---- Acting and drawing ----

namespace {

const char* TooltipFor(int control) {
    switch (control) {
        case kLayerAddButton: return "Add new layer";
        case kLayerBlendButton: return "Layer blending mode (click to change)";
        case kLayerHideToggle: return "Hide this layer";
        case kLayerLockToggle: return "Lock layer transparency (preserve mask/contour while painting)";
        case kLayerAnimateToggle: return "Animate this layer";
        case kLayerOpacitySlider: return "Layer opacity";
        case kLayerRemoveButton: return "Remove layer";
        case kLayerMergeButton: return "[Ctrl+E] Merge layer downwards";
        default: return nullptr;
    }
}

// The settings a layer had when a drag of its opacity slider or an edit of
// its name began: the drag or the edit becomes one step when it ends.
LayerInfo opacityBefore;
int renameLayer = -1;
LayerInfo renameBefore;

bool PopupOrDialogOpen() {
    const PopupState& p = app.popups;
    return p.altOpen || p.editorOpen || p.sizeDialog != 0 || FilterDialogOpen() || app.menuBar.openMenu >= 0;
}

// A finished name edit that changed the name is one step.
void FinishRename() {
    Document& doc = app.document;
    const int i = renameLayer;
    renameLayer = -1;
    if (i < 1 || i >= doc.layerCount || std::strcmp(doc.layers[i].name, renameBefore.name) == 0) return;
    if (!BeginDocumentEdit(kStepRename, i)) return;
    SaveLayerSettings(doc, i, renameBefore);
    EndDocumentEdit();
}

// Layer names move with their layers: an open name field is closed (and its
// edit becomes a step) before the layer list changes under it.
void CloseNameField() {
    const Document& doc = app.document;
    const char* first = doc.layers[0].name;
    const char* end = doc.layers[kMaxLayers - 1].name + kLayerNameBytes;
    if (ui.editing && ui.editBuffer >= first && ui.editBuffer < end) CommitEdit();
    FinishRename();
}

void AddLayerAbove(int i) {
    Document& doc = app.document;
    LayerPanelState& s = app.layerPanel;
    if (doc.layerCount >= kMaxLayers || s.actionPause > 0) return;
    CloseNameField();
    if (!BeginDocumentEdit(kStepAddLayer, -1)) return;
    if (!AddLayer(doc, i)) {
        CancelDocumentEdit();
        return;
    }
    TakeLayerAction(s.actionPause);
    doc.currentLayer = i + 1;
    EndDocumentEdit();
}

void RemoveOrMerge(int i, bool merge) {
    Document& doc = app.document;
    if (!TakeLayerAction(app.layerPanel.actionPause)) return;
    CloseNameField();
    // The merge's step copies the whole layer below; refused before anything changes.
    if (merge && i >= 1 && !MemoryForLayerUndo(doc, i - 1)) return;
    if (!BeginDocumentEdit(merge ? kStepMergeLayer : kStepRemoveLayer, i)) return;
    TakeMemoryShortage();
    if (merge ? MergeLayerDown(doc, i) : RemoveLayer(doc, i)) {
        EndDocumentEdit();
    } else {
        CancelDocumentEdit();
        SayIfOutOfMemory();
    }
}

// One click on a layer's setting: a step of its own.
template <typename Fn>
void ChangeSetting(int i, int kind, Fn change) {
    Document& doc = app.document;
    if (!BeginDocumentEdit(kind, i)) return;
    SaveLayerSettings(doc, i, doc.layers[i]);
    change(doc.layers[i]);
    ApplyLayerInfo(doc, i);
    EndDocumentEdit();
}

void PressControl(const LayerHit& hit, int pointerY, int rowTop) {
    Document& doc = app.document;
    LayerPanelState& s = app.layerPanel;
    const int i = hit.layer;
    LayerInfo& info = doc.layers[i];
    switch (hit.control) {
        case kLayerAddButton: AddLayerAbove(i); return;
        case kLayerRemoveButton: RemoveOrMerge(i, false); return;
        case kLayerMergeButton: RemoveOrMerge(i, true); return;
        case kLayerNameField: return;  // the text field takes its own click
        default: break;
    }
    // Everything else lies on the row box: the press makes the layer current
    // and, but on the opacity slider, may begin dragging the row.
    doc.currentLayer = i;
    if (i > 0 && hit.control != kLayerOpacitySlider) {
        s.dragState = 1;
        s.dragFrom = i;
        s.dragPressY = pointerY;
        s.dragGrab = pointerY - rowTop;
    }
    switch (hit.control) {
        case kLayerBlendButton:
            s.blendList = i;
            s.blendPressRow = BlendListRowAt(rowTop, ui.pointer.x, pointerY);
            s.blendListMoved = false;
            s.blendListSticky = false;
            break;
        case kLayerHideToggle:
            ChangeSetting(i, kStepHide, [](LayerInfo& l) { l.hidden = !l.hidden; });
            break;
        case kLayerLockToggle:
            ChangeSetting(i, kStepLock, [](LayerInfo& l) { l.lockTransparency = !l.lockTransparency; });
            break;
        case kLayerAnimateToggle:
            if (!BeginDocumentEdit(kStepAnimateLayer, i)) break;
            if (ToggleLayerAnimated(doc, i))
                EndDocumentEdit();
            else
                CancelDocumentEdit();
            break;
        case kLayerOpacitySlider:
            s.opacityDragging = true;
            s.opacityLayer = i;
            opacityBefore = info;
            break;
        default: break;
    }
}

bool OverOpenBlendList(const LayerPanelLayout& l, int x, int y) {
    const LayerPanelState& s = app.layerPanel;
    if (s.blendList < 0 || s.blendList >= app.document.layerCount) return false;
    return BlendListRowAt(LayerRowTop(l, s.blendList, s.scroll), x, y) >= 0;
}

void FollowDrags(const LayerPanelLayout& l) {
    Document& doc = app.document;
    LayerPanelState& s = app.layerPanel;
    const PointerSnapshot& p = ui.pointer;

    if (s.thumbDragging) {
        if (p.down)
            s.thumb = ThumbForDrag(l, p.y, s.thumbGrab);
        else
            s.thumbDragging = false;
    }

    if (s.opacityDragging) {
        const int i = s.opacityLayer;
        if (!p.down || i < 1 || i >= doc.layerCount) {
            s.opacityDragging = false;
            s.opacityLayer = -1;
            // The whole drag is one step.
            if (i >= 1 && i < doc.layerCount && doc.layers[i].opacity != opacityBefore.opacity &&
                BeginDocumentEdit(kStepOpacity, i)) {
                SaveLayerSettings(doc, i, opacityBefore);
                EndDocumentEdit();
            }
        } else {
            const int opacity = OpacityAtPointer(LayerRowTop(l, i, s.scroll), p.y);
            if (opacity != doc.layers[i].opacity) {
                doc.layers[i].opacity = opacity;
                ApplyLayerInfo(doc, i);
                // The title says "modified" while the drag goes on; the step
                // comes when it ends.
                doc.modified = true;
                doc.flatCopy = false;
            }
        }
    }

    if (s.blendList >= 0) {
        const int i = s.blendList;
        const int row = i < doc.layerCount ? BlendListRowAt(LayerRowTop(l, i, s.scroll), p.x, p.y) : -1;
        if (s.blendListSticky) {
            // Opened by a click: the next press chooses a mode or closes it.
            if (p.clicked) {
                if (row >= 0 && row != doc.layers[i].blendMode)
                    ChangeSetting(i, kStepBlendMode, [row](LayerInfo& info) { info.blendMode = row; });
                s.blendList = -1;
                s.blendListSticky = false;
            }
        } else {
            if (row != s.blendPressRow) s.blendListMoved = true;
            if (!p.down) {
                // A release after moving through the list chooses a mode; a
                // click on the button leaves the list open.
                if (row >= 0 && s.blendListMoved && row != doc.layers[i].blendMode)
                    ChangeSetting(i, kStepBlendMode, [row](LayerInfo& info) { info.blendMode = row; });
                if (s.blendListMoved)
                    s.blendList = -1;
                else
                    s.blendListSticky = true;
            }
        }
    }

    // A press on the blend button opens its list: moving within the list
    // chooses a mode, moving away from it drags the row.
    if (s.dragState == 1 && p.down && LayerDragStarted(s.dragPressY, p.y) && !OverOpenBlendList(l, p.x, p.y)) {
        s.dragState = 2;
        s.blendList = -1;
        s.blendListSticky = false;
    }
    if (s.dragState != 0 && !p.down) {
        const int from = s.dragFrom;
        if (s.dragState == 2 && from >= 1 && from < doc.layerCount) {
            const int below = DropGapAt(l, s.scroll, doc.layerCount, from, p.x, p.y);
            if (below >= 0) {
                CloseNameField();
                if (BeginDocumentEdit(kStepMoveLayer, from)) {
                    if (MoveLayer(doc, from, below)) {
                        doc.currentLayer = MovedLayerIndex(from, below);
                        EndDocumentEdit();
                    } else {
                        CancelDocumentEdit();
                    }
                }
            }
        }
        s.dragState = 0;
        s.dragFrom = -1;
    }
}

// Ctrl+E works the current layer's merge button.
void MergeOnRequest() {
    if (!app.mergeRequested) return;
    app.mergeRequested = false;
    const int i = app.document.currentLayer;
    if (i >= 1 && i < app.document.layerCount && app.layerPanel.dragState == 0) RemoveOrMerge(i, true);
}

// ---- Drawing ----

void Outline(int control, int rowTop) {
    const LayerControlRect r = LayerControlOutline(control, rowTop);
    OutlineRect(r.x, r.y, r.w, r.h);
}

void Face(int control, int rowTop, int x, int y, int w, int h, bool hover) {
    SetGrey(hover ? 0.8f : 0.9f);
    FillRect(x, y, w, h);
    SetGrey(0);
    Outline(control, rowTop);
}

void Toggle(int control, int rowTop, int x, int y, bool on, bool hover) {
    SetGrey(0);
    Outline(control, rowTop);
    SetGrey(hover ? 0.8f : on ? 0.0f : 1.0f);
    FillRect(x, y, 10, 10);
    // The symbols are mid grey so they read on both faces.
    SetGrey(0.5f);
}

void Triangle(float x0, float y0, float x1, float y1, float x2, float y2) {
    glBegin(GL_TRIANGLES);
    glVertex2f(x0, y0);
    glVertex2f(x1, y1);
    glVertex2f(x2, y2);
    glEnd();
}

void Cross(int cx, int cy, int half) {
    glBegin(GL_QUADS);
    const float a = float(half), t = 1.2f;
    glVertex2f(cx - a - t, cy - a + t);
    glVertex2f(cx + a - t, cy + a + t);
    glVertex2f(cx + a + t, cy + a - t);
    glVertex2f(cx - a + t, cy - a - t);
    glVertex2f(cx + a - t, cy - a - t);
    glVertex2f(cx - a - t, cy + a - t);
    glVertex2f(cx - a + t, cy + a + t);
    glVertex2f(cx + a + t, cy - a + t);
    glEnd();
}

bool Hovered(const LayerHit& hit, int control, int layer) { return hit.control == control && hit.layer == layer; }

void DrawNameField(int i, int y, const LayerHit& hit) {
    char* name = app.document.layers[i].name;
    SetGrey(0);
    const UiRect zone{25, y + 60, 100, 8};
    // Only a field the pointer is on (inside the panel) can take a click; an
    // open one is drawn as it stands until the click that closes it.
    if (i > 0 && Hovered(hit, kLayerNameField, i))
        TextField(kSmallFont, 25, y + 61, zone, name, kLayerNameBytes, false);
    else
        DrawText(kSmallFont, 25, y + 61, name);
}

void DrawRow(int i, int y, const LayerHit& hit) {
    const Document& doc = app.document;
    const LayerInfo& info = doc.layers[i];

    Face(kLayerAddButton, y, 124, y - 16, 12, 12, Hovered(hit, kLayerAddButton, i));
    SetGrey(0);
    FillRect(126, y - 11, 8, 2);
    FillRect(129, y - 14, 2, 8);

    SetGrey(0);
    Outline(kLayerRowBox, y);
    if (i == doc.currentLayer)
        SetColour(1.0f, 0.8f, 0.7f);
    else
        SetGrey(1);
    FillRect(20, y, 110, 70);
    SetGrey(0);
    OutlineRect(24, y + 4, 52, 52);
    DrawLayerThumbnail(info.thumbnail, 25, y + 5, 1.0f);
    DrawNameField(i, y, hit);
    if (i == 0) return;

    Face(kLayerBlendButton, y, 77, y + 1, 52, 12, Hovered(hit, kLayerBlendButton, i));
    DrawText(kSmallFont, 80, y + 5, BlendModeName(info.blendMode));

    Toggle(kLayerHideToggle, y, 82, y + 30, info.hidden, Hovered(hit, kLayerHideToggle, i));
    FillRect(84, y + 34, 6, 2);  // an eye: lid line and pupil
    FillRect(86, y + 33, 2, 4);
    Toggle(kLayerLockToggle, y, 82, y + 45, info.lockTransparency, Hovered(hit, kLayerLockToggle, i));
    OutlineRect(85, y + 47, 4, 4);  // a padlock: shackle and body
    FillRect(84, y + 50, 6, 4);
    if (doc.animationMode) {
        Toggle(kLayerAnimateToggle, y, 96, y + 30, info.animated, Hovered(hit, kLayerAnimateToggle, i));
        FillRect(98, y + 32, 2, 6);  // two film frames
        FillRect(102, y + 32, 2, 6);
    }

    SetGrey(0);
    Outline(kLayerOpacitySlider, y);
    SetGrey(Hovered(hit, kLayerOpacitySlider, i) ? 0.8f : 1.0f);
    FillRect(110, y + 15, 15, 41);
    const int fill = OpacityFillHeight(info.opacity);
    SetGrey(0.4f);
    FillRect(110, y + 56 - fill, 15, fill);

    Face(kLayerRemoveButton, y, 131, y + 20, 20, 20, Hovered(hit, kLayerRemoveButton, i));
    SetGrey(0);
    Cross(141, y + 30, 5);

    Face(kLayerMergeButton, y, 65, y + 74, 20, 12, Hovered(hit, kLayerMergeButton, i));
    SetGrey(0);
    Triangle(71, y + 77, 79, y + 77, 75, y + 83);  // down into the layer below
}

void DrawScrollBar(const LayerPanelLayout& l, bool hover) {
    if (!l.scrollBar) return;
    const int top = ThumbTop(l, app.layerPanel.thumb);
    SetGrey(hover || app.layerPanel.thumbDragging ? 0.8f : 1.0f);
    FillRect(kClipX, top, kStripWidth, l.thumbHeight);
    SetGrey(0);
    OutlineRect(kClipX, top, kStripWidth, l.thumbHeight);
}

void DrawInsertionBars(const LayerPanelLayout& l) {
    const LayerPanelState& s = app.layerPanel;
    const int n = app.document.layerCount;
    const int chosen = DropGapAt(l, s.scroll, n, s.dragFrom, ui.pointer.x, ui.pointer.y);
    for (int i = 0; i < n; ++i) {
        if (i == s.dragFrom || i == s.dragFrom - 1) continue;
        const int y = LayerRowTop(l, i, s.scroll);
        SetGrey(i == chosen ? 0.0f : 0.65f);
        FillRect(15, y - 11, 130, 3);
        Triangle(13, y - 14, 13, y - 5, 22, y - 9.5f);
    }
}

void DrawBlendList(const LayerPanelLayout& l) {
    const LayerPanelState& s = app.layerPanel;
    if (s.blendList < 0 || s.blendList >= app.document.layerCount) return;
    const int y = LayerRowTop(l, s.blendList, s.scroll);
    const int row = BlendListRowAt(y, ui.pointer.x, ui.pointer.y);
    if (PointerIn(kBlendListX, y, kBlendListWidth, 56)) ui.pointerOverInterface = true;
    SetGrey(0.9f);
    FillRect(kBlendListX, y, kBlendListWidth, 56);
    for (int k = 0; k < kBlendModeCount; ++k) {
        if (k == row) {
            SetGrey(0.8f);
            FillRect(kBlendListX + 1, y + 1 + kBlendListRow * k, kBlendListWidth - 2, kBlendListRow);
        }
        SetGrey(0);
        DrawText(kSmallFont, 80, y + 3 + kBlendListRow * k, BlendModeName(k));
    }
    SetGrey(0);
    OutlineRect(kBlendListX, y, kBlendListWidth, 56);
}

void TrackNameField() {
    LayerPanelState& s = app.layerPanel;
    s.nameEditLayer = -1;
    if (ui.editing)
        for (int i = 1; i < app.document.layerCount; ++i)
            if (ui.editBuffer == app.document.layers[i].name) s.nameEditLayer = i;
    if (s.nameEditLayer != renameLayer) FinishRename();
    if (s.nameEditLayer >= 1 && renameLayer < 0) {
        renameLayer = s.nameEditLayer;
        renameBefore = app.document.layers[renameLayer];
    }
}

}  // namespace

void DrawLayerThumbnail(uint32_t texture, int x, int y, float alpha) {
    if (!texture) return;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    if (alpha < 1.0f) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    glColor4f(1, 1, 1, alpha);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 1);
    glVertex2i(x, y);
    glTexCoord2f(0, 0.21875f);
    glVertex2i(x, y + 50);
    glTexCoord2f(0.78125f, 0.21875f);
    glVertex2i(x + 50, y + 50);
    glTexCoord2f(0.78125f, 1);
    glVertex2i(x + 50, y);
    glEnd();
    glDisable(GL_TEXTURE_2D);
    if (alpha < 1.0f) glDisable(GL_BLEND);
}

void DrawLayerPanel() {
    Document& doc = app.document;
    LayerPanelState& s = app.layerPanel;
    const PointerSnapshot& p = ui.pointer;
    CountDownLayerAction(s.actionPause);

    // Act first, on the layout the pointer saw, then draw what results.
    LayerPanelLayout l = LayoutLayerPanel(doc.layerCount, ui.windowHeight);
    s.thumb = ClampThumb(l, s.thumb);
    s.scroll = ScrollForThumb(l, s.thumb);
    const bool interactive = !PopupOrDialogOpen() && s.dragState != 2 && s.blendList < 0 && !s.opacityDragging &&
                             !s.thumbDragging;
    const bool overThumb =
        l.scrollBar && interactive && PointerIn(kClipX, ThumbTop(l, s.thumb), kStripWidth, l.thumbHeight);
    if (overThumb && p.clicked) {
        s.thumbDragging = true;
        s.thumbGrab = p.y - ThumbTop(l, s.thumb);
    }
    LayerHit hit = interactive ? HitLayerPanel(l, s.scroll, doc.layerCount, doc.animationMode, p.x, p.y) : LayerHit();
    if (p.clicked && hit.control != kLayerNoControl)
        PressControl(hit, p.y, LayerRowTop(l, hit.layer, s.scroll));
    FollowDrags(l);
    MergeOnRequest();
    doc.currentLayer = std::clamp(doc.currentLayer, 0, std::max(doc.layerCount - 1, 0));

    l = LayoutLayerPanel(doc.layerCount, ui.windowHeight);
    s.thumb = ClampThumb(l, s.thumb);
    s.scroll = ScrollForThumb(l, s.thumb);
    const bool stillInteractive = interactive && s.dragState != 2 && s.blendList < 0 && !s.opacityDragging;
    hit = stillInteractive ? HitLayerPanel(l, s.scroll, doc.layerCount, doc.animationMode, p.x, p.y) : LayerHit();
    if (const char* tip = TooltipFor(hit.control)) SetTooltip(tip);
    const bool dragging = s.dragState != 0 || s.opacityDragging || s.thumbDragging || s.blendList >= 0;
    if (PointerIn(0, l.top, kLayerPanelWidth, l.visible) || dragging) ui.pointerOverInterface = true;

    GradientBar(kClipX, l.top, kClipWidth, l.visible);
    SetGrey(0);
    OutlineRect(0, l.top, kLayerPanelWidth, l.visible);
    glEnable(GL_SCISSOR_TEST);
    InterfaceScissor(kClipX, l.bottom - l.visible, kClipWidth, l.visible, app.window.height, UiScale());
    DrawScrollBar(l, overThumb);
    for (int i = 0; i < doc.layerCount; ++i) {
        const int y = LayerRowTop(l, i, s.scroll);
        // Rows wholly outside the panel (with the add button above and the
        // merge button below) draw nothing.
        if (y + 90 < l.top || y - 20 > l.bottom) continue;
        DrawRow(i, y, hit);
    }
    if (s.dragState == 2) DrawInsertionBars(l);
    DrawBlendList(l);
    glDisable(GL_SCISSOR_TEST);
    TrackNameField();
}
