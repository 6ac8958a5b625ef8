#pragma once
#include <cstdint>

#include "image/row_loops.h"

class PixelImage;
struct LayerTile;

// 8 rows of 32 columns: entry (r, c) is 1 when c < 4 r, so a display value
// whose three bits below the output byte are r rounds up in r of 8 columns.
const uint8_t* DitherTable();

// Converts a tile image to RGBA display bytes through the current profile,
// dithering each pixel by the column the generator picks; alpha is 255.
// loops: the build of the row loop to run (tests run each).
void ConvertTileToDisplay(const PixelImage& image, uint8_t* rgba, const RowLoops& loops = ChosenRowLoops());

// If any tile of the stack is dirty: composites it into the bottom tile's
// display buffer (transparent black where the stack holds no pixels at all),
// sets uploadPending and cleans every tile of the stack.
// Returns whether it did. Sending the buffer to the texture is the UI's part.
bool RenderTile(LayerTile& stack);
