#include "image/undo.h"

#include <algorithm>
#include <atomic>
#include <new>
#include <utility>

#include "image/animation.h"
#include "image/document.h"
#include "image/memory_guard.h"
#include "image/pixel_image.h"
#include "image/undo_changes.h"
#include "image/workers.h"

namespace {

constexpr size_t kMiB = size_t(1) << 20;
constexpr size_t kBudgetCap = 2048 * kMiB;

std::atomic<size_t> budget{kBudgetCap};

History& Of(Document& doc) { return *doc.history; }
const History& Of(const Document& doc) { return *doc.history; }

size_t StepBytes(const HistoryStep& step) {
    size_t bytes = 0;
    for (const auto& change : step.changes) bytes += change->Bytes();
    return bytes;
}

// A swap can change what a step holds (a layer taken out, a tile emptied).
void Recount(History& h, HistoryStep& step) {
    h.bytes -= step.bytes;
    step.bytes = StepBytes(step);
    h.bytes += step.bytes;
}

// Steps whose packing has finished since they were counted count again.
void Settle(History& h) {
    for (auto& step : h.steps) {
        if (step->settled) continue;
        bool pending = false;
        for (const auto& change : step->changes) pending = pending || change->Pending();
        Recount(h, *step);
        step->settled = !pending;
    }
}

// Packing in the background what a step now holds; its bytes count plain
// until Settle finds the packing finished. The steps either side of the
// position are the likeliest to be undone or redone next, and stay plain so
// that takes no unpacking: a step is packed once it is neither.
void Shrink(HistoryStep& step) {
    const PackingBatch batch;
    for (auto& change : step.changes) change->Shrink();
    step.settled = false;
    step.plain = false;
}

void PrepareChange(int k, void* context) {
    auto& prepare = *static_cast<std::pair<HistoryStep*, std::atomic<bool>>*>(context);
    if (!prepare.first->changes[size_t(k)]->Prepare()) prepare.second.store(true, std::memory_order_relaxed);
}

// Makes everything the step's swaps put back ready, unpacking tiles on the
// compositing threads. False when memory runs out; the step is unchanged.
bool Prepare(HistoryStep& step) {
    if (step.plain) return true;
    std::pair<HistoryStep*, std::atomic<bool>> prepare{&step, false};
    RunOnCompositingThreads(int(step.changes.size()), PrepareChange, &prepare);
    step.plain = !prepare.second.load();
    if (step.plain) return true;
    Shrink(step);
    return false;
}

// The oldest steps go while the history is over budget; the newest stays.
void Trim(History& h) {
    size_t drop = 0;
    while (h.bytes > budget.load(std::memory_order_relaxed) && h.position - drop > 1) {
        h.bytes -= h.steps[drop]->bytes;
        ++drop;
    }
    if (drop == 0) return;
    h.steps.erase(h.steps.begin(), h.steps.begin() + std::ptrdiff_t(drop));
    h.position -= drop;
}

void ShowFrame(Document& doc, int frame) {
    if (doc.animationMode && frame != doc.currentFrame) SetFrame(doc, frame);
}

void Changed(Document& doc) {
    for (int i = 0; i < doc.layerCount; ++i) doc.layers[i].thumbnailDirty = true;
    doc.modified = true;
    doc.flatCopy = false;
}

struct Copies {
    std::vector<LayerTile*> tiles;
    std::vector<PixelImage*> images;
    std::atomic<bool> failed{false};
};

void CopyTile(int k, void* context) {
    Copies& copies = *static_cast<Copies*>(context);
    try {
        copies.images[size_t(k)] = CloneImage(*copies.tiles[size_t(k)]->pixels, PlaneSource::kReserve);
    } catch (const std::bad_alloc&) {
        copies.failed.store(true, std::memory_order_relaxed);
    }
}

}  // namespace

void AddChange(Document& doc, std::unique_ptr<Change> change) {
    History& h = Of(doc);
    if (h.open) h.open->changes.push_back(std::move(change));
}

bool OpenStep(Document& doc, int kind, int layer) {
    History& h = Of(doc);
    if (h.open) return false;
    h.open = std::make_unique<HistoryStep>();
    h.open->kind = kind;
    h.open->layer = layer;
    h.open->layerBefore = doc.currentLayer;
    h.open->frameBefore = doc.currentFrame;
    return true;
}

bool StepOpen(const Document& doc) { return Of(doc).open != nullptr; }

bool SaveTiles(Document& doc, int layer, bool all) {
    History& h = Of(doc);
    if (!h.open) return false;
    Copies copies;
    std::vector<int> stacks;
    for (size_t s = 0; s < doc.stacks.size(); ++s) {
        LayerTile* tile = LayerTileAt(doc.stacks[s], layer);
        if (!tile || !(tile->strokeActive || all)) continue;
        copies.tiles.push_back(tile);
        stacks.push_back(int(s));
    }
    copies.images.assign(copies.tiles.size(), nullptr);
    // The copies are independent: the compositing threads share them.
    RunOnCompositingThreads(int(copies.tiles.size()), CopyTile, &copies);
    if (copies.failed.load() || !Allocating([&] {
            h.open->changes.reserve(h.open->changes.size() + copies.tiles.size());
        })) {
        NoteMemoryShortage();
        for (PixelImage* image : copies.images) delete image;
        return false;
    }
    for (size_t k = 0; k < copies.tiles.size(); ++k) {
        const LayerTile& tile = *copies.tiles[k];
        const int frame = tile.animated ? tile.currentFrame : -1;
        h.open->changes.push_back(std::make_unique<TileChange>(stacks[k], layer, frame, copies.images[k]));
    }
    return true;
}

