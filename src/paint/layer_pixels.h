#pragma once

struct ColorRecord;
struct Document;

// Pixel access at document positions for the tools that work pixel by pixel.
// Tiles overlap at their borders: a read takes the first tile (in tile order)
// that holds the point, a write goes into every tile that holds it.

// Index into doc.stacks of the first tile (in tile order) that holds document
// pixel (x, y); -1 outside the document. Found by arithmetic, so it is cheap
// enough to call for every pixel of a fill.
int FirstTileIndex(const Document& doc, int x, int y);

// Reads layer's pixel at (x, y) as 8-bit display values R, G, B, A. A tile
// with an active stroke reads with the stroke's colour mixed in by its mask
// (paintColour in display values). False outside the document or where the
// layer has no tile at that position; an empty tile reads as transparent white.
bool ReadLayerPixel(const Document& doc, int layer, int x, int y, const ColorRecord& paintColour,
                    ColorRecord& out);

// Writes colour (display values) at (x, y) into layer: all four channels, or
// R, G, B only when withAlpha is false. Empty tiles get their pixels first;
// every written tile becomes dirty. Does nothing outside the document.
void WriteLayerPixel(Document& doc, int layer, int x, int y, const ColorRecord& colour, bool withAlpha);

// The highest 8-bit alpha at (x, y) over the layers above layer that are not
// hidden; 0 when there are none.
int UpperLayersAlpha(const Document& doc, int layer, int x, int y);
