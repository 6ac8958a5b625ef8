#pragma once
#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "image/color_profile.h"
#include "image/document.h"

class PixelImage;

// A copy of the document that another thread can write to disk while the
// painter goes on. It is kept tile by tile: a tile is copied again only when
// it changed since its last copy (its backupStale flag, or dirty while the
// compositor has not taken the change in yet), so taking a snapshot of a
// big document costs the tiles painted since the last one, not the whole.
//
// The main thread calls WarmUp and Capture, and only while no write of the
// backup is running; Write may then run on any one thread until the next
// WarmUp or Capture.
//
// The copies yield to the painter's own edits: before it copies, the backup
// asks whether the copies' new memory fits with room to spare, and a copy or
// a write that runs out of memory all the same is caught. Either way every
// copy is dropped, the document is left as it is, and OutOfMemory() says so
// until Clear.
class DocumentBackup {
public:
    DocumentBackup();
    ~DocumentBackup();
    DocumentBackup(const DocumentBackup&) = delete;
    DocumentBackup& operator=(const DocumentBackup&) = delete;

    // Copies some of the settled tiles that changed (not those the compositor
    // has still to take in, which a stroke keeps changing), looking at no
    // more than scanLimit tiles and copying no more than copyLimit, from
    // where the last call stopped; spread over the main loop's passes, it
    // keeps Capture short after a large change.
    // Returns the tiles copied.
    int WarmUp(Document& doc, int scanLimit, int copyLimit);
    // One main-loop pass's share of the copying before a snapshot: the
    // settled tiles that changed, at most kCatchUpCopies of them. True once
    // a whole round found fewer, so that Capture has little left to copy
    // (a filter over a big layer is copied over a few passes, not in one).
    static constexpr int kCatchUpCopies = 64;
    bool CatchUp(Document& doc);
    // Brings every tile and the document's settings into the backup, which
    // then holds the document as it is now. False when the backup already
    // held exactly that (nothing to write again).
    bool Capture(Document& doc, const ColorProfile& profile);
    // Writes the captured document as a .tvl file through SafeFile.
    bool Write(const std::string& path) const;

    // The last WarmUp, CatchUp, Capture or Write ran short of memory (and
    // the copies were dropped, or the write abandoned).
    bool OutOfMemory() const { return outOfMemory_; }

    // Tile images copied by the last Capture.
    size_t LastCaptureCopies() const { return lastCopies_; }
    // Drops every copy (the next Capture copies everything) and forgets a
    // shortage.
    void Clear();

private:
    struct TileCopy;
    // What a .tvl header and the layer records hold, compared between captures.
    struct Settings {
        int32_t width = 0, height = 0, tileCount = 0, layerCount = 0;
        bool animationMode = false, onionSkin = false;
        int32_t framesPerSecond = 0, currentFrame = 0, frameCount = 0;
        std::vector<int32_t> durations;
        std::vector<LayerInfo> layers;
        ColorProfile profile = {};
        bool operator==(const Settings& other) const;
    };

    TileCopy& CopyTile(LayerTile& tile);
    // Copies the tiles when newBytes (their copies' new memory) fit; false
    // after a shortage, with every copy dropped.
    bool CopyTiles(Document& doc, const std::vector<LayerTile*>& tiles, uint64_t newBytes);
    // The new memory copies of every changed or uncopied tile would take.
    uint64_t PendingNewBytes(Document& doc) const;
    const TileCopy* PlannedCopy(const LayerTile* tile, size_t k, bool& sameTiles) const;
    bool RunOutOfMemory();
    bool CaptureTiles(Document& doc, const ColorProfile& profile);
    bool BuildView(Document& view) const;

    std::unordered_map<const LayerTile*, std::unique_ptr<TileCopy>> copies_;
    std::vector<const TileCopy*> plan_;  // per stack, per layer from the bottom
    std::vector<const LayerTile*> planTiles_;  // the tiles plan_ holds copies of
    std::vector<LayerTile*> batch_;            // WarmUp's tiles to copy, kept to spare allocations
    Settings settings_;
    size_t warmStack_ = 0;
    size_t lastCopies_ = 0;
    bool copiedSinceCapture_ = false;  // by WarmUp: the next Capture has news
    uint32_t generation_ = 0;
    uint64_t approvedBytes_ = 0;  // new copies the last memory check allowed for
    mutable bool outOfMemory_ = false;  // also the writer's; read once it has finished
};
