#pragma once
#include <string>

#include "app/brush_presets.h"
#include "app/filter_dialogs.h"
#include "app/joystick_pressure.h"
#include "app/panels.h"
#include "app/popups.h"
#include "app/view_navigation.h"
#include "image/color_record.h"
#include "image/document.h"
#include "paint/colour_pick.h"
#include "paint/stroke_engine.h"
#include "platform/input.h"
#include "platform/platform.h"
#include "ui/canvas_view.h"

// The one global record of the running program. Each part of the program adds
// the fields it owns.
struct AppState {
    platform::WindowState window;

    Document document;
    ViewState view;

    // The keyboard and joysticks, read once per pass.
    platform::StickInput* input = nullptr;

    // The file named on the command line, loaded once the program is up.
    std::string startupFile;

    // Keys as read this pass (Escape, Enter and Tab also while a text field
    // has the keyboard, the others only while shortcuts are enabled).
    bool altHeld = false, shiftHeld = false, ctrlHeld = false, spaceHeld = false;
    bool escapeHeld = false, tabHeld = false, enterHeld = false;
    bool enterPressed = false;
    // Cleared while a text field has the keyboard.
    bool keyboardShortcutsEnabled = true;
    // A press that landed on the interface (or the mirror key) is not a
    // canvas click.
    bool clickTaken = false;
    bool showHelp = true;

    // Keys held at the previous pass, so that holding a key acts once. Keys
    // of one group share a memory: while any of them is held, none acts.
    bool helpKeyHeld = false;       // F1
    bool enterWasHeld = false;
    bool frameKeysHeld = false;     // Right, Left
    bool mergeKeyHeld = false;      // E (with Ctrl)
    bool clipboardKeysHeld = false; // C, V
    bool undoKeyHeld = false;       // Z
    bool redoKeyHeld = false;       // Y
    bool filterKeyHeld = false;     // I
    bool fileKeysHeld = false;      // S, L, O, R, N
    bool toolKeysHeld = false;      // E, B, X
    bool brushKeysHeld = false;     // [, ]
    bool popupKeyHeld = false;      // Q

    // Playback while Down or Up is held: a tick every 1000 / fps ms, a new
    // frame when the current one's duration in ticks has run out.
    bool playing = false;
    int playbackTicksLeft = 0;
    uint32_t playbackLastTick = 0;

    // One-pass requests: the interface carries out the merge; the tool
    // toggle and colour swap are carried out by the next pass's input.
    bool mergeRequested = false;
    bool toolToggleRequested = false;
    bool colorSwapRequested = false;

    // The brush or eraser and its colours (display values), the brush's
    // settings, and the stroke in progress.
    PaintTool tool;
    BrushSettings brush;
    BrushPresets brushPresets = DefaultBrushPresets();  // the brush popup's slots, kept in config.txt
    StrokeState stroke;
    PixelImage* brushShape = nullptr;  // rebuilt whenever the brush settings change
    PixelImage* dabBuffer = nullptr;   // each dab is prepared here

    // Colour picking while Alt is held: the colour under the pointer, the
    // colour being edited and the mix state; the layer under the pointer.
    PickState pick;
    bool pickSessionOpen = false;
    // Stroke positions come from the mouse, the tablet giving only pressure.
    bool forceMouseCoordinates = false;
    // Seconds between autosaves of a modified document; 0: none.
    int autosaveSeconds = 120;
    int undoMemoryMb = 0;  // as the settings file gives it (0: automatic)
    // Left button at the previous pass, so a Ctrl+click fills once.
    bool leftWasDown = false;

    // What the panels report about the pointer this pass.
    bool pointerOverInterface = false;
    bool noCursorRequested = false;     // the slashed circle, e.g. over a hidden layer
    bool textCursorRequested = false;   // the I-beam over a text field

    JoystickPressure joystick;

    // The command to run at the start of the next pass; empty when none.
    std::string pendingCommand;

    // The file the document was loaded from or last saved to whole; empty
    // for a new document. The file dialogs offer the last name chosen for
    // each of their three lists again.
    std::string documentPath;
    std::string dialogNames[3];
    // The file state the window title shows, to notice when it changes.
    bool titleModified = false, titleFlatCopy = false;

    // The size "new" gives the next document; the new-canvas dialog sets it.
    int newCanvasWidth = 1024, newCanvasHeight = 724;
    bool newCanvasDialogRequested = false;

    // The canvas view: overview, smoothing and what it remembers per frame.
    CanvasView canvas;
    bool showTooltips = true;
    // The interface scale as config.txt keeps it: 0 until the painter
    // chooses one, the display's default applying meanwhile.
    int uiScaleSetting = 0;

    // The interface drawn over the canvas.
    MenuBarState menuBar;
    LayerPanelState layerPanel;
    AnimationPanelState animationPanel;
    PopupState popups;
    FilterDialogState filterDialog;
    // Set by the hints while the current layer is invisible: no stroke starts.
    bool drawingBlocked = false;
};

extern AppState app;
