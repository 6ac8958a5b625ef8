#pragma once
#include <cstdint>

#include "image/channel_buffer.h"

struct ColorRecord;

// N planes of one size and depth; the last plane is alpha. A default-built
// image (all fields zero, no planes) is the empty image, and every operation
// on it does nothing.
class PixelImage {
public:
    PixelImage() = default;
    // Samples are left uninitialised. A depth of 8 gives 8-bit planes, any
    // other depth 16-bit ones, whose samples come from source.
    PixelImage(int w, int h, int channelCount, int depth, PlaneSource source = PlaneSource::kHeap);
    ~PixelImage();

    PixelImage(const PixelImage&) = delete;
    PixelImage& operator=(const PixelImage&) = delete;

    // Shrinks (or regrows up to the construction size) without moving samples:
    // the row stride follows the new width.
    void SetSize(int w, int h);

    bool GetPixel(int x, int y, ColorRecord* colour) const;
    bool SetPixel(int x, int y, const ColorRecord* colour, bool withAlpha);

    // Copies every plane, converting depth. Only images of the same shape
    // (width, height, channel count) can be copied; otherwise nothing changes
    // and the result is false, so an image never describes planes it lacks.
    bool CopyFrom(const PixelImage& other);

    void Fill(const ColorRecord& colour);
    bool MixFrom(const PixelImage& source, int x, int y, uint32_t k);

    bool IsEmpty() const { return width == 0 || channelCount == 0; }
    ChannelBuffer& Channel(int i) const { return *channels[i]; }
    ChannelBuffer& Alpha() const { return *channels[channelCount - 1]; }

    int width = 0;
    int height = 0;
    int capacityWidth = 0;
    int capacityHeight = 0;
    int channelCount = 0;
    int depth = 0;
    ChannelBuffer** channels = nullptr;
};

// A new image filled with 0 (one plane) or with opaque white in the current
// colour profile (several planes).
PixelImage* CreateCleared(int w, int h, int channelCount, int depth, PlaneSource source = PlaneSource::kHeap);

// A new image of the same shape holding a copy of the samples.
PixelImage* CloneImage(const PixelImage& source, PlaneSource planes = PlaneSource::kHeap);
