#include "image/animation.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "image/document.h"
#include "image/pixel_image.h"
#include "image/undo.h"
#include "image/undo_changes.h"

namespace {

void ShowCurrentFrame(LayerTile& tile) {
    tile.pixels = tile.frames[size_t(tile.currentFrame)];
    tile.empty = tile.pixels->IsEmpty();
    tile.dirty = true;
}

template <typename Fn>
void ForAnimatedTiles(Document& doc, Fn fn) {
    for (int i = 0; i < doc.layerCount; ++i) {
        if (!doc.layers[i].animated) continue;
        for (LayerTile* stack : doc.stacks)
            if (LayerTile* tile = LayerTileAt(stack, i)) fn(i, *tile);
    }
}

}  // namespace

bool MakeTileAnimated(LayerTile& tile, int n, int c) {
    if (tile.animated || n <= 0 || n > kMaxFrames || c < 0 || c >= n) return false;
    tile.animated = true;
    tile.onionSkin = false;
    tile.frames.assign(size_t(n), nullptr);
    tile.frameCount = n;
    tile.currentFrame = c;
    for (int k = 0; k < n; ++k) tile.frames[size_t(k)] = k == c ? tile.pixels : new PixelImage();
    ShowCurrentFrame(tile);
    return true;
}

void KeepCurrentFrame(LayerTile& tile) {
    if (!tile.animated) return;
    const int current = tile.currentFrame;
    if (current >= 0 && current < int(tile.frames.size())) tile.pixels = tile.frames[size_t(current)];
    for (PixelImage*& frame : tile.frames) {
        if (frame != tile.pixels) delete frame;
        frame = nullptr;
    }
    tile.frames.clear();
    tile.frameCount = 0;
    tile.currentFrame = 0;
    tile.animated = false;
    tile.onionSkin = false;
    tile.empty = tile.pixels->IsEmpty();
    tile.dirty = true;
}

void EnterAnimation(Document& doc) {
    if (doc.animationMode) return;
    doc.animationMode = true;
    doc.frameCount = 1;
    doc.currentFrame = 0;
    doc.durations[0] = 1;
    doc.framesPerSecond = 10;
    for (int i = 0; i < doc.layerCount; ++i) doc.layers[i].animated = false;
    ClearUndo(doc);
}

void CopyAnimationSettings(const Document& from, Document& to) {
    to.animationMode = from.animationMode;
    to.onionSkin = from.onionSkin;
    to.framesPerSecond = from.framesPerSecond;
    to.currentFrame = from.currentFrame;
    to.frameCount = from.frameCount;
    to.durations = from.durations;
}

void RestartFrames(Document& doc) {
    if (!doc.animationMode) return;
    doc.frameCount = 1;
    doc.currentFrame = 0;
    std::fill(doc.durations.begin(), doc.durations.end(), 0);
    doc.durations[0] = 1;
    doc.onionSkin = false;
}

void ExitAnimation(Document& doc) {
    if (!doc.animationMode) return;
    doc.animationMode = false;
    ForAnimatedTiles(doc, [](int, LayerTile& tile) { KeepCurrentFrame(tile); });
    for (int i = 0; i < doc.layerCount; ++i) doc.layers[i].animated = false;
    ClearUndo(doc);
}

bool ToggleLayerAnimated(Document& doc, int layer) {
    if (layer < 0 || layer >= doc.layerCount) return false;
    const LayerInfo& info = doc.layers[layer];
    // A layer can only take frames the document has; outside animation mode
    // the record and its tiles would otherwise disagree.
    if (!info.animated && (doc.currentFrame < 0 || doc.currentFrame >= doc.frameCount)) return false;
    auto change = std::make_unique<AnimateChange>(layer, doc.frameCount, doc.currentFrame);
    change->Swap(doc);
    if (StepOpen(doc))
        AddChange(doc, std::move(change));
    else
        ClearUndo(doc);
    return true;
}

void SetFrame(Document& doc, int frame) {
    if (frame < 0) frame = doc.frameCount - 1;
    if (frame > doc.frameCount - 1) frame = 0;
    doc.currentFrame = std::max(frame, 0);
    ForAnimatedTiles(doc, [&doc](int i, LayerTile& tile) {
        if (!tile.animated || doc.currentFrame >= tile.frameCount) return;
        tile.currentFrame = doc.currentFrame;
        ShowCurrentFrame(tile);
        doc.layers[i].thumbnailDirty = true;
    });
}

void DetachFrame(Document& doc, int k, std::vector<PixelImage*>& images, int& duration) {
    images.clear();
    ForAnimatedTiles(doc, [&doc, &images, k](int i, LayerTile& tile) {
        if (!tile.animated || tile.frameCount <= 1 || k >= tile.frameCount) {
            images.push_back(nullptr);
            return;
        }
        images.push_back(tile.frames[size_t(k)]);
        tile.frames.erase(tile.frames.begin() + k);
        --tile.frameCount;
        tile.currentFrame = std::min(tile.currentFrame, tile.frameCount - 1);
        ShowCurrentFrame(tile);
        doc.layers[i].thumbnailDirty = true;
    });
    duration = doc.durations[size_t(k)];
    for (int m = k; m < doc.frameCount - 1; ++m) doc.durations[size_t(m)] = doc.durations[size_t(m + 1)];
    --doc.frameCount;
    doc.currentFrame = std::min(doc.currentFrame, doc.frameCount - 1);
}

void AttachFrame(Document& doc, int k, std::vector<PixelImage*>& images, int duration) {
    size_t n = 0;
    ForAnimatedTiles(doc, [&doc, &images, &n, k](int i, LayerTile& tile) {
        PixelImage* image = n < images.size() ? images[n] : nullptr;
        ++n;
        if (!image) return;
        tile.frames.insert(tile.frames.begin() + k, image);
        ++tile.frameCount;
        ShowCurrentFrame(tile);
        doc.layers[i].thumbnailDirty = true;
    });
    images.clear();
    for (int m = doc.frameCount; m > k; --m) doc.durations[size_t(m)] = doc.durations[size_t(m - 1)];
    doc.durations[size_t(k)] = duration;
    ++doc.frameCount;
}

bool AddFrame(Document& doc) {
    if (doc.frameCount >= kMaxFrames || doc.frameCount < 1) return false;
    const int current = doc.currentFrame;
    auto change = std::make_unique<FrameChange>(current + 1, true);
    change->duration = doc.durations[size_t(current)];
    ForAnimatedTiles(doc, [&change](int, LayerTile& tile) {
        change->images.push_back(tile.animated ? new PixelImage() : nullptr);
    });
    change->Swap(doc);
    if (StepOpen(doc))
        AddChange(doc, std::move(change));
    else
        ClearUndo(doc);
    SetFrame(doc, current + 1);
    return true;
}

bool RemoveFrame(Document& doc) {
    if (doc.frameCount <= 1) return false;
    auto change = std::make_unique<FrameChange>(doc.currentFrame, false);
    change->Swap(doc);
    if (StepOpen(doc))
        AddChange(doc, std::move(change));
    else
        ClearUndo(doc);
    return true;
}

void ToggleOnionSkin(Document& doc) {
    doc.onionSkin = !doc.onionSkin;
    const bool on = doc.onionSkin;
    ForAnimatedTiles(doc, [on](int, LayerTile& tile) {
        if (tile.onionSkin != on) tile.dirty = true;
        tile.onionSkin = on;
    });
}
