#include "app/autosave_backup.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "fileio/byte_stream.h"
#include "fileio/safe_file.h"
#include "fileio/tvl_file.h"
#include "image/memory_guard.h"
#include "image/pixel_image.h"

// One tile as it was when last copied: its still image, or every frame of an
// animated tile.
struct DocumentBackup::TileCopy {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool animated = false;
    int32_t frameCount = 0;
    int32_t currentFrame = 0;
    std::vector<std::unique_ptr<PixelImage>> images;
    uint32_t seen = 0;  // the capture that last found the tile in the document
};

namespace {

// Autosave is a convenience: its copies stop this far short of the memory the
// painter's own edits need (beyond the guard's reserve).
constexpr uint64_t kLeaveForEdits = uint64_t(64) << 20;
// A check allows for this much more than the change it was made for, so that
// a stroke reaching new tiles is not measured again on every pass.
constexpr uint64_t kApprovalSlack = uint64_t(8) << 20;
// A write's own memory besides the view's tiles: its thread and buffers.
constexpr uint64_t kWriteBytes = uint64_t(16) << 20;
// A tile's copy record and its place in the look-up.
constexpr uint64_t kCopyRecordBytes = 256;

uint64_t ImageBytes(const PixelImage* image) {
    if (!image || image->IsEmpty()) return 0;
    return uint64_t(image->width) * uint64_t(image->height) * uint64_t(image->channelCount) *
           (image->depth == 8 ? 1u : 2u);
}

bool SameShape(const PixelImage& a, const PixelImage& b) {
    return a.width == b.width && a.height == b.height && a.channelCount == b.channelCount && a.depth == b.depth;
}

// What copying the tile allocates, given the images its copy already holds
// (null: no copy yet): every image without a slot of the same shape to
// reuse, as CopyImage reuses them.
uint64_t NewBytes(const LayerTile& tile, const std::vector<std::unique_ptr<PixelImage>>* slots) {
    uint64_t bytes = slots ? 0 : kCopyRecordBytes;
    const size_t count = tile.animated ? tile.frames.size() : 1;
    for (size_t f = 0; f < count; ++f) {
        const PixelImage* source = tile.animated ? tile.frames[f] : tile.pixels;
        const uint64_t needed = ImageBytes(source);
        if (needed == 0) continue;
        const PixelImage* slot = slots && f < slots->size() ? (*slots)[f].get() : nullptr;
        if (!slot || !SameShape(*slot, *source)) bytes += needed;
    }
    return bytes;
}

// Copies source into slot, reusing the image already there when it has the
// same shape (no allocation for a tile copied again).
void CopyImage(const PixelImage* source, std::unique_ptr<PixelImage>& slot) {
    if (!source || source->IsEmpty()) {
        if (!slot || !slot->IsEmpty()) slot = std::make_unique<PixelImage>();
        return;
    }
    if (slot && slot->CopyFrom(*source)) return;
    slot.reset(CloneImage(*source));
}

bool SameLayerRecord(const LayerInfo& a, const LayerInfo& b) {
    return std::memcmp(a.name, b.name, sizeof a.name) == 0 && a.opacity == b.opacity &&
           a.blendMode == b.blendMode && a.lockTransparency == b.lockTransparency && a.hidden == b.hidden &&
           a.animated == b.animated;
}

// Every tile of view borrows its images from the backup; this hands them
// back before the view is destroyed.
void ForgetBorrowedImages(Document& view) {
    for (LayerTile* stack : view.stacks)
        for (LayerTile* tile = stack; tile; tile = tile->next) {
            tile->pixels = nullptr;
            tile->frames.clear();
            tile->animated = false;
        }
}

}  // namespace

bool DocumentBackup::Settings::operator==(const Settings& o) const {
    if (width != o.width || height != o.height || tileCount != o.tileCount || layerCount != o.layerCount ||
        animationMode != o.animationMode || onionSkin != o.onionSkin || framesPerSecond != o.framesPerSecond ||
        currentFrame != o.currentFrame || frameCount != o.frameCount || durations != o.durations ||
        layers.size() != o.layers.size() || std::memcmp(&profile, &o.profile, sizeof profile) != 0)
        return false;
    for (size_t i = 0; i < layers.size(); ++i)
        if (!SameLayerRecord(layers[i], o.layers[i])) return false;
    return true;
}

DocumentBackup::DocumentBackup() = default;
DocumentBackup::~DocumentBackup() = default;

void DocumentBackup::Clear() {
    copies_.clear();
    plan_.clear();
    planTiles_.clear();
    copiedSinceCapture_ = false;
    settings_ = Settings();
    warmStack_ = 0;
    approvedBytes_ = 0;
    outOfMemory_ = false;
}

bool DocumentBackup::RunOutOfMemory() {
    Clear();
    outOfMemory_ = true;
    return false;
}

