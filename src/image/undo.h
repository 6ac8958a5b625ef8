#pragma once

struct Document;

// Saves copies of layer's tiles into the next of the 16 ring steps: only the
// tiles with an active stroke, or every tile when all is true. The oldest step
// is overwritten once the ring is full.
void PushUndo(Document& doc, int layer, bool all);
// Puts the newest step's copies back and drops them. There is no redo. True
// when the step held copies, that is when pixels may have changed.
bool Undo(Document& doc);
// Puts the newest step's copies back but keeps them, so a dialog can return
// to the same pixels again and again.
void RevertToLastUndo(Document& doc);
// Drops every copy; the position stays.
void ClearUndo(Document& doc);
