#include "image/thread_scratch.h"

#include <atomic>
#include <functional>
#include <vector>

#include "image/channel_buffer.h"
#include "image/pixel_image.h"
#include "platform/log.h"

namespace {

std::vector<ThreadScratch> records;
int scratchSide = 0;

// Flipped by the main thread around each compositing pass and read by the
// workers inside it; release/acquire makes the registered ids visible to them.
std::atomic<bool> lookup{false};

// What callers get before InitThreadScratch: every ring is empty, so the
// accessors hand out null instead of reading out of range.
ThreadScratch noScratch;

// Thread ids have no portable numeric form; the log only needs a stable tag.
uint32_t IdTag(std::thread::id id) {
    const uint64_t h = std::hash<std::thread::id>{}(id);
    return uint32_t(h ^ (h >> 32));
}

}  // namespace

void InitThreadScratch(int threadCount, int side) {
    FreeThreadScratch();
    scratchSide = side;
    records.resize(size_t(threadCount < 1 ? 1 : threadCount));
    for (ThreadScratch& r : records) {
        for (PixelImage*& image : r.images) image = CreateCleared(side, side, 4, 16);
        for (ChannelBuffer16*& plane : r.planes) plane = new ChannelBuffer16(side, side);
        r.bytes = new uint8_t[kScratchBytes];
    }
}

void FreeThreadScratch() {
    lookup.store(false, std::memory_order_release);
    for (ThreadScratch& r : records) {
        for (PixelImage* image : r.images) delete image;
        for (ChannelBuffer16* plane : r.planes) delete plane;
        delete[] r.bytes;
    }
    records.clear();
    scratchSide = 0;
}

int ScratchThreadCount() { return int(records.size()); }

int ScratchSide() { return scratchSide; }

void RegisterScratchThread(int index, std::thread::id id) {
    if (index < 0 || index >= ScratchThreadCount()) return;
    LogLine("Register thread %i to id=%X", index, unsigned(IdTag(id)));
    records[size_t(index)].threadId = id;
    LogLine(" - done");
}

void RegisterScratchThread(int index) { RegisterScratchThread(index, std::this_thread::get_id()); }

void SetScratchLookup(bool on) { lookup.store(on, std::memory_order_release); }

bool ScratchLookup() { return lookup.load(std::memory_order_acquire); }

ThreadScratch& CurrentScratch() {
    if (records.empty()) return noScratch;
    if (ScratchLookup()) {
        const std::thread::id self = std::this_thread::get_id();
        for (ThreadScratch& r : records)
            if (r.threadId == self) return r;
    }
    return records[0];
}

PixelImage* ScratchImage() {
    const ThreadScratch& s = CurrentScratch();
    return s.images[s.imagePosition];
}

// The empty record is never advanced: it may be shared by several threads.
void NextScratchImage() {
    ThreadScratch& s = CurrentScratch();
    if (s.images[0]) s.imagePosition = (s.imagePosition + 1) % kScratchImages;
}

ChannelBuffer16* ScratchPlane() {
    ThreadScratch& s = CurrentScratch();
    ChannelBuffer16* plane = s.planes[s.planePosition];
    if (plane) s.planePosition = (s.planePosition + 1) % kScratchPlanes;
    return plane;
}

uint8_t* ScratchBytes() { return CurrentScratch().bytes; }
