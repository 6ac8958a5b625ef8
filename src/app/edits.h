#pragma once
#include <string>

// Every change the painter makes to the document from the interface is one
// history step (image/undo.h) opened and closed here. This is where the rule
// holds that nothing else edits the document while a dialog works on it, and
// closing a step is what marks the document modified. The painting tools'
// strokes and fills open their steps in the core (which refuses a second
// open step); they cannot start while a dialog covers the canvas.

// Opens a step of kind (StepKind) about layer (-1: none). False, with nothing
// opened, while a dialog holds the document or another step is open.
bool BeginDocumentEdit(int kind, int layer);
// Closes the open step (a step that recorded nothing is dropped).
void EndDocumentEdit();
// Puts back what the open step recorded and drops it.
void CancelDocumentEdit();

// Ctrl+Z and Ctrl+Y (or Ctrl+Shift+Z), and the Edit menu's rows: refused
// while a dialog holds the document. True when a step was undone or redone.
bool UndoEdit();
bool RedoEdit();

// What a step is called in the Edit menu: "Brush stroke on Layer 2".
std::string StepName(int kind, int layer);
// "Undo: ..." and "Redo: ..." for the next step either way; empty when there
// is none.
std::string UndoTooltip();
std::string RedoTooltip();
