#include "ui/widgets.h"

#include <cstdlib>
#include <cstring>

#include "ui/gl.h"
#include "ui/text.h"

UiState ui;

namespace {

constexpr int kTooltipDelay = 40;      // frames of rest before it shows (shown once exceeded)
constexpr int kTooltipSlack = 8;       // pixels the pointer may drift from where it rested
constexpr int kTooltipHeight = 17;
constexpr int kMenuRowHeight = 17;
constexpr int kMenuTop = 16;           // the drop-downs hang from the bottom of the top bar
constexpr int kFieldHeight = 12;
constexpr int kMaxFieldCharacters = 47;
constexpr char kCursor = '_';
constexpr unsigned char kBackspace = 8;
constexpr unsigned char kTab = 9;

bool AcceptsCharacter(unsigned char c, bool numericOnly) {
    if (numericOnly) return c >= '0' && c <= '9';
    if (c >= 32 && c <= 127) return true;
    switch (c) {
        case 197: case 196: case 214: case 229: case 228: case 246: return true;  // Å Ä Ö å ä ö
        default: return false;
    }
}

void CopyBounded(char* to, size_t capacity, const char* from) {
    if (capacity == 0) return;
    std::strncpy(to, from, capacity - 1);
    to[capacity - 1] = 0;
}

void Close() {
    ui.editing = false;
    ui.editBuffer = nullptr;
    ui.editCapacity = 0;
}

void RemoveCursor() {
    const size_t n = std::strlen(ui.editBuffer);
    if (n > 0) ui.editBuffer[n - 1] = 0;
}

void TypeCharacter(unsigned char c) {
    char* buffer = ui.editBuffer;
    const size_t n = std::strlen(buffer);  // the cursor included
    if (c == kBackspace) {
        if (n > 1) {
            buffer[n - 2] = kCursor;
            buffer[n - 1] = 0;
        }
        return;
    }
    if (static_cast<int>(n) > EditLimit(ui.editCapacity) || !AcceptsCharacter(c, ui.numericOnly)) return;
    buffer[n - 1] = static_cast<char>(c);
    buffer[n] = kCursor;
    buffer[n + 1] = 0;
}

}  // namespace

void BeginInterfaceFrame(int pointerX, int pointerY, bool leftDown, int windowWidth, int windowHeight) {
    ui.pointer.x = pointerX;
    ui.pointer.y = pointerY;
    ui.pointer.down = leftDown;
    ui.pointer.clicked = leftDown && !ui.wasDown;
    ui.pointer.released = !leftDown;
    ui.wasDown = leftDown;

    ui.pointerOverInterface = false;
    ui.pointerOverTopBar = false;
    ui.overEditableField = false;
    if (!leftDown) ui.clickTaken = false;
    ui.tooltip[0] = 0;
    ui.windowWidth = windowWidth;
    ui.windowHeight = windowHeight;
}

bool RectContains(const UiRect& r, int px, int py) { return px >= r.x && px < r.x + r.w && py >= r.y && py < r.y + r.h; }

bool PointerIn(int x, int y, int w, int h) { return RectContains({x, y, w, h}, ui.pointer.x, ui.pointer.y); }

// --- Primitives ------------------------------------------------------------

void SetGrey(float g) { glColor4f(g, g, g, 1.0f); }

void SetColour(float r, float g, float b, float a) { glColor4f(r, g, b, a); }

void FillRect(int x, int y, int w, int h) {
    glBegin(GL_QUADS);
    glVertex2i(x, y);
    glVertex2i(x, y + h);
    glVertex2i(x + w, y + h);
    glVertex2i(x + w, y);
    glEnd();
}

void OutlineRect(int x, int y, int w, int h) {
    FillRect(x, y, 1, h);
    FillRect(x, y, w, 1);
    FillRect(x + w - 1, y, 1, h);
    FillRect(x, y + h - 1, w, 1);
}

void GradientBar(int x, int y, int w, int h) {
    glBegin(GL_QUADS);
    SetGrey(0.9f);
    glVertex2i(x, y);
    glVertex2i(x, y + h);
    SetGrey(0.7f);
    glVertex2i(x + w, y + h);
    glVertex2i(x + w, y);
    glEnd();
}

// --- Tooltip ---------------------------------------------------------------

void SetTooltip(const char* text) {
    if (!text) return;
    if (text != ui.tooltipSource) ui.tooltipCounter = 0;
    ui.tooltipSource = text;
    CopyBounded(ui.tooltip, sizeof ui.tooltip, text);
}

bool TooltipCounting() { return ui.showTooltips && ui.tooltip[0] != 0 && ui.tooltipCounter <= kTooltipDelay; }

bool AdvanceTooltip(UiState& s) {
    if (!s.showTooltips || s.tooltip[0] == 0) {
        s.tooltipCounter = 0;
        return false;
    }
    const int px = s.pointer.x, py = s.pointer.y;
    if (std::abs(px - s.anchorX) > kTooltipSlack || std::abs(py - s.anchorY) > kTooltipSlack || s.pointer.down)
        s.tooltipCounter = 0;
    ++s.tooltipCounter;
    if (s.tooltipCounter > kTooltipDelay) {
        s.lastX = px;
        s.lastY = py;
        return true;
    }
    if (px != s.lastX || py != s.lastY) {
        s.tooltipCounter = 0;
        s.anchorX = s.lastX = px;
        s.anchorY = s.lastY = py;
    }
    return false;
}

