#pragma once
#include <cstdint>
#include <thread>

class ChannelBuffer16;
class PixelImage;

constexpr int kScratchImages = 4;
constexpr int kScratchPlanes = 16;
constexpr int kScratchBytes = 65536;

// Temporaries for one thread, allocated once so that compositing, stroke
// previews and filters allocate nothing while they run.
struct ThreadScratch {
    std::thread::id threadId;
    PixelImage* images[kScratchImages] = {};
    int imagePosition = 0;
    ChannelBuffer16* planes[kScratchPlanes] = {};
    int planePosition = 0;
    uint8_t* bytes = nullptr;
};

// Builds one record per thread with side x side scratch planes and images.
// The images start as opaque white, so a colour profile must be selected first.
void InitThreadScratch(int threadCount, int side);
void FreeThreadScratch();
int ScratchThreadCount();
int ScratchSide();

// Binds record i to thread id. The thread that creates a worker does this
// before the worker's first go signal, so the worker never runs unregistered.
void RegisterScratchThread(int index, std::thread::id id);
// Binds record i to the calling thread.
void RegisterScratchThread(int index);

// While on, each thread finds its own record by its id; while off every caller
// shares record 0, which is then the main thread's alone.
void SetScratchLookup(bool on);
bool ScratchLookup();

// Before InitThreadScratch and after FreeThreadScratch every ring is empty and
// the accessors below return null.
ThreadScratch& CurrentScratch();

PixelImage* ScratchImage();
void NextScratchImage();
// A plane of the calling thread's ring; it stays valid until that thread has
// taken kScratchPlanes more.
ChannelBuffer16* ScratchPlane();
uint8_t* ScratchBytes();
