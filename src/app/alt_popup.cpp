#include <algorithm>
#include <cmath>

#include "app/app_state.h"
#include "app/joystick_pressure.h"
#include "app/popups.h"
#include "paint/brush_dab.h"
#include "platform/log.h"
#include "platform/platform.h"
#include "ui/gl.h"
#include "ui/text.h"
#include "ui/ui_scale.h"
#include "ui/widgets.h"

namespace {

constexpr int kSquareSide = 100;
constexpr int kLastPosition = 99;
constexpr int kPixelBrushPosition = 100;
constexpr float kSizeRange = 126.0f;  // brush sizes 1..127

constexpr int kBarWidth = 10;
constexpr float kWheelStep = 0.1f;

constexpr int kToggleCount = 4;
constexpr int kToggleWidth = 15, kToggleHeight = 10;
constexpr float kInertiaOn = 0.9f;

// The preset slots, a row under the toggles.
constexpr int kPresetSide = 13, kPresetPitch = 15, kPresetTop = 132;
// The popup's panel, around the square, the bar, the toggles and the presets.
constexpr int kPanelWidth = 130, kPanelHeight = 153;

// The layer thumbnail's picture covers only part of its texture.
constexpr float kThumbnailRight = 0.78125f;
constexpr float kThumbnailBottom = 0.21875f;

int RoundToInt(float x) { return int(std::floor(x + 0.5f)); }

// What the popup shows when it opens: the brush and layer of the moment.
void TakeCurrentBrush(PopupState& p) {
    p.hardnessPosition = HardnessPosition(app.brush.hardness);
    p.sizePosition = SizePosition(app.brush.radius);
    p.pickedLayer = app.document.currentLayer;
    // What the last session found under the pointer must not stand in for
    // this one until the picking finds a layer again.
    app.pick.layerUnderPointer = app.document.currentLayer;
    p.pressureDragging = false;
    p.altOpen = true;
}

void OpenAltPopup(PopupState& p) {
    const platform::WindowState& w = app.window;
    int dx = 0, dy = 0;
    platform::ClientToDesktopOffset(dx, dy);
    const int clientX = w.x + dx, clientY = w.y + dy;
    // The popup is placed in the interface's logical units.
    const int scale = UiScale();
    const int screenX = LogicalFromWindow(w.mouseX, scale) + clientX;
    const int screenY = LogicalFromWindow(w.mouseY, scale) + clientY;
    const PopupOrigin origin = AltPopupOrigin(screenX, screenY, clientX, clientY);
    p.px = origin.px;
    p.py = origin.py;
    LogLine("Alt popup: px=%i py=%i canvas_mouse_window.x=%i .y=%i winx=%i winy=%i", p.px, p.py, screenX, screenY,
            clientX, clientY);
    TakeCurrentBrush(p);
}

// The popup key puts the square's crosshair (the current brush) under the
// pointer, so the pointer starts inside and a click there changes nothing;
// the popup is kept inside the window.
void OpenKeyPopup(PopupState& p) {
    const platform::WindowState& w = app.window;
    TakeCurrentBrush(p);
    p.px = std::clamp(w.mouseX - p.hardnessPosition, 10, std::max(10, w.width - kPanelWidth));
    p.py = std::clamp(w.mouseY - p.sizePosition, 25, std::max(25, w.height - kPanelHeight));
    p.keyOpen = true;
    p.pointerWasInside = false;
}

void CloseAltPopup(PopupState& p) {
    p.altOpen = false;
    p.keyOpen = false;
    p.brushSquareHot = false;
    p.pressureDragging = false;
}

bool ValidLayer(int layer) { return layer >= 0 && layer < app.document.layerCount; }

void SetBrushShape(float radius, float hardness) {
    if (radius == app.brush.radius && hardness == app.brush.hardness) return;
    app.brush.radius = radius;
    app.brush.hardness = hardness;
    if (app.brushShape) BuildBrushShape(*app.brushShape, radius, hardness);
}

// Holding the button in the square sets size and hardness from the pointer;
// Shift makes the hard pixel brush, shown without smoothing.
void BrushSquareInput(PopupState& p) {
    p.brushSquareHot = PointerIn(p.px, p.py, kSquareSide, kSquareSide);
    if (!p.brushSquareHot) return;
    SetTooltip("Change brush shape - up/down for size, left/right for hardness, Shift for pixel");
    ui.pointerOverInterface = true;
    if (!ui.pointer.down || p.pressureDragging) return;
    p.hardnessPosition = std::clamp(ui.pointer.x - p.px, 0, kLastPosition);
    p.sizePosition = std::clamp(ui.pointer.y - p.py, 0, kLastPosition);
    const bool pixel = app.shiftHeld;
    if (pixel) p.hardnessPosition = kPixelBrushPosition;
    app.brush.pressureSensitivity = !pixel;
    app.canvas.smooth = !pixel;
    SetBrushShape(BrushSizeAt(p.sizePosition), HardnessAt(p.hardnessPosition));
}

int PresetX(const PopupState& p, int slot) { return p.px + kPresetPitch * slot; }

bool PointerOnPresets(const PopupState& p) {
    return PointerIn(p.px, p.py + kPresetTop, kPresetPitch * kBrushPresetCount, kPresetSide);
}

// A click takes the slot's brush; Ctrl+click keeps the current brush there.
void PresetInput(PopupState& p) {
    for (int slot = 0; slot < kBrushPresetCount; ++slot) {
        if (!PointerIn(PresetX(p, slot), p.py + kPresetTop, kPresetSide, kPresetSide)) continue;
        SetTooltip("Brush preset - click to use it, Ctrl+click to keep the current brush here");
        ui.pointerOverInterface = true;
        if (!ui.pointer.clicked) return;
        BrushPreset& preset = app.brushPresets[size_t(slot)];
        if (app.ctrlHeld) {
            preset = PresetOfBrush(app.brush);
            return;
        }
        const float radius = app.brush.radius, hardness = app.brush.hardness;
        ApplyPresetToBrush(preset, app.brush);
        // SetBrushShape rebuilds the shape only for a change it sees.
        app.brush.radius = radius;
        app.brush.hardness = hardness;
        SetBrushShape(preset.radius, preset.hardness);
        app.canvas.smooth = preset.hardness != 1.0f;
        p.hardnessPosition = HardnessPosition(preset.hardness);
        p.sizePosition = SizePosition(preset.radius);
        return;
    }
}

// In layer-pick mode the popup shows the layer found under the pointer, and a
// click makes it the current layer (a Ctrl+click on a preset slot stores
// the brush instead).
void LayerPickInput(PopupState& p) {
    if (ValidLayer(app.pick.layerUnderPointer)) p.pickedLayer = app.pick.layerUnderPointer;
    if (app.ctrlHeld && ui.pointer.clicked && ValidLayer(p.pickedLayer) && !PointerOnPresets(p))
        app.document.currentLayer = p.pickedLayer;
}

// Each slot shows its brush as a dot: wider for a larger brush, darker for
// a harder one.
void DrawPresets(const PopupState& p) {
    for (int slot = 0; slot < kBrushPresetCount; ++slot) {
        const BrushPreset& preset = app.brushPresets[size_t(slot)];
        const int x = PresetX(p, slot), y = p.py + kPresetTop;
        const bool over = PointerIn(x, y, kPresetSide, kPresetSide);
        SetGrey(over ? 0.8f : 0.95f);
        FillRect(x, y, kPresetSide, kPresetSide);
        const int dot = std::clamp(RoundToInt(std::sqrt(preset.radius) * 1.0f), 1, kPresetSide - 2);
        SetGrey(0.6f * (1.0f - preset.hardness));
        FillRect(x + (kPresetSide - dot) / 2, y + (kPresetSide - dot) / 2, dot, dot);
        SetGrey(0);
        OutlineRect(x - 1, y - 1, kPresetSide + 2, kPresetSide + 2);
    }
}

void DrawPickedLayer(const PopupState& p) {
    const int x = p.px, y = p.py;
    SetGrey(1);
    if (!ValidLayer(p.pickedLayer)) {
        FillRect(x, y, kSquareSide, kSquareSide);
        return;
    }
    const LayerInfo& layer = app.document.layers[p.pickedLayer];
    if (layer.thumbnail) {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, layer.thumbnail);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 1);
        glVertex2i(x, y);
        glTexCoord2f(0, kThumbnailBottom);
        glVertex2i(x, y + kSquareSide);
        glTexCoord2f(kThumbnailRight, kThumbnailBottom);
        glVertex2i(x + kSquareSide, y + kSquareSide);
        glTexCoord2f(kThumbnailRight, 1);
        glVertex2i(x + kSquareSide, y);
        glEnd();
        glDisable(GL_TEXTURE_2D);
    } else {
        FillRect(x, y, kSquareSide, kSquareSide);
    }
    // The name on a white band along the bottom, so it reads over any picture.
    SetGrey(1);
    FillRect(x, y + 88, kSquareSide, 12);
    SetGrey(0);
    DrawText(kSmallFont, x + 2, y + 90, layer.name);
}

