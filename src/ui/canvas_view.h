#pragma once
#include <cstdint>
#include <vector>

struct Document;

// The canvas half of the frame: the document's tiles under the view's zoom,
// rotation, scroll and mirror, the overlays that follow the pointer, and the
// sliding overview in the top right corner.
//
// Coordinates. Document points have pixel centres at whole numbers (a tile
// quad's corners fall on pixel centres). Canvas points, as the view's mouse
// mapping and the tools use them, are document points plus one half. Window
// points are the window's pixel grid, y down, pixel centres at .5.
//
// The arithmetic lives in plain functions below; only DrawCanvasView and
// UpdateOverviewTexture talk to OpenGL.

struct ViewPoint {
    float x = 0, y = 0;
};

// The view as drawn: a document point d lands at
// centre + zoom * (offset + R(rotation) * d), with d.x first replaced by
// mirrorEdge - d.x when mirrored.
struct CanvasTransform {
    float centreX = 0, centreY = 0;
    float zoom = 1;
    float offsetX = 0, offsetY = 0;
    float rotation = 0;  // degrees
    float cosine = 1, sine = 0;
    bool mirrored = false;
    float mirrorEdge = 0;  // document width - 1
};

CanvasTransform MakeCanvasTransform(int windowWidth, int windowHeight, float zoom, float offsetX, float offsetY,
                                    float rotationDegrees, bool mirrored, int documentWidth);
ViewPoint CanvasToWindow(const CanvasTransform& t, ViewPoint document);
ViewPoint WindowToCanvas(const CanvasTransform& t, ViewPoint window);
// The same mapping as a column-major model-view matrix for glLoadMatrixf.
void CanvasMatrix(const CanvasTransform& t, float matrix[16]);
// The transform without the mirror, for points given in the view's own frame.
CanvasTransform Unmirrored(CanvasTransform t);

// --- Tiles -------------------------------------------------------------------

// A tile's quad in document points and its texture coordinates. The quad runs
// from the centre of the first document pixel the tile shows to the centre of
// the last, clipped to the document; a coordinate x samples the texel centre
// of pixel x, so the two pixels tiles share keep linear filtering seamless.
struct TileQuad {
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    float s0 = 0, t0 = 0, s1 = 0, t1 = 0;
};

// False when the tile's rectangle clipped to the document is empty.
bool ClipTileQuad(int tileX0, int tileY0, int tileX1, int tileY1, int documentWidth, int documentHeight,
                  TileQuad& quad);
// Whether any part of the quad can show in a window of this size.
bool TileQuadVisible(const CanvasTransform& t, const TileQuad& quad, int windowWidth, int windowHeight);

// --- Overlays ----------------------------------------------------------------

// A line vertex in window points; lines are vertex pairs.
struct OverlayVertex {
    float x = 0, y = 0;
    bool white = false;
};

// Whether a line over the document pixel nearest to (x, y) is drawn white (on
// a dark pixel) or black. Reads the display buffer of the first tile whose
// 128-pixel square holds the pixel; off every tile counts as white paper.
bool ContrastWhite(const Document& doc, float x, float y);

// Pieces a contrast line of this on-screen length is cut into: about one per
// four pixels, at least one per pixel for short lines.
int ContrastPieces(float screenLength);

// Appends the contrast line from window point a to b; each piece's ends take
// their colour from the document pixel shown under them.
void AppendContrastLine(std::vector<OverlayVertex>& lines, const Document& doc, const CanvasTransform& t, ViewPoint a,
                        ViewPoint b);

// What the overlays need from the rest of the program each frame.
struct CanvasOverlayInput {
    int pointerX = -1, pointerY = -1;  // window pixels; -1 before the first movement
    bool pointerInWindow = false;
    ViewPoint canvasCursor;  // canvas point under the pointer, in the view's unmirrored frame
    float brushRadius = 1.6f;  // effective radius of the last sample
    float brushSize = 1.6f;
    float hardness = 0.7f;
    int paintMode = 0;  // non-zero: an eraser
    bool altHeld = false, controlHeld = false, shiftHeld = false;
    bool leftButton = false;
    bool navigating = false;  // Space held: the navigation circle shows
    bool strokeDrawn = false;
    ViewPoint lastPainted;  // canvas point of the last stroke's end
    bool cursorHidden = false;            // the system cursor is hidden over the canvas
    bool brushCircleMarksPointer = false;  // the brush outline alone marks the pointer
    bool pointerOverInterface = false;     // in the previous frame
    bool pointerInBrushShapeSquare = false;
};

