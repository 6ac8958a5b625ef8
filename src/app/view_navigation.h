#pragma once

// Where the canvas lies in the window, how far it is turned, how large it is
// drawn and whether it is mirrored; the keys and drags that move it and the
// mapping between the mouse and the canvas. Plain arithmetic on a record: the
// caller reads the keyboard and the window and passes what it found.
//
// One pass of the frame's input calls the steps in this order (other work of
// the pass sits between some of them):
//   MouseToCanvas, ApplyZoomKeys, UpdateZoom, StepViewReset,
//   TriggerRotationReset, StepRotationReset, ApplyMirrorKey,
//   UpdateSpaceNavigation, SnapViewOffset.

struct Float2 {
    float x = 0, y = 0;
};

struct Float3 {
    float x = 0, y = 0, z = 0;
};

enum NavigationMode { kNavigationNone = 0, kNavigationScrolling = 1, kNavigationRotating = 2 };

// Passes that Numpad * and Space+Shift give the easing animations.
constexpr int kViewResetFrames = 40;
constexpr int kRotationResetFrames = 40;
constexpr int kMinZoomStep = 4;
constexpr int kMaxZoomStep = 48;
constexpr int kHomeZoomStep = 20;  // 100 %

struct ViewState {
    // A canvas point c is shown at window centre + zoomFactor * (viewOffset + R(viewRotation) c),
    // so the offset is in unrotated view units.
    Float3 viewOffset;
    float viewRotation = 0;  // degrees
    int zoomStep = kHomeZoomStep;
    float zoomFactor = 1;  // eased towards zoomTarget every pass
    float zoomTarget = 1;
    bool mirrored = false;

    int viewResetFrames = 0;      // passes left of the eased return home; 0 when idle
    int rotationResetFrames = 0;  // passes left of the eased return to no rotation
    Float3 rotationPivot;         // canvas point kept in place while the rotation eases out

    Float3 mouseOffset;        // mouse relative to the window centre, before prediction
    Float2 mouseViewPosition;  // the (predicted) mouse offset divided by the zoom
    Float3 canvasPoint;        // canvas point under the mouse this pass, before mirroring
    Float3 canvasCursor;       // the same, but held still while Alt is down

    // Mouse offsets of the two previous passes, and whether the previous pass
    // extrapolated instead of taking the mouse as it was.
    Float2 previousMouse;
    Float2 mouseBeforePrevious;
    bool previousPredicted = false;

    NavigationMode navigationMode = kNavigationNone;
    Float2 dragMouse;    // eased mouse view position of a scroll drag
    Float3 grabVector;   // grabbed point relative to the view, unrotated
    Float3 dragPivot;    // canvas point a rotation drag turns about
    float angleOffset = 0;

    // Previous pass's keys, so that holding a key acts once.
    bool zoomKeysHeld = false;  // Numpad +, - and * share one memory
    bool mirrorKeyHeld = false;
};

// What one pass knows about the window, the document and the keys.
struct ViewInput {
    int mouseX = 0, mouseY = 0;  // window client pixels, y down
    int windowWidth = 0, windowHeight = 0;
    int canvasWidth = 0, canvasHeight = 0;
    bool altHeld = false, shiftHeld = false, spaceHeld = false;
    bool leftButton = false;
    bool numpadPlus = false, numpadMinus = false, numpadStar = false;
    bool fitKey = false;       // Ctrl+0
    bool middleButton = false;  // drags scroll as Space+drag inside the circle does
    bool fHeld = false;
    int wheel = 0;  // +1 a notch up, -1 a notch down, 0 none
};

// Turns the x and y of v by degrees about the z axis.
Float3 RotateVector(Float3 v, float degrees);

// Centres the canvas in the window at 100 %, unturned and unmirrored.
void ResetView(ViewState& view, int canvasWidth, int canvasHeight);

// The zoom factor a zoom step eases towards; exactly 1 at the home step.
float ZoomTarget(int step);

// Mouse offset, motion prediction, mouse view position, canvas point and
// (unless Alt is held) canvas cursor.
void MouseToCanvas(ViewState& view, const ViewInput& in);

// The canvas point the tools act on: the canvas point with mirroring applied.
Float3 ToolCanvasPoint(const ViewState& view, int canvasWidth);

// Numpad + and - (by 4, never landing on 22 or 18), Numpad * (home step and
// both resets), Ctrl+0 (the fitting step and both resets) once per press,
// and the wheel by 2 while Alt is up.
void ApplyZoomKeys(ViewState& view, const ViewInput& in);

// The largest zoom step (on the wheel's grid of twos) at which the whole
// canvas fits in the window; the smallest step when none does.
int FitZoomStep(int canvasWidth, int canvasHeight, int windowWidth, int windowHeight);

// Clamps the zoom step and eases the zoom factor one pass towards its target.
void UpdateZoom(ViewState& view);

// One pass of the eased return of the offset to the home position.
void StepViewReset(ViewState& view, int canvasWidth, int canvasHeight);

// Space+Shift (re)starts the rotation reset; it restarts every pass while held.
void TriggerRotationReset(ViewState& view, const ViewInput& in);
// One pass of the rotation easing to 0, the short way round, turning about the
// canvas point that was at the window centre when it started.
void StepRotationReset(ViewState& view);

// Flips the view left to right, keeping the canvas where it was on screen.
void MirrorView(ViewState& view, int canvasWidth);
// F, once per press and only while Space is up; true when the view was
// mirrored (the interface then treats the click as taken).
bool ApplyMirrorKey(ViewState& view, const ViewInput& in);

// Radius of the navigation circle in view units, and whether the mouse is
// inside it (inside a drag scrolls, outside it rotates).
float NavigationCircleRadius(const ViewState& view, int windowWidth, int windowHeight);
bool InsideNavigationCircle(const ViewState& view, int windowWidth, int windowHeight);

// Space with the left button: scrolls or rotates the view; releasing either
// ends it. The middle button alone scrolls, wherever it is pressed.
void UpdateSpaceNavigation(ViewState& view, const ViewInput& in);

// Whether the navigation circle shows: while Space is held (before a press,
// so the painter sees whether a drag will scroll or turn) and while a drag
// navigates.
bool NavigationCircleShows(const ViewState& view, bool spaceHeld);

// At exactly 100 %, unturned and with no reset running, rounds the offset down
// to whole pixels so the canvas is drawn pixel-aligned.
void SnapViewOffset(ViewState& view);

// The drawing transform. Document coordinates have pixel centres at whole
// numbers (as the tile quads are drawn); window coordinates are the window's
// pixel grid with y down and pixel centres at .5. The canvas point of the
// mouse is the document point plus one half.
struct ViewTransform {
    float centreX = 0, centreY = 0;  // the window point the view offset is relative to
    float zoom = 1;
    float offsetX = 0, offsetY = 0;
    float cosine = 1, sine = 0;
    bool mirrored = false;  // clear it to map overlays that mirror their points themselves
    float mirrorEdge = 0;   // document x that the mirror maps 0 to
};

ViewTransform MakeViewTransform(const ViewState& view, int windowWidth, int windowHeight, int canvasWidth);
Float2 DocumentToWindow(const ViewTransform& t, Float2 document);
Float2 WindowToDocument(const ViewTransform& t, Float2 window);
// The same mapping as a column-major 4 x 4 model-view matrix.
void ViewMatrix(const ViewTransform& t, float matrix[16]);
