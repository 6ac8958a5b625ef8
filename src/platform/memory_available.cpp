#include "platform/memory_available.h"

#include <atomic>

namespace {

std::atomic<MemoryMeasure> replacement{nullptr};

}  // namespace

uint64_t AvailableMemoryBytes() {
    const MemoryMeasure measure = replacement.load(std::memory_order_acquire);
    return measure ? measure() : SystemAvailableMemoryBytes();
}

void ReplaceMemoryMeasure(MemoryMeasure measure) { replacement.store(measure, std::memory_order_release); }
