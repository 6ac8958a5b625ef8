#pragma once
#include <functional>
#include <thread>

struct Document;

// Makes n threads composite (one per processor is the usual n): the calling
// thread, which renders, and n - 1 worker threads. Every thread of a pass
// takes dirty stacks from a shared counter until none is left, so the work
// spreads by itself and a thread that is late or failed to start only leaves
// more to the others. The per-thread scratch must exist for n threads first;
// the caller uses record 0. Returns how many threads composite, the caller
// included (0 without scratch).
int StartWorkers(int n);
// Composites every dirty stack into its display buffer, on the calling
// thread and the workers, and returns when all are done; the document must
// not change meanwhile. Idle workers sleep until a pass wakes them.
void RenderDirtyTiles(Document& doc);
// Runs job(i, context) for i = 0..count - 1 on the compositing threads, the
// caller included, and returns when every call is done; calls for different
// i may run at once, each with its thread's scratch. For work between passes
// that splits into independent tiles (a stroke's commit, undo copies).
using ParallelJob = void (*)(int i, void* context);
void RunOnCompositingThreads(int count, ParallelJob job, void* context);
// Stops and joins every worker.
void CloseWorkerThreads();

// Passes in a row that found no dirty tile.
int WorkerIdleCount();

// How worker threads are created: returns false (with the system's error code)
// when the thread could not be started. Replaceable for tests.
using ThreadSpawner = bool (*)(std::thread& thread, std::function<void()> body, int index, int& error);
void SetThreadSpawner(ThreadSpawner spawner);
