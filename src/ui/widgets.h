#pragma once
#include <cstddef>

// Immediate-mode controls: every frame each control tests the pointer against
// its own half-open rectangle while it draws itself. This file holds the
// shared pieces: the frame's pointer snapshot, the interface flags, rectangle
// primitives in the fixed greys, the tooltip, drop-down menu rows and the
// one-line text-entry field.

struct PointerSnapshot {
    int x = -1, y = -1;
    bool down = false;      // the left button is down now
    bool clicked = false;   // it went down since the previous frame
    bool released = false;  // it is up (menu items act on release)
};

struct UiState {
    PointerSnapshot pointer;
    bool wasDown = false;

    // Rebuilt every frame by the controls under the pointer.
    bool pointerOverInterface = false;
    bool pointerOverTopBar = false;
    bool overEditableField = false;
    // Set by a click over the interface, cleared once the button is up.
    bool clickTaken = false;

    // Tooltip: the text of the control under the pointer this frame, and the
    // rest counting that decides when it shows.
    char tooltip[256] = {};
    const char* tooltipSource = nullptr;
    int tooltipCounter = 0;
    int anchorX = 0, anchorY = 0;
    int lastX = 0, lastY = 0;
    bool showTooltips = true;

    // The open text-entry field, if any.
    bool editing = false;
    char* editBuffer = nullptr;
    size_t editCapacity = 0;  // bytes of editBuffer, terminating NUL included
    char editBackup[256] = {};
    bool numericOnly = false;
    bool keyboardShortcutsEnabled = true;
    // This frame's keys in the open field, for a form that moves on from one
    // field to the next: the field Enter closed and the field Tab was typed
    // in (still open); null when none.
    char* closedByEnter = nullptr;
    char* tabbedFrom = nullptr;

    // Keys the frame's input read for the interface.
    unsigned char typedChar = 0;
    bool enterPressed = false;
    bool escapePressed = false;

    int windowWidth = 0, windowHeight = 0;
};

extern UiState ui;

// Start of the interface half of a frame: the pointer snapshot (with the
// click edge), the per-frame flags cleared, the tooltip text emptied.
void BeginInterfaceFrame(int pointerX, int pointerY, bool leftDown, int windowWidth, int windowHeight);

bool PointerIn(int x, int y, int w, int h);  // half-open: x <= px < x + w, y <= py < y + h

// A rectangle in window pixels, for the placement and hit-test arithmetic.
struct UiRect {
    int x = 0, y = 0, w = 0, h = 0;
};
bool RectContains(const UiRect& r, int px, int py);  // half-open, as PointerIn

// Current-colour primitives in window pixels.
void SetGrey(float g);
void SetColour(float r, float g, float b, float a = 1.0f);
void FillRect(int x, int y, int w, int h);
void OutlineRect(int x, int y, int w, int h);  // one-pixel frame inside the rectangle
void GradientBar(int x, int y, int w, int h);  // grey 0.9 at the left to 0.7 at the right

// The control under the pointer names itself (and claims the pointer).
void SetTooltip(const char* text);
// Last in the frame: shows the tooltip after the pointer has rested on the
// same control for 41 frames. Being last, it also latches clickTaken when
// this frame's click landed on the interface (every claim is in by then).
void DrawTooltip();
// Whether a tooltip is counting towards showing: the frames still matter.
bool TooltipCounting();
// One frame of the rest counting on state (its pointer, tooltip text,
// counter, anchor and remembered position): true when the tooltip shows.
bool AdvanceTooltip(UiState& state);
// The tooltip box for text textWidth pixels wide resting at the anchor: above
// and right of it, pushed down to the top edge (and 5 pixels right) and left
// to end at the window's right edge.
UiRect PlaceTooltip(int anchorX, int anchorY, int textWidth, int windowWidth);

// A plain button: the face (x, y, w, h) in grey 0.8 under the pointer, else
// 0.9, and a black outline one pixel outside the face. Under the pointer it
// names itself (tooltip may be null) and claims the pointer. Returns true when
// it was clicked this frame. The caller draws the caption.
bool Button(int x, int y, int w, int h, const char* tooltip);

// Row r of a drop-down menu at x, width w: draws it (the label greyed when
// the row is not enabled) and returns whether the pointer is over it.
// Acting on release is the caller's.
bool MenuItem(int x, int w, int row, const char* label, bool enabled = true);
// The rectangle in which the pointer is over row r (the rows' backgrounds
// overlap by a pixel; the hover zones do not).
UiRect MenuRowHoverRect(int x, int w, int row);

// Draws buffer at (x, y) and opens it for editing when clicked. capacity is
// the buffer's size in bytes; a field holds at most min(47, capacity - 2)
// characters (one byte goes to the editing mark, one to the NUL).
void TextField(int x, int y, int w, char* buffer, size_t capacity, bool numeric);
// The same in another font with its own hot zone (the layer names: small font,
// a zone 8 pixels high from one pixel above the text).
void TextField(int font, int x, int y, const UiRect& zone, char* buffer, size_t capacity, bool numeric);
// How many characters a field over a buffer of capacity bytes holds.
int EditLimit(size_t capacity);
// Opens buffer for editing, committing any open field first. Text that fills
// its buffer (a name read from a file, say) loses only the last character the
// cursor needs; cancelling restores it whole.
void BeginEdit(char* buffer, size_t capacity);
void CommitEdit();
void CancelEdit();
// Once per frame before the panels: typed characters, backspace, Enter and
// Escape, and a click anywhere ends editing.
void ProcessEditKeys();
