#pragma once

class PixelImage;
struct LayerTile;

// Blends top over below into out with blend mode 0..4. The top's coverage is
// alphaSource's alpha scaled by topOpacity (0..255). With full and mode Normal
// the alphas compose too ("over" on straight colour, belowOpacity scaling the
// below alpha) and out's alpha is written; otherwise out's alpha is left
// alone. out may be the same image as below or top. Images of different
// shapes make it do nothing.
void BlendLayer(int mode, PixelImage& out, const PixelImage& below, const PixelImage& top,
                const PixelImage& alphaSource, int belowOpacity, int topOpacity, bool full);

// Scales the alpha plane by opacity 0..255 in place.
void ApplyOpacity(PixelImage& image, int opacity);

// Shows a stroke that is being painted on tile: writes source with the stroke
// laid over it into scratch and returns the image to composite (null: nothing
// to add). Runs on worker threads, so it may only read shared state.
using StrokePreview = PixelImage* (*)(const LayerTile& tile, const PixelImage& source, PixelImage& scratch);
// The painting code installs its preview here; until then tiles with an
// active stroke composite their pixels as they are.
void SetStrokePreview(StrokePreview preview);
StrokePreview InstalledStrokePreview();

// The stack's layers composited bottom-up on the calling thread's scratch.
// The result is a scratch image or a layer's own pixels, valid until the
// thread composites again; a stack with no visible layer gives the bottom
// tile's pixels.
PixelImage* CompositeTile(LayerTile& stack);

// CompositeTile for a picture that leaves the program (a flat file, the
// system clipboard): the colours as shown, and an alpha that is the visible
// layers' coverage (each layer's alpha scaled by its opacity) composed as
// "over" does. The shown composite's own alpha is no picture's: blending
// writes colour only.
PixelImage* CompositeTileWithAlpha(LayerTile& stack);
