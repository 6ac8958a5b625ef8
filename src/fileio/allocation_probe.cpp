#include "fileio/allocation_probe.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Replaces the program's operator new and delete; only the test program that
// links this file is affected. Single allocations are counted while a probe
// runs, and large ones refused while a test asks; aligned and nothrow forms
// keep the library's own.

namespace {

std::atomic<bool> probing{false};
std::atomic<uint64_t> largest{0};
std::atomic<uint64_t> total{0};
std::atomic<uint64_t> refusedFrom{0};  // 0: nothing refused

void* Allocate(std::size_t size) {
    if (probing.load(std::memory_order_relaxed)) {
        total.fetch_add(size, std::memory_order_relaxed);
        uint64_t seen = largest.load(std::memory_order_relaxed);
        while (size > seen && !largest.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
        }
    }
    const uint64_t refused = refusedFrom.load(std::memory_order_relaxed);
    if (refused != 0 && size >= refused) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

AllocationFigures AllocationsDuring(const std::function<void()>& run) {
    largest = 0;
    total = 0;
    probing = true;
    run();
    probing = false;
    return {largest.load(), total.load()};
}

void RefuseAllocationsFrom(uint64_t bytes) { refusedFrom.store(bytes, std::memory_order_relaxed); }
