#include "image/undo.h"

#include <cstddef>

#include "image/document.h"
#include "image/pixel_image.h"
#include "image/workers.h"

namespace {

int Previous(int position) { return (position + kUndoSteps - 1) % kUndoSteps; }

void DropCopies(UndoStep& step) {
    for (int k = 0; k < step.count; ++k) {
        delete step.images[size_t(k)];
        step.images[size_t(k)] = nullptr;
        step.tiles[size_t(k)] = nullptr;
    }
    step.count = 0;
}

void Restore(const UndoStep& step) {
    for (int k = 0; k < step.count; ++k) ReplaceTilePixels(*step.tiles[size_t(k)], *step.images[size_t(k)]);
}

void CopyTile(int k, void* context) {
    UndoStep& step = *static_cast<UndoStep*>(context);
    step.images[size_t(k)] = CloneImage(*step.tiles[size_t(k)]->pixels);
}

}  // namespace

void PushUndo(Document& doc, int layer, bool all) {
    UndoStep& step = doc.undo[doc.undoPosition];
    DropCopies(step);
    if (step.tiles.size() < doc.stacks.size()) {
        step.tiles.resize(doc.stacks.size(), nullptr);
        step.images.resize(doc.stacks.size(), nullptr);
    }
    for (LayerTile* stack : doc.stacks) {
        LayerTile* tile = LayerTileAt(stack, layer);
        if (!tile || !(tile->strokeActive || all)) continue;
        step.tiles[size_t(step.count)] = tile;
        ++step.count;
    }
    // The copies are independent: the compositing threads share them.
    RunOnCompositingThreads(step.count, CopyTile, &step);
    doc.undoPosition = (doc.undoPosition + 1) % kUndoSteps;
}

bool Undo(Document& doc) {
    doc.undoPosition = Previous(doc.undoPosition);
    UndoStep& step = doc.undo[doc.undoPosition];
    const bool restored = step.count > 0;
    Restore(step);
    DropCopies(step);
    for (int i = 0; i < doc.layerCount; ++i) doc.layers[i].thumbnailDirty = true;
    return restored;
}

void RevertToLastUndo(Document& doc) { Restore(doc.undo[Previous(doc.undoPosition)]); }

void ClearUndo(Document& doc) {
    for (UndoStep& step : doc.undo) DropCopies(step);
}