const DocumentBackup::TileCopy* DocumentBackup::PlannedCopy(const LayerTile* tile, size_t k, bool& sameTiles) const {
    // While the layers stay as they were, each tile is where the last
    // capture found it and needs no look-up.
    if (sameTiles && k < planTiles_.size() && planTiles_[k] == tile) return plan_[k];
    sameTiles = false;
    auto found = copies_.find(tile);
    return found != copies_.end() ? found->second.get() : nullptr;
}

uint64_t DocumentBackup::PendingNewBytes(Document& doc) const {
    uint64_t bytes = 0;
    size_t k = 0;
    bool sameTiles = true;
    for (LayerTile* stack : doc.stacks)
        for (LayerTile* tile = stack; tile; tile = tile->next, ++k) {
            const TileCopy* copy = PlannedCopy(tile, k, sameTiles);
            if (!copy || tile->backupStale || tile->dirty) bytes += NewBytes(*tile, copy ? &copy->images : nullptr);
        }
    return bytes;
}

bool DocumentBackup::CopyTiles(Document& doc, const std::vector<LayerTile*>& tiles, uint64_t newBytes) {
    if (newBytes > approvedBytes_) {
        // A change larger than the last check allowed for: is there room for
        // all of it, not just for this pass's share?
        const uint64_t whole = std::max(PendingNewBytes(doc), newBytes) + kApprovalSlack;
        if (!MemoryFits(whole + kLeaveForEdits)) return RunOutOfMemory();
        approvedBytes_ = whole;
    }
    try {
        for (LayerTile* tile : tiles) CopyTile(*tile);
    } catch (const std::bad_alloc&) {
        return RunOutOfMemory();
    }
    approvedBytes_ -= newBytes;
    return true;
}

DocumentBackup::TileCopy& DocumentBackup::CopyTile(LayerTile& tile) {
    std::unique_ptr<TileCopy>& entry = copies_[&tile];
    if (!entry) entry = std::make_unique<TileCopy>();
    TileCopy& copy = *entry;
    copy.x0 = tile.x0;
    copy.y0 = tile.y0;
    copy.x1 = tile.x1;
    copy.y1 = tile.y1;
    copy.animated = tile.animated;
    copy.frameCount = tile.frameCount;
    copy.currentFrame = tile.currentFrame;
    const size_t count = tile.animated ? tile.frames.size() : 1;
    copy.images.resize(count);
    for (size_t f = 0; f < count; ++f) CopyImage(tile.animated ? tile.frames[f] : tile.pixels, copy.images[f]);
    tile.backupStale = false;
    copiedSinceCapture_ = true;
    return copy;
}

int DocumentBackup::WarmUp(Document& doc, int scanLimit, int copyLimit) {
    if (doc.stacks.empty() || outOfMemory_) return 0;
    int scanned = 0;
    uint64_t newBytes = 0;
    batch_.clear();
    try {
        // At most one round of the document, however small it is.
        for (size_t stacks = 0;
             stacks < doc.stacks.size() && scanned < scanLimit && int(batch_.size()) < copyLimit; ++stacks) {
            if (warmStack_ >= doc.stacks.size()) warmStack_ = 0;
            for (LayerTile* tile = doc.stacks[warmStack_]; tile; tile = tile->next) {
                ++scanned;
                if (tile->backupStale && !tile->dirty) {
                    auto found = copies_.find(tile);
                    newBytes += NewBytes(*tile, found != copies_.end() ? &found->second->images : nullptr);
                    batch_.push_back(tile);
                }
            }
            ++warmStack_;
        }
    } catch (const std::bad_alloc&) {
        return RunOutOfMemory();
    }
    return CopyTiles(doc, batch_, newBytes) ? int(batch_.size()) : 0;
}

bool DocumentBackup::CatchUp(Document& doc) {
    const int everyTile = doc.tileCount * doc.layerCount;
    return WarmUp(doc, everyTile, kCatchUpCopies) < kCatchUpCopies;
}

bool DocumentBackup::Capture(Document& doc, const ColorProfile& profile) {
    try {
        return CaptureTiles(doc, profile);
    } catch (const std::bad_alloc&) {
        return RunOutOfMemory();
    }
}

