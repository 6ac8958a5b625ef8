#pragma once
#include <cstdint>

class PixelImage;
struct ColorRecord;
struct LayerTile;

// Accumulates dab into the tile's stroke mask; (left, top) is the document
// position of the dab's top-left sample and ceiling (0..65535) the highest the
// mask may reach. The first dab of a stroke on a tile clears its mask, makes
// the stroke active, gives an empty tile its pixels and makes the tile dirty.
// A later dab makes it dirty only when it raises the mask: one whose part on
// the tile is all zero (the corners of a round dab's square) or that finds
// the mask at its ceiling leaves the tile as it was. False, with the tile
// left alone and the shortage noted, when an empty tile finds no memory for
// its pixels.
bool StampDab(LayerTile& tile, const PixelImage& dab, int left, int top, uint32_t ceiling);

// Paints colour (display values, 0..255) through mask onto src and writes the
// result into dst (which may be src). lock keeps the alpha as it was;
// paintsColour is false for the layer eraser, which only lowers alpha.
// Without lock, colour laid on fully transparent pixels is exactly the paint
// colour wherever the mask is above 0. Images whose channel counts differ are
// left alone, and so are images of different sizes and masks of another size.
void ApplyStroke(PixelImage& dst, const PixelImage& src, const ColorRecord& colour, const PixelImage& mask,
                 bool lock, bool paintsColour);

// Applies an active stroke to the tile's own pixels with colour and the paint
// mode (0 brush, 1 bottom-layer eraser, 2 layer eraser) and ends it. The tile
// becomes dirty unless the display already shows the result: the preview,
// installed and painting the same paint, composited it after the last dab.
// Tiles of one stroke may be committed on several threads at once.
void CommitStroke(LayerTile& tile, const ColorRecord& colour, int paintMode);

// The colour and mode the compositor's preview of an active stroke paints
// with. Set on the main thread while the compositing workers are idle.
void SetStrokePaint(const ColorRecord& colour, int paintMode);
// Makes the compositor show active strokes before they are committed.
void InstallStrokePreview();
