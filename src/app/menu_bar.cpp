#include <cstdio>
#include <string>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/edits.h"
#include "app/filter_dialogs.h"
#include "app/panels.h"
#include "image/animation.h"
#include "image/color_profile.h"
#include "ui/text.h"
#include "ui/ui_scale.h"
#include "ui/widgets.h"

namespace {

constexpr int kBarWidth = 650, kBarHeight = 17;
constexpr int kMenuCount = 5;
constexpr int kRowHeight = 17;

struct Menu {
    int x, slot;
    const char* title;  // the profile menu's title names the current profile
    const char* tooltip;
    int dropWidth;
};

const Menu kMenus[kMenuCount] = {
    {0, 45, "File", "File operations", 92},
    {45, 40, "Edit", "Undo and redo", 120},
    {85, 88, "Settings", "Configure various program settings", 140},
    {173, 250, nullptr, "Color profiles change the way colors blend - conversion is lossy", 190},
    {423, 80, "Filters", "Image filters - applied to current layer", 220},
};

enum { kFileMenu, kEditMenu, kSettingsMenu, kProfileMenu, kFiltersMenu };

const char* const kFileRows[] = {"New", "Open", "Save", "Save as...", "Exit"};
const char* const kFileCommands[] = {"new-dimensions", "open", "save", "saveas", "exit"};
const char* const kEditRows[] = {"Undo   Ctrl+Z", "Redo   Ctrl+Y"};
const char* const kSettingsRows[] = {"Tooltips", "Animation", "Interface scale"};
constexpr int kScaleRow = 2;
const char* const kFilterRows[] = {"Invert", "Levels", "Transparency noise", "Blur", "Greyscale mask", "Lens flare"};
enum { kInvertRow, kLevelsRow, kNoiseRow, kBlurRow, kGreyscaleRow, kLensFlareRow };

int RowCount(int menu) {
    switch (menu) {
        case kFileMenu: return 5;
        case kEditMenu: return 2;
        case kSettingsMenu: return 3;
        case kProfileMenu: return kProfileCount;
        default: return 6;
    }
}

// The row names the scale in use; a click moves on to the next.
const char* ScaleRowLabel() {
    static char label[32];
    std::snprintf(label, sizeof label, "%s %i%%", kSettingsRows[kScaleRow], UiScale());
    return label;
}

const char* RowLabel(int menu, int row) {
    switch (menu) {
        case kFileMenu: return kFileRows[row];
        case kEditMenu: return kEditRows[row];
        case kSettingsMenu: return row == kScaleRow ? ScaleRowLabel() : kSettingsRows[row];
        case kProfileMenu: return BuiltinProfile(row)->name;
        default: return kFilterRows[row];
    }
}

void NextInterfaceScale() {
    app.uiScaleSetting = NextUiScale(UiScale());
    SetUiScale(app.uiScaleSetting);
}

void ToggleTooltips() {
    app.showTooltips = !app.showTooltips;
    ui.showTooltips = app.showTooltips;
}

// Rows that would replace, edit or write the document while a dialog holds
// it: they do nothing then (the commands they post would be refused as well,
// but Settings > Animation acts at once). A filter dialog's row may switch
// dialogs: opening one cancels the open filter dialog first.
bool WaitsForDialog(int menu, int row) {
    if (!DialogHoldsDocument()) return false;
    switch (menu) {
        case kFileMenu: return row != 4;  // Exit asks before anything is lost
        case kEditMenu: return true;
        case kSettingsMenu: return row == 1;
        case kProfileMenu: return true;
        default: return row == kInvertRow || row == kGreyscaleRow || app.popups.sizeDialog != 0;
    }
}

void Act(int menu, int row) {
    Document& doc = app.document;
    if (WaitsForDialog(menu, row)) return;
    switch (menu) {
        case kFileMenu: PostCommand(kFileCommands[row]); return;
        case kEditMenu:
            if (row == 0)
                UndoEdit();
            else
                RedoEdit();
            return;
        case kSettingsMenu:
            if (row == 0)
                ToggleTooltips();
            else if (row == kScaleRow)
                NextInterfaceScale();
            else if (doc.animationMode)
                PostCommand("animexit");
            else
                EnterAnimation(doc);
            return;
        case kProfileMenu: PostCommand("color " + std::to_string(row)); return;
        default: break;
    }
    switch (row) {
        case kInvertRow: PostCommand("filter 0"); break;
        case kGreyscaleRow: PostCommand("filter 1"); break;
        case kLevelsRow: OpenFilterDialog(kLevelsDialog); break;
        case kNoiseRow:
            if (doc.currentLayer != 0) OpenFilterDialog(kNoiseDialog);
            break;
        case kBlurRow: OpenFilterDialog(kBlurDialog); break;
        default: break;  // lens flare
    }
}

// The Edit menu's rows name the step they would take; a row with no step
// is greyed.
std::string EditRowTooltip(int row) { return row == 0 ? UndoTooltip() : RedoTooltip(); }

// Rows that do nothing now: drawn greyed, and under the pointer they say why.
bool RowDisabled(int menu, int row) {
    if (WaitsForDialog(menu, row)) return true;
    if (menu == kEditMenu) return EditRowTooltip(row).empty();
    if (menu != kFiltersMenu) return false;
    return row == kLensFlareRow || (row == kNoiseRow && app.document.currentLayer == 0);
}

void DisabledRowTooltip(int menu, int row) {
    if (WaitsForDialog(menu, row)) {
        SetTooltip("Close the open dialog first");
        return;
    }
    if (menu == kEditMenu) {
        // The tooltip waits for the pointer to rest on one text: keep it in
        // one place.
        static char tips[2][128];
        std::snprintf(tips[row], sizeof tips[row], "%s", EditRowTooltip(row).c_str());
        if (tips[row][0]) SetTooltip(tips[row]);
        return;
    }
    if (menu != kFiltersMenu) return;
    if (row == kLensFlareRow) SetTooltip("This is not the filter you're looking for");
    if (row == kNoiseRow && app.document.currentLayer == 0) SetTooltip("Not allowed for the bottom layer");
}

void Marks(int menu) {
    const int x = kMenus[menu].x;
    SetGrey(0);
    if (menu == kSettingsMenu) {
        if (app.showTooltips) DrawText(kNormalFont, x + 125, 19, "*");
        if (app.document.animationMode) DrawText(kNormalFont, x + 125, 36, "*");
    }
    if (menu == kProfileMenu) {
        const int current = CurrentProfileIndex();
        if (current >= 0) DrawText(kNormalFont, x + 175, kRowHeight * current + 19, "*");
    }
}

// Draws the open menu; the row under the pointer, or -1.
int DrawOpenMenu(int menu) {
    const Menu& m = kMenus[menu];
    const int rows = RowCount(menu);
    if (PointerIn(m.x, 0, m.dropWidth, kRowHeight * (rows + 1))) ui.pointerOverInterface = true;
    int chosen = -1;
    for (int r = 0; r < rows; ++r) {
        if (!MenuItem(m.x, m.dropWidth, r, RowLabel(menu, r), !RowDisabled(menu, r))) continue;
        DisabledRowTooltip(menu, r);
        chosen = r;
    }
    Marks(menu);
    return chosen;
}

void CloseMenu(MenuBarState& s) {
    s.openMenu = -1;
    s.armed = false;
    s.sticky = false;
}

void DrawTitle(int menu, bool highlighted) {
    const Menu& m = kMenus[menu];
    if (highlighted) {
        SetGrey(0.7f);
        FillRect(m.x + 1, 1, m.slot, kBarHeight - 2);
    }
    SetGrey(0);
    if (m.title)
        DrawText(kNormalFont, m.x + 3, 2, m.title);
    else
        DrawTextF(m.x + 3, 2, "Color profile - %.63s", CurrentProfile().name);
}

}  // namespace