void SaveLayerSettings(Document& doc, int layer, const LayerInfo& before) {
    AddChange(doc, std::make_unique<LayerSettingsChange>(layer, before));
}

void CloseStep(Document& doc) {
    History& h = Of(doc);
    if (!h.open) return;
    std::unique_ptr<HistoryStep> step = std::move(h.open);
    if (step->changes.empty()) return;
    step->layerAfter = doc.currentLayer;
    step->frameAfter = doc.currentFrame;
    step->bytes = StepBytes(*step);
    for (size_t k = h.position; k < h.steps.size(); ++k) h.bytes -= h.steps[k]->bytes;
    h.steps.resize(h.position);
    // Counted before the step that goes to packing now is: it has only
    // just started, and asking each of its tiles would hold the packing up.
    Settle(h);
    if (h.position > 0) Shrink(*h.steps[h.position - 1]);
    h.steps.push_back(std::move(step));
    h.bytes += h.steps.back()->bytes;
    ++h.position;
    Trim(h);
    doc.modified = true;
    doc.flatCopy = false;
}

void AbandonStep(Document& doc) {
    History& h = Of(doc);
    if (!h.open) return;
    std::unique_ptr<HistoryStep> step = std::move(h.open);
    for (auto it = step->changes.rbegin(); it != step->changes.rend(); ++it) (*it)->Swap(doc);
    doc.currentLayer = std::clamp(step->layerBefore, 0, std::max(doc.layerCount - 1, 0));
    ShowFrame(doc, step->frameBefore);
    for (int i = 0; i < doc.layerCount; ++i) doc.layers[i].thumbnailDirty = true;
}

void RevertOpenStep(Document& doc) {
    History& h = Of(doc);
    if (!h.open) return;
    for (auto& change : h.open->changes) change->Revert(doc);
}

bool PushUndo(Document& doc, int layer, bool all) {
    if (!OpenStep(doc, kStepPixels, layer)) return false;
    if (!SaveTiles(doc, layer, all)) {
        AbandonStep(doc);
        return false;
    }
    CloseStep(doc);
    return true;
}

bool Undo(Document& doc) {
    History& h = Of(doc);
    if (h.open || h.position == 0) return false;
    HistoryStep& step = *h.steps[h.position - 1];
    if (!Prepare(step)) return false;
    // The step's changes find their frames and layers where the step left them.
    ShowFrame(doc, step.frameAfter);
    for (auto it = step.changes.rbegin(); it != step.changes.rend(); ++it) (*it)->Swap(doc);
    ShowFrame(doc, step.frameBefore);
    doc.currentLayer = std::clamp(step.layerBefore, 0, std::max(doc.layerCount - 1, 0));
    Settle(h);
    if (h.position < h.steps.size()) Shrink(*h.steps[h.position]);
    --h.position;
    Recount(h, step);
    Changed(doc);
    return true;
}

bool Redo(Document& doc) {
    History& h = Of(doc);
    if (h.open || h.position >= h.steps.size()) return false;
    HistoryStep& step = *h.steps[h.position];
    if (!Prepare(step)) return false;
    ShowFrame(doc, step.frameBefore);
    for (auto& change : step.changes) change->Swap(doc);
    ShowFrame(doc, step.frameAfter);
    doc.currentLayer = std::clamp(step.layerAfter, 0, std::max(doc.layerCount - 1, 0));
    Settle(h);
    if (h.position > 0) Shrink(*h.steps[h.position - 1]);
    ++h.position;
    Recount(h, step);
    Changed(doc);
    return true;
}

int UndoDepth(const Document& doc) { return int(Of(doc).position); }

int RedoDepth(const Document& doc) { return int(Of(doc).steps.size() - Of(doc).position); }

bool NextUndo(const Document& doc, int& kind, int& layer) {
    const History& h = Of(doc);
    if (h.open || h.position == 0) return false;
    kind = h.steps[h.position - 1]->kind;
    layer = h.steps[h.position - 1]->layer;
    return true;
}

bool NextRedo(const Document& doc, int& kind, int& layer) {
    const History& h = Of(doc);
    if (h.open || h.position >= h.steps.size()) return false;
    kind = h.steps[h.position]->kind;
    layer = h.steps[h.position]->layer;
    return true;
}

std::vector<int> NewestStepTiles(const Document& doc) {
    std::vector<int> stacks;
    const History& h = Of(doc);
    if (h.position == 0) return stacks;
    for (const auto& change : h.steps[h.position - 1]->changes)
        if (change->Stack() >= 0) stacks.push_back(change->Stack());
    return stacks;
}

void ClearUndo(Document& doc) {
    if (!doc.history) return;
    History& h = Of(doc);
    h.steps.clear();
    h.open.reset();
    h.position = 0;
    h.bytes = 0;
}

size_t HistoryBytes(const Document& doc) { return Of(doc).bytes; }

void FinishHistoryPacking(Document& doc) {
    WaitForSnapshotPacking();
    Settle(Of(doc));
}

void SetHistoryBudget(size_t bytes) { budget.store(bytes, std::memory_order_relaxed); }

size_t HistoryBudget() { return budget.load(std::memory_order_relaxed); }

size_t DefaultHistoryBudget(unsigned long long physicalBytes) {
    const unsigned long long quarter = physicalBytes / 4;
    return quarter == 0 || quarter > kBudgetCap ? kBudgetCap : size_t(quarter);
}