void SetRgb(unsigned rgb) {
    glColor4ub(GLubyte(rgb >> 16), GLubyte(rgb >> 8), GLubyte(rgb), 255);
}

// The primary colour, with a band of its pure hue when it has one.
void DrawColourPreview(const PopupState& p) {
    const ColorRecord& c = app.tool.primary;
    const int r = c.value[0], g = c.value[1], b = c.value[2];
    SetRgb(unsigned(r) << 16 | unsigned(g) << 8 | unsigned(b));
    FillRect(p.px, p.py, kSquareSide, kSquareSide);
    if (RgbSaturation(r, g, b) == 0) return;
    SetRgb(HsvToRgb(RgbHue(r, g, b), 255, 255));
    FillRect(p.px, p.py + kSquareSide - 8, kSquareSide, 8);
}

void DrawBrushSquare(const PopupState& p) {
    if (app.ctrlHeld)
        DrawPickedLayer(p);
    else
        DrawColourPreview(p);
    // Crosshair in black beside white, visible on any face.
    const int cx = p.px + p.hardnessPosition, cy = p.py + p.sizePosition;
    SetGrey(1);
    FillRect(cx + 1, p.py, 1, kSquareSide);
    FillRect(p.px, cy + 1, kSquareSide, 1);
    SetGrey(0);
    FillRect(cx, p.py, 1, kSquareSide);
    FillRect(p.px, cy, kSquareSide, 1);
    OutlineRect(p.px - 1, p.py - 1, kSquareSide + 2, kSquareSide + 2);
}

