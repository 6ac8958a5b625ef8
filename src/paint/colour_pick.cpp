#include "paint/colour_pick.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "image/channel_buffer.h"
#include "image/document.h"
#include "image/pixel_image.h"
#include "paint/layer_pixels.h"

namespace {

// A layer counts as under the pointer where its alpha, scaled by its opacity,
// exceeds this (about 19 %).
constexpr uint32_t kLayerPickAlpha = 0x3000;

// R, G, B of the composite picture from the stack's display buffer; alpha stays.
void ReadComposite(const LayerTile& bottom, int u, int v, ColorRecord& target) {
    if (!bottom.texturePixels) return;
    const uint8_t* rgba = bottom.texturePixels + (size_t(v) * size_t(bottom.side) + size_t(u)) * 4;
    target = DisplayColor(rgba[0], rgba[1], rgba[2], target.value[3]);
}

// The topmost layer of the stack that shows clearly at (u, v); the bottom
// layer when none does.
int LayerUnderPointer(const LayerTile& bottom, int u, int v) {
    int found = 0;
    int i = 0;
    for (const LayerTile* tile = &bottom; tile; tile = tile->next, ++i) {
        if (tile->empty || !tile->pixels || tile->pixels->IsEmpty()) continue;
        const uint32_t alpha = tile->pixels->Alpha().Get(u, v);
        if (alpha * uint32_t(tile->opacity) / 255 > kLayerPickAlpha) found = i;
    }
    return found;
}

// Picked colours are always opaque; nothing at all picks white.
void MakeOpaque(ColorRecord& colour) {
    if (colour.value[3] == 0)
        colour = DisplayColor(255, 255, 255, 255);
    else
        colour.Set(3, 255);
}

// Moves the edited colour toward picked by w = pressure³ of the way, in
// working values, so a light touch blends and a full press replaces.
void MixIntoEdited(PickState& state, const ColorRecord& picked, float pressure) {
    const float w = pressure * pressure * pressure;
    ColorRecord working = picked;
    FromDisplay(working);
    ColorRecord edited;
    for (int c = 0; c < 3; ++c) {
        state.accumulator[c] += (float(working.value[c]) - state.accumulator[c]) * w;
        edited.value[c] = int32_t(std::lround(state.accumulator[c]));
    }
    edited.value[3] = 255 << 8;
    edited.RefreshMirrors();
    ToDisplay(edited);
    edited.Set(3, 255);
    state.edited = edited;
}

}  // namespace

void BeginPick(PickState& state, const ColorRecord& colour) {
    ColorRecord working = colour;
    FromDisplay(working);
    for (int c = 0; c < 3; ++c) state.accumulator[c] = float(working.value[c]);
    state.edited = colour;
}

void PickColour(const Document& doc, const PickInput& in, PickState& state) {
    const int t = FirstTileIndex(doc, in.x, in.y);
    // Off the picture there is nothing to pick, and white must not creep
    // into the edited colour while the button is held there.
    if (t < 0) return;
    const LayerTile& bottom = *doc.stacks[size_t(t)];
    const int u = in.x - bottom.x0, v = in.y - bottom.y0;

    // With the button down every pass picks afresh; with it up the hover
    // colour is read over the previous one.
    ColorRecord pressed = DisplayColor(255, 255, 255, 255);
    ColorRecord& target = in.leftButton ? pressed : state.hover;

    if (in.shift) {
        ReadLayerPixel(doc, doc.currentLayer, in.x, in.y, in.paintColour, target);
    } else {
        ReadComposite(bottom, u, v, target);
        state.layerUnderPointer = LayerUnderPointer(bottom, u, v);
    }
    MakeOpaque(target);
    if (in.leftButton) state.hover = target;
    if (in.leftButton && !in.control) MixIntoEdited(state, target, in.pressure);
}
