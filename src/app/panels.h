#pragma once
#include <cstdint>

// The fixed screen furniture drawn over the canvas every frame: the top menu
// bar and its menus, the colour swatches with the [X] and [E/B] buttons, the
// layer panel, the animation panel and the hints over the canvas. Each
// function draws its part and acts on the pointer at once (immediate mode);
// DrawFrame calls them in the interface's drawing order.

struct ColorRecord;
struct Document;

// Interface state of the panels, kept across frames.
struct MenuBarState {
    int openMenu = -1;
    bool armed = false;   // a press on a title opened it: dragging along the bar switches menus
    bool sticky = false;  // opened by a click: open with the button up
    bool wasDown = false;
};

struct LayerPanelState {
    int actionPause = 0;  // frames during which layer buttons ignore clicks
    int scroll = 0;
    int thumb = 0;  // scroll-bar thumb, in pixels up from the bottom of the strip
    bool thumbDragging = false;
    int thumbGrab = 0;  // pointer y minus the thumb's top when the drag began
    int dragFrom = -1;
    int dragPressY = 0;
    int dragGrab = 0;   // pointer y minus the row's top at the press, for the ghost
    int dragState = 0;  // 0 none, 1 pressed, 2 dragging
    int blendList = -1;
    int blendPressRow = -1;      // the list row under the pointer when it opened
    bool blendListMoved = false; // the pointer has left that row since
    bool blendListSticky = false; // opened by a click: open with the button up
    bool opacityDragging = false;
    int opacityLayer = -1;
    int nameEditLayer = -1;  // the layer whose name field is open
};

struct AnimationPanelState {
    char fpsText[16] = {};
    char durationText[16] = {};
};

// Redraws the thumbnail texture of every layer whose thumbnail is dirty.
void RenderDirtyThumbnails();

void DrawLayerPanel();
// The foreground swatch, [X], [E/B], and the ghost of a dragged layer row.
void DrawSwatches();
void DrawMenuBar();
void DrawAnimationPanel();
// The hints over the canvas when the pointer is not over the interface (the
// picking modes, the invisible current layer).
void DrawCanvasHints();

// A layer's thumbnail texture as a 50 x 50 square at (x, y), for the panel,
// the dragged row's ghost and the layer pick.
void DrawLayerThumbnail(uint32_t texture, int x, int y, float alpha);

// ---- Layer panel geometry, shared by the drawing and its hit tests ----

constexpr int kLayerRowStep = 90;
constexpr int kLayerPanelWidth = 162;
constexpr int kLayerActionPause = 15;
constexpr int kLayerDragThreshold = 5;

struct LayerPanelLayout {
    int bottom = 0;    // window y where the panel ends, 80 above the window's bottom
    int content = 0;   // height of all rows
    int visible = 0;   // height shown, never negative
    int top = 0;       // bottom - visible
    bool scrollBar = false;
    int thumbHeight = 0;
    int thumbTravel = 0;  // how far the thumb can move
};

LayerPanelLayout LayoutLayerPanel(int layerCount, int windowHeight);
// Top of layer's row box; layer 0 is the lowest row.
int LayerRowTop(const LayerPanelLayout& layout, int layer, int scroll);
int ClampThumb(const LayerPanelLayout& layout, int thumb);
// How far the rows move down for a thumb position: 0 at the bottom of the
// strip (the bottom layers), content - visible at its top.
int ScrollForThumb(const LayerPanelLayout& layout, int thumb);
int ThumbTop(const LayerPanelLayout& layout, int thumb);
int ThumbForDrag(const LayerPanelLayout& layout, int pointerY, int grab);

// The opacity a press or drag at pointerY gives the slider of the row at
// rowTop (255 at its top, 0 at its bottom), and the slider's fill height.
int OpacityAtPointer(int rowTop, int pointerY);
int OpacityFillHeight(int opacity);

bool LayerDragStarted(int pressY, int pointerY);
// The layer directly below the gap a dragged layer would be dropped into at
// the pointer; -1 outside the rows and for the two gaps next to the layer.
int DropGapAt(const LayerPanelLayout& layout, int scroll, int layerCount, int from, int pointerX, int pointerY);
// Where MoveLayer(from, below) puts the moved layer.
int MovedLayerIndex(int from, int below);

// True when a layer button may act now; it then holds the buttons off for
// the following frames.
bool TakeLayerAction(int& pause);
void CountDownLayerAction(int& pause);

enum LayerControl {
    kLayerNoControl,
    kLayerAddButton,
    kLayerRowBox,
    kLayerNameField,
    kLayerBlendButton,
    kLayerHideToggle,
    kLayerLockToggle,
    kLayerAnimateToggle,
    kLayerOpacitySlider,
    kLayerRemoveButton,
    kLayerMergeButton,
};

struct LayerControlRect {
    int control = kLayerNoControl;
    int x = 0, y = 0, w = 0, h = 0;
};

constexpr int kMaxRowControls = 10;
// The hot zones of one row, the small controls before the row box that lies
// under them. Returns how many were written.
int LayerRowControls(int layer, int rowTop, bool animationMode, LayerControlRect* out);

// The black outline drawn around a control of the row whose top is rowTop.
LayerControlRect LayerControlOutline(int control, int rowTop);

struct LayerHit {
    int control = kLayerNoControl;
    int layer = -1;
};
// The control under the pointer: only inside the panel's clipped area.
LayerHit HitLayerPanel(const LayerPanelLayout& layout, int scroll, int layerCount, bool animationMode, int pointerX,
                       int pointerY);
// Row of the open blend list under the pointer, or -1.
int BlendListRowAt(int rowTop, int pointerX, int pointerY);

// ---- Animation panel ----

constexpr int kMinFramesPerSecond = 1;
constexpr int kMaxFramesPerSecond = 100;

// Reads the leading decimal digits of a field (leading zeros are just zeros)
// and clamps the value to lo..hi; no digits read as 0 before clamping.
int ParseFieldNumber(const char* text, int lo, int hi);

// ---- Thumbnails ----

constexpr int kThumbnailSide = 128;
// The layer's 128 x 128 RGBA thumbnail: 100 x 101 samples of the document
// over a checkerboard, rows bottom up as a copy from the frame buffer holds
// them (the panel shows s 0..0.78125, t 0.21875..1).
void BuildLayerThumbnail(const Document& doc, int layer, const ColorRecord& paintColour, uint8_t* rgba);
