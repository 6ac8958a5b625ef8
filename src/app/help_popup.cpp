#include "app/app_state.h"
#include "app/filter_dialogs.h"
#include "app/popups.h"
#include "ui/text.h"
#include "ui/widgets.h"

// A box of first steps in the bottom right corner; F1 shows and hides it.
void DrawHelpPopup() {
    const int x = ui.windowWidth - 490, y = ui.windowHeight - 200;
    const int w = 480, h = 190;
    // An open filter dialog lies over the same corner and has the pointer.
    if (!FilterDialogOpen() && PointerIn(x, y, w, h)) {
        SetTooltip("Help me help you");
        ui.pointerOverInterface = true;
    }
    SetColour(1.0f, 0.95f, 0.85f);
    FillRect(x, y, w, h);
    SetGrey(0);
    OutlineRect(x, y, w, h);

    DrawTextF(x + 4, y + 4, "Help   (F1 to close this popup)");
    DrawTextF(x + 230, y + 4, "Larger text: Settings > Interface scale");
    DrawTextF(x + 5, y + 26, "Hold mouse cursor over things to get information.");
    DrawTextF(x + 5, y + 42, "Paint with mouse or tablet. [ ] size, Shift+[ ] hardness.");
    DrawTextF(x + 5, y + 58, "Alt or P:");
    DrawTextF(x + 79, y + 58, "Color picking and brush settings (Q: brush popup).");
    DrawTextF(x + 5, y + 74, "Space:   Navigate. Click inside circle to scroll,");
    DrawTextF(x + 5, y + 89, "                                 or outside to rotate canvas. Middle drag scrolls.");
    DrawTextF(x + 5, y + 105, "Zoom with mousewheel or +/- keys, Ctrl+0 fits the picture.");
    DrawTextF(x + 5, y + 121, "Numpad * resets view to 100%% zoom, no rotation.");
    DrawTextF(x + 5, y + 137, "Ctrl+Z undo, Ctrl+Y or Ctrl+Shift+Z redo (Edit menu).");
    DrawTextF(x + 5, y + 153, "Brush popup presets: click uses one, Ctrl+click stores.");
    DrawTextF(x + 5, y + 169, "Ctrl+Shift+C copies the picture to other programs.");
}
