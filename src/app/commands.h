#pragma once
#include <string>

struct Document;

// Actions that touch files, the whole document or every animation frame are
// not run where they are asked for: the asker posts a short command text and
// the next pass runs it, after a frame has been drawn with the wait cursor.

// Puts text into the pending-command slot, replacing a command not yet run.
void PostCommand(const std::string& text);

// Runs the pending command at the start of a pass, emptying the slot first;
// false when the command asks to end the program.
bool DispatchCommands();

// "filter N" (simple filter N on the current layer) and "filter-blur N"
// (blur of strength N), each one undo step.
void RunFilterCommand(const std::string& word, int number);
// Whether a whole-layer undo step of layer can be expected to fit in memory;
// if not, says "Not enough memory".
bool MemoryForLayerUndo(const Document& doc, int layer);

// Whether the document may be thrown away: true when it is not modified or
// the user agrees to lose the changes.
bool ConfirmDiscard();

// A dialog (a filter's or the new canvas size) works on the document: its
// preview and Cancel rely on the undo step it took, so shortcuts and commands
// that change the document or its history wait until it closes.
bool DialogHoldsDocument();