bool DocumentBackup::CaptureTiles(Document& doc, const ColorProfile& profile) {
    ++generation_;
    lastCopies_ = 0;
    approvedBytes_ = 0;
    std::vector<const TileCopy*> plan;
    std::vector<const LayerTile*> planTiles;
    std::vector<std::pair<size_t, LayerTile*>> toCopy;
    plan.reserve(doc.stacks.size() * size_t(doc.layerCount));
    planTiles.reserve(plan.capacity());
    uint64_t newBytes = 0;
    bool sameTiles = true;
    for (LayerTile* stack : doc.stacks)
        for (LayerTile* tile = stack; tile; tile = tile->next) {
            const size_t k = plan.size();
            auto* copy = const_cast<TileCopy*>(PlannedCopy(tile, k, sameTiles));
            if (!copy || tile->backupStale || tile->dirty) {
                newBytes += NewBytes(*tile, copy ? &copy->images : nullptr);
                toCopy.emplace_back(k, tile);
            } else {
                copy->seen = generation_;
            }
            plan.push_back(copy);
            planTiles.push_back(tile);
        }
    // The copies all at once, and then the write's view of every tile.
    const uint64_t writeBytes = plan.size() * sizeof(LayerTile) + kWriteBytes;
    if (newBytes > 0 && !MemoryFits(newBytes + writeBytes + kLeaveForEdits)) return RunOutOfMemory();
    for (const auto& [k, tile] : toCopy) {
        TileCopy& copy = CopyTile(*tile);
        copy.seen = generation_;
        plan[k] = &copy;
        ++lastCopies_;
    }
    // Tiles that left the document (a removed layer, a new document).
    if (!sameTiles || planTiles.size() != planTiles_.size() || copies_.size() != planTiles.size())
        for (auto it = copies_.begin(); it != copies_.end();)
            it = it->second->seen == generation_ ? std::next(it) : copies_.erase(it);
    planTiles_ = std::move(planTiles);

    Settings s;
    s.width = doc.width;
    s.height = doc.height;
    s.tileCount = doc.tileCount;
    s.layerCount = doc.layerCount;
    s.animationMode = doc.animationMode;
    s.onionSkin = doc.onionSkin;
    s.framesPerSecond = doc.framesPerSecond;
    s.currentFrame = doc.currentFrame;
    s.frameCount = doc.frameCount;
    s.durations = doc.durations;
    s.layers.assign(doc.layers, doc.layers + doc.layerCount);
    for (LayerInfo& layer : s.layers) layer.thumbnail = 0;  // the UI's, not the copy's
    s.profile = profile;
    const bool changed = copiedSinceCapture_ || plan != plan_ || !(s == settings_);
    copiedSinceCapture_ = false;
    plan_ = std::move(plan);
    settings_ = std::move(s);
    return changed;
}

bool DocumentBackup::BuildView(Document& view) const {
    const Settings& s = settings_;
    if (s.layerCount < 1 || plan_.size() != size_t(s.tileCount) * size_t(s.layerCount)) return false;
    view.width = s.width;
    view.height = s.height;
    view.tileCount = s.tileCount;
    view.layerCount = s.layerCount;
    std::copy(s.layers.begin(), s.layers.end(), view.layers);
    view.animationMode = s.animationMode;
    view.onionSkin = s.onionSkin;
    view.framesPerSecond = s.framesPerSecond;
    view.currentFrame = s.currentFrame;
    view.frameCount = s.frameCount;
    view.durations = s.durations;
    // Room first, so that a tile is never made without a place to go.
    view.stacks.reserve(size_t(s.tileCount));
    size_t next = 0;
    for (int t = 0; t < s.tileCount; ++t) {
        LayerTile* below = nullptr;
        for (int i = 0; i < s.layerCount; ++i) {
            const TileCopy& copy = *plan_[next++];
            auto* tile = new LayerTile();
            tile->x0 = copy.x0;
            tile->y0 = copy.y0;
            tile->x1 = copy.x1;
            tile->y1 = copy.y1;
            tile->animated = copy.animated;
            tile->frameCount = copy.frameCount;
            tile->currentFrame = copy.currentFrame;
            for (const auto& image : copy.images) tile->frames.push_back(image.get());
            const size_t shown = copy.animated ? size_t(copy.currentFrame) : 0;
            tile->pixels = shown < tile->frames.size() ? tile->frames[shown] : nullptr;
            if (!copy.animated) tile->frames.clear();
            if (below)
                below->next = tile;
            else
                view.stacks.push_back(tile);
            below = tile;
        }
    }
    return true;
}

bool DocumentBackup::Write(const std::string& path) const {
    outOfMemory_ = false;
    try {
        // The view's tiles hand their borrowed images back however the
        // write ends, before the view is destroyed.
        struct View {
            Document doc;
            ~View() { ForgetBorrowedImages(doc); }
        } view;
        bool ok = BuildView(view.doc);
        SafeFile out;
        if (ok) ok = out.Open(path);
        if (ok) {
            ByteSink sink(out.File());
            ok = WriteTvl(view.doc, settings_.profile, sink) && sink.Finish();
            if (!ok) out.Abandon();
        }
        return ok && out.Commit();
    } catch (const std::bad_alloc&) {
        outOfMemory_ = true;  // the unfinished file is abandoned with its SafeFile
        return false;
    }
}