UiRect PlaceTooltip(int anchorX, int anchorY, int textWidth, int windowWidth) {
    UiRect box{anchorX + 2, anchorY - 18, textWidth + 5, kTooltipHeight};
    if (box.y < 0) {
        box.y = 0;
        box.x += 5;
    }
    if (box.x + box.w > windowWidth) box.x = windowWidth - box.w;
    return box;
}

void DrawTooltip() {
    if (ui.pointer.clicked && ui.pointerOverInterface) ui.clickTaken = true;
    if (!AdvanceTooltip(ui)) return;
    const UiRect box = PlaceTooltip(ui.anchorX, ui.anchorY, TextWidth(kNormalFont, ui.tooltip), ui.windowWidth);
    SetColour(1.0f, 0.95f, 0.85f);
    FillRect(box.x, box.y, box.w, box.h);
    SetGrey(0);
    OutlineRect(box.x, box.y, box.w, box.h);
    DrawText(kNormalFont, box.x + 3, box.y + 2, ui.tooltip);
}

// --- Controls ----------------------------------------------------------------

bool Button(int x, int y, int w, int h, const char* tooltip) {
    const bool inside = PointerIn(x, y, w, h);
    if (inside) {
        SetTooltip(tooltip);
        ui.pointerOverInterface = true;
    }
    SetGrey(inside ? 0.8f : 0.9f);
    FillRect(x, y, w, h);
    SetGrey(0);
    OutlineRect(x - 1, y - 1, w + 2, h + 2);
    return inside && ui.pointer.clicked;
}

UiRect MenuRowHoverRect(int x, int w, int row) {
    return {x + 1, kMenuRowHeight * row + kMenuTop + 1, w - 2, kMenuRowHeight};
}

bool MenuItem(int x, int w, int row, const char* label, bool enabled) {
    const bool hover = RectContains(MenuRowHoverRect(x, w, row), ui.pointer.x, ui.pointer.y);
    const int top = kMenuRowHeight * row + kMenuTop;
    SetGrey(hover ? 0.8f : 0.9f);
    FillRect(x + 1, top, w - 2, kMenuRowHeight + 1);
    SetGrey(0);
    OutlineRect(x, kMenuTop, w, kMenuRowHeight * row + kMenuRowHeight + 1);
    if (!enabled) SetGrey(0.55f);
    DrawText(kNormalFont, x + 3, top + 3, label);
    SetGrey(0);
    return hover;
}

// --- Text entry --------------------------------------------------------------

int EditLimit(size_t capacity) {
    if (capacity < 2) return 0;
    return capacity - 2 < static_cast<size_t>(kMaxFieldCharacters) ? static_cast<int>(capacity - 2)
                                                                     : kMaxFieldCharacters;
}

void TextField(int x, int y, int w, char* buffer, size_t capacity, bool numeric) {
    TextField(kNormalFont, x, y, UiRect{x, y, w, kFieldHeight}, buffer, capacity, numeric);
}

void TextField(int font, int x, int y, const UiRect& zone, char* buffer, size_t capacity, bool numeric) {
    DrawText(font, x, y, buffer);
    if (!RectContains(zone, ui.pointer.x, ui.pointer.y)) return;
    ui.overEditableField = true;
    if (!ui.pointer.clicked) return;
    ui.numericOnly = numeric;
    BeginEdit(buffer, capacity);
}

void BeginEdit(char* buffer, size_t capacity) {
    ui.typedChar = 0;
    if (ui.editing) CommitEdit();
    if (!buffer || capacity < 2) return;
    CopyBounded(ui.editBackup, sizeof ui.editBackup, buffer);
    // Text from elsewhere (a file, say) may fill the buffer: cut only what the
    // cursor needs; cancelling gives the whole of it back.
    size_t n = std::strlen(buffer);
    if (n > capacity - 2) n = capacity - 2;
    buffer[n] = kCursor;
    buffer[n + 1] = 0;
    ui.editBuffer = buffer;
    ui.editCapacity = capacity;
    ui.editing = true;
}

void CommitEdit() {
    if (!ui.editing) return;
    RemoveCursor();
    Close();
}

void CancelEdit() {
    if (!ui.editing) return;
    CopyBounded(ui.editBuffer, ui.editCapacity, ui.editBackup);
    Close();
}

void ProcessEditKeys() {
    ui.closedByEnter = ui.tabbedFrom = nullptr;
    if (!ui.editing) {
        ui.keyboardShortcutsEnabled = true;
        ui.typedChar = 0;
        return;
    }
    ui.keyboardShortcutsEnabled = false;
    if (ui.typedChar == kTab) ui.tabbedFrom = ui.editBuffer;
    if (ui.typedChar) TypeCharacter(ui.typedChar);
    if (ui.enterPressed) {
        ui.enterPressed = false;
        ui.closedByEnter = ui.editBuffer;
        CommitEdit();
    }
    if (ui.escapePressed) CancelEdit();
    if (ui.pointer.clicked && ui.editing) CommitEdit();
    ui.typedChar = 0;
}
