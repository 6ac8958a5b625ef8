#pragma once

struct Document;

// Copies the current layer (its current frame) into the layer clipboard.
void CopyLayerToClipboard(Document& doc);
// Adds the clipboard as a new still layer above the current one and makes it
// current. False (nothing changes) when the clipboard is empty or the layer
// list is full.
bool PasteLayerFromClipboard(Document& doc);
