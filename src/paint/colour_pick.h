#pragma once
#include "image/color_record.h"

struct Document;

// What the pick of one pass needs to know.
struct PickInput {
    int x = 0, y = 0;           // document pixel under the pointer
    bool shift = false;         // read the current layer instead of the picture
    bool control = false;       // only find the layer under the pointer
    bool leftButton = false;
    float pressure = 1.0f;      // the mix rate's base; cubed before use
    ColorRecord paintColour;    // display values, for strokes still being painted
};

// The pick's results and its state across passes.
struct PickState {
    ColorRecord hover = DisplayColor(255, 255, 255, 255);   // display values
    ColorRecord edited = DisplayColor(0, 0, 0, 255);        // display values
    float accumulator[3] = {0, 0, 0};                       // working values R, G, B
    int layerUnderPointer = 0;
};

// Starts a pick session: the accumulators and the edited colour take colour
// (display values).
void BeginPick(PickState& state, const ColorRecord& colour);

// One pass of picking at the pointer: reads the hover colour (or, with the
// button held, mixes the picked colour into the edited one) and, outside Shift
// mode, finds the layer under the pointer. Off the document nothing happens.
void PickColour(const Document& doc, const PickInput& in, PickState& state);
