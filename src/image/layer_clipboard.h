#pragma once

struct Document;

// Copies the current layer (its current frame) into the layer clipboard.
// False, with the clipboard as it was, when there is no current layer or the
// memory cannot hold the copy (noted as a shortage, see memory_guard.h).
bool CopyLayerToClipboard(Document& doc);
// Adds the clipboard as a new still layer above the current one and makes it
// current. False when the clipboard is empty or the layer list is full
// (nothing changes), or when the memory cannot hold the layer (noted as a
// shortage; a layer added before the copies ran short is still there, for
// the open history step to take back).
bool PasteLayerFromClipboard(Document& doc);
