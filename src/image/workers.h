#pragma once
#include <functional>
#include <thread>

struct Document;

// Starts n compositing threads (one per processor is the usual n); worker j
// composites the stacks t with t mod n = j. The per-thread scratch must exist
// for n threads first. Returns how many started; the work of a thread that
// failed to start is done by the calling thread in every pass.
int StartWorkers(int n);
// Composites every dirty stack into its display buffer and returns when all
// are done; the document must not change meanwhile.
void RenderDirtyTiles(Document& doc);
// Stops and joins every worker.
void CloseWorkerThreads();

// Frames drawn in a row without dirty tiles; workers poll slowly above 9.
int WorkerIdleCount();

// How worker threads are created: returns false (with the system's error code)
// when the thread could not be started. Replaceable for tests.
using ThreadSpawner = bool (*)(std::thread& thread, std::function<void()> body, int index, int& error);
void SetThreadSpawner(ThreadSpawner spawner);
