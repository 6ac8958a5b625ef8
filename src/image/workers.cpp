#include "image/workers.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <system_error>
#include <vector>

#include "image/display_tile.h"
#include "image/document.h"
#include "image/thread_scratch.h"
#include "platform/log.h"

namespace {

constexpr int kIdleStart = -60;
constexpr int kSlowPollAbove = 9;

struct WorkerSlot {
    std::thread thread;
    int index = 0;
    // Set by the main thread to start a pass, cleared by the worker when its
    // tiles are done. The release store of the clear publishes the display
    // buffers to the main thread's acquire load.
    std::atomic<bool> go{false};
    std::atomic<bool> quit{false};
    bool started = false;
};

std::vector<std::unique_ptr<WorkerSlot>> slots;
std::atomic<int> idleCount{kIdleStart};
// Written only between passes; a worker reads it after seeing go set.
Document* passDocument = nullptr;
int slotCount = 0;

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

void RenderShare(Document& doc, int index, int stride) {
    for (int t = index; t < doc.tileCount; t += stride) RenderTile(*doc.stacks[size_t(t)]);
}

void WorkerLoop(WorkerSlot* slot) {
    LogText("Thread waking up, ptr=%X, index=%i\n", unsigned(uintptr_t(slot)), slot->index);
    while (!slot->quit.load(std::memory_order_acquire)) {
        if (idleCount.load(std::memory_order_relaxed) > kSlowPollAbove)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        else
            std::this_thread::yield();
        if (slot->go.load(std::memory_order_acquire)) {
            RenderShare(*passDocument, slot->index, slotCount);
            slot->go.store(false, std::memory_order_release);
        }
    }
    LogLine("Thread %i closing", slot->index);
}

void WaitForWorkers() {
    for (const auto& slot : slots)
        while (slot->started && slot->go.load(std::memory_order_acquire)) std::this_thread::yield();
}

}  // namespace

int StartWorkers(int n) {
    CloseWorkerThreads();
    // Each worker needs a scratch record of its own; sharing one would race.
    if (n > ScratchThreadCount()) n = ScratchThreadCount();
    if (n < 1) return 0;
    LogLine("Creating %i threads", n);
    idleCount.store(kIdleStart, std::memory_order_relaxed);
    slotCount = n;
    int started = 0;
    bool mainHasRecord = false;
    for (int j = 0; j < n; ++j) {
        LogLine("Creating thread %i", j);
        slots.push_back(std::make_unique<WorkerSlot>());
        WorkerSlot* slot = slots.back().get();
        slot->index = j;
        int error = 0;
        slot->started = spawner(slot->thread, [slot] { WorkerLoop(slot); }, j, error);
        LogLine("Thread %i created", j);
        if (!slot->started) {
            LogLine("*** Failed to create thread %i, error: %i", j, error);
            // The main thread takes over this share in every pass, with the
            // scratch record that nobody else uses.
            if (!mainHasRecord) RegisterScratchThread(j);
            mainHasRecord = true;
            continue;
        }
        RegisterScratchThread(j, slot->thread.get_id());
        ++started;
    }
    LogLine("%i threads created", n);
    return started;
}

void RenderDirtyTiles(Document& doc) {
    bool anyDirty = false;
    for (const LayerTile* stack : doc.stacks)
        if (StackDirty(stack)) {
            anyDirty = true;
            break;
        }
    if (!anyDirty) {
        idleCount.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    if (idleCount.load(std::memory_order_relaxed) > 0) idleCount.store(0, std::memory_order_relaxed);

    if (slots.empty()) {
        for (LayerTile* stack : doc.stacks) RenderTile(*stack);
        return;
    }
    WaitForWorkers();
    passDocument = &doc;
    SetScratchLookup(true);
    for (const auto& slot : slots)
        if (slot->started) slot->go.store(true, std::memory_order_release);
    for (const auto& slot : slots)
        if (!slot->started) RenderShare(doc, slot->index, slotCount);
    WaitForWorkers();
    SetScratchLookup(false);
}

void CloseWorkerThreads() {
    if (slots.empty()) return;
    LogLine("Closing threads");
    for (const auto& slot : slots) slot->quit.store(true, std::memory_order_release);
    for (const auto& slot : slots)
        if (slot->started && slot->thread.joinable()) slot->thread.join();
    slots.clear();
    slotCount = 0;
    passDocument = nullptr;
}

int WorkerIdleCount() { return idleCount.load(std::memory_order_relaxed); }

void SetThreadSpawner(ThreadSpawner replacement) { spawner = replacement ? replacement : SpawnStdThread; }
