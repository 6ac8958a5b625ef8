#pragma once
#include <cstddef>
#include <vector>

struct Document;
struct LayerInfo;

// The document's history: a linear list of steps, each holding what one edit
// changed (only the tiles it touched, the layer settings, layers or frames it
// added or removed). Undo and redo swap a step's contents with the
// document's, so one copy serves both directions.
//
// An edit opens a step, saves what it is about to change, changes the
// document and closes the step. The document's own operations (adding,
// removing, merging and moving layers, adding and removing frames, making a
// layer animated, changing the colour profile) record themselves into the
// open step; run without one they empty the history instead, since the
// steps find what they restore by layer and frame position.

// What a step was, for the interface to name it.
enum StepKind : int {
    kStepPixels,
    kStepStroke,
    kStepErase,
    kStepFill,
    kStepInvert,
    kStepGreyscale,
    kStepFilter,
    kStepBlur,
    kStepLevels,
    kStepNoise,
    kStepAddLayer,
    kStepRemoveLayer,
    kStepMergeLayer,
    kStepMoveLayer,
    kStepPasteLayer,
    kStepOpacity,
    kStepBlendMode,
    kStepHide,
    kStepLock,
    kStepRename,
    kStepAddFrame,
    kStepRemoveFrame,
    kStepAnimateLayer,
    kStepColorProfile,
    kStepKindCount
};

// Opens a step about layer (-1: about no layer in particular). False while
// another step is open: one edit at a time.
bool OpenStep(Document& doc, int kind, int layer);
bool StepOpen(const Document& doc);
// Saves copies of layer's tiles into the open step: the tiles with an active
// stroke, or every tile when all is true (every frame's tile is saved only
// for its current frame). False, with nothing saved, when the copies cannot
// be allocated (the shortage noted, memory_guard.h) or no step is open.
bool SaveTiles(Document& doc, int layer, bool all);
// Saves before as layer's settings (name, opacity, blend mode, lock and
// hidden flags) from before the step changed them.
void SaveLayerSettings(Document& doc, int layer, const LayerInfo& before);
// Closes the open step: it becomes the newest, the steps that could be
// redone go, the oldest go while the history exceeds its budget (the newest
// always stays), and the document is modified. A step that saved nothing is
// dropped.
void CloseStep(Document& doc);
// Puts back everything the open step saved and drops it.
void AbandonStep(Document& doc);
// Puts the open step's saved tiles back but keeps the step open, so a
// dialog can return to the same pixels again and again.
void RevertOpenStep(Document& doc);

// A closed step holding copies of layer's tiles (see SaveTiles), taken
// before the caller changes them.
bool PushUndo(Document& doc, int layer, bool all);

// Undo the newest step / redo the step undone last. The step's frame and
// layer become current again. False when there is none, while a step is
// open, or when memory runs out for unpacking the step's tiles (nothing
// changes then). Both mark the document modified.
bool Undo(Document& doc);
bool Redo(Document& doc);

int UndoDepth(const Document& doc);
int RedoDepth(const Document& doc);
// The kind and layer of the step Undo (or Redo) would take; false if none.
bool NextUndo(const Document& doc, int& kind, int& layer);
bool NextRedo(const Document& doc, int& kind, int& layer);
// Tile positions (stack indices) the newest step saved.
std::vector<int> NewestStepTiles(const Document& doc);

// Drops every step, the open one included.
void ClearUndo(Document& doc);

// Bytes the steps hold, and the budget above which the oldest go. The
// budget is the program's, shared by every document. The saved tiles of a
// step are packed in the background (tile_snapshot.h) once it is not next to
// be undone or redone; they count plain until then, and until the next step,
// undo or redo finds them packed.
size_t HistoryBytes(const Document& doc);
// Waits until every tile is packed that can be, and counts them packed.
void FinishHistoryPacking(Document& doc);
void SetHistoryBudget(size_t bytes);
size_t HistoryBudget();
// A quarter of physical memory, at most 2048 MiB.
size_t DefaultHistoryBudget(unsigned long long physicalBytes);
