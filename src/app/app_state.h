#pragma once
#include <string>

#include "app/joystick_pressure.h"
#include "app/view_navigation.h"
#include "image/color_record.h"
#include "image/document.h"
#include "platform/input.h"
#include "platform/platform.h"

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
    bool filterKeyHeld = false;     // I
    bool fileKeysHeld = false;      // S, L, O, R, N
    bool toolKeysHeld = false;      // E, B, X

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

    // 0 brush, 1 eraser on the bottom layer (paints the secondary colour),
    // 2 eraser on an upper layer (paints transparency).
    int32_t PaintMode = 0;
    // The user's colours in display form; the paint colour is what strokes
    // and fills lay down.
    ColorRecord primaryColor = DisplayColor(0, 0, 0, 255);
    ColorRecord secondaryColor = DisplayColor(255, 255, 255, 255);
    ColorRecord paintColor = DisplayColor(0, 0, 0, 255);

    // Brush sizes as the cursor needs them; the painting code owns them.
    float brushRadius = 1.6f;
    float effectiveRadius = 1.6f;
    float hardness = 0.7f;
    bool pressureControlledSize = false;
    bool lineAvoidance = false;

    // What the panels report about the pointer this pass.
    bool pointerOverInterface = false;
    bool noCursorRequested = false;     // the slashed circle, e.g. over a hidden layer
    bool textCursorRequested = false;   // the I-beam over a text field

    JoystickPressure joystick;

    // The command to run at the start of the next pass; empty when none.
    std::string pendingCommand;
};

extern AppState app;
