#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

// Little-endian byte writer over a C stream or a memory buffer, buffered.
// Values are stored byte by byte, never as structs, so the layout does not
// depend on the compiler. The first failed write sticks: later writes do nothing and
// Finish reports it.
class ByteSink {
public:
    explicit ByteSink(std::FILE* file);
    explicit ByteSink(std::vector<uint8_t>& memory);
    ByteSink(const ByteSink&) = delete;
    ByteSink& operator=(const ByteSink&) = delete;

    void U8(uint8_t v) {
        if (used_ == buffer_.size()) Flush();
        buffer_[used_++] = v;
    }
    void U16(uint16_t v) {
        U8(uint8_t(v));
        U8(uint8_t(v >> 8));
    }
    void I32(int32_t v);
    void F32(float v);
    void Bytes(const void* data, size_t size);
    // Room for size bytes to be written in place: the caller fills some of
    // them and hands the count to Commit before any other write.
    uint8_t* Claim(size_t size);
    void Commit(size_t size) { used_ += size; }

    // Hands the buffered bytes on; true if every write so far succeeded.
    bool Finish();
    bool Ok() const { return ok_; }

private:
    void Flush();

    std::FILE* file_ = nullptr;
    std::vector<uint8_t>* memory_ = nullptr;
    std::vector<uint8_t> buffer_;
    size_t used_ = 0;
    bool ok_ = true;
};

// Little-endian byte reader over a memory buffer or a C stream whose size is
// known up front, so a reader can refuse a file that is too short for what
// its header claims before allocating for it. Every read reports whether all
// of its bytes were there.
class ByteSource {
public:
    ByteSource(const uint8_t* data, size_t size);
    ByteSource(std::FILE* file, uint64_t size);
    ByteSource(const ByteSource&) = delete;
    ByteSource& operator=(const ByteSource&) = delete;

    bool U8(uint8_t& v) {
        if (next_ == end_ && !Refill()) return false;
        v = *next_++;
        return true;
    }
    bool U16(uint16_t& v) {
        uint8_t lo, hi;
        if (!U8(lo) || !U8(hi)) return false;
        v = uint16_t(lo | hi << 8);
        return true;
    }
    bool I32(int32_t& v);
    bool F32(float& v);
    bool Bytes(void* data, size_t size);
    bool Skip(size_t size);

    // Bytes left according to the size given at construction.
    uint64_t Remaining() const;

private:
    bool Refill();

    std::FILE* file_ = nullptr;
    std::vector<uint8_t> buffer_;
    const uint8_t* start_ = nullptr;  // the bytes at hand begin here
    const uint8_t* next_ = nullptr;
    const uint8_t* end_ = nullptr;
    uint64_t size_ = 0;
    uint64_t consumedBeforeStart_ = 0;
};
