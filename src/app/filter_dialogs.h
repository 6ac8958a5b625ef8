#pragma once
#include <cstdint>

#include "filters/filter_sliders.h"
#include "filters/levels.h"

// The filter dialogs at the bottom right of the canvas area: blur, levels and
// transparency noise. Levels and noise preview through the undo step taken
// when they open; Cancel (or Escape) undoes it, OK (or Enter) keeps it.

enum FilterDialog { kNoFilterDialog = -1, kBlurDialog = 1, kNoiseDialog = 2, kLevelsDialog = 3 };

struct FilterDialogState {
    int open = kNoFilterDialog;
    bool firstFrameDone = false;
    int layer = 0;  // the layer the dialog's undo step belongs to
    // Frames since the pointer last moved. The levels handles P0 and P1 move
    // vertically, so a move in y counts as well as one in x.
    int noiseRest = 0;
    int levelsRest = 0;
    int lastPointerX = -1, lastPointerY = -1;

    // The sliders keep their positions between openings.
    int blurSlider = kBlurSliderStart;
    int noiseSlider = kNoiseSliderStart;
    bool sliderDragging = false;

    LevelsParams levels;
    int levelsHandle = -1;  // parameter * 3 + channel of the dragged handle
    int32_t levelsGraph[kLevelsChannels * kLevelsGraphPoints] = {};

    // The layer no longer shows the dialog's current values.
    bool previewStale = false;
    int previews = 0;  // re-filters since the dialog opened
};

struct DialogRect {
    int x = 0, y = 0, w = 0, h = 0;
};

// The dialog's rectangle in a window of width x height: right and bottom
// edges 10 pixels inside the canvas area.
DialogRect FilterDialogRect(int dialog, int windowWidth, int windowHeight);

// The Filters menu's rows for the dialogs: levels and noise take the undo
// step of the current layer here (noise is refused on the bottom layer, which
// leaves everything as it was). A dialog that is already open is cancelled
// first, so that one dialog never leaves another's step behind.
void OpenFilterDialog(int dialog);
bool FilterDialogOpen();
// Draws the open dialog, if any, and acts on it.
void DrawFilterDialog();

// Levels graph geometry, relative to the dialog's top left corner: the graph
// is 320 pixels wide from x = 40, its value axis 150 pixels high with 0 at
// y = 200. Handles for the output range sit left of the graph, those for the
// input range and shape below it; in independent mode each channel has its
// own column (left) or row (below), red first.
constexpr int kLevelsGraphLeft = 40;
constexpr int kLevelsGraphBottom = 200;

// The handle (parameter * 3 + channel) under the point, or -1. Where handles
// overlap, the one that can move towards the point wins, so equal points never
// trap each other.
int LevelsHandleAt(const LevelsParams& params, int x, int y);
// Moves a dragged handle to follow the point and keeps the values consistent.
void DragLevelsHandle(LevelsParams& params, int handle, int x, int y);
