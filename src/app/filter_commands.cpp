#include <string>

#include "app/app_state.h"
#include "app/commands.h"
#include "app/edits.h"
#include "app/painting.h"
#include "filters/blur.h"
#include "filters/simple_filters.h"
#include "app/file_commands.h"
#include "image/memory_guard.h"
#include "image/undo.h"
#include "platform/platform.h"

namespace {

const int kSimpleFilterSteps[] = {kStepInvert, kStepGreyscale, kStepFilter};

}  // namespace

bool MemoryForLayerUndo(const Document& doc, int layer) {
    uint64_t images = 0;
    for (LayerTile* stack : doc.stacks) {
        const LayerTile* tile = LayerTileAt(stack, layer);
        if (tile && !tile->empty) ++images;
    }
    TakeMemoryShortage();
    if (MemoryFor(images * kTileImageBytes)) return true;
    SayIfOutOfMemory();
    return false;
}

void RunFilterCommand(const std::string& word, int number) {
    Document& doc = app.document;
    const int layer = doc.currentLayer;
    if (layer < 0 || layer >= doc.layerCount) return;
    const bool blur = word == "filter-blur";
    // Only the simple filters 0 (invert), 1 (greyscale mask) and 2 (none) exist.
    if (!blur && (number < 0 || number > 2)) return;
    // The undo step copies the whole layer; refused before anything changes.
    if (!MemoryForLayerUndo(doc, layer)) return;
    DocumentWillChange();
    if (!BeginDocumentEdit(blur ? kStepBlur : kSimpleFilterSteps[number], layer)) return;
    if (!SaveTiles(doc, layer, true)) {
        CancelDocumentEdit();
        platform::ShowError("Error", "Not enough memory");
        return;
    }
    if (!blur) {
        ApplySimpleFilter(doc, layer, number);
    } else if (!BlurLayer(doc, layer, number)) {
        // Nothing was changed: the step would undo nothing.
        CancelDocumentEdit();
        platform::ShowError("Error", "Not enough memory");
        return;
    }
    doc.layers[layer].thumbnailDirty = true;
    EndDocumentEdit();
}
