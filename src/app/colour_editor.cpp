#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/app_state.h"
#include "app/popups.h"
#include "image/color_record.h"
#include "ui/gl.h"
#include "ui/widgets.h"

namespace {

// The editor's panel; a press outside it closes the editor.
constexpr int kPanelX = 10, kPanelY = 20, kPanelWidth = 140, kPanelHeight = 400;

// Hue, saturation and value strips, one row per parameter step.
constexpr int kStripCount = 3;
constexpr int kStripX[kStripCount] = {24, 64, 104};
constexpr int kStripTop = 110;
constexpr int kStripWidth = 32;
constexpr int kStripSteps = 256;
constexpr int kLastHue = 251;

void CloseEditor(PopupState& p) {
    if (ui.editing && ui.editBuffer == p.hexText) CommitEdit();
    p.editorOpen = false;
    p.editorShown = false;
    p.editorDrag = -1;
}

void TakePrimary(PopupState& p) {
    const ColorRecord& c = app.tool.primary;
    const int r = c.value[0], g = c.value[1], b = c.value[2];
    p.hue = RgbHue(r, g, b);
    p.saturation = RgbSaturation(r, g, b);
    p.value = RgbValue(r, g, b);
}

int Parameter(const PopupState& p, int strip) {
    if (strip == 0) return p.hue;
    if (strip == 1) return p.saturation;
    return p.value;
}

void SetParameter(PopupState& p, int strip, int v) {
    if (strip == 0)
        p.hue = v;
    else if (strip == 1)
        p.saturation = v;
    else
        p.value = v;
}

// The colour at step t of a strip: hues at full strength, the saturations of
// the chosen hue at full value, the values of the chosen hue and saturation.
unsigned StripColour(const PopupState& p, int strip, int t) {
    if (strip == 0) return HsvToRgb(t, 255, 255);
    if (strip == 1) return HsvToRgb(p.hue, t, 255);
    return HsvToRgb(p.hue, p.saturation, t);
}

void SetRgb(unsigned rgb) { glColor4ub(GLubyte(rgb >> 16), GLubyte(rgb >> 8), GLubyte(rgb), 255); }

void SetPrimaryFromHsv(const PopupState& p) {
    const unsigned rgb = HsvToRgb(p.hue, p.saturation, p.value);
    ColorRecord& primary = app.tool.primary;
    primary = DisplayColor(int(rgb >> 16 & 255), int(rgb >> 8 & 255), int(rgb & 255), primary.value[3]);
}

void StripInput(PopupState& p) {
    if (!ui.pointer.down) p.editorDrag = -1;
    if (ui.pointer.clicked) {
        for (int k = 0; k < kStripCount; ++k)
            if (PointerIn(kStripX[k], kStripTop, kStripWidth, kStripSteps)) p.editorDrag = k;
    }
    if (p.editorDrag < 0) return;
    int v = std::clamp(ui.pointer.y - kStripTop, 0, kStripSteps - 1);
    if (p.editorDrag == 0 && v > kLastHue) v = 0;
    SetParameter(p, p.editorDrag, v);
    SetPrimaryFromHsv(p);
}

void DrawStrip(const PopupState& p, int strip) {
    const int x = kStripX[strip];
    glBegin(GL_QUADS);
    for (int t = 0; t < kStripSteps; ++t) {
        SetRgb(StripColour(p, strip, t));
        const int y = kStripTop + t;
        glVertex2i(x, y);
        glVertex2i(x, y + 1);
        glVertex2i(x + kStripWidth, y + 1);
        glVertex2i(x + kStripWidth, y);
    }
    glEnd();
    SetGrey(0);
    OutlineRect(x - 1, kStripTop - 1, kStripWidth + 2, kStripSteps + 2);
    // Markers on both sides at the parameter's row.
    const int y = kStripTop + Parameter(p, strip);
    FillRect(x - 5, y - 1, 4, 3);
    FillRect(x + kStripWidth + 1, y - 1, 4, 3);
}

// The hex field: shows the primary colour as #RRGGBB; text typed into it
// becomes the primary colour once the field closes (Enter, or a click
// elsewhere), when it reads as a colour.
constexpr int kHexFieldX = 24, kHexFieldY = 385, kHexFieldWidth = 112;

void WriteHex(PopupState& p) {
    const ColorRecord& c = app.tool.primary;
    std::snprintf(p.hexText, sizeof p.hexText, "#%02X%02X%02X", c.value[0] & 255, c.value[1] & 255, c.value[2] & 255);
    std::memcpy(p.hexShown, p.hexText, sizeof p.hexShown);
}

void HexField(PopupState& p) {
    const bool editing = ui.editing && ui.editBuffer == p.hexText;
    if (!editing) {
        unsigned rgb = 0;
        if (std::strcmp(p.hexText, p.hexShown) != 0 && ParseHexColour(p.hexText, rgb)) {
            ColorRecord& primary = app.tool.primary;
            primary = DisplayColor(int(rgb >> 16 & 255), int(rgb >> 8 & 255), int(rgb & 255), primary.value[3]);
            TakePrimary(p);
        }
        WriteHex(p);
    }
    SetGrey(1);
    FillRect(kHexFieldX, kHexFieldY - 2, kHexFieldWidth, 16);
    SetGrey(0);
    OutlineRect(kHexFieldX - 1, kHexFieldY - 3, kHexFieldWidth + 2, 18);
    TextField(kHexFieldX + 3, kHexFieldY, kHexFieldWidth - 3, p.hexText, sizeof p.hexText, false);
}

void DrawPreview() {
    const ColorRecord& c = app.tool.primary;
    SetRgb(unsigned(c.value[0]) << 16 | unsigned(c.value[1]) << 8 | unsigned(c.value[2]));
    FillRect(24, 80, 112, 24);
    SetGrey(0);
    OutlineRect(23, 79, 114, 26);
}

}  // namespace

bool ParseHexColour(const char* text, unsigned& rgb) {
    if (*text == '#') ++text;
    unsigned value = 0;
    int digits = 0;
    for (; *text; ++text, ++digits) {
        const char c = *text;
        int d = -1;
        if (c >= '0' && c <= '9') d = c - '0';
        if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
        if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
        if (d < 0 || digits == 6) return false;
        value = value << 4 | unsigned(d);
    }
    if (digits != 6) return false;
    rgb = value;
    return true;
}

void OpenColourEditor() { app.popups.editorOpen = true; }

void ColourEditorAreaTest() {
    PopupState& p = app.popups;
    if (!p.editorOpen || !ui.pointer.clicked) return;
    if (!PointerIn(kPanelX, kPanelY, kPanelWidth, kPanelHeight)) CloseEditor(p);
    // The press that closes the editor does nothing else.
    ui.pointerOverInterface = true;
}

void DrawColourEditor() {
    PopupState& p = app.popups;
    if (!p.editorOpen) {
        CloseEditor(p);
        return;
    }
    // However the editor was opened, it starts from the primary colour.
    if (!p.editorShown) {
        TakePrimary(p);
        p.editorShown = true;
    }
    // While it is open the whole window is its: a press anywhere closes it
    // and does nothing else (such as paint).
    ui.pointerOverInterface = true;
    StripInput(p);

    SetGrey(0);
    OutlineRect(kPanelX - 1, kPanelY - 1, kPanelWidth + 2, kPanelHeight + 2);
    GradientBar(kPanelX, kPanelY, kPanelWidth, kPanelHeight);
    DrawPreview();
    for (int k = 0; k < kStripCount; ++k) DrawStrip(p, k);
    HexField(p);
}
