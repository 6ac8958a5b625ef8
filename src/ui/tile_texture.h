#pragma once

struct Document;
struct LayerTile;

// Brings a stack's texture up to date on the thread that owns the GL context:
// creates it on first use, composites the stack if it is still dirty, and
// sends the display buffer when it changed. smooth picks the magnification
// filter (linear or nearest). Leaves the texture bound.
void RenderTile(LayerTile& stack, bool smooth);

// Deletes the textures of tiles and layers the document has destroyed.
void ReleaseDroppedTextures(Document& doc);
// Deletes every texture the document's stacks hold, before the document goes.
void ReleaseTileTextures(Document& doc);