// Every overlay line of the frame in window points, in drawing order.
std::vector<OverlayVertex> CanvasOverlayLines(const Document& doc, const CanvasTransform& t,
                                              const CanvasOverlayInput& in, int windowWidth, int windowHeight);

// --- Overview ----------------------------------------------------------------

constexpr int kOverviewTextureSide = 256;
constexpr int kMinOverviewSize = 64;
constexpr int kMaxOverviewSize = 512;
// Tiles redrawn per frame by a partial refresh.
constexpr int kOverviewTilesPerFrame = 32;

struct OverviewState {
    bool show = false;
    int size = 128;  // height of the picture in interface units
    float slide = 1;  // 1 fully in view, 0 slid out above the window
    float fade = 1;   // drawn while above 0; dips to -2 to stay hidden a while
    bool hoverLatch = false;
    int dragStartSize = 0;
    int dragStartY = -1;  // -1: no resize drag
    int nextTile = 0;
    int band = 0;  // 64-row band of the texture the next partial refresh keeps
    bool fullRefresh = true;
    uint32_t texture = 0;
    bool textureCreated = false;
};

// The pointer as the overview's controls see it this frame, in interface units.
struct OverviewPointer {
    int x = -1, y = -1;
    bool down = false;
    bool clicked = false;  // down now, up in the previous frame
    bool overMenuBar = false;  // in the previous frame
};

float SlideStep(float slide, bool show);

// Where the picture and its controls lie this frame, in interface units (the
// overview is part of the interface and scales with it; see ui_scale.h).
struct OverviewLayout {
    float width = 0, height = 0;  // of the picture at full slide
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // the picture's quad, slid
    float s1 = 1, t1 = 0;  // texture corner opposite (0, 1)
    float buttonX0 = 0, buttonY0 = 1, buttonX1 = 0, buttonY1 = 11;
    float gripX0 = 0, gripY0 = 0, gripX1 = 0, gripY1 = 0;
};
OverviewLayout LayoutOverview(int windowWidth, int overviewSize, int documentWidth, int documentHeight, float slide);

// What one frame of the overview shows and what the pointer did to it.
struct OverviewFrame {
    OverviewLayout layout;
    bool drawPicture = false;
    float alpha = 1;
    bool buttonHot = false;
    bool showGrip = false;
    bool gripHot = false;
    const char* tooltip = nullptr;
    bool pointerOverInterface = false;
};

// Advances slide and fade one frame and handles the show/hide button and the
// resize drag.
OverviewFrame StepOverview(OverviewState& o, const OverviewPointer& p, int windowWidth, int documentWidth,
                           int documentHeight);

// The tiles the next overview refresh redraws: [first, first + count) of the
// tile list, cyclically. Moves the remembered position on.
struct TileSpan {
    int first = 0;
    int count = 0;
};
TileSpan OverviewRefreshSpan(int tileCount, bool full, int& nextTile);

// --- Drawing -----------------------------------------------------------------

struct CanvasView {
    OverviewState overview;
    bool smooth = true;  // linear magnification; off while the brush paints whole pixels
    bool wasDown = false;
    std::vector<OverlayVertex> overlay;  // the lines the last frame drew over the canvas
};

struct CanvasFrameInput {
    int windowWidth = 0, windowHeight = 0;
    CanvasTransform transform;
    CanvasOverlayInput overlay;
    bool pointerOverMenuBar = false;  // in the previous frame; the overview's button then ignores it
};

// What the frame's canvas half leaves for the interface drawn over it.
struct CanvasFrameResult {
    const char* tooltip = nullptr;
    bool pointerOverInterface = false;
};

// Refreshes the overview (when shown), clears the window and draws the
// canvas half of the frame. The document's composite must be up to date.
CanvasFrameResult DrawCanvasView(CanvasView& view, Document& doc, const CanvasFrameInput& in);