void PressureBar(PopupState& p) {
    const int x = p.px + 110, y = p.py;
    const bool over = PointerIn(x, y, kBarWidth, kSquareSide);
    if (over) {
        SetTooltip("Change pressure scale/maximum");
        ui.pointerOverInterface = true;
        if (ui.pointer.clicked) p.pressureDragging = true;
    }
    if (!ui.pointer.down) p.pressureDragging = false;

    float scale = app.brush.pressureScale;
    if (p.pressureDragging) scale = 1.0f - float(ui.pointer.y - y) * 0.01f;
    scale += kWheelStep * float(app.window.wheel);
    scale = std::clamp(scale, 0.0f, 1.0f);
    app.brush.pressureScale = scale;

    const int marker = y + RoundToInt((1.0f - scale) * float(kSquareSide));
    SetGrey(over ? 0.8f : 0.9f);
    FillRect(x, y, kBarWidth, kSquareSide);
    SetGrey(0.5f);
    FillRect(x, marker, kBarWidth, y + kSquareSide - marker);
    SetGrey(0);
    FillRect(x, std::min(marker, y + kSquareSide - 2), kBarWidth, 2);
    OutlineRect(x - 1, y - 1, kBarWidth + 2, kSquareSide + 2);
}

struct ToggleText {
    const char* caption;
    const char* tooltip;
};

constexpr ToggleText kToggles[kToggleCount] = {
    {"Jy", "Toggle joystick pressure control (self-calibrating)"},
    {"Av", "Toggle line avoidance (line art layer above colors)"},
    {"Bs", "Toggle pressure-controlled brush size"},
    {"Bi", "Toggle brush inertia (simple path-smoothing)"},
};

bool ToggleOn(int k) {
    switch (k) {
        case 0: return app.joystick.on;
        case 1: return app.brush.lineAvoidance;
        case 2: return app.brush.pressureControlledSize;
        default: return app.brush.inertia > 0.0f;
    }
}

// Line avoidance and pressure-controlled size exclude each other.
void FlipToggle(int k) {
    BrushSettings& brush = app.brush;
    switch (k) {
        case 0: SetJoystickPressureOn(app.joystick, !app.joystick.on); break;
        case 1:
            brush.lineAvoidance = !brush.lineAvoidance;
            if (brush.lineAvoidance) brush.pressureControlledSize = false;
            break;
        case 2:
            brush.pressureControlledSize = !brush.pressureControlledSize;
            if (brush.pressureControlledSize) brush.lineAvoidance = false;
            break;
        default: brush.inertia = brush.inertia > 0.0f ? 0.0f : kInertiaOn; break;
    }
}

