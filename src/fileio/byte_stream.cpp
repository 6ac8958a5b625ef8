#include "fileio/byte_stream.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kBufferBytes = 1 << 16;

}  // namespace

ByteSink::ByteSink(std::FILE* file) : file_(file), buffer_(kBufferBytes), ok_(file != nullptr) {}

ByteSink::ByteSink(std::vector<uint8_t>& memory) : memory_(&memory), buffer_(kBufferBytes) {}

void ByteSink::I32(int32_t v) {
    const uint32_t u = uint32_t(v);
    for (int shift = 0; shift < 32; shift += 8) U8(uint8_t(u >> shift));
}

void ByteSink::F32(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    I32(int32_t(bits));
}

void ByteSink::Bytes(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        if (used_ == buffer_.size()) Flush();
        const size_t n = std::min(size, buffer_.size() - used_);
        std::memcpy(buffer_.data() + used_, bytes, n);
        used_ += n;
        bytes += n;
        size -= n;
    }
}

uint8_t* ByteSink::Claim(size_t size) {
    if (buffer_.size() - used_ < size) {
        Flush();
        if (buffer_.size() < size) buffer_.resize(size);
    }
    return buffer_.data() + used_;
}

void ByteSink::Flush() {
    if (ok_ && used_ > 0) {
        if (memory_)
            memory_->insert(memory_->end(), buffer_.begin(), buffer_.begin() + std::ptrdiff_t(used_));
        else
            ok_ = std::fwrite(buffer_.data(), 1, used_, file_) == used_;
    }
    used_ = 0;
}

bool ByteSink::Finish() {
    Flush();
    return ok_;
}

ByteSource::ByteSource(const uint8_t* data, size_t size)
    : start_(data), next_(data), end_(data ? data + size : data), size_(data ? size : 0) {}

ByteSource::ByteSource(std::FILE* file, uint64_t size) : file_(file), buffer_(kBufferBytes), size_(size) {
    start_ = next_ = end_ = buffer_.data();
}

bool ByteSource::Refill() {
    if (!file_) return false;
    consumedBeforeStart_ += uint64_t(end_ - start_);
    const size_t got = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    start_ = next_ = buffer_.data();
    end_ = start_ + got;
    return got > 0;
}

bool ByteSource::I32(int32_t& v) {
    uint32_t u = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint8_t b;
        if (!U8(b)) return false;
        u |= uint32_t(b) << shift;
    }
    v = int32_t(u);
    return true;
}

bool ByteSource::F32(float& v) {
    int32_t bits;
    if (!I32(bits)) return false;
    std::memcpy(&v, &bits, sizeof v);
    return true;
}

bool ByteSource::Bytes(void* data, size_t size) {
    auto* out = static_cast<uint8_t*>(data);
    while (size > 0) {
        if (next_ == end_ && !Refill()) return false;
        const size_t n = std::min(size, size_t(end_ - next_));
        std::memcpy(out, next_, n);
        next_ += n;
        out += n;
        size -= n;
    }
    return true;
}

bool ByteSource::Skip(size_t size) {
    while (size > 0) {
        if (next_ == end_ && !Refill()) return false;
        const size_t n = std::min(size, size_t(end_ - next_));
        next_ += n;
        size -= n;
    }
    return true;
}

uint64_t ByteSource::Remaining() const {
    const uint64_t consumed = consumedBeforeStart_ + uint64_t(next_ - start_);
    return consumed < size_ ? size_ - consumed : 0;
}
