#pragma once
#include <cstdint>

// One plane of samples, 8 or 16 bits deep, row-major with the width as stride.
// The five virtual operations are the only dynamic dispatch in the pixel code;
// bulk loops read samples() directly instead of calling Get/Set per sample.
class ChannelBuffer {
public:
    virtual ~ChannelBuffer();

    virtual uint32_t Get(int x, int y) const = 0;
    virtual void Set(int x, int y, uint32_t value) = 0;
    virtual bool MixFrom(const ChannelBuffer& source, int x, int y, uint32_t k) = 0;
    virtual void Fill(uint32_t value) = 0;
    virtual void CopyFrom(const ChannelBuffer& other) = 0;

    int width = 0;
    int height = 0;
    int depth = 0;

    ChannelBuffer(const ChannelBuffer&) = delete;
    ChannelBuffer& operator=(const ChannelBuffer&) = delete;

protected:
    ChannelBuffer() = default;
};

class ChannelBuffer8 final : public ChannelBuffer {
public:
    ChannelBuffer8(int w, int h);
    ~ChannelBuffer8() override;

    uint32_t Get(int x, int y) const override { return samples[y * width + x]; }
    void Set(int x, int y, uint32_t value) override { samples[y * width + x] = uint8_t(value); }
    bool MixFrom(const ChannelBuffer& source, int x, int y, uint32_t k) override;
    void Fill(uint32_t value) override;
    void CopyFrom(const ChannelBuffer& other) override;

    uint8_t* storage = nullptr;
    uint8_t* samples = nullptr;
};

// Where a 16-bit plane's samples come from: the heap, or for a tile-sized
// plane whose first writes must not wait for fresh memory (the history's
// copies at pen-up, the pixels a stroke gives an empty tile), the reserve of
// plane_reserve.h first.
enum class PlaneSource { kHeap, kReserve };

class ChannelBuffer16 final : public ChannelBuffer {
public:
    ChannelBuffer16(int w, int h, PlaneSource source = PlaneSource::kHeap);
    ~ChannelBuffer16() override;

    uint32_t Get(int x, int y) const override { return samples[y * width + x]; }
    void Set(int x, int y, uint32_t value) override { samples[y * width + x] = uint16_t(value); }
    bool MixFrom(const ChannelBuffer& source, int x, int y, uint32_t k) override;
    void Fill(uint32_t value) override;
    void CopyFrom(const ChannelBuffer& other) override;

    uint16_t* storage = nullptr;
    uint16_t* samples = nullptr;
};
