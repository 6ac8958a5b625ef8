#include "image/plane_reserve.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

#include "image/memory_guard.h"
#include "platform/thread_priority.h"

static_assert(kReservedPlaneSamples == size_t(kTileSide) * kTileSide, "the reserve holds planes of a tile");

namespace {

constexpr size_t kPlaneBytes = kReservedPlaneSamples * sizeof(uint16_t);

// Leaked on purpose, like the packing thread: the thread never ends, and
// planes taken from it may be freed at exit after its statics would be gone.
struct Reserve {
    std::mutex mutex;
    std::condition_variable work;  // a refill was asked for
    std::condition_variable done;  // the refill asked for has finished
    // Guarded by mutex; fixed arrays, so keeping the books never allocates.
    std::array<uint16_t*, kPlaneReserveTarget> planes{};
    size_t held = 0;
    // Lets TakeReservedPlane skip the mutex while the reserve is empty, as it
    // is for most of the planes of a document being opened.
    std::atomic<size_t> count{0};
    // Something was asked for since the last refill; true at first, so the
    // program's first rest fills the reserve before its first stroke.
    std::atomic<bool> wanted{true};
    bool refilling = false;           // guarded: a refill is asked for or running
    bool started = false;
    bool failed = false;  // the thread could not start: planes come from the heap
};

Reserve& TheReserve() {
    static Reserve* reserve = new Reserve();
    return *reserve;
}

// Writing every page makes the system map it now, on this thread. The plain
// new[] (not its nothrow form) pairs with the delete[] its taker frees it
// with, whatever replaces the two.
uint16_t* NewTouchedPlane() {
    try {
        auto* plane = new uint16_t[kReservedPlaneSamples];
        std::memset(plane, 0, kPlaneBytes);
        return plane;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void Fill(Reserve& r, std::unique_lock<std::mutex>& lock) {
    const size_t missing = kPlaneReserveTarget - r.held;
    lock.unlock();
    std::array<uint16_t*, kPlaneReserveTarget> fresh{};
    size_t made = 0;
    // The reserve gives way to the picture when memory runs short.
    if (missing > 0 && MemoryFits(missing * kPlaneBytes)) {
        while (made < missing && (fresh[made] = NewTouchedPlane())) ++made;
    }
    lock.lock();
    // Only the refill adds planes, so they all still fit.
    for (size_t i = 0; i < made; ++i) r.planes[r.held++] = fresh[i];
    r.count.store(r.held, std::memory_order_release);
}

void RefillLoop() {
    RunThreadInBackground();
    Reserve& r = TheReserve();
    std::unique_lock<std::mutex> lock(r.mutex);
    for (;;) {
        r.work.wait(lock, [&r] { return r.refilling; });
        Fill(r, lock);
        r.refilling = false;
        r.done.notify_all();
    }
}

// Under the mutex: the refill thread is running, or cannot be started.
bool Started(Reserve& r) {
    if (!r.started && !r.failed) {
        try {
            std::thread(RefillLoop).detach();
            r.started = true;
        } catch (const std::system_error&) {
            r.failed = true;
        }
    }
    return r.started;
}

}  // namespace

uint16_t* TakeReservedPlane() {
    Reserve& r = TheReserve();
    if (!r.wanted.load(std::memory_order_relaxed)) r.wanted.store(true, std::memory_order_relaxed);
    if (r.count.load(std::memory_order_acquire) == 0) return nullptr;
    std::lock_guard<std::mutex> lock(r.mutex);
    if (r.held == 0) return nullptr;
    uint16_t* plane = r.planes[--r.held];
    r.count.store(r.held, std::memory_order_release);
    return plane;
}

void RefillPlaneReserve() {
    Reserve& r = TheReserve();
    if (!r.wanted.load(std::memory_order_relaxed)) return;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        if (r.refilling || !Started(r)) return;
        r.wanted.store(false, std::memory_order_relaxed);
        r.refilling = true;
    }
    r.work.notify_one();
}

size_t ReservedPlanes() { return TheReserve().count.load(std::memory_order_acquire); }

void WaitForPlaneReserve() {
    Reserve& r = TheReserve();
    std::unique_lock<std::mutex> lock(r.mutex);
    r.done.wait(lock, [&r] { return !r.refilling; });
}