void DrawMenuBar() {
    MenuBarState& s = app.menuBar;
    const PointerSnapshot& p = ui.pointer;
    if (PointerIn(0, 0, kBarWidth, kBarHeight)) {
        ui.pointerOverTopBar = true;
        ui.pointerOverInterface = true;
    }
    GradientBar(0, 0, kBarWidth, kBarHeight);
    SetGrey(0);
    OutlineRect(0, 0, kBarWidth, kBarHeight);
    DrawText(kNormalFont, 565, 2, "F1 - Help");

    // A menu opens on a press on its title. Released over a row, the row
    // acts and the menu closes; released over a title, the menu stays open
    // until the next click chooses a row or closes it.
    const bool releasedNow = !p.down && s.wasDown;
    s.wasDown = p.down;
    // While a menu stays open the whole window is its: the click that closes
    // it does nothing else.
    if (s.sticky) ui.pointerOverInterface = true;
    int titleUnderPointer = -1;
    for (int k = 0; k < kMenuCount; ++k) {
        const bool hover = PointerIn(kMenus[k].x, 0, kMenus[k].slot, kBarHeight);
        if (hover) {
            titleUnderPointer = k;
            SetTooltip(kMenus[k].tooltip);
            if (p.clicked) {
                const bool closing = s.sticky && s.openMenu == k;
                CloseMenu(s);
                s.armed = !closing;
            }
            // Dragging along the bar with the button held switches menus.
            if (s.armed && p.down) s.openMenu = k;
        }
        DrawTitle(k, hover || s.openMenu == k);
    }
    if (s.openMenu < 0 || s.openMenu >= kMenuCount) {
        if (!p.down) CloseMenu(s);
        return;
    }
    const int row = DrawOpenMenu(s.openMenu);
    if (p.clicked && row < 0 && titleUnderPointer < 0) {
        CloseMenu(s);
        return;
    }
    if (!releasedNow) return;
    if (row >= 0) {
        Act(s.openMenu, row);
        CloseMenu(s);
    } else if (titleUnderPointer >= 0) {
        s.sticky = true;
    } else {
        CloseMenu(s);
    }
}
