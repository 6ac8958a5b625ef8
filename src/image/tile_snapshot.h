#pragma once
// A tile image saved for the history, which shrinks itself in the background.
// Shrink hands it to the packing thread, which packs it (tile_pack.h) and
// keeps the packed bytes instead when they are smaller; until then the plain
// image stays and counts. Unpack brings the plain image back first when it
// is needed again: a pending packing is called off, a running one waited for.
//
// Unpack may run for different snapshots on different threads at once (an
// undo spreads it over the compositing threads); everything else is the
// history's thread's.
#include <cstddef>
#include <memory>

class PixelImage;
struct SnapshotEntry;

class TileSnapshot {
public:
    explicit TileSnapshot(PixelImage* image);  // owns image
    ~TileSnapshot();
    TileSnapshot(const TileSnapshot&) = delete;
    TileSnapshot& operator=(const TileSnapshot&) = delete;

    // Queues the plain image for packing; nothing for an empty image.
    void Shrink();
    // Makes the plain image available again. False when memory runs out
    // (the snapshot stays packed).
    bool Unpack();
    // The plain image, after Unpack and before the next Shrink; the caller
    // may swap another image (owned from then on) into it.
    PixelImage*& Plain();
    // Bytes held now: the packed bytes, or the plain image's samples.
    size_t Bytes() const;
    // Queued or being packed.
    bool Pending() const;
    bool IsPacked() const;

private:
    std::shared_ptr<SnapshotEntry> entry_;
};

// While one lives, Shrink only queues: the packing thread, if asleep, is
// woken when the batch ends, so queueing a step's many tiles does not
// contend with it for every tile.
class PackingBatch {
public:
    PackingBatch();
    ~PackingBatch();
    PackingBatch(const PackingBatch&) = delete;
    PackingBatch& operator=(const PackingBatch&) = delete;
};

// Returns once nothing is queued for packing or being packed.
void WaitForSnapshotPacking();
