#include "image/memory_guard.h"

#include <atomic>

#include "platform/log.h"
#include "platform/memory_available.h"

namespace {

// Left free for what the operation needs besides its big buffers (codec
// state, textures, the interface).
constexpr uint64_t kReserveBytes = uint64_t(64) << 20;

std::atomic<bool> shortage{false};

bool Fits(uint64_t bytes, uint64_t available) { return available > kReserveBytes && bytes <= available - kReserveBytes; }

}  // namespace

uint64_t NewDocumentBytes(int64_t w, int64_t h) {
    return uint64_t(TilesAlong(w) * TilesAlong(h)) * kBottomTileBytes;
}

bool MemoryFits(uint64_t bytes) { return Fits(bytes, AvailableMemoryBytes()); }

bool MemoryFor(uint64_t bytes) {
    const uint64_t available = AvailableMemoryBytes();
    if (Fits(bytes, available)) return true;
    LogLine("Not enough memory: %llu MB wanted, %llu MB available", static_cast<unsigned long long>(bytes >> 20),
            static_cast<unsigned long long>(available >> 20));
    NoteMemoryShortage();
    return false;
}

void NoteMemoryShortage() { shortage.store(true, std::memory_order_release); }

bool TakeMemoryShortage() { return shortage.exchange(false, std::memory_order_acq_rel); }
