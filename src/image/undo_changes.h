#pragma once
// The parts of a history step, for the document's own operations to record
// themselves with. Each change holds the side of itself the document does
// not show; Swap exchanges the two, which undoes the change the first time
// and redoes it the next.

#include <cstddef>
#include <memory>
#include <vector>

#include "image/document.h"
#include "image/tile_snapshot.h"

class PixelImage;

struct Change {
    virtual ~Change() = default;
    virtual void Swap(Document& doc) = 0;
    // Bytes of samples the change holds now.
    virtual size_t Bytes() const = 0;
    // Puts saved pixels back without giving up the copy (dialog previews).
    virtual void Revert(Document&) {}
    // The tile position a saved tile belongs to, or -1.
    virtual int Stack() const { return -1; }
    // Swap, Revert and Bytes on a closed step: Prepare first makes what
    // Swap puts back ready (false when memory runs out: nothing is
    // swapped then); Shrink lets what the change holds be packed in the
    // background; Pending is true while such packing is unfinished.
    virtual bool Prepare() { return true; }
    virtual void Shrink() {}
    virtual bool Pending() const { return false; }
};

struct HistoryStep {
    int kind = 0;
    int layer = -1;
    int layerBefore = 0, layerAfter = 0;
    int frameBefore = 0, frameAfter = 0;
    std::vector<std::unique_ptr<Change>> changes;
    size_t bytes = 0;
    bool settled = true;  // bytes is final: none of the changes has packing pending
    bool plain = true;    // not handed to the packing since the changes were last unpacked
};

struct History {
    std::vector<std::unique_ptr<HistoryStep>> steps;  // oldest first
    size_t position = 0;                              // steps before it can be undone, from it on redone
    std::unique_ptr<HistoryStep> open;
    size_t bytes = 0;  // of the closed steps
};

size_t ImageBytes(const PixelImage& image);

// Appends change to the open step (dropped when none is open).
void AddChange(Document& doc, std::unique_ptr<Change> change);

// A copy of one tile image: frame is the frame of an animated tile, -1 for
// a still tile. Owns image, which it packs once its step is closed.
struct TileChange final : Change {
    TileChange(int stack, int layer, int frame, PixelImage* image)
        : stack(stack), layer(layer), frame(frame), image(image) {}
    void Swap(Document& doc) override;
    size_t Bytes() const override { return image.Bytes(); }
    void Revert(Document& doc) override;
    int Stack() const override { return stack; }
    bool Prepare() override { return image.Unpack(); }
    void Shrink() override { image.Shrink(); }
    bool Pending() const override { return image.Pending(); }
    int stack, layer, frame;
    TileSnapshot image;
};

// A layer's settings from the other side of the change.
struct LayerSettingsChange final : Change {
    LayerSettingsChange(int layer, const LayerInfo& info) : layer(layer), info(info) {}
    void Swap(Document& doc) override;
    size_t Bytes() const override { return 0; }
    int layer;
    LayerInfo info;
};

// A whole layer at index, in the document or (detached) held here.
struct LayerChange final : Change {
    LayerChange(int index, bool detached) : index(index), detached(detached) {}
    ~LayerChange() override;
    void Swap(Document& doc) override;
    size_t Bytes() const override;
    int index;
    bool detached;
    LayerInfo info;
    std::vector<LayerTile*> tiles;  // one per stack while detached
};

// A layer moved from one index to another.
struct MoveChange final : Change {
    MoveChange(int from, int to) : from(from), to(to) {}
    void Swap(Document& doc) override;
    size_t Bytes() const override { return 0; }
    int from, to;
};

// One frame at index of every animated tile, in the document or held here.
struct FrameChange final : Change {
    FrameChange(int index, bool detached) : index(index), detached(detached) {}
    ~FrameChange() override;
    void Swap(Document& doc) override;
    size_t Bytes() const override;
    int index;
    bool detached;
    int duration = 1;
    std::vector<PixelImage*> images;  // per animated layer and stack while detached
};

// A layer made animated or still at frame of frameCount frames. While the
// layer is still, the other frames of each tile are held here.
struct AnimateChange final : Change {
    AnimateChange(int layer, int frameCount, int frame) : layer(layer), frameCount(frameCount), frame(frame) {}
    ~AnimateChange() override;
    void Swap(Document& doc) override;
    size_t Bytes() const override;
    int layer, frameCount, frame;
    std::vector<std::vector<PixelImage*>> others;  // per stack
};

// The colour profile selected on the other side of the change.
struct ProfileChange final : Change {
    explicit ProfileChange(int index) : index(index) {}
    void Swap(Document& doc) override;
    size_t Bytes() const override { return 0; }
    int index;
};
