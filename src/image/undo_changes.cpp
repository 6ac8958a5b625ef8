#include "image/undo_changes.h"

#include <utility>

#include "image/animation.h"
#include "image/color_profile.h"
#include "image/pixel_image.h"

namespace {

void DeleteTile(LayerTile* tile) {
    if (!tile) return;
    tile->next = nullptr;
    delete tile;
}

size_t TileBytes(const LayerTile& tile) {
    if (!tile.animated) return tile.pixels ? ImageBytes(*tile.pixels) : 0;
    size_t bytes = 0;
    for (const PixelImage* frame : tile.frames)
        if (frame) bytes += ImageBytes(*frame);
    return bytes;
}

// The image slot a saved tile goes back into.
PixelImage*& Slot(LayerTile& tile, int frame) {
    if (tile.animated && frame >= 0 && frame < int(tile.frames.size())) return tile.frames[size_t(frame)];
    return tile.pixels;
}

void ShowFrame(LayerTile& tile) {
    if (tile.animated && tile.currentFrame >= 0 && tile.currentFrame < int(tile.frames.size()))
        tile.pixels = tile.frames[size_t(tile.currentFrame)];
    tile.empty = tile.pixels->IsEmpty();
    tile.dirty = true;
}

}  // namespace

size_t ImageBytes(const PixelImage& image) {
    const size_t sample = image.depth == 8 ? 1 : 2;
    return size_t(image.width) * size_t(image.height) * size_t(image.channelCount) * sample;
}

void TileChange::Swap(Document& doc) {
    LayerTile* tile = LayerTileAt(doc.stacks[size_t(stack)], layer);
    if (!tile || !image.Unpack()) return;
    std::swap(Slot(*tile, frame), image.Plain());
    ShowFrame(*tile);
}

void TileChange::Revert(Document& doc) {
    LayerTile* tile = LayerTileAt(doc.stacks[size_t(stack)], layer);
    if (!tile || !image.Unpack()) return;
    const PixelImage& saved = *image.Plain();
    PixelImage*& slot = Slot(*tile, frame);
    if (slot == tile->pixels) {
        ReplaceTilePixels(*tile, saved);
        return;
    }
    if (!slot->CopyFrom(saved)) {
        PixelImage* copy = CloneImage(saved);
        delete slot;
        slot = copy;
    }
    ShowFrame(*tile);
}

void LayerSettingsChange::Swap(Document& doc) {
    LayerInfo& current = doc.layers[layer];
    LayerInfo other = current;
    std::swap(current.name, info.name);
    current.opacity = info.opacity;
    current.blendMode = info.blendMode;
    current.lockTransparency = info.lockTransparency;
    current.hidden = info.hidden;
    current.thumbnailDirty = true;
    info = other;
    ApplyLayerInfo(doc, layer);
}

LayerChange::~LayerChange() {
    if (detached)
        for (LayerTile* tile : tiles) DeleteTile(tile);
}

void LayerChange::Swap(Document& doc) {
    if (detached)
        AttachLayer(doc, index, info, tiles);
    else
        DetachLayer(doc, index, info, tiles);
    detached = !detached;
}

size_t LayerChange::Bytes() const {
    size_t bytes = 0;
    if (detached)
        for (const LayerTile* tile : tiles) bytes += TileBytes(*tile);
    return bytes;
}

void MoveChange::Swap(Document& doc) {
    // The layer now at `to` goes back to `from`.
    LayerInfo info;
    std::vector<LayerTile*> tiles;
    DetachLayer(doc, to, info, tiles);
    AttachLayer(doc, from, info, tiles);
    std::swap(from, to);
}

FrameChange::~FrameChange() {
    if (detached)
        for (PixelImage* image : images) delete image;
}

void FrameChange::Swap(Document& doc) {
    if (detached)
        AttachFrame(doc, index, images, duration);
    else
        DetachFrame(doc, index, images, duration);
    detached = !detached;
}

size_t FrameChange::Bytes() const {
    size_t bytes = 0;
    if (detached)
        for (const PixelImage* image : images)
            if (image) bytes += ImageBytes(*image);
    return bytes;
}

AnimateChange::~AnimateChange() {
    for (std::vector<PixelImage*>& frames : others)
        for (PixelImage* image : frames) delete image;
}

void AnimateChange::Swap(Document& doc) {
    LayerInfo& info = doc.layers[layer];
    const bool makeStill = info.animated;
    if (makeStill) others.assign(doc.stacks.size(), {});
    for (size_t s = 0; s < doc.stacks.size(); ++s) {
        LayerTile* tile = LayerTileAt(doc.stacks[s], layer);
        if (!tile) continue;
        if (makeStill) {
            if (!tile->animated) continue;
            if (frame >= 0 && frame < int(tile->frames.size())) tile->currentFrame = frame;
            std::vector<PixelImage*>& kept = others[s];
            kept = tile->frames;
            kept[size_t(tile->currentFrame)] = nullptr;
            for (size_t k = 0; k < tile->frames.size(); ++k)
                if (int(k) != tile->currentFrame) tile->frames[k] = nullptr;
            KeepCurrentFrame(*tile);
        } else {
            MakeTileAnimated(*tile, frameCount, frame);
            if (s >= others.size()) continue;
            std::vector<PixelImage*>& kept = others[s];
            for (size_t k = 0; k < kept.size() && k < tile->frames.size(); ++k) {
                if (!kept[k]) continue;
                delete tile->frames[k];
                tile->frames[k] = kept[k];
                kept[k] = nullptr;
            }
            ShowFrame(*tile);
        }
    }
    if (!makeStill) others.clear();
    info.animated = !makeStill;
    info.thumbnailDirty = true;
}

size_t AnimateChange::Bytes() const {
    size_t bytes = 0;
    for (const std::vector<PixelImage*>& frames : others)
        for (const PixelImage* image : frames)
            if (image) bytes += ImageBytes(*image);
    return bytes;
}

void ProfileChange::Swap(Document& doc) {
    const int current = CurrentProfileIndex();
    if (const ColorProfile* profile = BuiltinProfile(index)) SelectProfile(*profile);
    index = current;
    MarkAllDirty(doc);
}