void Toggles(const PopupState& p) {
    for (int k = 0; k < kToggleCount; ++k) {
        const int x = p.px + 30 + 20 * k, y = p.py + 115;
        const bool over = PointerIn(x, y, kToggleWidth, kToggleHeight);
        if (over) {
            SetTooltip(kToggles[k].tooltip);
            ui.pointerOverInterface = true;
            if (ui.pointer.clicked) FlipToggle(k);
        }
        const bool on = ToggleOn(k);
        SetGrey(on ? 0.0f : over ? 0.8f : 0.9f);
        FillRect(x, y, kToggleWidth, kToggleHeight);
        SetGrey(0);
        OutlineRect(x - 1, y - 1, kToggleWidth + 2, kToggleHeight + 2);
        SetGrey(on ? 1.0f : 0.0f);
        DrawText(kSmallFont, x + 2, y + 3, kToggles[k].caption);
    }
}

}  // namespace

PopupOrigin AltPopupOrigin(int pointerScreenX, int pointerScreenY, int clientX, int clientY) {
    PopupOrigin o;
    o.px = pointerScreenX - clientX - 150;
    o.py = pointerScreenY - clientY + 50;
    if (o.px < 10) {
        o.px = 10;
        o.py += 20;
    }
    return o;
}

int HardnessPosition(float hardness) {
    return std::clamp(RoundToInt(hardness * 100.0f), 0, kPixelBrushPosition);
}

int SizePosition(float radius) {
    const float share = std::clamp((radius - 1.0f) / kSizeRange, 0.0f, 1.0f);
    return RoundToInt(float(kLastPosition) * std::sqrt(share));
}

float HardnessAt(int hardnessPosition) { return float(hardnessPosition) / 100.0f; }

float BrushSizeAt(int sizePosition) {
    const float share = float(sizePosition) / float(kLastPosition);
    return 1.0f + kSizeRange * share * share;
}

// The popup key opens the popup, or closes the one it opened; a popup it
// opened closes once the pointer has been inside and left.
void FollowPopupKey(PopupState& p) {
    const bool toggle = p.keyToggleRequested;
    p.keyToggleRequested = false;
    if (toggle && p.keyOpen) {
        CloseAltPopup(p);
    } else if (toggle && !p.altOpen) {
        OpenKeyPopup(p);
    }
    if (!p.keyOpen) return;
    const bool inside = PointerIn(p.px - 5, p.py - 5, kPanelWidth, kPanelHeight);
    if (p.pointerWasInside && !inside) CloseAltPopup(p);
    p.pointerWasInside = inside;
}

void DrawAltPopup() {
    PopupState& p = app.popups;
    FollowPopupKey(p);
    if (!app.altHeld && !p.keyOpen) {
        CloseAltPopup(p);
        return;
    }
    if (!p.altOpen) OpenAltPopup(p);

    if (PointerIn(p.px - 5, p.py - 5, kPanelWidth, kPanelHeight)) ui.pointerOverInterface = true;
    BrushSquareInput(p);
    PresetInput(p);
    LayerPickInput(p);

    GradientBar(p.px - 5, p.py - 5, kPanelWidth, kPanelHeight);
    SetGrey(0);
    OutlineRect(p.px - 6, p.py - 6, kPanelWidth + 2, kPanelHeight + 2);
    DrawBrushSquare(p);
    PressureBar(p);
    Toggles(p);
    DrawPresets(p);
}

void StepBrushSize(int steps) {
    PopupState& p = app.popups;
    p.sizePosition = std::clamp(SizePosition(app.brush.radius) + steps * kSizeKeyStep, 0, kLastPosition);
    SetBrushShape(BrushSizeAt(p.sizePosition), app.brush.hardness);
}

void StepBrushHardness(int steps) {
    PopupState& p = app.popups;
    p.hardnessPosition = std::clamp(HardnessPosition(app.brush.hardness) + steps * kHardnessKeyStep, 0, kLastPosition);
    // Leaving the pixel brush brings back what it turned off, as the square does.
    app.brush.pressureSensitivity = true;
    app.canvas.smooth = true;
    SetBrushShape(app.brush.radius, HardnessAt(p.hardnessPosition));
}

void DrawPopups() {
    DrawColourEditor();
    DrawAltPopup();
}
