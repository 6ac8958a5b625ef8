#include "image/workers.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <system_error>
#include <vector>

#include "image/display_tile.h"
#include "image/document.h"
#include "image/plane_reserve.h"
#include "image/thread_scratch.h"
#include "platform/log.h"

namespace {

constexpr int kIdleStart = -60;

struct WorkerSlot {
    std::thread thread;
    int index = 0;
    bool started = false;
};

// One pass hands its items (the dirty stacks of a render, the tiles of a
// commit) to every compositing thread through a shared ticket counter: each
// thread takes the next untaken item until none is left, so a thread that
// wakes late or is preempted only means the others take more. Workers sleep
// on `wake` between passes and the calling thread on `finished` once it has
// run out of items; nobody spins.
struct Pass {
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable finished;
    // Guarded by mutex.
    uint64_t generation = 0;  // counts passes; a worker joins each at most once
    bool open = false;        // workers may join the current pass
    int busy = 0;             // workers inside the current pass
    bool quit = false;
    // Set before a pass opens and read only by the threads inside it.
    size_t count = 0;
    ParallelJob job = nullptr;
    void* context = nullptr;
    std::atomic<size_t> nextTicket{0};
};

std::vector<std::unique_ptr<WorkerSlot>> slots;
Pass pass;
std::atomic<int> idleCount{kIdleStart};

bool SpawnStdThread(std::thread& thread, std::function<void()> body, int, int& error) {
    try {
        thread = std::thread(std::move(body));
        return true;
    } catch (const std::system_error& e) {
        error = e.code().value();
        return false;
    }
}

ThreadSpawner spawner = SpawnStdThread;

// Runs the pass's job on items from the shared counter until none is left.
void TakeItems() {
    for (;;) {
        const size_t i = pass.nextTicket.fetch_add(1, std::memory_order_relaxed);
        if (i >= pass.count) return;
        pass.job(int(i), pass.context);
    }
}

// The dirty stacks of the current render; only the main thread changes it,
// between passes.
std::vector<LayerTile*> dirtyStacks;

void RenderDirtyStack(int i, void*) { RenderTile(*dirtyStacks[size_t(i)]); }

void WorkerLoop(WorkerSlot* slot) {
    LogText("Thread waking up, ptr=%X, index=%i\n", unsigned(uintptr_t(slot)), slot->index);
    uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(pass.mutex);
    for (;;) {
        pass.wake.wait(lock, [&] { return pass.quit || (pass.open && pass.generation != seen); });
        if (pass.quit) break;
        seen = pass.generation;
        ++pass.busy;
        lock.unlock();
        TakeItems();
        lock.lock();
        // Leaving under the mutex publishes this worker's display buffers to
        // the main thread, which waits for busy to reach 0 under it.
        if (--pass.busy == 0) pass.finished.notify_one();
    }
    lock.unlock();
    LogLine("Thread %i closing", slot->index);
}

bool AnyWorker() {
    for (const auto& slot : slots)
        if (slot->started) return true;
    return false;
}

}  // namespace

int StartWorkers(int n) {
    CloseWorkerThreads();
    // Each compositing thread needs a scratch record of its own; sharing one
    // would race.
    if (n > ScratchThreadCount()) n = ScratchThreadCount();
    if (n < 1) return 0;
    idleCount.store(kIdleStart, std::memory_order_relaxed);
    // The calling thread composites too, with record 0; the workers get the
    // records after it.
    RegisterScratchThread(0);
    const int workers = n - 1;
    LogLine("Creating %i threads", workers);
    {
        std::lock_guard<std::mutex> lock(pass.mutex);
        pass.quit = false;
        pass.open = false;
        pass.busy = 0;
    }
    int started = 0;
    for (int j = 1; j < n; ++j) {
        LogLine("Creating thread %i", j);
        slots.push_back(std::make_unique<WorkerSlot>());
        WorkerSlot* slot = slots.back().get();
        slot->index = j;
        int error = 0;
        slot->started = spawner(slot->thread, [slot] { WorkerLoop(slot); }, j, error);
        LogLine("Thread %i created", j);
        if (!slot->started) {
            // The other threads take its tiles from the shared counter.
            LogLine("*** Failed to create thread %i, error: %i", j, error);
            continue;
        }
        // A worker reads its record only inside a pass, which the mutex
        // orders after this.
        RegisterScratchThread(j, slot->thread.get_id());
        ++started;
    }
    LogLine("%i threads created", workers);
    return started + 1;
}

void RunOnCompositingThreads(int count, ParallelJob job, void* context) {
    if (count <= 0 || !job) return;
    // One item needs no helpers: waking one costs more than it saves.
    if (!AnyWorker() || count == 1) {
        for (int i = 0; i < count; ++i) job(i, context);
        return;
    }
    SetScratchLookup(true);
    {
        std::lock_guard<std::mutex> lock(pass.mutex);
        pass.count = size_t(count);
        pass.job = job;
        pass.context = context;
        pass.nextTicket.store(0, std::memory_order_relaxed);
        ++pass.generation;
        pass.open = true;
    }
    pass.wake.notify_all();
    TakeItems();
    {
        std::unique_lock<std::mutex> lock(pass.mutex);
        // A worker that has not joined yet has nothing left to take.
        pass.open = false;
        pass.finished.wait(lock, [] { return pass.busy == 0; });
    }
    SetScratchLookup(false);
}

void RenderDirtyTiles(Document& doc) {
    CollectDirtyStacks(doc.stacks, dirtyStacks);
    if (dirtyStacks.empty()) {
        idleCount.fetch_add(1, std::memory_order_relaxed);
        RefillPlaneReserve();
        return;
    }
    if (idleCount.load(std::memory_order_relaxed) > 0) idleCount.store(0, std::memory_order_relaxed);
    RunOnCompositingThreads(int(dirtyStacks.size()), RenderDirtyStack, nullptr);
}

void CloseWorkerThreads() {
    if (slots.empty()) return;
    LogLine("Closing threads");
    {
        std::lock_guard<std::mutex> lock(pass.mutex);
        pass.quit = true;
    }
    pass.wake.notify_all();
    for (const auto& slot : slots)
        if (slot->started && slot->thread.joinable()) slot->thread.join();
    slots.clear();
    std::lock_guard<std::mutex> lock(pass.mutex);
    pass.quit = false;
}

int WorkerIdleCount() { return idleCount.load(std::memory_order_relaxed); }

void SetThreadSpawner(ThreadSpawner replacement) { spawner = replacement ? replacement : SpawnStdThread; }
