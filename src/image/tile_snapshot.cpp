#include "image/tile_snapshot.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "image/pixel_image.h"
#include "image/tile_pack.h"
#include "image/undo_changes.h"
#include "platform/thread_priority.h"

enum class SnapshotState { kPlain, kQueued, kPacking, kPacked };

struct SnapshotEntry {
    // All guarded by the packer's mutex, except that the packing thread reads
    // plain's samples unguarded while the state is kPacking (nobody else
    // touches the entry's images then), and Unpack works on a kPacked entry's
    // bytes unguarded (the packing thread leaves kPacked entries alone).
    SnapshotState state = SnapshotState::kPlain;
    PixelImage* plain = nullptr;
    std::vector<uint8_t> packed;
};

namespace {

// One packing thread for the program, started with the first job. It is
// never stopped: it sleeps while the queue is empty, and the history's
// threads wait for the one entry it may be packing before they take that
// entry back, so it never holds anything they free. (Leaked on purpose, so
// no exit-time destructor runs while a document still holds snapshots.)
struct Packer {
    std::mutex mutex;
    std::condition_variable work;  // the queue has entries
    std::condition_variable done;  // an entry left kPacking, or the queue went idle
    std::deque<std::shared_ptr<SnapshotEntry>> queue;
    int packing = 0;
    int batches = 0;  // PackingBatch objects alive: the thread is woken when the last goes
    bool started = false;
    bool failed = false;  // the thread could not start: snapshots stay plain
};

Packer& ThePacker() {
    static Packer* packer = new Packer();
    return *packer;
}

void PackOne(Packer& p, const std::shared_ptr<SnapshotEntry>& entry, std::unique_lock<std::mutex>& lock) {
    if (entry->state != SnapshotState::kQueued) return;  // taken back meanwhile
    entry->state = SnapshotState::kPacking;
    ++p.packing;
    const PixelImage* image = entry->plain;
    lock.unlock();
    std::vector<uint8_t> bytes;
    const bool smaller = PackImage(*image, bytes) && bytes.size() < ImageBytes(*image);
    lock.lock();
    PixelImage* drop = nullptr;
    if (smaller) {
        entry->packed.swap(bytes);
        drop = entry->plain;
        entry->plain = nullptr;
        entry->state = SnapshotState::kPacked;
    } else {
        entry->state = SnapshotState::kPlain;
    }
    --p.packing;
    p.done.notify_all();
    lock.unlock();
    delete drop;
    lock.lock();
}

void PackLoop() {
    RunThreadInBackground();
    Packer& p = ThePacker();
    std::unique_lock<std::mutex> lock(p.mutex);
    for (;;) {
        p.work.wait(lock, [&p] { return !p.queue.empty(); });
        std::shared_ptr<SnapshotEntry> entry = std::move(p.queue.front());
        p.queue.pop_front();
        PackOne(p, entry, lock);
        if (p.queue.empty()) p.done.notify_all();
    }
}

// Under the mutex: the packing thread is running, or cannot be started.
bool Started(Packer& p) {
    if (!p.started && !p.failed) {
        try {
            std::thread(PackLoop).detach();
            p.started = true;
        } catch (const std::system_error&) {
            p.failed = true;
        }
    }
    return p.started;
}

}  // namespace

TileSnapshot::TileSnapshot(PixelImage* image) : entry_(std::make_shared<SnapshotEntry>()) { entry_->plain = image; }

TileSnapshot::~TileSnapshot() {
    Packer& p = ThePacker();
    PixelImage* plain = nullptr;
    {
        std::unique_lock<std::mutex> lock(p.mutex);
        p.done.wait(lock, [this] { return entry_->state != SnapshotState::kPacking; });
        // A queued entry stays in the queue; the packing thread skips it.
        entry_->state = SnapshotState::kPlain;
        plain = entry_->plain;
        entry_->plain = nullptr;
    }
    delete plain;
}

void TileSnapshot::Shrink() {
    Packer& p = ThePacker();
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        if (entry_->state != SnapshotState::kPlain || !entry_->plain || entry_->plain->IsEmpty() || !Started(p))
            return;
        entry_->state = SnapshotState::kQueued;
        // The thread sleeps only on an empty queue: a step's many tiles wake it once.
        wake = p.queue.empty() && p.batches == 0;
        p.queue.push_back(entry_);
    }
    if (wake) p.work.notify_one();
}

bool TileSnapshot::Unpack() {
    Packer& p = ThePacker();
    {
        std::unique_lock<std::mutex> lock(p.mutex);
        p.done.wait(lock, [this] { return entry_->state != SnapshotState::kPacking; });
        if (entry_->state != SnapshotState::kPacked) {
            entry_->state = SnapshotState::kPlain;
            return true;
        }
    }
    PixelImage* image = UnpackImage(entry_->packed);
    if (!image) return false;
    std::vector<uint8_t> packed;
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        entry_->plain = image;
        packed.swap(entry_->packed);
        entry_->state = SnapshotState::kPlain;
    }
    return true;
}

PixelImage*& TileSnapshot::Plain() { return entry_->plain; }

size_t TileSnapshot::Bytes() const {
    std::lock_guard<std::mutex> lock(ThePacker().mutex);
    if (entry_->state == SnapshotState::kPacked) return entry_->packed.size();
    return entry_->plain ? ImageBytes(*entry_->plain) : 0;
}

bool TileSnapshot::Pending() const {
    std::lock_guard<std::mutex> lock(ThePacker().mutex);
    return entry_->state == SnapshotState::kQueued || entry_->state == SnapshotState::kPacking;
}

bool TileSnapshot::IsPacked() const {
    std::lock_guard<std::mutex> lock(ThePacker().mutex);
    return entry_->state == SnapshotState::kPacked;
}

PackingBatch::PackingBatch() {
    std::lock_guard<std::mutex> lock(ThePacker().mutex);
    ++ThePacker().batches;
}

PackingBatch::~PackingBatch() {
    Packer& p = ThePacker();
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(p.mutex);
        wake = --p.batches == 0 && !p.queue.empty();
    }
    if (wake) p.work.notify_one();
}

void WaitForSnapshotPacking() {
    Packer& p = ThePacker();
    std::unique_lock<std::mutex> lock(p.mutex);
    p.done.wait(lock, [&p] { return p.queue.empty() && p.packing == 0; });
}
