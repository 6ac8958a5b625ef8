#include "app/edits.h"

#include "app/app_state.h"
#include "app/commands.h"
#include "image/undo.h"
#include "platform/log.h"

namespace {

struct KindName {
    const char* name;
    bool onLayer;  // named after the layer it changed: "... on Layer 2"
};

const KindName kKindNames[kStepKindCount] = {
    {"Change", true},         {"Brush stroke", true},      {"Eraser stroke", true},   {"Fill", true},
    {"Invert", true},         {"Greyscale mask", true},    {"Filter", true},          {"Blur", true},
    {"Levels", true},         {"Transparency noise", true}, {"Add layer", false},     {"Remove", false},
    {"Merge down", false},    {"Move", false},             {"Paste layer", false},    {"Opacity", true},
    {"Blending mode", true},  {"Hide or show", true},      {"Lock transparency", true}, {"Rename", true},
    {"Add frame", false},     {"Remove frame", false},     {"Animate or not", true},  {"Color profile", false},
};

std::string LayerName(int layer) { return layer == 0 ? "Canvas" : "Layer " + std::to_string(layer); }

}  // namespace

bool BeginDocumentEdit(int kind, int layer) {
    if (DialogHoldsDocument()) {
        LogLine("edit %i waits: a dialog is open", kind);
        return false;
    }
    return OpenStep(app.document, kind, layer);
}

void EndDocumentEdit() { CloseStep(app.document); }

void CancelDocumentEdit() { AbandonStep(app.document); }

bool UndoEdit() { return !DialogHoldsDocument() && Undo(app.document); }

bool RedoEdit() { return !DialogHoldsDocument() && Redo(app.document); }

std::string StepName(int kind, int layer) {
    if (kind < 0 || kind >= kStepKindCount) return std::string();
    const KindName& k = kKindNames[kind];
    std::string name = k.name;
    if (layer < 0) return name;
    // Layer steps name the layer they took: "Remove Layer 2".
    return k.onLayer ? name + " on " + LayerName(layer) : name + " " + LayerName(layer);
}

std::string UndoTooltip() {
    int kind = 0, layer = 0;
    return NextUndo(app.document, kind, layer) ? "Undo: " + StepName(kind, layer) : std::string();
}

std::string RedoTooltip() {
    int kind = 0, layer = 0;
    return NextRedo(app.document, kind, layer) ? "Redo: " + StepName(kind, layer) : std::string();
}
