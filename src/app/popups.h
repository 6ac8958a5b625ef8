#pragma once

// The transient surfaces: the Alt popup (brush shape, pressure scale, tool
// toggles, layer pick, colour preview), the colour editor opened from the
// foreground swatch, the help popup and the new-canvas-size dialog.

struct PopupState {
    // Alt popup.
    bool altOpen = false;
    int px = 0, py = 0;
    bool brushSquareHot = false;
    int hardnessPosition = 70;
    int sizePosition = 0;
    bool pressureDragging = false;
    int pickedLayer = 0;
    // Opened by the popup key instead of Alt: it stays open until the
    // pointer leaves it or the key is pressed again.
    bool keyOpen = false;
    bool keyToggleRequested = false;  // the key was pressed this pass
    bool pointerWasInside = false;

    // Colour editor.
    bool editorOpen = false;
    int hue = 0, saturation = 0, value = 0;
    bool editorShown = false;  // drawn last frame; an editor not yet shown takes the primary colour
    int editorDrag = -1;       // the strip being dragged: 0 hue, 1 saturation, 2 value
    char hexText[9] = {};      // the hex field: #RRGGBB
    char hexShown[9] = {};     // what the field last showed of the primary colour

    // New-canvas-size dialog: 0 closed, 1 requested, 2 open.
    int sizeDialog = 0;
    char widthText[16] = {};
    char heightText[16] = {};
};

// 8-bit display RGB and the editor's hue (0..251), saturation and value.
unsigned HsvToRgb(int h, int s, int v);  // 0xRRGGBB
int RgbValue(int r, int g, int b);
int RgbSaturation(int r, int g, int b);
int RgbHue(int r, int g, int b);

// Where the Alt popup's square goes for a pointer at a desktop position, with
// the window's client area starting at clientX, clientY on the desktop: left
// of and below the pointer, kept clear of the window's left edge.
struct PopupOrigin {
    int px = 0, py = 0;
};
PopupOrigin AltPopupOrigin(int pointerScreenX, int pointerScreenY, int clientX, int clientY);

// The brush-shape square: hardness across (0..99, 100 for the pixel brush),
// size down (0..99, growing with the square of the position).
int HardnessPosition(float hardness);
int SizePosition(float radius);
float HardnessAt(int hardnessPosition);
float BrushSizeAt(int sizePosition);

// The brush keys: steps along the popup's size scale (four positions a
// step) and its hardness scale (a tenth a step, never reaching the pixel
// brush, which only Shift in the square makes). The popup, when open, shows
// the new brush.
constexpr int kSizeKeyStep = 4;
constexpr int kHardnessKeyStep = 10;
void StepBrushSize(int steps);
void StepBrushHardness(int steps);

// A side of the new canvas as typed: decimal digits only (leading zeros
// allowed), 1..kMaxDocumentSide. False for anything else.
bool ParseCanvasSide(const char* text, int& side);

// A colour typed as #RRGGBB or RRGGBB (hex digits in either case) as
// 0xRRGGBB; false for anything else.
bool ParseHexColour(const char* text, unsigned& rgb);

// The foreground swatch opens the colour editor on the primary colour.
void OpenColourEditor();
// A press outside the colour editor's panel closes it.
void ColourEditorAreaTest();
// The colour editor and the Alt popup, when open.
void DrawPopups();
void DrawColourEditor();
void DrawAltPopup();
void DrawHelpPopup();
void DrawCanvasSizeDialog();
